// Surface access through the exports: colour packing and channel extraction
// in every depth, pixels put and got (and refused without a lock or outside
// the surface), lock queries, clears with their critical report, flips with
// a pending flip, and the vertical-blank wait's clamped flag.
#include <cstring>
#include <string>
#include <vector>

#include "display/display_state.h"
#include "support/display_test.h"

namespace {

class DisplayPixelsTest : public DisplayTest {
 protected:
  void StartInDepth(int bpp, bool rgb555 = false) {
    machine::use_rgb555(rgb555);
    StartInMode(640, 480, bpp);
  }
};

TEST_F(DisplayPixelsTest, MakeRgbPacksForEachDepth) {
  struct Row {
    int bpp;
    bool rgb555;
    int red, green, blue;
    int packed;
  };
  const Row rows[] = {
      {16, false, 255, 255, 255, 0xFFFF}, {16, true, 255, 255, 255, 0x7FFF}, {16, false, 8, 4, 8, 0x0821},
      {16, false, 255, 0, 0, 0xF800},     {16, true, 0, 255, 0, 0x03E0},     {24, false, 255, 255, 255, 0xFFFFFF},
      {32, false, 255, 255, 255, 0xFFFFFF}, {32, false, 1, 2, 3, 0x010203},  {8, false, 255, 255, 255, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(testing::Message() << row.bpp << (row.rgb555 ? " 555 " : " ") << row.red << "," << row.green
                                    << "," << row.blue);
    machine::reset();
    StartInDepth(row.bpp, row.rgb555);
    EXPECT_EQ(MAKE_RGB(row.red, row.green, row.blue), row.packed);
    KORVANE_EXIT();
  }
}

TEST_F(DisplayPixelsTest, ChannelExtraction) {
  struct Row {
    int bpp;
    bool rgb555;
    int colour;
    int red, green, blue;
  };
  const Row rows[] = {
      {16, false, 0xFFFF, 248, 252, 248}, {16, true, 0x7FFF, 248, 248, 248}, {16, false, 0x0821, 8, 4, 8},
      {24, false, 0x123456, 0x12, 0x34, 0x56}, {32, false, 0x7F123456, 0x12, 0x34, 0x56}, {8, false, 0xFFFF, 0, 0, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(testing::Message() << row.bpp << " " << row.colour);
    machine::reset();
    StartInDepth(row.bpp, row.rgb555);
    EXPECT_EQ(GET_RED_VALUE(row.colour), row.red);
    EXPECT_EQ(GET_GREEN_VALUE(row.colour), row.green);
    EXPECT_EQ(GET_BLUE_VALUE(row.colour), row.blue);
    KORVANE_EXIT();
  }
}

TEST_F(DisplayPixelsTest, SixteenBitWithOddGreenWidthExtractsNothing) {
  StartInDepth(16);
  gGreenBits = 4;
  EXPECT_EQ(GET_RED_VALUE(0xFFFF), 0);
  EXPECT_EQ(GET_GREEN_VALUE(0xFFFF), 0);
  EXPECT_EQ(GET_BLUE_VALUE(0xFFFF), 0);
}

TEST_F(DisplayPixelsTest, PutAndGetInEveryDepth) {
  for (int bpp : {8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    machine::reset();
    StartInDepth(bpp);
    EXPECT_EQ(BPP(), bpp / 8);
    EXPECT_EQ(SURFACE_DEPTH(), bpp);
    ASSERT_EQ(SURFACE_LOCK(), 0);
    BYTE *row = SURFACE_POINTER() + 7 * SURFACE_PITCH();
    if (bpp == 32) memset(row + 4 * 5, 0xAB, 4);
    PAL_PUT_PIXEL(5, 7, 0x1C2);
    RGB_PUT_PIXEL(5, 7, 0x12, 0x34, 0x56);
    switch (bpp) {
      case 8:
        EXPECT_EQ(PAL_GET_PIXEL(5, 7), 0xC2);
        EXPECT_EQ(RGB_GET_PIXEL(5, 7), 0);
        break;
      case 16:
        EXPECT_EQ(RGB_GET_PIXEL(5, 7), MAKE_RGB(0x12, 0x34, 0x56));
        EXPECT_EQ(PAL_GET_PIXEL(5, 7), 0);
        break;
      case 24:
        EXPECT_EQ(RGB_GET_PIXEL(5, 7), 0x123456);
        EXPECT_EQ(row[15] + (row[16] << 8) + (row[17] << 16), 0x123456) << "blue first in memory";
        break;
      case 32:
        EXPECT_EQ(static_cast<unsigned>(RGB_GET_PIXEL(5, 7)), 0xAB123456u) << "the fourth byte is left";
        break;
    }
    EXPECT_EQ(SURFACE_UNLOCK(), 0);
    KORVANE_EXIT();
  }
}

TEST_F(DisplayPixelsTest, TwoByteDepthOtherThanSixteenPutsMakeRgbsZero) {
  // A depth SetDisplayMode does not name (the request is kept, the surfaces
  // are made in the display's mode): pixels are two bytes wide, yet there
  // is no 16-bit packing for it.
  Start();
  ASSERT_EQ(DDRAW_INIT(), 0);
  machine::fail_next("IDirectDraw7::SetDisplayMode", 1, static_cast<HRESULT>(0x80001234));
  ASSERT_EQ(SET_VIDEO_MODE(640, 480, 20), 0);
  EXPECT_EQ(BPP(), 2);
  EXPECT_EQ(MAKE_RGB(255, 255, 255), 0);
  ASSERT_EQ(SURFACE_LOCK(), 0);
  memset(SURFACE_POINTER(), 0xFF, 2);
  RGB_PUT_PIXEL(0, 0, 255, 255, 255);
  EXPECT_EQ(RGB_GET_PIXEL(0, 0), 0);
  EXPECT_EQ(SURFACE_UNLOCK(), 0);
}

TEST_F(DisplayPixelsTest, PixelsOutsideTheLockedSurfaceOrWithoutALockAreRefused) {
  StartInDepth(32);
  // Without a lock nothing is written or read.
  RGB_PUT_PIXEL(0, 0, 1, 2, 3);
  EXPECT_EQ(RGB_GET_PIXEL(0, 0), 0);
  ASSERT_EQ(SURFACE_LOCK(), 0);
  EXPECT_EQ(RGB_GET_PIXEL(0, 0), 0) << "nothing was written before the lock";
  RGB_PUT_PIXEL(639, 479, 1, 2, 3);
  EXPECT_EQ(RGB_GET_PIXEL(639, 479), 0x010203);
  for (auto point : {std::pair<int, int>{640, 0}, {0, 480}, {-1, 0}, {0, -1}, {1 << 30, 1 << 30}}) {
    RGB_PUT_PIXEL(point.first, point.second, 9, 9, 9);
    EXPECT_EQ(RGB_GET_PIXEL(point.first, point.second), 0);
  }
  ASSERT_EQ(SURFACE_UNLOCK(), 0);
  RGB_PUT_PIXEL(1, 1, 1, 2, 3);
  ASSERT_EQ(SURFACE_LOCK(), 0);
  EXPECT_EQ(RGB_GET_PIXEL(1, 1), 0) << "the write after the unlock did nothing";
  EXPECT_EQ(SURFACE_UNLOCK(), 0);
}

TEST_F(DisplayPixelsTest, PitchAndPointerDescribeTheSurfaceLockedLast) {
  StartInDepth(16);
  ASSERT_EQ(SURFACE_LOCK(), 0);
  BYTE *back = SURFACE_POINTER();
  EXPECT_EQ(SURFACE_PITCH(), 1280);
  ASSERT_EQ(SURFACE_UNLOCK(), 0);
  ASSERT_EQ(PRIM_SURFACE_LOCK(), 0);
  EXPECT_NE(SURFACE_POINTER(), back);
  EXPECT_EQ(SURFACE_PITCH(), 1280);
  RGB_PUT_PIXEL(3, 3, 255, 255, 255);
  ASSERT_EQ(PRIM_SURFACE_UNLOCK(), 0);
  EXPECT_EQ(machine::front_buffer().pixel(3, 3), 0xFFFFFFu) << "the primary is the front buffer";
  EXPECT_EQ(SURFACE_WIDTH(), 640);
  EXPECT_EQ(SURFACE_HEIGHT(), 480);
}

TEST_F(DisplayPixelsTest, LockFailuresRaiseTheCriticalReport) {
  StartInDepth(16);
  ASSERT_EQ(SURFACE_LOCK(), 0);
  EXPECT_EQ(SURFACE_LOCK(), 1) << "a locked surface cannot be locked again";
  EXPECT_TRUE(HasLine("!!! DDERR_SURFACEBUSY !!!"));
  EXPECT_EQ(ON_ERROR(), 1);
  EXPECT_EQ(SURFACE_UNLOCK(), 1) << "the rebuilt surface is not locked";
  EXPECT_TRUE(HasLine("!!! DDERR_NOTLOCKED !!!"));
  EXPECT_EQ(machine::message_boxes().size(), 2u);
}

TEST_F(DisplayPixelsTest, ClearsFillWithThePackedColour) {
  StartInDepth(32);
  RECT rect{10, 20, 30, 40};
  EXPECT_EQ(CLEAR_SURFACE(0x112233), 0);
  EXPECT_EQ(SURFACE_RECT_BLIT(&rect, 0x445566), 0);
  ASSERT_EQ(SURFACE_FLIP(), 0);
  const machine::FrontBuffer front = machine::front_buffer();
  EXPECT_EQ(front.pixel(0, 0), 0x112233u);
  EXPECT_EQ(front.pixel(10, 20), 0x445566u);
  EXPECT_EQ(front.pixel(29, 39), 0x445566u);
  EXPECT_EQ(front.pixel(30, 39), 0x112233u) << "right and bottom are exclusive";
  EXPECT_EQ(CLEAR_PRIM_SURFACE(0x0000FF), 0);
  EXPECT_EQ(machine::front_buffer().pixel(5, 5), 0x0000FFu);
}

TEST_F(DisplayPixelsTest, FailingClearRaisesTheCriticalReportAndRebuilds) {
  StartInDepth(8);
  machine::fail_next("IDirectDrawSurface7::Blt", 1, DDERR_SURFACELOST);
  Mark();
  EXPECT_EQ(CLEAR_SURFACE(3), 1);
  const std::vector<std::string> lines = NewLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "!!! DDERR_SURFACELOST !!!");
  ASSERT_EQ(machine::message_boxes().size(), 1u);
  const machine::MessageBoxRecord box = machine::message_boxes()[0];
  EXPECT_EQ(box.text, "DDERR_SURFACELOST");
  EXPECT_EQ(box.caption, "Critical!!!");
  EXPECT_EQ(box.type, static_cast<UINT>(MB_SYSTEMMODAL | MB_ICONERROR));
  EXPECT_EQ(ON_ERROR(), 1);
  EXPECT_NE(glpDDSBack, nullptr);
  EXPECT_NE(glpDDPalette, nullptr) << "the 8-bit palette was rebuilt too";
  EXPECT_EQ(machine::live_directdraw_surfaces(), 2) << "the old surfaces were released";
  EXPECT_EQ(CLEAR_SURFACE(3), 0);
}

TEST_F(DisplayPixelsTest, FailingRectBlitAddsItsLine) {
  StartInDepth(16);
  RECT outside{600, 400, 700, 500};
  Mark();
  EXPECT_EQ(SURFACE_RECT_BLIT(&outside, 1), 1);
  const std::vector<std::string> lines = NewLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), "!!! DDERR_INVALIDRECT !!!");
  EXPECT_EQ(lines.back(), " ! - DDS7_Blt Failed");
}

TEST_F(DisplayPixelsTest, PendingFlipIsNotFlippedAgain) {
  machine::use_virtual_display_clock();
  machine::set_flip_latency(10.0);
  StartInDepth(32);
  machine::advance_display_clock(20.0);  // the mode set's own flip is done
  const unsigned flips = machine::flips_done();
  EXPECT_EQ(SURFACE_FLIP(), 0);
  EXPECT_EQ(SURFACE_FLIP(), 1) << "the first flip is still pending";
  EXPECT_EQ(machine::flips_done(), flips + 1);
  machine::advance_display_clock(10.0);
  EXPECT_EQ(SURFACE_FLIP(), 0);
  EXPECT_EQ(machine::flips_done(), flips + 2);
}

TEST_F(DisplayPixelsTest, FlipShowsTheBackBuffer) {
  StartInDepth(16);
  EXPECT_EQ(CLEAR_SURFACE(MAKE_RGB(255, 0, 0)), 0);
  EXPECT_EQ(machine::front_buffer().pixel(0, 0), 0u);
  EXPECT_EQ(SURFACE_FLIP(), 0);
  EXPECT_EQ(machine::front_buffer().pixel(0, 0), 0xFF0000u);
}

TEST_F(DisplayPixelsTest, WaitForVerticalBlankClampsItsFlag) {
  struct Row {
    int flag;
    double until;  // where the virtual clock, started at 1 ms, ends
  };
  const double frame = 1000.0 / 60.0;
  const Row rows[] = {{7, frame}, {1, frame}, {0, frame + frame / 20}, {-2, frame + frame / 20}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.flag);
    machine::reset();
    machine::use_virtual_display_clock();
    StartInMode(640, 480, 16);
    machine::advance_display_clock(1.0);
    EXPECT_EQ(WAIT_FOR_VB(row.flag), 0);
    EXPECT_NEAR(machine::display_clock_ms(), row.until, 1e-6);
    KORVANE_EXIT();
  }
}

}  // namespace
