// Bitmap objects: the DIB sections LoadImageA makes, GetObjectA's view of
// them, the stock bitmap, and DeleteObject.
#include "gdi/gdi_objects.h"

#include <cstring>

#include "base/faults.h"

namespace gdi {

int DibSection::Describe(int size, void *buffer) const {
  BITMAP bitmap{};
  bitmap.bmType = 0;
  bitmap.bmWidth = image_.width;
  bitmap.bmHeight = image_.height;
  bitmap.bmWidthBytes = image_.width * 4;
  bitmap.bmPlanes = 1;
  bitmap.bmBitsPixel = 32;
  bitmap.bmBits = const_cast<uint32_t *>(image_.rgb.data());
  if (buffer == nullptr) return static_cast<int>(sizeof(DIBSECTION));
  if (size >= static_cast<int>(sizeof(DIBSECTION))) {
    DIBSECTION section{};
    section.dsBm = bitmap;
    section.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    section.dsBmih.biWidth = image_.width;
    section.dsBmih.biHeight = -image_.height;  // rows top-down
    section.dsBmih.biPlanes = 1;
    section.dsBmih.biBitCount = 32;
    section.dsBmih.biCompression = BI_RGB;
    section.dsBmih.biSizeImage = static_cast<DWORD>(image_.rgb.size() * 4);
    memcpy(buffer, &section, sizeof section);
    return static_cast<int>(sizeof section);
  }
  if (size >= static_cast<int>(sizeof(BITMAP))) {
    memcpy(buffer, &bitmap, sizeof bitmap);
    return static_cast<int>(sizeof bitmap);
  }
  return 0;
}

pixels::Block DibSection::Pixels() {
  return pixels::Block{reinterpret_cast<uint8_t *>(image_.rgb.data()), static_cast<long>(image_.width) * 4,
                       image_.width, image_.height, 4};
}

HBITMAP CreateDibSection(DecodedBitmap image) {
  return static_cast<HBITMAP>(platform::RegisterHandle(new DibSection(std::move(image), false)));
}

HBITMAP StockBitmap() {
  static HBITMAP stock = [] {
    DecodedBitmap one;
    one.width = one.height = 1;
    one.sourceBits = 1;
    one.rgb.assign(1, 0);
    return static_cast<HBITMAP>(platform::RegisterHandle(new DibSection(std::move(one), true)));
  }();
  return stock;
}

GdiObject *LookUpObject(HGDIOBJ object) { return platform::LookUp<GdiObject>(static_cast<HANDLE>(object)); }


}  // namespace gdi

extern "C" int WINAPI GetObjectA(HANDLE object, int size, LPVOID buffer) {
  if (platform::TakeWin32Fault("GetObjectA")) return 0;
  const gdi::GdiObject *found = gdi::LookUpObject(object);
  if (found == nullptr || size < 0) return 0;
  return found->Describe(size, buffer);
}

extern "C" BOOL WINAPI DeleteObject(HGDIOBJ object) {
  if (platform::TakeWin32Fault("DeleteObject")) return FALSE;
  gdi::GdiObject *found = gdi::LookUpObject(object);
  if (found == nullptr) return FALSE;
  if (found->stock()) return TRUE;
  // An object still selected into a device context stays.
  if (found->selections > 0) return FALSE;
  return platform::CloseKernelHandle(static_cast<HANDLE>(object)) ? TRUE : FALSE;
}
