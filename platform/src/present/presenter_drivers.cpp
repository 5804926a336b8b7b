// The table of video drivers. A new back end (a window, a file writer) is a
// file of its own with a start function, and one row here.
#include "present/headless_presenter.h"
#include "present/presenter.h"
#include "present/sdl_window_presenter.h"

namespace present {

const std::vector<Driver> &Drivers() {
  static const std::vector<Driver> drivers = {
      {"headless", StartHeadlessPresenter},
      {"window", StartSdlWindowPresenter},
  };
  return drivers;
}

}  // namespace present
