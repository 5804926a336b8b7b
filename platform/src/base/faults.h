// Fault injection as the platform's implementations see it: each operation
// asks, on entry, whether it must fail and with which result.
#pragma once

#include <windows.h>

namespace platform {

// True (and the result to fail with) when a fault is pending for `operation`;
// consumes one pending fault.
bool TakeFault(const char *operation, HRESULT *result);

// For Win32 functions: consumes a pending fault of `operation` and makes its
// result the thread's last error; true when the call must fail.
bool TakeWin32Fault(const char *operation);

void ResetFaults();

}  // namespace platform
