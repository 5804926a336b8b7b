// Windows as handles: a host's non-null handle is a live window until
// DestroyWindow; the platform remembers which were destroyed.
#include "user/window_handles.h"

#include <mutex>
#include <unordered_set>

#include "control/faults.h"
#include "control/reset.h"
#include "user/platform_windows.h"

namespace {

std::mutex gWindowLock;
std::unordered_set<HWND> gDestroyed;

}  // namespace

extern "C" BOOL WINAPI IsWindow(HWND window) {
  std::lock_guard<std::mutex> hold(gWindowLock);
  return window != nullptr && gDestroyed.count(window) == 0;
}

extern "C" BOOL WINAPI DestroyWindow(HWND window) {
  if (platform::TakeWin32Fault("DestroyWindow")) {
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> hold(gWindowLock);
    if (window == nullptr || !gDestroyed.insert(window).second) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
  }
  // Its children go with it; the platform's own windows among them stop.
  const std::vector<HWND> children = platform::WindowsGone(window);
  for (HWND gone : children) platform::ForgetWindowText(gone);
  std::lock_guard<std::mutex> hold(gWindowLock);
  gDestroyed.insert(children.begin(), children.end());
  return TRUE;
}

void platform::WindowCreated(HWND window) {
  std::lock_guard<std::mutex> hold(gWindowLock);
  gDestroyed.erase(window);
}

bool platform::WindowDestroyed(HWND window) {
  std::lock_guard<std::mutex> hold(gWindowLock);
  return gDestroyed.count(window) != 0;
}

namespace {
void ResetWindows() {
  std::lock_guard<std::mutex> hold(gWindowLock);
  gDestroyed.clear();
}
platform::ResetHook gResetWindows(ResetWindows);
}  // namespace
