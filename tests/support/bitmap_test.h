// Fixture of the bitmap suites: a started library with a host instance, a
// display in a chosen mode, and helpers that write BMP files and read or
// write raw bitmap and screen pixels.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/bmp_builder.h"
#include "support/display_test.h"

class BitmapTest : public DisplayTest {
 protected:
  static HINSTANCE Instance() { return reinterpret_cast<HINSTANCE>(0x5000); }

  void StartBitmaps(int width, int height, int bpp, int reportMode = 1) {
    REPORT_MODE("display", reportMode);
    ASSERT_EQ(KORVANE_INIT(Window(), Instance()), 0);
    ASSERT_EQ(DDRAW_INIT(), 0);
    ASSERT_EQ(SET_VIDEO_MODE(width, height, bpp), 0);
  }

  // A 24-bit BMP file of one colour per pixel, `colour(x, y)` as 0xRRGGBB.
  template <typename ColourOf>
  static std::vector<uint8_t> Bmp24(int width, int height, ColourOf colour) {
    bmp_builder::Shape shape;
    shape.width = width;
    shape.height = height;
    std::vector<uint32_t> values;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) values.push_back(colour(x, y));
    }
    return bmp_builder::File(shape, values);
  }

  static void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    WriteWholeFile(path, bmp_builder::AsString(bytes));
  }

  // A 24-bit BMP file of `colour(x, y)` written and loaded as a DIB section.
  static HBITMAP LoadFile(int width, int height, uint32_t (*colour)(int, int)) {
    WriteBytes("image.bmp", Bmp24(width, height, colour));
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, "image.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  }

  // A colour that differs in every pixel of a 16 x 16 image.
  static uint32_t Gradient(int x, int y) { return static_cast<uint32_t>((x * 16) << 16 | (y * 16) << 8 | 0x40); }

  // Raw pixel values of a locked surface memory at the mode's depth.
  static uint32_t Read(const uint8_t *base, int pitch, int x, int y) {
    const int bytes = SURFACE_DEPTH() / 8;
    uint32_t value = 0;
    memcpy(&value, base + static_cast<ptrdiff_t>(y) * pitch + x * bytes, static_cast<size_t>(bytes));
    return value;
  }
  static void Write(uint8_t *base, int pitch, int x, int y, uint32_t value) {
    memcpy(base + static_cast<ptrdiff_t>(y) * pitch + x * (SURFACE_DEPTH() / 8), &value,
           static_cast<size_t>(SURFACE_DEPTH() / 8));
  }

  uint32_t BitmapPixel(int id, int x, int y) {
    EXPECT_EQ(BITMAP_LOCK(id), 0);
    const uint32_t value = Read(BITMAP_POINTER(id), BITMAP_PITCH(id), x, y);
    EXPECT_EQ(BITMAP_UNLOCK(id), 0);
    return value;
  }

  // Fills a bitmap with `value(x, y)` through its lock.
  template <typename ValueOf>
  void PaintBitmap(int id, ValueOf value) {
    ASSERT_EQ(BITMAP_LOCK(id), 0);
    for (int y = 0; y < BITMAP_HEIGHT(id); ++y) {
      for (int x = 0; x < BITMAP_WIDTH(id); ++x) Write(BITMAP_POINTER(id), BITMAP_PITCH(id), x, y, value(x, y));
    }
    ASSERT_EQ(BITMAP_UNLOCK(id), 0);
  }

  // The back buffer's pixels, row after row.
  std::vector<uint32_t> BackBuffer() {
    std::vector<uint32_t> pixels;
    EXPECT_EQ(SURFACE_LOCK(), 0);
    for (int y = 0; y < SURFACE_HEIGHT(); ++y) {
      for (int x = 0; x < SURFACE_WIDTH(); ++x) pixels.push_back(Read(SURFACE_POINTER(), SURFACE_PITCH(), x, y));
    }
    EXPECT_EQ(SURFACE_UNLOCK(), 0);
    return pixels;
  }
};
