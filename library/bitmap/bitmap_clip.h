// Clipping of bitmap copies before DirectDraw sees them: unscaled copies to a
// position, and stretched copies into a destination rectangle (rule A
// measures the overhang on the destination, rule B on the source).
#pragma once

#include <windows.h>

// An unscaled copy of `source` to (x, y) on a target of `width` x `height`:
// clips source and position in place; false when nothing is left to draw.
bool ClipUnscaled(RECT *source, int *x, int *y, int width, int height);

enum class StretchRule { kA, kB };

// A stretched copy of `source` into `dest` on a screen of `width` x
// `height`: clips both in place; false when nothing is left to draw.
bool ClipStretched(RECT *dest, RECT *source, int width, int height, StretchRule rule);
