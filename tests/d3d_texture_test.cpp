// Textures through the exports: each rule of the format matcher reached by a
// format list chosen for it, surface sizes under POW2 and SQUAREONLY, the
// image in the top-left corner, the registry (duplicate ids, freeing, reuse,
// newest first) and every failing step of LOAD_TEXTURE_BITMAP.
#include "d3d/d3d_state.h"
#include "d3d/texture_format_matcher.h"
#include "d3d/texture_registry.h"
#include "machine_faults.h"
#include "machine_resources.h"
#include "support/d3d_library_test.h"

namespace {

class D3DTexture : public D3DLibraryTest {
 protected:
  void WriteImage(const std::string &path, int width, int height, unsigned colour = 0x00FF00) {
    WriteBytes(path, Bmp24(width, height, [colour](int, int) { return colour; }));
  }

  static DDSURFACEDESC2 SurfaceOf(int id) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    const TextureRecord *texture = FindTexture(id);
    EXPECT_NE(texture, nullptr);
    if (texture != nullptr) texture->lpDDSBack->GetSurfaceDesc(&desc);
    return desc;
  }
};

const DWORD kRGB = DDPF_RGB, kA = DDPF_ALPHAPIXELS, kP8 = DDPF_PALETTEINDEXED8, kL = DDPF_LUMINANCE;

DDPIXELFORMAT Luminance(DWORD flags, DWORD bits, DWORD luminance, DWORD alpha) {
  DDPIXELFORMAT format{};
  format.dwSize = sizeof format;
  format.dwFlags = flags;
  format.dwRGBBitCount = bits;
  format.dwLuminanceBitMask = luminance;
  format.dwRGBAlphaBitMask = alpha;
  return format;
}

// Each rule with a request that reaches it and an offer list where a decoy
// that a neighbouring rule would take comes first.
TEST_F(D3DTexture, EachMatcherRuleIsReachedByItsRequest) {
  struct Row {
    int depth;
    DWORD flags;
    int code;
    std::vector<DDPIXELFORMAT> offers;
    int matchIndex;  // -1: nothing matches
    const char *line;
  };
  const char *found = " -- Texture Format Found";
  const DDPIXELFORMAT argb32 = Format(kRGB | kA, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
  const DDPIXELFORMAT rgb32 = Format(kRGB, 32, 0xFF0000, 0xFF00, 0xFF);
  const DDPIXELFORMAT rgb565 = Format(kRGB, 16, 0xF800, 0x7E0, 0x1F);
  const DDPIXELFORMAT rgb555 = Format(kRGB, 16, 0x7C00, 0x3E0, 0x1F);
  const DDPIXELFORMAT a1555 = Format(kRGB | kA, 16, 0x7C00, 0x3E0, 0x1F, 0x8000);
  const DDPIXELFORMAT a4444 = Format(kRGB | kA, 16, 0xF00, 0xF0, 0xF, 0xF000);
  const DDPIXELFORMAT a8332 = Format(kRGB | kA, 16, 0xE0, 0x1C, 0x3, 0xFF00);
  const DDPIXELFORMAT rgb332 = Format(kRGB, 8, 0xE0, 0x1C, 0x3);
  const DDPIXELFORMAT pal8 = Format(kRGB | kP8, 8, 0, 0, 0);
  const DDPIXELFORMAT pal4 = Format(kRGB | DDPF_PALETTEINDEXED4, 4, 0, 0, 0);
  const DDPIXELFORMAT pal2 = Format(kRGB | DDPF_PALETTEINDEXED2, 2, 0, 0, 0);
  const DDPIXELFORMAT pal1 = Format(kRGB | DDPF_PALETTEINDEXED1, 1, 0, 0, 0);
  const DDPIXELFORMAT l8 = Luminance(kL, 8, 0xFF, 0);
  const DDPIXELFORMAT a8l8 = Luminance(kL | kA, 16, 0xFF, 0xFF00);
  const DDPIXELFORMAT a4l4 = Luminance(kL | kA, 8, 0xF, 0xF0);
  const std::vector<Row> rows = {
      {32, kRGB, 0, {argb32, rgb32}, 1, found},                                          // 1
      {16, kRGB, 565, {rgb555, rgb565}, 1, " -- 16bit RGB 565 Texture Format Found"},     // 2
      {16, kRGB, 565, {rgb555}, -1, nullptr},                                           // 2: only 5-5-5
      {16, kRGB, 555, {rgb565, a1555, rgb555}, 2, " -- 16bit RGB 555 Texture Format Found"},  // 3
      {16, kRGB, 4444, {rgb565, rgb555, a4444}, -1, nullptr},                           // no such RGB code
      {8, kRGB, 0, {pal8, rgb332}, 1, found},                                           // 4
      {32, kRGB | kA, 0, {rgb32, argb32}, 1, found},                                    // 5
      {16, kRGB | kA, 1555, {a4444, a1555}, 1, found},                                  // 6
      {16, kRGB | kA, 4444, {a1555, a4444}, 1, found},                                  // 7
      {16, kRGB | kA, 8332, {a4444, a8332}, 1, found},                                  // 8
      {8, kRGB | kP8, 0, {rgb332, pal8}, 1, found},                                     // 9
      {4, kRGB | kP8, 0, {pal8, pal4}, 1, found},                                       // 10
      {2, kRGB | kP8, 0, {pal4, pal2}, 1, found},                                       // 11
      {1, kRGB | kP8, 0, {pal2, pal1}, 1, found},                                       // 12
      {4, kRGB | DDPF_PALETTEINDEXED4, 0, {pal4}, -1, nullptr},                         // no group
      {8, kL, 0, {a4l4, l8}, 1, found},                                                 // 13
      {16, kL | kA, 0, {rgb565, a8l8}, 1, found},                                       // 14
      {8, kL | kA, 0, {l8, a4l4}, 1, found},                                            // 15
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row &row = rows[i];
    SCOPED_TRACE(i);
    machine::set_texture_formats(row.offers);
    StartDevice(0, 0);
    Mark();
    EXPECT_EQ(IS_TEXTURE_FORMAT(row.depth, static_cast<int>(row.flags), row.code), row.matchIndex >= 0 ? 0 : 1);
    const std::vector<std::string> lines = NewLines();
    if (row.matchIndex >= 0) {
      EXPECT_EQ(lines, std::vector<std::string>{row.line});
    } else {
      EXPECT_TRUE(lines.empty());
    }
    EndRun();
  }
}

// The matched format is the one the texture is made in.
TEST_F(D3DTexture, LoadedTextureHasTheMatchedFormat) {
  StartDevice(0, 0);
  WriteImage("green.bmp", 8, 8);
  ASSERT_EQ(LOAD_TEXTURE_BITMAP("green.bmp", 3, 16, DDPF_RGB | DDPF_ALPHAPIXELS, 4444, 0), 0);
  const DDSURFACEDESC2 desc = SurfaceOf(3);
  EXPECT_EQ(desc.ddpfPixelFormat.dwRGBAlphaBitMask, 0xF000u);
  EXPECT_NE(desc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY, 0u);
  EXPECT_EQ(FindTexture(3)->bManaged, 0);
  ASSERT_EQ(LOAD_TEXTURE_BITMAP("green.bmp", 4, 32, DDPF_RGB, 0, 1), 0);
  EXPECT_NE(SurfaceOf(4).ddsCaps.dwCaps2 & DDSCAPS2_TEXTUREMANAGE, 0u);
  EXPECT_EQ(FindTexture(4)->bManaged, 1);
}

TEST_F(D3DTexture, SurfaceSizeFollowsPow2AndSquareOnly) {
  struct Row {
    DWORD caps;
    int width, height;
    DWORD surfaceWidth, surfaceHeight;
  };
  const Row rows[] = {
      {0, 100, 60, 100, 60},
      {D3DPTEXTURECAPS_POW2, 100, 60, 128, 64},
      {D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, 100, 60, 128, 128},
      {D3DPTEXTURECAPS_SQUAREONLY, 100, 60, 100, 100},
      {D3DPTEXTURECAPS_POW2, 64, 64, 64, 64},
      {D3DPTEXTURECAPS_POW2, 1, 3, 1, 4},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.caps);
    D3DDEVICEDESC7 caps = machine::direct3d_device_caps(IID_IDirect3DRGBDevice);
    caps.dpcTriCaps.dwTextureCaps = row.caps;
    machine::set_direct3d_device_caps(IID_IDirect3DRGBDevice, caps);
    StartDevice(0, 0);
    WriteImage("image.bmp", row.width, row.height, 0xFF0000);
    ASSERT_EQ(LOAD_TEXTURE_BITMAP("image.bmp", 1, 32, DDPF_RGB, 0, 0), 0);
    const DDSURFACEDESC2 desc = SurfaceOf(1);
    EXPECT_EQ(desc.dwWidth, row.surfaceWidth);
    EXPECT_EQ(desc.dwHeight, row.surfaceHeight);
    EXPECT_EQ(FindTexture(1)->nWidth, row.width);
    EXPECT_EQ(FindTexture(1)->nHeight, row.height);
    // The image fills the top-left corner at its own size.
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof locked;
    LPDIRECTDRAWSURFACE7 surface = FindTexture(1)->lpDDSBack;
    ASSERT_EQ(surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    const auto *row0 = static_cast<const uint32_t *>(locked.lpSurface);
    const auto *lastRow = reinterpret_cast<const uint32_t *>(static_cast<const uint8_t *>(locked.lpSurface) +
                                                             (row.height - 1) * locked.lPitch);
    EXPECT_EQ(row0[0] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(lastRow[row.width - 1] & 0xFFFFFF, 0xFF0000u);
    surface->Unlock(nullptr);
    EndRun();
  }
}

TEST_F(D3DTexture, RegistryKeepsIdsAndFreesNewestFirst) {
  StartDevice(0, 0);
  WriteImage("a.bmp", 4, 4);
  ASSERT_EQ(LOAD_TEXTURE_BITMAP("a.bmp", 1, 32, DDPF_RGB, 0, 0), 0);
  const TextureRecord *first = FindTexture(1);
  Mark();
  EXPECT_EQ(LOAD_TEXTURE_BITMAP("a.bmp", 1, 32, DDPF_RGB, 0, 0), 1);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"LOAD_TEXTURE_BITMAP",
                                                  " !!! Texture id '1' has already been assigned to a texture !!!"}));
  EXPECT_EQ(FindTexture(1), first);
  ASSERT_EQ(LOAD_TEXTURE_BITMAP("a.bmp", 2, 32, DDPF_RGB, 0, 0), 0);
  ASSERT_EQ(LOAD_TEXTURE_BITMAP("a.bmp", 3, 32, DDPF_RGB, 0, 0), 0);
  FREE_TEXTURE(1);
  EXPECT_EQ(SET_TEXTURE(0, 1), 1);
  EXPECT_TRUE(HasLine(" !!! Texture id '1' hasn't been assigned to a texture !!!"));
  ASSERT_EQ(LOAD_TEXTURE_BITMAP("a.bmp", 1, 32, DDPF_RGB, 0, 0), 0);  // the id is free again
  EXPECT_EQ(SET_TEXTURE(0, 1), 0);
  Mark();
  FREE_TEXTURE(42);  // names nothing
  EXPECT_EQ(NewLines(), std::vector<std::string>{"   --- Attempting to free texture id 42 ---"});
  Mark();
  Texture_FreeAll();
  std::vector<std::string> freed;
  for (const std::string &line : NewLines()) {
    if (line.rfind("   --- Attempting", 0) == 0) freed.push_back(line);
  }
  EXPECT_EQ(freed, (std::vector<std::string>{"   --- Attempting to free texture id 1 ---",
                                             "   --- Attempting to free texture id 3 ---",
                                             "   --- Attempting to free texture id 2 ---"}));
  EXPECT_EQ(gTextureList, nullptr);
}

TEST_F(D3DTexture, ResourceIsPreferredToAFileOfTheSameName) {
  StartDevice(0, 0);
  WriteImage("both", 4, 4, 0x0000FF);
  machine::add_bitmap_resource_from_file("both", "both");
  WriteImage("both", 8, 8, 0x0000FF);
  ASSERT_EQ(LOAD_TEXTURE_BITMAP("both", 1, 32, DDPF_RGB, 0, 0), 0);
  EXPECT_EQ(FindTexture(1)->nWidth, 4);
}

// Every failing step: result 1, its line (or none), the id left free and
// nothing of the texture left behind.
TEST_F(D3DTexture, FailingStepsLeaveNothingBehind) {
  struct Row {
    const char *operation;
    int passing;
    std::vector<std::string> lastLines;
  };
  const std::vector<Row> rows = {
      {"LoadImageA", 0, {"LOAD_TEXTURE_BITMAP", " !!! Bitmap File Location for texture id not found !!!"}},
      {"IDirect3DDevice7::GetCaps", 0, {"CreateTextureFromBitmap", " --- Creating texture for texture id 5 ---"}},
      {"IDirect3DDevice7::EnumTextureFormats", 0, {" !!! Texture Format not found !!!"}},
      {"IDirectDraw7::CreateSurface", 0, {" --- Creating texture for texture id 5 ---", " -- Texture Format Found"}},
      {"IDirect3DDevice7::GetRenderTarget", 0,
       {" --- Creating texture for texture id 5 ---", " -- Texture Format Found"}},
      {"CreateCompatibleDC", 0, {" --- Creating texture for texture id 5 ---", " -- Texture Format Found"}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.operation);
    StartDevice(0, 0);
    WriteImage("a.bmp", 4, 4);
    const int surfaces = machine::live_directdraw_surfaces();
    machine::fail_after(row.operation, row.passing, 2, E_FAIL);
    Mark();
    EXPECT_EQ(LOAD_TEXTURE_BITMAP("a.bmp", 5, 32, DDPF_RGB, 0, 0), 1);
    std::vector<std::string> lines = NewLines();
    ASSERT_GE(lines.size(), row.lastLines.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<long>(row.lastLines.size()), lines.end()),
              row.lastLines);
    EXPECT_EQ(FindTexture(5), nullptr);
    EXPECT_EQ(machine::live_directdraw_surfaces(), surfaces);
    machine::fail_next(row.operation, 0, S_OK);
    EXPECT_EQ(LOAD_TEXTURE_BITMAP("a.bmp", 5, 32, DDPF_RGB, 0, 0), 0);
    EndRun();
  }
}

TEST_F(D3DTexture, NoMatchingFormatIsReported) {
  StartDevice(0, 0);
  WriteImage("a.bmp", 4, 4);
  Mark();
  EXPECT_EQ(LOAD_TEXTURE_BITMAP("a.bmp", 6, 16, DDPF_RGB, 8332, 0), 1);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"LOAD_TEXTURE_BITMAP", "CreateTextureFromBitmap",
                                                  " --- Creating texture for texture id 6 ---",
                                                  " !!! Texture Format not found !!!"}));
  EXPECT_EQ(LOAD_TEXTURE_BITMAP(nullptr, 6, 32, DDPF_RGB, 0, 0), 1);
  EXPECT_EQ(gRequestedTextureCode, 8332);  // the request of the last enumeration stays
}

}  // namespace
