// The bitmap registry through its exports: creation in video or system
// memory, loading from a resource or a file, freeing, the transparent
// colour, the pixel-format query, the restore after lost surfaces, and every
// failure row reached by fault injection.
#include <functional>

#include "bitmap/bitmap_registry.h"
#include "core/allocation.h"
#include "core/error_names.h"
#include "machine_faults.h"
#include "machine_resources.h"
#include "support/bitmap_test.h"

namespace {

class BitmapRegistry : public BitmapTest {};

TEST_F(BitmapRegistry, CreateBeforeDirectDrawIsRefused) {
  REPORT_MODE("display", 1);
  ASSERT_EQ(KORVANE_INIT(Window(), Instance()), 0);
  EXPECT_EQ(CREATE_BITMAP(1, 8, 8, 1), 1);
  EXPECT_TRUE(HasLine(" !!! DirectDraw7 has not been initialized for creating a bitmap!!! "));
  EXPECT_EQ(FindBitmap(1), nullptr);
}

TEST_F(BitmapRegistry, CreateStoresInVideoMemoryWithKeyZero) {
  StartBitmaps(640, 480, 16);
  Mark();
  ASSERT_EQ(CREATE_BITMAP(7, 32, 16, 1), 0);
  const BitmapRecord *bitmap = FindBitmap(7);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->nWidth, 32);
  EXPECT_EQ(bitmap->nHeight, 16);
  EXPECT_EQ(bitmap->bVideoMemory, 1);
  EXPECT_EQ(bitmap->nSource, 0);
  EXPECT_EQ(bitmap->lpFileLocation, nullptr);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{" --- Creating bitmap for bitmap id 7 ---",
                                                  " Bitmap id '7' has been stored in video memory",
                                                  "  > End of CreateBitmap <"}));
  DDCOLORKEY key{1, 1};
  ASSERT_EQ(bitmap->lpDDSBack->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  EXPECT_EQ(key.dwColorSpaceLowValue, 0u);
  EXPECT_EQ(key.dwColorSpaceHighValue, 0u);
}

TEST_F(BitmapRegistry, DuplicateIdLeavesTheFirstBitmap) {
  StartBitmaps(640, 480, 16);
  ASSERT_EQ(CREATE_BITMAP(3, 10, 10, 0), 0);
  const BitmapRecord *first = FindBitmap(3);
  EXPECT_EQ(CREATE_BITMAP(3, 20, 20, 0), 1);
  EXPECT_EQ(LOAD_BITMAP("none.bmp", 3, 0), 1);
  EXPECT_TRUE(HasLine(" !!! Bitmap id '3' has already been assigned to a bitmap !!!"));
  EXPECT_EQ(FindBitmap(3), first);
  EXPECT_EQ(BITMAP_WIDTH(3), 10);
}

TEST_F(BitmapRegistry, FullVideoMemoryFallsBackToSystemMemory) {
  StartBitmaps(640, 480, 16);
  machine::set_video_memory(machine::video_memory_in_use() + 100);
  Mark();
  ASSERT_EQ(CREATE_BITMAP(4, 64, 64, 1), 0);
  EXPECT_EQ(FindBitmap(4)->bVideoMemory, 0);
  const std::vector<std::string> lines = NewLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], std::string(" ") + DDErrorName(DDERR_OUTOFVIDEOMEMORY) + " - Video Bitmap failed");
  EXPECT_EQ(lines[2], " Bitmap id '4' has been stored in system memory");
}

TEST_F(BitmapRegistry, SystemMemoryOnlyMakesOneTry) {
  StartBitmaps(640, 480, 16);
  machine::fail_next("IDirectDraw7::CreateSurface", 1, DDERR_OUTOFMEMORY);
  Mark();
  EXPECT_EQ(CREATE_BITMAP(5, 8, 8, 0), 1);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{" --- Creating bitmap for bitmap id 5 ---",
                                                  " DDERR_OUTOFMEMORY - System Bitmap failed",
                                                  "  > End of CreateBitmap <"}));
  EXPECT_EQ(FindBitmap(5), nullptr);
  EXPECT_EQ(CREATE_BITMAP(5, 8, 8, 0), 0);  // the id stayed free
}

// Steps after the bitmap is registered: it stays registered, and a failure
// after the lock still leaves the surface unlocked.
struct CreationFault {
  const char *name;
  const char *operation;
  const char *line;
  bool unlocked;  // a failing Unlock leaves the lock in place
};

class BitmapCreationFaults : public BitmapTest, public ::testing::WithParamInterface<CreationFault> {};

TEST_P(BitmapCreationFaults, LeaveTheBitmapRegisteredAndUnlocked) {
  StartBitmaps(640, 480, 32);
  machine::fail_next(GetParam().operation, 1, DDERR_GENERIC);
  EXPECT_EQ(CREATE_BITMAP(9, 8, 8, 1), 1);
  EXPECT_TRUE(HasLine(GetParam().line));
  ASSERT_NE(FindBitmap(9), nullptr);
  EXPECT_EQ(BITMAP_LOCK(9), GetParam().unlocked ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, BitmapCreationFaults,
    ::testing::Values(CreationFault{"Lock", "IDirectDrawSurface7::Lock", " DDS7_Lock Bitmap for Trans failed.", true},
                      CreationFault{"SetColorKey", "IDirectDrawSurface7::SetColorKey",
                                    " DDS7_SetColorKey Bitmap for Trans failed.", true},
                      CreationFault{"Unlock", "IDirectDrawSurface7::Unlock", " DDS7_Unlock Bitmap for trans failed.", false}),
    [](const ::testing::TestParamInfo<CreationFault> &p) { return std::string(p.param.name); });

TEST_F(BitmapRegistry, LoadFromFileHasTheImageSizeAndPixels) {
  StartBitmaps(640, 480, 32);
  WriteBytes("ship.bmp", Bmp24(5, 3, [](int x, int y) { return static_cast<uint32_t>(x * 0x100000 + y * 0x40 + 1); }));
  ASSERT_EQ(LOAD_BITMAP("ship.bmp", 2, 1), 0);
  const BitmapRecord *bitmap = FindBitmap(2);
  EXPECT_EQ(BITMAP_WIDTH(2), 5);
  EXPECT_EQ(BITMAP_HEIGHT(2), 3);
  EXPECT_EQ(bitmap->nSource, 2);
  EXPECT_STREQ(bitmap->lpFileLocation, "ship.bmp");
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(BitmapPixel(2, x, y) & 0xFFFFFF, static_cast<uint32_t>(x * 0x100000 + y * 0x40 + 1));
  }
}

TEST_F(BitmapRegistry, LoadConvertsToEightBitByNearestPaletteColour) {
  StartBitmaps(640, 480, 8);
  ASSERT_EQ(SET_RGB_ENTRY(8, 250, 0, 0), 0);  // entry 7 (SET_RGB_ENTRY counts from 1)
  ASSERT_EQ(SET_RGB_ENTRY(10, 0, 0, 200), 0);
  WriteBytes("dots.bmp", Bmp24(2, 1, [](int x, int) { return x == 0 ? 0xFF0000u : 0x0000F0u; }));
  ASSERT_EQ(LOAD_BITMAP("dots.bmp", 1, 0), 0);
  EXPECT_EQ(BitmapPixel(1, 0, 0), 7u);
  EXPECT_EQ(BitmapPixel(1, 1, 0), 9u);
}

TEST_F(BitmapRegistry, ResourceWinsOverFileAndIsReloadedFromIt) {
  StartBitmaps(640, 480, 32);
  const std::vector<uint8_t> red = Bmp24(4, 4, [](int, int) { return 0xFF0000u; });
  machine::add_bitmap_resource("tiles.bmp", std::vector<uint8_t>(red.begin() + 14, red.end()));
  WriteBytes("tiles.bmp", Bmp24(6, 6, [](int, int) { return 0x00FF00u; }));
  ASSERT_EQ(LOAD_BITMAP("tiles.bmp", 1, 1), 0);
  EXPECT_EQ(FindBitmap(1)->nSource, 1);
  EXPECT_EQ(BITMAP_WIDTH(1), 4);
  ASSERT_EQ(CREATE_BITMAP(2, 4, 4, 1), 0);
  ASSERT_EQ(CREATE_BITMAP(3, 4, 4, 0), 0);

  machine::lose_all_surfaces();
  // The image comes back from the resource as it is now.
  const std::vector<uint8_t> blue = Bmp24(4, 4, [](int, int) { return 0x0000FFu; });
  machine::add_bitmap_resource("tiles.bmp", std::vector<uint8_t>(blue.begin() + 14, blue.end()));
  Mark();
  RESTORE_VIDEO_BITMAPS();
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"### Video Bitmap RestoreAll begin ###", " id 2 Bitmap needs user to redraw it. ",
                                                  " --- Trying to reload tiles.bmp ---", "### Video Bitmap RestoreAll end ###"}));
  EXPECT_EQ(BitmapPixel(1, 3, 3) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(BitmapRegistry, RestoreRedrawsAFileBitmapAndBriefModeKeepsTheRedrawLine) {
  StartBitmaps(640, 480, 32, 0);
  WriteBytes("a.bmp", Bmp24(2, 2, [](int, int) { return 0x123456u; }));
  ASSERT_EQ(LOAD_BITMAP("a.bmp", 1, 1), 0);
  ASSERT_EQ(CREATE_BITMAP(2, 2, 2, 1), 0);
  machine::lose_all_surfaces();
  WriteBytes("a.bmp", Bmp24(2, 2, [](int, int) { return 0x654321u; }));
  machine::fail_next("IDirectDraw7::RestoreAllSurfaces", 1, DDERR_GENERIC);
  Mark();
  RESTORE_VIDEO_BITMAPS();
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"!!! RestoreAll Failed !!!", " id 2 Bitmap needs user to redraw it. "}));
  RESTORE_VIDEO_BITMAPS();
  EXPECT_EQ(BitmapPixel(1, 1, 1) & 0xFFFFFF, 0x654321u);  // reloaded from the file
}

TEST_F(BitmapRegistry, LoadFailuresBeforeCreation) {
  StartBitmaps(640, 480, 16);
  EXPECT_EQ(LOAD_BITMAP("missing.bmp", 1, 1), 1);
  EXPECT_EQ(LOAD_BITMAP(nullptr, 1, 1), 1);
  EXPECT_TRUE(HasLine(" !!! LoadImage() Failed !!!"));
  // A device is no image file: refused without being read.
  Mark();
  EXPECT_EQ(LOAD_BITMAP("/dev/zero", 1, 1), 1);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"### Trying to load bitmap id 1 ###", " !!! LoadImage() Failed !!!"}));
  WriteBytes("ok.bmp", Bmp24(2, 2, [](int, int) { return 1u; }));
  machine::fail_next("GetObjectA", 1, ERROR_INVALID_HANDLE);
  EXPECT_EQ(LOAD_BITMAP("ok.bmp", 1, 1), 1);
  EXPECT_TRUE(HasLine(" !!! GetObject Failed !!!"));
  machine::fail_next("IDirectDraw7::CreateSurface", 2, DDERR_OUTOFMEMORY);
  EXPECT_EQ(LOAD_BITMAP("ok.bmp", 1, 1), 1);
  EXPECT_TRUE(HasLine(" !!! DDCreate_MLBitmap Failed !!!"));
  // A creation that registered the bitmap and then failed is undone.
  machine::fail_next("IDirectDrawSurface7::SetColorKey", 1, DDERR_GENERIC);
  EXPECT_EQ(LOAD_BITMAP("ok.bmp", 1, 1), 1);
  EXPECT_EQ(FindBitmap(1), nullptr);
  EXPECT_EQ(LOAD_BITMAP("ok.bmp", 1, 1), 0);
}

// Each GDI step of the copy: its line, on the right side of the free, the id
// free again, and no surface or DC left behind.
struct CopyFault {
  const char *name;
  const char *operation;
  int passing;
  const char *line;
  bool lineBeforeFree;
};

class BitmapCopyFaults : public BitmapTest, public ::testing::WithParamInterface<CopyFault> {};

TEST_P(BitmapCopyFaults, FreeTheNewBitmap) {
  const CopyFault &fault = GetParam();
  StartBitmaps(640, 480, 16);
  WriteBytes("ok.bmp", Bmp24(3, 3, [](int, int) { return 0xFFFFFFu; }));
  const int surfaces = machine::live_directdraw_surfaces();
  machine::fail_after(fault.operation, fault.passing, 1, DDERR_GENERIC);
  Mark();
  EXPECT_EQ(LOAD_BITMAP("ok.bmp", 6, 1), 1);
  const std::vector<std::string> lines = NewLines();
  const auto at = [&lines](const std::string &line) {
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
  };
  ASSERT_LT(at(fault.line), static_cast<long>(lines.size()));
  ASSERT_LT(at("   Bitmap freed..."), static_cast<long>(lines.size()));
  EXPECT_EQ(at(fault.line) < at("   Bitmap freed..."), fault.lineBeforeFree);
  EXPECT_EQ(FindBitmap(6), nullptr);
  EXPECT_EQ(machine::live_directdraw_surfaces(), surfaces);
  EXPECT_EQ(LOAD_BITMAP("ok.bmp", 6, 1), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, BitmapCopyFaults,
    ::testing::Values(
        CopyFault{"CreateCompatibleDC", "CreateCompatibleDC", 0, " !!! CreateCompatibleDC Failed !!!", false},
        CopyFault{"SelectImage", "SelectObject", 0, " !!! SelectObject() Failed !!!", false},
        CopyFault{"SurfaceGetDC", "IDirectDrawSurface7::GetDC", 0, " !!! DDS7_GetDC for bitmap Failed!!!", true},
        CopyFault{"BitBlt", "BitBlt", 0, " !!! BitBlit for bitmap failed !!!", false},
        CopyFault{"SurfaceReleaseDC", "IDirectDrawSurface7::ReleaseDC", 0, " !!! DDS7_ReleaseDC for bitmap failed !!!", true},
        CopyFault{"SelectOldBitmap", "SelectObject", 1, " !!! SelectObject for hOldBitmap Failed !!!", false},
        CopyFault{"DeleteDC", "DeleteDC", 0, " !!! DeleteDC(hdcBitmap) Failed !!!", false},
        CopyFault{"DeleteObject", "DeleteObject", 0, " !!! DeleteObject(hBitmap) Failed !!!", false}),
    [](const ::testing::TestParamInfo<CopyFault> &p) { return std::string(p.param.name); });

TEST_F(BitmapRegistry, FreeAndFreeAllReleaseNewestFirst) {
  StartBitmaps(640, 480, 16);
  const int surfaces = machine::live_directdraw_surfaces();
  WriteBytes("b.bmp", Bmp24(2, 2, [](int, int) { return 1u; }));
  ASSERT_EQ(CREATE_BITMAP(1, 4, 4, 1), 0);
  ASSERT_EQ(LOAD_BITMAP("b.bmp", 2, 0), 0);
  ASSERT_EQ(CREATE_BITMAP(3, 4, 4, 0), 0);
  Mark();
  FREE_BITMAP(42);
  EXPECT_EQ(NewLines(), std::vector<std::string>{"   --- Attempting to free bitmap id 42 ---"});
  Mark();
  Bitmap_FreeAll();
  EXPECT_EQ(NewLines(), (std::vector<std::string>{
                            " +++ Bitmap_FreeAll begin +++", "   --- Attempting to free bitmap id 3 ---",
                            "   Trying to free System Memory Bitmap", "   Released bitmap->lpDDSBack.", "   Bitmap freed...",
                            "   --- Attempting to free bitmap id 2 ---", "   Trying to free System Memory Bitmap",
                            "   id 2 : lpFileLocation freed ", "   Released bitmap->lpDDSBack.", "   Bitmap freed...",
                            "   --- Attempting to free bitmap id 1 ---", "   Trying to free Video Memory Bitmap",
                            "   Released bitmap->lpDDSBack.", "   Bitmap freed...", " +++ Bitmap_FreeAll end +++"}));
  EXPECT_EQ(gBitmapList, nullptr);
  EXPECT_EQ(machine::live_directdraw_surfaces(), surfaces);
  EXPECT_EQ(CREATE_BITMAP(1, 4, 4, 1), 0);
}

// Lookups by id stay right however ids are freed and reused, also for the
// id looked up just before.
TEST_F(BitmapRegistry, FreedAndReusedIdsAreFoundAfresh) {
  StartBitmaps(640, 480, 16);
  ASSERT_EQ(CREATE_BITMAP(1, 4, 4, 1), 0);
  ASSERT_EQ(CREATE_BITMAP(2, 6, 6, 1), 0);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(BITMAP_WIDTH(1), 4);
    EXPECT_EQ(BITMAP_WIDTH(2), 6);
    EXPECT_EQ(BITMAP_WIDTH(1), 4);
  }
  FREE_BITMAP(1);
  EXPECT_EQ(FindBitmap(1), nullptr);
  Mark();
  EXPECT_EQ(BLITFAST(1, 0, 0), 1);
  EXPECT_TRUE(HasLine(" ! - BLITFAST = Invalid ID 1"));
  ASSERT_EQ(CREATE_BITMAP(1, 8, 8, 1), 0);
  EXPECT_EQ(BITMAP_WIDTH(1), 8);
  EXPECT_EQ(FindBitmap(1)->nWidth, 8);
  Bitmap_FreeAll();
  EXPECT_EQ(FindBitmap(1), nullptr);
  EXPECT_EQ(FindBitmap(2), nullptr);
}

// The library's own allocations fail on request: the record, the list
// node and the copy of a loaded bitmap's name.
class BitmapAllocation : public BitmapTest {
 protected:
  void TearDown() override {
    korvane::FailAllocationsAfter(0, 0);
    BitmapTest::TearDown();
  }
};

TEST_F(BitmapAllocation, OutOfMemoryLeavesNothingBehind) {
  StartBitmaps(640, 480, 16);
  const int surfaces = machine::live_directdraw_surfaces();
  struct Case {
    int passing;  // 0: the record fails, 1: the node
    int video;
    const char *line;
  } cases[] = {{0, 1, " Out of Memory to store video bitmap into linked list."},
               {0, 0, " Out of Memory to store system bitmap into linked list."},
               {1, 1, " Out of Memory to store video bitmap into linked list."},
               {1, 0, " Out of Memory to store system bitmap into linked list."}};
  for (const Case &c : cases) {
    korvane::FailAllocationsAfter(c.passing, 1);
    Mark();
    EXPECT_EQ(CREATE_BITMAP(5, 8, 8, c.video), 1);
    EXPECT_EQ(NewLines(), (std::vector<std::string>{" --- Creating bitmap for bitmap id 5 ---", c.line,
                                                    "  > End of CreateBitmap <"}))
        << c.passing << " " << c.video;
    EXPECT_EQ(FindBitmap(5), nullptr);
    EXPECT_EQ(machine::live_directdraw_surfaces(), surfaces) << "the new surface is released";
  }
  // The id is free again and creation works once memory is back.
  EXPECT_EQ(CREATE_BITMAP(5, 8, 8, 1), 0);
}

TEST_F(BitmapRegistry, AFailedSurfaceReleaseIsReported) {
  StartBitmaps(640, 480, 16);
  const int surfaces = machine::live_directdraw_surfaces();
  ASSERT_EQ(CREATE_BITMAP(9, 8, 8, 0), 0);
  machine::fail_next("IDirectDrawSurface7::Release", 1, DDERR_GENERIC);
  Mark();
  FREE_BITMAP(9);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"   --- Attempting to free bitmap id 9 ---",
                                                  "   Trying to free System Memory Bitmap",
                                                  "   !!! DDERR_GENERIC : - Couldn't release back surface !!!",
                                                  "   Bitmap freed..."}));
  EXPECT_EQ(FindBitmap(9), nullptr);
  EXPECT_EQ(machine::live_directdraw_surfaces(), surfaces);
}

TEST_F(BitmapRegistry, DirectDrawReleaseFreesEveryBitmap) {
  StartBitmaps(640, 480, 16);
  ASSERT_EQ(CREATE_BITMAP(1, 4, 4, 1), 0);
  ASSERT_EQ(CREATE_BITMAP(2, 4, 4, 1), 0);
  DDRAW_RELEASE();
  EXPECT_EQ(gBitmapList, nullptr);
  EXPECT_EQ(machine::live_directdraw_surfaces(), 0);
  EXPECT_EQ(machine::live_directdraw_objects(), 0);
}

TEST_F(BitmapRegistry, TransparentColours) {
  StartBitmaps(640, 480, 16);
  ASSERT_EQ(CREATE_BITMAP(1, 4, 4, 1), 0);
  ASSERT_EQ(CREATE_BITMAP(2, 4, 4, 1), 0);
  const auto keyOf = [](int id) {
    DDCOLORKEY key{};
    FindBitmap(id)->lpDDSBack->GetColorKey(DDCKEY_SRCBLT, &key);
    return key.dwColorSpaceLowValue;
  };
  EXPECT_EQ(SET_BITMAP_TRANS_COLOR(1, 0xF81F), DD_OK);
  EXPECT_EQ(keyOf(1), 0xF81Fu);
  EXPECT_EQ(keyOf(2), 0u);
  Mark();
  SET_ALL_BITMAPS_TRANS_COLOR(0x07E0);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"### Setting all Bitmaps' transparancy color ###", "### Setting Finished ###"}));
  EXPECT_EQ(keyOf(1), 0x07E0u);
  EXPECT_EQ(keyOf(2), 0x07E0u);
  machine::fail_next("IDirectDrawSurface7::SetColorKey", 1, DDERR_GENERIC);
  EXPECT_EQ(SET_BITMAP_TRANS_COLOR(1, 5), DDERR_GENERIC);
  EXPECT_EQ(SET_BITMAP_TRANS_COLOR(99, 5), 1);
  EXPECT_TRUE(HasLine(" ! - SET_BITMAP_TRANS_COLOR = Invalid ID 99"));
}

struct FormatCase {
  int bpp;
  bool rgb555;
  int expected;
};

class BitmapPixelFormat : public BitmapTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(BitmapPixelFormat, CountsTheBackBufferMasks) {
  machine::use_rgb555(GetParam().rgb555);
  StartBitmaps(640, 480, GetParam().bpp);
  EXPECT_EQ(GET_SURFACE_PIXEL_FORMAT(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, BitmapPixelFormat,
                         ::testing::Values(FormatCase{16, false, 565}, FormatCase{16, true, 555},
                                           FormatCase{24, false, 888}, FormatCase{32, false, 888},
                                           FormatCase{8, false, 0}),
                         [](const ::testing::TestParamInfo<FormatCase> &p) {
                           return std::to_string(p.param.bpp) + (p.param.rgb555 ? "bit555" : "bit");
                         });

TEST_F(BitmapRegistry, PixelFormatFailureAndNoBackBuffer) {
  REPORT_MODE("display", 1);
  ASSERT_EQ(KORVANE_INIT(Window(), Instance()), 0);
  EXPECT_EQ(GET_SURFACE_PIXEL_FORMAT(), 1);
  ASSERT_EQ(DDRAW_INIT(), 0);
  ASSERT_EQ(SET_VIDEO_MODE(640, 480, 16), 0);
  machine::fail_next("IDirectDrawSurface7::GetPixelFormat", 1, DDERR_SURFACELOST);
  Mark();
  EXPECT_EQ(GET_SURFACE_PIXEL_FORMAT(), 1);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"DDERR_SURFACELOST", "!!! Get Pixel Format from back buffer failed !!!"}));
}

}  // namespace
