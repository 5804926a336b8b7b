// The blit family: the clipping rules as tables (every edge, the in-place
// RECT, stretch rules A and B, skipped copies), then seeded scenes whose
// every screen pixel is checked, transparency, bitmap targets, scrolling,
// the failure rows and unknown ids.
#include <climits>
#include <functional>

#include "bitmap/bitmap_clip.h"
#include "bitmap/bitmap_registry.h"
#include "support/bitmap_test.h"

namespace {

bool operator==(const RECT &a, const RECT &b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT &r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

struct UnscaledClip {
  const char *name;
  RECT source;
  int x, y, width, height;
  bool drawn;
  RECT clipped;
  int clippedX, clippedY;
};

class ClipUnscaledTable : public ::testing::TestWithParam<UnscaledClip> {};

TEST_P(ClipUnscaledTable, Clips) {
  const UnscaledClip &c = GetParam();
  RECT source = c.source;
  int x = c.x, y = c.y;
  EXPECT_EQ(ClipUnscaled(&source, &x, &y, c.width, c.height), c.drawn);
  if (c.drawn) {
    EXPECT_TRUE(source == c.clipped) << Show(source);
    EXPECT_EQ(x, c.clippedX);
    EXPECT_EQ(y, c.clippedY);
  }
}

const RECT k64{0, 0, 64, 64};

INSTANTIATE_TEST_SUITE_P(
    Edges, ClipUnscaledTable,
    ::testing::Values(UnscaledClip{"Inside", k64, 100, 100, 640, 480, true, k64, 100, 100},
                      UnscaledClip{"LeftCut", k64, -10, 5, 640, 480, true, {10, 0, 64, 64}, 0, 5},
                      UnscaledClip{"LeftAllOut", k64, -64, 0, 640, 480, false, {}, 0, 0},
                      UnscaledClip{"LeftOneColumn", k64, -63, 0, 640, 480, true, {63, 0, 64, 64}, 0, 0},
                      UnscaledClip{"TopCut", k64, 0, -10, 640, 480, true, {0, 10, 64, 64}, 0, 0},
                      UnscaledClip{"TopAllOut", k64, 0, -64, 640, 480, false, {}, 0, 0},
                      UnscaledClip{"RightCut", k64, 600, 0, 640, 480, true, {0, 0, 40, 64}, 600, 0},
                      UnscaledClip{"RightAllOut", k64, 640, 0, 640, 480, false, {}, 0, 0},
                      UnscaledClip{"BottomCut", k64, 0, 470, 640, 480, true, {0, 0, 64, 10}, 0, 470},
                      UnscaledClip{"BottomAllOut", k64, 0, 480, 640, 480, false, {}, 0, 0},
                      UnscaledClip{"TopLeftRect", k64, -10, -10, 640, 480, true, {10, 10, 64, 64}, 0, 0},
                      UnscaledClip{"PartOfSource", {16, 16, 48, 48}, 630, 470, 640, 480, true, {16, 16, 26, 26}, 630, 470},
                      UnscaledClip{"BitmapTarget", k64, 40, 0, 80, 80, true, {0, 0, 40, 64}, 40, 0},
                      UnscaledClip{"EmptySource", {5, 5, 5, 9}, 0, 0, 640, 480, false, {}, 0, 0},
                      UnscaledClip{"MostNegative", k64, INT_MIN, INT_MIN, 640, 480, false, {}, 0, 0},
                      UnscaledClip{"MostPositive", k64, INT_MAX, INT_MAX, 640, 480, false, {}, 0, 0}),
    [](const ::testing::TestParamInfo<UnscaledClip> &p) { return std::string(p.param.name); });

struct StretchClip {
  const char *name;
  StretchRule rule;
  RECT dest;
  int sourceWidth, sourceHeight;
  bool drawn;
  RECT clippedDest;
  RECT clippedSource;
};

class ClipStretchedTable : public ::testing::TestWithParam<StretchClip> {};

TEST_P(ClipStretchedTable, Clips) {
  const StretchClip &c = GetParam();
  RECT dest = c.dest;
  RECT source{0, 0, c.sourceWidth, c.sourceHeight};
  EXPECT_EQ(ClipStretched(&dest, &source, 640, 480, c.rule), c.drawn);
  EXPECT_TRUE(dest == c.clippedDest) << Show(dest);
  if (c.drawn) {
    EXPECT_TRUE(source == c.clippedSource) << Show(source);
  }
}

constexpr StretchRule A = StretchRule::kA, B = StretchRule::kB;

INSTANTIATE_TEST_SUITE_P(
    Rules, ClipStretchedTable,
    ::testing::Values(
        StretchClip{"AInside", A, {10, 10, 74, 74}, 32, 32, true, {10, 10, 74, 74}, {0, 0, 32, 32}},
        StretchClip{"ALeftHalfScale", A, {-50, 0, 150, 100}, 100, 100, true, {0, 0, 150, 100}, {25, 0, 100, 100}},
        StretchClip{"ALeftTruncates", A, {-3, 0, 197, 100}, 100, 100, true, {0, 0, 197, 100}, {1, 0, 100, 100}},
        StretchClip{"ATopCut", A, {0, -20, 100, 80}, 100, 100, true, {0, 0, 100, 80}, {0, 20, 100, 100}},
        StretchClip{"ARightOnDest", A, {500, 0, 700, 100}, 100, 100, true, {500, 0, 640, 100}, {0, 0, 70, 100}},
        StretchClip{"ABottomOnDest", A, {0, 400, 100, 600}, 100, 100, true, {0, 400, 100, 480}, {0, 0, 100, 40}},
        StretchClip{"AAllLeft", A, {-200, 0, -100, 100}, 100, 100, false, {0, 0, -100, 100}, {}},
        StretchClip{"AEmptyStillClipped", A, {-5, -5, -5, 700}, 100, 100, false, {0, 0, -5, 480}, {}},
        StretchClip{"AEmptyWidth", A, {10, 10, 10, 50}, 100, 100, false, {10, 10, 10, 50}, {}},
        StretchClip{"BRightOnSource", B, {500, 0, 700, 100}, 100, 100, true, {500, 0, 700, 100}, {0, 0, 100, 100}},
        StretchClip{"BUnstretchedAsA", B, {600, 0, 700, 100}, 100, 100, true, {600, 0, 640, 100}, {0, 0, 40, 100}},
        StretchClip{"BLeftHalfScale", B, {-50, 0, 150, 100}, 100, 100, true, {0, 0, 150, 100}, {25, 0, 100, 100}},
        StretchClip{"BEmptyDest", B, {10, 10, 10, 50}, 100, 100, false, {10, 10, 10, 50}, {}},
        StretchClip{"AFarLeft", A, {INT_MIN, 0, 100, 100}, 100, 100, false, {0, 0, 100, 100}, {}}),
    [](const ::testing::TestParamInfo<StretchClip> &p) { return std::string(p.param.name); });

// Scenes: a seeded bitmap copied onto a cleared screen, every pixel checked.
constexpr uint32_t kBackground = 0x0842;

uint32_t Pattern(int x, int y) { return static_cast<uint32_t>(((y & 63) << 6 | (x & 63)) + 1); }
// The pattern with holes of colour 0 (the default transparent colour).
uint32_t Holed(int x, int y) { return (x + y) % 5 == 0 ? 0 : Pattern(x, y); }

class BitmapScene : public BitmapTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    BitmapTest::SetUp();
    StartBitmaps(640, 480, GetParam());
    ASSERT_EQ(CLEAR_SURFACE(static_cast<int>(kBackground)), 0);
  }

  void MakeSprite(int id, int width, int height, uint32_t (*value)(int, int)) {
    ASSERT_EQ(CREATE_BITMAP(id, width, height, 0), 0);
    PaintBitmap(id, value);
  }

  // The screen shows `value(sx, sy)` inside `dest`, where (sx, sy) is
  // `map(x, y)`, and the background elsewhere; keyed copies show the
  // background where the value is 0.
  void ExpectScreen(const RECT &dest, const std::function<uint32_t(int, int)> &shown, bool keyed) {
    const std::vector<uint32_t> screen = BackBuffer();
    int wrong = 0;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        const bool inside = x >= dest.left && x < dest.right && y >= dest.top && y < dest.bottom;
        uint32_t expected = inside ? shown(x, y) : kBackground;
        if (inside && keyed && expected == 0) expected = kBackground;
        if (screen[static_cast<size_t>(y) * 640 + x] != expected && ++wrong < 5) {
          ADD_FAILURE() << "pixel (" << x << "," << y << ") is " << screen[static_cast<size_t>(y) * 640 + x]
                        << ", expected " << expected;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
};

struct FastCase {
  const char *name;
  bool keyed;
  bool useRect;
  RECT part;
  int x, y;
  RECT dest;     // where it lands
  int sx0, sy0;  // source pixel at the dest's top-left
  RECT clipped;  // the caller's RECT afterwards (RECT members)
};

class BitmapFastScene : public BitmapScene {};

const FastCase kFastCases[] = {
    {"Plain", false, false, {}, 100, 50, {100, 50, 164, 114}, 0, 0, {}},
    {"LeftEdge", false, false, {}, -10, 5, {0, 5, 54, 69}, 10, 0, {}},
    {"OneColumn", false, false, {}, -63, 0, {0, 0, 1, 64}, 63, 0, {}},
    {"RightEdge", false, false, {}, 600, 0, {600, 0, 640, 64}, 0, 0, {}},
    {"BottomRight", false, false, {}, 620, 470, {620, 470, 640, 480}, 0, 0, {}},
    {"Keyed", true, false, {}, 30, 30, {30, 30, 94, 94}, 0, 0, {}},
    {"RectTopLeft", false, true, {0, 0, 64, 64}, -10, -10, {0, 0, 54, 54}, 10, 10, {10, 10, 64, 64}},
    {"KeyedRect", true, true, {8, 8, 40, 24}, 200, 100, {200, 100, 232, 116}, 8, 8, {8, 8, 40, 24}},
};

TEST_P(BitmapFastScene, CopiesTheClippedPart) {
  MakeSprite(1, 64, 64, Holed);
  for (const FastCase &c : kFastCases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(CLEAR_SURFACE(static_cast<int>(kBackground)), 0);
    RECT part = c.part;
    int result;
    if (c.useRect) {
      result = c.keyed ? TRANS_RECT_BLITFAST(1, &part, c.x, c.y) : RECT_BLITFAST(1, &part, c.x, c.y);
      EXPECT_TRUE(part == c.clipped) << Show(part);
    } else {
      result = c.keyed ? TRANS_BLITFAST(1, c.x, c.y) : BLITFAST(1, c.x, c.y);
    }
    EXPECT_EQ(result, 0);
    ExpectScreen(c.dest, [&c](int x, int y) { return Holed(c.sx0 + x - c.dest.left, c.sy0 + y - c.dest.top); },
                 c.keyed);
  }
}

TEST_P(BitmapFastScene, SkippedCopiesDrawNothingAndSucceed) {
  MakeSprite(1, 64, 64, Pattern);
  for (const auto &xy : std::vector<std::pair<int, int>>{{-64, 0}, {640, 0}, {0, -64}, {0, 480}, {INT_MIN, 0}}) {
    EXPECT_EQ(BLITFAST(1, xy.first, xy.second), 0);
    EXPECT_EQ(TRANS_BLITFAST(1, xy.first, xy.second), 0);
  }
  ExpectScreen(RECT{}, nullptr, false);
}

TEST_P(BitmapFastScene, StretchesTwiceAndMirrors) {
  MakeSprite(1, 32, 32, Holed);
  RECT dest{10, 10, 74, 74};
  ASSERT_EQ(BLIT_BITMAP(1, &dest, 0), 0);
  ExpectScreen(dest, [](int x, int y) { return Holed((x - 10) / 2, (y - 10) / 2); }, false);
  ASSERT_EQ(CLEAR_SURFACE(static_cast<int>(kBackground)), 0);
  ASSERT_EQ(TRANS_BLIT_BITMAP(1, &dest, DDBLTFX_MIRRORLEFTRIGHT), 0);
  ExpectScreen(dest, [](int x, int y) { return Holed(31 - (x - 10) / 2, (y - 10) / 2); }, true);
}

TEST_P(BitmapFastScene, StretchClipsTheCallersRect) {
  MakeSprite(1, 100, 100, Pattern);
  RECT dest{-50, 0, 150, 100};
  ASSERT_EQ(BLIT_BITMAP(1, &dest, 0), 0);
  EXPECT_TRUE(dest == (RECT{0, 0, 150, 100})) << Show(dest);
  ExpectScreen(dest, [](int x, int y) { return Pattern(25 + x / 2, y); }, false);
  RECT empty{20, 20, 20, 40};
  EXPECT_EQ(BLIT_BITMAP(1, &empty, 0), 0);
}

TEST_P(BitmapFastScene, BitmapTargetsClipAgainstTheTarget) {
  MakeSprite(1, 64, 64, Holed);
  MakeSprite(2, 80, 80, [](int, int) { return kBackground; });
  ASSERT_EQ(BITMAP_BLITFAST(1, 2, 40, 0), 0);
  ASSERT_EQ(TRANS_BITMAP_BLITFAST(1, 2, 40, 70), 0);
  RECT part{0, 0, 8, 8};
  ASSERT_EQ(BITMAP_RECT_BLITFAST(1, &part, 2, -4, 76), 0);
  EXPECT_TRUE(part == (RECT{4, 0, 8, 4})) << Show(part);
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < 80; ++x) {
      uint32_t expected = kBackground;
      if (x >= 40 && y < 64) expected = Holed(x - 40, y);
      if (x >= 40 && y >= 70 && Holed(x - 40, y - 70) != 0) expected = Holed(x - 40, y - 70);
      if (x < 4 && y >= 76) expected = Holed(x + 4, y - 76);
      ASSERT_EQ(BitmapPixel(2, x, y), expected) << x << "," << y;
    }
  }
}

TEST_P(BitmapFastScene, BitmapStretchClipsAgainstTheScreenOnly) {
  MakeSprite(1, 40, 40, Pattern);
  MakeSprite(2, 80, 80, [](int, int) { return kBackground; });
  RECT inside{0, 0, 80, 80};
  ASSERT_EQ(BITMAP_BLIT_BITMAP(1, &inside, 2, 0), 0);
  EXPECT_EQ(BitmapPixel(2, 79, 79), Pattern(39, 39));
  // Beyond the 80 x 80 target but on the screen: DirectDraw refuses it.
  RECT beyond{0, 0, 100, 100};
  const size_t boxes = machine::message_boxes().size();
  EXPECT_EQ(TRANS_BITMAP_BLIT_BITMAP(1, &beyond, 2, 0), 1);
  EXPECT_EQ(machine::message_boxes().size(), boxes + 1);
  EXPECT_EQ(ReportLines().back(), " ! - DDS7_Blt Failed");
}

TEST_P(BitmapFastScene, FillsAndScrollWithOverlap) {
  MakeSprite(1, 320, 200, [](int, int y) { return static_cast<uint32_t>(y + 1); });
  ASSERT_EQ(SCROLL_BITMAP(1, 0, 8, 320, 200, 0, -8), 0);
  for (int y = 0; y < 200; ++y) ASSERT_EQ(BitmapPixel(1, 17, y), static_cast<uint32_t>(y < 192 ? y + 9 : y + 1)) << y;
  ASSERT_EQ(SCROLL_BITMAP(1, 0, 0, 320, 190, 0, 10), 0);  // downwards over itself
  EXPECT_EQ(BitmapPixel(1, 5, 199), 198u);  // row 189 after the first scroll
  RECT box{10, 10, 20, 20};
  ASSERT_EQ(BITMAP_RECT_BLIT(1, &box, 0x55), 0);
  EXPECT_EQ(BitmapPixel(1, 15, 15), 0x55u);
  EXPECT_EQ(BitmapPixel(1, 20, 20), 19u);
  ASSERT_EQ(CLEAR_BITMAP(1, 7), 0);
  EXPECT_EQ(BitmapPixel(1, 319, 199), 7u);
}

INSTANTIATE_TEST_SUITE_P(Depths, BitmapFastScene, ::testing::Values(16, 32),
                         [](const ::testing::TestParamInfo<int> &p) { return std::to_string(p.param) + "bit"; });

// Failing blits: the critical report, then the export's own lines, and 1.
struct BlitFault {
  const char *name;
  const char *operation;
  std::function<int()> call;
  std::vector<std::string> lines;
};

class BlitFaults : public BitmapTest, public ::testing::WithParamInterface<BlitFault> {};

RECT gPart;
RECT gDest;

TEST_P(BlitFaults, RaiseTheCriticalReportThenTheirLines) {
  StartBitmaps(640, 480, 16);
  ASSERT_EQ(CREATE_BITMAP(1, 64, 64, 0), 0);
  ASSERT_EQ(CREATE_BITMAP(2, 64, 64, 0), 0);
  gPart = RECT{0, 0, 64, 64};
  gDest = RECT{0, 0, 32, 32};
  machine::fail_next(GetParam().operation, 1, DDERR_GENERIC);
  const size_t boxes = machine::message_boxes().size();
  EXPECT_EQ(GetParam().call(), 1);
  EXPECT_EQ(machine::message_boxes().size(), boxes + 1);
  const std::vector<std::string> all = ReportLines();
  const std::vector<std::string> &lines = GetParam().lines;
  ASSERT_GE(all.size(), lines.size());
  EXPECT_EQ(std::vector<std::string>(all.end() - static_cast<long>(lines.size()), all.end()), lines);
  EXPECT_TRUE(HasLine("!!! DDERR_GENERIC !!!"));
}

INSTANTIATE_TEST_SUITE_P(
    Exports, BlitFaults,
    ::testing::Values(
        BlitFault{"BLITFAST", "IDirectDrawSurface7::BltFast", [] { return BLITFAST(1, 0, 0); }, {" ! - DDS7_BltFast Failed"}},
        BlitFault{"TRANS_BLITFAST", "IDirectDrawSurface7::BltFast", [] { return TRANS_BLITFAST(1, 0, 0); },
                  {" ! - DDS7_BltFast Failed"}},
        BlitFault{"RECT_BLITFAST", "IDirectDrawSurface7::BltFast", [] { return RECT_BLITFAST(1, &gPart, -10, 0); },
                  {"left=10", "top=0", "right=64", "bottom=64", " ! - RECT_BLITFAST Failed"}},
        BlitFault{"TRANS_RECT_BLITFAST", "IDirectDrawSurface7::BltFast",
                  [] { return TRANS_RECT_BLITFAST(1, &gPart, 0, 0); }, {" ! - TRANS_RECT_BLITFAST Failed"}},
        BlitFault{"BITMAP_BLITFAST", "IDirectDrawSurface7::BltFast", [] { return BITMAP_BLITFAST(1, 2, 0, 0); },
                  {" ! - BITMAP_BLITFAST Failed"}},
        BlitFault{"TRANS_BITMAP_BLITFAST", "IDirectDrawSurface7::BltFast",
                  [] { return TRANS_BITMAP_BLITFAST(1, 2, 0, 0); }, {" ! - TRANS_BITMAP_BLITFAST Failed"}},
        BlitFault{"BITMAP_RECT_BLITFAST", "IDirectDrawSurface7::BltFast",
                  [] { return BITMAP_RECT_BLITFAST(1, &gPart, 2, 0, 0); }, {" ! - BITMAP_RECT_BLITFAST Failed"}},
        BlitFault{"TRANS_BITMAP_RECT_BLITFAST", "IDirectDrawSurface7::BltFast",
                  [] { return TRANS_BITMAP_RECT_BLITFAST(1, &gPart, 2, 0, 0); }, {" ! - TRANS_BITMAP_RECT_BLITFAST Failed"}},
        BlitFault{"BLIT_BITMAP", "IDirectDrawSurface7::Blt", [] { return BLIT_BITMAP(1, &gDest, 0); }, {" ! - DDS7_Blt Failed"}},
        BlitFault{"TRANS_BLIT_BITMAP", "IDirectDrawSurface7::Blt", [] { return TRANS_BLIT_BITMAP(1, &gDest, 0); },
                  {" ! - DDS7_Blt Failed"}},
        BlitFault{"BITMAP_BLIT_BITMAP", "IDirectDrawSurface7::Blt", [] { return BITMAP_BLIT_BITMAP(1, &gDest, 2, 0); },
                  {" ! - DDS7_Blt Failed"}},
        BlitFault{"TRANS_BITMAP_BLIT_BITMAP", "IDirectDrawSurface7::Blt",
                  [] { return TRANS_BITMAP_BLIT_BITMAP(1, &gDest, 2, 0); }, {" ! - DDS7_Blt Failed"}},
        BlitFault{"BITMAP_RECT_BLIT", "IDirectDrawSurface7::Blt", [] { return BITMAP_RECT_BLIT(1, &gDest, 3); },
                  {" ! - DDS7_Blt Failed"}},
        BlitFault{"SCROLL_BITMAP", "IDirectDrawSurface7::Blt", [] { return SCROLL_BITMAP(1, 0, 8, 64, 64, 0, -8); },
                  {" ! - Scroll Failed"}},
        BlitFault{"CLEAR_BITMAP", "IDirectDrawSurface7::Blt", [] { return CLEAR_BITMAP(1, 3); },
                  {"!!! DDERR_GENERIC !!!"}}),
    [](const ::testing::TestParamInfo<BlitFault> &p) { return std::string(p.param.name); });

// Unknown ids and missing rectangles: a line naming the export, and 1.
TEST_F(BitmapTest, UnknownIdsAndNullRectsAreRefused) {
  StartBitmaps(640, 480, 16);
  ASSERT_EQ(CREATE_BITMAP(1, 8, 8, 0), 0);
  RECT r{0, 0, 8, 8};
  const std::vector<std::pair<std::string, std::function<int()>>> calls = {
      {" ! - BLITFAST = Invalid ID 77", [] { return BLITFAST(77, 0, 0); }},
      {" ! - TRANS_BLITFAST = Invalid ID 77", [] { return TRANS_BLITFAST(77, 0, 0); }},
      {" ! - RECT_BLITFAST = Invalid ID 77", [&r] { return RECT_BLITFAST(77, &r, 0, 0); }},
      {" ! - BITMAP_BLITFAST = Invalid ID 77", [] { return BITMAP_BLITFAST(1, 77, 0, 0); }},
      {" ! - TRANS_BITMAP_BLITFAST = Invalid ID 77", [] { return TRANS_BITMAP_BLITFAST(77, 1, 0, 0); }},
      {" ! - BLIT_BITMAP = Invalid ID 77", [&r] { return BLIT_BITMAP(77, &r, 0); }},
      {" ! - BITMAP_BLIT_BITMAP = Invalid ID 77", [&r] { return BITMAP_BLIT_BITMAP(1, &r, 77, 0); }},
      {" ! - CLEAR_BITMAP = Invalid ID 77", [] { return CLEAR_BITMAP(77, 0); }},
      {" ! - BITMAP_RECT_BLIT = Invalid ID 77", [&r] { return BITMAP_RECT_BLIT(77, &r, 0); }},
      {" ! - SCROLL_BITMAP = Invalid ID 77", [] { return SCROLL_BITMAP(77, 0, 0, 1, 1, 0, 0); }},
      {" ! - BLIT_BITMAP = No RECT given", [] { return BLIT_BITMAP(1, nullptr, 0); }},
      {" ! - RECT_BLITFAST = No RECT given", [] { return RECT_BLITFAST(1, nullptr, 0, 0); }},
      {" ! - TRANS_BITMAP_RECT_BLITFAST = No RECT given", [] { return TRANS_BITMAP_RECT_BLITFAST(1, nullptr, 1, 0, 0); }},
  };
  for (const auto &call : calls) {
    EXPECT_EQ(call.second(), 1) << call.first;
    EXPECT_EQ(ReportLines().back(), call.first);
  }
  EXPECT_TRUE(machine::message_boxes().empty());
}

TEST_F(BitmapTest, ScreenCopiesWithoutAModeAreRefused) {
  REPORT_MODE("display", 1);
  ASSERT_EQ(KORVANE_INIT(Window(), Instance()), 0);
  ASSERT_EQ(DDRAW_INIT(), 0);
  ASSERT_EQ(CREATE_BITMAP(1, 8, 8, 0), 0);
  EXPECT_EQ(BLITFAST(1, 0, 0), 1);
  EXPECT_EQ(ReportLines().back(), "??? No Surface ???");
}

}  // namespace
