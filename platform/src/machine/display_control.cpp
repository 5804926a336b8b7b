// The display's part of the machine interface: its modes, 16-bit format,
// video memory, lost surfaces, flip timing and clock, the front buffer as the
// viewer sees it, and the DirectDraw objects, surfaces and palettes alive.
#include <cstdint>
#include <fstream>
#include <vector>

#include "ddraw/directdraw_object.h"
#include "ddraw/display_device.h"
#include "ddraw/front_buffer.h"
#include "ddraw/palette.h"
#include "ddraw/surface.h"
#include "ddraw/surface_events.h"
#include "machine.h"
#include "machine_clock.h"
#include "machine_display.h"

namespace {

void PutLittleEndian(std::vector<uint8_t> *out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

namespace machine {

void set_display_modes(const std::vector<DisplayMode> &modes) {
  auto &list = platform::Display().modes;
  list.clear();
  for (const DisplayMode &mode : modes) list.push_back({mode.width, mode.height, mode.bpp});
}

std::vector<DisplayMode> display_modes() {
  std::vector<DisplayMode> modes;
  for (const auto &mode : platform::Display().modes) modes.push_back({mode.width, mode.height, mode.bpp});
  return modes;
}

DisplayMode current_display_mode() {
  const auto &mode = platform::Display().current;
  return {mode.width, mode.height, mode.bpp};
}

void use_rgb555(bool rgb555) { platform::Display().rgb555 = rgb555; }

void set_video_memory(unsigned bytes) { platform::Display().videoMemoryTotal = bytes; }

unsigned video_memory_in_use() { return platform::Display().videoMemoryUsed; }

void lose_all_surfaces() { platform::LoseDisplaySurfaces(); }

void set_flip_latency(double milliseconds) { platform::Display().flipLatencyMs = milliseconds; }

unsigned flips_done() { return platform::Display().flipsDone; }

// The display clock is the machine clock; these stay for the hosts and
// tests that name it after the display.
void use_virtual_display_clock() { use_virtual_machine_clock(); }

void advance_display_clock(double milliseconds) { advance_machine_clock(milliseconds); }

double display_clock_ms() { return machine_clock_ms(); }

FrontBuffer front_buffer() {
  FrontBuffer view;
  uint32_t colours[256];
  present::Frame frame;
  std::shared_ptr<const void> screen;
  if (!platform::FrontFrame(nullptr, colours, &frame, &screen)) return view;
  view.width = static_cast<unsigned>(frame.pixels.width);
  view.height = static_cast<unsigned>(frame.pixels.height);
  view.bpp = static_cast<unsigned>(frame.format.bits);
  view.rgb = present::FrameToRgb(frame);
  return view;
}

bool write_front_buffer_bmp(const std::string &path) {
  const FrontBuffer view = front_buffer();
  if (view.width == 0) return false;
  const uint32_t rowBytes = (view.width * 3 + 3) & ~3u;
  const uint32_t imageBytes = rowBytes * view.height;
  std::vector<uint8_t> file;
  file.reserve(54 + imageBytes);
  // BITMAPFILEHEADER, then a 40-byte BITMAPINFOHEADER; rows bottom-up.
  file.push_back('B');
  file.push_back('M');
  PutLittleEndian(&file, 54 + imageBytes, 4);
  PutLittleEndian(&file, 0, 4);
  PutLittleEndian(&file, 54, 4);
  PutLittleEndian(&file, 40, 4);
  PutLittleEndian(&file, view.width, 4);
  PutLittleEndian(&file, view.height, 4);
  PutLittleEndian(&file, 1, 2);
  PutLittleEndian(&file, 24, 2);
  for (int i = 0; i < 6; ++i) PutLittleEndian(&file, 0, 4);
  for (unsigned y = view.height; y-- > 0;) {
    for (unsigned x = 0; x < view.width; ++x) PutLittleEndian(&file, view.pixel(x, y), 3);
    for (uint32_t pad = view.width * 3; pad < rowBytes; ++pad) file.push_back(0);
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(file.data()), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

int live_directdraw_surfaces() { return platform::LiveSurfaces(); }

int live_directdraw_palettes() { return platform::LivePalettes(); }

// Declared with the machine's general calls, counted here with the rest of
// DirectDraw.
int live_directdraw_objects() { return platform::LiveDirectDrawObjects(); }

}  // namespace machine
