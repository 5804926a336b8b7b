// The allocation gate: a countdown of allocations still allowed before the
// armed failures begin. Allocations happen on the host's thread; the counts
// are atomic all the same, so a test may arm them from anywhere.
#include "core/allocation.h"

#include <atomic>
#include <cstring>

namespace korvane {

namespace {

std::atomic<int> gPassing{0};
std::atomic<int> gFailing{0};

}  // namespace

bool AllocationAllowed() {
  if (gFailing.load(std::memory_order_relaxed) == 0) return true;
  if (gPassing.load(std::memory_order_relaxed) > 0) {
    gPassing.fetch_sub(1, std::memory_order_relaxed);
    return true;
  }
  gFailing.fetch_sub(1, std::memory_order_relaxed);
  return false;
}

void FailAllocationsAfter(int passing, int count) {
  gPassing.store(passing > 0 ? passing : 0, std::memory_order_relaxed);
  gFailing.store(count > 0 ? count : 0, std::memory_order_relaxed);
}

char *CopyText(const char *text) {
  if (text == nullptr || !AllocationAllowed()) return nullptr;
  const size_t length = std::strlen(text);
  char *copy = new (std::nothrow) char[length + 1];
  if (copy != nullptr) std::memcpy(copy, text, length + 1);
  return copy;
}

}  // namespace korvane
