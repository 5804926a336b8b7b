// The effect object's methods. Changing parameters keeps the device's copy
// until the effect is downloaded again (at once, unless the program asks
// otherwise); starting, stopping and downloading need the device held
// exclusively, as DirectInput requires.
#include "dinput/input_effect.h"

#include <mutex>
#include <string>

#include "base/faults.h"
#include "dinput/input_hardware.h"
#include "dinput/rumble_output.h"

namespace platform::dinput {

namespace {

bool EffectFault(const char *method, HRESULT *result) {
  return TakeFault((std::string("IDirectInputEffect::") + method).c_str(), result);
}

constexpr DWORD kSetFlags = DIEP_ALLPARAMS | DIEP_START | DIEP_NORESTART | DIEP_NODOWNLOAD;

}  // namespace

InputEffect::InputEffect(EffectDevice *device, const EffectKind &kind) : device_(device), kind_(kind) {}

InputEffect::~InputEffect() {
  bool wasPlaying;
  {
    std::lock_guard<std::mutex> hold(InputLock());
    wasPlaying = playing_;
    if (device_ != nullptr) device_->ForgetEffect(this);
  }
  if (wasPlaying) RumbleChanged();
}

HRESULT InputEffect::QueryInterface(REFIID riid, void **object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  HRESULT fault;
  if (EffectFault("QueryInterface", &fault)) return fault;
  if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IDirectInputEffect)) return E_NOINTERFACE;
  AddRef();
  *object = static_cast<IDirectInputEffect *>(this);
  return S_OK;
}

ULONG InputEffect::AddRef() { return ++references_; }

ULONG InputEffect::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

void InputEffect::DeviceGone() {
  device_ = nullptr;
  TakeOffDevice();
}

void InputEffect::TakeOffDevice() {
  playing_ = false;
  downloaded_ = false;
}

bool InputEffect::PlayingAt(uint64_t effectTime) const {
  return playing_ && downloaded_ && !RunOver(loaded_, run_, effectTime);
}

MotorLevels InputEffect::LevelsAt(uint64_t effectTime, uint64_t *nextPhase) const {
  if (!playing_ || !downloaded_) return {};
  return RunLevels(loaded_, kind_, run_, effectTime, nextPhase);
}

HRESULT InputEffect::Usable(const char *method, bool exclusive) const {
  HRESULT fault;
  if (EffectFault(method, &fault)) return fault;
  if (device_ == nullptr) return DIERR_NOTINITIALIZED;
  if (exclusive && !device_->HoldsExclusively()) return DIERR_NOTEXCLUSIVEACQUIRED;
  return DI_OK;
}

// A made effect is initialised for its kind already; asking again for the
// same kind changes nothing.
HRESULT InputEffect::Initialize(HINSTANCE, DWORD version, REFGUID guid) {
  std::lock_guard<std::mutex> hold(InputLock());
  HRESULT usable = Usable("Initialize", false);
  if (FAILED(usable)) return usable;
  if (version > 0x0700) return DIERR_OLDDIRECTINPUTVERSION;
  if (version < 0x0300) return DIERR_BETADIRECTINPUTVERSION;
  if (FindEffectKind(guid) == nullptr) return DIERR_DEVICENOTREG;
  return IsEqualGUID(guid, *kind_.guid) ? DI_OK : DIERR_ALREADYINITIALIZED;
}

HRESULT InputEffect::GetEffectGuid(LPGUID guid) {
  HRESULT fault;
  if (EffectFault("GetEffectGuid", &fault)) return fault;
  if (guid == nullptr) return DIERR_INVALIDPARAM;
  *guid = *kind_.guid;
  return DI_OK;
}

HRESULT InputEffect::GetParameters(LPDIEFFECT effect, DWORD flags) {
  if (effect == nullptr || !KnownEffectRecordSize(effect->dwSize) || (flags & ~DIEP_ALLPARAMS)) {
    return DIERR_INVALIDPARAM;
  }
  std::lock_guard<std::mutex> hold(InputLock());
  HRESULT usable = Usable("GetParameters", false);
  if (FAILED(usable)) return usable;
  return ReadParameters(params_, flags, kind_, *device_, effect);
}

HRESULT InputEffect::SetParameters(LPCDIEFFECT effect, DWORD flags) {
  if (effect == nullptr || !KnownEffectRecordSize(effect->dwSize) || (flags & ~kSetFlags)) return DIERR_INVALIDPARAM;
  HRESULT result;
  {
    std::lock_guard<std::mutex> hold(InputLock());
    HRESULT usable = Usable("SetParameters", false);
    if (FAILED(usable)) return usable;
    result = ApplyParameters(*effect, flags & DIEP_ALLPARAMS, kind_, *device_, &params_);
    if (FAILED(result)) return result;
    if (flags & DIEP_ALLPARAMS) changed_ = true;
    if (flags & DIEP_START) {
      HRESULT started = StartLocked(1, 0);
      if (FAILED(started)) return started;
    } else if (!(flags & DIEP_NODOWNLOAD)) {
      // Parameters a device cannot take yet are kept for a later download.
      if (FAILED(DownloadLocked())) result = DI_DOWNLOADSKIPPED;
    }
  }
  RumbleChanged();
  return result;
}

HRESULT InputEffect::DownloadLocked() {
  if (!device_->HoldsExclusively()) return DIERR_NOTEXCLUSIVEACQUIRED;
  if (!CompleteParameters(params_)) return DIERR_INCOMPLETEEFFECT;
  if (downloaded_ && !changed_) return S_FALSE;
  loaded_ = params_;
  downloaded_ = true;
  changed_ = false;
  return DI_OK;
}

HRESULT InputEffect::StartLocked(DWORD iterations, DWORD flags) {
  if (iterations == 0 || (flags & ~(DIES_SOLO | DIES_NODOWNLOAD))) return DIERR_INVALIDPARAM;
  if (!device_->HoldsExclusively()) return DIERR_NOTEXCLUSIVEACQUIRED;
  if (flags & DIES_NODOWNLOAD) {
    if (!downloaded_) return DIERR_NOTDOWNLOADED;
  } else {
    HRESULT loaded = DownloadLocked();
    if (FAILED(loaded)) return loaded;
  }
  if (flags & DIES_SOLO) device_->StopEffectsExcept(this);
  playing_ = true;
  run_.startNs = device_->EffectTime();
  run_.iterations = iterations;
  return DI_OK;
}

HRESULT InputEffect::Start(DWORD iterations, DWORD flags) {
  {
    std::lock_guard<std::mutex> hold(InputLock());
    HRESULT usable = Usable("Start", false);
    if (FAILED(usable)) return usable;
    HRESULT started = StartLocked(iterations, flags);
    if (FAILED(started)) return started;
  }
  RumbleChanged();
  return DI_OK;
}

HRESULT InputEffect::Stop() {
  {
    std::lock_guard<std::mutex> hold(InputLock());
    HRESULT usable = Usable("Stop", true);
    if (FAILED(usable)) return usable;
    playing_ = false;
  }
  RumbleChanged();
  return DI_OK;
}

HRESULT InputEffect::GetEffectStatus(LPDWORD flags) {
  if (flags == nullptr) return DIERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(InputLock());
  HRESULT usable = Usable("GetEffectStatus", false);
  if (FAILED(usable)) return usable;
  *flags = PlayingAt(device_->EffectTime()) ? DIEGES_PLAYING : 0;
  return DI_OK;
}

HRESULT InputEffect::Download() {
  std::lock_guard<std::mutex> hold(InputLock());
  HRESULT usable = Usable("Download", false);
  if (FAILED(usable)) return usable;
  return DownloadLocked();
}

HRESULT InputEffect::Unload() {
  {
    std::lock_guard<std::mutex> hold(InputLock());
    HRESULT usable = Usable("Unload", true);
    if (FAILED(usable)) return usable;
    TakeOffDevice();
  }
  RumbleChanged();
  return DI_OK;
}

HRESULT InputEffect::Escape(LPDIEFFESCAPE) {
  HRESULT fault;
  if (EffectFault("Escape", &fault)) return fault;
  return DIERR_UNSUPPORTED;
}

}  // namespace platform::dinput
