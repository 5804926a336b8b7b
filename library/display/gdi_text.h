// Text drawn through GDI on the back buffer and on bitmaps: the font the
// host chose with USE_FONT and the conversion of the library's colours to
// the COLORREF GDI takes.
#pragma once

#include <windows.h>
#include <ddraw.h>

// The font set by USE_FONT; null until a host sets one (each device context
// then keeps its default font).
extern HFONT gFont;

// A packed colour of a 16-, 24- or 32-bit mode as a COLORREF (red in the low
// byte); in other modes the value unchanged.
COLORREF ColorToColorref(int colour);

// The text colour for a colour argument: in 8-bit modes the palette entry
// with that index (its low byte; entries count from 0), otherwise
// ColorToColorref.
COLORREF TextColorref(int colour);

// How a text export draws and answers failures: on the back buffer (a line
// per failed DirectDraw step), on a bitmap (the GDI set-up steps examined
// too), or centred (the critical report for DirectDraw failures, GDI steps
// not examined).
enum class TextStyleKind { kBackBuffer, kBitmap, kCentred };

// Draws one line of text on `surface`; 0 when drawn, 1 after the failure's
// line or critical report. The device context is given back on every path.
int WriteSurfaceText(TextStyleKind kind, LPDIRECTDRAWSURFACE7 surface, int x, int y, const char *text, int colour,
                     int transparent);
