// Loads and stores of single pixels of 1 to 4 bytes as types the kernels are
// specialised on, and the one switch that turns a pixel size into such a type.
#pragma once

#include <cstdint>
#include <cstring>

namespace pixels {

template <int N>
struct Pixel;

template <>
struct Pixel<1> {
  static constexpr int kBytes = 1;
  static uint32_t Load(const uint8_t *at) { return *at; }
  static void Store(uint8_t *at, uint32_t value) { *at = static_cast<uint8_t>(value); }
};

// Pixels that are one machine word of type T, read and written unaligned.
template <typename T>
struct WordPixel {
  static constexpr int kBytes = sizeof(T);
  static uint32_t Load(const uint8_t *at) {
    T value;
    memcpy(&value, at, sizeof value);
    return value;
  }
  static void Store(uint8_t *at, uint32_t value) {
    T narrow = static_cast<T>(value);
    memcpy(at, &narrow, sizeof narrow);
  }
};

template <>
struct Pixel<2> : WordPixel<uint16_t> {};

template <>
struct Pixel<3> {
  static constexpr int kBytes = 3;
  static uint32_t Load(const uint8_t *at) {
    return at[0] | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16);
  }
  static void Store(uint8_t *at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
  }
};

template <>
struct Pixel<4> : WordPixel<uint32_t> {};

inline bool ValidPixelSize(int bytes) { return bytes >= 1 && bytes <= 4; }

// Calls fn with the Pixel type of the given size (nothing for other sizes).
template <typename Fn>
void WithPixelSize(int bytes, Fn &&fn) {
  switch (bytes) {
    case 1: fn(Pixel<1>{}); break;
    case 2: fn(Pixel<2>{}); break;
    case 3: fn(Pixel<3>{}); break;
    case 4: fn(Pixel<4>{}); break;
    default: break;
  }
}

}  // namespace pixels
