// Local time as the machine interface sets it: a fixed time, or the real
// clock again.
#pragma once

#include <windows.h>

namespace platform {

// GetLocalTime reports `time` from now on, until the real clock is asked for.
void FixLocalTime(const SYSTEMTIME &time);
void UseRealLocalTime();

}  // namespace platform
