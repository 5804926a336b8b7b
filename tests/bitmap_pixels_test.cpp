// Bitmap pixel access (lock, pitch, pointer, the put-pixel exports and their
// bounds) and the BMP screenshot, checked byte by byte at every depth.
#include <type_traits>

#include "bitmap/bitmap_registry.h"
#include "core/allocation.h"
#include "machine_faults.h"
#include "support/bitmap_test.h"

namespace {

class BitmapPixels : public BitmapTest {};

static_assert(sizeof(BITMAP_POINTER(0)) == sizeof(void *), "BITMAP_POINTER is pointer-sized");

TEST_F(BitmapPixels, QueriesBeforeAndAfterTheLock) {
  StartBitmaps(640, 480, 32);
  ASSERT_EQ(CREATE_BITMAP(1, 10, 4, 0), 0);
  EXPECT_EQ(BITMAP_PITCH(1), 0);
  EXPECT_EQ(BITMAP_POINTER(1), nullptr);
  ASSERT_EQ(BITMAP_LOCK(1), 0);
  EXPECT_GE(BITMAP_PITCH(1), 40);
  EXPECT_EQ(BITMAP_POINTER(1), FindBitmap(1)->ddsd.lpSurface);
  ASSERT_EQ(BITMAP_UNLOCK(1), 0);
  EXPECT_NE(BITMAP_POINTER(1), nullptr);  // stale after the unlock, as documented
  EXPECT_EQ(BITMAP_WIDTH(2), 0);
  EXPECT_TRUE(HasLine(" ! - BITMAP_WIDTH = Invalid ID"));
  EXPECT_EQ(BITMAP_HEIGHT(2), 0);
  EXPECT_TRUE(HasLine(" ! - BITMAP_HEIGHT = Invalid ID"));
  EXPECT_EQ(BITMAP_PITCH(2), 0);
  EXPECT_EQ(BITMAP_POINTER(2), nullptr);
  EXPECT_EQ(BITMAP_LOCK(2), 1);
  EXPECT_TRUE(HasLine(" ! - BITMAP_LOCK = Invalid ID 2"));
}

TEST_F(BitmapPixels, LockFailures) {
  StartBitmaps(640, 480, 16);
  ASSERT_EQ(CREATE_BITMAP(1, 4, 4, 0), 0);
  machine::fail_next("IDirectDrawSurface7::Lock", 1, DDERR_SURFACELOST);
  EXPECT_EQ(BITMAP_LOCK(1), 1);
  EXPECT_EQ(ReportLines().back(), "DDBitmap_Lock Failed");
  EXPECT_EQ(BITMAP_UNLOCK(1), 1);  // not locked
  EXPECT_EQ(ReportLines().back(), "DDBITMAP_UNLOCK FAILED");
}

// One put-pixel call at a depth and the bytes it leaves at the pixel.
struct PutCase {
  const char *name;
  int bpp;
  bool palette;
  std::vector<uint8_t> bytes;  // expected bytes of pixel (1, 2), which starts as 0xAA
};

class BitmapPutPixel : public BitmapTest, public ::testing::WithParamInterface<PutCase> {};

TEST_P(BitmapPutPixel, WritesTheModesBytesOnly) {
  const PutCase &c = GetParam();
  StartBitmaps(640, 480, c.bpp);
  ASSERT_EQ(CREATE_BITMAP(1, 4, 4, 0), 0);
  ASSERT_EQ(BITMAP_LOCK(1), 0);
  const int bytes = c.bpp / 8;
  uint8_t *at = BITMAP_POINTER(1) + 2 * BITMAP_PITCH(1) + bytes;
  memset(BITMAP_POINTER(1), 0xAA, static_cast<size_t>(BITMAP_PITCH(1)) * 4);
  if (c.palette) {
    BITMAP_PAL_PUT_PIXEL(1, 1, 2, 0x1C5);
  } else {
    BITMAP_RGB_PUT_PIXEL(1, 1, 2, 0x1FF, 0x80, 0x12);
  }
  EXPECT_EQ(std::vector<uint8_t>(at, at + bytes), c.bytes);
  ASSERT_EQ(BITMAP_UNLOCK(1), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, BitmapPutPixel,
    ::testing::Values(PutCase{"Pal8", 8, true, {0xC5}}, PutCase{"PalIn16", 16, true, {0xAA, 0xAA}},
                      PutCase{"RgbIn8", 8, false, {0xAA}},
                      PutCase{"Rgb16", 16, false, {0x02, 0xFC}},  // MAKE_RGB(0x1FF, 0x80, 0x12) = 0xFC02
                      PutCase{"Rgb24", 24, false, {0x12, 0x80, 0xFF}},
                      PutCase{"Rgb32KeepsFourthByte", 32, false, {0x12, 0x80, 0xFF, 0xAA}}),
    [](const ::testing::TestParamInfo<PutCase> &p) { return std::string(p.param.name); });

TEST_F(BitmapPixels, PutPixelsStayInsideTheLockedBitmap) {
  StartBitmaps(640, 480, 32);
  ASSERT_EQ(CREATE_BITMAP(1, 3, 2, 0), 0);
  ASSERT_EQ(CREATE_BITMAP(2, 3, 2, 0), 0);
  // Without a lock nothing is written.
  BITMAP_RGB_PUT_PIXEL(1, 0, 0, 1, 2, 3);
  EXPECT_EQ(BitmapPixel(1, 0, 0), 0u);
  ASSERT_EQ(BITMAP_LOCK(1), 0);
  for (const auto &xy : std::vector<std::pair<int, int>>{{3, 0}, {-1, 0}, {0, 2}, {0, -1}, {1 << 30, 1}}) {
    BITMAP_RGB_PUT_PIXEL(1, xy.first, xy.second, 9, 9, 9);
  }
  BITMAP_RGB_PUT_PIXEL(1, 2, 1, 9, 9, 9);
  ASSERT_EQ(BITMAP_UNLOCK(1), 0);
  BITMAP_RGB_PUT_PIXEL(1, 0, 0, 1, 2, 3);  // after the unlock: nothing
  int written = 0;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) written += BitmapPixel(1, x, y) != 0;
  }
  EXPECT_EQ(written, 1);
  EXPECT_EQ(BitmapPixel(2, 0, 0), 0u);
  BITMAP_RGB_PUT_PIXEL(3, 0, 0, 1, 2, 3);
  EXPECT_EQ(ReportLines().back(), " ! - BITMAP_RGB_PUT_PIXEL = Invalid ID 3");
}

// SAVE_BMP on a 2 x 3 screen: both rows padded (6 bytes of pixels, 2 zero
// bytes), the bottom row first, each depth's colours as the readers give them.
struct ShotCase {
  const char *name;
  int bpp;
  std::vector<uint32_t> colours;  // 0xRRGGBB put at (x, y), row after row (index in 8-bit modes)
  std::vector<uint8_t> rows;      // the expected pixel rows of the file
};

class BitmapScreenshot : public BitmapTest, public ::testing::WithParamInterface<ShotCase> {};

std::vector<uint8_t> Headers(uint32_t width, uint32_t height, uint32_t imageBytes) {
  std::vector<uint8_t> h = {'B', 'M'};
  bmp_builder::Put(&h, 54 + imageBytes, 4);
  bmp_builder::Put(&h, 0, 4);
  bmp_builder::Put(&h, 54, 4);
  for (uint32_t v : {40u, width, height}) bmp_builder::Put(&h, v, 4);
  bmp_builder::Put(&h, 1, 2);
  bmp_builder::Put(&h, 24, 2);
  for (uint32_t v : {0u, 0u, 10000u, 10000u, 0u, 0u}) bmp_builder::Put(&h, v, 4);
  return h;
}

TEST_P(BitmapScreenshot, WritesTheFileByteByByte) {
  const ShotCase &c = GetParam();
  machine::set_display_modes({{2, 3, 8}, {2, 3, 16}, {2, 3, 24}, {2, 3, 32}});
  StartBitmaps(2, 3, c.bpp);
  for (int i = 1; i <= 6 && c.bpp == 8; ++i) ASSERT_EQ(SET_RGB_ENTRY(i + 1, i * 40, i * 3, 255 - i), 0);
  ASSERT_EQ(PRIM_SURFACE_LOCK(), 0);
  for (int i = 0; i < 6; ++i) {
    const uint32_t colour = c.colours[static_cast<size_t>(i)];
    if (c.bpp == 8) {
      PAL_PUT_PIXEL(i % 2, i / 2, static_cast<int>(colour));
    } else {
      RGB_PUT_PIXEL(i % 2, i / 2, static_cast<int>(colour >> 16), static_cast<int>((colour >> 8) & 0xFF),
                    static_cast<int>(colour & 0xFF));
    }
  }
  ASSERT_EQ(PRIM_SURFACE_UNLOCK(), 0);
  ASSERT_EQ(SAVE_BMP("shot"), 0);
  std::vector<uint8_t> expected = Headers(2, 3, 24);
  expected.insert(expected.end(), c.rows.begin(), c.rows.end());
  EXPECT_EQ(ReadWholeFile("shot.bmp"), bmp_builder::AsString(expected));
  EXPECT_EQ(ReportLines().back(), "!!! shot.bmp saved !!!");
}

INSTANTIATE_TEST_SUITE_P(
    Depths, BitmapScreenshot,
    ::testing::Values(
        ShotCase{"Rgb565", 16, {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x000000, 0x808080},
                 {0, 0, 0, 0x80, 0x80, 0x80, 0, 0, /**/ 0, 0xFC, 0, 0xF8, 0, 0, 0, 0, /**/ 0xF8, 0xFC, 0xF8, 0, 0, 0xF8, 0, 0}},
        ShotCase{"Rgb24", 24, {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112},
                 {0x0F, 0x0E, 0x0D, 0x12, 0x11, 0x10, 0, 0, /**/ 0x09, 0x08, 0x07, 0x0C, 0x0B, 0x0A, 0, 0, /**/ 0x03, 0x02,
                  0x01, 0x06, 0x05, 0x04, 0, 0}},
        ShotCase{"Rgb32", 32, {0xFFFFFF, 0x000000, 0x123456, 0x654321, 0xABCDEF, 0xFEDCBA},
                 {0xEF, 0xCD, 0xAB, 0xBA, 0xDC, 0xFE, 0, 0, /**/ 0x56, 0x34, 0x12, 0x21, 0x43, 0x65, 0, 0, /**/ 0xFF, 0xFF,
                  0xFF, 0, 0, 0, 0, 0}},
        ShotCase{"Palette8", 8, {1, 2, 3, 4, 5, 6},
                 {250, 15, 200, 249, 18, 240, 0, 0, /**/ 252, 9, 120, 251, 12, 160, 0, 0, /**/ 254, 3, 40, 253, 6, 80, 0, 0}}),
    [](const ::testing::TestParamInfo<ShotCase> &p) { return std::string(p.param.name); });

TEST_F(BitmapPixels, ScreenshotOfAFullMode) {
  StartBitmaps(640, 480, 16);
  ASSERT_EQ(CLEAR_PRIM_SURFACE(0xFFFF), 0);
  ASSERT_EQ(PRIM_SURFACE_LOCK(), 0);
  RGB_PUT_PIXEL(0, 479, 0, 0, 0);
  ASSERT_EQ(PRIM_SURFACE_UNLOCK(), 0);
  ASSERT_EQ(SAVE_BMP("shot"), 0);
  const std::string file = ReadWholeFile("shot.bmp");
  ASSERT_EQ(file.size(), 54u + 3u * 640u * 480u);
  EXPECT_EQ(file.substr(54, 6), std::string("\0\0\0\xF8\xFC\xF8", 6));  // the bottom row comes first
}

TEST_F(BitmapPixels, ScreenshotFailures) {
  StartBitmaps(640, 480, 32);
  EXPECT_EQ(SAVE_BMP(nullptr), 1);
  ASSERT_FALSE(machine::message_boxes().empty());
  EXPECT_EQ(machine::message_boxes().back().text, "MUST ENTER THE NAME OF FILE TO SAVE BITMAP TOO!");

  machine::fail_next("CreateFileA", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(SAVE_BMP("shot"), 1);
  EXPECT_EQ(machine::message_boxes().back().text, "COULD NOT OPEN shot.bmp TO SAVE BITMAP TOO!");
  EXPECT_FALSE(FileExists("shot.bmp"));

  machine::fail_next("IDirectDrawSurface7::GetSurfaceDesc", 1, DDERR_GENERIC);
  EXPECT_EQ(SAVE_BMP("shot"), 1);
  EXPECT_EQ(machine::message_boxes().back().text, "COULD NOT GET PRIMARY SURFACE DESRIPTION TO SAVE BITMAP!");

  machine::fail_after("WriteFile", 2, 1, ERROR_DISK_FULL);  // the pixel rows
  Mark();
  EXPECT_EQ(SAVE_BMP("shot"), 1);
  for (const std::string &line : NewLines()) EXPECT_NE(line, "!!! shot.bmp saved !!!");

  const size_t boxes = machine::message_boxes().size();
  machine::fail_next("IDirectDrawSurface7::Lock", 1, DDERR_SURFACELOST);
  EXPECT_EQ(SAVE_BMP("shot"), 1);
  EXPECT_EQ(machine::message_boxes().size(), boxes + 1);  // the critical report
  EXPECT_EQ(SAVE_BMP("shot"), 0);
}

// Memory running out for the file name, and then also for the box's text:
// the open failure's box either way (cut to the report's line when even its
// text has no room), no file, and nothing thrown at the host.
TEST_F(BitmapPixels, ScreenshotWithoutMemoryForItsNames) {
  StartBitmaps(640, 480, 32);
  const std::string longName(300, 'n');
  const std::string whole = "COULD NOT OPEN " + longName + ".bmp TO SAVE BITMAP TOO!";
  struct Row {
    int failing;
    std::string box;
  } rows[] = {{1, whole}, {2, whole.substr(0, 254)}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.failing);
    korvane::FailAllocationsAfter(0, row.failing);
    EXPECT_EQ(SAVE_BMP(longName.c_str()), 1);
    ASSERT_FALSE(machine::message_boxes().empty());
    EXPECT_EQ(machine::message_boxes().back().text, row.box);
    EXPECT_EQ(ReportLines().back(), whole.substr(0, 254));
  }
  korvane::FailAllocationsAfter(0, 0);
  EXPECT_EQ(SAVE_BMP("shot"), 0);
  EXPECT_TRUE(FileExists("shot.bmp"));
}

TEST_F(BitmapPixels, ScreenshotOfAPaletteModeWithoutItsPalette) {
  StartBitmaps(640, 480, 8);
  const size_t boxes = machine::message_boxes().size();
  machine::fail_next("IDirectDrawSurface7::GetPalette", 1, DDERR_NOPALETTEATTACHED);
  EXPECT_EQ(SAVE_BMP("shot"), 1);
  EXPECT_EQ(machine::message_boxes().size(), boxes + 1);
  EXPECT_EQ(SAVE_BMP("shot"), 0);  // the display's palette is still there
}

}  // namespace
