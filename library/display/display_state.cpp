// Storage of the display's module state. The reset that puts it back starts
// with DDRAW_RELEASE, so it lives with that export in display_device.cpp.
#include "display/display_state.h"

#include "core/report.h"

LPDIRECTDRAW7 glpDD = nullptr;
LPDIRECTDRAWSURFACE7 glpDDSPrimary = nullptr;
LPDIRECTDRAWSURFACE7 glpDDSBack = nullptr;
LPDIRECTDRAWPALETTE glpDDPalette = nullptr;
PALETTEENTRY gPaletteEntries[256];

int gScreenWidth = 0;
int gScreenHeight = 0;
int gScreenBpp = 0;
DDSURFACEDESC2 gSurfaceDesc;

int gRedBits = 0;
int gGreenBits = 0;
int gBlueBits = 0;

DWORD gBackBufferCount = 0;
int gUseVideoMemory = 0;

VideoMode *gVideoModes = nullptr;
int gVideoModeCounter = 0;
int gNumberOfVideoModes = 0;

LockedSurfaceView gLockedView;

void ResetVideoModeSettings() {
  gBackBufferCount = 1;
  gUseVideoMemory = 1;
}

int RefuseWithoutSurface() {
  ReportLine("??? No Surface ???");
  return 1;
}
