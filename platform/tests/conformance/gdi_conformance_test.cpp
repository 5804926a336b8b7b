// GDI images as any program sees them: BMP files loaded with LoadImageA as
// bitmaps and DIB sections, described by GetObjectA, and copied with BitBlt
// onto DirectDraw surfaces of 32 and 16 bits, converting the pixels.
#include "conformance.h"

#include <ddraw.h>

#include <vector>

namespace {

using conformance::PutU16;
using conformance::PutU32;
using conformance::ScratchFile;

// A bottom-up 24-bit BMP of 3x2 pixels; `rgb` lists the top row first.
std::string Bmp24(const std::vector<DWORD> &rgb) {
  const unsigned rowBytes = 12;  // 9 bytes of pixels padded to 4
  std::string out = "BM";
  PutU32(out, 54 + rowBytes * 2);
  PutU32(out, 0);
  PutU32(out, 54);
  PutU32(out, 40);
  PutU32(out, 3);
  PutU32(out, 2);
  PutU16(out, 1);
  PutU16(out, 24);
  PutU32(out, BI_RGB);
  PutU32(out, rowBytes * 2);
  PutU32(out, 2835);
  PutU32(out, 2835);
  PutU32(out, 0);
  PutU32(out, 0);
  for (int y = 1; y >= 0; --y) {
    for (int x = 0; x < 3; ++x) {
      const DWORD colour = rgb[static_cast<size_t>(y * 3 + x)];
      out.push_back(static_cast<char>(colour & 0xFF));
      out.push_back(static_cast<char>((colour >> 8) & 0xFF));
      out.push_back(static_cast<char>((colour >> 16) & 0xFF));
    }
    out.append(3, '\0');
  }
  return out;
}

HBITMAP LoadBmp(const char *path, UINT flags) {
  return static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | flags));
}

TEST(GdiConformance, LoadedImagesDescribeThemselves) {
  ScratchFile file("image");
  ASSERT_TRUE(file.Write(Bmp24({0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080})));
  for (UINT flags : {0u, static_cast<UINT>(LR_CREATEDIBSECTION)}) {
    SCOPED_TRACE(flags);
    HBITMAP image = LoadBmp(file.path(), flags);
    ASSERT_NE(image, nullptr);
    BITMAP bitmap{};
    EXPECT_EQ(GetObjectA(image, sizeof bitmap, &bitmap), static_cast<int>(sizeof bitmap));
    EXPECT_EQ(bitmap.bmWidth, 3);
    EXPECT_EQ(bitmap.bmHeight, 2);
    EXPECT_EQ(bitmap.bmPlanes, 1);
    EXPECT_GE(bitmap.bmWidthBytes, 3 * bitmap.bmBitsPixel / 8);
    EXPECT_TRUE(DeleteObject(image));
  }
  HBITMAP section = LoadBmp(file.path(), LR_CREATEDIBSECTION);
  ASSERT_NE(section, nullptr);
  DIBSECTION dib{};
  EXPECT_EQ(GetObjectA(section, sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBmih.biWidth, 3);
  EXPECT_NE(dib.dsBm.bmBits, nullptr);
  EXPECT_TRUE(DeleteObject(section));
}

// A DIB section keeps the file's depth and row order.
TEST(GdiConformance, DibSectionsKeepTheFilesFormat) {
  SKIP_ON_PLATFORM("makes every DIB section 32-bit and top-down, and shows a plain bitmap's bits");
  ScratchFile file("image");
  ASSERT_TRUE(file.Write(Bmp24({0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080})));
  HBITMAP section = LoadBmp(file.path(), LR_CREATEDIBSECTION);
  ASSERT_NE(section, nullptr);
  DIBSECTION dib{};
  ASSERT_EQ(GetObjectA(section, sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(dib.dsBm.bmWidthBytes, 12) << "DIB rows are padded to 4 bytes";
  EXPECT_EQ(dib.dsBmih.biHeight, 2) << "bottom-up, as in the file";
  EXPECT_EQ(dib.dsBmih.biBitCount, 24);
  const BYTE *bits = static_cast<const BYTE *>(dib.dsBm.bmBits);
  ASSERT_NE(bits, nullptr);
  EXPECT_EQ(bits[0], 0xFF) << "bottom-left white, first in memory";
  EXPECT_EQ(bits[12 + 2], 0xFF) << "top-left red, in the second stored row";
  EXPECT_EQ(GetObjectA(section, 0, nullptr), static_cast<int>(sizeof(BITMAP))) << "without a buffer: a BITMAP's size";
  EXPECT_TRUE(DeleteObject(section));

  HBITMAP plain = LoadBmp(file.path(), 0);
  ASSERT_NE(plain, nullptr);
  BITMAP bitmap{};
  ASSERT_EQ(GetObjectA(plain, sizeof bitmap, &bitmap), static_cast<int>(sizeof bitmap));
  EXPECT_EQ(bitmap.bmBits, nullptr) << "a device-dependent bitmap shows no bits";
  EXPECT_TRUE(DeleteObject(plain));
}

TEST(GdiConformance, MissingOrBrokenFilesLoadNothing) {
  ScratchFile missing("missing");
  EXPECT_EQ(LoadBmp(missing.path(), LR_CREATEDIBSECTION), nullptr);
  ScratchFile notBmp("text");
  ASSERT_TRUE(notBmp.Write("this is not a bitmap at all, only some words"));
  EXPECT_EQ(LoadBmp(notBmp.path(), LR_CREATEDIBSECTION), nullptr);
}

TEST(GdiConformance, AFileCutInsideItsHeaderLoadsNothing) {
  SKIP_UNDER_WINE("Wine 8: LoadImageA makes a bitmap of a file cut inside its info header");
  ScratchFile truncated("truncated");
  const std::string bytes = Bmp24({0, 0, 0, 0, 0, 0});
  ASSERT_TRUE(truncated.Write(bytes.substr(0, 30)));
  HBITMAP loaded = LoadBmp(truncated.path(), LR_CREATEDIBSECTION);
  EXPECT_EQ(loaded, nullptr);
  if (loaded != nullptr) DeleteObject(loaded);
}

class GdiToSurfaceConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    dd_ = conformance::NormalDirectDraw();
    ASSERT_NE(dd_, nullptr);
  }
  void TearDown() override {
    if (surface_ != nullptr) surface_->Release();
    if (dd_ != nullptr) dd_->Release();
  }

  // A 3x2 system-memory surface of 32 (XRGB) or 16 (5-6-5) bits.
  IDirectDrawSurface7 *Surface(DWORD bpp) {
    DDSURFACEDESC2 desc = conformance::PlainSurfaceDesc(3, 2, bpp);
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface_, nullptr), DD_OK);
    return surface_;
  }

  std::vector<DWORD> Pixels() {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    std::vector<DWORD> pixels;
    EXPECT_EQ(surface_->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const DWORD bytes = desc.ddpfPixelFormat.dwRGBBitCount / 8;
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      const BYTE *row = static_cast<const BYTE *>(desc.lpSurface) + y * desc.lPitch;
      for (DWORD x = 0; x < desc.dwWidth; ++x) {
        pixels.push_back(bytes == 4 ? *reinterpret_cast<const DWORD *>(row + 4 * x) & 0xFFFFFF
                                    : *reinterpret_cast<const WORD *>(row + 2 * x));
      }
    }
    surface_->Unlock(nullptr);
    return pixels;
  }

  IDirectDraw7 *dd_ = nullptr;
  IDirectDrawSurface7 *surface_ = nullptr;
};

// Colours whose 5-6-5 form is exact, so that no rounding rule is assumed.
TEST_F(GdiToSurfaceConformance, BitBltConvertsToTheSurfacesFormat) {
  const std::vector<DWORD> colours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFF00FF};
  ScratchFile file("image");
  ASSERT_TRUE(file.Write(Bmp24(colours)));
  struct Row {
    DWORD bpp;
    std::vector<DWORD> expected;
  };
  const Row rows[] = {{32, colours}, {16, {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, 0xF81F}}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.bpp);
    HBITMAP image = LoadBmp(file.path(), LR_CREATEDIBSECTION);
    ASSERT_NE(image, nullptr);
    HDC memory = CreateCompatibleDC(nullptr);
    ASSERT_NE(memory, nullptr);
    HGDIOBJ previous = SelectObject(memory, image);
    ASSERT_NE(previous, nullptr);
    ASSERT_NE(Surface(row.bpp), nullptr);
    HDC target = nullptr;
    ASSERT_EQ(surface_->GetDC(&target), DD_OK);
    EXPECT_TRUE(BitBlt(target, 0, 0, 3, 2, memory, 0, 0, SRCCOPY));
    ASSERT_EQ(surface_->ReleaseDC(target), DD_OK);
    EXPECT_EQ(Pixels(), row.expected);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(image);
    surface_->Release();
    surface_ = nullptr;
  }
}

}  // namespace
