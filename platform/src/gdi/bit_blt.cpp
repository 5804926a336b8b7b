// BitBlt with SRCCOPY between any two device contexts that hold pixels: the
// rectangle is clipped to both, then copied with the pixel-format module's
// conversion (into 8-bit targets by the nearest colour of their palette).
#include <windows.h>

#include <algorithm>

#include "base/faults.h"
#include "gdi/device_context.h"

namespace {

pixels::Block Part(const pixels::Block &whole, int x, int y, int width, int height) {
  return pixels::Block{whole.bits + static_cast<long>(y) * whole.pitch + static_cast<long>(x) * whole.bytes,
                       whole.pitch, width, height, whole.bytes};
}

}  // namespace

extern "C" BOOL WINAPI BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                              DWORD rop) {
  if (platform::TakeWin32Fault("BitBlt")) return FALSE;
  gdi::DeviceContext *to = gdi::LookUpDC(dc);
  gdi::DeviceContext *from = gdi::LookUpDC(source);
  if (to == nullptr || from == nullptr || rop != SRCCOPY) return FALSE;
  gdi::Canvas *target = to->Target();
  gdi::Canvas *origin = from->Target();
  if (target == nullptr || origin == nullptr) return FALSE;
  const pixels::Block targetBlock = target->Pixels();
  const pixels::Block sourceBlock = origin->Pixels();

  // Clip in 64 bits: the corners may be anywhere in the int range.
  int64_t left = 0, top = 0, right = width, bottom = height;
  left = std::max({left, -static_cast<int64_t>(x), -static_cast<int64_t>(sourceX)});
  top = std::max({top, -static_cast<int64_t>(y), -static_cast<int64_t>(sourceY)});
  right = std::min({right, static_cast<int64_t>(targetBlock.width) - x, static_cast<int64_t>(sourceBlock.width) - sourceX});
  bottom = std::min(
      {bottom, static_cast<int64_t>(targetBlock.height) - y, static_cast<int64_t>(sourceBlock.height) - sourceY});
  if (right <= left || bottom <= top) return TRUE;  // nothing inside both

  const int w = static_cast<int>(right - left), h = static_cast<int>(bottom - top);
  const pixels::Block into =
      Part(targetBlock, static_cast<int>(x + left), static_cast<int>(y + top), w, h);
  const pixels::Block out =
      Part(sourceBlock, static_cast<int>(sourceX + left), static_cast<int>(sourceY + top), w, h);
  uint32_t targetColours[256], sourceColours[256];
  const bool targetPalette = target->Palette(targetColours);
  const bool sourcePalette = origin->Palette(sourceColours);
  pixels::ConvertBlock(into, target->PixelFormat(), targetPalette ? targetColours : nullptr, out,
                       origin->PixelFormat(), sourcePalette ? sourceColours : nullptr);
  return TRUE;
}
