// The platform's font engine and text renderer on their own: GDI sizing of
// fonts, monochrome against smooth glyphs, placement by alignment, the opaque
// cell box, and clipping at every edge of a block inside guarded memory.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "gdi/text/font_engine.h"
#include "gdi/text/text_renderer.h"

namespace {

using text::Font;

std::shared_ptr<Font> Open(int height, BYTE quality = DEFAULT_QUALITY) {
  LOGFONTA request{};
  request.lfHeight = height;
  request.lfQuality = quality;
  request.lfUnderline = 1;
  strcpy(request.lfFaceName, "DejaVu Sans");
  std::shared_ptr<Font> font = Font::Open(request);
  EXPECT_NE(font, nullptr) << "no installed font could be opened";
  return font;
}

// A width x height block in the middle of memory filled with guard bytes,
// so that a write outside the block is seen.
class GuardedBlock {
 public:
  static constexpr uint8_t kGuard = 0xA5;
  GuardedBlock(int width, int height, int bytes)
      : memory_(static_cast<size_t>(width + 16) * bytes * (height + 16), kGuard) {
    const long pitch = static_cast<long>(width + 16) * bytes;
    block_ = pixels::Block{memory_.data() + 8 * pitch + 8 * bytes, pitch, width, height, bytes};
    for (int y = 0; y < height; ++y) memset(block_.bits + y * pitch, 0, static_cast<size_t>(width) * bytes);
  }
  const pixels::Block &block() const { return block_; }
  uint32_t At(int x, int y) const {
    return pixels::ReadPixel(block_.bits + y * block_.pitch + x * block_.bytes, block_.bytes);
  }
  int Count(uint32_t value) const {
    int count = 0;
    for (int y = 0; y < block_.height; ++y)
      for (int x = 0; x < block_.width; ++x) count += At(x, y) == value;
    return count;
  }
  // Every byte outside the block (rows above and below, padding beside) is intact.
  bool GuardsIntact() const {
    for (size_t i = 0; i < memory_.size(); ++i) {
      const long offset = static_cast<long>(i) - (block_.bits - memory_.data());
      const bool inside = offset >= 0 && offset / block_.pitch < block_.height &&
                          offset % block_.pitch < static_cast<long>(block_.width) * block_.bytes;
      if (!inside && memory_[i] != kGuard) return false;
    }
    return true;
  }

 private:
  std::vector<uint8_t> memory_;
  pixels::Block block_;
};

TEST(TextEngine, PositiveHeightIsTheCellNegativeHeightTheCharacter) {
  auto cell = Open(20), character = Open(-20);
  ASSERT_TRUE(cell && character);
  EXPECT_EQ(cell->metrics().height(), 20);
  EXPECT_GT(character->metrics().height(), 20) << "the em plus the font's leading";
  EXPECT_GT(cell->Advance('W'), cell->Advance('i'));
  ASSERT_NE(Font::System(), nullptr);
  EXPECT_EQ(Font::System()->metrics().height(), 16);
}

TEST(TextEngine, SmoothGlyphsBlendOnlyAboveEightBits) {
  auto font = Open(24, ANTIALIASED_QUALITY);
  ASSERT_TRUE(font);
  struct Case {
    int bits;
    bool greys;
  } cases[] = {{8, false}, {16, true}, {32, true}};
  for (const Case &c : cases) {
    const pixels::Format format = pixels::DisplayFormat(c.bits, false);
    const uint32_t ink = c.bits == 8 ? 7 : pixels::FromRgb(format, 255, 255, 255);
    GuardedBlock target(48, 32, pixels::BytesPerPixel(format));
    text::DrawText(target.block(), format, *font, 2, 2, TA_LEFT, "S", 1, text::TextPaint{ink, 0xFFFFFF, false, 0});
    EXPECT_GT(target.Count(ink), 0) << c.bits;
    EXPECT_EQ(target.Count(ink) + target.Count(0) < 48 * 32, c.greys) << c.bits;
  }
}

TEST(TextEngine, AlignmentPlacesTheCellBox) {
  auto font = Open(20);
  ASSERT_TRUE(font);
  const int64_t width = text::TextWidth(*font, "Hello", 5);
  struct Case {
    UINT align;
    int64_t left, top;
  } cases[] = {{TA_LEFT | TA_TOP, 100, 50},    {TA_CENTER | TA_TOP, 100 - width / 2, 50},
               {TA_RIGHT | TA_TOP, 100 - width, 50}, {TA_LEFT | TA_BOTTOM, 100, 30},
               {TA_LEFT | TA_BASELINE, 100, 50 - font->metrics().ascent}};
  for (const Case &c : cases) {
    const text::TextBox box = text::PlaceText(*font, 100, 50, c.align, "Hello", 5);
    EXPECT_EQ(box.left, c.left) << c.align;
    EXPECT_EQ(box.top, c.top) << c.align;
  }
}

TEST(TextEngine, OpaqueModeFillsExactlyTheCellBox) {
  LOGFONTA plain{};
  plain.lfHeight = 16;
  auto font = Font::Open(plain);
  ASSERT_TRUE(font);
  GuardedBlock target(64, 32, 4);
  text::DrawText(target.block(), pixels::DisplayFormat(32, false), *font, 5, 7, TA_LEFT, "  ", 2,
                 text::TextPaint{0xFFFFFF, 0xFFFFFF, true, 0x123456});
  const int width = static_cast<int>(text::TextWidth(*font, "  ", 2));
  EXPECT_EQ(target.Count(0x123456), width * 16);
  EXPECT_EQ(target.At(5, 7), 0x123456u);
  EXPECT_EQ(target.At(5 + width - 1, 7 + 15), 0x123456u);
}

TEST(TextEngine, NothingIsWrittenOutsideTheBlockAtAnyEdge) {
  struct Case {
    int x, y;
    UINT align;
    bool drawn;
  } cases[] = {
      {-10, 5, TA_LEFT, true},           {30, 5, TA_LEFT, true},          {5, -15, TA_LEFT, true},
      {5, 20, TA_LEFT, true},            {-10, -15, TA_LEFT, true},       {30, 20, TA_LEFT, true},
      {-100000, 5, TA_LEFT, false},      {5, 100000, TA_LEFT, false},     {INT32_MIN, INT32_MIN, TA_LEFT, false},
      {INT32_MAX, INT32_MAX, TA_LEFT, false},
      // Rows and columns past the 32-bit range: the glyph boxes end beyond
      // INT32_MAX, or centred text starts below INT32_MIN.
      {5, INT32_MAX, TA_LEFT, false},    {5, INT32_MAX - 4, TA_LEFT, false}, {5, INT32_MAX - 40, TA_LEFT, false},
      {INT32_MAX - 4, 5, TA_LEFT, false}, {INT32_MIN, 5, TA_CENTER, false}, {INT32_MIN + 20, 5, TA_CENTER, false},
      {INT32_MAX, 5, TA_RIGHT, false},   {5, INT32_MIN, TA_BOTTOM, false}, {5, INT32_MIN + 3, TA_BASELINE, false},
      {5, INT32_MAX, TA_BASELINE, false}, {INT32_MIN, INT32_MAX, TA_CENTER | TA_BOTTOM, false}};
  for (BYTE quality : {BYTE(DEFAULT_QUALITY), BYTE(ANTIALIASED_QUALITY)}) {
    auto font = Open(-30, quality);  // underlined, so lines are clipped too
    ASSERT_TRUE(font);
    for (const Case &c : cases) {
      GuardedBlock target(40, 30, 2);
      text::DrawText(target.block(), pixels::DisplayFormat(16, false), *font, c.x, c.y, c.align, "WgW", 3,
                     text::TextPaint{0xFFFF, 0xFFFFFF, true, 0x1234});
      EXPECT_TRUE(target.GuardsIntact()) << c.x << "," << c.y << " align " << c.align;
      EXPECT_EQ(target.Count(0) < 40 * 30, c.drawn) << c.x << "," << c.y << " align " << c.align;
    }
  }
}

}  // namespace
