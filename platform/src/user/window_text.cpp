// A window's text (its title): set and read by the host with SetWindowTextA
// and GetWindowTextA, and shown by a window driver as its window's title.
// Kept per window handle until the window is destroyed.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "base/faults.h"
#include "base/reset.h"
#include "user/window_text.h"

namespace {

std::mutex gTextLock;
std::unordered_map<HWND, std::string> gTexts;
// Counts every change, so that a reader can tell cheaply that a title may
// have changed.
std::atomic<uint64_t> gTextChanges{0};

// The window's text, or false (with the error set) when it is not a window.
bool TextOf(HWND window, std::string *text) {
  if (!IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  std::lock_guard<std::mutex> hold(gTextLock);
  auto found = gTexts.find(window);
  text->assign(found != gTexts.end() ? found->second : std::string());
  return true;
}

void ResetTexts() {
  std::lock_guard<std::mutex> hold(gTextLock);
  gTexts.clear();
  ++gTextChanges;
}
platform::ResetHook gResetTexts(ResetTexts);

}  // namespace

extern "C" BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
  if (platform::TakeWin32Fault("SetWindowTextA")) return FALSE;
  if (!IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> hold(gTextLock);
    // A null text clears the title, as on Windows.
    gTexts[window] = text != nullptr ? text : "";
  }
  ++gTextChanges;
  return TRUE;
}

// Copies at most maxCount - 1 characters and a terminating null; returns
// the characters copied, 0 for an empty text or an error.
extern "C" int WINAPI GetWindowTextA(HWND window, LPSTR text, int maxCount) {
  if (text == nullptr || maxCount <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  text[0] = '\0';
  std::string held;
  if (!TextOf(window, &held)) return 0;
  const size_t copied = std::min(held.size(), static_cast<size_t>(maxCount) - 1);
  std::memcpy(text, held.data(), copied);
  text[copied] = '\0';
  return static_cast<int>(copied);
}

extern "C" int WINAPI GetWindowTextLengthA(HWND window) {
  std::string held;
  if (!TextOf(window, &held)) return 0;
  return static_cast<int>(std::min<size_t>(held.size(), 0x7fffffff));
}

void platform::ForgetWindowText(HWND window) {
  {
    std::lock_guard<std::mutex> hold(gTextLock);
    if (gTexts.erase(window) == 0) return;
  }
  ++gTextChanges;
}

uint64_t platform::WindowTextChanges() { return gTextChanges; }

std::string platform::WindowText(HWND window) {
  std::string text;
  return TextOf(window, &text) ? text : std::string();
}
