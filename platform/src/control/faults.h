// Fault injection as the platform's implementations see it: each operation
// asks, on entry, whether it must fail and with which result.
#pragma once

#include <windows.h>

namespace platform {

// True (and the result to fail with) when a fault is pending for `operation`;
// consumes one pending fault.
bool TakeFault(const char *operation, HRESULT *result);

void ResetFaults();

}  // namespace platform
