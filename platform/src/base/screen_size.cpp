// The current screen size, one atomic word so a reader never sees the width
// of one mode with the height of another.
#include "base/screen_size.h"

#include <atomic>
#include <cstdint>

namespace {

constexpr uint64_t Pack(int width, int height) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(width)) << 32) | static_cast<uint32_t>(height);
}

std::atomic<uint64_t> gScreenSize{Pack(1024, 768)};

}  // namespace

namespace platform {

ScreenSize CurrentScreenSize() {
  const uint64_t packed = gScreenSize.load(std::memory_order_acquire);
  return ScreenSize{static_cast<int>(packed >> 32), static_cast<int>(static_cast<uint32_t>(packed))};
}

void SetCurrentScreenSize(int width, int height) { gScreenSize.store(Pack(width, height), std::memory_order_release); }

}  // namespace platform
