// Fault injection as the platform's implementations see it: each operation
// asks, on entry, whether it must fail and with which result.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>

namespace platform {

// True (and the result to fail with) when a fault is pending for `operation`;
// consumes one pending fault.
bool TakeFault(const char *operation, HRESULT *result);
// The same for the multimedia functions, which answer with an MMRESULT.
bool TakeFault(const char *operation, MMRESULT *result);

// For Win32 functions: consumes a pending fault of `operation` and makes its
// result the thread's last error; true when the call must fail.
bool TakeWin32Fault(const char *operation);

// Arms `operation`: after `passing` calls that still succeed, its next
// `count` calls fail with `result` (kEveryCall: every call until reset);
// a count of 0 clears it.
constexpr int kEveryCall = -1;
void ArmFault(const std::string &operation, int count, HRESULT result, int passing = 0);
// The faults still pending for `operation` (kEveryCall when armed for
// every call).
int PendingFaults(const std::string &operation);

void ResetFaults();

}  // namespace platform
