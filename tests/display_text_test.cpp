// GDI text as a host uses it: colours per depth, opaque against transparent
// text, centring, text on bitmaps, clipping at the surface's edges, the
// character width, and every failure line reached by fault injection.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

#include "display/display_state.h"
#include "display/gdi_text.h"
#include "support/bitmap_test.h"

namespace {

class DisplayTextTest : public BitmapTest {
 protected:
  // The distinct pixel values of the back buffer.
  std::set<uint32_t> Values() {
    const std::vector<uint32_t> pixels = BackBuffer();
    return std::set<uint32_t>(pixels.begin(), pixels.end());
  }

  int CountOf(uint32_t value) {
    int count = 0;
    for (uint32_t pixel : BackBuffer()) count += pixel == value;
    return count;
  }

  // What the host window's device context measures (the default font).
  static SIZE Extent(const char *text) {
    HDC dc = GetDC(Window());
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32A(dc, text, lstrlenA(text), &size));
    ReleaseDC(Window(), dc);
    return size;
  }
};

TEST_F(DisplayTextTest, ColourArgumentsBecomeColorrefsPerDepth) {
  struct Case {
    int bpp, greenBits, colour;
    COLORREF expected;
  } cases[] = {
      {32, 8, 0xFF0000, 0x0000FF},    {32, 8, 0x12345678, 0x785634},  {24, 8, 0x00FF00, 0x00FF00},
      {16, 6, 0xF800, 0xF8},          {16, 6, 0x07E0, 0xFC00},        {16, 6, 0x001F, 0xF80000},
      {16, 5, 0x7C00, 0xF8},          {16, 5, 0x03E0, 0xF800},        {16, 5, 0xFFFF, 0xF8F8F8},
      {15, 5, 0x1234, 0x1234},
  };
  for (const Case &c : cases) {
    gScreenBpp = c.bpp;
    gGreenBits = c.greenBits;
    gBlueBits = 5;
    EXPECT_EQ(ColorToColorref(c.colour), c.expected) << c.bpp << " " << std::hex << c.colour;
    EXPECT_EQ(TextColorref(c.colour), c.expected);
  }
  gScreenBpp = 8;
  gPaletteEntries[3] = PALETTEENTRY{10, 20, 30, 5};
  gPaletteEntries[255] = PALETTEENTRY{1, 2, 3, 0};
  EXPECT_EQ(TextColorref(3), RGB(10, 20, 30)) << "8-bit indices count from 0";
  EXPECT_EQ(TextColorref(0x1FF), RGB(1, 2, 3)) << "only the low byte names an entry";
  EXPECT_EQ(TextColorref(-1), RGB(1, 2, 3));
}

TEST_F(DisplayTextTest, GlyphsTakeTheAskedColourInEveryDepth) {
  struct Case {
    int bpp, colour;
  } cases[] = {{8, 3}, {16, 0xF800}, {24, 0x00FF00}, {32, 0xFF0000}};
  StartBitmaps(640, 480, 8);
  for (const Case &c : cases) {
    ASSERT_EQ(SET_VIDEO_MODE(640, 480, c.bpp), 0);
    if (c.bpp == 8) {
      ASSERT_EQ(SET_RGB_ENTRY(4, 255, 0, 0), 0);  // entry 3
    }
    ASSERT_EQ(CLEAR_SURFACE(0), 0);
    ASSERT_EQ(GDI_TEXTOUT(10, 10, "Korvane", c.colour, 1), 0);
    EXPECT_EQ(Values(), (std::set<uint32_t>{0, static_cast<uint32_t>(c.colour)})) << c.bpp;
  }
}

TEST_F(DisplayTextTest, OpaqueTextSitsOnABlackCellTransparentTextDoesNot) {
  StartBitmaps(640, 480, 32);
  const SIZE cell = Extent("Box");
  for (int transparent : {0, 1, 7}) {
    ASSERT_EQ(CLEAR_SURFACE(0x0000FF), 0);
    ASSERT_EQ(GDI_TEXTOUT(100, 100, "Box", 0xFFFFFF, transparent), 0);
    const int ink = CountOf(0xFFFFFF), black = CountOf(0);
    EXPECT_GT(ink, 0);
    EXPECT_EQ(black, transparent == 0 ? cell.cx * cell.cy - ink : 0) << transparent;
  }
}

TEST_F(DisplayTextTest, CentredTextIsCentredOnX) {
  StartBitmaps(640, 480, 16);
  const char *text = "Centre of the screen";
  ASSERT_EQ(CLEAR_SURFACE(0), 0);
  ASSERT_EQ(GDI_TEXTOUT_CENTER(320, 200, text, 0xFFFF, 1), 0);
  const std::vector<uint32_t> centred = BackBuffer();
  EXPECT_GT(CountOf(0xFFFF), 0);

  ASSERT_EQ(CLEAR_SURFACE(0), 0);
  ASSERT_EQ(GDI_TEXTOUT(320 - Extent(text).cx / 2, 200, text, 0xFFFF, 1), 0);
  EXPECT_EQ(BackBuffer(), centred) << "centred text is the left-aligned text moved by half its width";
}

TEST_F(DisplayTextTest, TextOnBitmapsLeftAndCentred) {
  StartBitmaps(640, 480, 32);
  ASSERT_EQ(CREATE_BITMAP(5, 120, 40, 0), 0);
  ASSERT_EQ(CLEAR_BITMAP(5, 0), 0);
  ASSERT_EQ(GDI_TEXTOUT_BITMAP(5, 2, 2, "Hi", 0x00FF00, 0), 0);
  ASSERT_EQ(GDI_TEXTOUT_CENTER_BITMAP(5, 60, 20, "Mid", 0xFF00FF, 1), 0);
  std::set<uint32_t> values;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) values.insert(BitmapPixel(5, x, y));
  EXPECT_EQ(values, (std::set<uint32_t>{0, 0x00FF00, 0xFF00FF}));
  EXPECT_EQ(Values(), (std::set<uint32_t>{0})) << "the back buffer is untouched";
}

TEST_F(DisplayTextTest, TextIsClippedAtEveryEdge) {
  StartBitmaps(640, 480, 8);
  ASSERT_EQ(SET_RGB_ENTRY(10, 255, 255, 255), 0);
  const std::string longLine(5000, 'W');
  struct Case {
    int x, y;
    const char *text;
    bool inked;
  } cases[] = {
      {-20, 100, "Edge", true},   {620, 100, "Edge", true},  {100, -8, "Edge", true},
      {100, 472, "Edge", true},   {-5000, 100, "Edge", false}, {100, 100000, "Edge", false},
      {INT32_MIN, INT32_MIN, "Edge", false}, {INT32_MAX, 0, "Edge", false}, {0, 0, longLine.c_str(), true},
  };
  for (const Case &c : cases) {
    ASSERT_EQ(CLEAR_SURFACE(0), 0);
    EXPECT_EQ(GDI_TEXTOUT(c.x, c.y, c.text, 9, 0), 0) << c.x << "," << c.y;
    EXPECT_EQ(Values().count(9) == 1, c.inked) << c.x << "," << c.y;
    EXPECT_EQ(GDI_TEXTOUT_CENTER(c.x, c.y, c.text, 9, 1), 0);
  }
}

TEST_F(DisplayTextTest, UseFontSelectsTheHostFont) {
  StartBitmaps(640, 480, 32);
  HFONT big = CreateFontA(-48, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, DEFAULT_QUALITY, 0, "DejaVu Sans");
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(USE_FONT(big), big);
  EXPECT_EQ(gFont, big);
  ASSERT_EQ(CLEAR_SURFACE(0), 0);
  ASSERT_EQ(GDI_TEXTOUT(0, 0, "I", 0xFFFFFF, 1), 0);
  const int bigInk = CountOf(0xFFFFFF);
  EXPECT_EQ(USE_FONT(nullptr), nullptr);
  ASSERT_EQ(CLEAR_SURFACE(0), 0);
  ASSERT_EQ(GDI_TEXTOUT(0, 0, "I", 0xFFFFFF, 1), 0);
  EXPECT_GT(bigInk, 4 * CountOf(0xFFFFFF)) << "a fresh device context has the default font again";
  DeleteObject(big);
}

TEST_F(DisplayTextTest, CharacterWidthsOfTheWindowFont) {
  StartBitmaps(640, 480, 32);
  HDC dc = GetDC(Window());
  INT zero = -1;
  ASSERT_TRUE(GetCharWidthA(dc, 0, 0, &zero));
  ReleaseDC(Window(), dc);
  EXPECT_EQ(GDI_GET_CHARWIDTH(""), zero) << "an empty text measures the terminating zero";
  EXPECT_EQ(GDI_GET_CHARWIDTH("Wide"), GDI_GET_CHARWIDTH("W"));
  EXPECT_GT(GDI_GET_CHARWIDTH("W"), GDI_GET_CHARWIDTH("i"));
  EXPECT_GT(GDI_GET_CHARWIDTH("\xE9"), 0) << "characters above 127 measure as themselves";
  Mark();
  EXPECT_EQ(GDI_GET_CHARWIDTH(nullptr), 0);
  machine::fail_next("GetCharWidthA", 1, E_FAIL);
  EXPECT_EQ(GDI_GET_CHARWIDTH("W"), 0);
  machine::fail_next("GetDC", 1, E_FAIL);
  EXPECT_EQ(GDI_GET_CHARWIDTH("W"), 0);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{" ! - GetCharWidth Failed", " ! - GetCharWidth Failed",
                                                  " ! - GetDC Failed"}));
}

// A failing step of a text export: its line, its result, and a surface that
// stays usable afterwards (the device context was given back).
TEST_F(DisplayTextTest, EveryFailureWritesItsLineAndReleasesTheContext) {
  enum Target { kBack, kBitmap, kBackCentred, kBitmapCentred };
  struct Case {
    Target target;
    const char *operation;
    int transparent;
    const char *line;  // null: the step is not examined, the export succeeds
  } cases[] = {
      {kBack, "none", 0, nullptr},
      {kBack, "IDirectDrawSurface7::GetDC", 0, " ! - DDS7_GetDC Failed"},
      {kBack, "TextOutA", 0, " ! - TextOut Failed"},
      {kBack, "SetBkMode", 0, nullptr},
      {kBack, "SetTextAlign", 1, nullptr},
      {kBitmap, "IDirectDrawSurface7::GetDC", 0, " ! - IDDS_GetDC Failed"},
      {kBitmap, "SetBkMode", 0, " ! - SetBkMode(hdc,OPAQUE) on Bitmap failed"},
      {kBitmap, "SetBkMode", 1, " ! - SetBkMode(hdc,TRANSPARENT) on Bitmap failed"},
      {kBitmap, "SetTextAlign", 0, " ! - SetTextAlign(hdc,TA_LEFT) on Bitmap failed"},
      {kBitmap, "TextOutA", 0, " ! - TextOut Failed"},
      {kBitmap, "SetTextColor", 0, nullptr},
      {kBackCentred, "TextOutA", 0, nullptr},
      {kBitmapCentred, "SetBkMode", 0, nullptr},
  };
  StartBitmaps(640, 480, 16);
  ASSERT_EQ(CREATE_BITMAP(2, 64, 32, 0), 0);
  for (const Case &c : cases) {
    machine::fail_next(c.operation, 1, E_FAIL);
    Mark();
    int result = -1;
    switch (c.target) {
      case kBack: result = GDI_TEXTOUT(1, 1, "x", 0xFFFF, c.transparent); break;
      case kBitmap: result = GDI_TEXTOUT_BITMAP(2, 1, 1, "x", 0xFFFF, c.transparent); break;
      case kBackCentred: result = GDI_TEXTOUT_CENTER(1, 1, "x", 0xFFFF, c.transparent); break;
      case kBitmapCentred: result = GDI_TEXTOUT_CENTER_BITMAP(2, 1, 1, "x", 0xFFFF, c.transparent); break;
    }
    machine::fail_next(c.operation, 0, E_FAIL);
    EXPECT_EQ(result, c.line != nullptr ? 1 : 0) << c.operation;
    EXPECT_EQ(NewLines(), c.line != nullptr ? std::vector<std::string>{c.line} : std::vector<std::string>{})
        << c.operation;
    EXPECT_EQ(SURFACE_LOCK(), 0) << c.operation;
    EXPECT_EQ(SURFACE_UNLOCK(), 0);
    EXPECT_EQ(BITMAP_LOCK(2), 0) << c.operation;
    EXPECT_EQ(BITMAP_UNLOCK(2), 0);
  }
  EXPECT_EQ(ON_ERROR(), 0);
}

// A device context whose release failed stays out for good, holding its
// surface, as on Windows: the leak checker is told that this is meant.
int KeepingAContextOut(int (*draw)()) {
#ifdef __SANITIZE_ADDRESS__
  __lsan_disable();
  const int result = draw();
  __lsan_enable();
  return result;
#else
  return draw();
#endif
}

TEST_F(DisplayTextTest, ReleaseFailuresAndCentredDirectDrawFailures) {
  StartBitmaps(640, 480, 32);
  // A context whose release failed stays out: each case has a surface of its
  // own (the critical report rebuilds the back buffer).
  ASSERT_EQ(CREATE_BITMAP(2, 64, 32, 0), 0);
  ASSERT_EQ(CREATE_BITMAP(3, 64, 32, 0), 0);
  struct Case {
    const char *operation;
    int (*draw)();
    const char *line;
  } cases[] = {
      {"IDirectDrawSurface7::ReleaseDC", [] { return GDI_TEXTOUT(0, 0, "a", 1, 0); }, " ! - DDS7_ReleaseDC Failed"},
      {"IDirectDrawSurface7::ReleaseDC", [] { return GDI_TEXTOUT_BITMAP(2, 0, 0, "a", 1, 0); },
       " ! - IDDS_ReleaseDC Failed"},
      {"IDirectDrawSurface7::GetDC", [] { return GDI_TEXTOUT_CENTER(0, 0, "a", 1, 0); }, "!!! DDERR_SURFACELOST !!!"},
      {"IDirectDrawSurface7::ReleaseDC", [] { return GDI_TEXTOUT_CENTER_BITMAP(3, 0, 0, "a", 1, 0); },
       "!!! DDERR_SURFACELOST !!!"},
  };
  size_t boxes = 0;
  for (const Case &c : cases) {
    machine::fail_next(c.operation, 1, DDERR_SURFACELOST);
    Mark();
    EXPECT_EQ(KeepingAContextOut(c.draw), 1) << c.line;
    const std::vector<std::string> lines = NewLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), c.line);
    if (c.line[0] == '!') {
      EXPECT_EQ(machine::message_boxes().size(), ++boxes);
    }
  }
  EXPECT_EQ(ON_ERROR(), 1);
}

TEST_F(DisplayTextTest, NullTextsUnknownBitmapsAndNoDisplayAreRefused) {
  Start();
  Mark();
  EXPECT_EQ(GDI_TEXTOUT(0, 0, "a", 1, 0), 1) << "no back buffer yet";
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"??? No Surface ???"}));
  ASSERT_EQ(DDRAW_INIT(), 0);
  ASSERT_EQ(SET_VIDEO_MODE(640, 480, 32), 0);
  Mark();
  EXPECT_EQ(GDI_TEXTOUT(0, 0, nullptr, 1, 0), 1);
  EXPECT_EQ(GDI_TEXTOUT_CENTER(0, 0, nullptr, 1, 0), 1);
  EXPECT_EQ(GDI_TEXTOUT_BITMAP(77, 0, 0, "a", 1, 0), 1);
  EXPECT_EQ(GDI_TEXTOUT_CENTER_BITMAP(78, 0, 0, "a", 1, 0), 1);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{" ! - TextOut Failed", " ! - TextOut Failed",
                                                  " ! - GDI_TEXTOUT_BITMAP = Invalid ID 77",
                                                  " ! - GDI_TEXTOUT_CENTER_BITMAP = Invalid ID 78"}));
  EXPECT_EQ(ON_ERROR(), 0);
}

}  // namespace
