// A DirectInput 7 device object: the keyboard, the mouse or one joystick,
// read as an immediate state or through a buffer of events.
#pragma once

#include "dinput/dinput7.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <vector>

#include "dinput/axis_cooking.h"
#include "dinput/data_formats.h"
#include "dinput/effect_playback.h"
#include "dinput/input_effect.h"
#include "dinput/input_hardware.h"

namespace platform::dinput {

enum class DeviceKind { kKeyboard, kMouse, kJoystick };

// One object of the device as the data format places it (GetObjectInfo,
// EnumObjects).
struct DeviceObject {
  DIDEVICEOBJECTINSTANCEA info;
  int axis;  // index into the device's axis settings, or -1
};

// True (with the result) when a fault is pending for IDirectInputDevice7::method.
bool DeviceFault(const char *method, HRESULT *result);

// The instance record of a device (GetDeviceInfo, EnumDevices); `joystick`
// for joysticks only.
DIDEVICEINSTANCEA DescribeDevice(DeviceKind kind, const Joystick *joystick);

class InputDevice : public IDirectInputDevice7A, public EffectDevice {
 public:
  InputDevice(DeviceKind kind, int joystickId);
  virtual ~InputDevice();

  // IUnknown
  STDMETHOD(QueryInterface)(REFIID riid, void **object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  // IDirectInputDeviceA
  STDMETHOD(GetCapabilities)(LPDIDEVCAPS caps) override;
  STDMETHOD(EnumObjects)(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID context, DWORD flags) override;
  STDMETHOD(GetProperty)(REFGUID property, LPDIPROPHEADER header) override;
  STDMETHOD(SetProperty)(REFGUID property, LPCDIPROPHEADER header) override;
  STDMETHOD(Acquire)() override;
  STDMETHOD(Unacquire)() override;
  STDMETHOD(GetDeviceState)(DWORD size, LPVOID data) override;
  STDMETHOD(GetDeviceData)(DWORD objectSize, LPDIDEVICEOBJECTDATA data, LPDWORD count, DWORD flags) override;
  STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT format) override;
  STDMETHOD(SetEventNotification)(HANDLE event) override;
  STDMETHOD(SetCooperativeLevel)(HWND window, DWORD flags) override;
  STDMETHOD(GetObjectInfo)(LPDIDEVICEOBJECTINSTANCEA info, DWORD object, DWORD how) override;
  STDMETHOD(GetDeviceInfo)(LPDIDEVICEINSTANCEA info) override;
  STDMETHOD(RunControlPanel)(HWND owner, DWORD flags) override;
  STDMETHOD(Initialize)(HINSTANCE instance, DWORD version, REFGUID guid) override;

  // IDirectInputDevice2A
  STDMETHOD(CreateEffect)(REFGUID guid, LPCDIEFFECT effect, LPDIRECTINPUTEFFECT *created, LPUNKNOWN outer) override;
  STDMETHOD(EnumEffects)(LPDIENUMEFFECTSCALLBACKA callback, LPVOID context, DWORD type) override;
  STDMETHOD(GetEffectInfo)(LPDIEFFECTINFOA info, REFGUID guid) override;
  STDMETHOD(GetForceFeedbackState)(LPDWORD state) override;
  STDMETHOD(SendForceFeedbackCommand)(DWORD flags) override;
  STDMETHOD(EnumCreatedEffectObjects)(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK callback, LPVOID context, DWORD flags) override;
  STDMETHOD(Escape)(LPDIEFFESCAPE escape) override;
  STDMETHOD(Poll)() override;
  STDMETHOD(SendDeviceData)(DWORD objectSize, LPCDIDEVICEOBJECTDATA data, LPDWORD count, DWORD flags) override;

  // IDirectInputDevice7A
  STDMETHOD(EnumEffectsInFile)(LPCSTR file, LPDIENUMEFFECTSINFILECALLBACK callback, LPVOID context, DWORD flags) override;
  STDMETHOD(WriteEffectToFile)(LPCSTR file, DWORD entries, LPDIFILEEFFECT effects, DWORD flags) override;

  // Hardware side, called with InputLock() held.
  bool WatchesJoystick(int id) const { return kind_ == DeviceKind::kJoystick && !unplugged_ && joystickId_ == id; }
  void OnKey(int scanCode, bool down);
  void OnMouseAxis(DWORD offset, LONG delta);
  void OnMouseButton(int button, bool down);
  void OnJoystickObject(const Joystick &joystick, DWORD offset);
  void OnFocusLost();
  void Unplug();
  // An acquired mouse with exclusive cooperation (a window hides the pointer).
  bool HoldsMouseExclusively() const {
    return kind_ == DeviceKind::kMouse && acquired_ && (cooperation_ & DISCL_EXCLUSIVE) != 0;
  }

  // Force-feedback side (device_effects.cpp), called with InputLock() held:
  // the device as its effects see it.
  bool HoldsExclusively() const override { return acquired_ && (cooperation_ & DISCL_EXCLUSIVE) != 0; }
  // The time effects run on: the machine clock, standing still while the
  // device's effects are paused.
  uint64_t EffectTime() const override;
  void ForgetEffect(InputEffect *effect) override;
  void StopEffectsExcept(const InputEffect *solo) override;
  // The force-feedback axis (kEffectAxisX or Y) an object names, by
  // DIPH_BYID or DIPH_BYOFFSET, and the object that names an axis.
  HRESULT ActuatorAxis(DWORD object, DWORD how, int *axis) const override;
  DWORD ActuatorObject(int axis, DWORD how) const override;
  // What the device's playing effects drive the motors with at `now`.
  MotorLevels RumbleLevels(uint64_t now, uint64_t *nextPhase) const;

 private:
  // Axis settings: X, Y, Z, RX, RY, RZ, slider 0, slider 1.
  static constexpr int kAxisCount = 8;

  // The joystick this device reads; none once it was unplugged (ids of a
  // reset machine start again).
  Joystick *MyJoystick() const { return unplugged_ ? nullptr : FindJoystick(joystickId_); }
  void LoseInput();
  void Queue(DWORD offset, DWORD data);
  HRESULT ReadableState();
  // Counts a read of the device's input for the hardware (InputLock held).
  void CountRead() const;
  void ReadKeyboard(BYTE *state) const;
  void ReadMouse(BYTE *state, int buttons);
  void ReadJoystick(BYTE *state, int buttons) const;
  LONG CookedAxis(const Joystick &joystick, int axis) const;
  bool OtherExclusiveOwner() const;
  bool HasForceFeedback() const;
  // Every effect stopped and off the device (unacquired, reset).
  void UnloadEffects();
  HRESULT ForceFeedbackReady(const char *method) const;

  // Objects of the device under the current data format (none without one).
  std::vector<DeviceObject> Objects() const;
  DIDEVCAPS Capabilities() const;
  HRESULT FindObject(DWORD object, DWORD how, DeviceObject *found) const;
  HRESULT AxesAddressed(LPCDIPROPHEADER header, std::vector<int> *axes) const;
  HRESULT SetAxisProperty(uintptr_t property, LPCDIPROPHEADER header);
  HRESULT GetAxisProperty(uintptr_t property, LPDIPROPHEADER header) const;

  DeviceKind kind_;
  int joystickId_;
  std::atomic<ULONG> references_{1};

  FormatKind format_ = FormatKind::kNone;
  DWORD dataSize_ = 0;
  HWND window_ = nullptr;
  DWORD cooperation_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
  bool acquired_ = false;
  bool lostPending_ = false;  // the next read reports DIERR_INPUTLOST
  bool unplugged_ = false;

  DWORD bufferSize_ = 0;
  std::deque<DIDEVICEOBJECTDATA_DX3> buffer_;
  bool overflowed_ = false;

  LONG mouseMotion_[3] = {};
  AxisSettings axes_[kAxisCount];

  // Force feedback: the effects made on this device, the gain applied to
  // all of them (DIPROP_FFGAIN), and the commands' state.
  std::vector<InputEffect *> effects_;
  DWORD effectGain_ = DI_FFNOMINALMAX;
  bool effectsPaused_ = false;
  uint64_t pausedAtNs_ = 0;
  bool actuatorsOn_ = true;
};

}  // namespace platform::dinput
