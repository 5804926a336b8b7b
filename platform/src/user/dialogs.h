// The state of the file-open dialog and of window showing (kept with the
// window records), shared with the control interface.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "machine_dialogs.h"

namespace platform {

void SetOpenFileAnswer(const std::string &path);
std::vector<machine::OpenFileDialogRecord> OpenFileDialogsShown();
int WindowShowCommand(HWND window);

}  // namespace platform
