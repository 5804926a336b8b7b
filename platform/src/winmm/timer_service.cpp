// The timer thread and the timer table behind timeSetEvent and
// timeKillEvent. No callback runs while the table's lock is held, so a
// callback may set, kill (itself included) and query timers freely.
#include "winmm/timer_service.h"

#include <algorithm>
#include <chrono>

#include "base/reset.h"

namespace platform {

namespace {

constexpr UINT kMinPeriodMs = 1;
constexpr UINT kMaxPeriodMs = 1000000;
// A real clock that fell this far behind a periodic timer (a stopped
// process) lets the timer go on from now instead of firing a burst.
constexpr uint64_t kMaxLagNanoseconds = 100 * kNanosecondsPerMillisecond;

bool PeriodInRange(UINT period) { return period >= kMinPeriodMs && period <= kMaxPeriodMs; }

}  // namespace

TimerService &TimerService::Get() {
  static TimerService service;
  return service;
}

TimerService::TimerService() {
  MachineClock &clock = MachineClock::Get();
  virtual_ = clock.IsVirtual();
  clock.Register(this);
}

TimerService::~TimerService() {
  MachineClock::Get().Unregister(this);
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  wake_.notify_all();
  idle_.notify_all();
  if (!thread_.joinable()) return;
  // The process may end from inside a callback: that thread cannot wait
  // for itself.
  if (OnTimerThread()) {
    thread_.detach();
  } else {
    thread_.join();
  }
}

void TimerService::StartThreadLocked() {
  if (thread_.joinable() || stopping_) return;
  thread_ = std::thread([this] { ThreadMain(); });
}

UINT TimerService::Set(UINT delayMs, LPTIMECALLBACK callback, DWORD_PTR user, bool periodic) {
  if (callback == nullptr || !PeriodInRange(delayMs)) return 0;
  const uint64_t delay = static_cast<uint64_t>(delayMs) * kNanosecondsPerMillisecond;
  const uint64_t now = MachineClock::Get().Now();
  std::lock_guard<std::mutex> hold(lock_);
  if (stopping_) return 0;
  // Ids are small numbers, never 0, never one in use.
  while (nextId_ == 0 || timers_.count(nextId_) != 0) ++nextId_;
  const UINT id = nextId_++;
  timers_[id] = Timer{now + delay, nextOrder_++, periodic ? delay : 0, callback, user};
  StartThreadLocked();
  wake_.notify_all();
  return id;
}

MMRESULT TimerService::Kill(UINT id) {
  std::unique_lock<std::mutex> hold(lock_);
  auto found = timers_.find(id);
  if (found == timers_.end()) return MMSYSERR_INVALPARAM;
  timers_.erase(found);
  // From inside a callback (this timer's or another's) nothing of the
  // killed timer can be running at the same time.
  if (!OnTimerThread()) idle_.wait(hold, [this, id] { return running_ != id; });
  return TIMERR_NOERROR;
}

MMRESULT TimerService::BeginPeriod(UINT period) {
  if (!PeriodInRange(period)) return TIMERR_NOCANDO;
  std::lock_guard<std::mutex> hold(lock_);
  ++periods_[period];
  return TIMERR_NOERROR;
}

MMRESULT TimerService::EndPeriod(UINT period) {
  if (!PeriodInRange(period)) return TIMERR_NOCANDO;
  std::lock_guard<std::mutex> hold(lock_);
  auto found = periods_.find(period);
  // Only a period begun before can end.
  if (found == periods_.end()) return TIMERR_NOCANDO;
  if (--found->second == 0) periods_.erase(found);
  return TIMERR_NOERROR;
}

int TimerService::LiveTimers() {
  std::lock_guard<std::mutex> hold(lock_);
  return static_cast<int>(timers_.size());
}

int TimerService::PeriodsInForce() {
  std::lock_guard<std::mutex> hold(lock_);
  int count = 0;
  for (const auto &period : periods_) count += period.second;
  return count;
}

void TimerService::Reset() {
  std::unique_lock<std::mutex> hold(lock_);
  timers_.clear();
  periods_.clear();
  nextId_ = 1;
  if (!OnTimerThread()) idle_.wait(hold, [this] { return running_ == 0; });
}

std::map<UINT, TimerService::Timer>::iterator TimerService::EarliestLocked() {
  return std::min_element(timers_.begin(), timers_.end(), [](const auto &a, const auto &b) {
    return a.second.due != b.second.due ? a.second.due < b.second.due : a.second.order < b.second.order;
  });
}

uint64_t TimerService::NextDue() {
  std::lock_guard<std::mutex> hold(lock_);
  auto earliest = EarliestLocked();
  return earliest == timers_.end() ? kNever : earliest->second.due;
}

void TimerService::CatchUp(uint64_t now) {
  std::unique_lock<std::mutex> hold(lock_);
  if (timers_.empty() || !thread_.joinable() || stopping_) return;
  catchUpTo_ = now;
  catchUpPending_ = true;
  const uint64_t ticket = catchUpsDone_;
  wake_.notify_all();
  idle_.wait(hold, [this, ticket] { return catchUpsDone_ != ticket || stopping_; });
}

void TimerService::ClockSwitched(bool isVirtual) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    virtual_ = isVirtual;
  }
  wake_.notify_all();
}

void TimerService::RunDue(std::unique_lock<std::mutex> &hold, uint64_t limit) {
  for (;;) {
    auto earliest = EarliestLocked();
    if (earliest == timers_.end() || earliest->second.due > limit || stopping_) return;
    const UINT id = earliest->first;
    const Timer timer = earliest->second;
    if (timer.period == 0) {
      timers_.erase(earliest);
    } else {
      earliest->second.due += timer.period;
      earliest->second.order = nextOrder_++;
      if (!virtual_ && earliest->second.due + kMaxLagNanoseconds < limit) earliest->second.due = limit;
    }
    running_ = id;
    hold.unlock();
    timer.callback(id, 0, timer.user, 0, 0);
    hold.lock();
    running_ = 0;
    idle_.notify_all();
  }
}

void TimerService::ThreadMain() {
  MachineClock::MarkConsumerThread();
  std::unique_lock<std::mutex> hold(lock_);
  while (!stopping_) {
    if (catchUpPending_) {
      // The virtual clock stands at an instant: run what is due there.
      RunDue(hold, catchUpTo_);
      catchUpPending_ = false;
      ++catchUpsDone_;
      idle_.notify_all();
      continue;
    }
    if (virtual_) {
      wake_.wait(hold);
      continue;
    }
    auto earliest = EarliestLocked();
    if (earliest == timers_.end()) {
      wake_.wait(hold);
      continue;
    }
    const uint64_t due = earliest->second.due;
    const uint64_t now = MachineClock::Get().Now();
    if (due > now) {
      wake_.wait_for(hold, std::chrono::nanoseconds(due - now));
      continue;
    }
    RunDue(hold, now);
  }
}

namespace {
void ResetTimers() { TimerService::Get().Reset(); }
ResetHook gResetTimers(ResetTimers);
}  // namespace

}  // namespace platform
