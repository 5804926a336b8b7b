// Access to the display surfaces: the lock exports, the queries of the
// locked surface and the mode, and the colour fills (CLEAR_SURFACE,
// CLEAR_PRIM_SURFACE, SURFACE_RECT_BLIT).
#include "core/critical.h"
#include "core/report.h"
#include "display/display_state.h"
#include "display/display_surfaces.h"
#include "korvane.h"

namespace {

// Locks a whole display surface into gSurfaceDesc and opens the pixel
// exports' view of it.
int LockDisplaySurface(LPDIRECTDRAWSURFACE7 surface) {
  if (surface == nullptr) return RefuseWithoutSurface();
  const HRESULT result = surface->Lock(nullptr, &gSurfaceDesc, DDLOCK_WAIT, nullptr);
  if (FAILED(result)) {
    DDCritical(result);
    return 1;
  }
  const DWORD bytes = static_cast<DWORD>(gScreenBpp / 8);
  const DWORD rowPixels =
      bytes == 0 || gSurfaceDesc.lPitch <= 0 ? 0 : static_cast<DWORD>(gSurfaceDesc.lPitch) / bytes;
  gLockedView = LockedSurfaceView{static_cast<BYTE *>(gSurfaceDesc.lpSurface), gSurfaceDesc.lPitch,
                                  gSurfaceDesc.dwWidth < rowPixels ? gSurfaceDesc.dwWidth : rowPixels,
                                  gSurfaceDesc.dwHeight};
  return 0;
}

int UnlockDisplaySurface(LPDIRECTDRAWSURFACE7 surface) {
  if (surface == nullptr) return RefuseWithoutSurface();
  gLockedView = LockedSurfaceView{};
  const HRESULT result = surface->Unlock(nullptr);
  if (FAILED(result)) {
    DDCritical(result);
    return 1;
  }
  return 0;
}

int ClearDisplaySurface(LPDIRECTDRAWSURFACE7 surface, LPRECT rect, int colour) {
  if (surface == nullptr) return RefuseWithoutSurface();
  const HRESULT result = FillSurface(surface, rect, static_cast<DWORD>(colour));
  if (FAILED(result)) {
    DDCritical(result);
    return 1;
  }
  return 0;
}

}  // namespace

extern "C" int SURFACE_LOCK(void) { return LockDisplaySurface(glpDDSBack); }
extern "C" int SURFACE_UNLOCK(void) { return UnlockDisplaySurface(glpDDSBack); }
extern "C" int PRIM_SURFACE_LOCK(void) { return LockDisplaySurface(glpDDSPrimary); }
extern "C" int PRIM_SURFACE_UNLOCK(void) { return UnlockDisplaySurface(glpDDSPrimary); }

extern "C" int SURFACE_PITCH(void) { return static_cast<int>(gSurfaceDesc.lPitch); }
extern "C" unsigned char *SURFACE_POINTER(void) { return static_cast<unsigned char *>(gSurfaceDesc.lpSurface); }
extern "C" int SURFACE_WIDTH(void) { return gScreenWidth; }
extern "C" int SURFACE_HEIGHT(void) { return gScreenHeight; }
extern "C" int SURFACE_DEPTH(void) { return gScreenBpp; }
extern "C" int BPP(void) { return gScreenBpp / 8; }

extern "C" int CLEAR_SURFACE(int colour) { return ClearDisplaySurface(glpDDSBack, nullptr, colour); }

extern "C" int CLEAR_PRIM_SURFACE(int colour) { return ClearDisplaySurface(glpDDSPrimary, nullptr, colour); }

extern "C" int SURFACE_RECT_BLIT(RECT *rect, int colour) {
  if (glpDDSBack == nullptr) return RefuseWithoutSurface();
  if (ClearDisplaySurface(glpDDSBack, rect, colour) == 0) return 0;
  ReportLine(" ! - DDS7_Blt Failed");
  return 1;
}
