// The machine interface of the common dialogs and window showing: what the
// file-open dialog answers, the dialogs shown so far, and ShowWindow's
// record of each window.
#pragma once

#include "machine_api.h"

#include <windows.h>

#include <string>
#include <vector>

namespace machine MACHINE_API {

// The path every later file-open dialog answers with ("" answers as a user
// who cancels). Until it is set, the dialog answers with the environment
// variable KORVANE_OPEN_FILE, or cancels when that is not set either.
// machine::reset() forgets the answer.
void set_open_file_answer(const std::string &path);

// A file-open dialog as the caller described it.
struct OpenFileDialogRecord {
  DWORD structSize;
  HWND owner;
  HINSTANCE instance;
  std::vector<std::string> filter;  // label, pattern, label, pattern, ...
  std::string title;
  DWORD flags;
  DWORD maxFile;
};
std::vector<OpenFileDialogRecord> open_file_dialogs();

// The last ShowWindow command given for a window, or -1 when none was.
int window_show_command(HWND window);

}  // namespace machine
