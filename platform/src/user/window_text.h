// Each window's text, as SetWindowTextA gives it and the window drivers
// show it as a title.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace platform {

// A window the platform made is live under `window`.
void WindowCreated(HWND window);

// True once DestroyWindow has succeeded for `window` (until reset).
bool WindowDestroyed(HWND window);

// The text SetWindowTextA gave `window`; empty for none or no window.
std::string WindowText(HWND window);
// Grows whenever some window's text changes (a title to show again).
uint64_t WindowTextChanges();
// A destroyed window's text is dropped.
void ForgetWindowText(HWND window);

}  // namespace platform
