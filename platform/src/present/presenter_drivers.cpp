// The table of video drivers. A new back end (a window, a file writer) is a
// folder of its own under drivers/ with a start function declared in
// presenter.h, and one row here.
#include "present/presenter.h"

namespace present {

const std::vector<Driver> &Drivers() {
  static const std::vector<Driver> drivers = {
      {"headless", StartHeadlessPresenter},
      {"window", StartSdlWindowPresenter},
  };
  return drivers;
}

}  // namespace present
