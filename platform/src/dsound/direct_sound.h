// IDirectSound: the cooperative level, buffer creation and duplication, and
// the capabilities of the sound card it plays on.
#pragma once

#include <windows.h>
#include <dsound.h>

#include <atomic>

#include "dsound/sound_buffer.h"

namespace platform {

class SoundBuffer;

class DirectSound : public IDirectSound, public BufferOwner {
 public:
  DirectSound();
  virtual ~DirectSound();

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(CreateSoundBuffer)(LPCDSBUFFERDESC description, LPLPDIRECTSOUNDBUFFER buffer, IUnknown *outer) override;
  STDMETHOD(GetCaps)(LPDSCAPS caps) override;
  STDMETHOD(DuplicateSoundBuffer)(LPDIRECTSOUNDBUFFER original, LPLPDIRECTSOUNDBUFFER duplicate) override;
  STDMETHOD(SetCooperativeLevel)(HWND window, DWORD level) override;
  STDMETHOD(Compact)() override;
  STDMETHOD(GetSpeakerConfig)(LPDWORD config) override;
  STDMETHOD(SetSpeakerConfig)(DWORD config) override;
  STDMETHOD(Initialize)(LPCGUID guid) override;

  // Under the card's lock.
  DWORD level() const override { return level_; }
  void PrimaryReleased() override { primary_ = nullptr; }

 private:
  HRESULT CreatePrimary(LPCDSBUFFERDESC description, LPLPDIRECTSOUNDBUFFER buffer);
  HRESULT CreateSecondary(LPCDSBUFFERDESC description, LPLPDIRECTSOUNDBUFFER buffer);

  std::atomic<ULONG> references_{1};
  DWORD level_ = 0;
  DWORD speakerConfig_ = 4;  // stereo speakers
  SoundBuffer *primary_ = nullptr;
};


}  // namespace platform
