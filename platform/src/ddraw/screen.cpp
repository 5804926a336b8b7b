// The screen behind the primary surface. Windows draw into a copy of the
// image which then replaces it, so a reader holding the previous image
// (a capture, the presenter) never sees it change under it.
#include "ddraw/screen.h"

#include <algorithm>
#include <mutex>

#include "base/reset.h"
#include "base/screen_size.h"
#include "ddraw/palette.h"
#include "ddraw/surface.h"
#include "present/frame.h"
#include "present/presenter.h"

namespace platform {

namespace {

constexpr int kDesktopWidth = 1024;
constexpr int kDesktopHeight = 768;

struct ScreenState {
  std::mutex lock;
  int width = kDesktopWidth;
  int height = kDesktopHeight;
  bool primaryShown = false;
  // The last primary's image, or null (a black screen).
  std::shared_ptr<const ScreenImage> kept;
  // Set once a window drew on the screen.
  std::shared_ptr<const ScreenImage> drawn;
};

ScreenState &State() {
  static ScreenState state;
  return state;
}

const pixels::Format kRgbFormat{32, 0xFF0000, 0x00FF00, 0x0000FF, 0};

void ResetScreen() {
  ScreenState &state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  state.width = kDesktopWidth;
  state.height = kDesktopHeight;
  state.primaryShown = false;
  state.kept.reset();
  state.drawn.reset();
}

ResetHook gResetScreen(ResetScreen);

}  // namespace

void KeepScreenImage(const Surface *primary) {
  auto image = std::make_shared<ScreenImage>();
  if (!primary->lost()) {
    uint32_t colours[256];
    const auto *attached = dynamic_cast<const Palette *>(primary->palette());
    if (attached != nullptr) attached->ToRgb(colours);
    const pixels::Block block = primary->WholeBlock();
    const present::Frame frame{block, primary->format(), attached != nullptr ? colours : nullptr,
                               present::Area{0, 0, block.width, block.height}};
    image->width = block.width;
    image->height = block.height;
    image->rgb = present::FrameToRgb(frame);
  }
  ScreenState &state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  state.primaryShown = false;
  state.kept = image->rgb.empty() ? nullptr : std::shared_ptr<const ScreenImage>(std::move(image));
  state.drawn.reset();
}

void PrimaryShown() {
  ScreenState &state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  state.primaryShown = true;
  state.kept.reset();
  state.drawn.reset();
}

void ScreenModeChanged(int width, int height) {
  SetCurrentScreenSize(width, height);
  ScreenState &state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  state.width = width;
  state.height = height;
  state.kept.reset();
  state.drawn.reset();
}

bool DrawOnScreen(int x, int y, int width, int height, const uint32_t *rgb) {
  ScreenState &state = State();
  std::shared_ptr<const ScreenImage> shown;
  {
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.primaryShown || width <= 0 || height <= 0) return false;
    const std::shared_ptr<const ScreenImage> &before = state.drawn != nullptr ? state.drawn : state.kept;
    auto next = std::make_shared<ScreenImage>();
    if (before != nullptr && before->width == state.width && before->height == state.height) {
      *next = *before;
    } else {
      next->width = state.width;
      next->height = state.height;
      next->rgb.assign(static_cast<size_t>(state.width) * static_cast<size_t>(state.height), 0);
    }
    // The part of the picture inside the screen, in 64 bits so that no
    // position or size overflows.
    const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(static_cast<int64_t>(x) + width, next->width);
    const int64_t bottom = std::min<int64_t>(static_cast<int64_t>(y) + height, next->height);
    if (left >= right || top >= bottom) return false;
    for (int64_t row = top; row < bottom; ++row) {
      const uint32_t *from = rgb + (row - y) * width + (left - x);
      std::copy(from, from + (right - left), next->rgb.begin() + row * next->width + left);
    }
    state.drawn = next;
    shown = next;
  }
  const pixels::Block block{reinterpret_cast<uint8_t *>(const_cast<uint32_t *>(shown->rgb.data())),
                            static_cast<long>(shown->width) * 4, shown->width, shown->height, 4};
  present::Present(present::Frame{block, kRgbFormat, nullptr, present::Area{0, 0, shown->width, shown->height}});
  return true;
}

std::shared_ptr<const ScreenImage> DrawnScreen() {
  ScreenState &state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  return state.primaryShown ? nullptr : state.drawn;
}

namespace {

// A visible primary going away leaves its image on the screen.
struct Watching {
  Watching() {
    Watchers().primaryGoing = KeepScreenImage;
  }
} gWatching;

}  // namespace

}  // namespace platform
