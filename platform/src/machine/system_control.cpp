// The machine's general part of the control interface: windows destroyed,
// message boxes shown, local time, the Windows version and COM's
// initialisations.
#include <windows.h>

#include <vector>

#include "com/com_init.h"
#include "kernel/clock.h"
#include "kernel/version.h"
#include "machine.h"
#include "user/message_box.h"
#include "user/window_handles.h"

namespace machine {

bool window_destroyed(HWND window) { return platform::WindowDestroyed(window); }

std::vector<MessageBoxRecord> message_boxes() { return platform::MessageBoxesShown(); }

void set_local_time(const SYSTEMTIME &time) { platform::FixLocalTime(time); }

void use_real_clock() { platform::UseRealLocalTime(); }

void set_version(DWORD version) { platform::SetVersion(version); }

int com_initialisations() { return platform::ComInitialisations(); }

}  // namespace machine
