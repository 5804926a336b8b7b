// libFuzzer entry for the BMP reader: every input is read both as a BMP file
// and as a packed bitmap (a resource's form). The sanitizers catch any read
// or write outside the input or the image; the checks below catch a decoded
// image whose pixels disagree with its size.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "gdi/bmp_reader.h"

namespace {

void Check(gdi::BmpResult result, const gdi::DecodedBitmap &image) {
  if (result != gdi::BmpResult::kDecoded) {
    if (!image.rgb.empty() || image.width != 0) abort();
    return;
  }
  if (image.width <= 0 || image.height <= 0 || image.width > gdi::kLargestBitmapSide ||
      image.height > gdi::kLargestBitmapSide ||
      image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
    abort();
  }
  for (uint32_t pixel : image.rgb) {
    if (pixel > 0xFFFFFF) abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // An exact copy, so that a read one byte past the input is caught.
  std::unique_ptr<uint8_t[]> exact(new uint8_t[size > 0 ? size : 1]);
  if (size > 0) memcpy(exact.get(), data, size);
  gdi::DecodedBitmap image;
  Check(gdi::DecodeBmpFile(exact.get(), size, &image), image);
  Check(gdi::DecodePackedBitmap(exact.get(), size, &image), image);
  return 0;
}
