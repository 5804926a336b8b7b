// Where Direct3D hooks into the rest of the library. When a critical report
// releases and rebuilds the display surfaces, the z-buffer is detached from
// the old back buffer and attached to the new one, and the device renders to
// the new back buffer; when the DirectDraw object goes, everything made from
// it here goes first. The test reset releases it all too.
#include "core/report.h"
#include "core/state_reset.h"
#include "core/surface_events.h"
#include "d3d/d3d_state.h"
#include "d3d/texture_format_matcher.h"
#include "display/display_state.h"
#include "korvane.h"

namespace {

void DetachZBuffer() {
  if (glpDDSZBuffer != nullptr && glpDDSBack != nullptr) glpDDSBack->DeleteAttachedSurface(0, glpDDSZBuffer);
}

int FollowNewBackBuffer() {
  if (glpDDSBack == nullptr) return 0;
  int result = 0;
  if (glpDDSZBuffer != nullptr && FAILED(glpDDSBack->AddAttachedSurface(glpDDSZBuffer))) {
    ReportLine("!!! ZBuffer AddAttachedSurface Failed !!!");
    result = 1;
  }
  if (glpD3DDevice != nullptr && FAILED(glpD3DDevice->SetRenderTarget(glpDDSBack, 0))) {
    ReportLine(" !!! SetRenderTarget to the new back buffer Failed !!!");
    result = 1;
  }
  return result;
}

void ReleaseDirect3D() { D3D_RELEASE(); }

const SurfaceListenerRegistration gDirect3DListens(
    SurfaceListenerSlot::kDirect3D,
    DisplaySurfaceListener{nullptr, DetachZBuffer, FollowNewBackBuffer, ReleaseDirect3D});

void ResetDirect3DState() {
  D3D_RELEASE();
  gD3DDeviceType = IID_IDirect3DRGBDevice;
  gZBufferDepth = 0;
  SetTextureFormatRequest(0, 0, 0);
}

const korvane::StateResetHook gResetDirect3D(korvane::ResetStage::kDirect3D, ResetDirect3DState);

}  // namespace
