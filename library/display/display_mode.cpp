// Mode setting: CFG_VIDEO_MODE, SET_VIDEO_MODE, SWITCH_TO_VMODE and
// RESTORE_VMODE.
#include <cstdio>
#include <cstring>

#include "core/error_names.h"
#include "core/report.h"
#include "core/state_reset.h"
#include "display/display_state.h"
#include "display/display_surfaces.h"
#include "display/video_modes.h"
#include "korvane.h"

namespace {

// The one mode saved by SWITCH_TO_VMODE for RESTORE_VMODE.
struct SavedVideoMode {
  int width;
  int height;
  int bpp;
  bool valid;
};
SavedVideoMode gSavedVideoMode;

void ForgetSavedVideoMode() { gSavedVideoMode = SavedVideoMode{}; }
const korvane::StateResetHook gResetSavedMode(korvane::ResetStage::kDisplay, ForgetSavedVideoMode);

}  // namespace

extern "C" unsigned int CFG_VIDEO_MODE(unsigned int backBufferCount, int videoMemory) {
  gBackBufferCount = backBufferCount;
  gUseVideoMemory = videoMemory < 0 ? 0 : (videoMemory > 1 ? 1 : videoMemory);
  return backBufferCount;
}

extern "C" int SET_VIDEO_MODE(int width, int height, int bpp) {
  gScreenWidth = width;
  gScreenHeight = height;
  gScreenBpp = bpp;
  ReleaseSurfaceSet(" --- Previous Palette Released ---", " --- Previous Back Buffer Released ---",
                    " --- Previous Primary Buffer Released ---");
  if (glpDD == nullptr) return RefuseWithoutSurface();
  const HRESULT result = glpDD->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height),
                                               static_cast<DWORD>(bpp), 0, 0);
  if (result != DD_OK) {
    const char *name = DDErrorName(result);
    if (strcmp(name, kUnknownDirectDrawError) != 0) {
      ReportWrite(name);
      ReportLine(" ! - SetDisplayMode Failed");
      return 1;
    }
    ReportLine(" ??? IDD7_SetDisplayMode returned an unknown error ???");
  }
  return CreateDisplaySurfaces(SurfaceCreation::kForModeSet);
}

extern "C" int SWITCH_TO_VMODE(int id) {
  const VideoMode *mode = FindVideoMode(id);
  if (mode == nullptr) {
    char line[kReportLineMax + 1];
    snprintf(line, sizeof line, "!!! Switch_To_Video Mode ID %d Invalid !!!", id);
    return ReportWrite(line);
  }
  gSavedVideoMode = SavedVideoMode{gScreenWidth, gScreenHeight, gScreenBpp, true};
  return SET_VIDEO_MODE(static_cast<int>(mode->surface_desc.dwWidth), static_cast<int>(mode->surface_desc.dwHeight),
                        static_cast<int>(mode->surface_desc.ddpfPixelFormat.dwRGBBitCount));
}

extern "C" int RESTORE_VMODE(void) {
  if (!gSavedVideoMode.valid) return ReportWrite("!!! There's No Video Mode to Restore to !!!");
  const SavedVideoMode saved = gSavedVideoMode;
  gSavedVideoMode.valid = false;
  return SET_VIDEO_MODE(saved.width, saved.height, saved.bpp);
}
