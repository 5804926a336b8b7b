// Colours for GDI text: the library takes packed pixel colours (palette
// indices in 8-bit modes), GDI takes COLORREF values.
#include "display/display_state.h"
#include "display/gdi_text.h"

COLORREF ColorToColorref(int colour) {
  const DWORD c = static_cast<DWORD>(colour);
  DWORD red, green, blue;
  if (gScreenBpp > 16) {
    red = (c >> 16) & 0xFF;
    green = (c >> 8) & 0xFF;
    blue = c & 0xFF;
  } else if (gScreenBpp == 16 && (gGreenBits == 6 || gGreenBits == 5)) {
    // 5-6-5 or 5-5-5: each channel widened to 8 bits by a left shift.
    const DWORD redMask = gGreenBits == 6 ? 0xF800 : 0x7C00;
    const DWORD greenMask = gGreenBits == 6 ? 0x7E0 : 0x3E0;
    red = (((c & redMask) >> (gBlueBits + gGreenBits)) << 3) & 0xFF;
    green = (((c & greenMask) >> gBlueBits) << (8 - gGreenBits)) & 0xFF;
    blue = ((c & 0x1F) << 3) & 0xFF;
  } else {
    return c;
  }
  return red | green << 8 | blue << 16;
}

COLORREF TextColorref(int colour) {
  if (gScreenBpp != 8) return ColorToColorref(colour);
  // Only the low byte names an entry: the table has 256 and nothing past it
  // may be read.
  const PALETTEENTRY &entry = gPaletteEntries[colour & 0xFF];
  return RGB(entry.peRed, entry.peGreen, entry.peBlue);
}
