// The periodic multimedia timer that paces the module player: its period
// follows the tempo, and every three timer steps make one player tick.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>

namespace music {

struct TickTimerState {
  UINT resolution;
  UINT id;
  float exactPeriod;  // ms
  int wholePeriod;    // ms
  float accumulator;  // ms
  int step;           // 0 ... 2
  uint8_t appliedTempo;
};

extern TickTimerState gTickTimer;
// The tempo the timer follows: set by MOD_SETBPM, from either thread.
extern std::atomic<uint8_t> gDriverTempo;
// Called once per player tick on the timer thread (the player hook).
extern void (*gPlayerTick)();

// The exact period (ms) of the timer for a tempo: 825 / tempo.
float ExactPeriodForTempo(int tempo);

void StartTickTimer();
void StopTickTimer();
// The timer's callback work, exposed for the tests' stepping.
void TimerFired();

}  // namespace music
