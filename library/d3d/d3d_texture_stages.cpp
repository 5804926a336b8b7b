// Texture stages: SET_TEXTURE_STAGE_STATE, GET_TEXTURE_STAGE_STATE and
// SET_TEXTURE. The mip-map bias (a float) travels as its 32 bits; every other
// state's value is read back through the host's pointer.
#include <d3d.h>

#include "core/report.h"
#include "d3d/d3d_state.h"
#include "d3d/texture_registry.h"
#include "korvane.h"

extern "C" int SET_TEXTURE_STAGE_STATE(DWORD stage, DWORD state, DWORD value) {
  LPDIRECT3DDEVICE7 device = DeviceFor("SET_TEXTURE_STAGE_STATE");
  if (device == nullptr) return 1;
  const char *failureLine = state == D3DTSS_MIPMAPLODBIAS
                                ? " !!! SET_TEXTURE_STAGE_STATE D3DTSS_MIPMAPLODBIAS FAILED !!!"
                                : " !!! SET_TEXTURE_STAGE_STATE FAILED !!!";
  const HRESULT result =
      device->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(state), value);
  return DeviceCallResult(result, failureLine, true);
}

extern "C" DWORD_PTR GET_TEXTURE_STAGE_STATE(DWORD stage, DWORD state, DWORD_PTR value) {
  LPDIRECT3DDEVICE7 device = DeviceFor("GET_TEXTURE_STAGE_STATE");
  if (device == nullptr) return 0;
  const auto type = static_cast<D3DTEXTURESTAGESTATETYPE>(state);
  DWORD slot = 0;
  if (state == D3DTSS_MIPMAPLODBIAS) {
    const HRESULT result = device->GetTextureStageState(stage, type, &slot);
    if (DeviceCallResult(result, " !!! GET_TEXTURE_STAGE_STATE D3DTSS_MIPMAPLODBIAS FAILED !!!", true) != 0) {
      return 0;
    }
    return slot;
  }
  auto *hostValue = reinterpret_cast<DWORD *>(value);
  const HRESULT result = hostValue != nullptr ? device->GetTextureStageState(stage, type, &slot) : kRefusedArgument;
  if (DeviceCallResult(result, " !!! GET_TEXTURE_STAGE_STATE FAILED !!!", true) != 0) return 0;
  *hostValue = slot;
  return value;
}

extern "C" int SET_TEXTURE(DWORD stage, int id) {
  const TextureRecord *texture = FindTexture(id);
  if (texture == nullptr) {
    ReportLine(" !!! Texture id '%d' hasn't been assigned to a texture !!!", id);
    return 1;
  }
  LPDIRECT3DDEVICE7 device = DeviceFor("SET_TEXTURE");
  if (device == nullptr) return 1;
  return DeviceCallResult(device->SetTexture(stage, texture->lpDDSBack), " !!! SET_TEXTURE FAILED !!!", true);
}
