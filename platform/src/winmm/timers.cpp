// The WinMM multimedia timer functions: device capabilities, period
// requests, one-shot and periodic events, and the millisecond time, all on
// the machine clock.
#include <windows.h>
#include <mmsystem.h>

#include <cmath>

#include "base/machine_time.h"
#include "winmm/timer_service.h"

namespace {

// Like Windows: periods and delays from 1 ms to 1000 s.
constexpr UINT kPeriodMin = 1;
constexpr UINT kPeriodMax = 1000000;

}  // namespace

extern "C" MMRESULT WINAPI timeGetDevCaps(LPTIMECAPS caps, UINT size) {
  if (caps == nullptr || size < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
  caps->wPeriodMin = kPeriodMin;
  caps->wPeriodMax = kPeriodMax;
  return TIMERR_NOERROR;
}

extern "C" MMRESULT WINAPI timeBeginPeriod(UINT period) { return platform::TimerService::Get().BeginPeriod(period); }

extern "C" MMRESULT WINAPI timeEndPeriod(UINT period) { return platform::TimerService::Get().EndPeriod(period); }

extern "C" MMRESULT WINAPI timeSetEvent(UINT delay, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
  // Only function callbacks exist here; event handles are not signalled.
  if ((flags & (TIME_CALLBACK_EVENT_SET | TIME_CALLBACK_EVENT_PULSE)) != 0) return 0;
  return platform::TimerService::Get().Set(delay, callback, user, (flags & TIME_PERIODIC) != 0);
}

extern "C" MMRESULT WINAPI timeKillEvent(UINT id) { return platform::TimerService::Get().Kill(id); }

extern "C" DWORD WINAPI timeGetTime(void) {
  // Whole milliseconds since the clock started; wraps after 49.7 days.
  const double milliseconds = platform::MachineClock::Get().Milliseconds();
  return static_cast<DWORD>(static_cast<uint64_t>(std::floor(milliseconds)));
}
