// The machine interface of the machine clock and the multimedia timers.
// One clock drives the display's vertical blank and flips, the sound
// card's mixing, input time stamps, timeGetTime and the multimedia timers.
#pragma once

#include "machine_api.h"

namespace machine MACHINE_API {

// Real time by default. The virtual clock starts at 0 ms and moves only
// when advanced (or when a wait for the display jumps it forward). An
// advance steps from one due timer to the next, in order: at each step the
// sound up to that instant is mixed and the due timer callbacks run on the
// timer thread; it returns when all of that is done. Asking for the virtual
// clock again starts it at 0 again. machine::reset() brings back real time.
void use_virtual_machine_clock();
void use_real_machine_clock();
void advance_machine_clock(double milliseconds);
// Milliseconds since the clock last started at 0.
double machine_clock_ms();

// Multimedia timers alive (set and not yet killed or fired once), and the
// timeBeginPeriod requests not yet ended.
int live_multimedia_timers();
int timer_periods_in_force();

}  // namespace machine
