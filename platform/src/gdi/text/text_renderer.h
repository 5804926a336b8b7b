// Draws one line of text into plain pixel memory: the cell box placed by the
// TA_* alignment flags, an optional opaque background, glyphs in the ink
// colour (edges blended when smooth), underline and strikeout, all clipped
// to the memory block. Device contexts call it; it knows none of them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "pixels/pixel_format.h"
#include "gdi/text/font_engine.h"

namespace text {

struct TextPaint {
  uint32_t ink;     // pixel value of the text colour
  uint32_t inkRgb;  // the same colour as 0xRRGGBB, for blended edges
  bool opaque;      // fill the cell box with the paper colour first
  uint32_t paper;   // pixel value of the background colour
};

// The text's cell box: the left and top pixel, size, and the baseline row.
struct TextBox {
  int64_t left;
  int64_t top;
  int64_t width;
  int64_t height;
  int64_t baseline;
};

// Where text drawn at (x, y) with `align` (TA_LEFT/TA_CENTER/TA_RIGHT with
// TA_TOP/TA_BOTTOM/TA_BASELINE) lies.
TextBox PlaceText(Font &font, int x, int y, UINT align, const char *text, int count);

// Draws `count` characters of `text`; nothing is written outside `target`.
// Glyphs are smooth when the font is anti-aliased and the target has 16 bits
// per pixel or more.
void DrawText(const pixels::Block &target, const pixels::Format &format, Font &font, int x, int y, UINT align,
              const char *text, int count, const TextPaint &paint);

}  // namespace text
