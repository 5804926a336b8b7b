// The message boxes shown so far, as the machine interface reads them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace platform {

struct ShownMessageBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};

// Every box MessageBoxA has shown since reset, oldest first.
std::vector<ShownMessageBox> MessageBoxesShown();

}  // namespace platform
