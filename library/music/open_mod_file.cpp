// OPEN_MOD_FILE: the common file-open dialog, filtered to module files, with
// the chosen path kept in a buffer of the library's own.
#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <cstring>

#include "core/lifecycle.h"
#include "korvane.h"

namespace {

char gModFileName[MAX_PATH];

// The record without its reserved tail, the size every version of the
// dialog accepts: 76 bytes on the 32-bit DLL.
constexpr DWORD kDialogRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);

}  // namespace

extern "C" char *OPEN_MOD_FILE(void) {
  ShowWindow(ghWnd, SW_SHOW);
  // One filter entry: its label and its pattern, then the list's end.
  static const char kFilter[] = "*.mod;*.s3m;*.xm;*.uni\0*.mod;*.s3m;*.xm;*.uni\0";
  OPENFILENAMEA dialog;
  std::memset(&dialog, 0, sizeof dialog);
  dialog.lStructSize = kDialogRecordSize;
  dialog.hwndOwner = ghWnd;
  dialog.hInstance = ghInstance;
  dialog.lpstrFilter = kFilter;
  dialog.lpstrTitle = "SELECT A MOD FILE TO OPEN";
  dialog.Flags = OFN_FILEMUSTEXIST;
  gModFileName[0] = '\0';
  dialog.lpstrFile = gModFileName;
  dialog.nMaxFile = sizeof gModFileName;
  if (!GetOpenFileNameA(&dialog)) return nullptr;
  return gModFileName;
}
