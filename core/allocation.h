// The library's own heap allocations (records and list nodes of the
// registries, copies of names): zero-initialised, never throwing, and able
// to fail on purpose so that every out-of-memory path can be exercised.
#pragma once

#include <cstddef>
#include <new>

namespace korvane {

// True when the next allocation may go ahead; false when an armed failure
// takes it instead.
bool AllocationAllowed();

// Arms failures: the next `passing` allocations succeed, then `count` fail.
// A count of 0 disarms. Not exported: only code linked with the library's
// objects (its tests) can reach it.
void FailAllocationsAfter(int passing, int count);

// A value-initialised T, or null when memory (or an armed failure) says no.
template <typename T, typename... Args>
T *New(Args &&...args) {
  if (!AllocationAllowed()) return nullptr;
  return new (std::nothrow) T{static_cast<Args &&>(args)...};
}

// The library's own copy of a zero-terminated text, or null.
char *CopyText(const char *text);

}  // namespace korvane
