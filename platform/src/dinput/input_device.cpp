// The device object's life, cooperative level, data format, acquisition and
// reads: the immediate state and the event buffer. The hardware side feeds
// the buffer and the mouse's motion while the device is acquired.
#include "dinput/input_device.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/faults.h"
#include "dinput/input_effect.h"
#include "dinput/rumble_output.h"

namespace platform::dinput {

bool DeviceFault(const char *method, HRESULT *result) {
  return TakeFault((std::string("IDirectInputDevice7::") + method).c_str(), result);
}

namespace {

BYTE Pressed(bool down) { return down ? 0x80 : 0x00; }

// Buttons each format carries.
int FormatButtons(FormatKind format) {
  switch (format) {
    case FormatKind::kMouse: return 4;
    case FormatKind::kMouse2: return 8;
    case FormatKind::kJoystick: return 32;
    case FormatKind::kJoystick2: return 128;
    default: return 0;
  }
}

bool FormatFits(DeviceKind kind, FormatKind format) {
  switch (kind) {
    case DeviceKind::kKeyboard: return format == FormatKind::kKeyboard;
    case DeviceKind::kMouse: return format == FormatKind::kMouse || format == FormatKind::kMouse2;
    case DeviceKind::kJoystick: return format == FormatKind::kJoystick || format == FormatKind::kJoystick2;
  }
  return false;
}

// One of each pair of flags, and nothing unknown.
bool ValidCooperation(DWORD flags) {
  const DWORD known = DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY;
  bool exclusive = flags & DISCL_EXCLUSIVE, shared = flags & DISCL_NONEXCLUSIVE;
  bool foreground = flags & DISCL_FOREGROUND, background = flags & DISCL_BACKGROUND;
  return (flags & ~known) == 0 && exclusive != shared && foreground != background;
}

// Unplugs the devices reading joystick `id`, for a reset that takes it away
// (input_hardware.h); input lock held.
void UnplugDevicesOf(int id) {
  ForEachDevice([&](InputDevice &device) {
    if (device.WatchesJoystick(id)) device.Unplug();
  });
}

JoystickUnplugger gUnplugDevices(UnplugDevicesOf);

}  // namespace

InputDevice::InputDevice(DeviceKind kind, int joystickId) : kind_(kind), joystickId_(joystickId) {
  std::lock_guard<std::mutex> hold(InputLock());
  Hardware().devices.push_back(this);
}

// Effects the program still holds outlive their device: they stop, and
// answer DIERR_NOTINITIALIZED from then on.
InputDevice::~InputDevice() {
  {
    std::lock_guard<std::mutex> hold(InputLock());
    for (InputEffect *effect : effects_) effect->DeviceGone();
    auto &devices = Hardware().devices;
    devices.erase(std::remove(devices.begin(), devices.end(), this), devices.end());
  }
  RumbleChanged();
}

HRESULT InputDevice::QueryInterface(REFIID riid, void **object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  HRESULT fault;
  if (DeviceFault("QueryInterface", &fault)) return fault;
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectInputDeviceA) ||
      IsEqualGUID(riid, IID_IDirectInputDevice2A) || IsEqualGUID(riid, IID_IDirectInputDevice7A)) {
    AddRef();
    *object = static_cast<IDirectInputDevice7A *>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG InputDevice::AddRef() { return ++references_; }

ULONG InputDevice::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT InputDevice::SetDataFormat(LPCDIDATAFORMAT format) {
  HRESULT fault;
  if (DeviceFault("SetDataFormat", &fault)) return fault;
  if (format == nullptr || format->dwSize != sizeof(DIDATAFORMAT) ||
      format->dwObjSize != sizeof(DIOBJECTDATAFORMAT)) {
    return DIERR_INVALIDPARAM;
  }
  std::lock_guard<std::mutex> hold(InputLock());
  if (acquired_) return DIERR_ACQUIRED;
  FormatKind kind = IdentifyFormat(format);
  // Only the predefined formats are understood; one meant for another kind
  // of device is refused.
  if (kind == FormatKind::kNone) return DIERR_UNSUPPORTED;
  if (!FormatFits(kind_, kind)) return DIERR_INVALIDPARAM;
  format_ = kind;
  dataSize_ = format->dwDataSize;
  return DI_OK;
}

HRESULT InputDevice::SetCooperativeLevel(HWND window, DWORD flags) {
  HRESULT fault;
  if (DeviceFault("SetCooperativeLevel", &fault)) return fault;
  if (!ValidCooperation(flags)) return DIERR_INVALIDPARAM;
  if (!IsWindow(window)) return E_HANDLE;
  // Windows refuses an exclusive keyboard that keeps reading in the background.
  if (kind_ == DeviceKind::kKeyboard && (flags & DISCL_EXCLUSIVE) && (flags & DISCL_BACKGROUND)) {
    return DIERR_UNSUPPORTED;
  }
  std::lock_guard<std::mutex> hold(InputLock());
  if (acquired_) return DIERR_ACQUIRED;
  window_ = window;
  cooperation_ = flags;
  return DI_OK;
}

bool InputDevice::OtherExclusiveOwner() const {
  for (const InputDevice *other : Hardware().devices) {
    if (other != this && other->acquired_ && (other->cooperation_ & DISCL_EXCLUSIVE) && other->kind_ == kind_ &&
        other->joystickId_ == joystickId_) {
      return true;
    }
  }
  return false;
}

HRESULT InputDevice::Acquire() {
  HRESULT fault;
  if (DeviceFault("Acquire", &fault)) return fault;
  std::lock_guard<std::mutex> hold(InputLock());
  if (unplugged_) return DIERR_UNPLUGGED;
  if (acquired_) return DI_NOEFFECT;
  if (format_ == FormatKind::kNone) return DIERR_INVALIDPARAM;
  if ((cooperation_ & DISCL_FOREGROUND) && !Hardware().focus) return DIERR_OTHERAPPHASPRIO;
  if ((cooperation_ & DISCL_EXCLUSIVE) && OtherExclusiveOwner()) return DIERR_OTHERAPPHASPRIO;
  acquired_ = true;
  lostPending_ = false;
  // Newly acquired, the device's effects are not paused and its actuators
  // are on.
  effectsPaused_ = false;
  actuatorsOn_ = true;
  buffer_.clear();
  overflowed_ = false;
  std::fill(std::begin(mouseMotion_), std::end(mouseMotion_), 0);
  return DI_OK;
}

HRESULT InputDevice::Unacquire() {
  HRESULT fault;
  if (DeviceFault("Unacquire", &fault)) return fault;
  {
    std::lock_guard<std::mutex> hold(InputLock());
    lostPending_ = false;
    if (!acquired_) return DI_NOEFFECT;
    acquired_ = false;
    UnloadEffects();
  }
  RumbleChanged();
  return DI_OK;
}

// A lost device says so once; after that it is simply not acquired.
HRESULT InputDevice::ReadableState() {
  if (acquired_) return DI_OK;
  if (lostPending_) {
    lostPending_ = false;
    return DIERR_INPUTLOST;
  }
  return DIERR_NOTACQUIRED;
}

HRESULT InputDevice::Poll() {
  HRESULT fault;
  if (DeviceFault("Poll", &fault)) return fault;
  std::lock_guard<std::mutex> hold(InputLock());
  if (!acquired_) return DIERR_NOTACQUIRED;
  return kind_ == DeviceKind::kJoystick ? DI_OK : DI_NOEFFECT;
}

HRESULT InputDevice::GetDeviceState(DWORD size, LPVOID data) {
  HRESULT fault;
  if (DeviceFault("GetDeviceState", &fault)) return fault;
  if (data == nullptr) return DIERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(InputLock());
  HRESULT readable = ReadableState();
  if (FAILED(readable)) return readable;
  if (size != dataSize_) return DIERR_INVALIDPARAM;
  CountRead();
  BYTE *state = static_cast<BYTE *>(data);
  std::memset(state, 0, size);
  switch (kind_) {
    case DeviceKind::kKeyboard: ReadKeyboard(state); break;
    case DeviceKind::kMouse: ReadMouse(state, FormatButtons(format_)); break;
    case DeviceKind::kJoystick: ReadJoystick(state, FormatButtons(format_)); break;
  }
  return DI_OK;
}

void InputDevice::CountRead() const {
  if (kind_ == DeviceKind::kKeyboard) ++Hardware().keyboardReads;
  if (kind_ == DeviceKind::kMouse) ++Hardware().mouseReads;
}

void InputDevice::ReadKeyboard(BYTE *state) const { std::memcpy(state, Hardware().keys, 256); }

// The motion since the last read, then the buttons; the motion starts again.
void InputDevice::ReadMouse(BYTE *state, int buttons) {
  DIMOUSESTATE2 mouse = {};
  mouse.lX = mouseMotion_[0];
  mouse.lY = mouseMotion_[1];
  mouse.lZ = mouseMotion_[2];
  for (int button = 0; button < buttons && button < kMouseButtons; ++button) {
    mouse.rgbButtons[button] = Hardware().mouseButtons[button];
  }
  std::fill(std::begin(mouseMotion_), std::end(mouseMotion_), 0);
  std::memcpy(state, &mouse, dataSize_);
}

LONG InputDevice::CookedAxis(const Joystick &joystick, int axis) const {
  LONG raw = axis < kJoystickAxes ? joystick.axes[axis] : joystick.sliders[axis - kJoystickAxes];
  return CookAxis(raw, joystick.model.raw_min, joystick.model.raw_max, axes_[axis]);
}

// Present objects read as DirectInput reports them; absent axes read 0 and
// absent hats read centred.
void InputDevice::ReadJoystick(BYTE *state, int buttons) const {
  const Joystick *joystick = MyJoystick();
  DIJOYSTATE2 read = {};
  LONG *axes[] = {&read.lX, &read.lY, &read.lZ, &read.lRx, &read.lRy, &read.lRz};
  for (DWORD &pov : read.rgdwPOV) pov = kPovCentred;
  if (joystick != nullptr) {
    for (int axis = 0; axis < kJoystickAxes; ++axis) {
      if (joystick->model.axes & (1u << axis)) *axes[axis] = CookedAxis(*joystick, axis);
    }
    for (int slider = 0; slider < joystick->model.sliders; ++slider) {
      read.rglSlider[slider] = CookedAxis(*joystick, kJoystickAxes + slider);
    }
    std::copy(joystick->povs, joystick->povs + joystick->model.povs, read.rgdwPOV);
    std::copy(joystick->buttons, joystick->buttons + std::min(buttons, joystick->model.buttons), read.rgbButtons);
  }
  std::memcpy(state, &read, dataSize_);
}

HRESULT InputDevice::GetDeviceData(DWORD objectSize, LPDIDEVICEOBJECTDATA data, LPDWORD count, DWORD flags) {
  HRESULT fault;
  if (DeviceFault("GetDeviceData", &fault)) return fault;
  // The DirectInput 7 record, or the DirectInput 8 one with its application
  // data; the extra bytes are written as zero.
  const DWORD kShortRecord = sizeof(DIDEVICEOBJECTDATA_DX3);
  const DWORD kLongRecord = sizeof(DIDEVICEOBJECTDATA_DX3) + sizeof(UINT_PTR);
  if (count == nullptr || (objectSize != kShortRecord && objectSize != kLongRecord) || (flags & ~DIGDD_PEEK)) {
    return DIERR_INVALIDPARAM;
  }
  std::lock_guard<std::mutex> hold(InputLock());
  HRESULT readable = ReadableState();
  if (FAILED(readable)) return readable;
  if (bufferSize_ == 0) return DIERR_NOTBUFFERED;
  CountRead();

  DWORD delivered = std::min<DWORD>(*count, static_cast<DWORD>(buffer_.size()));
  if (data != nullptr) {
    BYTE *out = reinterpret_cast<BYTE *>(data);
    for (DWORD i = 0; i < delivered; ++i) {
      std::memset(out + i * objectSize, 0, objectSize);
      std::memcpy(out + i * objectSize, &buffer_[i], kShortRecord);
    }
  }
  *count = delivered;
  HRESULT result = overflowed_ ? DI_BUFFEROVERFLOW : DI_OK;
  if (!(flags & DIGDD_PEEK)) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + delivered);
    overflowed_ = false;
  }
  return result;
}

// A full buffer keeps its oldest events and drops the new one.
void InputDevice::Queue(DWORD offset, DWORD data) {
  if (!acquired_ || bufferSize_ == 0) return;
  if (buffer_.size() >= bufferSize_) {
    overflowed_ = true;
    return;
  }
  buffer_.push_back(DIDEVICEOBJECTDATA_DX3{offset, data, EventTime(), NextSequence()});
}

void InputDevice::OnKey(int scanCode, bool down) {
  if (kind_ == DeviceKind::kKeyboard) Queue(static_cast<DWORD>(scanCode), Pressed(down));
}

void InputDevice::OnMouseAxis(DWORD offset, LONG delta) {
  if (kind_ != DeviceKind::kMouse || !acquired_) return;
  mouseMotion_[offset / sizeof(LONG)] += delta;
  Queue(offset, static_cast<DWORD>(delta));
}

void InputDevice::OnMouseButton(int button, bool down) {
  if (kind_ == DeviceKind::kMouse && button < FormatButtons(format_)) {
    Queue(DIMOFS_BUTTON0 + static_cast<DWORD>(button), Pressed(down));
  }
}

void InputDevice::OnJoystickObject(const Joystick &joystick, DWORD offset) {
  if (offset < DIJOFS_POV(0)) {
    Queue(offset, static_cast<DWORD>(CookedAxis(joystick, static_cast<int>(offset / sizeof(LONG)))));
  } else if (offset < DIJOFS_BUTTON(0)) {
    Queue(offset, joystick.povs[(offset - DIJOFS_POV(0)) / sizeof(DWORD)]);
  } else if (offset - DIJOFS_BUTTON(0) < static_cast<DWORD>(FormatButtons(format_))) {
    Queue(offset, joystick.buttons[offset - DIJOFS_BUTTON(0)]);
  }
}

// Effects stop with the input: a lost device must download them again.
void InputDevice::LoseInput() {
  if (!acquired_) return;
  acquired_ = false;
  lostPending_ = true;
  UnloadEffects();
  RumbleChanged();
}

void InputDevice::OnFocusLost() {
  if (cooperation_ & DISCL_FOREGROUND) LoseInput();
}

void InputDevice::Unplug() {
  unplugged_ = true;
  LoseInput();
}

HRESULT InputDevice::SetEventNotification(HANDLE) {
  HRESULT fault;
  if (DeviceFault("SetEventNotification", &fault)) return fault;
  std::lock_guard<std::mutex> hold(InputLock());
  return acquired_ ? DIERR_ACQUIRED : DI_OK;
}

HRESULT InputDevice::Initialize(HINSTANCE, DWORD, REFGUID) {
  HRESULT fault;
  if (DeviceFault("Initialize", &fault)) return fault;
  // A device made by CreateDevice is initialised already.
  return DI_NOEFFECT;
}

}  // namespace platform::dinput
