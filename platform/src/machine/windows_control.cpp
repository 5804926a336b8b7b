// The windows' part of the machine interface: what was done to a window.
#include "machine_windows.h"
#include "user/windows.h"

namespace machine {

bool window_shown(HWND window) {
  platform::WindowPlacement placement;
  return platform::PlacementOf(window, &placement) && placement.visible;
}

std::vector<unsigned> window_messages(HWND window) { return platform::WindowMessages(window); }
unsigned window_invalidations(HWND window) { return platform::WindowInvalidations(window); }
unsigned window_repaints(HWND window) { return platform::WindowRepaints(window); }

}  // namespace machine
