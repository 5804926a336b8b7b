// What a device tells about itself: its objects under the current data
// format, its capabilities and instance record, and the control panel.
#include "dinput/input_device.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace platform::dinput {

namespace {

struct ObjectBuilder {
  std::vector<DeviceObject> objects;
  void Add(const GUID &type, DWORD offset, DWORD typeBits, WORD instance, DWORD flags, const char *name,
           int axis = -1) {
    DeviceObject object = {};
    object.info.dwSize = sizeof(DIDEVICEOBJECTINSTANCEA);
    object.info.guidType = type;
    object.info.dwOfs = offset;
    object.info.dwType = typeBits | DIDFT_MAKEINSTANCE(instance);
    object.info.dwFlags = flags;
    snprintf(object.info.tszName, sizeof object.info.tszName, "%s", name);
    object.axis = axis;
    objects.push_back(object);
  }
};

void AddButtons(ObjectBuilder &builder, DWORD firstOffset, int count) {
  for (int button = 0; button < count; ++button) {
    char name[32];
    snprintf(name, sizeof name, "Button %d", button);
    builder.Add(GUID_Button, firstOffset + button, DIDFT_PSHBUTTON, static_cast<WORD>(button), 0, name);
  }
}

void AddJoystickObjects(ObjectBuilder &builder, const Joystick &joystick, int formatButtons) {
  static const GUID *const kAxisGuids[] = {&GUID_XAxis, &GUID_YAxis, &GUID_ZAxis,
                                           &GUID_RxAxis, &GUID_RyAxis, &GUID_RzAxis};
  static const char *const kAxisNames[] = {"X Axis", "Y Axis", "Z Axis", "X Rotation", "Y Rotation", "Z Rotation"};
  WORD instance = 0;
  for (int axis = 0; axis < kJoystickAxes; ++axis) {
    if (!(joystick.model.axes & (1u << axis))) continue;
    // Force-feedback sticks drive their X and Y axes.
    bool actuator = joystick.model.force_feedback && axis <= kAxisY;
    builder.Add(*kAxisGuids[axis], DIJOFS_X + 4 * axis, DIDFT_ABSAXIS | (actuator ? DIDFT_FFACTUATOR : 0),
                instance++, DIDOI_ASPECTPOSITION | (actuator ? DIDOI_FFACTUATOR : 0), kAxisNames[axis], axis);
  }
  for (int slider = 0; slider < joystick.model.sliders; ++slider) {
    builder.Add(GUID_Slider, DIJOFS_SLIDER(slider), DIDFT_ABSAXIS, instance++, DIDOI_ASPECTPOSITION, "Slider",
                kJoystickAxes + slider);
  }
  for (int pov = 0; pov < joystick.model.povs; ++pov) {
    char name[32];
    snprintf(name, sizeof name, "POV %d", pov);
    builder.Add(GUID_POV, DIJOFS_POV(pov), DIDFT_POV, static_cast<WORD>(pov), 0, name);
  }
  AddButtons(builder, DIJOFS_BUTTON(0), std::min(joystick.model.buttons, formatButtons));
}

}  // namespace

std::vector<DeviceObject> InputDevice::Objects() const {
  ObjectBuilder builder;
  switch (format_) {
    case FormatKind::kNone:
      break;
    case FormatKind::kKeyboard:
      for (int key = 1; key < 256; ++key) {
        char name[32];
        snprintf(name, sizeof name, "Key 0x%02X", key);
        builder.Add(GUID_Key, static_cast<DWORD>(key), DIDFT_PSHBUTTON, static_cast<WORD>(key), 0, name);
      }
      break;
    case FormatKind::kMouse:
    case FormatKind::kMouse2:
      builder.Add(GUID_XAxis, DIMOFS_X, DIDFT_RELAXIS, 0, DIDOI_ASPECTPOSITION, "X Axis", 0);
      builder.Add(GUID_YAxis, DIMOFS_Y, DIDFT_RELAXIS, 1, DIDOI_ASPECTPOSITION, "Y Axis", 1);
      builder.Add(GUID_ZAxis, DIMOFS_Z, DIDFT_RELAXIS, 2, DIDOI_ASPECTPOSITION, "Wheel", 2);
      AddButtons(builder, DIMOFS_BUTTON0, std::min(kMouseButtons, format_ == FormatKind::kMouse ? 4 : 8));
      break;
    case FormatKind::kJoystick:
    case FormatKind::kJoystick2:
      if (const Joystick *joystick = MyJoystick()) {
        AddJoystickObjects(builder, *joystick, format_ == FormatKind::kJoystick ? 32 : 128);
      }
      break;
  }
  return builder.objects;
}

// An object by data-format offset or by identifier (type and instance).
HRESULT InputDevice::FindObject(DWORD object, DWORD how, DeviceObject *found) const {
  if (how != DIPH_BYOFFSET && how != DIPH_BYID) return DIERR_INVALIDPARAM;
  const DWORD kIdBits = 0x00FFFFFF;
  for (const DeviceObject &candidate : Objects()) {
    bool match = how == DIPH_BYOFFSET ? candidate.info.dwOfs == object
                                      : (candidate.info.dwType & kIdBits) == (object & kIdBits);
    if (match) {
      *found = candidate;
      return DI_OK;
    }
  }
  return DIERR_OBJECTNOTFOUND;
}

HRESULT InputDevice::GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA info, DWORD object, DWORD how) {
  HRESULT fault;
  if (DeviceFault("GetObjectInfo", &fault)) return fault;
  if (info == nullptr) return DIERR_INVALIDPARAM;
  DWORD size = info->dwSize;
  if (size != sizeof(DIDEVICEOBJECTINSTANCEA) && size != sizeof(DIDEVICEOBJECTINSTANCE_DX3A)) {
    return DIERR_INVALIDPARAM;
  }
  std::lock_guard<std::mutex> hold(InputLock());
  DeviceObject found;
  HRESULT result = FindObject(object, how, &found);
  if (FAILED(result)) return result;
  std::memcpy(info, &found.info, size);
  info->dwSize = size;
  return DI_OK;
}

HRESULT InputDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID context, DWORD flags) {
  HRESULT fault;
  if (DeviceFault("EnumObjects", &fault)) return fault;
  if (callback == nullptr) return DIERR_INVALIDPARAM;
  std::vector<DeviceObject> objects;
  {
    std::lock_guard<std::mutex> hold(InputLock());
    objects = Objects();
  }
  // The callback may call the device again: it runs without the lock.
  DWORD types = flags & 0xFF;
  for (const DeviceObject &object : objects) {
    if (types != DIDFT_ALL && !(object.info.dwType & types)) continue;
    if (callback(&object.info, context) == DIENUM_STOP) break;
  }
  return DI_OK;
}

DIDEVICEINSTANCEA DescribeDevice(DeviceKind kind, const Joystick *joystick) {
  DIDEVICEINSTANCEA instance = {};
  instance.dwSize = sizeof instance;
  const char *name = "";
  switch (kind) {
    case DeviceKind::kKeyboard:
      instance.guidInstance = instance.guidProduct = GUID_SysKeyboard;
      instance.dwDevType = DIDEVTYPE_KEYBOARD | (DIDEVTYPEKEYBOARD_PCENH << 8);
      name = "Keyboard";
      break;
    case DeviceKind::kMouse:
      instance.guidInstance = instance.guidProduct = GUID_SysMouse;
      instance.dwDevType = DIDEVTYPE_MOUSE | (DIDEVTYPEMOUSE_TRADITIONAL << 8);
      name = "Mouse";
      break;
    case DeviceKind::kJoystick:
      instance.guidInstance = JoystickInstanceGuid(joystick != nullptr ? joystick->id : 0);
      instance.guidProduct = GUID_Joystick;
      instance.dwDevType = DIDEVTYPE_JOYSTICK | (DIDEVTYPEJOYSTICK_TRADITIONAL << 8);
      name = joystick != nullptr ? joystick->model.name.c_str() : "Joystick";
      break;
  }
  snprintf(instance.tszInstanceName, sizeof instance.tszInstanceName, "%s", name);
  snprintf(instance.tszProductName, sizeof instance.tszProductName, "%s", name);
  return instance;
}

HRESULT InputDevice::GetDeviceInfo(LPDIDEVICEINSTANCEA info) {
  HRESULT fault;
  if (DeviceFault("GetDeviceInfo", &fault)) return fault;
  if (info == nullptr) return DIERR_INVALIDPARAM;
  DWORD size = info->dwSize;
  if (size != sizeof(DIDEVICEINSTANCEA) && size != sizeof(DIDEVICEINSTANCE_DX3A)) return DIERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(InputLock());
  const Joystick *joystick = MyJoystick();
  DIDEVICEINSTANCEA described = DescribeDevice(kind_, joystick);
  if (kind_ == DeviceKind::kJoystick) described.guidInstance = JoystickInstanceGuid(joystickId_);
  std::memcpy(info, &described, size);
  info->dwSize = size;
  return DI_OK;
}

DIDEVCAPS InputDevice::Capabilities() const {
  DIDEVCAPS caps = {};
  caps.dwSize = sizeof caps;
  caps.dwDevType = DescribeDevice(kind_, nullptr).dwDevType;
  caps.dwFlags = unplugged_ ? 0 : DIDC_ATTACHED;
  switch (kind_) {
    case DeviceKind::kKeyboard:
      caps.dwButtons = 255;
      break;
    case DeviceKind::kMouse:
      caps.dwAxes = 3;
      caps.dwButtons = kMouseButtons;
      break;
    case DeviceKind::kJoystick:
      if (const Joystick *joystick = MyJoystick()) {
        for (int axis = 0; axis < kJoystickAxes; ++axis) caps.dwAxes += (joystick->model.axes >> axis) & 1u;
        caps.dwAxes += static_cast<DWORD>(joystick->model.sliders);
        caps.dwButtons = static_cast<DWORD>(joystick->model.buttons);
        caps.dwPOVs = static_cast<DWORD>(joystick->model.povs);
        if (joystick->model.force_feedback) caps.dwFlags |= DIDC_FORCEFEEDBACK;
      }
      break;
  }
  return caps;
}

HRESULT InputDevice::GetCapabilities(LPDIDEVCAPS caps) {
  HRESULT fault;
  if (DeviceFault("GetCapabilities", &fault)) return fault;
  if (caps == nullptr) return DIERR_INVALIDPARAM;
  DWORD size = caps->dwSize;
  if (size != sizeof(DIDEVCAPS) && size != sizeof(DIDEVCAPS_DX3)) return DIERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(InputLock());
  DIDEVCAPS filled = Capabilities();
  std::memcpy(caps, &filled, size);
  caps->dwSize = size;
  return DI_OK;
}

HRESULT InputDevice::RunControlPanel(HWND, DWORD flags) {
  HRESULT fault;
  if (DeviceFault("RunControlPanel", &fault)) return fault;
  return RunControlPanelChecked(flags);
}

}  // namespace platform::dinput
