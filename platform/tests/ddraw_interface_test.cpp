// The platform's DirectDraw as any program sees it: enumeration, cooperative
// level, surface creation and video memory, Blt and BltFast (fill, copy,
// stretch, key, mirror, overlap, rectangle checks), locks, lost surfaces,
// flip chains and palettes. Pixel results are checked on small seeded
// scenes, one varied thing per table row.
#include <windows.h>
#include <ddraw.h>

#include <functional>
#include <string>
#include <vector>

#include "machine.h"
#include "machine_display.h"
#include "support/test_machine.h"

namespace {

HWND Window() { return reinterpret_cast<HWND>(0x5000); }

class PlatformDisplayTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    LPVOID object = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
    dd_ = static_cast<IDirectDraw7 *>(object);
    ASSERT_EQ(dd_->SetCooperativeLevel(Window(), DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
  }
  void TearDown() override {
    for (IDirectDrawSurface7 *surface : made_) surface->Release();
    if (dd_ != nullptr) {
      EXPECT_EQ(dd_->Release(), 0u);
    }
    EXPECT_EQ(machine::live_directdraw_surfaces(), 0);
    MachineTest::TearDown();
  }

  // An off-screen surface of the given depth, released at the end.
  IDirectDrawSurface7 *Plain(DWORD width, DWORD height, DWORD bpp, DWORD caps = DDSCAPS_OFFSCREENPLAIN,
                             HRESULT expected = DD_OK) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = caps;
    desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
    desc.ddpfPixelFormat.dwRGBBitCount = bpp;
    if (bpp == 16) {
      desc.ddpfPixelFormat.dwRBitMask = 0xF800;
      desc.ddpfPixelFormat.dwGBitMask = 0x07E0;
      desc.ddpfPixelFormat.dwBBitMask = 0x001F;
    }
    IDirectDrawSurface7 *surface = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), expected);
    if (surface != nullptr) made_.push_back(surface);
    return surface;
  }

  // Every pixel of an 8-bit surface as one row-major vector.
  static std::vector<int> Pixels(IDirectDrawSurface7 *surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    std::vector<int> pixels;
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      for (DWORD x = 0; x < desc.dwWidth; ++x) {
        pixels.push_back(static_cast<BYTE *>(desc.lpSurface)[y * desc.lPitch + x]);
      }
    }
    surface->Unlock(nullptr);
    return pixels;
  }

  // Fills an 8-bit surface with value(x, y).
  static void Paint(IDirectDrawSurface7 *surface, const std::function<int(int, int)> &value) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      for (DWORD x = 0; x < desc.dwWidth; ++x) {
        static_cast<BYTE *>(desc.lpSurface)[y * desc.lPitch + x] = static_cast<BYTE>(value(x, y));
      }
    }
    surface->Unlock(nullptr);
  }

  IDirectDraw7 *dd_ = nullptr;
  std::vector<IDirectDrawSurface7 *> made_;
};

TEST_F(PlatformDisplayTest, EnumerationListsTheDefaultModesAndMayBeCancelled) {
  struct Seen {
    std::vector<std::string> modes;
    size_t stopAfter;
  };
  auto callback = [](LPDDSURFACEDESC2 desc, LPVOID context) -> HRESULT {
    auto *seen = static_cast<Seen *>(context);
    seen->modes.push_back(std::to_string(desc->dwWidth) + "x" + std::to_string(desc->dwHeight) + "x" +
                          std::to_string(desc->ddpfPixelFormat.dwRGBBitCount));
    const DDPIXELFORMAT &format = desc->ddpfPixelFormat;
    EXPECT_TRUE(format.dwRGBBitCount != 16 || format.dwGBitMask == 0x07E0u) << "5-6-5";
    EXPECT_TRUE(format.dwRGBBitCount != 32 || format.dwBBitMask == 0xFFu) << "blue lowest";
    return seen->modes.size() == seen->stopAfter ? DDENUMRET_CANCEL : DDENUMRET_OK;
  };
  Seen all{{}, 0};
  ASSERT_EQ(dd_->EnumDisplayModes(0, nullptr, &all, callback), DD_OK);
  ASSERT_EQ(all.modes.size(), 12u);
  EXPECT_EQ(all.modes.front(), "640x480x8");
  EXPECT_EQ(all.modes[5], "800x600x16");
  EXPECT_EQ(all.modes.back(), "1024x768x32");
  Seen three{{}, 3};
  ASSERT_EQ(dd_->EnumDisplayModes(0, nullptr, &three, callback), DD_OK);
  EXPECT_EQ(three.modes.size(), 3u);
  EXPECT_EQ(dd_->EnumDisplayModes(0, nullptr, nullptr, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(PlatformDisplayTest, CooperativeLevelRules) {
  EXPECT_EQ(dd_->SetCooperativeLevel(Window(), DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
  EXPECT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
  LPVOID second = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, &second, IID_IDirectDraw7, nullptr), DD_OK);
  auto *other = static_cast<IDirectDraw7 *>(second);
  EXPECT_EQ(other->SetCooperativeLevel(Window(), DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DDERR_EXCLUSIVEMODEALREADYSET);
  EXPECT_EQ(other->SetDisplayMode(640, 480, 8, 0, 0), DDERR_NOCOOPERATIVELEVELSET);
  other->Release();
  EXPECT_EQ(dd_->SetDisplayMode(640, 480, 12, 0, 0), DDERR_INVALIDMODE);
  EXPECT_EQ(dd_->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
}

TEST_F(PlatformDisplayTest, VideoMemoryIsAccounted) {
  machine::set_video_memory(64 * 64);
  ASSERT_NE(Plain(64, 32, 8, DDSCAPS_VIDEOMEMORY), nullptr);
  EXPECT_EQ(machine::video_memory_in_use(), 64u * 32);
  Plain(64, 64, 8, DDSCAPS_VIDEOMEMORY, DDERR_OUTOFVIDEOMEMORY);
  ASSERT_NE(Plain(64, 64, 8, DDSCAPS_SYSTEMMEMORY), nullptr);
  IDirectDrawSurface7 *either = Plain(64, 64, 8);
  ASSERT_NE(either, nullptr);
  DDSCAPS2 caps{};
  either->GetCaps(&caps);
  EXPECT_TRUE(caps.dwCaps & DDSCAPS_SYSTEMMEMORY) << "falls back to system memory";
  DDSCAPS2 query{DDSCAPS_VIDEOMEMORY, 0, 0, {0}};
  DWORD total = 0, free = 0;
  ASSERT_EQ(dd_->GetAvailableVidMem(&query, &total, &free), DD_OK);
  EXPECT_EQ(total, 64u * 64);
  EXPECT_EQ(free, 64u * 32);
  Plain(100000, 100000, 32, DDSCAPS_SYSTEMMEMORY, DDERR_OUTOFMEMORY);
}

TEST_F(PlatformDisplayTest, RectanglesOutsideOrInvertedAreRefused) {
  IDirectDrawSurface7 *target = Plain(8, 8, 8);
  IDirectDrawSurface7 *source = Plain(4, 4, 8);
  DDBLTFX fill{};
  fill.dwSize = sizeof fill;
  fill.dwFillColor = 9;
  for (RECT rect : {RECT{-1, 0, 2, 2}, RECT{0, 0, 9, 1}, RECT{3, 3, 2, 5}, RECT{0, 0, 0, 4}, RECT{0, 7, 8, 9}}) {
    RECT copy = rect;
    EXPECT_EQ(target->Blt(&copy, nullptr, nullptr, DDBLT_COLORFILL, &fill), DDERR_INVALIDRECT);
    EXPECT_EQ(target->Blt(nullptr, source, &copy, 0, nullptr), DDERR_INVALIDRECT);
  }
  EXPECT_EQ(target->BltFast(5, 5, source, nullptr, 0), DDERR_INVALIDRECT);
  EXPECT_EQ(target->BltFast(0xFFFFFFFFu, 0, source, nullptr, 0), DDERR_INVALIDRECT);
  for (int pixel : Pixels(target)) ASSERT_EQ(pixel, 0) << "nothing written";
  EXPECT_EQ(target->BltFast(4, 4, source, nullptr, 0), DD_OK);
}

// The blit scenes: a 4x2 source with values 10 + x + 4y, key 11, onto a
// target filled with 0.
TEST_F(PlatformDisplayTest, BltScenes) {
  struct Row {
    const char *what;
    RECT dest;
    DWORD flags;
    DWORD fx;
    std::vector<int> expected;  // the target's top-left 4x2 or 8x2 pixels, row by row (width 8)
  };
  const std::vector<Row> rows = {
      {"copy", {0, 0, 4, 2}, 0, 0, {10, 11, 12, 13, 0, 0, 0, 0, 14, 15, 16, 17, 0, 0, 0, 0}},
      {"keyed", {0, 0, 4, 2}, DDBLT_KEYSRC, 0, {10, 0, 12, 13, 0, 0, 0, 0, 14, 15, 16, 17, 0, 0, 0, 0}},
      {"stretch x2", {0, 0, 8, 2}, 0, 0, {10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 17, 17}},
      {"shrink (pixel centres)", {0, 0, 2, 1}, 0, 0, {15, 17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"mirror left-right", {0, 0, 4, 2}, DDBLT_DDFX, DDBLTFX_MIRRORLEFTRIGHT,
       {13, 12, 11, 10, 0, 0, 0, 0, 17, 16, 15, 14, 0, 0, 0, 0}},
      {"mirror up-down", {0, 0, 4, 2}, DDBLT_DDFX, DDBLTFX_MIRRORUPDOWN,
       {14, 15, 16, 17, 0, 0, 0, 0, 10, 11, 12, 13, 0, 0, 0, 0}},
      {"keyed mirror", {0, 0, 4, 2}, DDBLT_DDFX | DDBLT_KEYSRC, DDBLTFX_MIRRORLEFTRIGHT,
       {13, 12, 0, 10, 0, 0, 0, 0, 17, 16, 15, 14, 0, 0, 0, 0}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    IDirectDrawSurface7 *source = Plain(4, 2, 8);
    IDirectDrawSurface7 *target = Plain(8, 2, 8);
    Paint(source, [](int x, int y) { return 10 + x + 4 * y; });
    DDCOLORKEY key{11, 0};
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwDDFX = row.fx;
    RECT dest = row.dest;
    ASSERT_EQ(target->Blt(&dest, source, nullptr, row.flags, &fx), DD_OK);
    EXPECT_EQ(Pixels(target), row.expected);
  }
}

TEST_F(PlatformDisplayTest, OverlappingCopiesOnOneSurface) {
  struct Row {
    const char *what;
    RECT source;
    RECT dest;
    bool fast;
  };
  const Row rows[] = {
      {"right by one", {0, 0, 6, 1}, {1, 0, 7, 1}, false}, {"left by one", {1, 0, 7, 1}, {0, 0, 6, 1}, false},
      {"down", {0, 0, 8, 2}, {0, 1, 8, 3}, false},          {"fast right", {0, 0, 6, 1}, {2, 0, 8, 1}, true},
      {"stretched over itself", {0, 0, 4, 1}, {0, 0, 8, 1}, false},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    IDirectDrawSurface7 *surface = Plain(8, 3, 8);
    Paint(surface, [](int x, int y) { return 1 + x + 8 * y; });
    std::vector<int> before = Pixels(surface);
    // What a copy through a separate buffer gives.
    std::vector<int> expected = before;
    const int dw = row.dest.right - row.dest.left, sw = row.source.right - row.source.left;
    for (int y = row.dest.top; y < row.dest.bottom; ++y) {
      for (int x = row.dest.left; x < row.dest.right; ++x) {
        const int sx = row.source.left + static_cast<int>((2LL * (x - row.dest.left) + 1) * sw / (2LL * dw));
        const int sy = row.source.top + (y - row.dest.top);
        expected[static_cast<size_t>(y * 8 + x)] = before[static_cast<size_t>(sy * 8 + sx)];
      }
    }
    RECT source = row.source, dest = row.dest;
    if (row.fast) {
      const DWORD x = static_cast<DWORD>(dest.left), y = static_cast<DWORD>(dest.top);
      ASSERT_EQ(surface->BltFast(x, y, surface, &source, 0), DD_OK);
    } else {
      ASSERT_EQ(surface->Blt(&dest, surface, &source, DDBLT_WAIT, nullptr), DD_OK);
    }
    EXPECT_EQ(Pixels(surface), expected);
  }
}

TEST_F(PlatformDisplayTest, FillsInEveryDepthStayInsideTheirRectangle) {
  for (DWORD bpp : {8u, 16u, 24u, 32u}) {
    SCOPED_TRACE(bpp);
    IDirectDrawSurface7 *surface = Plain(5, 3, bpp);
    DDBLTFX fill{};
    fill.dwSize = sizeof fill;
    fill.dwFillColor = 0xA1B2C3D4;
    RECT rect{1, 1, 4, 2};
    ASSERT_EQ(surface->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill), DD_OK);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const int bytes = static_cast<int>(bpp / 8);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        const BYTE *at = static_cast<BYTE *>(desc.lpSurface) + y * desc.lPitch + x * bytes;
        const bool inside = y == 1 && x >= 1 && x < 4;
        for (int b = 0; b < bytes; ++b) {
          ASSERT_EQ(at[b], inside ? static_cast<BYTE>(0xA1B2C3D4u >> (8 * b)) : 0) << x << "," << y;
        }
      }
    }
    surface->Unlock(nullptr);
  }
}

TEST_F(PlatformDisplayTest, LocksAndLostSurfaces) {
  IDirectDrawSurface7 *surface = Plain(4, 4, 8, DDSCAPS_VIDEOMEMORY);
  IDirectDrawSurface7 *system = Plain(4, 4, 8, DDSCAPS_SYSTEMMEMORY);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(system->BltFast(0, 0, surface, nullptr, 0), DDERR_SURFACEBUSY);
  EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
  EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
  RECT inverted{3, 0, 1, 2};
  EXPECT_EQ(surface->Lock(&inverted, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
  machine::lose_all_surfaces();
  EXPECT_EQ(surface->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(system->IsLost(), DD_OK) << "system memory is never lost";
  EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(system->BltFast(0, 0, surface, nullptr, 0), DDERR_SURFACELOST);
  ASSERT_EQ(dd_->RestoreAllSurfaces(), DD_OK);
  EXPECT_EQ(surface->IsLost(), DD_OK);
  machine::lose_all_surfaces();
  EXPECT_EQ(surface->Restore(), DD_OK);
  EXPECT_EQ(surface->BltFast(0, 0, system, nullptr, 0), DD_OK);
}

TEST_F(PlatformDisplayTest, FlipChainRotatesItsBuffers) {
  machine::use_virtual_display_clock();
  ASSERT_EQ(dd_->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.dwBackBufferCount = 2;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  IDirectDrawSurface7 *front = nullptr;
  ASSERT_EQ(dd_->CreateSurface(&desc, &front, nullptr), DD_OK);
  made_.push_back(front);
  EXPECT_EQ(dd_->CreateSurface(&desc, &front, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
  front = made_.back();
  DDSCAPS2 backCaps{DDSCAPS_BACKBUFFER, 0, 0, {0}};
  IDirectDrawSurface7 *back = nullptr, *third = nullptr;
  ASSERT_EQ(front->GetAttachedSurface(&backCaps, &back), DD_OK);
  DDSCAPS2 flipCaps{DDSCAPS_FLIP, 0, 0, {0}};
  ASSERT_EQ(back->GetAttachedSurface(&flipCaps, &third), DD_OK);
  Paint(front, [](int, int) { return 1; });
  Paint(back, [](int, int) { return 2; });
  Paint(third, [](int, int) { return 3; });
  for (int shown : {2, 3, 1, 2}) {
    ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(Pixels(front)[0], shown);
    EXPECT_EQ(machine::front_buffer().pixel(0, 0), static_cast<uint32_t>(shown * 0x010101)) << "grey without palette";
  }
  EXPECT_EQ(back->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
  machine::set_flip_latency(5.0);
  ASSERT_EQ(front->Flip(nullptr, 0), DD_OK);
  EXPECT_EQ(front->GetFlipStatus(DDGFS_CANFLIP), DDERR_WASSTILLDRAWING);
  EXPECT_EQ(front->Flip(nullptr, 0), DDERR_WASSTILLDRAWING);
  EXPECT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK) << "waits the flip out";
  EXPECT_DOUBLE_EQ(machine::display_clock_ms(), 5.0) << "the wait jumped the clock";
  third->Release();
  back->Release();
}

TEST_F(PlatformDisplayTest, PalettesAndTheFrontBuffersColours) {
  ASSERT_EQ(dd_->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7 *primary = nullptr;
  ASSERT_EQ(dd_->CreateSurface(&desc, &primary, nullptr), DD_OK);
  made_.push_back(primary);
  PALETTEENTRY entries[256] = {};
  IDirectDrawPalette *palette = nullptr;
  ASSERT_EQ(dd_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr), DD_OK);
  ASSERT_EQ(primary->SetPalette(palette), DD_OK);
  PALETTEENTRY red{255, 0, 0, 0};
  EXPECT_EQ(palette->SetEntries(0, 7, 1, &red), DD_OK);
  EXPECT_EQ(palette->SetEntries(0, 255, 2, entries), DDERR_INVALIDPARAMS);
  EXPECT_EQ(palette->GetEntries(0, 256, 1, entries), DDERR_INVALIDPARAMS);
  DDBLTFX fill{};
  fill.dwSize = sizeof fill;
  fill.dwFillColor = 7;
  ASSERT_EQ(primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fill), DD_OK);
  EXPECT_EQ(machine::front_buffer().pixel(639, 479), 0xFF0000u);
  EXPECT_TRUE(machine::write_front_buffer_bmp("front.bmp"));
  const std::string bmp = ReadWholeFile("front.bmp");
  ASSERT_EQ(bmp.size(), 54u + 640 * 480 * 3);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<unsigned char>(bmp[54 + 2]), 0xFFu) << "red is the third byte of a pixel";
  IDirectDrawSurface7 *plain16 = Plain(4, 4, 16);
  EXPECT_EQ(plain16->SetPalette(palette), DDERR_INVALIDPIXELFORMAT);
  palette->Release();
  EXPECT_EQ(machine::live_directdraw_palettes(), 1) << "the primary keeps its palette";
}

}  // namespace
