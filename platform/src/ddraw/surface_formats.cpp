// Off-screen surface formats: what a DDPIXELFORMAT asks for, checked and
// turned into the memory format and the description the surface reports.
#include "ddraw/surface_formats.h"

#include "ddraw/display_device.h"

namespace platform {

namespace {

uint32_t LowBits(DWORD count) { return count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1; }

bool FitsIn(uint32_t mask, DWORD bits) { return (mask & ~LowBits(bits)) == 0; }

DDPIXELFORMAT Blank(DWORD flags, DWORD bits) {
  DDPIXELFORMAT format{};
  format.dwSize = sizeof(DDPIXELFORMAT);
  format.dwFlags = flags;
  format.dwRGBBitCount = bits;
  return format;
}

bool ZBufferFormat(const DDPIXELFORMAT &asked, SurfaceFormat *format) {
  const DWORD total = asked.dwZBufferBitDepth;
  const DWORD stencil = (asked.dwFlags & DDPF_STENCILBUFFER) ? asked.dwStencilBitDepth : 0;
  const bool known = (total == 16 && stencil == 0) || (total == 24 && stencil == 0) ||
                     (total == 32 && (stencil == 0 || stencil == 8));
  if (!known) return false;
  const DWORD storage = total == 16 ? 16 : 32;
  const uint32_t depthMask = asked.dwZBitMask != 0 ? asked.dwZBitMask : LowBits(total - stencil);
  const uint32_t stencilMask = stencil != 0 ? LowBits(stencil) << (total - stencil) : 0;
  // Depth must be the low bits below any stencil: the rasteriser reads it so.
  const uint32_t lowDepth = LowBits(static_cast<DWORD>(pixels::MaskWidth(depthMask)));
  if (depthMask != lowDepth || (depthMask & stencilMask) != 0 || !FitsIn(depthMask, storage)) return false;
  format->pixels = pixels::Format{static_cast<int>(storage), 0, 0, 0, 0};
  format->described = Blank(DDPF_ZBUFFER | (stencil != 0 ? DDPF_STENCILBUFFER : 0), total);
  format->described.dwStencilBitDepth = stencil;
  format->described.dwZBitMask = depthMask;
  format->described.dwStencilBitMask = stencilMask;
  return true;
}

bool LuminanceFormat(const DDPIXELFORMAT &asked, SurfaceFormat *format) {
  const DWORD bits = asked.dwLuminanceBitCount;
  const uint32_t luminance = asked.dwLuminanceBitMask;
  const uint32_t alpha = (asked.dwFlags & DDPF_ALPHAPIXELS) ? asked.dwLuminanceAlphaBitMask : 0;
  if ((bits != 8 && bits != 16) || luminance == 0 || !FitsIn(luminance | alpha, bits) || (luminance & alpha) != 0) {
    return false;
  }
  format->pixels = pixels::Format{static_cast<int>(bits), luminance, luminance, luminance, alpha};
  format->described = Blank(DDPF_LUMINANCE | (alpha != 0 ? DDPF_ALPHAPIXELS : 0), bits);
  format->described.dwLuminanceBitMask = luminance;
  format->described.dwLuminanceAlphaBitMask = alpha;
  return true;
}

bool RgbFormat(const DDPIXELFORMAT &asked, SurfaceFormat *format) {
  const DWORD bits = asked.dwRGBBitCount;
  if (bits == 8) {
    format->pixels = pixels::Format{8, 0, 0, 0, 0};
    format->described = Blank(DDPF_RGB | DDPF_PALETTEINDEXED8, 8);
    return true;
  }
  if (bits != 16 && bits != 24 && bits != 32) return false;
  const uint32_t alpha = (asked.dwFlags & DDPF_ALPHAPIXELS) ? asked.dwRGBAlphaBitMask : 0;
  const uint32_t masks[] = {asked.dwRBitMask, asked.dwGBitMask, asked.dwBBitMask, alpha};
  uint32_t seen = 0;
  for (uint32_t mask : masks) {
    if ((seen & mask) != 0 || !FitsIn(mask, bits)) return false;
    seen |= mask;
  }
  format->pixels = pixels::Format{static_cast<int>(bits), asked.dwRBitMask, asked.dwGBitMask, asked.dwBBitMask, alpha};
  DescribePixelFormat(format->pixels, &format->described);
  return true;
}

}  // namespace

bool SurfaceFormatFromDescription(const DDPIXELFORMAT &asked, SurfaceFormat *format) {
  if (asked.dwFlags & DDPF_ZBUFFER) return ZBufferFormat(asked, format);
  if (asked.dwFlags & DDPF_LUMINANCE) return LuminanceFormat(asked, format);
  if ((asked.dwFlags & DDPF_PALETTEINDEXED8) && asked.dwRGBBitCount == 8) return RgbFormat(asked, format);
  if (asked.dwFlags & DDPF_RGB) return RgbFormat(asked, format);
  return false;
}

SurfaceFormat DisplaySurfaceFormat(DWORD bpp) {
  SurfaceFormat format{DisplayPixelFormat(bpp), {}};
  DescribePixelFormat(format.pixels, &format.described);
  return format;
}

uint32_t DepthMask(const DDPIXELFORMAT &format) { return (format.dwFlags & DDPF_ZBUFFER) ? format.dwZBitMask : 0; }

uint32_t StencilMask(const DDPIXELFORMAT &format) {
  return (format.dwFlags & DDPF_STENCILBUFFER) ? format.dwStencilBitMask : 0;
}

}  // namespace platform
