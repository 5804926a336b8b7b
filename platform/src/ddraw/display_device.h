// The simulated display hardware behind every DirectDraw object: its modes,
// the mode shown, video memory, the lost-surface generation, the flip timing
// and the display clock. DirectDraw is used from the host's thread.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <vector>

#include "pixels/pixel_format.h"

namespace platform {

class Surface;

struct DisplayModeSpec {
  DWORD width;
  DWORD height;
  DWORD bpp;
};

struct DisplayHardware {
  std::vector<DisplayModeSpec> modes;
  bool rgb555 = false;
  DisplayModeSpec current{1024, 768, 32};
  DWORD videoMemoryTotal = 32u * 1024u * 1024u;
  DWORD videoMemoryUsed = 0;
  // Surfaces made before the last loss of surfaces carry an older number.
  DWORD generation = 1;
  double flipLatencyMs = 0.0;
  unsigned flipsDone = 0;
  // The object holding exclusive access, and the primary shown on screen.
  const void *exclusiveOwner = nullptr;
  Surface *visiblePrimary = nullptr;
  // The window the last cooperative level named: presenters post its
  // messages (a closed window's WM_CLOSE) there.
  HWND window = nullptr;
};

DisplayHardware &Display();

bool ModeListed(DWORD width, DWORD height, DWORD bpp);

// Video memory: false when `bytes` do not fit in what is free.
bool ReserveVideoMemory(DWORD bytes);
void ReturnVideoMemory(DWORD bytes);

// The display's pixel format at a depth, as a format and as DirectDraw
// describes it.
pixels::Format DisplayPixelFormat(DWORD bpp);
void DescribePixelFormat(const pixels::Format &format, DDPIXELFORMAT *out);

// The display clock in milliseconds, and waiting on it: real time sleeps,
// the virtual clock jumps forward.
double DisplayNowMs();
void DisplayWaitUntilMs(double when);

constexpr double kFramePeriodMs = 1000.0 / 60.0;

// The display's frames on the display clock: their period, and when one of
// them began. The real display's refresh while a window driver presents
// with its vsync on the real-time clock; the platform's own 60 Hz, starting
// at the clock's zero, otherwise (always on the virtual clock).
struct FrameGrid {
  double periodMs = kFramePeriodMs;
  double originMs = 0;
  // The vertical blank is the first part of each frame.
  double blankMs() const { return periodMs / 20.0; }
  // The start of the frame `nowMs` falls in.
  double FrameStart(double nowMs) const;
};
FrameGrid DisplayFrames();

}  // namespace platform
