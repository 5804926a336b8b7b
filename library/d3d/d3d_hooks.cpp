// Where Direct3D hooks into the rest of the library. Before the display
// surfaces go (critical report, new mode, DDRAW_RELEASE) the z-buffer is
// detached from the back buffer and the device moves to a one-pixel stand-in
// target, so it never holds a released surface; when a critical report
// rebuilds the surfaces, the z-buffer and the device move to the new back
// buffer. When the DirectDraw object goes, everything made from it here goes
// first. The test reset releases it all too.
#include <ddraw.h>
#include <d3d.h>

#include "core/report.h"
#include "core/state_reset.h"
#include "core/surface_events.h"
#include "d3d/d3d_state.h"
#include "d3d/texture_format_matcher.h"
#include "d3d/texture_registry.h"
#include "display/display_state.h"
#include "korvane.h"

namespace {

// A one-pixel 3D target of the back buffer's format and memory, or null.
LPDIRECTDRAWSURFACE7 MakeStandIn() {
  DDSURFACEDESC2 back{};
  back.dwSize = sizeof back;
  if (glpDD == nullptr || FAILED(glpDDSBack->GetSurfaceDesc(&back))) return nullptr;
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.dwWidth = 1;
  desc.dwHeight = 1;
  desc.ddpfPixelFormat = back.ddpfPixelFormat;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE |
                        (back.ddsCaps.dwCaps & (DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY));
  LPDIRECTDRAWSURFACE7 standIn = nullptr;
  if (FAILED(glpDD->CreateSurface(&desc, &standIn, nullptr))) return nullptr;
  return standIn;
}

bool DeviceRendersToBackBuffer() {
  LPDIRECTDRAWSURFACE7 target = nullptr;
  if (FAILED(glpD3DDevice->GetRenderTarget(&target)) || target == nullptr) return true;
  const bool onBack = target == glpDDSBack;
  target->Release();
  return onBack;
}

void LeaveBackBuffer() {
  if (glpDDSBack == nullptr) return;
  if (glpDDSZBuffer != nullptr) glpDDSBack->DeleteAttachedSurface(0, glpDDSZBuffer);
  if (glpD3DDevice == nullptr || !DeviceRendersToBackBuffer()) return;
  if (glpDDSStandIn == nullptr) glpDDSStandIn = MakeStandIn();
  if (glpDDSStandIn != nullptr && SUCCEEDED(glpD3DDevice->SetRenderTarget(glpDDSStandIn, 0))) return;
  // Without a place to go, the device goes with the surfaces.
  ReleaseDeviceAndZBuffer();
  ReportLine(" !!! Direct3D device released with the display surfaces !!!");
}

int FollowNewBackBuffer() {
  if (glpDDSBack == nullptr) return 0;
  int result = 0;
  if (glpDDSZBuffer != nullptr && FAILED(glpDDSBack->AddAttachedSurface(glpDDSZBuffer))) {
    ReportLine("!!! ZBuffer AddAttachedSurface Failed !!!");
    result = 1;
  }
  if (glpD3DDevice != nullptr) {
    if (FAILED(glpD3DDevice->SetRenderTarget(glpDDSBack, 0))) {
      ReportLine(" !!! Direct3D device could not move to the new back buffer !!!");
      return 1;
    }
    if (glpDDSStandIn != nullptr) {
      glpDDSStandIn->Release();
      glpDDSStandIn = nullptr;
    }
  }
  return result;
}

// Only when something was made here, so that a DirectDraw release without
// Direct3D writes none of its lines.
void ReleaseDirect3D() {
  if (glpD3D != nullptr || glpD3DDevice != nullptr || glpDDSZBuffer != nullptr || glpDDSStandIn != nullptr ||
      gTextureList != nullptr) {
    D3D_RELEASE();
  }
}

const SurfaceListenerRegistration gDirect3DListens(
    SurfaceListenerSlot::kDirect3D,
    DisplaySurfaceListener{nullptr, nullptr, FollowNewBackBuffer, ReleaseDirect3D, LeaveBackBuffer});

void ResetDirect3DState() {
  D3D_RELEASE();
  gD3DDeviceType = IID_IDirect3DRGBDevice;
  gZBufferDepth = 0;
  SetTextureFormatRequest(0, 0, 0);
}

const korvane::StateResetHook gResetDirect3D(korvane::ResetStage::kDirect3D, ResetDirect3DState);

}  // namespace
