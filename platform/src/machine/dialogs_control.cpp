// The common dialogs' and window showing's part of the machine interface.
#include "machine_dialogs.h"

#include "user/open_file_dialog.h"
#include "user/windows.h"

namespace machine {

void set_open_file_answer(const std::string &path) { platform::SetOpenFileAnswer(path); }

std::vector<OpenFileDialogRecord> open_file_dialogs() {
  std::vector<OpenFileDialogRecord> dialogs;
  for (const platform::ShownOpenFileDialog &dialog : platform::OpenFileDialogsShown()) {
    dialogs.push_back(OpenFileDialogRecord{dialog.structSize, dialog.owner, dialog.instance, dialog.filter, dialog.title,
                                           dialog.flags, dialog.maxFile});
  }
  return dialogs;
}

int window_show_command(HWND window) { return platform::WindowShowCommand(window); }

}  // namespace machine
