// Presenting the front buffer: one small driver interface, a table of
// drivers (presenter_drivers.cpp: adding a back end adds a file and a row),
// and the one driver in use, chosen by KORVANE_VIDEO or the control
// interface. The display calls Present only when the front buffer changed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "present/frame.h"

namespace present {

// The real display's vertical blanks as a presenter sees them: their
// period, and when one of them passed (machine clock nanoseconds); a period
// of 0 when the presenter does not wait for the display's blank.
struct Refresh {
  double periodMs = 0;
  uint64_t blankAtNs = 0;
};

class Presenter {
 public:
  virtual ~Presenter() = default;
  // Shows a new frame; called on the drawing thread, with no lock held.
  virtual void Present(const Frame &frame) = 0;
  // The display that drew the frames is gone (its DirectDraw object was
  // released): a window driver closes its window until the next frame.
  virtual void DisplayClosed() {}
  // The display's blanks this presenter paces by, if any; any thread.
  virtual Refresh DisplayRefresh() const { return {}; }
};

struct Driver {
  const char *name;
  // A started presenter, or null when the driver cannot run here.
  std::unique_ptr<Presenter> (*start)();
};

// The driver table, the default first.
const std::vector<Driver> &Drivers();

// The drivers' start functions, each defined with its driver under
// drivers/: "headless" keeps the last frame for reading back, "window"
// shows the frames in a desktop window.
std::unique_ptr<Presenter> StartHeadlessPresenter();
std::unique_ptr<Presenter> StartSdlWindowPresenter();

// Hands a frame to the driver in use (started on first use) and counts it.
void Present(const Frame &frame);

// Starts the named driver in place of the one in use; false, and nothing
// changed, when no driver has that name or it cannot start.
bool UseDriver(const std::string &name);
std::string DriverName();
unsigned FramesPresented();

// Tells the driver in use, if one was started, that the display is gone.
void DisplayClosed();

// The blanks of the driver in use (none when none has started).
Refresh DisplayRefresh();

// Back to the environment's driver (KORVANE_VIDEO, the default when unset or
// unknown), not yet started, and no frame counted.
void ResetPresenting();

}  // namespace present
