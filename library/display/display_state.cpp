// Storage of the display's module state, and its reset.
#include "display/display_state.h"

#include <cstring>

#include "core/report.h"
#include "core/state_reset.h"
#include "display/video_modes.h"
#include "korvane.h"

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

namespace {

// Surfaces, palette, mode list and the DirectDraw object go as DDRAW_RELEASE
// lets them go (bitmaps are gone by then); every value goes back to its
// value at load, the mode-id counter included.
void ResetDisplayState() {
  DDRAW_RELEASE();
  if (gVideoModes != nullptr) VideoModes_FreeAll();
  gLockedView = LockedSurfaceView{};
  memset(gPaletteEntries, 0, sizeof gPaletteEntries);
  gScreenWidth = gScreenHeight = gScreenBpp = 0;
  memset(&gSurfaceDesc, 0, sizeof gSurfaceDesc);
  gRedBits = gGreenBits = gBlueBits = 0;
  gBackBufferCount = 0;
  gUseVideoMemory = 0;
  gVideoModeCounter = 0;
  gNumberOfVideoModes = 0;
}

const korvane::StateResetHook gResetDisplay(korvane::ResetStage::kDisplay, ResetDisplayState);

}  // namespace
