// The pixel formats an off-screen surface may ask for: RGB at 8 (indexed),
// 16, 24 and 32 bits, luminance with or without alpha, and z-buffers with
// or without stencil. Each is the memory format the pixel module reads and
// the DDPIXELFORMAT DirectDraw reports.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include "pixels/pixel_format.h"

namespace platform {

struct SurfaceFormat {
  pixels::Format pixels;
  DDPIXELFORMAT described;
};

// The format `asked` names, or false when it names none a surface can hold.
// Z-buffers are 16 bits, or 24 or 32 bits in 32-bit words (24 with 8 bits of
// stencil above them).
bool SurfaceFormatFromDescription(const DDPIXELFORMAT &asked, SurfaceFormat *format);

// The format of a surface in the display's own format at `bpp`.
SurfaceFormat DisplaySurfaceFormat(DWORD bpp);

// The depth and stencil bits of a z-buffer format (both zero for others).
uint32_t DepthMask(const DDPIXELFORMAT &format);
uint32_t StencilMask(const DDPIXELFORMAT &format);

}  // namespace platform
