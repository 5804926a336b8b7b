// ShowWindow: windows here have no screen presence, so showing one records
// the command; the answer is whether the window was visible before.
#include <windows.h>

#include <map>
#include <mutex>

#include "control/reset.h"
#include "user/dialogs.h"

namespace {

std::mutex gShowLock;
std::map<HWND, int> gShowCommands;

void ResetShowCommands() {
  std::lock_guard<std::mutex> hold(gShowLock);
  gShowCommands.clear();
}
platform::ResetHook gResetShowCommands(ResetShowCommands);

}  // namespace

extern "C" BOOL WINAPI ShowWindow(HWND window, int command) {
  if (window == nullptr || !IsWindow(window)) return FALSE;
  std::lock_guard<std::mutex> hold(gShowLock);
  auto found = gShowCommands.find(window);
  const bool wasVisible = found != gShowCommands.end() && found->second != SW_HIDE;
  gShowCommands[window] = command;
  return wasVisible ? TRUE : FALSE;
}

int platform::WindowShowCommand(HWND window) {
  std::lock_guard<std::mutex> hold(gShowLock);
  auto found = gShowCommands.find(window);
  return found == gShowCommands.end() ? -1 : found->second;
}
