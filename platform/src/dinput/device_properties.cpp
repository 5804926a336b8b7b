// Device properties: the event buffer's size, each axis's range, dead zone
// and saturation, and the force-feedback gain and auto-centre spring.
#include "dinput/input_device.h"

#include "dinput/rumble_output.h"

namespace platform::dinput {

namespace {

// Property identifiers are small integers passed as GUID references: the
// address is the identifier and is never read through.
enum : uintptr_t {
  kBufferSize = 1,
  kRange = 4,
  kDeadZone = 5,
  kSaturation = 6,
  kForceFeedbackGain = 7,
  kAutoCenter = 9,
};

bool IsDwordProperty(uintptr_t property) { return property != kRange; }

DWORD PropertySize(uintptr_t property) {
  return IsDwordProperty(property) ? sizeof(DIPROPDWORD) : sizeof(DIPROPRANGE);
}

bool HeaderFits(LPCDIPROPHEADER header, uintptr_t property) {
  return header != nullptr && header->dwHeaderSize == sizeof(DIPROPHEADER) &&
         header->dwSize == PropertySize(property);
}

bool AddressesDevice(LPCDIPROPHEADER header) { return header->dwHow == DIPH_DEVICE && header->dwObj == 0; }

// The checks SetProperty and GetProperty share: the pending fault, a
// property this DirectInput knows, and a header of the property's size.
HRESULT CheckProperty(const char *method, REFGUID property, LPCDIPROPHEADER header, uintptr_t *id) {
  HRESULT fault;
  if (DeviceFault(method, &fault)) return fault;
  *id = reinterpret_cast<uintptr_t>(&property);
  if (*id != kBufferSize && *id != kRange && *id != kDeadZone && *id != kSaturation && *id != kForceFeedbackGain &&
      *id != kAutoCenter) {
    return DIERR_UNSUPPORTED;
  }
  return HeaderFits(header, *id) ? DI_OK : DIERR_INVALIDPARAM;
}

}  // namespace

// The axes a header addresses: all of them for DIPH_DEVICE, else the one
// object, which must be an axis or slider of this joystick.
HRESULT InputDevice::AxesAddressed(LPCDIPROPHEADER header, std::vector<int> *axes) const {
  if (kind_ != DeviceKind::kJoystick) return DIERR_UNSUPPORTED;
  if (header->dwHow == DIPH_DEVICE) {
    if (header->dwObj != 0) return DIERR_INVALIDPARAM;
    for (int axis = 0; axis < kAxisCount; ++axis) axes->push_back(axis);
    return DI_OK;
  }
  DeviceObject object;
  HRESULT found = FindObject(header->dwObj, header->dwHow, &object);
  if (FAILED(found)) return found;
  if (object.axis < 0) return DIERR_UNSUPPORTED;
  axes->push_back(object.axis);
  return DI_OK;
}

HRESULT InputDevice::SetAxisProperty(uintptr_t property, LPCDIPROPHEADER header) {
  std::vector<int> axes;
  HRESULT addressed = AxesAddressed(header, &axes);
  if (FAILED(addressed)) return addressed;
  if (property == kRange) {
    auto range = reinterpret_cast<LPCDIPROPRANGE>(header);
    if (range->lMin >= range->lMax) return DIERR_INVALIDPARAM;
    for (int axis : axes) {
      axes_[axis].minimum = range->lMin;
      axes_[axis].maximum = range->lMax;
    }
    return DI_OK;
  }
  DWORD value = reinterpret_cast<LPCDIPROPDWORD>(header)->dwData;
  if (value > kAxisUnits) return DIERR_INVALIDPARAM;
  for (int axis : axes) (property == kDeadZone ? axes_[axis].deadZone : axes_[axis].saturation) = value;
  return DI_OK;
}

HRESULT InputDevice::GetAxisProperty(uintptr_t property, LPDIPROPHEADER header) const {
  if (header->dwHow == DIPH_DEVICE) return DIERR_INVALIDPARAM;
  std::vector<int> axes;
  HRESULT addressed = AxesAddressed(header, &axes);
  if (FAILED(addressed)) return addressed;
  const AxisSettings &settings = axes_[axes.front()];
  if (property == kRange) {
    auto range = reinterpret_cast<LPDIPROPRANGE>(header);
    range->lMin = settings.minimum;
    range->lMax = settings.maximum;
  } else {
    reinterpret_cast<LPDIPROPDWORD>(header)->dwData = property == kDeadZone ? settings.deadZone : settings.saturation;
  }
  return DI_OK;
}

HRESULT InputDevice::SetProperty(REFGUID property, LPCDIPROPHEADER header) {
  uintptr_t id;
  HRESULT checked = CheckProperty("SetProperty", property, header, &id);
  if (checked != DI_OK) return checked;
  std::lock_guard<std::mutex> hold(InputLock());
  DWORD value = IsDwordProperty(id) ? reinterpret_cast<LPCDIPROPDWORD>(header)->dwData : 0;
  switch (id) {
    case kBufferSize:
      if (!AddressesDevice(header)) return DIERR_INVALIDPARAM;
      if (acquired_) return DIERR_ACQUIRED;
      bufferSize_ = value;
      if (buffer_.size() > bufferSize_) buffer_.resize(bufferSize_);
      return DI_OK;
    case kAutoCenter: {
      if (!AddressesDevice(header)) return DIERR_INVALIDPARAM;
      Joystick *joystick = kind_ == DeviceKind::kJoystick ? MyJoystick() : nullptr;
      if (joystick == nullptr || !joystick->model.force_feedback) return DIERR_UNSUPPORTED;
      if (value != DIPROPAUTOCENTER_OFF && value != DIPROPAUTOCENTER_ON) return DIERR_INVALIDPARAM;
      joystick->autocenter = value == DIPROPAUTOCENTER_ON;
      return DI_OK;
    }
    case kForceFeedbackGain:
      // Takes effect at once, also on effects playing.
      if (!AddressesDevice(header)) return DIERR_INVALIDPARAM;
      if (!HasForceFeedback()) return DIERR_UNSUPPORTED;
      if (value > DI_FFNOMINALMAX) return DIERR_INVALIDPARAM;
      effectGain_ = value;
      RumbleChanged();
      return DI_OK;
    default:
      return SetAxisProperty(id, header);
  }
}

HRESULT InputDevice::GetProperty(REFGUID property, LPDIPROPHEADER header) {
  uintptr_t id;
  HRESULT checked = CheckProperty("GetProperty", property, header, &id);
  if (checked != DI_OK) return checked;
  std::lock_guard<std::mutex> hold(InputLock());
  auto dword = reinterpret_cast<LPDIPROPDWORD>(header);
  switch (id) {
    case kBufferSize:
      if (!AddressesDevice(header)) return DIERR_INVALIDPARAM;
      dword->dwData = bufferSize_;
      return DI_OK;
    case kAutoCenter: {
      if (!AddressesDevice(header)) return DIERR_INVALIDPARAM;
      const Joystick *joystick = kind_ == DeviceKind::kJoystick ? MyJoystick() : nullptr;
      if (joystick == nullptr || !joystick->model.force_feedback) return DIERR_UNSUPPORTED;
      dword->dwData = joystick->autocenter ? DIPROPAUTOCENTER_ON : DIPROPAUTOCENTER_OFF;
      return DI_OK;
    }
    case kForceFeedbackGain:
      if (!AddressesDevice(header)) return DIERR_INVALIDPARAM;
      if (!HasForceFeedback()) return DIERR_UNSUPPORTED;
      dword->dwData = effectGain_;
      return DI_OK;
    default:
      return GetAxisProperty(id, header);
  }
}

}  // namespace platform::dinput
