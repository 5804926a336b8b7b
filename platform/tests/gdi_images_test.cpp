// The platform's GDI for images: LoadImageA from files and resources and
// GetObjectA of what it makes, the selection rules of device contexts, and
// DeleteObject of selected bitmaps.
#include "machine_resources.h"
#include "support/bitmap_test.h"

namespace {

using GdiPlatform = BitmapTest;

TEST_F(GdiPlatform, LoadImageAndGetObject) {
  HBITMAP image = LoadFile(7, 5, Gradient);
  ASSERT_NE(image, nullptr);
  DIBSECTION section{};
  EXPECT_EQ(GetObjectA(image, 0, nullptr), static_cast<int>(sizeof(DIBSECTION)));
  EXPECT_EQ(GetObjectA(image, sizeof section, &section), static_cast<int>(sizeof section));
  EXPECT_EQ(section.dsBm.bmWidth, 7);
  EXPECT_EQ(section.dsBm.bmHeight, 5);
  EXPECT_EQ(section.dsBmih.biHeight, -5);
  BITMAP bitmap{};
  EXPECT_EQ(GetObjectA(image, sizeof bitmap, &bitmap), static_cast<int>(sizeof bitmap));
  EXPECT_EQ(bitmap.bmWidthBytes, 28);
  EXPECT_EQ(GetObjectA(image, 4, &bitmap), 0);
  EXPECT_TRUE(DeleteObject(image));
  EXPECT_FALSE(DeleteObject(image));  // stale
  EXPECT_EQ(GetObjectA(image, sizeof bitmap, &bitmap), 0);

  // No resource of that name; sizes other than the image's are not made.
  EXPECT_EQ(LoadImageA(Instance(), "image.bmp", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, "image.bmp", IMAGE_BITMAP, 8, 8, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCEA(5), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  WriteWholeFile("broken.bmp", "BM not really");
  EXPECT_EQ(LoadImageA(nullptr, "broken.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  const std::vector<uint8_t> file = Bmp24(2, 2, Gradient);
  machine::add_bitmap_resource("RES", std::vector<uint8_t>(file.begin() + 14, file.end()));
  for (HINSTANCE instance : {Instance(), static_cast<HINSTANCE>(nullptr)}) {
    HANDLE resource = LoadImageA(instance, "res", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    EXPECT_NE(resource, nullptr);
    EXPECT_TRUE(DeleteObject(resource));
  }
}

TEST_F(GdiPlatform, SelectionRules) {
  HBITMAP image = LoadFile(2, 2, Gradient);
  HDC first = CreateCompatibleDC(nullptr);
  HDC second = CreateCompatibleDC(first);
  ASSERT_NE(first, nullptr);
  HGDIOBJ stock = SelectObject(first, image);
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(SelectObject(second, image), nullptr);  // one context at a time
  EXPECT_FALSE(DeleteObject(image));                 // still selected
  EXPECT_EQ(SelectObject(first, stock), image);
  EXPECT_TRUE(DeleteObject(stock));  // stock objects stay
  EXPECT_EQ(SelectObject(second, image), stock);
  EXPECT_TRUE(DeleteDC(second));  // deleting the context deselects
  EXPECT_TRUE(DeleteObject(image));
  EXPECT_TRUE(DeleteDC(first));
  EXPECT_FALSE(DeleteDC(first));
  EXPECT_EQ(SelectObject(first, stock), nullptr);
  EXPECT_EQ(CreateCompatibleDC(reinterpret_cast<HDC>(0x1234)), nullptr);
  HDC window = GetDC(Window());
  EXPECT_FALSE(DeleteDC(window));  // given back with ReleaseDC
  EXPECT_EQ(ReleaseDC(Window(), window), 1);
}

}  // namespace
