// Core state shared by every subsystem: the host's handles and the
// critical-error flag.
#pragma once

#include <windows.h>

extern HWND ghWnd;
extern HINSTANCE ghInstance;
extern int gCriticalError;

// (major << 8) + minor of the running Windows, read once when the library loads.
extern int gWindowsVersion;
void ReadWindowsVersion();
