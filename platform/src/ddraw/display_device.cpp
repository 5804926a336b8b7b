// The display hardware's state: modes, formats, video memory, the display
// clock and the waits on it.
#include "ddraw/display_device.h"

#include <cmath>

#include "base/machine_time.h"
#include "base/reset.h"
#include "base/screen_size.h"
#include "present/presenter.h"

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

void ResetDisplay() {
  DisplayHardware &display = Display();
  display.modes = DefaultModes();
  display.rgb555 = false;
  display.current = DisplayModeSpec{1024, 768, 32};
  SetCurrentScreenSize(1024, 768);
  display.videoMemoryTotal = 32u * 1024u * 1024u;
  display.flipLatencyMs = 0.0;
  display.flipsDone = 0;
  // A power-on machine has no exclusive owner, also when an object of the
  // run before is still alive (a surface whose device context never came
  // back keeps it).
  display.exclusiveOwner = nullptr;
  display.window = nullptr;
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

// The display reads the machine clock in milliseconds since it started.
double DisplayNowMs() { return MachineClock::Get().Milliseconds(); }

FrameGrid DisplayFrames() {
  FrameGrid grid;
  MachineClock &clock = MachineClock::Get();
  if (clock.IsVirtual()) return grid;
  const present::Refresh refresh = present::DisplayRefresh();
  if (!(refresh.periodMs > 0)) return grid;
  grid.periodMs = refresh.periodMs;
  // Signed: the blank may have passed before the clock last started at zero.
  grid.originMs = (static_cast<double>(refresh.blankAtNs) - static_cast<double>(clock.StartedAt())) /
                  static_cast<double>(kNanosecondsPerMillisecond);
  return grid;
}

// The small margin keeps a clock that stands exactly on a frame's start in
// that frame despite rounding.
double FrameGrid::FrameStart(double nowMs) const {
  return originMs + std::floor((nowMs - originMs + 1e-6) / periodMs) * periodMs;
}

void DisplayWaitUntilMs(double when) {
  if (!(when > 0)) return;
  MachineClock &clock = MachineClock::Get();
  const uint64_t epoch = clock.StartedAt();
  // The first nanosecond at or after `when`, so that a wait always ends
  // with the clock no earlier than asked.
  auto offset = static_cast<uint64_t>(std::ceil(when * static_cast<double>(kNanosecondsPerMillisecond)));
  if (static_cast<double>(offset) / static_cast<double>(kNanosecondsPerMillisecond) < when) ++offset;
  clock.WaitUntil(epoch + offset);
}

}  // namespace platform
