// The calling thread's last Win32 error.
#include <windows.h>

namespace {
thread_local DWORD gLastError = ERROR_SUCCESS;
}

extern "C" DWORD WINAPI GetLastError(void) { return gLastError; }
extern "C" void WINAPI SetLastError(DWORD error) { gLastError = error; }
