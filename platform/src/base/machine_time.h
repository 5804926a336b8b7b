// The one clock of the simulated machine. Display timing, audio mixing,
// input time stamps and multimedia timers all read it. It follows real time
// by default; under the virtual clock it moves only when advanced, and an
// advance lets every registered consumer do the work that time implies.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

constexpr uint64_t kNever = UINT64_MAX;
constexpr uint64_t kNanosecondsPerMillisecond = 1000000;

// Something that does work as machine time passes. Consumers are called in
// their stage order at each instant an advance stops at: the mixer first
// (so sound up to that instant exists), then the timers.
class ClockConsumer {
 public:
  enum class Stage { kMix = 0, kTimers = 1 };
  virtual ~ClockConsumer() = default;
  virtual Stage stage() const = 0;
  // The next instant (machine nanoseconds) at which this consumer must run,
  // kNever when none. An advance stops at every such instant in turn.
  virtual uint64_t NextDue() = 0;
  // Does the work due up to `now` and returns when it is done. Called with
  // no clock lock held.
  virtual void CatchUp(uint64_t now) = 0;
  // The clock switched between real and virtual time.
  virtual void ClockSwitched(bool isVirtual) = 0;
};

class MachineClock {
 public:
  static MachineClock &Get();

  // Monotonic machine time in nanoseconds; never goes back, not even when
  // the clock switches between real and virtual time.
  uint64_t Now();
  // Milliseconds since the clock was last started at zero (power-on, reset
  // or the switch to a virtual clock): what the display and timeGetTime
  // report.
  double Milliseconds();
  uint64_t StartedAt();
  bool IsVirtual();

  // A virtual clock that starts at zero (again, when already virtual), or
  // real time going on from where the clock stands.
  void UseVirtual();
  void UseReal();

  // Virtual clock only: moves time forward to `until`, stopping at each
  // instant a consumer is due, in order, and letting every consumer catch
  // up there. Advances from several threads run one after the other; one
  // asked from inside a consumer's work (a timer callback) moves the end of
  // the advance in progress instead and returns at once.
  void AdvanceBy(uint64_t nanoseconds);
  void AdvanceTo(uint64_t until);
  // Waits until `when`: real time sleeps, the virtual clock advances.
  void WaitUntil(uint64_t when);

  void Register(ClockConsumer *consumer);
  void Unregister(ClockConsumer *consumer);

  // Power-on: the real clock, started at zero.
  void Reset();

  // Marks the calling thread as one doing a consumer's work (the timer
  // thread), so that an advance it asks for does not wait for itself.
  static void MarkConsumerThread();

 private:
  MachineClock();
  uint64_t NowLocked() const;
  void Switch(bool toVirtual);

  std::mutex lock_;
  std::condition_variable advanceDone_;
  bool virtual_ = false;
  uint64_t virtualNow_ = 0;
  // Real time: machine time = steady clock - realOrigin_ + realBase_.
  int64_t realOrigin_ = 0;
  uint64_t realBase_ = 0;
  uint64_t epoch_ = 0;
  bool advancing_ = false;
  uint64_t advanceEnd_ = 0;
  std::vector<ClockConsumer *> consumers_;
};

}  // namespace platform
