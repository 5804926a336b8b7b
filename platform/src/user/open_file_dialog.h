// The file-open dialog's record of what was asked of it and the answer it
// gives, shared with the machine interface.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace platform {

// A file-open dialog as the caller described it.
struct ShownOpenFileDialog {
  DWORD structSize;
  HWND owner;
  HINSTANCE instance;
  std::vector<std::string> filter;  // label, pattern, label, pattern, ...
  std::string title;
  DWORD flags;
  DWORD maxFile;
};

void SetOpenFileAnswer(const std::string &path);
std::vector<ShownOpenFileDialog> OpenFileDialogsShown();

}  // namespace platform
