// IDirectSound: the cooperative level, buffer creation and duplication, and
// the capabilities of the sound card it plays on.
#pragma once

#include <windows.h>
#include <dsound.h>

#include <atomic>

namespace platform {

class SoundBuffer;

class DirectSound : public IDirectSound {
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
  DWORD level() const { return level_; }
  void PrimaryReleased() { primary_ = nullptr; }

 private:
  HRESULT CreatePrimary(LPCDSBUFFERDESC description, LPLPDIRECTSOUNDBUFFER buffer);
  HRESULT CreateSecondary(LPCDSBUFFERDESC description, LPLPDIRECTSOUNDBUFFER buffer);

  std::atomic<ULONG> references_{1};
  DWORD level_ = 0;
  DWORD speakerConfig_ = 4;  // stereo speakers
  SoundBuffer *primary_ = nullptr;
};

// A PCM format the card plays (plain, or extensible with the PCM sub-format):
// 1 or 2 channels, 8 or 16 bits, 100 to 100000 frames per second.
bool PlayableFormat(const WAVEFORMATEX &format);
// The plain PCM record of a playable format.
WAVEFORMATEX PlainPcm(const WAVEFORMATEX &format);

}  // namespace platform
