// The presenting part of the display's machine interface: choosing the
// video driver, counting frames, reading the headless driver's last frame.
#include "base/reset.h"
#include "machine_display.h"
#include "drivers/null/headless_presenter.h"
#include "present/presenter.h"
#include "drivers/sdl/sdl_window_presenter.h"

namespace {

void ResetPresenting() {
  present::ResetPresenting();
  present::ForgetHeadlessFrame();
  present::ResetWindowSettings();
}

platform::ResetHook gResetPresenting(ResetPresenting);

}  // namespace

namespace machine {

std::vector<std::string> video_drivers() {
  std::vector<std::string> names;
  for (const present::Driver &driver : present::Drivers()) names.push_back(driver.name);
  return names;
}

bool use_video_driver(const std::string &name) { return present::UseDriver(name); }

std::string video_driver() { return present::DriverName(); }

unsigned frames_presented() { return present::FramesPresented(); }

uint32_t PresentedFrame::value(unsigned x, unsigned y) const {
  const unsigned bytes = (bpp + 7) / 8;
  const size_t at = (static_cast<size_t>(y) * width + x) * bytes;
  uint32_t result = 0;
  for (unsigned i = 0; i < bytes && at + i < pixels.size(); ++i) result |= static_cast<uint32_t>(pixels[at + i]) << (8 * i);
  return result;
}

PresentedFrame last_presented_frame() {
  const present::KeptFrame kept = present::HeadlessLastFrame();
  PresentedFrame frame;
  frame.width = static_cast<unsigned>(kept.width);
  frame.height = static_cast<unsigned>(kept.height);
  frame.bpp = static_cast<unsigned>(kept.format.bits);
  frame.pixels = kept.pixels;
  frame.palette = kept.palette;
  return frame;
}

void set_window_integer_scaling(bool on) { present::SetWindowIntegerScaling(on); }
void set_window_fullscreen(bool on) { present::SetWindowFullscreen(on); }
bool window_fullscreen() { return present::WindowFullscreen(); }

VideoWindow video_window() {
  const present::WindowStatus status = present::WindowDriverStatus();
  VideoWindow window;
  window.open = status.open;
  window.x11_window = status.nativeWindow;
  window.width = status.width;
  window.height = status.height;
  window.fullscreen = status.fullscreen;
  window.focused = status.focused;
  window.frames_given = status.framesGiven;
  window.frames_shown = status.framesShown;
  window.paints = status.paints;
  window.host_nanoseconds = status.hostNanoseconds;
  window.refresh_period_ms = status.refreshPeriodMs;
  return window;
}

}  // namespace machine
