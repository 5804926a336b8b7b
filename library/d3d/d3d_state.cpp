// The Direct3D module state and the small helpers its files share.
#include "d3d/d3d_state.h"

#include "core/critical.h"
#include "core/report.h"
#include "display/display_state.h"

LPDIRECT3D7 glpD3D = nullptr;
LPDIRECT3DDEVICE7 glpD3DDevice = nullptr;
LPDIRECTDRAWSURFACE7 glpDDSZBuffer = nullptr;
GUID gD3DDeviceType = IID_IDirect3DRGBDevice;
int gZBufferDepth = 0;
LPDIRECTDRAWSURFACE7 glpDDSStandIn = nullptr;

LPDIRECT3DDEVICE7 DeviceFor(const char *exportName) {
  if (glpD3DDevice == nullptr) ReportLine(" !!! %s : no Direct3D device !!!", exportName);
  return glpD3DDevice;
}

int CountBits(DWORD mask) {
  int bits = 0;
  for (; mask != 0; mask &= mask - 1) ++bits;
  return bits;
}

void ReleaseDeviceAndZBuffer() {
  if (glpD3DDevice != nullptr) {
    glpD3DDevice->Release();
    glpD3DDevice = nullptr;
  }
  if (glpDDSZBuffer != nullptr) {
    // The back buffer the z-buffer was attached to may have been made again
    // since; then there is nothing to detach and the call fails harmlessly.
    if (glpDDSBack != nullptr) glpDDSBack->DeleteAttachedSurface(0, glpDDSZBuffer);
    glpDDSZBuffer->Release();
    glpDDSZBuffer = nullptr;
  }
  if (glpDDSStandIn != nullptr) {
    glpDDSStandIn->Release();
    glpDDSStandIn = nullptr;
  }
}

int DeviceCallResult(HRESULT result, const char *failureLine, bool critical) {
  if (result == D3D_OK) return 0;
  if (failureLine != nullptr) ReportLine("%s", failureLine);
  if (critical) D3DCritical(result);
  return 1;
}
