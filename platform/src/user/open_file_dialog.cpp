// GetOpenFileNameA without a screen: the dialog answers at once with the
// path the machine interface or the environment gives, or as a user who
// cancels. What the caller asked for is recorded.
#include <windows.h>
#include <commdlg.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sys/stat.h>

#include "base/reset.h"
#include "user/open_file_dialog.h"

namespace {

std::mutex gDialogLock;
bool gAnswerSet = false;
std::string gAnswer;
std::vector<platform::ShownOpenFileDialog> gDialogs;
DWORD gLastError = 0;

void ResetDialogs() {
  std::lock_guard<std::mutex> hold(gDialogLock);
  gAnswerSet = false;
  gAnswer.clear();
  gDialogs.clear();
  gLastError = 0;
}
platform::ResetHook gResetDialogs(ResetDialogs);

// The filter's entries: texts each ended by a zero, the list by another.
std::vector<std::string> FilterEntries(const char *filter) {
  std::vector<std::string> entries;
  if (filter == nullptr) return entries;
  while (*filter != '\0' && entries.size() < 64) {
    entries.emplace_back(filter);
    filter += entries.back().size() + 1;
  }
  return entries;
}

bool RegularFile(const std::string &path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

extern "C" BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA dialog) {
  std::lock_guard<std::mutex> hold(gDialogLock);
  gLastError = 0;
  if (dialog == nullptr || dialog->lStructSize == 0) {
    gLastError = 0x0001;  // CDERR_STRUCTSIZE
    return FALSE;
  }
  platform::ShownOpenFileDialog record;
  record.structSize = dialog->lStructSize;
  record.owner = dialog->hwndOwner;
  record.instance = dialog->hInstance;
  record.filter = FilterEntries(dialog->lpstrFilter);
  record.title = dialog->lpstrTitle != nullptr ? dialog->lpstrTitle : "";
  record.flags = dialog->Flags;
  record.maxFile = dialog->nMaxFile;
  gDialogs.push_back(record);

  std::string path;
  if (gAnswerSet) {
    path = gAnswer;
  } else if (const char *fromEnvironment = std::getenv("KORVANE_OPEN_FILE")) {
    path = fromEnvironment;
  }
  // A cancel, or a file the dialog would not let the user pick.
  if (path.empty() || ((dialog->Flags & OFN_FILEMUSTEXIST) && !RegularFile(path))) return FALSE;
  if (dialog->lpstrFile == nullptr || path.size() + 1 > dialog->nMaxFile) {
    gLastError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  std::memcpy(dialog->lpstrFile, path.c_str(), path.size() + 1);
  const size_t slash = path.find_last_of('/');
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.find_last_of('.');
  dialog->nFileOffset = static_cast<WORD>(name);
  dialog->nFileExtension = static_cast<WORD>(dot == std::string::npos || dot < name ? path.size() : dot + 1);
  return TRUE;
}

extern "C" DWORD WINAPI CommDlgExtendedError(void) {
  std::lock_guard<std::mutex> hold(gDialogLock);
  return gLastError;
}

void platform::SetOpenFileAnswer(const std::string &path) {
  std::lock_guard<std::mutex> hold(gDialogLock);
  gAnswerSet = true;
  gAnswer = path;
}

std::vector<platform::ShownOpenFileDialog> platform::OpenFileDialogsShown() {
  std::lock_guard<std::mutex> hold(gDialogLock);
  return gDialogs;
}
