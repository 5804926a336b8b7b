// DirectInputCreateEx and the DirectInput 7 object: it makes keyboard, mouse
// and joystick devices and lists the attached ones.
#include "dinput/dinput7.h"
#include "dinput/directinput_object.h"

#include <atomic>
#include <string>
#include <vector>

#include "base/faults.h"
#include "dinput/input_device.h"

namespace platform::dinput {

namespace {

std::atomic<int> gLiveObjects{0};

bool ObjectFault(const char *method, HRESULT *result) {
  return TakeFault((std::string("IDirectInput7::") + method).c_str(), result);
}

// Each device the machine has now, in DirectInput's order.
std::vector<DIDEVICEINSTANCEA> AttachedDevices() {
  std::lock_guard<std::mutex> hold(InputLock());
  std::vector<DIDEVICEINSTANCEA> devices = {DescribeDevice(DeviceKind::kMouse, nullptr),
                                            DescribeDevice(DeviceKind::kKeyboard, nullptr)};
  for (const Joystick &joystick : Hardware().joysticks) {
    devices.push_back(DescribeDevice(DeviceKind::kJoystick, &joystick));
  }
  return devices;
}

bool ForceFeedback(REFGUID instance) {
  std::lock_guard<std::mutex> hold(InputLock());
  const Joystick *joystick = FindJoystick(JoystickFromGuid(instance));
  return joystick != nullptr && joystick->model.force_feedback;
}

class DirectInput7 : public IDirectInput7A {
 public:
  DirectInput7() { ++gLiveObjects; }
  virtual ~DirectInput7() { --gLiveObjects; }

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    HRESULT fault;
    if (ObjectFault("QueryInterface", &fault)) return fault;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IDirectInputA) &&
        !IsEqualGUID(riid, IID_IDirectInput2A) && !IsEqualGUID(riid, IID_IDirectInput7A)) {
      return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<IDirectInput7A *>(this);
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++references_; }
  STDMETHOD_(ULONG, Release)() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  STDMETHOD(CreateDevice)(REFGUID guid, LPDIRECTINPUTDEVICEA *device, LPUNKNOWN outer) override {
    if (device != nullptr) *device = nullptr;
    InputDevice *made = nullptr;
    HRESULT result = Create("CreateDevice", guid, device != nullptr, outer, &made);
    if (SUCCEEDED(result)) *device = made;
    return result;
  }

  STDMETHOD(CreateDeviceEx)(REFGUID guid, REFIID riid, LPVOID *device, LPUNKNOWN outer) override {
    if (device != nullptr) *device = nullptr;
    InputDevice *made = nullptr;
    HRESULT result = Create("CreateDeviceEx", guid, device != nullptr, outer, &made);
    if (FAILED(result)) return result;
    result = made->QueryInterface(riid, device);
    made->Release();
    return result;
  }

  STDMETHOD(EnumDevices)(DWORD type, LPDIENUMDEVICESCALLBACKA callback, LPVOID context, DWORD flags) override {
    HRESULT fault;
    if (ObjectFault("EnumDevices", &fault)) return fault;
    const DWORD known = DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK;
    if (callback == nullptr || (flags & ~known) || type > DIDEVTYPE_JOYSTICK) return DIERR_INVALIDPARAM;
    // The callback may create devices: it runs on a copy, without the lock.
    for (const DIDEVICEINSTANCEA &device : AttachedDevices()) {
      if (type != 0 && GET_DIDEVICE_TYPE(device.dwDevType) != type) continue;
      if ((flags & DIEDFL_FORCEFEEDBACK) && !ForceFeedback(device.guidInstance)) continue;
      if (callback(&device, context) == DIENUM_STOP) break;
    }
    return DI_OK;
  }

  STDMETHOD(GetDeviceStatus)(REFGUID guid) override {
    HRESULT fault;
    if (ObjectFault("GetDeviceStatus", &fault)) return fault;
    if (IsEqualGUID(guid, GUID_SysKeyboard) || IsEqualGUID(guid, GUID_SysMouse)) return DI_OK;
    std::lock_guard<std::mutex> hold(InputLock());
    return JoystickFromGuid(guid) != 0 ? DI_OK : DI_NOTATTACHED;
  }

  STDMETHOD(RunControlPanel)(HWND, DWORD flags) override {
    HRESULT fault;
    if (ObjectFault("RunControlPanel", &fault)) return fault;
    return RunControlPanelChecked(flags);
  }

  STDMETHOD(Initialize)(HINSTANCE, DWORD) override {
    HRESULT fault;
    if (ObjectFault("Initialize", &fault)) return fault;
    return DI_OK;
  }

  STDMETHOD(FindDevice)(REFGUID, LPCSTR, LPGUID) override {
    HRESULT fault;
    if (ObjectFault("FindDevice", &fault)) return fault;
    return DIERR_DEVICENOTREG;
  }

 private:
  // The checks both creation methods make, then a new device for `guid`.
  static HRESULT Create(const char *method, REFGUID guid, bool hasOut, LPUNKNOWN outer, InputDevice **made) {
    if (!hasOut) return DIERR_INVALIDPARAM;
    HRESULT fault;
    if (ObjectFault(method, &fault)) return fault;
    if (outer != nullptr) return DIERR_NOAGGREGATION;
    *made = MakeDevice(guid);
    return *made != nullptr ? DI_OK : DIERR_DEVICENOTREG;
  }

  static InputDevice *MakeDevice(REFGUID guid) {
    if (IsEqualGUID(guid, GUID_SysKeyboard)) return new InputDevice(DeviceKind::kKeyboard, 0);
    if (IsEqualGUID(guid, GUID_SysMouse)) return new InputDevice(DeviceKind::kMouse, 0);
    int joystick;
    {
      std::lock_guard<std::mutex> hold(InputLock());
      joystick = JoystickFromGuid(guid);
    }
    return joystick != 0 ? new InputDevice(DeviceKind::kJoystick, joystick) : nullptr;
  }

  std::atomic<ULONG> references_{1};
};

}  // namespace

int LiveDirectInputObjects() { return gLiveObjects.load(); }

}  // namespace platform::dinput

extern "C" HRESULT WINAPI DirectInputCreateEx(HINSTANCE, DWORD version, REFIID iid, LPVOID *directInput,
                                              LPUNKNOWN outer) {
  if (directInput == nullptr) return DIERR_INVALIDPARAM;
  *directInput = nullptr;
  HRESULT fault;
  if (platform::TakeFault("DirectInputCreateEx", &fault)) return fault;
  if (outer != nullptr) return DIERR_NOAGGREGATION;
  // This DirectInput is version 7; programs written for a later one are
  // told so, as are pre-release versions.
  if (version > 0x0700) return DIERR_OLDDIRECTINPUTVERSION;
  if (version < 0x0300) return DIERR_BETADIRECTINPUTVERSION;
  auto *made = new platform::dinput::DirectInput7();
  HRESULT result = made->QueryInterface(iid, directInput);
  made->Release();
  return FAILED(result) ? DIERR_NOINTERFACE : DI_OK;
}
