// The display hardware's state and its control interface: modes, formats,
// video memory, losing surfaces, flip latency and the display clock.
#include "ddraw/display_device.h"

#include <chrono>
#include <thread>

#include "control/reset.h"
#include "ddraw/surface.h"
#include "machine_display.h"

namespace platform {

namespace {

std::vector<DisplayModeSpec> DefaultModes() {
  std::vector<DisplayModeSpec> modes;
  const DWORD sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}};
  for (const auto &size : sizes) {
    for (DWORD bpp : {8u, 16u, 24u, 32u}) modes.push_back({size[0], size[1], bpp});
  }
  return modes;
}

struct DisplayClock {
  bool isVirtual = false;
  double virtualNowMs = 0.0;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

DisplayClock &Clock() {
  static DisplayClock clock;
  return clock;
}

void ResetDisplay() {
  DisplayHardware &display = Display();
  display.modes = DefaultModes();
  display.rgb555 = false;
  display.current = DisplayModeSpec{1024, 768, 32};
  display.videoMemoryTotal = 32u * 1024u * 1024u;
  display.flipLatencyMs = 0.0;
  display.flipsDone = 0;
  // A power-on machine has no exclusive owner, also when an object of the
  // run before is still alive (a surface whose device context never came
  // back keeps it).
  display.exclusiveOwner = nullptr;
  Clock() = DisplayClock{};
}

ResetHook gResetDisplay(ResetDisplay);

}  // namespace

DisplayHardware &Display() {
  static DisplayHardware display = [] {
    DisplayHardware fresh;
    fresh.modes = DefaultModes();
    return fresh;
  }();
  return display;
}

bool ModeListed(DWORD width, DWORD height, DWORD bpp) {
  for (const DisplayModeSpec &mode : Display().modes) {
    if (mode.width == width && mode.height == height && mode.bpp == bpp) return true;
  }
  return false;
}

bool ReserveVideoMemory(DWORD bytes) {
  DisplayHardware &display = Display();
  if (display.videoMemoryUsed > display.videoMemoryTotal ||
      bytes > display.videoMemoryTotal - display.videoMemoryUsed) {
    return false;
  }
  display.videoMemoryUsed += bytes;
  return true;
}

void ReturnVideoMemory(DWORD bytes) {
  DisplayHardware &display = Display();
  display.videoMemoryUsed = bytes > display.videoMemoryUsed ? 0 : display.videoMemoryUsed - bytes;
}

pixels::Format DisplayPixelFormat(DWORD bpp) {
  return pixels::DisplayFormat(static_cast<int>(bpp), Display().rgb555);
}

void DescribePixelFormat(const pixels::Format &format, DDPIXELFORMAT *out) {
  *out = DDPIXELFORMAT{};
  out->dwSize = sizeof(DDPIXELFORMAT);
  out->dwFlags = DDPF_RGB | (format.bits == 8 ? DDPF_PALETTEINDEXED8 : 0) |
                 (format.alpha != 0 ? DDPF_ALPHAPIXELS : 0);
  out->dwRGBBitCount = static_cast<DWORD>(format.bits);
  out->dwRBitMask = format.red;
  out->dwGBitMask = format.green;
  out->dwBBitMask = format.blue;
  out->dwRGBAlphaBitMask = format.alpha;
}

double DisplayNowMs() {
  DisplayClock &clock = Clock();
  if (clock.isVirtual) return clock.virtualNowMs;
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - clock.start).count();
}

void DisplayWaitUntilMs(double when) {
  DisplayClock &clock = Clock();
  if (clock.isVirtual) {
    if (when > clock.virtualNowMs) clock.virtualNowMs = when;
    return;
  }
  const double left = when - DisplayNowMs();
  if (left > 0) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(left));
}

}  // namespace platform

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

void lose_all_surfaces() { ++platform::Display().generation; }

void set_flip_latency(double milliseconds) { platform::Display().flipLatencyMs = milliseconds; }

unsigned flips_done() { return platform::Display().flipsDone; }

void use_virtual_display_clock() {
  auto &clock = platform::Clock();
  clock.isVirtual = true;
  clock.virtualNowMs = 0.0;
}

void advance_display_clock(double milliseconds) {
  if (milliseconds > 0) platform::Clock().virtualNowMs += milliseconds;
}

double display_clock_ms() { return platform::DisplayNowMs(); }

}  // namespace machine
