// What the screen shows where no primary surface is visible: the last image
// of the released primary, with the windows that drew over it since (a
// media window's video). The front buffer falls back to it, so captures and
// the presenter show those windows while a program has given up its
// surfaces. Safe to use from any thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class Surface;

// The screen as 0xRRGGBB per pixel, row by row.
struct ScreenImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;
};

// Keeps the image of a visible primary that is going away, as the screen
// goes on showing it.
void KeepScreenImage(const Surface *primary);

// A primary surface became visible: it covers the screen, and the kept
// image is forgotten.
void PrimaryShown();

// The display shows a new mode: the screen is that size and black.
void ScreenModeChanged(int width, int height);

// Draws `width` x `height` pixels (0xRRGGBB, row by row) with their top-left
// corner at (x, y) of the screen, clipped to it, and presents the screen.
// Does nothing while a primary surface is visible: the full-screen program
// covers the screen then. False when nothing was drawn.
bool DrawOnScreen(int x, int y, int width, int height, const uint32_t *rgb);

// The screen image windows have drawn on, or null when none has since the
// last primary went (or a primary is visible).
std::shared_ptr<const ScreenImage> DrawnScreen();

}  // namespace platform
