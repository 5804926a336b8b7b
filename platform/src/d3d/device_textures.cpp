// Textures bound to the stages, the texture-stage states, and loading one
// texture into another (with its mipmap levels).
#include <algorithm>
#include <cstring>

#include "base/faults.h"
#include "d3d/device.h"
#include "d3d/state_block.h"
#include "ddraw/surface.h"

namespace platform::d3d {

namespace {


constexpr int kMostLevels = 12;

bool IsTexture(const Surface *surface) { return surface != nullptr && (surface->caps() & DDSCAPS_TEXTURE) != 0; }

// The next mipmap level below `level`, or null.
Surface *NextLevel(const Surface *level) { return level->AttachedWith(DDSCAPS_TEXTURE | DDSCAPS_MIPMAP); }

bool SameFormat(const pixels::Format &a, const pixels::Format &b) {
  return a.bits == b.bits && a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}

// Copies `area` of `source` to `at` in `destination`; false when either
// side is out of bounds.
bool CopyArea(Surface *destination, POINT at, Surface *source, RECT area) {
  if (area.left < 0 || area.top < 0 || area.left >= area.right || area.top >= area.bottom ||
      area.right > static_cast<LONG>(source->width()) || area.bottom > static_cast<LONG>(source->height())) {
    return false;
  }
  const LONG width = area.right - area.left, height = area.bottom - area.top;
  if (at.x < 0 || at.y < 0 || at.x + width > static_cast<LONG>(destination->width()) ||
      at.y + height > static_cast<LONG>(destination->height())) {
    return false;
  }
  const pixels::Block from = source->WholeBlock(), to = destination->WholeBlock();
  const size_t rowBytes = static_cast<size_t>(width) * from.bytes;
  for (LONG y = 0; y < height; ++y) {
    memcpy(to.bits + (at.y + y) * to.pitch + at.x * to.bytes,
           from.bits + (area.top + y) * from.pitch + area.left * from.bytes, rowBytes);
  }
  return true;
}

}  // namespace

void Device7::StoreStageState(DWORD stage, DWORD state, DWORD value) {
  DeviceState &values = recording_ ? recording_->values : state_;
  values.stage[stage][state] = value;
  if (recording_) recording_->stage[stage].set(state);
  // The combined address state sets both directions.
  if (state == D3DTSS_ADDRESS) {
    StoreStageState(stage, D3DTSS_ADDRESSU, value);
    StoreStageState(stage, D3DTSS_ADDRESSV, value);
  }
}

HRESULT Device7::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::SetTextureStageState", &fault)) return fault;
  const DWORD index = static_cast<DWORD>(state);
  if (stage >= kStages || index == 0 || index >= kStageStateCount) return DDERR_INVALIDPARAMS;
  StoreStageState(stage, index, value);
  return D3D_OK;
}

HRESULT Device7::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, LPDWORD value) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::GetTextureStageState", &fault)) return fault;
  const DWORD index = static_cast<DWORD>(state);
  if (value == nullptr || stage >= kStages || index == 0 || index >= kStageStateCount) return DDERR_INVALIDPARAMS;
  *value = state_.stage[stage][index];
  return D3D_OK;
}

HRESULT Device7::SetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 texture) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::SetTexture", &fault)) return fault;
  if (stage >= kStages) return DDERR_INVALIDPARAMS;
  Surface *surface = nullptr;
  if (texture != nullptr) {
    surface = Surface::From(texture);
    if (!IsTexture(surface)) return DDERR_INVALIDPARAMS;
  }
  if (recording_) {
    recording_->SetTexture(stage, surface);
    return D3D_OK;
  }
  if (surface != nullptr) surface->AddRef();
  if (textures_[stage] != nullptr) textures_[stage]->Release();
  textures_[stage] = surface;
  return D3D_OK;
}

HRESULT Device7::GetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 *texture) {
  HRESULT fault;
  if (texture != nullptr) *texture = nullptr;
  if (platform::TakeFault("IDirect3DDevice7::GetTexture", &fault)) return fault;
  if (texture == nullptr || stage >= kStages) return DDERR_INVALIDPARAMS;
  if (textures_[stage] != nullptr) {
    textures_[stage]->AddRef();
    *texture = textures_[stage];
  }
  return D3D_OK;
}

HRESULT Device7::PreLoad(LPDIRECTDRAWSURFACE7 texture) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::PreLoad", &fault)) return fault;
  // Textures are drawn from where they are: there is nothing to load ahead.
  return IsTexture(Surface::From(texture)) ? D3D_OK : DDERR_INVALIDPARAMS;
}

HRESULT Device7::Load(LPDIRECTDRAWSURFACE7 destination, LPPOINT destinationPoint, LPDIRECTDRAWSURFACE7 source,
                      LPRECT sourceRect, DWORD) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::Load", &fault)) return fault;
  Surface *to = Surface::From(destination);
  Surface *from = Surface::From(source);
  if (!IsTexture(to) || !IsTexture(from) || !SameFormat(to->format(), from->format())) return DDERR_INVALIDPARAMS;
  if (to->lost() || from->lost()) return DDERR_SURFACELOST;
  if (to->locked() || from->locked()) return DDERR_SURFACEBUSY;
  POINT at = destinationPoint != nullptr ? *destinationPoint : POINT{0, 0};
  RECT area = sourceRect != nullptr
                  ? *sourceRect
                  : RECT{0, 0, static_cast<LONG>(from->width()), static_cast<LONG>(from->height())};
  // The top level, then each pair of mipmap levels both chains have, with
  // the point and the rectangle halved at each step.
  if (!CopyArea(to, at, from, area)) return DDERR_INVALIDPARAMS;
  // At most the levels a 2048-pixel side has: attachments a host made may
  // form a cycle.
  int levels = 1;
  for (to = NextLevel(to), from = NextLevel(from); to != nullptr && from != nullptr && levels < kMostLevels;
       to = NextLevel(to), from = NextLevel(from), ++levels) {
    at = POINT{at.x / 2, at.y / 2};
    area = RECT{area.left / 2, area.top / 2, std::max(area.right / 2, area.left / 2 + 1),
                std::max(area.bottom / 2, area.top / 2 + 1)};
    if (!CopyArea(to, at, from, area)) break;
  }
  return D3D_OK;
}

}  // namespace platform::d3d
