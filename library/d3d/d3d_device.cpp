// The Direct3D device: D3D_INIT, CREATE3D_DEVICE (z-buffer, HAL or RGB device
// with the fall-back from HAL to RGB, the texture formats reported),
// IS_ZBUFFERLESSHSR and D3D_RELEASE.
#include <ddraw.h>
#include <d3d.h>

#include "core/critical.h"
#include "core/error_names.h"
#include "core/report.h"
#include "d3d/d3d_format_report.h"
#include "d3d/d3d_state.h"
#include "d3d/d3d_zbuffer.h"
#include "d3d/texture_registry.h"
#include "display/display_state.h"
#include "korvane.h"

namespace {

HRESULT CALLBACK ReportTextureFormat(LPDDPIXELFORMAT format, LPVOID /*context*/) {
  if (format != nullptr) WriteTextureFormatLine(*format);
  return DDENUMRET_OK;
}

HRESULT CreateDeviceOn(const GUID &type) {
  glpD3DDevice = nullptr;
  const HRESULT result = glpD3D->CreateDevice(type, glpDDSBack, &glpD3DDevice);
  if (FAILED(result)) glpD3DDevice = nullptr;
  return result;
}

// The HAL device, or the RGB device when the driver has no HAL. The critical
// report of the failed HAL device rebuilds the display surfaces; the
// z-buffer goes with the back buffer to its new surface (the Direct3D
// surface listener attaches it), so the RGB device still tests depth.
int CreateHardwareDevice() {
  const HRESULT hal = CreateDeviceOn(IID_IDirect3DHALDevice);
  if (SUCCEEDED(hal)) {
    ReportLine("3D Hardware(HAL) used");
    return 0;
  }
  D3DCritical(hal);
  const HRESULT rgb = glpDDSBack != nullptr ? CreateDeviceOn(IID_IDirect3DRGBDevice) : DDERR_SURFACELOST;
  if (FAILED(rgb)) {
    D3DCritical(rgb);
    return 1;
  }
  ReportLine("3D Hardware(HAL) not available -- 3D Software(RGB) used");
  return 0;
}

int CreateSoftwareDevice() {
  const HRESULT rgb = CreateDeviceOn(IID_IDirect3DRGBDevice);
  if (FAILED(rgb)) {
    ReportLine("3D Software(RGB) not available???? WHAT!!!!!");
    D3DCritical(rgb);
    return 1;
  }
  return 0;
}

}  // namespace

extern "C" int D3D_INIT(void) {
  if (glpDD == nullptr) {
    ReportLine(" !!! D3D_INIT : DirectDraw has not been initialized !!!");
    return 1;
  }
  if (glpD3D != nullptr) {
    glpD3D->Release();
    glpD3D = nullptr;
  }
  LPVOID direct3D = nullptr;
  const HRESULT result = glpDD->QueryInterface(IID_IDirect3D7, &direct3D);
  if (FAILED(result) || direct3D == nullptr) {
    D3DCritical(FAILED(result) ? result : E_NOINTERFACE);
    return 1;
  }
  glpD3D = static_cast<LPDIRECT3D7>(direct3D);
  return 0;
}

extern "C" int CREATE3D_DEVICE(int kind, int depth) {
  if (kind < 0 || kind > 1) kind = 0;
  if (kind == 1) {
    ReportLine("3D Hardware Mode Choosen");
    gD3DDeviceType = IID_IDirect3DHALDevice;
  } else {
    ReportLine("3D Software Mode Choosen");
    gD3DDeviceType = IID_IDirect3DRGBDevice;
  }
  if (glpD3D == nullptr) {
    ReportLine(" !!! CREATE3D_DEVICE : Direct3D has not been initialized !!!");
    return 1;
  }
  if (glpDD == nullptr || glpDDSBack == nullptr) {
    ReportLine(" !!! CREATE3D_DEVICE : no back buffer to render to !!!");
    return 1;
  }
  if (glpD3DDevice != nullptr || glpDDSZBuffer != nullptr) {
    // A second device replaces the first; textures stay, they belong to
    // the DirectDraw object.
    ReleaseDeviceAndZBuffer();
    ReportDetail(" --- Previous Direct3D device and ZBuffer released ---");
  }

  gZBufferDepth = depth;
  if (depth > 0 && CreateZBuffer(depth) != 0) return 1;

  const int created = IsEqualGUID(gD3DDeviceType, IID_IDirect3DHALDevice) ? CreateHardwareDevice()
                                                                           : CreateSoftwareDevice();
  if (created != 0) return 1;

  ReportLine(" > Texture Formats Detected Begin < ");
  glpD3DDevice->EnumTextureFormats(ReportTextureFormat, nullptr);
  ReportLine(" > Texture Formats Detected End   < ");
  return 0;
}

extern "C" int IS_ZBUFFERLESSHSR(void) {
  LPDIRECT3DDEVICE7 device = DeviceFor("IS_ZBUFFERLESSHSR");
  if (device == nullptr) return 0;
  D3DDEVICEDESC7 caps{};
  device->GetCaps(&caps);
  return (caps.dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_ZBUFFERLESSHSR) != 0 ? 1 : 0;
}

extern "C" int D3D_RELEASE(void) {
  Texture_FreeAll();
  if (glpDDSZBuffer != nullptr) {
    // Detached first, so that the back buffer can take a z-buffer again.
    if (glpDDSBack != nullptr) glpDDSBack->DeleteAttachedSurface(0, glpDDSZBuffer);
    const auto result = static_cast<HRESULT>(glpDDSZBuffer->Release());
    glpDDSZBuffer = nullptr;
    if (FAILED(result)) {
      ReportLine("   !!! %s : - Couldn't release ZBuufer surface !!!", DDErrorName(result));
    } else {
      ReportDetail("   Released ZBuffer surface.");
    }
  }
  if (glpD3D != nullptr) {
    glpD3D->Release();
    glpD3D = nullptr;
  }
  ULONG remaining = 0;
  if (glpD3DDevice != nullptr) {
    remaining = glpD3DDevice->Release();
    glpD3DDevice = nullptr;
  }
  if (glpDDSStandIn != nullptr) {
    glpDDSStandIn->Release();
    glpDDSStandIn = nullptr;
  }
  if (remaining > 0) {
    ReportLine(" !!! D3DDEVICE RefCount is greater than 0 !!!");
    return 1;
  }
  return 0;
}
