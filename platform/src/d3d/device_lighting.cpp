// The material and the lights: lights are kept by the host's index, any
// number of them; enabling an index never set makes the default light
// (white, directional, pointing along +z) there, as Direct3D 7 does.
#include <cfloat>
#include <cmath>

#include "base/faults.h"
#include "d3d/device.h"
#include "d3d/state_block.h"

namespace platform::d3d {

namespace {


bool Finite(float value) { return std::isfinite(value); }

bool FiniteColour(const D3DCOLORVALUE &colour) {
  return Finite(colour.r) && Finite(colour.g) && Finite(colour.b) && Finite(colour.a);
}

bool FiniteVector(const D3DVECTOR &vector) { return Finite(vector.x) && Finite(vector.y) && Finite(vector.z); }

// A light the pipeline can use: a known type, finite numbers and a range
// in 0 … sqrt(FLT_MAX).
bool ValidLight(const D3DLIGHT7 &light) {
  if (light.dltType != D3DLIGHT_POINT && light.dltType != D3DLIGHT_SPOT && light.dltType != D3DLIGHT_DIRECTIONAL) {
    return false;
  }
  const float numbers[] = {light.dvRange, light.dvFalloff, light.dvAttenuation0, light.dvAttenuation1,
                           light.dvAttenuation2, light.dvTheta, light.dvPhi};
  for (float number : numbers) {
    if (!Finite(number)) return false;
  }
  if (!FiniteColour(light.dcvDiffuse) || !FiniteColour(light.dcvSpecular) || !FiniteColour(light.dcvAmbient) ||
      !FiniteVector(light.dvPosition) || !FiniteVector(light.dvDirection)) {
    return false;
  }
  if (light.dvRange < 0.0f || light.dvRange > std::sqrt(FLT_MAX)) return false;
  return true;
}

D3DLIGHT7 DefaultLight() {
  D3DLIGHT7 light{};
  light.dltType = D3DLIGHT_DIRECTIONAL;
  light.dcvDiffuse.r = light.dcvDiffuse.g = light.dcvDiffuse.b = 1.0f;
  light.dvDirection.z = 1.0f;
  return light;
}

}  // namespace

HRESULT Device7::SetMaterial(LPD3DMATERIAL7 material) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::SetMaterial", &fault)) return fault;
  if (material == nullptr) return DDERR_INVALIDPARAMS;
  DeviceState &values = recording_ ? recording_->values : state_;
  values.material = *material;
  if (recording_) recording_->material = true;
  return D3D_OK;
}

HRESULT Device7::GetMaterial(LPD3DMATERIAL7 material) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::GetMaterial", &fault)) return fault;
  if (material == nullptr) return DDERR_INVALIDPARAMS;
  *material = state_.material;
  return D3D_OK;
}

HRESULT Device7::SetLight(DWORD index, LPD3DLIGHT7 light) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::SetLight", &fault)) return fault;
  if (light == nullptr || !ValidLight(*light)) return DDERR_INVALIDPARAMS;
  DeviceState &values = recording_ ? recording_->values : state_;
  auto slot = values.lights.find(index);
  if (slot == values.lights.end()) {
    // A new light starts disabled (or, while recording, as the device has it).
    auto current = state_.lights.find(index);
    const bool enabled = recording_ && current != state_.lights.end() && current->second.enabled;
    slot = values.lights.emplace(index, LightSlot{*light, enabled}).first;
  }
  slot->second.light = *light;
  if (recording_) recording_->lights.insert(index);
  return D3D_OK;
}

HRESULT Device7::GetLight(DWORD index, LPD3DLIGHT7 light) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::GetLight", &fault)) return fault;
  if (light == nullptr) return DDERR_INVALIDPARAMS;
  auto slot = state_.lights.find(index);
  if (slot == state_.lights.end()) return DDERR_INVALIDPARAMS;
  *light = slot->second.light;
  return D3D_OK;
}

HRESULT Device7::LightEnable(DWORD index, BOOL enable) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::LightEnable", &fault)) return fault;
  DeviceState &values = recording_ ? recording_->values : state_;
  auto slot = values.lights.find(index);
  if (slot == values.lights.end()) {
    auto current = state_.lights.find(index);
    const D3DLIGHT7 light = current != state_.lights.end() ? current->second.light : DefaultLight();
    slot = values.lights.emplace(index, LightSlot{light, false}).first;
  }
  slot->second.enabled = enable != FALSE;
  if (recording_) recording_->lights.insert(index);
  return D3D_OK;
}

HRESULT Device7::GetLightEnable(DWORD index, BOOL *enabled) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::GetLightEnable", &fault)) return fault;
  if (enabled == nullptr) return DDERR_INVALIDPARAMS;
  auto slot = state_.lights.find(index);
  if (slot == state_.lights.end()) return DDERR_INVALIDPARAMS;
  *enabled = slot->second.enabled ? TRUE : FALSE;
  return D3D_OK;
}

}  // namespace platform::d3d
