// Decoding of BMP data. The headers are read field by field from little-endian
// bytes (no structure is laid over the data), every length is checked against
// what remains before it is used, and the image is allocated only once its
// size is known to be sane and, for uncompressed bits, present in the data.
#include "gdi/bmp_reader.h"

#include <windows.h>

#include "pixels/pixel_format.h"

namespace gdi {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

uint16_t Le16(const uint8_t *at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }
uint32_t Le32(const uint8_t *at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16) |
         (static_cast<uint32_t>(at[3]) << 24);
}

// What the info header says about the image.
struct Layout {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bits = 0;
  uint32_t compression = BI_RGB;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue
  uint32_t tableEntries = 0;      // colours the table should hold
  size_t entrySize = 4;           // RGBQUAD, or RGBTRIPLE in core headers
  size_t tableOffset = 0;         // from the start of the packed bitmap
};

bool KnownHeaderSize(uint32_t size) {
  return size == kCoreHeaderSize || size == kInfoHeaderSize || size == 52 || size == 56 ||
         size == sizeof(BITMAPV4HEADER) || size == sizeof(BITMAPV5HEADER);
}

BmpResult CheckDimensions(int64_t width, int64_t height, Layout *layout) {
  const int64_t rows = height < 0 ? -height : height;
  if (width <= 0 || rows <= 0 || width > kLargestBitmapSide || rows > kLargestBitmapSide ||
      width * rows > kMostBitmapPixels) {
    return BmpResult::kTooLarge;
  }
  layout->width = static_cast<int>(width);
  layout->height = static_cast<int>(rows);
  layout->topDown = height < 0;
  return BmpResult::kDecoded;
}

BmpResult ReadCoreHeader(const uint8_t *data, size_t size, Layout *layout) {
  if (size < kCoreHeaderSize) return BmpResult::kTruncated;
  if (Le16(data + 8) != 1) return BmpResult::kBadHeader;
  layout->bits = Le16(data + 10);
  if (layout->bits != 1 && layout->bits != 4 && layout->bits != 8 && layout->bits != 24) {
    return BmpResult::kUnsupported;
  }
  layout->entrySize = 3;
  layout->tableEntries = layout->bits <= 8 ? 1u << layout->bits : 0;
  layout->tableOffset = kCoreHeaderSize;
  return CheckDimensions(Le16(data + 4), Le16(data + 6), layout);
}

// The masks of BI_BITFIELDS: inside V4/V5 (and 52/56-byte) headers, or in the
// three DWORDs after a 40-byte header. Without them, the depth's defaults.
BmpResult ReadMasks(const uint8_t *data, size_t size, uint32_t headerSize, Layout *layout) {
  if (layout->compression != BI_BITFIELDS) {
    if (layout->bits == 16) {
      layout->masks[0] = 0x7C00, layout->masks[1] = 0x03E0, layout->masks[2] = 0x001F;
    } else {
      layout->masks[0] = 0xFF0000, layout->masks[1] = 0x00FF00, layout->masks[2] = 0x0000FF;
    }
    return BmpResult::kDecoded;
  }
  if (layout->bits != 16 && layout->bits != 32) return BmpResult::kUnsupported;
  const size_t at = headerSize >= 52 ? kInfoHeaderSize : headerSize;
  if (size < at + 12) return BmpResult::kTruncated;
  for (int i = 0; i < 3; ++i) layout->masks[i] = Le32(data + at + 4 * i);
  if (headerSize == kInfoHeaderSize) layout->tableOffset += 12;
  return BmpResult::kDecoded;
}

BmpResult ReadInfoHeader(const uint8_t *data, size_t size, uint32_t headerSize, Layout *layout) {
  if (size < headerSize) return BmpResult::kTruncated;
  if (Le16(data + 12) != 1) return BmpResult::kBadHeader;
  layout->bits = Le16(data + 14);
  layout->compression = Le32(data + 16);
  const uint32_t coloursUsed = Le32(data + 32);
  const int bits = layout->bits;
  const uint32_t compression = layout->compression;
  const bool depthKnown = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  const bool compressionFits = compression == BI_RGB || compression == BI_BITFIELDS ||
                               (compression == BI_RLE8 && bits == 8) || (compression == BI_RLE4 && bits == 4);
  if (!depthKnown || !compressionFits) return BmpResult::kUnsupported;
  BmpResult result = CheckDimensions(static_cast<int32_t>(Le32(data + 4)), static_cast<int32_t>(Le32(data + 8)),
                                     layout);
  if (result != BmpResult::kDecoded) return result;
  if (layout->topDown && (compression == BI_RLE8 || compression == BI_RLE4)) return BmpResult::kBadHeader;
  layout->tableOffset = headerSize;
  result = ReadMasks(data, size, headerSize, layout);
  if (result != BmpResult::kDecoded) return result;
  // A table longer than the depth can index holds nothing more of use.
  if (bits <= 8) {
    const uint32_t most = 1u << bits;
    layout->tableEntries = coloursUsed == 0 || coloursUsed > most ? most : coloursUsed;
  } else {
    // Deeper images may carry a table (for palette devices) that the bits follow.
    layout->tableEntries = coloursUsed <= 256 ? coloursUsed : 256;
  }
  return BmpResult::kDecoded;
}

BmpResult ReadLayout(const uint8_t *data, size_t size, Layout *layout) {
  if (size < 4) return BmpResult::kTruncated;
  const uint32_t headerSize = Le32(data);
  if (!KnownHeaderSize(headerSize)) return BmpResult::kBadHeader;
  if (headerSize == kCoreHeaderSize) return ReadCoreHeader(data, size, layout);
  return ReadInfoHeader(data, size, headerSize, layout);
}

// The colour table as 0xRRGGBB; entries the data does not hold stay black,
// so indices beyond a short table give black.
void ReadColourTable(const uint8_t *data, size_t end, const Layout &layout, uint32_t palette[256]) {
  for (int i = 0; i < 256; ++i) palette[i] = 0;
  if (layout.bits > 8) return;
  for (uint32_t i = 0; i < layout.tableEntries; ++i) {
    const size_t at = layout.tableOffset + i * layout.entrySize;
    if (at + 3 > end) break;
    palette[i] = (static_cast<uint32_t>(data[at + 2]) << 16) | (static_cast<uint32_t>(data[at + 1]) << 8) | data[at];
  }
}

size_t RowBytes(const Layout &layout) {
  return ((static_cast<size_t>(layout.width) * static_cast<size_t>(layout.bits) + 31) / 32) * 4;
}

// The index of pixel x in a row of 1-, 4- or 8-bit pixels.
uint32_t IndexAt(const uint8_t *row, int x, int bits) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu;
    default: return row[x];
  }
}

BmpResult DecodeUncompressed(const uint8_t *bits, size_t available, const Layout &layout,
                             const uint32_t palette[256], DecodedBitmap *out) {
  const size_t rowBytes = RowBytes(layout);
  if (rowBytes * static_cast<size_t>(layout.height) > available) return BmpResult::kTruncated;
  const pixels::Format format{layout.bits, layout.masks[0], layout.masks[1], layout.masks[2], 0};
  const int bytes = layout.bits / 8;
  out->rgb.resize(static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height));
  for (int y = 0; y < layout.height; ++y) {
    const int fileRow = layout.topDown ? y : layout.height - 1 - y;
    const uint8_t *row = bits + static_cast<size_t>(fileRow) * rowBytes;
    uint32_t *target = out->rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(layout.width);
    for (int x = 0; x < layout.width; ++x) {
      if (layout.bits <= 8) {
        target[x] = palette[IndexAt(row, x, layout.bits)];
      } else if (layout.bits == 24) {
        const uint8_t *at = row + 3 * static_cast<size_t>(x);
        target[x] = (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[1]) << 8) | at[0];
      } else {
        const uint8_t *at = row + static_cast<size_t>(bytes) * static_cast<size_t>(x);
        const uint32_t value = bytes == 2 ? Le16(at) : Le32(at);
        target[x] = pixels::ToRgb(format, value, nullptr);
      }
    }
  }
  return BmpResult::kDecoded;
}

// RLE4 and RLE8: runs, end of line, end of bitmap, delta and absolute runs,
// written into palette indices (rows bottom-up as stored). Pixels no code
// reaches keep index 0. A run that leaves its row or the image is refused;
// data that ends without an end-of-bitmap code ends the image there.
class RleDecoder {
 public:
  RleDecoder(const uint8_t *data, size_t size, const Layout &layout)
      : data_(data), size_(size), width_(layout.width), height_(layout.height), nibbles_(layout.bits == 4),
        indices_(static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height), 0) {}

  BmpResult Run() {
    while (at_ + 2 <= size_) {
      const uint8_t count = data_[at_];
      const uint8_t code = data_[at_ + 1];
      at_ += 2;
      BmpResult result;
      if (count > 0) {
        result = Encoded(count, code);
      } else if (code == 0) {
        x_ = 0, ++y_;
        result = BmpResult::kDecoded;
      } else if (code == 1) {
        return BmpResult::kDecoded;
      } else if (code == 2) {
        result = Delta();
      } else {
        result = Absolute(code);
      }
      if (result != BmpResult::kDecoded) return result;
    }
    return BmpResult::kDecoded;
  }

  const std::vector<uint8_t> &indices() const { return indices_; }

 private:
  bool Room(int count) const { return y_ < height_ && count <= width_ - x_; }
  void Put(uint32_t index) {
    indices_[static_cast<size_t>(y_) * static_cast<size_t>(width_) + static_cast<size_t>(x_)] =
        static_cast<uint8_t>(index);
    ++x_;
  }

  BmpResult Encoded(int count, uint8_t colour) {
    if (!Room(count)) return BmpResult::kBadEncoding;
    for (int i = 0; i < count; ++i) Put(nibbles_ ? ((i & 1) ? colour & 0xF : colour >> 4) : colour);
    return BmpResult::kDecoded;
  }

  BmpResult Delta() {
    if (at_ + 2 > size_) return BmpResult::kTruncated;
    x_ += data_[at_];
    y_ += data_[at_ + 1];
    at_ += 2;
    // Moving to the start of the row after the last one is a valid end.
    return x_ <= width_ && y_ <= height_ ? BmpResult::kDecoded : BmpResult::kBadEncoding;
  }

  BmpResult Absolute(int count) {
    const size_t bytes = nibbles_ ? (static_cast<size_t>(count) + 1) / 2 : static_cast<size_t>(count);
    const size_t padded = (bytes + 1) & ~static_cast<size_t>(1);
    if (at_ + bytes > size_) return BmpResult::kTruncated;
    if (!Room(count)) return BmpResult::kBadEncoding;
    for (int i = 0; i < count; ++i) {
      const uint8_t byte = data_[at_ + (nibbles_ ? static_cast<size_t>(i) / 2 : static_cast<size_t>(i))];
      Put(nibbles_ ? ((i & 1) ? byte & 0xF : byte >> 4) : byte);
    }
    at_ = at_ + padded <= size_ ? at_ + padded : size_;
    return BmpResult::kDecoded;
  }

  const uint8_t *data_;
  size_t size_;
  size_t at_ = 0;
  int width_;
  int height_;
  bool nibbles_;
  int x_ = 0;
  int y_ = 0;
  std::vector<uint8_t> indices_;
};

BmpResult DecodeRle(const uint8_t *bits, size_t available, const Layout &layout, const uint32_t palette[256],
                    DecodedBitmap *out) {
  RleDecoder decoder(bits, available, layout);
  const BmpResult result = decoder.Run();
  if (result != BmpResult::kDecoded) return result;
  const std::vector<uint8_t> &indices = decoder.indices();
  const size_t width = static_cast<size_t>(layout.width);
  out->rgb.resize(width * static_cast<size_t>(layout.height));
  for (int y = 0; y < layout.height; ++y) {
    const uint8_t *row = indices.data() + static_cast<size_t>(layout.height - 1 - y) * width;
    for (size_t x = 0; x < width; ++x) out->rgb[static_cast<size_t>(y) * width + x] = palette[row[x]];
  }
  return BmpResult::kDecoded;
}

// Decodes a packed bitmap whose bits start `bitsOffset` bytes in (0: right
// after the colour table).
BmpResult Decode(const uint8_t *data, size_t size, size_t bitsOffset, DecodedBitmap *out) {
  *out = DecodedBitmap{};
  if (data == nullptr) return BmpResult::kTruncated;
  Layout layout;
  BmpResult result = ReadLayout(data, size, &layout);
  if (result != BmpResult::kDecoded) return result;
  const size_t tableEnd = layout.tableOffset + static_cast<size_t>(layout.tableEntries) * layout.entrySize;
  if (bitsOffset == 0) bitsOffset = tableEnd;
  if (bitsOffset < layout.tableOffset) return BmpResult::kBadHeader;
  if (bitsOffset > size) return BmpResult::kTruncated;
  uint32_t palette[256];
  ReadColourTable(data, bitsOffset < tableEnd ? bitsOffset : tableEnd, layout, palette);
  out->width = layout.width;
  out->height = layout.height;
  out->sourceBits = layout.bits;
  const uint8_t *bits = data + bitsOffset;
  const size_t available = size - bitsOffset;
  if (layout.compression == BI_RLE8 || layout.compression == BI_RLE4) {
    result = DecodeRle(bits, available, layout, palette, out);
  } else {
    result = DecodeUncompressed(bits, available, layout, palette, out);
  }
  if (result != BmpResult::kDecoded) *out = DecodedBitmap{};
  return result;
}

}  // namespace

BmpResult DecodePackedBitmap(const uint8_t *data, size_t size, DecodedBitmap *out) {
  return Decode(data, size, 0, out);
}

BmpResult DecodeBmpFile(const uint8_t *data, size_t size, DecodedBitmap *out) {
  *out = DecodedBitmap{};
  if (data == nullptr || size < kFileHeaderSize) return BmpResult::kTruncated;
  if (data[0] != 'B' || data[1] != 'M') return BmpResult::kBadHeader;
  // An offset of 0 is taken as "right after the colour table", as some
  // writers leave it; any other offset must lie after the headers.
  const uint32_t offBits = Le32(data + 10);
  size_t bitsOffset = 0;
  if (offBits != 0) {
    if (offBits < kFileHeaderSize + 4) return BmpResult::kBadHeader;
    bitsOffset = offBits - kFileHeaderSize;
  }
  return Decode(data + kFileHeaderSize, size - kFileHeaderSize, bitsOffset, out);
}

}  // namespace gdi
