// The machine interface of the simulated display: its mode list, 16-bit
// format, video memory, flip timing and clock, lost surfaces, a view of
// the front buffer's pixels, and the video driver that presents them.
// machine::reset() restores the defaults below.
#pragma once

#include "machine_api.h"

#include <cstdint>
#include <string>
#include <vector>

namespace machine MACHINE_API {

struct DisplayMode {
  unsigned width;
  unsigned height;
  unsigned bpp;
};

// Modes EnumDisplayModes lists, in this order. Default: 640x480, 800x600,
// 1024x768, each at 8, 16, 24 and 32 bits (12 modes, 640x480x8 first).
void set_display_modes(const std::vector<DisplayMode> &modes);
std::vector<DisplayMode> display_modes();
// The mode the display shows now (the desktop, 1024x768x32, until a
// DirectDraw object sets another).
DisplayMode current_display_mode();

// 16-bit modes: 5-6-5 by default, 5-5-5 when asked.
void use_rgb555(bool rgb555);

// Video memory shared by surfaces and textures: 32 MiB by default.
void set_video_memory(unsigned bytes);
unsigned video_memory_in_use();

// Every video-memory surface and every primary chain becomes lost, as after
// another program took the display; system-memory surfaces are kept.
void lose_all_surfaces();

// Time from a flip until it is done (0 ms by default): while it runs,
// GetFlipStatus reports DDERR_WASSTILLDRAWING and Flip without DDFLIP_WAIT
// refuses.
void set_flip_latency(double milliseconds);
unsigned flips_done();

// The display's clock drives the 60 Hz vertical blank and flip latency. It
// is the machine clock (machine_clock.h), under the display's names: real
// time by default; a virtual clock starts at 0 and moves only when advanced
// or when a wait for the vertical blank or a pending flip jumps it forward
// (which mixes the sound and runs the timers of that time too).
void use_virtual_display_clock();
void advance_display_clock(double milliseconds);
double display_clock_ms();

// The front buffer (the visible primary surface) as the viewer sees it:
// 0xRRGGBB per pixel, 8-bit modes resolved through the primary's palette.
// Empty (width 0) when no primary surface exists.
struct FrontBuffer {
  unsigned width = 0;
  unsigned height = 0;
  unsigned bpp = 0;
  std::vector<uint32_t> rgb;
  uint32_t pixel(unsigned x, unsigned y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};
FrontBuffer front_buffer();

// Writes the front buffer as a 24-bit BMP file; false when there is no
// front buffer or the file cannot be written.
bool write_front_buffer_bmp(const std::string &path);

// DirectDraw surfaces and palettes alive (created and not yet destroyed).
int live_directdraw_surfaces();
int live_directdraw_palettes();

// Presenting. The front buffer goes to a video driver each time it changes:
// a flip, a Blt or BltFast onto the primary, an unlock of the primary, GDI
// drawing on the primary given back with ReleaseDC, and, in 8-bit modes, new
// colours in the primary's palette (SetEntries, SetPalette). Nothing is
// presented while nothing changes. Drivers: "headless" (the default; no
// window, keeps the last frame). KORVANE_VIDEO names the driver the machine
// starts with; reset goes back to it and to no frames presented.
std::vector<std::string> video_drivers();
// False, and the driver kept, when no driver has that name or it cannot start.
bool use_video_driver(const std::string &name);
std::string video_driver();
unsigned frames_presented();

// The last frame the headless driver was given: its pixels as the display
// holds them (rows of width x bytes per pixel, top row first) and, for an
// 8-bit frame with a palette, its 256 colours as 0xRRGGBB. Empty (width 0)
// before the first frame.
struct PresentedFrame {
  unsigned width = 0;
  unsigned height = 0;
  unsigned bpp = 0;
  std::vector<uint8_t> pixels;
  std::vector<uint32_t> palette;
  // The pixel value at (x, y): a palette index, or the packed colour.
  uint32_t value(unsigned x, unsigned y) const;
};
PresentedFrame last_presented_frame();

// The window driver ("window", KORVANE_VIDEO=window): the front buffer in a
// desktop window through SDL2, opened on the first frame at the mode's size
// (never larger than the screen), scaled to the window with its aspect kept
// between black bars, closed when the last DirectDraw object goes. Its
// close button posts WM_CLOSE to the window the display's cooperative level
// named; its keyboard, mouse, focus and SDL's joysticks feed DirectInput.
// use_video_driver("window") is false where no display can be opened.
// Integer scaling (whole multiples only) is off by default; full screen
// (the desktop's size, aspect kept) starts as KORVANE_FULLSCREEN=1 says and
// Alt+Enter toggles it. reset() restores both defaults.
void set_window_integer_scaling(bool on);
void set_window_fullscreen(bool on);
bool window_fullscreen();
struct VideoWindow {
  bool open = false;
  unsigned long x11_window = 0;  // the X11 window id (0 under another system)
  int width = 0;                 // the drawable area in pixels
  int height = 0;
  bool fullscreen = false;
  bool focused = false;
  // Frames are numbered as the display hands them over: the number of the
  // last one handed over and of the newest one painted into the window.
  uint64_t frames_given = 0;
  uint64_t frames_shown = 0;
  uint64_t paints = 0;
  // Time the display's thread spent handing frames over, in total.
  uint64_t host_nanoseconds = 0;
  // The refresh period of the real display, when the window presents with
  // its vsync and the vertical blank follows it; 0 when the platform's
  // 60 Hz clock paces the blank.
  double refresh_period_ms = 0;
};
VideoWindow video_window();

}  // namespace machine
