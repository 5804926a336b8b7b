// Presenting the front buffer: one small driver interface, a table of
// drivers (presenter_drivers.cpp: adding a back end adds a file and a row),
// and the one driver in use, chosen by KORVANE_VIDEO or the control
// interface. The display calls Present only when the front buffer changed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "present/frame.h"

namespace present {

class Presenter {
 public:
  virtual ~Presenter() = default;
  // Shows a new frame; called on the drawing thread, with no lock held.
  virtual void Present(const Frame &frame) = 0;
  // The display that drew the frames is gone (its DirectDraw object was
  // released): a window driver closes its window until the next frame.
  virtual void DisplayClosed() {}
};

struct Driver {
  const char *name;
  // A started presenter, or null when the driver cannot run here.
  std::unique_ptr<Presenter> (*start)();
};

// The driver table, the default first.
const std::vector<Driver> &Drivers();

// Hands a frame to the driver in use (started on first use) and counts it.
void Present(const Frame &frame);

// Starts the named driver in place of the one in use; false, and nothing
// changed, when no driver has that name or it cannot start.
bool UseDriver(const std::string &name);
std::string DriverName();
unsigned FramesPresented();

// Tells the driver in use, if one was started, that the display is gone.
void DisplayClosed();

// Back to the environment's driver (KORVANE_VIDEO, the default when unset or
// unknown), not yet started, and no frame counted.
void ResetPresenting();

}  // namespace present
