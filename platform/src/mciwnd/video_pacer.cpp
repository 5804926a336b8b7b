// The pacer of the media windows: a clock consumer after the mixer (sound
// up to an instant exists before its frame shows) and a thread for real
// time. Windows are held by shared pointers taken under the pacer's lock and
// called without it.
#include "mciwnd/video_pacer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "base/machine_time.h"

namespace platform {

namespace {

class Pacer final : public ClockConsumer {
 public:
  Pacer() {
    MachineClock &clock = MachineClock::Get();
    virtual_ = clock.IsVirtual();
    clock.Register(this);
    thread_ = std::thread([this] { ThreadMain(); });
    thread_.detach();
  }

  void Add(const std::shared_ptr<Paced> &paced) {
    std::lock_guard<std::mutex> hold(lock_);
    windows_.push_back(paced);
    wake_.notify_all();
  }

  void Remove(const Paced *paced) {
    std::lock_guard<std::mutex> hold(lock_);
    windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                  [paced](const std::shared_ptr<Paced> &each) { return each.get() == paced; }),
                   windows_.end());
    wake_.notify_all();
  }

  void Wake() {
    std::lock_guard<std::mutex> hold(lock_);
    ++changes_;
    wake_.notify_all();
  }

  Stage stage() const override { return Stage::kTimers; }

  uint64_t NextDue() override {
    uint64_t next = kNever;
    for (const auto &paced : Windows()) next = std::min(next, paced->NextDue());
    return next;
  }

  void CatchUp(uint64_t now) override {
    for (const auto &paced : Windows()) paced->CatchUp(now);
  }

  void ClockSwitched(bool isVirtual) override {
    std::lock_guard<std::mutex> hold(lock_);
    virtual_ = isVirtual;
    wake_.notify_all();
  }

 private:
  std::vector<std::shared_ptr<Paced>> Windows() {
    std::lock_guard<std::mutex> hold(lock_);
    return windows_;
  }

  // Real time: sleeps until the earliest due window (or a change) and lets
  // every window catch up to the clock.
  void ThreadMain() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
      if (virtual_ || windows_.empty()) {
        wake_.wait(hold);
        continue;
      }
      const uint64_t seen = changes_;
      hold.unlock();
      const uint64_t due = NextDue();
      const uint64_t now = MachineClock::Get().Now();
      hold.lock();
      if (virtual_ || changes_ != seen) continue;
      if (due > now) {
        const auto wait = due == kNever ? std::chrono::nanoseconds(std::chrono::seconds(3600))
                                        : std::chrono::nanoseconds(due - now);
        wake_.wait_for(hold, wait);
        continue;
      }
      hold.unlock();
      CatchUp(MachineClock::Get().Now());
      hold.lock();
    }
  }

  std::mutex lock_;
  std::condition_variable wake_;
  std::vector<std::shared_ptr<Paced>> windows_;
  uint64_t changes_ = 0;
  bool virtual_ = false;
  std::thread thread_;
};

// Made on first use and never destroyed: the clock and the thread may call
// it until the process ends.
Pacer &ThePacer() {
  static Pacer *pacer = new Pacer();
  return *pacer;
}

}  // namespace

void StartPacing(const std::shared_ptr<Paced> &paced) { ThePacer().Add(paced); }

void StopPacing(const Paced *paced) { ThePacer().Remove(paced); }

void PacingChanged() { ThePacer().Wake(); }

}  // namespace platform
