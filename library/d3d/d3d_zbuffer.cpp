// Z-buffer formats and the z-buffer surface. Only plain depth formats are
// taken (never one with stencil bits), at exactly the requested depth.
#include "d3d/d3d_zbuffer.h"

#include <ddraw.h>
#include <d3d.h>

#include "core/critical.h"
#include "core/report.h"
#include "d3d/d3d_format_report.h"
#include "d3d/d3d_state.h"
#include "display/display_state.h"
#include "korvane.h"

namespace {

HRESULT CALLBACK ReportZBufferFormat(LPDDPIXELFORMAT format, LPVOID /*context*/) {
  if (format != nullptr) WriteZBufferFormatLine(*format);
  return DDENUMRET_OK;
}

// The context of the choosing enumeration: the depth asked for and the
// format taken (still empty when none fits).
struct ZBufferChoice {
  int depth;
  bool found;
  DDPIXELFORMAT format;
};

bool IsChoosableDepth(int depth) { return depth == 32 || depth == 24 || depth == 16 || depth == 8; }

HRESULT CALLBACK ChooseZBufferFormat(LPDDPIXELFORMAT format, LPVOID context) {
  auto *choice = static_cast<ZBufferChoice *>(context);
  if (format == nullptr || format->dwFlags != DDPF_ZBUFFER || !IsChoosableDepth(choice->depth) ||
      static_cast<int>(format->dwZBufferBitDepth) != choice->depth) {
    return DDENUMRET_OK;
  }
  choice->format = *format;
  choice->found = true;
  return DDENUMRET_CANCEL;
}

}  // namespace

int CreateZBuffer(int depth) {
  ReportLine(" > ZBuffer Formats Detected Begin < ");
  glpD3D->EnumZBufferFormats(gD3DDeviceType, ReportZBufferFormat, nullptr);
  ReportLine(" > ZBuffer Formats Detected End   < ");

  ZBufferChoice choice{depth, false, DDPIXELFORMAT{}};
  glpD3D->EnumZBufferFormats(gD3DDeviceType, ChooseZBufferFormat, &choice);
  if (!choice.found) {
    ReportLine(" !!! DirectX is unable to detect a suppported ZBuffer format !!!");
    return 1;
  }
  ReportLine("ZBuffer %d Bit Depth used", static_cast<int>(choice.format.dwZBufferBitDepth));

  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
  desc.dwWidth = static_cast<DWORD>(SURFACE_WIDTH());
  desc.dwHeight = static_cast<DWORD>(SURFACE_HEIGHT());
  desc.ddpfPixelFormat = choice.format;
  desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER;
  if (IsEqualGUID(gD3DDeviceType, IID_IDirect3DHALDevice)) {
    ReportLine("--DDSCAPS_VIDEOMEMORY");
    desc.ddsCaps.dwCaps |= DDSCAPS_VIDEOMEMORY;
  } else {
    ReportLine("--DDSCAPS_SYSTEMMEMORY");
    desc.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
  }

  HRESULT result = glpDD->CreateSurface(&desc, &glpDDSZBuffer, nullptr);
  if (FAILED(result)) {
    glpDDSZBuffer = nullptr;
    ReportLine("!!! Zbuffer CreateSurface Failed !!!");
    D3DCritical(result);
    return 1;
  }
  result = glpDDSBack->AddAttachedSurface(glpDDSZBuffer);
  if (FAILED(result)) {
    // No device comes of this call, so the z-buffer goes too.
    glpDDSZBuffer->Release();
    glpDDSZBuffer = nullptr;
    ReportLine("!!! ZBuffer AddAttachedSurface Failed !!!");
    D3DCritical(result);
    return 1;
  }
  return 0;
}
