// Text drawn through GDI on the back buffer and on bitmaps: the font the
// host chose with USE_FONT and the conversion of the library's colours to
// the COLORREF GDI takes.
#pragma once

#include <windows.h>

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
