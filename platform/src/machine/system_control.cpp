// The machine's general part of the machine interface: reset to the
// power-on machine, windows destroyed, message boxes shown, local time, the
// Windows version and COM's initialisations.
#include <windows.h>

#include <vector>

#include "base/reset.h"
#include "com/com_init.h"
#include "kernel/clock.h"
#include "kernel/version.h"
#include "machine.h"
#include "user/message_box.h"
#include "user/windows.h"

namespace machine {

void reset() { platform::RunResetHooks(); }

bool window_destroyed(HWND window) { return platform::WindowDestroyed(window); }

std::vector<MessageBoxRecord> message_boxes() {
  std::vector<MessageBoxRecord> boxes;
  for (const platform::ShownMessageBox &box : platform::MessageBoxesShown()) {
    boxes.push_back(MessageBoxRecord{box.owner, box.text, box.caption, box.type});
  }
  return boxes;
}

void set_local_time(const SYSTEMTIME &time) { platform::FixLocalTime(time); }

void use_real_clock() { platform::UseRealLocalTime(); }

void set_version(DWORD version) { platform::SetVersion(version); }

int com_initialisations() { return platform::ComInitialisations(); }

}  // namespace machine
