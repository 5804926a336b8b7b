// The platform's multimedia timers: device capabilities and period
// requests, argument checks, firing order on the virtual clock, killing and
// re-arming from inside a callback (as a module player changes tempo), and
// killing from another thread while a callback runs.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "machine.h"
#include "machine_clock.h"
#include "support/test_machine.h"

namespace {

// What the callbacks saw: which timer fired, at which machine time, on
// which thread.
struct Firing {
  UINT id;
  DWORD at;
  std::thread::id thread;
};

std::mutex gFiringsLock;
std::vector<Firing> gFirings;

void CALLBACK Record(UINT id, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
  std::lock_guard<std::mutex> hold(gFiringsLock);
  gFirings.push_back(Firing{id, timeGetTime(), std::this_thread::get_id()});
}

std::vector<std::pair<UINT, DWORD>> Firings() {
  std::lock_guard<std::mutex> hold(gFiringsLock);
  std::vector<std::pair<UINT, DWORD>> seen;
  for (const Firing &firing : gFirings) seen.emplace_back(firing.id, firing.at);
  return seen;
}

class TimersTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    machine::use_virtual_machine_clock();
    std::lock_guard<std::mutex> hold(gFiringsLock);
    gFirings.clear();
  }
  void TearDown() override {
    machine::reset();  // kills what a test left running
    MachineTest::TearDown();
  }
};

TEST_F(TimersTest, CapabilitiesAndBalancedPeriods) {
  TIMECAPS caps{};
  EXPECT_EQ(timeGetDevCaps(nullptr, sizeof caps), static_cast<MMRESULT>(TIMERR_NOCANDO));
  EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps - 1), static_cast<MMRESULT>(TIMERR_NOCANDO));
  ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(caps.wPeriodMin, 1u);
  EXPECT_EQ(caps.wPeriodMax, 1000000u);

  struct Step {
    bool begin;
    UINT period;
    MMRESULT expected;
    int inForce;
  } steps[] = {
      {true, 0, TIMERR_NOCANDO, 0},         {true, 1000001, TIMERR_NOCANDO, 0}, {true, 1, TIMERR_NOERROR, 1},
      {true, 1, TIMERR_NOERROR, 2},         {true, 5, TIMERR_NOERROR, 3},       {false, 2, TIMERR_NOCANDO, 3},
      {false, 1, TIMERR_NOERROR, 2},        {false, 1, TIMERR_NOERROR, 1},      {false, 1, TIMERR_NOCANDO, 1},
      {false, 1000001, TIMERR_NOCANDO, 1},  {false, 5, TIMERR_NOERROR, 0},
  };
  for (const Step &step : steps) {
    SCOPED_TRACE(testing::Message() << (step.begin ? "begin " : "end ") << step.period);
    EXPECT_EQ(step.begin ? timeBeginPeriod(step.period) : timeEndPeriod(step.period), step.expected);
    EXPECT_EQ(machine::timer_periods_in_force(), step.inForce);
  }
}

TEST_F(TimersTest, BadEventsAreRefusedWithoutEffect) {
  struct Case {
    const char *name;
    UINT delay;
    LPTIMECALLBACK callback;
    UINT flags;
  } cases[] = {
      {"no delay", 0, Record, TIME_PERIODIC},
      {"delay past the maximum", 1000001, Record, TIME_ONESHOT},
      {"no callback", 10, nullptr, TIME_PERIODIC},
      {"event to set", 10, Record, TIME_CALLBACK_EVENT_SET},
      {"event to pulse", 10, Record, TIME_PERIODIC | TIME_CALLBACK_EVENT_PULSE},
  };
  for (const Case &c : cases) EXPECT_EQ(timeSetEvent(c.delay, 1, c.callback, 0, c.flags), 0u) << c.name;
  EXPECT_EQ(machine::live_multimedia_timers(), 0);
  EXPECT_EQ(timeKillEvent(0), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
  EXPECT_EQ(timeKillEvent(4242), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
  // A one-shot timer that fired is gone.
  const UINT once = timeSetEvent(5, 1, Record, 0, TIME_ONESHOT);
  ASSERT_NE(once, 0u);
  machine::advance_machine_clock(5);
  EXPECT_EQ(timeKillEvent(once), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
  EXPECT_EQ(Firings().size(), 1u);
}

TEST_F(TimersTest, EventsFireInTimeOrderOnTheTimerThread) {
  const UINT every7 = timeSetEvent(7, 1, Record, 0, TIME_PERIODIC);
  const UINT every10 = timeSetEvent(10, 1, Record, 0, TIME_PERIODIC | TIME_CALLBACK_FUNCTION);
  const UINT once25 = timeSetEvent(25, 1, Record, 0, TIME_ONESHOT);
  ASSERT_TRUE(every7 != 0 && every10 != 0 && once25 != 0);
  EXPECT_TRUE(every7 != every10 && every10 != once25 && every7 != once25);
  machine::advance_machine_clock(6.5);
  EXPECT_TRUE(Firings().empty());
  // One advance over many due times: each firing, in order, at its time.
  machine::advance_machine_clock(33.5);
  const std::vector<std::pair<UINT, DWORD>> expected = {
      {every7, 7},  {every10, 10}, {every7, 14}, {every10, 20}, {every7, 21}, {once25, 25},
      {every7, 28}, {every10, 30}, {every7, 35}, {every10, 40},
  };
  EXPECT_EQ(Firings(), expected);
  EXPECT_EQ(timeGetTime(), 40u);
  std::lock_guard<std::mutex> hold(gFiringsLock);
  for (const Firing &firing : gFirings) EXPECT_NE(firing.thread, std::this_thread::get_id());
  for (const Firing &firing : gFirings) EXPECT_EQ(firing.thread, gFirings.front().thread) << "one timer thread";
}

// A tempo change as a module player makes it: on its third tick the timer
// kills itself and sets a faster one from inside its own callback.
std::atomic<int> gTicks{0};
std::atomic<UINT> gFaster{0};

void CALLBACK ChangeTempo(UINT id, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  Record(id, message, user, 0, 0);
  if (++gTicks != 3) return;
  EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
  gFaster = timeSetEvent(3, 1, Record, 0, TIME_PERIODIC);
  EXPECT_NE(gFaster.load(), 0u);
  EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(MMSYSERR_INVALPARAM)) << "already killed";
}

TEST_F(TimersTest, CallbackKillsItselfAndSetsTheNextTimer) {
  gTicks = 0;
  const UINT slow = timeSetEvent(6, 1, ChangeTempo, 0, TIME_PERIODIC);
  ASSERT_NE(slow, 0u);
  machine::advance_machine_clock(30);
  const UINT fast = gFaster.load();
  const std::vector<std::pair<UINT, DWORD>> expected = {{slow, 6},  {slow, 12}, {slow, 18}, {fast, 21},
                                                        {fast, 24}, {fast, 27}, {fast, 30}};
  EXPECT_EQ(Firings(), expected);
  EXPECT_EQ(machine::live_multimedia_timers(), 1);
  EXPECT_EQ(timeKillEvent(fast), static_cast<MMRESULT>(TIMERR_NOERROR));
}

// A callback that holds the timer thread until the test lets it go.
struct Gate {
  std::mutex lock;
  std::condition_variable changed;
  bool entered = false;
  bool open = false;
  bool returned = false;
  int calls = 0;
};
Gate *gGate = nullptr;

void CALLBACK Held(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
  std::unique_lock<std::mutex> hold(gGate->lock);
  ++gGate->calls;
  gGate->entered = true;
  gGate->changed.notify_all();
  gGate->changed.wait(hold, [] { return gGate->open; });
  gGate->returned = true;
}

TEST_F(TimersTest, KillFromAnotherThreadWaitsForTheRunningCallback) {
  Gate gate;
  gGate = &gate;
  const UINT id = timeSetEvent(5, 1, Held, 0, TIME_PERIODIC);
  ASSERT_NE(id, 0u);
  std::thread advancer([] { machine::advance_machine_clock(5); });
  {
    std::unique_lock<std::mutex> hold(gate.lock);
    gate.changed.wait(hold, [&gate] { return gate.entered; });
  }
  bool returnedWhenKilled = false;
  std::thread killer([id, &gate, &returnedWhenKilled] {
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
    std::lock_guard<std::mutex> hold(gate.lock);
    returnedWhenKilled = gate.returned;
  });
  {
    std::lock_guard<std::mutex> hold(gate.lock);
    gate.open = true;
  }
  gate.changed.notify_all();
  killer.join();
  advancer.join();
  EXPECT_TRUE(returnedWhenKilled) << "timeKillEvent returned while its callback still ran";
  machine::advance_machine_clock(50);
  EXPECT_EQ(gate.calls, 1) << "a killed timer fired again";
  EXPECT_EQ(machine::live_multimedia_timers(), 0);
  gGate = nullptr;
}

TEST_F(TimersTest, TimeGetTimeAndResetFollowTheMachineClock) {
  EXPECT_EQ(timeGetTime(), 0u);
  machine::advance_machine_clock(1234.9);
  EXPECT_EQ(timeGetTime(), 1234u);
  machine::use_virtual_machine_clock();  // starts at zero again
  EXPECT_EQ(timeGetTime(), 0u);
  ASSERT_NE(timeSetEvent(10, 1, Record, 0, TIME_PERIODIC), 0u);
  ASSERT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  machine::reset();
  EXPECT_EQ(machine::live_multimedia_timers(), 0);
  EXPECT_EQ(machine::timer_periods_in_force(), 0);
  machine::use_virtual_machine_clock();
  machine::advance_machine_clock(100);
  EXPECT_TRUE(Firings().empty());
}

}  // namespace
