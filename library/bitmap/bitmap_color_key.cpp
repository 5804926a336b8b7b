// Transparent colours of bitmaps (their source colour keys) and the bit
// layout of the back buffer's pixel format.
#include "bitmap/bitmap_registry.h"
#include "core/error_names.h"
#include "core/report.h"
#include "display/display_state.h"
#include "korvane.h"

namespace {

HRESULT SetTransparentColor(const BitmapRecord &bitmap, int colour) {
  DDCOLORKEY key;
  key.dwColorSpaceLowValue = static_cast<DWORD>(colour);
  key.dwColorSpaceHighValue = static_cast<DWORD>(colour);
  return bitmap.lpDDSBack->SetColorKey(DDCKEY_SRCBLT, &key);
}

// The number of consecutive bits of `mask` from `*bit` on; `*bit` moves past them.
int RunLength(DWORD mask, int *bit) {
  int length = 0;
  while (*bit < 32 && (mask & (1u << *bit)) != 0) ++length, ++*bit;
  return length;
}

}  // namespace

extern "C" int SET_BITMAP_TRANS_COLOR(int id, int colour) {
  const BitmapRecord *bitmap = FindBitmapFor("SET_BITMAP_TRANS_COLOR", id);
  if (bitmap == nullptr) return 1;
  return static_cast<int>(SetTransparentColor(*bitmap, colour));
}

extern "C" void SET_ALL_BITMAPS_TRANS_COLOR(int colour) {
  ReportDetail("### Setting all Bitmaps' transparancy color ###");
  for (const BitmapNode *node = gBitmapList; node != nullptr; node = node->next) {
    SetTransparentColor(*node->bitmap, colour);
  }
  ReportDetail("### Setting Finished ###");
}

extern "C" int GET_SURFACE_PIXEL_FORMAT(void) {
  if (glpDDSBack == nullptr) return RefuseWithoutSurface();
  DDPIXELFORMAT format{};
  format.dwSize = sizeof format;
  format.dwFlags = DDPF_RGB;
  const HRESULT result = glpDDSBack->GetPixelFormat(&format);
  if (FAILED(result)) {
    ReportLine("%s", DDErrorName(result));
    ReportLine("!!! Get Pixel Format from back buffer failed !!!");
    return 1;
  }
  // One moving bit, never reset: blue from bit 0, then green, then red.
  int bit = 0;
  const int blue = RunLength(format.dwBBitMask, &bit);
  const int green = RunLength(format.dwGBitMask, &bit);
  const int red = RunLength(format.dwRBitMask, &bit);
  return red * 100 + green * 10 + blue;
}
