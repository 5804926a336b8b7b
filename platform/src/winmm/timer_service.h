// The multimedia timers' service: one thread of the platform's own runs
// every timer callback, in due order, on the machine clock. Under the
// virtual clock the thread runs exactly the callbacks an advance makes due,
// and the advance waits for them.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

#include "base/machine_time.h"

namespace platform {

class TimerService : public ClockConsumer {
 public:
  static TimerService &Get();
  ~TimerService() override;

  // A new timer due `delayMs` from now; 0 when it cannot be made.
  UINT Set(UINT delayMs, LPTIMECALLBACK callback, DWORD_PTR user, bool periodic);
  // Removes a timer. Called from outside its callback, it returns only
  // once a callback of it that is running has returned.
  MMRESULT Kill(UINT id);
  MMRESULT BeginPeriod(UINT period);
  MMRESULT EndPeriod(UINT period);

  int LiveTimers();
  int PeriodsInForce();
  // Kills every timer and forgets every period.
  void Reset();

  Stage stage() const override { return Stage::kTimers; }
  uint64_t NextDue() override;
  void CatchUp(uint64_t now) override;
  void ClockSwitched(bool isVirtual) override;

 private:
  struct Timer {
    uint64_t due;     // machine nanoseconds
    uint64_t order;   // ties at one instant fire in the order they were set
    uint64_t period;  // nanoseconds; 0 for a one-shot timer
    LPTIMECALLBACK callback;
    DWORD_PTR user;
  };

  TimerService();
  void StartThreadLocked();
  void ThreadMain();
  // Runs, in due order, every callback due at or before `limit`.
  void RunDue(std::unique_lock<std::mutex> &hold, uint64_t limit);
  std::map<UINT, Timer>::iterator EarliestLocked();
  bool OnTimerThread() const { return std::this_thread::get_id() == thread_.get_id(); }

  std::mutex lock_;
  std::condition_variable wake_;  // the timer thread: new work
  std::condition_variable idle_;  // callers: a callback or a catch-up ended
  std::map<UINT, Timer> timers_;
  std::map<UINT, int> periods_;
  UINT nextId_ = 1;
  uint64_t nextOrder_ = 0;
  UINT running_ = 0;  // the timer whose callback runs now
  bool virtual_ = false;
  bool catchUpPending_ = false;
  uint64_t catchUpTo_ = 0;
  uint64_t catchUpsDone_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace platform
