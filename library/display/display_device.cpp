// The DirectDraw object: DDRAW_INIT, IS_DDRAW_VALID, DDRAW_RELEASE and the
// four video-memory queries, and the reset of the display's module state.
#include <cstring>

#include "core/lifecycle.h"
#include "core/report.h"
#include "core/state_reset.h"
#include "core/surface_events.h"
#include "display/display_state.h"
#include "display/display_surfaces.h"
#include "display/video_modes.h"
#include "korvane.h"

namespace {

constexpr DWORD kCooperativeFlags = DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_FPUSETUP;

// Total or free bytes of the memory with the given capability; 0 without a
// DirectDraw object or when the query fails.
DWORD VideoMemory(DWORD caps, bool total) {
  if (glpDD == nullptr) return 0;
  DDSCAPS2 query{};
  query.dwCaps = caps;
  DWORD totalBytes = 0, freeBytes = 0;
  if (FAILED(glpDD->GetAvailableVidMem(&query, &totalBytes, &freeBytes))) return 0;
  return total ? totalBytes : freeBytes;
}

// Releases the display surfaces and the object of an earlier DDRAW_INIT, so
// that a second initialisation neither leaks it nor meets its exclusive
// hold on the display.
void ReleasePreviousObject() {
  if (glpDD == nullptr) return;
  ReleaseDisplaySurfaces();
  glpDD->Release();
  glpDD = nullptr;
}

}  // namespace

extern "C" int DDRAW_INIT(void) {
  ReleasePreviousObject();
  LPVOID object = nullptr;
  if (FAILED(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr))) {
    ReportLine(" ! - DirectDrawCreateEx Failed");
    return 1;
  }
  glpDD = static_cast<LPDIRECTDRAW7>(object);
  if (FAILED(glpDD->SetCooperativeLevel(ghWnd, kCooperativeFlags))) {
    ReportLine(" ! - DD7 SetCooperativeLevel Failed");
    return 1;
  }
  ReportDetail(" DirectDraw7 Initialized.");
  if (FAILED(ListVideoModes())) ReportLine(" ! - Couldn't enumerate modes. ");
  gNumberOfVideoModes = gVideoModeCounter;
  return 0;
}

extern "C" int IS_DDRAW_VALID(void) { return glpDD != nullptr ? 1 : 0; }

extern "C" int DDRAW_RELEASE(void) {
  ReportDetail("### DIRECT DRAW RELEASE OBJECTS ###");
  ReleaseSurfaceSet(" --- Palette Released ---", " --- Back Buffer Released ---", " --- Primary Buffer Released ---");
  if (glpDD != nullptr) {
    VideoModes_FreeAll();
    // What was made from the object (bitmaps) goes before the object.
    NotifyDisplaySurfacesFreed();
    glpDD->Release();
    glpDD = nullptr;
    ReportDetail(" --- DirectDraw Released ---");
  }
  ReportDetail("###################################");
  return 0;
}

extern "C" DWORD TOTAL_TEXTURE_MEMORY(void) { return VideoMemory(DDSCAPS_TEXTURE, true); }
extern "C" DWORD AVAIL_TEXTURE_MEMORY(void) { return VideoMemory(DDSCAPS_TEXTURE, false); }
extern "C" DWORD TOTAL_VIDEO_MEMORY(void) { return VideoMemory(DDSCAPS_VIDEOMEMORY, true); }
extern "C" DWORD AVAIL_VIDEO_MEMORY(void) { return VideoMemory(DDSCAPS_VIDEOMEMORY, false); }

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
