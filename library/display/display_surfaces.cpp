// Creation, release and rebuild of the display surfaces. A critical report
// may come before any DirectDraw object exists (an input failure before
// DDRAW_INIT): then there is nothing to release and the rebuild is skipped.
#include "display/display_surfaces.h"

#include "core/critical.h"
#include "core/error_names.h"
#include "core/report.h"
#include "core/surface_events.h"
#include "display/display_state.h"

namespace {

template <typename T>
bool ReleaseAndClear(T *&object) {
  if (object == nullptr) return false;
  object->Release();
  object = nullptr;
  return true;
}

// The outcome of a failed step: the critical report when asked, and 1.
int Failed(HRESULT result, bool critical) {
  if (critical) DDCritical(result);
  return 1;
}

void FillPrimaryDescription() {
  const bool chain = gBackBufferCount != 0;
  gSurfaceDesc.dwSize = sizeof(DDSURFACEDESC2);
  gSurfaceDesc.dwFlags = DDSD_CAPS | DDSD_CKSRCBLT | (chain ? DDSD_BACKBUFFERCOUNT : 0);
  gSurfaceDesc.dwBackBufferCount = gBackBufferCount;
  gSurfaceDesc.ddckCKSrcBlt.dwColorSpaceLowValue = 0;
  gSurfaceDesc.ddckCKSrcBlt.dwColorSpaceHighValue = 0;
  gSurfaceDesc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE |
                                (chain ? DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE : 0) |
                                (gUseVideoMemory == 1 ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY);
}

// Counts set bits of `mask` from the probe bit upwards; the probe is 16 bits
// wide and carries on from where the previous channel stopped.
int CountChannel(DWORD mask, WORD *probe) {
  int count = 0;
  while (*probe != 0 && (mask & *probe) != 0) {
    ++count;
    *probe = static_cast<WORD>(*probe << 1);
  }
  return count;
}

// Counts the 16-bit channel widths from the primary's pixel format into
// gBlueBits, gGreenBits and gRedBits (blue lowest, then green, then red).
void Probe16BitFormat() {
  DDPIXELFORMAT format{};
  format.dwSize = sizeof(DDPIXELFORMAT);
  format.dwFlags = DDPF_RGB;
  const HRESULT result = glpDDSPrimary->GetPixelFormat(&format);
  if (FAILED(result)) {
    ReportWrite(DDErrorName(result));
    ReportLine("!!! DDS7_GetPixelFormat failed !!!");
    return;
  }
  WORD probe = 1;
  gBlueBits = CountChannel(format.dwBBitMask, &probe);
  gGreenBits = CountChannel(format.dwGBitMask, &probe);
  gRedBits = CountChannel(format.dwRBitMask, &probe);
}

}  // namespace

HRESULT FillSurface(LPDIRECTDRAWSURFACE7 surface, LPRECT rect, DWORD colour) {
  DDBLTFX effects{};
  effects.dwSize = sizeof(DDBLTFX);
  effects.dwFillColor = colour;
  return surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &effects);
}

void ReleaseSurfaceSet(const char *paletteLine, const char *backLine, const char *primaryLine) {
  // Pixel exports must not reach surfaces that are going away.
  gLockedView = LockedSurfaceView{};
  NotifyDisplaySurfacesLeaving();
  if (ReleaseAndClear(glpDDPalette) && paletteLine != nullptr) ReportDetail("%s", paletteLine);
  if (ReleaseAndClear(glpDDSBack) && backLine != nullptr) ReportDetail("%s", backLine);
  if (ReleaseAndClear(glpDDSPrimary) && primaryLine != nullptr) ReportDetail("%s", primaryLine);
}

int ReleaseDisplaySurfaces() {
  ReleaseSurfaceSet(nullptr, nullptr, nullptr);
  return 0;
}

int CreateDefaultPalette(bool critical) {
  ReleaseAndClear(glpDDPalette);
  for (PALETTEENTRY &entry : gPaletteEntries) entry = PALETTEENTRY{0, 0, 0, PC_RESERVED | PC_NOCOLLAPSE};
  if (glpDD == nullptr || glpDDSPrimary == nullptr) return 1;
  HRESULT result = glpDD->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, gPaletteEntries, &glpDDPalette, nullptr);
  if (FAILED(result)) return Failed(result, critical);
  result = glpDDSPrimary->SetPalette(glpDDPalette);
  if (FAILED(result)) return Failed(result, critical);
  if (gBackBufferCount != 0) {
    ReportLine("Setting Palette for glpDDSBack");
    result = glpDDSBack != nullptr ? glpDDSBack->SetPalette(glpDDPalette) : DDERR_SURFACELOST;
    if (FAILED(result)) {
      ReportLine("SetPalette for glpDDSBack");
      return Failed(result, critical);
    }
  }
  result = glpDDPalette->SetEntries(0, 0, 256, gPaletteEntries);
  if (FAILED(result)) return Failed(result, critical);
  return 0;
}

int CreateDisplaySurfaces(SurfaceCreation mode) {
  const bool critical = mode == SurfaceCreation::kForModeSet;
  FillPrimaryDescription();
  HRESULT result = glpDD->CreateSurface(&gSurfaceDesc, &glpDDSPrimary, nullptr);
  if (FAILED(result)) return Failed(result, critical);
  if (gBackBufferCount != 0) {
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    result = glpDDSPrimary->GetAttachedSurface(&caps, &glpDDSBack);
    if (FAILED(result)) return Failed(result, critical);
  }
  if (critical && gScreenBpp == 16) Probe16BitFormat();
  if (gScreenBpp == 8 && CreateDefaultPalette(critical) != 0 && !critical) return 1;
  // The critical report of a failed palette step rebuilt the surfaces.
  if (glpDDSPrimary == nullptr) return 1;
  result = FillSurface(glpDDSPrimary, nullptr, 0);
  if (FAILED(result)) return Failed(result, critical);
  if (gBackBufferCount != 0) {
    glpDDSPrimary->Flip(nullptr, DDFLIP_WAIT);
    result = FillSurface(glpDDSPrimary, nullptr, 0);
    if (FAILED(result)) return Failed(result, critical);
  }
  return 0;
}

int RebuildDisplaySurfaces() {
  // Without a DirectDraw object there is no display to rebuild. With one,
  // the surfaces are made in whatever mode the display is in, also before
  // the first SET_VIDEO_MODE.
  if (glpDD == nullptr) return 0;
  ReleaseDisplaySurfaces();
  return CreateDisplaySurfaces(SurfaceCreation::kRebuild);
}
