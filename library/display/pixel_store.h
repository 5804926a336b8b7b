// Storing one colour as a pixel of the current mode, shared by the screen's
// and the bitmaps' put-pixel exports.
#pragma once

#include <windows.h>

// Writes red, green and blue at `at` as a pixel of `bytes` bytes (2: the
// mode's packed 16-bit colour; 3 and 4: blue, green, red, a fourth byte
// left alone). Other sizes write nothing.
void StoreRgbPixel(BYTE *at, int bytes, int red, int green, int blue);
