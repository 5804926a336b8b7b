// Library lifecycle: KORVANE_INIT and KORVANE_EXIT, and the small core
// exports WINDOWS_VERSION and ON_ERROR.
#include "core/lifecycle.h"

#include <ddraw.h>

#include "core/report.h"
#include "core/state_reset.h"
#include "core/surface_events.h"
#include "korvane.h"

HWND ghWnd = nullptr;
HINSTANCE ghInstance = nullptr;
int gCriticalError = 0;
int gWindowsVersion = 0;

void ReadWindowsVersion() {
  DWORD version = GetVersion();
  gWindowsVersion = static_cast<int>((LOBYTE(LOWORD(version)) << 8) + HIBYTE(LOWORD(version)));
}

namespace {

// Creating a DirectDraw 7 object proves that DirectX 7 is installed; the
// object itself is not kept.
bool DirectX7Present() {
  LPVOID directDraw = nullptr;
  if (FAILED(DirectDrawCreateEx(nullptr, &directDraw, IID_IDirectDraw7, nullptr))) return false;
  static_cast<IUnknown *>(directDraw)->Release();
  return true;
}

// The host's handles and the flag. The Windows version is read again in the
// reload stage, from the machine as it is after the reset.
void ResetCoreState() {
  ghWnd = nullptr;
  ghInstance = nullptr;
  gCriticalError = 0;
}

const korvane::StateResetHook gResetCore(korvane::ResetStage::kCore, ResetCoreState);
const korvane::StateResetHook gRereadWindowsVersion(korvane::ResetStage::kReload, ReadWindowsVersion);

}  // namespace

extern "C" int KORVANE_INIT(HWND hwnd, HINSTANCE instance) {
  ghWnd = hwnd;
  ghInstance = instance;
  NotifyLibraryStarted();
  gCriticalError = 0;
  if (gReportMode != REPORT_OFF) CreateReportFile();

  if (!DirectX7Present()) {
    ReportLine(" ! - QueryInterface Failed");
    MessageBoxA(ghWnd, "DirectX 7.0 Not Detected",
                "You must have DirectX 7.0\n or higher to use this program.",
                MB_SYSTEMMODAL | MB_ICONERROR);
    return 1;
  }
  CoInitialize(nullptr);
  return 0;
}

extern "C" void KORVANE_EXIT(void) {
  DINPUT_RELEASE();
  DSOUND_RELEASE();
  D3D_RELEASE();
  DDRAW_RELEASE();
  DestroyWindow(ghWnd);
  FinishReportFile();
  CoUninitialize();
}

extern "C" int WINDOWS_VERSION(void) { return gWindowsVersion; }

extern "C" int ON_ERROR(void) { return gCriticalError; }
