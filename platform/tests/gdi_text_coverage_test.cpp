// The coverage painter's vector kernels against its per-pixel reference:
// every paper channel and coverage level under many inks (every ink channel
// on 24- and 32-bit pixels), then whole lines of text in every target format
// over random pixels (top bytes included), clipped at each edge, compared
// byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "gdi/text/coverage_painter.h"
#include "gdi/text/font_engine.h"
#include "gdi/text/text_renderer.h"
#include "pixels/reference_switch.h"

namespace {

struct FormatCase {
  const char *name;
  pixels::Format format;
};

const FormatCase kFormats[] = {
    {"Indexed8", {8, 0, 0, 0, 0}},
    {"Rgb565", {16, 0xF800, 0x07E0, 0x001F, 0}},
    {"Rgb555", {16, 0x7C00, 0x03E0, 0x001F, 0}},
    {"Rgb24", {24, 0xFF0000, 0x00FF00, 0x0000FF, 0}},
    {"Bgr24", {24, 0x0000FF, 0x00FF00, 0xFF0000, 0}},
    {"Rgb32", {32, 0xFF0000, 0x00FF00, 0x0000FF, 0}},
    {"Argb32", {32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000}},
    {"Bgr32", {32, 0x0000FF, 0x00FF00, 0xFF0000, 0}},
    {"Argb1555", {16, 0x7C00, 0x03E0, 0x001F, 0x8000}},
    {"Rgb444", {16, 0x0F00, 0x00F0, 0x000F, 0}},
};

const FormatCase &FormatNamed(const std::string &name) {
  for (const FormatCase &format : kFormats) {
    if (name == format.name) return format;
  }
  throw std::invalid_argument(name);
}

// Pixel memory of random bytes with padded rows; the last row ends where the
// allocation ends, so a kernel reading or writing past it is caught by the
// address sanitizer.
struct Canvas {
  std::vector<uint8_t> bytes;
  pixels::Block block;

  Canvas(int width, int height, int pixelBytes, std::mt19937 &random) {
    const long pitch = static_cast<long>(width + 3) * pixelBytes;
    bytes.resize(static_cast<size_t>(pitch) * (height - 1) + static_cast<size_t>(width) * pixelBytes);
    for (uint8_t &byte : bytes) byte = static_cast<uint8_t>(random());
    block = pixels::Block{bytes.data(), pitch, width, height, pixelBytes};
  }
};

// Runs `draw` on the block once through the reference kernels and once
// through the specialised ones, from the same starting bytes, and returns
// both results. The switch is put back as it was found.
template <typename Draw>
std::pair<std::vector<uint8_t>, std::vector<uint8_t>> BothWays(const Canvas &start, Draw draw) {
  const bool forced = pixels::ReferenceKernelsForced();
  std::vector<uint8_t> results[2];
  for (bool reference : {true, false}) {
    Canvas copy = start;
    copy.block.bits = copy.bytes.data();
    pixels::ForceReferenceKernels(reference);
    draw(copy.block);
    results[reference ? 0 : 1] = std::move(copy.bytes);
  }
  pixels::ForceReferenceKernels(forced);
  return {std::move(results[0]), std::move(results[1])};
}

// The first byte where two results differ, or -1.
long FirstDifference(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return static_cast<long>(i);
  }
  return a.size() == b.size() ? -1 : static_cast<long>(a.size());
}

// Every (paper channel, coverage level) pair under inks whose channels step
// through `inkStep`-apart values, 251 pixels to a row so that rows end
// part-way through a group. Bits outside the channel masks are random. A
// glyph marked monochrome must come out the same whatever its levels.
void CompareKernelsOverEveryPaperAndLevel(const FormatCase &format, int inkStep, bool monochrome) {
  SCOPED_TRACE(std::string(format.name) + (monochrome ? " marked monochrome" : ""));
  std::mt19937 random(17);
  constexpr int kPairs = 256 * 256, kWidth = 251, kHeight = (kPairs + kWidth - 1) / kWidth;
  const pixels::Format &f = format.format;
  const int bytes = pixels::BytesPerPixel(f);
  const uint32_t spare = ~(f.red | f.green | f.blue) & (bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1);
  std::vector<uint8_t> coverage(static_cast<size_t>(kWidth) * kHeight, 0);
  Canvas paper(kWidth, kHeight, bytes, random);
  for (int i = 0; i < kPairs; ++i) {
    coverage[i] = static_cast<uint8_t>(i >> 8);
    const uint8_t b = i & 0xFF;
    pixels::WritePixel(paper.block.bits + (i / kWidth) * paper.block.pitch + (i % kWidth) * bytes, bytes,
                       pixels::FromRgb(f, b, b ^ 0xA5, 255 - b) | (random() & spare));
  }
  for (int a = 0; a < 256 + inkStep - 1; a += inkStep) {
    const uint32_t channel = std::min(a, 255);
    const uint32_t inkRgb = (random() & 0xFF000000u) | ((255 - channel) << 16) | (channel << 8) | (channel ^ 0x5A);
    const uint32_t ink = random();
    auto [expected, actual] = BothWays(paper, [&](const pixels::Block &block) {
      text::EdgeBlender blender(f, inkRgb);
      const text::CoverageArea glyph{block, coverage.data(), kWidth, monochrome};
      (pixels::ReferenceKernelsForced() ? text::reference::PaintCoverage
                                        : text::specialised::PaintCoverage)(glyph, ink, blender);
    });
    ASSERT_EQ(FirstDifference(expected, actual), -1) << "ink channel " << channel;
  }
}

TEST(TextCoverage, TrueColourKernelBlendsEveryInkPaperAndLevelAsTheReference) {
  for (const char *name : {"Rgb24", "Rgb32", "Argb32"}) {
    for (bool monochrome : {false, true}) CompareKernelsOverEveryPaperAndLevel(FormatNamed(name), 1, monochrome);
  }
}

TEST(TextCoverage, HighColourKernelBlendsEveryPaperAndLevelAsTheReference) {
  for (const char *name : {"Rgb565", "Rgb555", "Argb1555"}) {
    for (bool monochrome : {false, true}) CompareKernelsOverEveryPaperAndLevel(FormatNamed(name), 9, monochrome);
  }
}

std::shared_ptr<text::Font> OpenFont(int height, bool smooth, bool underline) {
  LOGFONTA request{};
  request.lfHeight = height;
  request.lfQuality = smooth ? ANTIALIASED_QUALITY : NONANTIALIASED_QUALITY;
  request.lfUnderline = underline;
  strcpy(request.lfFaceName, "DejaVu Sans");
  return text::Font::Open(request);
}

TEST(TextCoverage, LinesOfTextAreTheSameBytesInEveryFormatAtEveryEdge) {
  constexpr int kWidth = 90, kHeight = 50;
  const char kText[] = "Wij.|gQ@ ,;mMy~\xE9";
  struct Place {
    int x, y;
    UINT align;
  } places[] = {{3, 4, TA_LEFT | TA_TOP},        {-9, 6, TA_LEFT | TA_TOP},       {40, -5, TA_LEFT | TA_TOP},
                {kWidth - 17, 9, TA_LEFT | TA_TOP}, {5, kHeight + 4, TA_LEFT | TA_BASELINE}, {kWidth / 2, 30, TA_CENTER | TA_BASELINE},
                {kWidth + 3, kHeight + 2, TA_RIGHT | TA_BOTTOM}};
  std::mt19937 random(5);
  for (const int height : {-9, 13, -24, 40}) {
    for (const bool smooth : {true, false}) {
      auto font = OpenFont(height, smooth, height == 13);
      ASSERT_NE(font, nullptr) << "no installed font could be opened";
      for (const FormatCase &format : kFormats) {
        for (const Place &place : places) {
          Canvas start(kWidth, kHeight, pixels::BytesPerPixel(format.format), random);
          const text::TextPaint paint{static_cast<uint32_t>(random()), static_cast<uint32_t>(random()),
                                      place.x < 0, static_cast<uint32_t>(random())};
          auto [expected, actual] = BothWays(start, [&](const pixels::Block &block) {
            text::DrawText(block, format.format, *font, place.x, place.y, place.align, kText, sizeof kText - 1,
                           paint);
          });
          std::ostringstream where;
          where << format.name << " height " << height << (smooth ? " smooth" : " monochrome") << " at " << place.x
                << "," << place.y;
          EXPECT_TRUE(expected != start.bytes) << where.str() << ": nothing was drawn";
          EXPECT_EQ(FirstDifference(expected, actual), -1) << where.str();
        }
      }
    }
  }
}

}  // namespace
