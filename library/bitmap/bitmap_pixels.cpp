// Direct access to a bitmap's memory: its size, the lock and unlock, the
// pitch and address of the last lock, and the two put-pixel exports. A
// pixel is written only while the bitmap is locked and only inside it.
#include <cstring>

#include "bitmap/bitmap_registry.h"
#include "core/report.h"
#include "display/display_state.h"
#include "display/pixel_store.h"
#include "korvane.h"

namespace {

// The address of pixel (x, y) of `bytes` bytes in the locked bitmap, or
// null when it is not locked or the pixel lies outside it.
BYTE *LockedPixel(const BitmapRecord &bitmap, int x, int y, int bytes) {
  const BitmapPixelView &view = bitmap.pixelView;
  if (view.bits == nullptr || static_cast<DWORD>(y) >= view.height) return nullptr;
  const DWORD rowPixels = view.pitch > 0 ? static_cast<DWORD>(view.pitch) / static_cast<DWORD>(bytes) : 0;
  if (static_cast<DWORD>(x) >= view.width || static_cast<DWORD>(x) >= rowPixels) return nullptr;
  return view.bits + static_cast<ptrdiff_t>(y) * view.pitch + static_cast<ptrdiff_t>(x) * bytes;
}

// A size of the bitmap, or 0 with the export's own line for an unknown id.
int SizeOf(int id, int BitmapRecord::*size, const char *invalidLine) {
  const BitmapRecord *bitmap = FindBitmap(id);
  if (bitmap == nullptr) {
    ReportLine("%s", invalidLine);
    return 0;
  }
  return bitmap->*size;
}

}  // namespace

extern "C" int BITMAP_WIDTH(int id) { return SizeOf(id, &BitmapRecord::nWidth, " ! - BITMAP_WIDTH = Invalid ID"); }

extern "C" int BITMAP_HEIGHT(int id) {
  return SizeOf(id, &BitmapRecord::nHeight, " ! - BITMAP_HEIGHT = Invalid ID");
}

extern "C" int BITMAP_LOCK(int id) {
  BitmapRecord *bitmap = FindBitmapFor("BITMAP_LOCK", id);
  if (bitmap == nullptr) return 1;
  memset(&bitmap->ddsd, 0, sizeof bitmap->ddsd);
  bitmap->ddsd.dwSize = sizeof bitmap->ddsd;
  if (FAILED(bitmap->lpDDSBack->Lock(nullptr, &bitmap->ddsd, DDLOCK_WAIT, nullptr))) {
    ReportLine("DDBitmap_Lock Failed");
    return 1;
  }
  bitmap->pixelView = BitmapPixelView{static_cast<BYTE *>(bitmap->ddsd.lpSurface), bitmap->ddsd.lPitch,
                                      bitmap->ddsd.dwWidth, bitmap->ddsd.dwHeight};
  return 0;
}

extern "C" int BITMAP_UNLOCK(int id) {
  BitmapRecord *bitmap = FindBitmapFor("BITMAP_UNLOCK", id);
  if (bitmap == nullptr) return 1;
  bitmap->pixelView = BitmapPixelView{};
  if (FAILED(bitmap->lpDDSBack->Unlock(nullptr))) {
    ReportLine("DDBITMAP_UNLOCK FAILED");
    return 1;
  }
  return 0;
}

extern "C" int BITMAP_PITCH(int id) {
  const BitmapRecord *bitmap = FindBitmapFor("BITMAP_PITCH", id);
  return bitmap != nullptr ? static_cast<int>(bitmap->ddsd.lPitch) : 0;
}

extern "C" unsigned char *BITMAP_POINTER(int id) {
  const BitmapRecord *bitmap = FindBitmapFor("BITMAP_POINTER", id);
  return bitmap != nullptr ? static_cast<unsigned char *>(bitmap->ddsd.lpSurface) : nullptr;
}

extern "C" void BITMAP_PAL_PUT_PIXEL(int id, int x, int y, int index) {
  const BitmapRecord *bitmap = FindBitmapFor("BITMAP_PAL_PUT_PIXEL", id);
  if (bitmap == nullptr || gScreenBpp != 8) return;
  BYTE *at = LockedPixel(*bitmap, x, y, 1);
  if (at != nullptr) *at = static_cast<BYTE>(index);
}

extern "C" void BITMAP_RGB_PUT_PIXEL(int id, int x, int y, int red, int green, int blue) {
  const BitmapRecord *bitmap = FindBitmapFor("BITMAP_RGB_PUT_PIXEL", id);
  const int bytes = gScreenBpp / 8;
  if (bitmap == nullptr || bytes < 2 || bytes > 4) return;
  BYTE *at = LockedPixel(*bitmap, x, y, bytes);
  if (at != nullptr) StoreRgbPixel(at, bytes, red, green, blue);
}
