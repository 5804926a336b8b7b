// The viewer's side of the display: the visible primary surface as a frame,
// presented when it changes and read back by the control interface.
#include "ddraw/front_buffer.h"

#include "ddraw/display_device.h"
#include "ddraw/palette.h"
#include "ddraw/surface.h"
#include "present/presenter.h"

namespace platform {

bool FrontFrame(const RECT *area, uint32_t colours[256], present::Frame *frame) {
  const Surface *primary = Display().visiblePrimary;
  if (primary == nullptr) return false;
  const auto *attached = dynamic_cast<const Palette *>(primary->palette());
  if (attached != nullptr) attached->ToRgb(colours);
  const pixels::Block block = primary->WholeBlock();
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
  if (FrontFrame(area, colours, &frame)) present::Present(frame);
}

}  // namespace

void PresentIfFront(const Surface *drawn, const RECT *area) {
  if (drawn != nullptr && drawn == Display().visiblePrimary) PresentFront(area);
}

void PresentIfFrontPalette(const IDirectDrawPalette *palette) {
  const Surface *primary = Display().visiblePrimary;
  if (palette != nullptr && primary != nullptr && primary->palette() == palette) PresentFront(nullptr);
}

}  // namespace platform
