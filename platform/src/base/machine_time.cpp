// The machine clock: real or virtual time, and the stepping of a virtual
// advance from one due instant to the next, every consumer catching up at
// each stop before time moves on.
#include "base/machine_time.h"

#include <algorithm>
#include <chrono>

#include "base/reset.h"

namespace platform {

namespace {

thread_local bool tConsumerThread = false;

int64_t SteadyNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool ByStage(const ClockConsumer *a, const ClockConsumer *b) { return a->stage() < b->stage(); }

}  // namespace

MachineClock &MachineClock::Get() {
  static MachineClock clock;
  return clock;
}

MachineClock::MachineClock() : realOrigin_(SteadyNanoseconds()) {}

void MachineClock::MarkConsumerThread() { tConsumerThread = true; }

uint64_t MachineClock::NowLocked() const {
  if (virtual_) return virtualNow_;
  const int64_t elapsed = SteadyNanoseconds() - realOrigin_;
  return realBase_ + static_cast<uint64_t>(std::max<int64_t>(elapsed, 0));
}

uint64_t MachineClock::Now() {
  std::lock_guard<std::mutex> hold(lock_);
  return NowLocked();
}

uint64_t MachineClock::StartedAt() {
  std::lock_guard<std::mutex> hold(lock_);
  return epoch_;
}

double MachineClock::Milliseconds() {
  std::lock_guard<std::mutex> hold(lock_);
  return static_cast<double>(NowLocked() - epoch_) / static_cast<double>(kNanosecondsPerMillisecond);
}

bool MachineClock::IsVirtual() {
  std::lock_guard<std::mutex> hold(lock_);
  return virtual_;
}

void MachineClock::Switch(bool toVirtual) {
  std::vector<ClockConsumer *> consumers;
  {
    std::lock_guard<std::mutex> hold(lock_);
    const uint64_t now = NowLocked();
    // Asking for the virtual clock again starts it at zero again.
    if (toVirtual) epoch_ = now;
    if (virtual_ == toVirtual) return;
    if (toVirtual) {
      virtualNow_ = now;
    } else {
      realBase_ = now;
      realOrigin_ = SteadyNanoseconds();
    }
    virtual_ = toVirtual;
    consumers = consumers_;
  }
  for (ClockConsumer *consumer : consumers) consumer->ClockSwitched(toVirtual);
}

void MachineClock::UseVirtual() { Switch(true); }

void MachineClock::UseReal() { Switch(false); }

void MachineClock::AdvanceBy(uint64_t nanoseconds) {
  uint64_t until;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!virtual_) return;
    // Inside an advance, a consumer's request runs on from where that
    // advance will end.
    const uint64_t from = advancing_ && tConsumerThread ? advanceEnd_ : virtualNow_;
    until = nanoseconds > kNever - from ? kNever : from + nanoseconds;
  }
  AdvanceTo(until);
}

void MachineClock::AdvanceTo(uint64_t until) {
  std::unique_lock<std::mutex> hold(lock_);
  if (!virtual_) return;
  if (tConsumerThread) {
    // A timer callback cannot wait for the advance that waits for it.
    if (advancing_) advanceEnd_ = std::max(advanceEnd_, until);
    return;
  }
  advanceDone_.wait(hold, [this] { return !advancing_; });
  if (!virtual_ || until < virtualNow_) return;
  advancing_ = true;
  advanceEnd_ = until;
  for (;;) {
    std::vector<ClockConsumer *> consumers = consumers_;
    std::stable_sort(consumers.begin(), consumers.end(), ByStage);
    const uint64_t now = virtualNow_;
    hold.unlock();
    uint64_t next = kNever;
    for (ClockConsumer *consumer : consumers) next = std::min(next, consumer->NextDue());
    hold.lock();
    virtualNow_ = std::clamp(next, now, std::max(advanceEnd_, now));
    const uint64_t stop = virtualNow_;
    hold.unlock();
    for (ClockConsumer *consumer : consumers) consumer->CatchUp(stop);
    hold.lock();
    if (!virtual_ || virtualNow_ >= advanceEnd_) break;
  }
  advancing_ = false;
  hold.unlock();
  advanceDone_.notify_all();
}

void MachineClock::WaitUntil(uint64_t when) {
  if (IsVirtual()) {
    AdvanceTo(when);
    return;
  }
  const uint64_t now = Now();
  if (when > now) std::this_thread::sleep_for(std::chrono::nanoseconds(when - now));
}

void MachineClock::Register(ClockConsumer *consumer) {
  std::lock_guard<std::mutex> hold(lock_);
  consumers_.push_back(consumer);
}

void MachineClock::Unregister(ClockConsumer *consumer) {
  std::lock_guard<std::mutex> hold(lock_);
  consumers_.erase(std::remove(consumers_.begin(), consumers_.end(), consumer), consumers_.end());
}

void MachineClock::Reset() {
  UseReal();
  std::lock_guard<std::mutex> hold(lock_);
  epoch_ = NowLocked();
}

namespace {
void ResetMachineClock() { MachineClock::Get().Reset(); }
ResetHook gResetMachineClock(ResetMachineClock);
}  // namespace

}  // namespace platform
