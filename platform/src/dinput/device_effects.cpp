// Force-feedback effects and device output, which the simulated devices do
// not offer: the methods answer as DirectInput does for such a device. The
// auto-centre spring is a property (device_properties.cpp).
#include "dinput/input_device.h"

namespace platform::dinput {

namespace {

HRESULT Unsupported(const char *method) {
  HRESULT fault;
  if (DeviceFault(method, &fault)) return fault;
  return DIERR_UNSUPPORTED;
}

}  // namespace

HRESULT InputDevice::CreateEffect(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT *created, LPUNKNOWN) {
  if (created != nullptr) *created = nullptr;
  return Unsupported("CreateEffect");
}

HRESULT InputDevice::EnumEffects(LPDIENUMEFFECTSCALLBACKA callback, LPVOID, DWORD) {
  HRESULT fault;
  if (DeviceFault("EnumEffects", &fault)) return fault;
  // No effect to list.
  return callback == nullptr ? DIERR_INVALIDPARAM : DI_OK;
}

HRESULT InputDevice::GetEffectInfo(LPDIEFFECTINFOA, REFGUID) { return Unsupported("GetEffectInfo"); }
HRESULT InputDevice::GetForceFeedbackState(LPDWORD) { return Unsupported("GetForceFeedbackState"); }
HRESULT InputDevice::SendForceFeedbackCommand(DWORD) { return Unsupported("SendForceFeedbackCommand"); }
HRESULT InputDevice::EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD) {
  return Unsupported("EnumCreatedEffectObjects");
}
HRESULT InputDevice::Escape(LPDIEFFESCAPE) { return Unsupported("Escape"); }
HRESULT InputDevice::SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) {
  return Unsupported("SendDeviceData");
}
HRESULT InputDevice::EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) {
  return Unsupported("EnumEffectsInFile");
}
HRESULT InputDevice::WriteEffectToFile(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) {
  return Unsupported("WriteEffectToFile");
}

}  // namespace platform::dinput
