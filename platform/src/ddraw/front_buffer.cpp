// The viewer's side of the display: the visible primary surface as a frame,
// presented when it changes and read back by the machine interface.
#include "ddraw/front_buffer.h"

#include "ddraw/display_device.h"
#include "ddraw/palette.h"
#include "ddraw/screen.h"
#include "ddraw/surface.h"
#include "present/presenter.h"

namespace platform {

namespace {

bool ScreenFrame(present::Frame *frame, std::shared_ptr<const void> *screen) {
  if (screen == nullptr) return false;
  std::shared_ptr<const ScreenImage> image = DrawnScreen();
  if (image == nullptr) return false;
  const pixels::Block block{reinterpret_cast<uint8_t *>(const_cast<uint32_t *>(image->rgb.data())),
                            static_cast<long>(image->width) * 4, image->width, image->height, 4};
  *frame = present::Frame{block, pixels::Format{32, 0xFF0000, 0x00FF00, 0x0000FF, 0}, nullptr,
                          present::Area{0, 0, image->width, image->height}};
  *screen = std::move(image);
  return true;
}

}  // namespace

bool FrontFrame(const RECT *area, uint32_t colours[256], present::Frame *frame, std::shared_ptr<const void> *screen) {
  const Surface *primary = Display().visiblePrimary;
  if (primary == nullptr) return ScreenFrame(frame, screen);
  const auto *attached = dynamic_cast<const Palette *>(primary->palette());
  if (attached != nullptr) attached->ToRgb(colours);
  const pixels::Block block = primary->PixelsForReading();
  const present::Area whole{0, 0, block.width, block.height};
  *frame = present::Frame{block, primary->format(), attached != nullptr ? colours : nullptr,
                          area != nullptr ? present::Area{area->left, area->top, area->right, area->bottom} : whole,
                          Display().window};
  return true;
}

namespace {

void PresentFront(const RECT *area) {
  uint32_t colours[256];
  present::Frame frame;
  std::shared_ptr<const void> screen;
  if (FrontFrame(area, colours, &frame, &screen)) present::Present(frame);
}

}  // namespace

void PresentIfFront(const Surface *drawn, const RECT *area) {
  if (drawn != nullptr && drawn == Display().visiblePrimary) PresentFront(area);
}

void PresentIfFrontPalette(const IDirectDrawPalette *palette) {
  const Surface *primary = Display().visiblePrimary;
  if (palette != nullptr && primary != nullptr && primary->palette() == palette) PresentFront(nullptr);
}

namespace {

// The surfaces and palettes tell the front buffer when what it shows changes.
struct Watching {
  Watching() {
    Watchers().drawn = PresentIfFront;
    WatchPaletteChanges(PresentIfFrontPalette);
  }
} gWatching;

}  // namespace

}  // namespace platform
