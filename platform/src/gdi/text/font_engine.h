// The platform's font engine: a font opened from a LOGFONTA at its GDI size,
// its cell metrics and advance widths, and its glyphs rasterised by FreeType
// into coverage masks. It knows nothing of device contexts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace text {

// One glyph as coverage, 0 (paper) to 255 (ink), row after row.
struct GlyphMask {
  int width = 0;
  int height = 0;
  int left = 0;  // from the pen position to the first column
  int top = 0;   // from the baseline up to the first row
  std::vector<uint8_t> coverage;
};

// Cell metrics in pixels. Positions are measured from the baseline, down
// for the underline, up for the strikeout.
struct FontMetrics {
  int ascent = 0;
  int descent = 0;
  int underlinePosition = 0;
  int strikeoutPosition = 0;
  int lineThickness = 1;
  int height() const { return ascent + descent; }
};

class Font {
 public:
  // The font for a request, shared by every request with the same fields;
  // null when no installed font can be opened.
  static std::shared_ptr<Font> Open(const LOGFONTA &request);
  // The font of a device context that has none selected: a bold sans-serif
  // face with a 16-pixel cell, like the Windows system font.
  static std::shared_ptr<Font> System();

  ~Font();
  Font(const Font &) = delete;
  Font &operator=(const Font &) = delete;

  const LOGFONTA &request() const { return request_; }
  const FontMetrics &metrics() const { return metrics_; }
  bool antialiased() const { return request_.lfQuality == ANTIALIASED_QUALITY; }
  bool underline() const { return request_.lfUnderline != 0; }
  bool strikeout() const { return request_.lfStrikeOut != 0; }

  // The advance of an ANSI character in pixels.
  int Advance(unsigned char c);
  // The glyph of an ANSI character, smooth (grey levels) or monochrome. The
  // mask stays valid as long as the font.
  const GlyphMask &Glyph(unsigned char c, bool smooth);
  // The advances of `count` characters and, when `masks` is not null, their
  // glyphs, taking the font's lock once for all of them.
  void Lay(const char *text, int count, bool smooth, int *advances, const GlyphMask **masks);

 private:
  struct Face;
  struct Cached {
    bool loaded = false;
    int advance = 0;
    std::unique_ptr<GlyphMask> masks[2];  // monochrome, smooth
  };

  Font(const LOGFONTA &request, std::unique_ptr<Face> face);
  Cached &Load(unsigned char c, int mask);

  LOGFONTA request_;
  std::unique_ptr<Face> face_;
  FontMetrics metrics_;
  std::mutex lock_;
  Cached glyphs_[256];
};

// The width of `count` characters of `text` in `font`, in pixels.
int64_t TextWidth(Font &font, const char *text, int count);

}  // namespace text
