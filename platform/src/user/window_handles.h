// Windows as the control interface sees them: which handles the host has
// destroyed.
#pragma once

#include <windows.h>

namespace platform {

// A window the platform made is live under `window`.
void WindowCreated(HWND window);

// True once DestroyWindow has succeeded for `window` (until reset).
bool WindowDestroyed(HWND window);

}  // namespace platform
