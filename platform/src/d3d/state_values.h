// The values a Direct3D device holds and a state block captures: render,
// texture-stage and transform states, the viewport, the material, the
// lights and the user clip planes.
#pragma once

#include <windows.h>
#include <d3d.h>

#include <map>

namespace platform::d3d {

constexpr DWORD kRenderStateCount = 256;
constexpr DWORD kStages = 8;
constexpr DWORD kStageStateCount = D3DTSS_TEXTURETRANSFORMFLAGS + 1;
constexpr DWORD kTransformCount = D3DTRANSFORMSTATE_TEXTURE7 + 1;
constexpr DWORD kClipPlanes = D3DMAXUSERCLIPPLANES;

struct LightSlot {
  D3DLIGHT7 light;
  bool enabled;
};

// Everything a state block can hold.
struct DeviceState {
  DWORD render[kRenderStateCount];
  DWORD stage[kStages][kStageStateCount];
  D3DMATRIX transforms[kTransformCount];
  D3DVIEWPORT7 viewport;
  D3DMATERIAL7 material;
  std::map<DWORD, LightSlot> lights;
  float clipPlanes[kClipPlanes][4];
};

}  // namespace platform::d3d
