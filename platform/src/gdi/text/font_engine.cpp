// Fonts of the platform's GDI: FreeType faces sized the way GDI sizes fonts
// (a positive height is the cell, ascent plus descent; a negative height is
// the em, the character height), bold and italic synthesised when the
// matched file lacks them, and a per-font cache of the 256 ANSI glyphs.
#include "gdi/text/font_engine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "base/reset.h"
#include "gdi/text/ansi_code_page.h"
#include "gdi/text/font_matcher.h"

namespace text {

namespace {

// The largest em size drawn: bounds the memory one glyph can take whatever
// height a host asks for.
constexpr double kLargestEm = 1024.0;
constexpr int kSystemCellHeight = 16;

// FreeType's library object serves every face; opening and closing faces
// go through this lock.
std::mutex gLibraryLock;
FT_Library gLibrary = nullptr;

FT_Library Library() {
  if (gLibrary == nullptr && FT_Init_FreeType(&gLibrary) != 0) gLibrary = nullptr;
  return gLibrary;
}

// Fonts alive, by their request: the same request shares one font.
std::mutex gCacheLock;
std::map<std::string, std::weak_ptr<Font>> gFonts;

// The request with the bytes after the face name's end cleared, so that
// garbage there does not make a different font.
LOGFONTA Normalised(const LOGFONTA &request) {
  LOGFONTA clean = request;
  const size_t length = strnlen(clean.lfFaceName, LF_FACESIZE);
  memset(clean.lfFaceName + length, 0, LF_FACESIZE - length);
  return clean;
}

double Clamp(double value) { return std::min(std::max(value, 1.0), kLargestEm); }

int Round(double value) { return static_cast<int>(std::lround(value)); }

void ResetFonts() {
  std::lock_guard<std::mutex> hold(gCacheLock);
  gFonts.clear();
}
platform::ResetHook gResetFonts(ResetFonts);

}  // namespace

struct Font::Face {
  FT_Face face = nullptr;
  bool emboldened = false;
  bool slanted = false;
  FT_Int32 loadFlags = FT_LOAD_DEFAULT;
  ~Face() {
    std::lock_guard<std::mutex> hold(gLibraryLock);
    if (face != nullptr) FT_Done_Face(face);
  }
};

std::shared_ptr<Font> Font::Open(const LOGFONTA &asked) {
  const LOGFONTA request = Normalised(asked);
  const std::string key(reinterpret_cast<const char *>(&request), sizeof request);
  {
    std::lock_guard<std::mutex> hold(gCacheLock);
    auto found = gFonts.find(key);
    if (found != gFonts.end()) {
      if (std::shared_ptr<Font> alive = found->second.lock()) return alive;
    }
  }
  auto face = std::make_unique<Face>();
  const int weight = RequestedWeight(request);
  for (const FontFile &file : MatchFontFiles(request)) {
    std::lock_guard<std::mutex> hold(gLibraryLock);
    FT_Library library = Library();
    if (library == nullptr) return nullptr;
    FT_Face opened = nullptr;
    if (FT_New_Face(library, file.path.c_str(), file.index, &opened) != 0) continue;
    if (!FT_IS_SCALABLE(opened) || opened->units_per_EM == 0) {
      FT_Done_Face(opened);
      continue;
    }
    face->face = opened;
    face->emboldened = weight >= FW_SEMIBOLD && file.weight < FW_SEMIBOLD;
    face->slanted = request.lfItalic != 0 && !file.italic;
    break;
  }
  if (face->face == nullptr) return nullptr;
  std::shared_ptr<Font> font(new Font(request, std::move(face)));
  if (font->face_ == nullptr) return nullptr;
  std::lock_guard<std::mutex> hold(gCacheLock);
  gFonts[key] = font;
  return font;
}

std::shared_ptr<Font> Font::System() {
  LOGFONTA system{};
  system.lfHeight = kSystemCellHeight;
  system.lfWeight = FW_BOLD;
  system.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  // Held for the life of the process (never destroyed, so never after the
  // FreeType library at exit): every context without a font draws with it.
  static std::mutex lock;
  static auto *held = new std::shared_ptr<Font>();
  std::lock_guard<std::mutex> hold(lock);
  if (*held == nullptr) *held = Open(system);
  return *held;
}

Font::Font(const LOGFONTA &request, std::unique_ptr<Face> face) : request_(request), face_(std::move(face)) {
  FT_Face ft = face_->face;
  const TT_OS2 *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
  const double unitsPerEm = ft->units_per_EM;
  double ascender = os2 != nullptr ? os2->usWinAscent : ft->ascender;
  double descender = os2 != nullptr ? os2->usWinDescent : -ft->descender;
  if (ascender + descender <= 0) {
    ascender = unitsPerEm * 0.8;
    descender = unitsPerEm * 0.2;
  }
  // A cell height (positive) or em height (negative); 0 is the system size.
  const int64_t height = request.lfHeight != 0 ? request.lfHeight : kSystemCellHeight;
  const double em = Clamp(height > 0 ? static_cast<double>(height) * unitsPerEm / (ascender + descender)
                                     : -static_cast<double>(height));
  double emWidth = em;
  if (request.lfWidth != 0) {
    const double average = os2 != nullptr && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : unitsPerEm / 2;
    emWidth = Clamp(std::fabs(static_cast<double>(request.lfWidth)) * unitsPerEm / average);
  }
  if (FT_Set_Char_Size(ft, static_cast<FT_F26Dot6>(emWidth * 64), static_cast<FT_F26Dot6>(em * 64), 72, 72) != 0) {
    face_.reset();
    return;
  }
  face_->loadFlags = antialiased() ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;

  const double scale = em / unitsPerEm;
  metrics_.ascent = std::max(1, Round(ascender * scale));
  // A cell-height request gives its cell exactly (when not clamped).
  metrics_.descent = height > 0 ? std::max(0, Round((ascender + descender) * scale) - metrics_.ascent)
                                : std::max(0, Round(descender * scale));
  metrics_.lineThickness = std::max(1, Round(ft->underline_thickness * scale));
  const int underline = std::max(1, Round(-ft->underline_position * scale));
  metrics_.underlinePosition = std::min(underline, std::max(1, metrics_.descent - metrics_.lineThickness));
  const double strikeout = os2 != nullptr && os2->yStrikeoutPosition > 0 ? os2->yStrikeoutPosition : ascender / 3;
  metrics_.strikeoutPosition = Round(strikeout * scale);
}

Font::~Font() = default;

Font::Cached &Font::Load(unsigned char c, int mask) {
  Cached &cached = glyphs_[c];
  if (cached.loaded && (mask < 0 || cached.masks[mask] != nullptr)) return cached;
  FT_Face ft = face_->face;
  const FT_UInt index = FT_Get_Char_Index(ft, AnsiToUnicode(c));
  cached.loaded = true;
  if (FT_Load_Glyph(ft, index, face_->loadFlags) != 0) {
    // An unreadable glyph draws nothing and takes no room.
    for (auto &slot : cached.masks) {
      if (slot == nullptr) slot = std::make_unique<GlyphMask>();
    }
    return cached;
  }
  FT_GlyphSlot glyph = ft->glyph;
  if (face_->emboldened) FT_GlyphSlot_Embolden(glyph);
  if (face_->slanted) FT_GlyphSlot_Oblique(glyph);
  cached.advance = static_cast<int>((glyph->advance.x + 32) >> 6);
  if (mask < 0) return cached;

  auto made = std::make_unique<GlyphMask>();
  const bool smooth = mask == 1;
  if (FT_Render_Glyph(glyph, smooth ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) == 0) {
    const FT_Bitmap &bitmap = glyph->bitmap;
    made->width = static_cast<int>(bitmap.width);
    made->height = static_cast<int>(bitmap.rows);
    made->left = glyph->bitmap_left;
    made->top = glyph->bitmap_top;
    made->coverage.resize(static_cast<size_t>(made->width) * made->height);
    const int pitch = std::abs(bitmap.pitch);
    for (int row = 0; row < made->height; ++row) {
      // A negative pitch means the rows are stored bottom-up.
      const unsigned char *source =
          bitmap.buffer + static_cast<size_t>(bitmap.pitch < 0 ? made->height - 1 - row : row) * pitch;
      uint8_t *target = made->coverage.data() + static_cast<size_t>(row) * made->width;
      for (int column = 0; column < made->width; ++column) {
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
          target[column] = (source[column >> 3] & (0x80 >> (column & 7))) ? 255 : 0;
        else
          target[column] = source[column];
      }
    }
  }
  cached.masks[mask] = std::move(made);
  return cached;
}

int Font::Advance(unsigned char c) {
  std::lock_guard<std::mutex> hold(lock_);
  return Load(c, -1).advance;
}

const GlyphMask &Font::Glyph(unsigned char c, bool smooth) {
  std::lock_guard<std::mutex> hold(lock_);
  return *Load(c, smooth ? 1 : 0).masks[smooth ? 1 : 0];
}

void Font::Lay(const char *text, int count, bool smooth, int *advances, const GlyphMask **masks) {
  std::lock_guard<std::mutex> hold(lock_);
  for (int i = 0; i < count; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (masks != nullptr) {
      Cached &cached = Load(c, smooth ? 1 : 0);
      masks[i] = cached.masks[smooth ? 1 : 0].get();
      advances[i] = cached.advance;
    } else {
      advances[i] = Load(c, -1).advance;
    }
  }
}

int64_t TextWidth(Font &font, const char *text, int count) {
  constexpr int kChunk = 128;
  int advances[kChunk];
  int64_t width = 0;
  for (int done = 0; done < count; done += kChunk) {
    const int chunk = std::min(kChunk, count - done);
    font.Lay(text + done, chunk, false, advances, nullptr);
    for (int i = 0; i < chunk; ++i) width += advances[i];
  }
  return width;
}

}  // namespace text
