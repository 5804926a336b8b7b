// The pixels a device context draws on or reads from: a surface's memory, a
// DIB section's, or anything else that can show its pixels as a block.
#pragma once

#include <cstdint>

#include "pixels/pixel_format.h"
#include "pixels/pixel_kernels.h"

namespace gdi {

class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual pixels::Block Pixels() = 0;
  virtual pixels::Format PixelFormat() const = 0;
  // The colours of an 8-bit canvas as 0xRRGGBB; false when it has none.
  virtual bool Palette(uint32_t rgb[256]) const {
    (void)rgb;
    return false;
  }
};

}  // namespace gdi
