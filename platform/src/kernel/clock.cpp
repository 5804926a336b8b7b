// Local time: the real clock, or a fixed time a test or host has set.
#include "kernel/clock.h"

#include <ctime>
#include <mutex>
#include <sys/time.h>

#include "base/reset.h"

namespace {

std::mutex gClockLock;
bool gFixed = false;
SYSTEMTIME gFixedTime;

}  // namespace

extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME systemTime) {
  if (systemTime == nullptr) return;
  {
    std::lock_guard<std::mutex> hold(gClockLock);
    if (gFixed) {
      *systemTime = gFixedTime;
      return;
    }
  }
  struct timeval now;
  gettimeofday(&now, nullptr);
  struct tm local;
  localtime_r(&now.tv_sec, &local);
  systemTime->wYear = static_cast<WORD>(local.tm_year + 1900);
  systemTime->wMonth = static_cast<WORD>(local.tm_mon + 1);
  systemTime->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  systemTime->wDay = static_cast<WORD>(local.tm_mday);
  systemTime->wHour = static_cast<WORD>(local.tm_hour);
  systemTime->wMinute = static_cast<WORD>(local.tm_min);
  systemTime->wSecond = static_cast<WORD>(local.tm_sec > 59 ? 59 : local.tm_sec);
  systemTime->wMilliseconds = static_cast<WORD>(now.tv_usec / 1000);
}

namespace platform {

void FixLocalTime(const SYSTEMTIME &time) {
  std::lock_guard<std::mutex> hold(gClockLock);
  gFixed = true;
  gFixedTime = time;
}

void UseRealLocalTime() {
  std::lock_guard<std::mutex> hold(gClockLock);
  gFixed = false;
}

}  // namespace platform

namespace {
void ResetClock() { platform::UseRealLocalTime(); }
platform::ResetHook gResetClock(ResetClock);
}  // namespace
