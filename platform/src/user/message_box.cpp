// MessageBoxA never blocks: the box is printed to stderr, recorded for the
// machine interface, and answered with its first button (IDOK for MB_OK).
#include "user/message_box.h"

#include <cstdio>
#include <mutex>

#include "base/faults.h"
#include "base/reset.h"

namespace {

std::mutex gBoxLock;
std::vector<platform::ShownMessageBox> gBoxes;

int FirstButton(UINT type) {
  switch (type & 0x0F) {
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO: return IDYES;
    case MB_RETRYCANCEL: return IDRETRY;
    default: return IDOK;
  }
}

}  // namespace

extern "C" int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  if (platform::TakeWin32Fault("MessageBoxA")) {
    return 0;
  }
  platform::ShownMessageBox box{owner, text != nullptr ? text : "", caption != nullptr ? caption : "Error", type};
  fprintf(stderr, "[MessageBox] %s: %s\n", box.caption.c_str(), box.text.c_str());
  std::lock_guard<std::mutex> hold(gBoxLock);
  gBoxes.push_back(box);
  return FirstButton(type);
}

std::vector<platform::ShownMessageBox> platform::MessageBoxesShown() {
  std::lock_guard<std::mutex> hold(gBoxLock);
  return gBoxes;
}

namespace {
void ResetMessageBoxes() {
  std::lock_guard<std::mutex> hold(gBoxLock);
  gBoxes.clear();
}
platform::ResetHook gResetBoxes(ResetMessageBoxes);
}  // namespace
