// The reference-kernel switch: one atomic flag, so that the control
// interface may flip it while another thread draws.
#include "pixels/reference_switch.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace pixels {

namespace {

std::atomic<bool> &Forced() {
  static std::atomic<bool> forced{ReferenceKernelsAskedByEnvironment()};
  return forced;
}

}  // namespace

bool ReferenceKernelsAskedByEnvironment() {
  const char *value = std::getenv("KORVANE_REFERENCE_PIXELS");
  return value != nullptr && value[0] != '\0' && strcmp(value, "0") != 0;
}

bool ReferenceKernelsForced() { return Forced().load(std::memory_order_relaxed); }

void ForceReferenceKernels(bool forced) { Forced().store(forced, std::memory_order_relaxed); }

}  // namespace pixels
