// GDI on the library's bitmaps: a bitmap surface's DC counts as a lock (the
// blitter refuses the bitmap while it is out), and BitBlt from an image into
// a bitmap's DC clips to both contexts and converts to the bitmap's pixels.
#include "bitmap/bitmap_registry.h"
#include "support/bitmap_test.h"

namespace {

using GdiPlatform = BitmapTest;

TEST_F(GdiPlatform, SurfaceContextCountsAsALock) {
  StartBitmaps(640, 480, 16);
  ASSERT_EQ(CREATE_BITMAP(1, 8, 8, 0), 0);
  LPDIRECTDRAWSURFACE7 surface = FindBitmap(1)->lpDDSBack;
  HDC dc = nullptr;
  ASSERT_EQ(surface->GetDC(&dc), DD_OK);
  HDC again = nullptr;
  EXPECT_EQ(surface->GetDC(&again), DDERR_DCALREADYCREATED);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(CLEAR_BITMAP(1, 0), 1);  // the blitter refuses a surface with a DC out
  EXPECT_EQ(surface->ReleaseDC(reinterpret_cast<HDC>(0x99)), DDERR_INVALIDPARAMS);
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(surface->ReleaseDC(dc), DD_OK);
  EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
  machine::lose_all_surfaces();
  EXPECT_EQ(CREATE_BITMAP(2, 8, 8, 1), 0);
  EXPECT_EQ(FindBitmap(1)->lpDDSBack->GetDC(&dc), DD_OK);  // system memory is never lost
  EXPECT_EQ(FindBitmap(1)->lpDDSBack->ReleaseDC(dc), DD_OK);
}

// BitBlt clipped on every side, converting 32-bit images into 5-5-5 pixels.
struct BltCase {
  const char *name;
  int x, y, width, height, sourceX, sourceY;
  RECT changed;  // target pixels written (8 x 8 target)
  int shiftX, shiftY;  // source pixel = target pixel + shift
};

class GdiBitBlt : public GdiPlatform, public ::testing::WithParamInterface<BltCase> {};

TEST_P(GdiBitBlt, ClipsToBothContexts) {
  const BltCase &c = GetParam();
  machine::use_rgb555(true);
  StartBitmaps(640, 480, 16);
  ASSERT_EQ(CREATE_BITMAP(1, 8, 8, 0), 0);
  HBITMAP image = LoadFile(6, 6, Gradient);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, image);
  HDC dc = nullptr;
  ASSERT_EQ(FindBitmap(1)->lpDDSBack->GetDC(&dc), DD_OK);
  EXPECT_TRUE(BitBlt(dc, c.x, c.y, c.width, c.height, memory, c.sourceX, c.sourceY, SRCCOPY));
  EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, memory, 0, 0, 0x00EE0086));  // only SRCCOPY
  ASSERT_EQ(FindBitmap(1)->lpDDSBack->ReleaseDC(dc), DD_OK);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(image);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= c.changed.left && x < c.changed.right && y >= c.changed.top && y < c.changed.bottom;
      uint32_t expected = 0;
      if (inside) {
        const uint32_t rgb = Gradient(x + c.shiftX, y + c.shiftY);
        expected = ((rgb >> 19) & 0x1F) << 10 | ((rgb >> 11) & 0x1F) << 5 | ((rgb >> 3) & 0x1F);
      }
      EXPECT_EQ(BitmapPixel(1, x, y), expected) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, GdiBitBlt,
    ::testing::Values(BltCase{"Whole", 0, 0, 6, 6, 0, 0, {0, 0, 6, 6}, 0, 0},
                      BltCase{"PastTheTarget", 4, 5, 6, 6, 0, 0, {4, 5, 8, 8}, -4, -5},
                      BltCase{"NegativeTarget", -2, -3, 6, 6, 0, 0, {0, 0, 4, 3}, 2, 3},
                      BltCase{"SourceOffset", 1, 1, 10, 10, 3, 2, {1, 1, 4, 5}, 2, 1},
                      BltCase{"NegativeSource", 0, 0, 6, 6, -2, 0, {2, 0, 6, 6}, -2, 0},
                      BltCase{"Nothing", 8, 0, 6, 6, 0, 0, {0, 0, 0, 0}, 0, 0}),
    [](const ::testing::TestParamInfo<BltCase> &p) { return std::string(p.param.name); });

}  // namespace
