// The allocation gate: a countdown of allocations still allowed before the
// armed failures begin, and the text copies made through it. Allocations
// happen on the host's thread; the counts are atomic all the same, so a test
// may arm them from anywhere.
#include "core/allocation.h"

#include <atomic>
#include <cstring>

#include "core/state_reset.h"

namespace korvane {

namespace {

std::atomic<int> gPassing{0};
std::atomic<int> gFailing{0};

void ClearAllocationFailures() { FailAllocationsAfter(0, 0); }
const StateResetHook gResetAllocations(ResetStage::kCore, ClearAllocationFailures);

// A new char array of `length` + 1 bytes through the gate, or null.
char *NewText(size_t length) {
  if (!AllocationAllowed()) return nullptr;
  return new (std::nothrow) char[length + 1];
}

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
  if (text == nullptr) return nullptr;
  const size_t length = std::strlen(text);
  char *copy = NewText(length);
  if (copy != nullptr) std::memcpy(copy, text, length + 1);
  return copy;
}

char *JoinText(const char *first, const char *second, const char *third) {
  const char *const parts[] = {first, second, third};
  size_t lengths[3];
  size_t total = 0;
  for (int i = 0; i < 3; ++i) total += lengths[i] = std::strlen(parts[i]);
  char *text = NewText(total);
  if (text == nullptr) return nullptr;
  char *at = text;
  for (int i = 0; i < 3; ++i) {
    std::memcpy(at, parts[i], lengths[i]);
    at += lengths[i];
  }
  *at = '\0';
  return text;
}

}  // namespace korvane
