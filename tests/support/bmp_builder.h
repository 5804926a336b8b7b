// Builds BMP files and packed bitmaps for tests: any header version, depth
// and compression, from pixel values given top row first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bmp_builder {

struct Shape {
  int width = 1;
  int height = 1;
  int bits = 24;
  uint32_t headerSize = 40;  // 12 (core), 40, 52, 56, 108 (V4) or 124 (V5)
  uint32_t compression = 0;  // BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS
  bool topDown = false;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue for BI_BITFIELDS
  std::vector<uint32_t> palette;  // 0xRRGGBB entries written as the colour table
  uint32_t coloursUsed = 0;       // biClrUsed as written
};

inline void Put(std::vector<uint8_t> *out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Rows of uncompressed pixels as stored: bottom-up unless top-down, each
// padded to four bytes. `values` are palette indices (up to 8 bits),
// 0xRRGGBB (24 bits) or raw pixel values (16 and 32 bits).
inline std::vector<uint8_t> PackRows(const Shape &shape, const std::vector<uint32_t> &values) {
  const size_t rowBytes = ((static_cast<size_t>(shape.width) * shape.bits + 31) / 32) * 4;
  std::vector<uint8_t> bits;
  for (int r = 0; r < shape.height; ++r) {
    const int y = shape.topDown ? r : shape.height - 1 - r;
    std::vector<uint8_t> row(rowBytes, 0);
    for (int x = 0; x < shape.width; ++x) {
      const uint32_t v = values[static_cast<size_t>(y) * shape.width + x];
      switch (shape.bits) {
        case 1: row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<uint8_t>((v & 0xF) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = static_cast<uint8_t>(v); break;
        default:
          for (int b = 0; b < shape.bits / 8; ++b) row[static_cast<size_t>(x) * (shape.bits / 8) + b] = static_cast<uint8_t>(v >> (8 * b));
      }
    }
    bits.insert(bits.end(), row.begin(), row.end());
  }
  return bits;
}

// RLE8 or RLE4 of palette indices: runs of equal indices, an end-of-line
// after each row (bottom row first) and an end-of-bitmap code.
inline std::vector<uint8_t> EncodeRle(const Shape &shape, const std::vector<uint32_t> &indices) {
  std::vector<uint8_t> out;
  for (int y = shape.height - 1; y >= 0; --y) {
    int x = 0;
    while (x < shape.width) {
      const uint32_t v = indices[static_cast<size_t>(y) * shape.width + x];
      int run = 1;
      while (x + run < shape.width && run < 255 && indices[static_cast<size_t>(y) * shape.width + x + run] == v) ++run;
      out.push_back(static_cast<uint8_t>(run));
      out.push_back(static_cast<uint8_t>(shape.bits == 4 ? ((v & 0xF) << 4) | (v & 0xF) : v));
      x += run;
    }
    out.push_back(0);
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(1);
  return out;
}

// The packed bitmap (as a resource holds it): info header, masks, colour
// table, then `bits` as given.
inline std::vector<uint8_t> PackedWithBits(const Shape &shape, const std::vector<uint8_t> &bits) {
  std::vector<uint8_t> out;
  Put(&out, shape.headerSize, 4);
  if (shape.headerSize == 12) {
    Put(&out, static_cast<uint32_t>(shape.width), 2);
    Put(&out, static_cast<uint32_t>(shape.height), 2);
    Put(&out, 1, 2);
    Put(&out, static_cast<uint32_t>(shape.bits), 2);
  } else {
    Put(&out, static_cast<uint32_t>(shape.width), 4);
    Put(&out, static_cast<uint32_t>(shape.topDown ? -shape.height : shape.height), 4);
    Put(&out, 1, 2);
    Put(&out, static_cast<uint32_t>(shape.bits), 2);
    Put(&out, shape.compression, 4);
    Put(&out, static_cast<uint32_t>(bits.size()), 4);
    Put(&out, 2835, 4);
    Put(&out, 2835, 4);
    Put(&out, shape.coloursUsed, 4);
    Put(&out, 0, 4);
    const bool bitfields = shape.compression == 3;
    // Masks sit inside the longer headers and after a 40-byte one.
    if (shape.headerSize > 40 || bitfields) {
      for (uint32_t mask : shape.masks) Put(&out, mask, 4);
    }
    while (out.size() < shape.headerSize + (shape.headerSize == 40 && bitfields ? 12 : 0)) out.push_back(0);
  }
  for (uint32_t colour : shape.palette) {
    Put(&out, colour & 0xFFFFFF, 3);  // blue, green, red
    if (shape.headerSize != 12) out.push_back(0);
  }
  out.insert(out.end(), bits.begin(), bits.end());
  return out;
}

// A BMP file: the 14-byte file header before the packed bitmap.
inline std::vector<uint8_t> FileWithBits(const Shape &shape, const std::vector<uint8_t> &bits) {
  const std::vector<uint8_t> packed = PackedWithBits(shape, bits);
  std::vector<uint8_t> out{'B', 'M'};
  Put(&out, static_cast<uint32_t>(14 + packed.size()), 4);
  Put(&out, 0, 4);
  Put(&out, static_cast<uint32_t>(14 + packed.size() - bits.size()), 4);
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

inline std::vector<uint8_t> File(const Shape &shape, const std::vector<uint32_t> &values) {
  const bool rle = shape.compression == 1 || shape.compression == 2;
  return FileWithBits(shape, rle ? EncodeRle(shape, values) : PackRows(shape, values));
}

inline std::vector<uint8_t> Packed(const Shape &shape, const std::vector<uint32_t> &values) {
  const bool rle = shape.compression == 1 || shape.compression == 2;
  return PackedWithBits(shape, rle ? EncodeRle(shape, values) : PackRows(shape, values));
}

inline std::string AsString(const std::vector<uint8_t> &bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace bmp_builder
