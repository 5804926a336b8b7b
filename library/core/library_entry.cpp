// Load-time entry of the library: the Windows version is read once, when the
// DLL is attached on Windows or when the shared object is loaded elsewhere.
#include <windows.h>

#include "core/lifecycle.h"

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ReadWindowsVersion();
  return TRUE;
}
#else
__attribute__((constructor)) static void LibraryLoaded() { ReadWindowsVersion(); }
#endif
