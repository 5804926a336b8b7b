// Lights and the material: SET_LIGHT, GET_LIGHT, LIGHT_ENABLE, SET_MATERIALS.
// The host's records are copied in and out whole; the device keeps the state.
#include <d3d.h>

#include "d3d/d3d_state.h"
#include "korvane.h"

extern "C" int SET_MATERIALS(const D3DMATERIAL7 *material) {
  const char kFailed[] = " !!! SET_MATERIALS FAILED !!!";
  LPDIRECT3DDEVICE7 device = DeviceFor("SET_MATERIALS");
  if (device == nullptr) return 1;
  if (material == nullptr) return DeviceCallResult(kRefusedArgument, kFailed, false);
  D3DMATERIAL7 copy = *material;
  return DeviceCallResult(device->SetMaterial(&copy), kFailed, false);
}

extern "C" int SET_LIGHT(DWORD index, const D3DLIGHT7 *light) {
  const char kFailed[] = " !!! SET_LIGHT FAILED !!!";
  LPDIRECT3DDEVICE7 device = DeviceFor("SET_LIGHT");
  if (device == nullptr) return 1;
  if (light == nullptr) return DeviceCallResult(kRefusedArgument, kFailed, true);
  D3DLIGHT7 copy = *light;
  return DeviceCallResult(device->SetLight(index, &copy), kFailed, true);
}

extern "C" D3DLIGHT7 *GET_LIGHT(DWORD index, D3DLIGHT7 *light) {
  LPDIRECT3DDEVICE7 device = DeviceFor("GET_LIGHT");
  if (device == nullptr) return nullptr;
  D3DLIGHT7 copy{};
  const HRESULT result = light != nullptr ? device->GetLight(index, &copy) : kRefusedArgument;
  if (DeviceCallResult(result, " !!! GET_LIGHT FAILED !!!", true) != 0) return nullptr;
  *light = copy;
  return light;
}

extern "C" int LIGHT_ENABLE(DWORD index, int enable) {
  LPDIRECT3DDEVICE7 device = DeviceFor("LIGHT_ENABLE");
  if (device == nullptr) return 1;
  if (enable > 1) enable = 1;
  return DeviceCallResult(device->LightEnable(index, enable), " !!! LIGHT_ENABLE FAILED !!!", true);
}
