// A force-feedback effect object (IDirectInputEffect) of a rumble joystick:
// its parameters as set, the copy downloaded to the device that plays, and
// its run. It belongs to the device that created it; once that device is
// gone the effect answers DIERR_NOTINITIALIZED. State is guarded by
// InputLock().
#pragma once

#include "dinput/dinput7.h"

#include <atomic>
#include <cstdint>

#include "dinput/effect_kinds.h"
#include "dinput/effect_parameters.h"
#include "dinput/effect_playback.h"

namespace platform::dinput {

class InputEffect;

// The device an effect belongs to, as the effect sees it: the axes its
// objects offer, whether it is held exclusively, the time its effects run
// on, and the list of its effects. The device implements it; calls are
// made with the input lock held.
class EffectDevice : public EffectAxes {
 public:
  virtual bool HoldsExclusively() const = 0;
  // The machine clock, standing still while the device's effects are paused.
  virtual uint64_t EffectTime() const = 0;
  virtual void ForgetEffect(InputEffect *effect) = 0;
  virtual void StopEffectsExcept(const InputEffect *solo) = 0;
};

class InputEffect : public IDirectInputEffect {
 public:
  // A new effect of `kind` on `device`, which lists it (input lock held).
  InputEffect(EffectDevice *device, const EffectKind &kind);
  virtual ~InputEffect();

  // IUnknown
  STDMETHOD(QueryInterface)(REFIID riid, void **object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  // IDirectInputEffect
  STDMETHOD(Initialize)(HINSTANCE instance, DWORD version, REFGUID guid) override;
  STDMETHOD(GetEffectGuid)(LPGUID guid) override;
  STDMETHOD(GetParameters)(LPDIEFFECT effect, DWORD flags) override;
  STDMETHOD(SetParameters)(LPCDIEFFECT effect, DWORD flags) override;
  STDMETHOD(Start)(DWORD iterations, DWORD flags) override;
  STDMETHOD(Stop)() override;
  STDMETHOD(GetEffectStatus)(LPDWORD flags) override;
  STDMETHOD(Download)() override;
  STDMETHOD(Unload)() override;
  STDMETHOD(Escape)(LPDIEFFESCAPE escape) override;

  // A reference for the device's enumeration, unless the effect is already
  // being destroyed.
  bool TryAddRef() {
    ULONG count = references_.load();
    while (count != 0) {
      if (references_.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
  }

  // Device side, input lock held.
  void DeviceGone();
  void StopPlaying() { playing_ = false; }
  // Stopped and off the device (unacquired, reset, unloaded).
  void TakeOffDevice();
  bool OnDevice() const { return downloaded_; }
  bool PlayingAt(uint64_t effectTime) const;
  MotorLevels LevelsAt(uint64_t effectTime, uint64_t *nextPhase) const;
  // The device paused for `pausedNs`: the run goes on where it stood.
  void Delay(uint64_t pausedNs) { run_.startNs += pausedNs; }

 private:
  // The checks most methods share: the pending fault, and a device that is
  // still there (and held exclusively when `exclusive`).
  HRESULT Usable(const char *method, bool exclusive) const;
  HRESULT DownloadLocked();
  HRESULT StartLocked(DWORD iterations, DWORD flags);

  std::atomic<ULONG> references_{1};
  EffectDevice *device_;
  const EffectKind &kind_;
  EffectParameters params_;  // as set
  EffectParameters loaded_;  // as the device plays them
  bool downloaded_ = false;
  bool changed_ = false;  // params_ differ from loaded_
  bool playing_ = false;
  EffectRun run_;
};

}  // namespace platform::dinput
