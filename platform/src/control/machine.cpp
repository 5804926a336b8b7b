// machine::reset: every module back to the power-on state of the default machine.
#include "control/reset.h"
#include "machine.h"

namespace machine {

void reset() {
  platform::ResetFaults();
  platform::ResetMessageBoxes();
  platform::ResetWindows();
  platform::ResetClock();
  platform::ResetVersion();
  platform::ResetCom();
}

}  // namespace machine
