// The machine clock's and the multimedia timers' part of the control
// interface.
#include <cmath>

#include "base/machine_time.h"
#include "machine_clock.h"
#include "winmm/timer_service.h"

namespace machine {

void use_virtual_machine_clock() { platform::MachineClock::Get().UseVirtual(); }

void use_real_machine_clock() { platform::MachineClock::Get().UseReal(); }

void advance_machine_clock(double milliseconds) {
  // NaN, negative and zero advances move nothing.
  if (!(milliseconds > 0)) return;
  const double nanoseconds = std::round(milliseconds * static_cast<double>(platform::kNanosecondsPerMillisecond));
  platform::MachineClock::Get().AdvanceBy(nanoseconds >= 1.8e19 ? platform::kNever
                                                                 : static_cast<uint64_t>(nanoseconds));
}

double machine_clock_ms() { return platform::MachineClock::Get().Milliseconds(); }

int live_multimedia_timers() { return platform::TimerService::Get().LiveTimers(); }

int timer_periods_in_force() { return platform::TimerService::Get().PeriodsInForce(); }

}  // namespace machine
