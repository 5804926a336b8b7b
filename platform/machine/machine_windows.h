// The machine interface of windows: whether a window is shown, the
// messages sent to it, and its invalidations and repaints. A destroyed
// window answers as not shown; machine::reset() forgets every window.
#pragma once

#include "machine_api.h"

#include <windows.h>

#include <vector>

namespace machine MACHINE_API {

bool window_shown(HWND window);
// Message numbers sent with SendMessageA, oldest first, also after the
// window was destroyed.
std::vector<unsigned> window_messages(HWND window);
// InvalidateRect calls, and UpdateWindow calls that found something to
// repaint.
unsigned window_invalidations(HWND window);
unsigned window_repaints(HWND window);

}  // namespace machine
