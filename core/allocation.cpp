// The allocation gate behind NewOrNull and JoinText, and the joined texts.
#include "core/allocation.h"

#include <cstring>

#include "core/state_reset.h"

namespace {

int gAllocationsToPass = 0;
int gAllocationsToFail = 0;

void ClearAllocationFailures() { gAllocationsToPass = gAllocationsToFail = 0; }
const korvane::StateResetHook gResetAllocations(korvane::ResetStage::kCore, ClearAllocationFailures);

}  // namespace

bool AllocationAllowed() {
  if (gAllocationsToFail == 0) return true;
  if (gAllocationsToPass > 0) {
    --gAllocationsToPass;
    return true;
  }
  --gAllocationsToFail;
  return false;
}

char *JoinText(const char *first, const char *second, const char *third) {
  const char *const parts[] = {first, second, third};
  size_t lengths[3];
  size_t total = 1;
  for (int i = 0; i < 3; ++i) total += lengths[i] = strlen(parts[i]);
  if (!AllocationAllowed()) return nullptr;
  char *text = new (std::nothrow) char[total];
  if (text == nullptr) return nullptr;
  char *at = text;
  for (int i = 0; i < 3; ++i) {
    memcpy(at, parts[i], lengths[i]);
    at += lengths[i];
  }
  *at = '\0';
  return text;
}

namespace korvane {

void FailAllocationsForTests(int succeeding, int failing) {
  gAllocationsToPass = succeeding > 0 ? succeeding : 0;
  gAllocationsToFail = failing > 0 ? failing : 0;
}

}  // namespace korvane
