// Render states, transforms, the viewport, the clip status and user clip
// planes: checked, stored (or recorded into the state block being built),
// and read back. The defaults are those Direct3D 7 documents for a new
// device.
#include <cmath>
#include <cstring>

#include "base/faults.h"
#include "d3d/device.h"
#include "d3d/state_block.h"
#include "ddraw/surface.h"

namespace platform::d3d {

namespace {


DWORD FloatBits(float value) {
  DWORD bits;
  memcpy(&bits, &value, sizeof bits);
  return bits;
}

D3DMATRIX Identity() {
  D3DMATRIX matrix{};
  matrix._11 = matrix._22 = matrix._33 = matrix._44 = 1.0f;
  return matrix;
}

// Transform states that exist: world, view, projection, the extra world
// matrices of vertex blending, and one texture matrix per stage.
bool KnownTransform(DWORD state) {
  return (state >= D3DTRANSFORMSTATE_WORLD && state <= D3DTRANSFORMSTATE_WORLD3) ||
         (state >= D3DTRANSFORMSTATE_TEXTURE0 && state <= D3DTRANSFORMSTATE_TEXTURE7);
}

D3DMATRIX Multiply(const D3DMATRIX &a, const D3DMATRIX &b) {
  const float(*left)[4] = reinterpret_cast<const float(*)[4]>(&a._11);
  const float(*right)[4] = reinterpret_cast<const float(*)[4]>(&b._11);
  D3DMATRIX product{};
  float(*out)[4] = reinterpret_cast<float(*)[4]>(&product._11);
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += left[row][k] * right[k][column];
      out[row][column] = sum;
    }
  }
  return product;
}

// The texture-filter render state of earlier versions as stage filters.
void FiltersOf(DWORD filter, DWORD *minOrMag, DWORD *mip) {
  switch (filter) {
    case D3DFILTER_LINEAR: *minOrMag = D3DTFN_LINEAR, *mip = D3DTFP_NONE; break;
    case D3DFILTER_MIPNEAREST: *minOrMag = D3DTFN_POINT, *mip = D3DTFP_POINT; break;
    case D3DFILTER_MIPLINEAR: *minOrMag = D3DTFN_LINEAR, *mip = D3DTFP_POINT; break;
    case D3DFILTER_LINEARMIPNEAREST: *minOrMag = D3DTFN_POINT, *mip = D3DTFP_LINEAR; break;
    case D3DFILTER_LINEARMIPLINEAR: *minOrMag = D3DTFN_LINEAR, *mip = D3DTFP_LINEAR; break;
    default: *minOrMag = D3DTFN_POINT, *mip = D3DTFP_NONE; break;
  }
}

}  // namespace

void Device7::SetDefaultStates(bool hasDepthBuffer) {
  DWORD *render = state_.render;
  memset(render, 0, sizeof state_.render);
  render[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
  render[D3DRENDERSTATE_TEXTUREADDRESS] = D3DTADDRESS_WRAP;
  render[D3DRENDERSTATE_TEXTUREADDRESSU] = D3DTADDRESS_WRAP;
  render[D3DRENDERSTATE_TEXTUREADDRESSV] = D3DTADDRESS_WRAP;
  render[D3DRENDERSTATE_ZENABLE] = hasDepthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
  render[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
  render[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
  render[D3DRENDERSTATE_ROP2] = 13;  // R2_COPYPEN
  render[D3DRENDERSTATE_PLANEMASK] = 0xFFFFFFFF;
  render[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
  render[D3DRENDERSTATE_LASTPIXEL] = TRUE;
  render[D3DRENDERSTATE_TEXTUREMAG] = D3DFILTER_NEAREST;
  render[D3DRENDERSTATE_TEXTUREMIN] = D3DFILTER_NEAREST;
  render[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
  render[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
  render[D3DRENDERSTATE_TEXTUREMAPBLEND] = D3DTBLEND_MODULATE;
  render[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
  render[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
  render[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
  render[D3DRENDERSTATE_FOGTABLEMODE] = D3DFOG_NONE;
  render[D3DRENDERSTATE_FOGSTART] = FloatBits(0.0f);
  render[D3DRENDERSTATE_FOGEND] = FloatBits(1.0f);
  render[D3DRENDERSTATE_FOGDENSITY] = FloatBits(1.0f);
  render[D3DRENDERSTATE_STENCILFAIL] = D3DSTENCILOP_KEEP;
  render[D3DRENDERSTATE_STENCILZFAIL] = D3DSTENCILOP_KEEP;
  render[D3DRENDERSTATE_STENCILPASS] = D3DSTENCILOP_KEEP;
  render[D3DRENDERSTATE_STENCILFUNC] = D3DCMP_ALWAYS;
  render[D3DRENDERSTATE_STENCILMASK] = 0xFFFFFFFF;
  render[D3DRENDERSTATE_STENCILWRITEMASK] = 0xFFFFFFFF;
  render[D3DRENDERSTATE_TEXTUREFACTOR] = 0xFFFFFFFF;
  render[D3DRENDERSTATE_CLIPPING] = TRUE;
  render[D3DRENDERSTATE_LIGHTING] = TRUE;
  render[D3DRENDERSTATE_FOGVERTEXMODE] = D3DFOG_NONE;
  render[D3DRENDERSTATE_COLORVERTEX] = TRUE;
  render[D3DRENDERSTATE_LOCALVIEWER] = TRUE;
  render[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  render[D3DRENDERSTATE_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  render[D3DRENDERSTATE_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  render[D3DRENDERSTATE_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;

  for (DWORD stage = 0; stage < kStages; ++stage) {
    DWORD *states = state_.stage[stage];
    memset(states, 0, sizeof state_.stage[stage]);
    states[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    states[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    states[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    states[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    states[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    states[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    states[D3DTSS_TEXCOORDINDEX] = stage;
    states[D3DTSS_ADDRESS] = D3DTADDRESS_WRAP;
    states[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
    states[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    states[D3DTSS_MAGFILTER] = D3DTFG_POINT;
    states[D3DTSS_MINFILTER] = D3DTFN_POINT;
    states[D3DTSS_MIPFILTER] = D3DTFP_NONE;
    states[D3DTSS_MAXANISOTROPY] = 1;
  }
  for (D3DMATRIX &matrix : state_.transforms) matrix = Identity();
  state_.material = D3DMATERIAL7{};
  state_.lights.clear();
  memset(state_.clipPlanes, 0, sizeof state_.clipPlanes);
  FullViewport();
}

void Device7::FullViewport() {
  state_.viewport = D3DVIEWPORT7{0, 0, target_->width(), target_->height(), 0.0f, 1.0f};
}

void Device7::StoreRenderState(DWORD state, DWORD value) {
  DeviceState &values = recording_ ? recording_->values : state_;
  values.render[state] = value;
  if (recording_) recording_->render.set(state);
  // States of earlier versions that stand for stage 0's texture states.
  DWORD filter, mip;
  switch (state) {
    case D3DRENDERSTATE_TEXTUREADDRESS:
      StoreStageState(0, D3DTSS_ADDRESSU, value);
      StoreStageState(0, D3DTSS_ADDRESSV, value);
      break;
    case D3DRENDERSTATE_TEXTUREADDRESSU: StoreStageState(0, D3DTSS_ADDRESSU, value); break;
    case D3DRENDERSTATE_TEXTUREADDRESSV: StoreStageState(0, D3DTSS_ADDRESSV, value); break;
    case D3DRENDERSTATE_BORDERCOLOR: StoreStageState(0, D3DTSS_BORDERCOLOR, value); break;
    case D3DRENDERSTATE_MIPMAPLODBIAS: StoreStageState(0, D3DTSS_MIPMAPLODBIAS, value); break;
    case D3DRENDERSTATE_TEXTUREMAG:
      FiltersOf(value, &filter, &mip);
      StoreStageState(0, D3DTSS_MAGFILTER, filter);
      break;
    case D3DRENDERSTATE_TEXTUREMIN:
      FiltersOf(value, &filter, &mip);
      StoreStageState(0, D3DTSS_MINFILTER, filter);
      StoreStageState(0, D3DTSS_MIPFILTER, mip);
      break;
    default: break;
  }
}

HRESULT Device7::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::SetRenderState", &fault)) return fault;
  const DWORD index = static_cast<DWORD>(state);
  if (index == 0 || index >= kRenderStateCount) return DDERR_INVALIDPARAMS;
  StoreRenderState(index, value);
  return D3D_OK;
}

HRESULT Device7::GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::GetRenderState", &fault)) return fault;
  const DWORD index = static_cast<DWORD>(state);
  if (value == nullptr || index == 0 || index >= kRenderStateCount) return DDERR_INVALIDPARAMS;
  *value = state_.render[index];
  return D3D_OK;
}

HRESULT Device7::SetTransform(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::SetTransform", &fault)) return fault;
  if (matrix == nullptr || !KnownTransform(state)) return DDERR_INVALIDPARAMS;
  DeviceState &values = recording_ ? recording_->values : state_;
  values.transforms[state] = *matrix;
  if (recording_) recording_->transforms.set(state);
  return D3D_OK;
}

HRESULT Device7::GetTransform(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::GetTransform", &fault)) return fault;
  if (matrix == nullptr || !KnownTransform(state)) return DDERR_INVALIDPARAMS;
  *matrix = state_.transforms[state];
  return D3D_OK;
}

HRESULT Device7::MultiplyTransform(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::MultiplyTransform", &fault)) return fault;
  if (matrix == nullptr || !KnownTransform(state)) return DDERR_INVALIDPARAMS;
  // The given matrix is applied first: M' = matrix · M.
  DeviceState &values = recording_ ? recording_->values : state_;
  values.transforms[state] = Multiply(*matrix, state_.transforms[state]);
  if (recording_) recording_->transforms.set(state);
  return D3D_OK;
}

HRESULT Device7::SetViewport(LPD3DVIEWPORT7 viewport) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::SetViewport", &fault)) return fault;
  if (viewport == nullptr) return DDERR_INVALIDPARAMS;
  // Inside the render target, not empty, with a depth range in 0 … 1.
  const uint64_t right = static_cast<uint64_t>(viewport->dwX) + viewport->dwWidth;
  const uint64_t bottom = static_cast<uint64_t>(viewport->dwY) + viewport->dwHeight;
  if (viewport->dwWidth == 0 || viewport->dwHeight == 0 || right > target_->width() ||
      bottom > target_->height()) {
    return DDERR_INVALIDPARAMS;
  }
  const float minZ = viewport->dvMinZ, maxZ = viewport->dvMaxZ;
  if (!(minZ >= 0.0f && minZ <= 1.0f && maxZ >= 0.0f && maxZ <= 1.0f)) return DDERR_INVALIDPARAMS;
  DeviceState &values = recording_ ? recording_->values : state_;
  values.viewport = *viewport;
  if (recording_) recording_->viewport = true;
  return D3D_OK;
}

HRESULT Device7::GetViewport(LPD3DVIEWPORT7 viewport) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::GetViewport", &fault)) return fault;
  if (viewport == nullptr) return DDERR_INVALIDPARAMS;
  *viewport = state_.viewport;
  return D3D_OK;
}

HRESULT Device7::SetClipStatus(LPD3DCLIPSTATUS status) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::SetClipStatus", &fault)) return fault;
  if (status == nullptr) return DDERR_INVALIDPARAMS;
  clipStatus_ = *status;
  return D3D_OK;
}

HRESULT Device7::GetClipStatus(LPD3DCLIPSTATUS status) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::GetClipStatus", &fault)) return fault;
  if (status == nullptr) return DDERR_INVALIDPARAMS;
  *status = clipStatus_;
  return D3D_OK;
}

HRESULT Device7::SetClipPlane(DWORD index, LPD3DVALUE plane) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::SetClipPlane", &fault)) return fault;
  if (plane == nullptr || index >= kClipPlanes) return DDERR_INVALIDPARAMS;
  DeviceState &values = recording_ ? recording_->values : state_;
  memcpy(values.clipPlanes[index], plane, sizeof values.clipPlanes[index]);
  if (recording_) recording_->clipPlanes.set(index);
  return D3D_OK;
}

HRESULT Device7::GetClipPlane(DWORD index, LPD3DVALUE plane) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::GetClipPlane", &fault)) return fault;
  if (plane == nullptr || index >= kClipPlanes) return DDERR_INVALIDPARAMS;
  memcpy(plane, state_.clipPlanes[index], sizeof state_.clipPlanes[index]);
  return D3D_OK;
}

}  // namespace platform::d3d
