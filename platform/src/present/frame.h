// A frame of the front buffer as presenters receive it: the pixels where the
// display holds them (valid only during the call), their format, size and
// pitch, the colours of an 8-bit frame, and the part that changed.
#pragma once

#include <cstdint>
#include <vector>

#include "pixels/pixel_format.h"
#include "pixels/pixel_kernels.h"

namespace present {

// A rectangle of the frame, right and bottom exclusive.
struct Area {
  int left;
  int top;
  int right;
  int bottom;
};

struct Frame {
  pixels::Block pixels;
  pixels::Format format;
  // 256 colours as 0xRRGGBB for an 8-bit frame with a palette; null
  // otherwise (an 8-bit frame without one shows grey levels).
  const uint32_t *palette;
  // What changed since the frame before; a presenter may still show all.
  Area changed;
  // The host window the display belongs to (the one its cooperative level
  // named), or null: a window driver posts its messages there.
  void *hostWindow = nullptr;
};

// The frame as the viewer sees it: 0xRRGGBB per pixel, row by row.
std::vector<uint32_t> FrameToRgb(const Frame &frame);

}  // namespace present
