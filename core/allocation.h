// Memory for the library's own records and texts. Nothing here throws: an
// exported function must never let an exception reach a C host, so running
// out of memory is a null pointer that the caller reports like any failure.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

// False when the allocation about to be made is to fail because a test asked
// for it; otherwise true.
bool AllocationAllowed();

// A new T made from `args`, or null when memory is short. Only for types
// whose construction cannot throw.
template <typename T, typename... Args>
T *NewOrNull(Args &&...args) {
  if (!AllocationAllowed()) return nullptr;
  return new (std::nothrow) T{std::forward<Args>(args)...};
}

// The three texts joined in a new char array (free with delete[]), or null.
char *JoinText(const char *first, const char *second, const char *third);

namespace korvane {

// Lets the next `succeeding` allocations through NewOrNull and JoinText go,
// then makes `failing` of them fail. For tests only; the reset clears it.
void FailAllocationsForTests(int succeeding, int failing);

}  // namespace korvane
