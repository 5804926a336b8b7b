// The device object: creation on a render target, reference counting,
// capabilities and texture formats, the render target, device validation,
// and the methods of vertex buffers and debug information, which this
// platform answers as a device without them does.
#include "d3d/device.h"

#include <cmath>

#include "com/query_interface.h"
#include "base/faults.h"
#include "d3d/hardware.h"
#include "d3d/state_block.h"
#include "ddraw/surface.h"

namespace platform::d3d {

namespace {

std::atomic<int> gLiveDevices{0};


DWORD TextureOpCap(DWORD op) { return op >= D3DTOP_DISABLE && op <= D3DTOP_DOTPRODUCT3 ? 1u << (op - 1) : 0; }

bool UsesTexture(DWORD op, DWORD arg1, DWORD arg2) {
  if (op == D3DTOP_DISABLE) return false;
  const bool first = op != D3DTOP_SELECTARG2 && (arg1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
  const bool second = op != D3DTOP_SELECTARG1 && (arg2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
  return first || second || op == D3DTOP_BLENDTEXTUREALPHA;
}

}  // namespace

HRESULT Device7::CheckTarget(Surface *target, const GUID &type) {
  if (!(target->caps() & DDSCAPS_3DDEVICE)) return DDERR_INVALIDCAPS;
  if (target->caps() & (DDSCAPS_ZBUFFER | DDSCAPS_TEXTURE)) return DDERR_INVALIDCAPS;
  const pixels::Format &format = target->format();
  // Direct3D 7 devices draw into RGB targets only; 8-bit palettised targets
  // are refused as the drivers of the time refused them.
  if (pixels::Indexed(format) || (format.bits != 16 && format.bits != 24 && format.bits != 32) ||
      format.red == 0 || format.green == 0 || format.blue == 0) {
    return DDERR_INVALIDPIXELFORMAT;
  }
  if (IsEqualGUID(type, IID_IDirect3DHALDevice) && !(target->caps() & DDSCAPS_VIDEOMEMORY)) {
    return D3DERR_SURFACENOTINVIDMEM;
  }
  if (target->lost()) return DDERR_SURFACELOST;
  return D3D_OK;
}

Device7::Device7(IDirect3D7 *direct3d, Surface *target, const GUID &type)
    : direct3d_(direct3d), target_(target), type_(type) {
  direct3d_->AddRef();
  target_->AddRef();
  SetDefaultStates(DepthSurface() != nullptr);
  ++gLiveDevices;
}

Device7::~Device7() {
  for (Surface *texture : textures_) {
    if (texture != nullptr) texture->Release();
  }
  stateBlocks_.clear();
  recording_.reset();
  target_->Release();
  direct3d_->Release();
  --gLiveDevices;
}

HRESULT Device7::QueryInterface(REFIID riid, void **object) {
  return AnswerQueryInterface<IDirect3DDevice7>(this, "IDirect3DDevice7::QueryInterface", riid,
                                                IID_IDirect3DDevice7, object);
}

ULONG Device7::AddRef() { return ++references_; }

ULONG Device7::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

Surface *Device7::DepthSurface() const { return target_->AttachedWith(DDSCAPS_ZBUFFER); }

HRESULT Device7::GetCaps(LPD3DDEVICEDESC7 desc) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::GetCaps", &fault)) return fault;
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  D3DDEVICEDESC7 described;
  // A type removed since creation (the HAL, by the machine interface) still
  // reports what it reported.
  if (!DescribeDevice(type_, &described)) {
    described = IsEqualGUID(type_, IID_IDirect3DHALDevice) ? Hardware3D().halCaps : Hardware3D().rgbCaps;
    described.deviceGUID = type_;
  }
  *desc = described;
  return D3D_OK;
}

HRESULT Device7::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::EnumTextureFormats", &fault)) return fault;
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  const std::vector<DDPIXELFORMAT> formats = Hardware3D().textureFormats;
  for (DDPIXELFORMAT format : formats) {
    if (callback(&format, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT Device7::GetDirect3D(LPDIRECT3D7 *direct3d) {
  HRESULT fault;
  if (direct3d != nullptr) *direct3d = nullptr;
  if (platform::TakeFault("IDirect3DDevice7::GetDirect3D", &fault)) return fault;
  if (direct3d == nullptr) return DDERR_INVALIDPARAMS;
  direct3d_->AddRef();
  *direct3d = direct3d_;
  return D3D_OK;
}

HRESULT Device7::SetRenderTarget(LPDIRECTDRAWSURFACE7 target, DWORD) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::SetRenderTarget", &fault)) return fault;
  Surface *surface = Surface::From(target);
  if (surface == nullptr) return DDERR_INVALIDPARAMS;
  const HRESULT usable = CheckTarget(surface, type_);
  if (FAILED(usable)) return usable;
  surface->AddRef();
  target_->Release();
  target_ = surface;
  // The viewport becomes the whole of the new target.
  FullViewport();
  return D3D_OK;
}

HRESULT Device7::GetRenderTarget(LPDIRECTDRAWSURFACE7 *target) {
  HRESULT fault;
  if (target != nullptr) *target = nullptr;
  if (platform::TakeFault("IDirect3DDevice7::GetRenderTarget", &fault)) return fault;
  if (target == nullptr) return DDERR_INVALIDPARAMS;
  target_->AddRef();
  *target = target_;
  return D3D_OK;
}

HRESULT Device7::ValidateDevice(LPDWORD passes) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::ValidateDevice", &fault)) return fault;
  if (passes == nullptr) return DDERR_INVALIDPARAMS;
  D3DDEVICEDESC7 caps;
  GetCaps(&caps);
  DWORD texturesUsed = 0;
  for (DWORD stage = 0; stage < kStages; ++stage) {
    const DWORD *values = state_.stage[stage];
    const DWORD colorOp = values[D3DTSS_COLOROP], alphaOp = values[D3DTSS_ALPHAOP];
    if (colorOp == D3DTOP_DISABLE) break;
    if (!(caps.dwTextureOpCaps & TextureOpCap(colorOp))) return D3DERR_UNSUPPORTEDCOLOROPERATION;
    if (!(caps.dwTextureOpCaps & TextureOpCap(alphaOp))) return D3DERR_UNSUPPORTEDALPHAOPERATION;
    if (UsesTexture(colorOp, values[D3DTSS_COLORARG1], values[D3DTSS_COLORARG2]) ||
        UsesTexture(alphaOp, values[D3DTSS_ALPHAARG1], values[D3DTSS_ALPHAARG2])) {
      ++texturesUsed;
    }
    if (stage >= caps.wMaxTextureBlendStages) return D3DERR_TOOMANYOPERATIONS;
  }
  if (texturesUsed > caps.wMaxSimultaneousTextures) return D3DERR_TOOMANYOPERATIONS;
  *passes = 1;
  return D3D_OK;
}

HRESULT Device7::GetInfo(DWORD, LPVOID info, DWORD size) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::GetInfo", &fault)) return fault;
  if (info == nullptr || size == 0) return DDERR_INVALIDPARAMS;
  // Statistics come only from the debug runtime; the retail one answers
  // S_FALSE.
  return S_FALSE;
}

HRESULT Device7::ComputeSphereVisibility(LPD3DVECTOR centres, LPD3DVALUE radii, DWORD sphereCount, DWORD flags,
                                         LPDWORD results) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::ComputeSphereVisibility", &fault)) return fault;
  if (centres == nullptr || radii == nullptr || results == nullptr || flags != 0) return DDERR_INVALIDPARAMS;
  // The six planes of the view volume in model space, from the columns of
  // world · view · projection; each normalised so that distances compare
  // with radii.
  const D3DMATRIX *t = state_.transforms;
  const float(*w)[4] = reinterpret_cast<const float(*)[4]>(&t[D3DTRANSFORMSTATE_WORLD]._11);
  const float(*v)[4] = reinterpret_cast<const float(*)[4]>(&t[D3DTRANSFORMSTATE_VIEW]._11);
  const float(*p)[4] = reinterpret_cast<const float(*)[4]>(&t[D3DTRANSFORMSTATE_PROJECTION]._11);
  float wv[4][4], all[4][4];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      wv[r][c] = w[r][0] * v[0][c] + w[r][1] * v[1][c] + w[r][2] * v[2][c] + w[r][3] * v[3][c];
    }
  }
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      all[r][c] = wv[r][0] * p[0][c] + wv[r][1] * p[1][c] + wv[r][2] * p[2][c] + wv[r][3] * p[3][c];
    }
  }
  const auto column = [&](int c, int i) { return all[i][c]; };
  float planes[6][4];
  for (int i = 0; i < 4; ++i) {
    planes[0][i] = column(3, i) + column(0, i);  // left:   w + x >= 0
    planes[1][i] = column(3, i) - column(0, i);  // right:  w - x >= 0
    planes[2][i] = column(3, i) - column(1, i);  // top:    w - y >= 0
    planes[3][i] = column(3, i) + column(1, i);  // bottom: w + y >= 0
    planes[4][i] = column(2, i);                 // near:   z >= 0
    planes[5][i] = column(3, i) - column(2, i);  // far:    w - z >= 0
  }
  for (auto &plane : planes) {
    const float length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    if (length > 0.0f) {
      for (float &value : plane) value /= length;
    }
  }
  // Bit pairs per plane, from bit 2 up: 1 intersecting, 2 outside.
  for (DWORD i = 0; i < sphereCount; ++i) {
    const D3DVECTOR &c = centres[i];
    DWORD result = 0;
    bool outside = false, intersecting = false;
    for (int k = 0; k < 6; ++k) {
      const float distance = planes[k][0] * c.x + planes[k][1] * c.y + planes[k][2] * c.z + planes[k][3];
      if (!(distance >= -radii[i])) {
        result |= 2u << (2 + 2 * k);
        outside = true;
      } else if (distance < radii[i]) {
        result |= 1u << (2 + 2 * k);
        intersecting = true;
      }
    }
    results[i] = result | (outside ? D3DVIS_OUTSIDE_FRUSTUM : intersecting ? D3DVIS_INTERSECT_FRUSTUM : 0);
  }
  return D3D_OK;
}

int LiveDevices() { return gLiveDevices.load(); }

}  // namespace platform::d3d
