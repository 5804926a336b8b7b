// Test helpers for the window driver on a real X display: bounded waits for
// a condition, the X tools (xdotool, xwd) run as a user's desktop would, and
// a window's pixels read back from an xwd dump.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace x_display {

// Whether an X display is there to test on.
bool Available();

// Polls `condition` every few milliseconds for up to `seconds`; true as soon
// as it holds. No fixed sleeps: only the upper bound is a time.
bool WaitFor(const std::function<bool()> &condition, double seconds = 5.0);

// Runs a shell command; true when it exits with 0. Its output is returned
// in `output` when asked.
bool Shell(const std::string &command, std::string *output = nullptr);

// An image as 0xRRGGBB per pixel, row by row.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;
  uint32_t at(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// The X window's content as the X server holds it (xwd), empty on failure.
Image CaptureWindow(unsigned long window);

// A 24-bit BMP file (as SAVE_BMP writes), empty on failure.
Image ReadBmp24(const std::string &path);

}  // namespace x_display
