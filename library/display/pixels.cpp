// The pixel exports: colour packing (MAKE_RGB), channel extraction, and
// single pixels put and got on the locked surface. Each is a branch on the
// depth and an address computation; two comparisons keep every access
// inside the locked surface (nothing happens without a lock).
#include <cstring>

#include "display/display_state.h"
#include "display/pixel_store.h"
#include "korvane.h"

namespace {

// The address of pixel (x, y) of `bytes` bytes in the locked surface, or
// null when no surface is locked or the pixel lies outside it.
inline BYTE *PixelAt(int x, int y, int bytes) {
  if (static_cast<DWORD>(x) >= gLockedView.width || static_cast<DWORD>(y) >= gLockedView.height) return nullptr;
  return gLockedView.bits + static_cast<ptrdiff_t>(y) * gLockedView.pitch + static_cast<ptrdiff_t>(x) * bytes;
}

inline int Pack16(int red, int green, int blue) {
  // Arithmetic shifts right, as documented; the sum is formed unsigned so
  // that out-of-range components wrap instead of overflowing.
  const unsigned r = static_cast<unsigned>(red >> (gRedBits == 6 ? 2 : 3));
  const unsigned g = static_cast<unsigned>(green >> (gGreenBits == 6 ? 2 : 3));
  const unsigned b = static_cast<unsigned>(blue >> (gBlueBits == 6 ? 2 : 3));
  return static_cast<int>((b + (g << gBlueBits) + (r << (gBlueBits + gGreenBits))) & 0xFFFF);
}

}  // namespace

extern "C" int MAKE_RGB(int red, int green, int blue) {
  switch (gScreenBpp) {
    case 16: return Pack16(red, green, blue);
    case 24:
    case 32:
      return static_cast<int>((static_cast<unsigned>(red) << 16) | (static_cast<unsigned>(green) << 8) |
                              static_cast<unsigned>(blue));
    default: return 0;
  }
}

extern "C" void PAL_PUT_PIXEL(int x, int y, int index) {
  if (gScreenBpp != 8) return;
  BYTE *at = PixelAt(x, y, 1);
  if (at != nullptr) *at = static_cast<BYTE>(index);
}

extern "C" void RGB_PUT_PIXEL(int x, int y, int red, int green, int blue) {
  const int bytes = gScreenBpp / 8;
  if (bytes < 2 || bytes > 4) return;
  BYTE *at = PixelAt(x, y, bytes);
  if (at != nullptr) StoreRgbPixel(at, bytes, red, green, blue);
}

void StoreRgbPixel(BYTE *at, int bytes, int red, int green, int blue) {
  if (bytes == 2) {
    // The packed colour of the mode, as MAKE_RGB gives it (0 unless 16-bit).
    const WORD value = static_cast<WORD>(MAKE_RGB(red, green, blue));
    memcpy(at, &value, 2);
    return;
  }
  if (bytes < 3 || bytes > 4) return;
  at[0] = static_cast<BYTE>(blue);
  at[1] = static_cast<BYTE>(green);
  at[2] = static_cast<BYTE>(red);
}

extern "C" int PAL_GET_PIXEL(int x, int y) {
  if (gScreenBpp != 8) return 0;
  const BYTE *at = PixelAt(x, y, 1);
  return at != nullptr ? *at : 0;
}

extern "C" int RGB_GET_PIXEL(int x, int y) {
  const int bytes = gScreenBpp / 8;
  if (bytes < 2 || bytes > 4) return 0;
  const BYTE *at = PixelAt(x, y, bytes);
  if (at == nullptr) return 0;
  if (bytes == 2) {
    WORD value;
    memcpy(&value, at, 2);
    return value;
  }
  if (bytes == 4) {
    DWORD value;
    memcpy(&value, at, 4);
    return static_cast<int>(value);
  }
  return at[0] | (at[1] << 8) | (at[2] << 16);
}

extern "C" unsigned char GET_RED_VALUE(int colour) {
  if (gScreenBpp == 24 || gScreenBpp == 32) return static_cast<unsigned char>((colour & 0xFF0000) >> 16);
  if (gScreenBpp != 16) return 0;
  if (gGreenBits == 6) return static_cast<unsigned char>(((colour & 0xF800) >> (gBlueBits + gGreenBits)) << 3);
  if (gGreenBits == 5) return static_cast<unsigned char>(((colour & 0x7C00) >> (gBlueBits + gGreenBits)) << 3);
  return 0;
}

extern "C" unsigned char GET_GREEN_VALUE(int colour) {
  if (gScreenBpp == 24 || gScreenBpp == 32) return static_cast<unsigned char>((colour & 0xFF00) >> 8);
  if (gScreenBpp != 16) return 0;
  if (gGreenBits == 6) return static_cast<unsigned char>(((colour & 0x7E0) >> gBlueBits) << 2);
  if (gGreenBits == 5) return static_cast<unsigned char>(((colour & 0x3E0) >> gBlueBits) << 3);
  return 0;
}

extern "C" unsigned char GET_BLUE_VALUE(int colour) {
  if (gScreenBpp == 24 || gScreenBpp == 32) return static_cast<unsigned char>(colour & 0xFF);
  if (gScreenBpp != 16 || (gGreenBits != 5 && gGreenBits != 6)) return 0;
  return static_cast<unsigned char>((colour & 0x1F) << 3);
}
