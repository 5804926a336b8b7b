// Where a frame goes in a window: scaled to fill the window's width or
// height with the aspect ratio kept, centred between black bars, optionally
// by whole multiples only. Plain arithmetic, shared by the window driver and
// its tests.
#pragma once

namespace present {

struct Placement {
  int x;
  int y;
  int width;
  int height;
};

// The frame's rectangle inside a window of `windowWidth` x `windowHeight`
// pixels. Integer scaling uses the largest whole factor that fits (at least
// 1, so a window smaller than the frame shows its top-left part centred).
// Empty sizes give an empty placement.
Placement PlaceFrame(int frameWidth, int frameHeight, int windowWidth, int windowHeight, bool integerScaling);

// The frame pixel a window pixel shows under `placement` (nearest sample),
// false for a window pixel on a bar.
bool WindowToFrame(const Placement &placement, int frameWidth, int frameHeight, int windowX, int windowY,
                   int *frameX, int *frameY);

}  // namespace present
