// The BMP reader of the platform's GDI: BMP files and packed bitmaps (as
// bitmap resources hold them) decoded into 0xRRGGBB pixels. Every header
// version, depth and compression found in real files is read; hostile data
// is refused without reading or writing outside the given bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gdi {

// A decoded image, rows top to bottom, one 0xRRGGBB value per pixel.
struct DecodedBitmap {
  int width = 0;
  int height = 0;
  int sourceBits = 0;  // bits per pixel of the data read
  std::vector<uint32_t> rgb;
};

enum class BmpResult {
  kDecoded,
  kTruncated,     // the data ends inside a header, the colour table or the bits
  kBadHeader,     // an unknown header size, a bad signature, planes or offset
  kUnsupported,   // a depth or compression the reader does not know
  kTooLarge,      // zero, negative or absurd dimensions
  kBadEncoding,   // RLE data that runs outside the image
};

// Largest side and pixel count accepted; larger images are refused before
// anything is allocated.
constexpr int kLargestBitmapSide = 16384;
constexpr int64_t kMostBitmapPixels = 32ll * 1024 * 1024;

// A packed bitmap: an info header (core, 3.0, V4 or V5), its masks and colour
// table, then the bits.
BmpResult DecodePackedBitmap(const uint8_t *data, size_t size, DecodedBitmap *out);

// A BMP file: the 14-byte file header ("BM", bfOffBits) and a packed bitmap.
BmpResult DecodeBmpFile(const uint8_t *data, size_t size, DecodedBitmap *out);

}  // namespace gdi
