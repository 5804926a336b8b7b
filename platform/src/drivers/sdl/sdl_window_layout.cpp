// The window's picture placement: aspect-kept fit and whole-factor scaling.
#include "drivers/sdl/sdl_window_layout.h"

#include <algorithm>
#include <cstdint>

namespace present {

Placement PlaceFrame(int frameWidth, int frameHeight, int windowWidth, int windowHeight, bool integerScaling) {
  if (frameWidth <= 0 || frameHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) return Placement{0, 0, 0, 0};
  int width;
  int height;
  if (integerScaling) {
    const int factor = std::max(1, std::min(windowWidth / frameWidth, windowHeight / frameHeight));
    width = frameWidth * factor;
    height = frameHeight * factor;
  } else if (static_cast<int64_t>(windowWidth) * frameHeight <= static_cast<int64_t>(windowHeight) * frameWidth) {
    // The window is narrower than the frame's aspect: fill its width.
    width = windowWidth;
    height = static_cast<int>(static_cast<int64_t>(frameHeight) * windowWidth / frameWidth);
  } else {
    height = windowHeight;
    width = static_cast<int>(static_cast<int64_t>(frameWidth) * windowHeight / frameHeight);
  }
  return Placement{(windowWidth - width) / 2, (windowHeight - height) / 2, width, height};
}

bool WindowToFrame(const Placement &placement, int frameWidth, int frameHeight, int windowX, int windowY,
                   int *frameX, int *frameY) {
  if (placement.width <= 0 || placement.height <= 0) return false;
  const int64_t dx = windowX - placement.x;
  const int64_t dy = windowY - placement.y;
  if (dx < 0 || dy < 0 || dx >= placement.width || dy >= placement.height) return false;
  *frameX = static_cast<int>(dx * frameWidth / placement.width);
  *frameY = static_cast<int>(dy * frameHeight / placement.height);
  return true;
}

}  // namespace present
