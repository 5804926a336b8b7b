// The force-feedback side of a device: the effects it offers and makes,
// the commands and state of its effects as a whole, and the motor levels
// they add up to. A joystick without force feedback answers as DirectInput
// does for such a device. The auto-centre spring and the gain are
// properties (device_properties.cpp); file effects and device output are
// not offered.
#include "dinput/input_device.h"

#include <algorithm>

#include "base/machine_time.h"
#include "dinput/effect_kinds.h"
#include "dinput/input_effect.h"
#include "dinput/rumble_output.h"

namespace platform::dinput {

namespace {

HRESULT Unsupported(const char *method) {
  HRESULT fault;
  if (DeviceFault(method, &fault)) return fault;
  return DIERR_UNSUPPORTED;
}

constexpr DWORD kCommands = DISFFC_RESET | DISFFC_STOPALL | DISFFC_PAUSE | DISFFC_CONTINUE |
                            DISFFC_SETACTUATORSON | DISFFC_SETACTUATORSOFF;

// Whether EnumEffects with `type` lists `info`: its basic type (or all),
// and every capability the program asks for.
bool TypeMatches(DWORD type, const DIEFFECTINFOA &info) {
  const DWORD basic = DIEFT_GETTYPE(type);
  if (basic != DIEFT_ALL && basic != DIEFT_GETTYPE(info.dwEffType)) return false;
  const DWORD capabilities = type & ~DWORD{0xFF};
  return (info.dwEffType & capabilities) == capabilities;
}

}  // namespace

bool InputDevice::HasForceFeedback() const {
  const Joystick *joystick = kind_ == DeviceKind::kJoystick ? MyJoystick() : nullptr;
  return joystick != nullptr && joystick->model.force_feedback;
}

HRESULT InputDevice::ForceFeedbackReady(const char *method) const {
  HRESULT fault;
  if (DeviceFault(method, &fault)) return fault;
  std::lock_guard<std::mutex> hold(InputLock());
  return HasForceFeedback() ? DI_OK : DIERR_UNSUPPORTED;
}

uint64_t InputDevice::EffectTime() const {
  return effectsPaused_ ? pausedAtNs_ : MachineClock::Get().Now();
}

void InputDevice::ForgetEffect(InputEffect *effect) {
  effects_.erase(std::remove(effects_.begin(), effects_.end(), effect), effects_.end());
}

void InputDevice::StopEffectsExcept(const InputEffect *solo) {
  for (InputEffect *effect : effects_) {
    if (effect != solo) effect->StopPlaying();
  }
}

void InputDevice::UnloadEffects() {
  for (InputEffect *effect : effects_) effect->TakeOffDevice();
}

HRESULT InputDevice::ActuatorAxis(DWORD object, DWORD how, int *axis) const {
  DeviceObject found;
  if (FAILED(FindObject(object, how, &found)) || !(found.info.dwFlags & DIDOI_FFACTUATOR) ||
      (found.axis != kEffectAxisX && found.axis != kEffectAxisY)) {
    return DIERR_INVALIDPARAM;
  }
  *axis = found.axis;
  return DI_OK;
}

DWORD InputDevice::ActuatorObject(int axis, DWORD how) const {
  for (const DeviceObject &object : Objects()) {
    if (object.axis == axis) return how == DIPH_BYID ? object.info.dwType : object.info.dwOfs;
  }
  return 0;
}

MotorLevels InputDevice::RumbleLevels(uint64_t now, uint64_t *nextPhase) const {
  if (!HoldsExclusively() || effectsPaused_ || !actuatorsOn_) return {};
  MotorLevels total;
  for (const InputEffect *effect : effects_) {
    const MotorLevels levels = effect->LevelsAt(now, nextPhase);
    total.low += levels.low;
    total.high += levels.high;
  }
  auto scaled = [this](LONG level) {
    return static_cast<LONG>(static_cast<long long>(std::min<LONG>(level, DI_FFNOMINALMAX)) * effectGain_ /
                             DI_FFNOMINALMAX);
  };
  return MotorLevels{scaled(total.low), scaled(total.high)};
}

namespace {

// The summed levels of the devices of joystick `id`, for the rumble output
// (rumble_output.h); input lock held.
MotorLevels JoystickLevels(int id, uint64_t now, uint64_t *nextPhase) {
  MotorLevels total;
  ForEachDevice([&](InputDevice &device) {
    if (!device.WatchesJoystick(id)) return;
    const MotorLevels levels = device.RumbleLevels(now, nextPhase);
    total.low += levels.low;
    total.high += levels.high;
  });
  return total;
}

RumbleSource gRumbleSource(JoystickLevels);

}  // namespace

HRESULT InputDevice::CreateEffect(REFGUID guid, LPCDIEFFECT effect, LPDIRECTINPUTEFFECT *created, LPUNKNOWN outer) {
  if (created != nullptr) *created = nullptr;
  HRESULT ready = ForceFeedbackReady("CreateEffect");
  if (FAILED(ready)) return ready;
  if (created == nullptr) return DIERR_INVALIDPARAM;
  if (outer != nullptr) return DIERR_NOAGGREGATION;
  const EffectKind *kind = FindEffectKind(guid);
  if (kind == nullptr) return DIERR_DEVICENOTREG;
  InputEffect *made = new InputEffect(this, *kind);
  {
    std::lock_guard<std::mutex> hold(InputLock());
    effects_.push_back(made);
  }
  if (effect != nullptr) {
    // Everything the record holds; the older record has no start delay.
    const DWORD all = effect->dwSize == sizeof(DIEFFECT_DX5) ? DIEP_ALLPARAMS_DX5 : DIEP_ALLPARAMS;
    HRESULT set = made->SetParameters(effect, all);
    if (FAILED(set)) {
      made->Release();
      return set;
    }
  }
  *created = made;
  return DI_OK;
}

HRESULT InputDevice::EnumEffects(LPDIENUMEFFECTSCALLBACKA callback, LPVOID context, DWORD type) {
  HRESULT fault;
  if (DeviceFault("EnumEffects", &fault)) return fault;
  if (callback == nullptr) return DIERR_INVALIDPARAM;
  bool forceFeedback;
  {
    std::lock_guard<std::mutex> hold(InputLock());
    forceFeedback = HasForceFeedback();
  }
  if (!forceFeedback) return DI_OK;
  int count = 0;
  const EffectKind *kinds = EffectKinds(&count);
  for (int i = 0; i < count; ++i) {
    const DIEFFECTINFOA info = DescribeEffectKind(kinds[i]);
    if (TypeMatches(type, info) && callback(&info, context) == DIENUM_STOP) break;
  }
  return DI_OK;
}

HRESULT InputDevice::GetEffectInfo(LPDIEFFECTINFOA info, REFGUID guid) {
  HRESULT ready = ForceFeedbackReady("GetEffectInfo");
  if (FAILED(ready)) return ready;
  if (info == nullptr || info->dwSize != sizeof(DIEFFECTINFOA)) return DIERR_INVALIDPARAM;
  const EffectKind *kind = FindEffectKind(guid);
  if (kind == nullptr) return DIERR_DEVICENOTREG;
  *info = DescribeEffectKind(*kind);
  return DI_OK;
}

HRESULT InputDevice::GetForceFeedbackState(LPDWORD state) {
  HRESULT ready = ForceFeedbackReady("GetForceFeedbackState");
  if (FAILED(ready)) return ready;
  if (state == nullptr) return DIERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(InputLock());
  if (!HoldsExclusively()) return DIERR_NOTEXCLUSIVEACQUIRED;
  const uint64_t now = EffectTime();
  const bool empty = std::none_of(effects_.begin(), effects_.end(), [](const InputEffect *e) { return e->OnDevice(); });
  const bool playing =
      std::any_of(effects_.begin(), effects_.end(), [now](const InputEffect *e) { return e->PlayingAt(now); });
  *state = DIGFFS_POWERON | (empty ? DIGFFS_EMPTY : 0) | (playing ? 0 : DIGFFS_STOPPED) |
           (effectsPaused_ ? DIGFFS_PAUSED : 0) | (actuatorsOn_ ? DIGFFS_ACTUATORSON : DIGFFS_ACTUATORSOFF);
  return DI_OK;
}

HRESULT InputDevice::SendForceFeedbackCommand(DWORD flags) {
  HRESULT ready = ForceFeedbackReady("SendForceFeedbackCommand");
  if (FAILED(ready)) return ready;
  // One command at a time.
  if ((flags & ~kCommands) || flags == 0 || (flags & (flags - 1))) return DIERR_INVALIDPARAM;
  {
    std::lock_guard<std::mutex> hold(InputLock());
    if (!HoldsExclusively()) return DIERR_NOTEXCLUSIVEACQUIRED;
    const uint64_t now = MachineClock::Get().Now();
    switch (flags) {
      case DISFFC_RESET:
        UnloadEffects();
        effectsPaused_ = false;
        actuatorsOn_ = true;
        break;
      case DISFFC_STOPALL:
        StopEffectsExcept(nullptr);
        break;
      case DISFFC_PAUSE:
        if (!effectsPaused_) pausedAtNs_ = now;
        effectsPaused_ = true;
        break;
      case DISFFC_CONTINUE:
        // Paused effects go on from where they stood.
        if (effectsPaused_) {
          for (InputEffect *effect : effects_) effect->Delay(now - pausedAtNs_);
        }
        effectsPaused_ = false;
        break;
      default:
        actuatorsOn_ = flags == DISFFC_SETACTUATORSON;
        break;
    }
  }
  RumbleChanged();
  return DI_OK;
}

HRESULT InputDevice::EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK callback, LPVOID context,
                                              DWORD flags) {
  HRESULT ready = ForceFeedbackReady("EnumCreatedEffectObjects");
  if (FAILED(ready)) return ready;
  if (callback == nullptr || flags != 0) return DIERR_INVALIDPARAM;
  // The callback may release effects or make new ones: it runs on held
  // references, without the lock. An effect already on its way out is left
  // out.
  std::vector<InputEffect *> held;
  {
    std::lock_guard<std::mutex> hold(InputLock());
    for (InputEffect *effect : effects_) {
      if (effect->TryAddRef()) held.push_back(effect);
    }
  }
  bool more = true;
  for (InputEffect *effect : held) {
    if (more) more = callback(effect, context) != DIENUM_STOP;
    effect->Release();
  }
  return DI_OK;
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
