// The library's own heap allocations (records and list nodes of the
// registries, mode records, copies of names): never throwing, and able to
// fail on purpose so that every out-of-memory path can be exercised. An
// exported function must never let an exception reach a C host, so running
// out of memory is a null pointer that the caller reports like any failure.
#pragma once

#include <cstddef>
#include <new>

namespace korvane {

// True when the next allocation may go ahead; false when an armed failure
// takes it instead.
bool AllocationAllowed();

// Arms failures: the next `passing` allocations succeed, then `count` fail.
// A count of 0 disarms; the test reset disarms too. Not exported: only code
// linked with the library's objects (its tests) can reach it.
void FailAllocationsAfter(int passing, int count);

// A value-initialised T made from `args`, or null when memory (or an armed
// failure) says no. Only for types whose construction cannot throw.
template <typename T, typename... Args>
T *New(Args &&...args) {
  if (!AllocationAllowed()) return nullptr;
  return new (std::nothrow) T{static_cast<Args &&>(args)...};
}

// The library's own copy of a zero-terminated text (free with delete[]), or null.
char *CopyText(const char *text);

// The three texts joined in a new char array (free with delete[]), or null.
char *JoinText(const char *first, const char *second, const char *third);

}  // namespace korvane
