// The GDI text exports on bitmaps: the bitmap is found by id, and the text
// is drawn on its surface by the display's text drawing.
#include "bitmap/bitmap_registry.h"
#include "display/gdi_text.h"
#include "korvane.h"

namespace {

int DrawOnBitmap(const char *exportName, TextStyleKind kind, int id, int x, int y, const char *text, int colour,
                 int transparent) {
  BitmapRecord *bitmap = FindBitmapFor(exportName, id);
  if (bitmap == nullptr || bitmap->lpDDSBack == nullptr) return 1;
  return WriteSurfaceText(kind, bitmap->lpDDSBack, x, y, text, colour, transparent);
}

}  // namespace

extern "C" int GDI_TEXTOUT_BITMAP(int id, int x, int y, const char *text, int colour, int transparent) {
  return DrawOnBitmap("GDI_TEXTOUT_BITMAP", TextStyleKind::kBitmap, id, x, y, text, colour, transparent);
}

extern "C" int GDI_TEXTOUT_CENTER_BITMAP(int id, int x, int y, const char *text, int colour, int transparent) {
  return DrawOnBitmap("GDI_TEXTOUT_CENTER_BITMAP", TextStyleKind::kCentred, id, x, y, text, colour, transparent);
}
