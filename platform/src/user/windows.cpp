// Windows as handles: a host's non-null handle is a live window until
// DestroyWindow; the platform remembers which were destroyed.
#include "user/window_handles.h"

#include <mutex>
#include <unordered_set>

#include "control/faults.h"
#include "control/reset.h"

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
  platform::ForgetWindowText(window);
  return TRUE;
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
