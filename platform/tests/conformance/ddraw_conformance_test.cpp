// DirectDraw 7 as any program sees it: off-screen surfaces and their
// description, colour fills, Blt (copy, source colour key, stretch, mirror)
// and BltFast, rectangle checks, locks, palettes and a flip chain. Surfaces
// are 32-bit XRGB or 16-bit 5-6-5 in system memory, formats every DirectDraw
// offers whatever the desktop's depth.
#include "conformance.h"

#include <ddraw.h>

#include <vector>

namespace {

class DirectDrawConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    dd_ = conformance::NormalDirectDraw();
    ASSERT_NE(dd_, nullptr);
  }
  void TearDown() override {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) (*it)->Release();
    if (dd_ != nullptr) {
      dd_->SetCooperativeLevel(conformance::TestWindow(), DDSCL_NORMAL);
      EXPECT_EQ(dd_->Release(), 0u);
    }
  }

  // A system-memory surface of 32 (XRGB) or 16 (5-6-5) bits, released at
  // the end of the case.
  IDirectDrawSurface7 *Plain(DWORD width, DWORD height, DWORD bpp = 32) {
    DDSURFACEDESC2 desc = conformance::PlainSurfaceDesc(width, height, bpp);
    IDirectDrawSurface7 *surface = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DD_OK);
    if (surface != nullptr) made_.push_back(surface);
    return surface;
  }

  // Every pixel of a surface, row by row (32- or 16-bit values).
  static std::vector<DWORD> Pixels(IDirectDrawSurface7 *surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    std::vector<DWORD> pixels;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    if (desc.lpSurface == nullptr) return pixels;
    const DWORD bytes = desc.ddpfPixelFormat.dwRGBBitCount / 8;
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      const BYTE *row = static_cast<const BYTE *>(desc.lpSurface) + y * desc.lPitch;
      for (DWORD x = 0; x < desc.dwWidth; ++x) {
        DWORD value = 0;
        for (DWORD b = 0; b < bytes; ++b) value |= static_cast<DWORD>(row[x * bytes + b]) << (8 * b);
        pixels.push_back(bytes == 4 ? value & 0xFFFFFF : value);
      }
    }
    surface->Unlock(nullptr);
    return pixels;
  }

  // Writes value(x, y) into every pixel of a 32-bit surface.
  template <typename Value>
  static void Paint(IDirectDrawSurface7 *surface, Value value) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      DWORD *row = reinterpret_cast<DWORD *>(static_cast<BYTE *>(desc.lpSurface) + y * desc.lPitch);
      for (DWORD x = 0; x < desc.dwWidth; ++x) row[x] = value(static_cast<int>(x), static_cast<int>(y));
    }
    ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
  }

  static DDBLTFX Fill(DWORD colour) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = colour;
    return fx;
  }

  IDirectDraw7 *dd_ = nullptr;
  std::vector<IDirectDrawSurface7 *> made_;
};

TEST_F(DirectDrawConformance, SurfacesDescribeThemselves) {
  for (DWORD bpp : {16u, 32u}) {
    SCOPED_TRACE(bpp);
    IDirectDrawSurface7 *surface = Plain(7, 3, bpp);
    ASSERT_NE(surface, nullptr);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, 7u);
    EXPECT_EQ(desc.dwHeight, 3u);
    EXPECT_GE(desc.lPitch, static_cast<LONG>(7 * bpp / 8));
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, bpp);
    EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, bpp == 16 ? 0x07E0u : 0xFF00u);
    EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN);
  }
  DDSURFACEDESC2 small{};
  small.dwSize = sizeof small - 1;
  EXPECT_EQ(made_.back()->GetSurfaceDesc(&small), DDERR_INVALIDPARAMS) << "a wrong dwSize is refused";
  DDSURFACEDESC2 noSize{};
  noSize.dwSize = sizeof noSize;
  noSize.dwFlags = DDSD_CAPS | DDSD_WIDTH;
  noSize.dwWidth = 4;
  noSize.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  IDirectDrawSurface7 *surface = nullptr;
  EXPECT_NE(dd_->CreateSurface(&noSize, &surface, nullptr), DD_OK) << "an off-screen surface needs both sizes";
  EXPECT_EQ(surface, nullptr);
}

TEST_F(DirectDrawConformance, ColourFillsStayInsideTheirRectangle) {
  for (DWORD bpp : {16u, 32u}) {
    SCOPED_TRACE(bpp);
    IDirectDrawSurface7 *surface = Plain(5, 3, bpp);
    DDBLTFX clear = Fill(0);
    ASSERT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &clear), DD_OK);
    const DWORD colour = bpp == 16 ? 0xF81F : 0x123456;
    DDBLTFX fill = Fill(colour);
    RECT rect{1, 1, 4, 2};
    ASSERT_EQ(surface->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill), DD_OK);
    const std::vector<DWORD> pixels = Pixels(surface);
    ASSERT_EQ(pixels.size(), 15u);
    for (int i = 0; i < 15; ++i) {
      const int x = i % 5, y = i / 5;
      EXPECT_EQ(pixels[i], y == 1 && x >= 1 && x < 4 ? colour : 0u) << x << "," << y;
    }
  }
}

// The blit scenes: a 4x2 source with distinct colours, one of them the
// source colour key, onto a cleared 8x2 target.
TEST_F(DirectDrawConformance, BltScenes) {
  const DWORD a = 0x100000, b = 0x200000, c = 0x300000, d = 0x400000;
  const DWORD e = 0x000010, f = 0x000020, g = 0x000030, h = 0x000040;
  const DWORD key = b;
  struct Row {
    const char *what;
    RECT dest;
    DWORD flags;
    DWORD fx;
    std::vector<DWORD> expected;  // the whole 8x2 target
  };
  const std::vector<Row> rows = {
      {"copy", {0, 0, 4, 2}, 0, 0, {a, b, c, d, 0, 0, 0, 0, e, f, g, h, 0, 0, 0, 0}},
      {"copy at an offset", {3, 0, 7, 2}, 0, 0, {0, 0, 0, a, b, c, d, 0, 0, 0, 0, e, f, g, h, 0}},
      {"keyed", {0, 0, 4, 2}, DDBLT_KEYSRC, 0, {a, 0, c, d, 0, 0, 0, 0, e, f, g, h, 0, 0, 0, 0}},
      {"stretch x2", {0, 0, 8, 2}, 0, 0, {a, a, b, b, c, c, d, d, e, e, f, f, g, g, h, h}},
      {"mirror left-right", {0, 0, 4, 2}, DDBLT_DDFX, DDBLTFX_MIRRORLEFTRIGHT,
       {d, c, b, a, 0, 0, 0, 0, h, g, f, e, 0, 0, 0, 0}},
      {"mirror up-down", {0, 0, 4, 2}, DDBLT_DDFX, DDBLTFX_MIRRORUPDOWN, {e, f, g, h, 0, 0, 0, 0, a, b, c, d, 0, 0, 0, 0}},
      {"keyed mirror", {0, 0, 4, 2}, DDBLT_DDFX | DDBLT_KEYSRC, DDBLTFX_MIRRORLEFTRIGHT,
       {d, c, 0, a, 0, 0, 0, 0, h, g, f, e, 0, 0, 0, 0}},
  };
  const DWORD colours[8] = {a, b, c, d, e, f, g, h};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    IDirectDrawSurface7 *source = Plain(4, 2);
    IDirectDrawSurface7 *target = Plain(8, 2);
    Paint(source, [&](int x, int y) { return colours[x + 4 * y]; });
    Paint(target, [](int, int) { return 0u; });
    DDCOLORKEY colourKey{key, key};
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &colourKey), DD_OK);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwDDFX = row.fx;
    RECT dest = row.dest;
    ASSERT_EQ(target->Blt(&dest, source, nullptr, row.flags | DDBLT_WAIT, row.fx ? &fx : nullptr), DD_OK);
    EXPECT_EQ(Pixels(target), row.expected);
  }
}

TEST_F(DirectDrawConformance, BltFastCopiesWithOrWithoutTheKey) {
  IDirectDrawSurface7 *source = Plain(3, 1);
  IDirectDrawSurface7 *target = Plain(4, 2);
  Paint(source, [](int x, int) { return static_cast<DWORD>(0x010101 * (x + 1)); });
  DDCOLORKEY key{0x020202, 0x020202};
  ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  DDCOLORKEY back{};
  ASSERT_EQ(source->GetColorKey(DDCKEY_SRCBLT, &back), DD_OK);
  EXPECT_EQ(back.dwColorSpaceLowValue, 0x020202u);
  Paint(target, [](int, int) { return 0x999999u; });
  ASSERT_EQ(target->BltFast(1, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
  RECT part{1, 0, 3, 1};
  ASSERT_EQ(target->BltFast(0, 1, source, &part, DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT), DD_OK);
  const std::vector<DWORD> expected = {0x999999, 0x010101, 0x999999, 0x030303,
                                       0x020202, 0x030303, 0x999999, 0x999999};
  EXPECT_EQ(Pixels(target), expected);
}

TEST_F(DirectDrawConformance, RectanglesOutsideTheSurfaceAreRefused) {
  IDirectDrawSurface7 *target = Plain(8, 8);
  IDirectDrawSurface7 *source = Plain(4, 4);
  Paint(target, [](int, int) { return 0u; });
  DDBLTFX fill = Fill(0xABCDEF);
  for (RECT rect : {RECT{-1, 0, 2, 2}, RECT{0, 0, 9, 1}, RECT{3, 3, 2, 5}, RECT{0, 7, 8, 9}}) {
    SCOPED_TRACE(::testing::Message() << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom);
    RECT copy = rect;
    EXPECT_EQ(target->Blt(&copy, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill), DDERR_INVALIDRECT);
    EXPECT_EQ(target->Blt(nullptr, source, &copy, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
  }
  EXPECT_EQ(target->BltFast(5, 5, source, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  for (DWORD pixel : Pixels(target)) ASSERT_EQ(pixel, 0u) << "nothing written";
  EXPECT_EQ(target->BltFast(4, 4, source, nullptr, DDBLTFAST_WAIT), DD_OK) << "the last corner fits";
}

TEST_F(DirectDrawConformance, LocksAreExclusiveAndRectanglesChecked) {
  IDirectDrawSurface7 *surface = Plain(4, 4);
  IDirectDrawSurface7 *other = Plain(4, 4);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
  ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_NE(desc.lpSurface, nullptr);
  EXPECT_EQ(desc.dwWidth, 4u);
  DDSURFACEDESC2 again{};
  again.dwSize = sizeof again;
  EXPECT_EQ(surface->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(other->BltFast(0, 0, surface, nullptr, DDBLTFAST_WAIT), DDERR_SURFACEBUSY) << "a locked source";
  ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
  EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);

  // A locked rectangle: the pointer is at its top-left corner.
  DDSURFACEDESC2 whole{};
  whole.dwSize = sizeof whole;
  ASSERT_EQ(surface->Lock(nullptr, &whole, DDLOCK_WAIT, nullptr), DD_OK);
  BYTE *base = static_cast<BYTE *>(whole.lpSurface);
  ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
  RECT part{1, 2, 3, 4};
  DDSURFACEDESC2 corner{};
  corner.dwSize = sizeof corner;
  ASSERT_EQ(surface->Lock(&part, &corner, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(static_cast<BYTE *>(corner.lpSurface), base + 2 * whole.lPitch + 4);
  ASSERT_EQ(surface->Unlock(&part), DD_OK);
}

TEST_F(DirectDrawConformance, LockingARectangleOutsideTheSurfaceIsRefused) {
  SKIP_ON_PLATFORM("answers DDERR_INVALIDRECT, not DDERR_INVALIDPARAMS");
  IDirectDrawSurface7 *surface = Plain(4, 4);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  for (RECT rect : {RECT{2, 2, 5, 3}, RECT{3, 0, 1, 2}}) {
    EXPECT_EQ(surface->Lock(&rect, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
  }
}

TEST_F(DirectDrawConformance, PaletteEntriesRoundTripWithinTheirRange) {
  PALETTEENTRY entries[256];
  for (int i = 0; i < 256; ++i) entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7, 0};
  IDirectDrawPalette *palette = nullptr;
  ASSERT_EQ(dd_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr), DD_OK);
  DWORD caps = 0;
  ASSERT_EQ(palette->GetCaps(&caps), DD_OK);
  EXPECT_TRUE(caps & DDPCAPS_8BIT);
  PALETTEENTRY red{255, 0, 0, 0};
  ASSERT_EQ(palette->SetEntries(0, 7, 1, &red), DD_OK);
  PALETTEENTRY back[3] = {};
  ASSERT_EQ(palette->GetEntries(0, 6, 3, back), DD_OK);
  EXPECT_EQ(back[0].peRed, 6);
  EXPECT_EQ(back[1].peRed, 255);
  EXPECT_EQ(back[1].peGreen, 0);
  EXPECT_EQ(back[2].peGreen, 255 - 8);
  EXPECT_EQ(palette->SetEntries(0, 0, 1, nullptr), DDERR_INVALIDPARAMS);
  // A palette on a 16-bit surface has nothing to index.
  IDirectDrawSurface7 *plain16 = Plain(4, 4, 16);
  EXPECT_EQ(plain16->SetPalette(palette), DDERR_INVALIDPIXELFORMAT);
  EXPECT_EQ(palette->Release(), 0u);
}

TEST_F(DirectDrawConformance, PaletteRefusesEntriesPastItsEnd) {
  SKIP_UNDER_WINE("Wine 8: GetEntries past the end answers WINED3DERR_INVALIDCALL (0x8876086C)");
  PALETTEENTRY entries[256] = {};
  IDirectDrawPalette *palette = nullptr;
  ASSERT_EQ(dd_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr), DD_OK);
  PALETTEENTRY back[2] = {};
  EXPECT_EQ(palette->GetEntries(0, 256, 1, back), DDERR_INVALIDPARAMS) << "start past the end";
  EXPECT_EQ(palette->Release(), 0u);
}

TEST_F(DirectDrawConformance, FlipChainShowsTheBackBuffer) {
  HWND window = conformance::TestWindow();
  ASSERT_EQ(dd_->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
  ASSERT_EQ(dd_->SetDisplayMode(1024, 768, 32, 0, 0), DD_OK);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.dwBackBufferCount = 1;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  IDirectDrawSurface7 *front = nullptr;
  ASSERT_EQ(dd_->CreateSurface(&desc, &front, nullptr), DD_OK);
  made_.push_back(front);
  DDSCAPS2 backCaps{DDSCAPS_BACKBUFFER, 0, 0, {0}};
  IDirectDrawSurface7 *back = nullptr;
  ASSERT_EQ(front->GetAttachedSurface(&backCaps, &back), DD_OK);
  for (DWORD colour : {0x0000FFu, 0x00FF00u}) {
    SCOPED_TRACE(colour);
    DDBLTFX fill = Fill(colour);
    ASSERT_EQ(back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill), DD_OK);
    ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    DDSURFACEDESC2 shown{};
    shown.dwSize = sizeof shown;
    RECT pixel{10, 10, 11, 11};
    ASSERT_EQ(front->Lock(&pixel, &shown, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
    EXPECT_EQ(*static_cast<DWORD *>(shown.lpSurface) & 0xFFFFFF, colour);
    front->Unlock(&pixel);
  }
  EXPECT_EQ(back->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE) << "only the front buffer flips";
  back->Release();

  SKIP_UNDER_WINE("Wine 8: makes a second primary surface in exclusive mode");
  IDirectDrawSurface7 *second = nullptr;
  EXPECT_EQ(dd_->CreateSurface(&desc, &second, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
  if (second != nullptr) made_.push_back(second);
}

}  // namespace
