// The common dialogs' and window showing's part of the control interface.
#include "machine_dialogs.h"

#include "user/dialogs.h"

namespace machine {

void set_open_file_answer(const std::string &path) { platform::SetOpenFileAnswer(path); }

std::vector<OpenFileDialogRecord> open_file_dialogs() { return platform::OpenFileDialogsShown(); }

int window_show_command(HWND window) { return platform::WindowShowCommand(window); }

}  // namespace machine
