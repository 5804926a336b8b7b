// IDirectSoundBuffer: the primary buffer of a DirectSound object and its
// secondary buffers. Duplicates share one SoundData; every other state
// (cursor, volume, pan, frequency, playing) is the buffer's own. A
// secondary buffer is a source of the audio engine.
#pragma once

#include <windows.h>
#include <dsound.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/audio_source.h"

namespace platform {

// What a buffer asks of the DirectSound object that made it, under the
// card's lock: its cooperative level, and that its primary buffer is gone.
class BufferOwner {
 public:
  virtual DWORD level() const = 0;
  virtual void PrimaryReleased() = 0;

 protected:
  ~BufferOwner() = default;
};

struct SoundData {
  WAVEFORMATEX format;
  std::vector<BYTE> bytes;
  BYTE Silence() const { return format.wBitsPerSample == 8 ? 128 : 0; }
};

class SoundBuffer : public IDirectSoundBuffer, public AudioSource {
 public:
  // A primary buffer (data null) or a secondary one.
  SoundBuffer(BufferOwner *owner, DWORD flags, bool hardware, std::shared_ptr<SoundData> data);
  virtual ~SoundBuffer();

  // A duplicate: same data, flags, volume, pan and frequency; stopped at 0.
  SoundBuffer *Duplicate() const;

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(GetCaps)(LPDSBCAPS caps) override;
  STDMETHOD(GetCurrentPosition)(LPDWORD play, LPDWORD write) override;
  STDMETHOD(GetFormat)(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) override;
  STDMETHOD(GetVolume)(LPLONG volume) override;
  STDMETHOD(GetPan)(LPLONG pan) override;
  STDMETHOD(GetFrequency)(LPDWORD frequency) override;
  STDMETHOD(GetStatus)(LPDWORD status) override;
  STDMETHOD(Initialize)(LPDIRECTSOUND directSound, LPCDSBUFFERDESC description) override;
  STDMETHOD(Lock)(DWORD offset, DWORD bytes, LPVOID *part1, LPDWORD bytes1, LPVOID *part2, LPDWORD bytes2,
                  DWORD flags) override;
  STDMETHOD(Play)(DWORD reserved1, DWORD priority, DWORD flags) override;
  STDMETHOD(SetCurrentPosition)(DWORD position) override;
  STDMETHOD(SetFormat)(LPCWAVEFORMATEX format) override;
  STDMETHOD(SetVolume)(LONG volume) override;
  STDMETHOD(SetPan)(LONG pan) override;
  STDMETHOD(SetFrequency)(DWORD frequency) override;
  STDMETHOD(Stop)() override;
  STDMETHOD(Unlock)(LPVOID part1, DWORD bytes1, LPVOID part2, DWORD bytes2) override;
  STDMETHOD(Restore)() override;

  // Used by the card and the DirectSound object, under the card's lock.
  bool primary() const { return data_ == nullptr; }
  bool hardware() const { return hardware_; }
  BufferOwner *owner() const { return owner_; }
  // A secondary buffer joins the card's list and the engine's sources when
  // made, and leaves both when released or orphaned.
  void JoinCard();
  void LeaveCard();
  // The DirectSound object went away: the buffer stops and is no longer
  // mixed; a primary buffer the host still holds lives on as an orphan.
  void Orphan();
  void Lose();
  bool MixInto(int32_t *accumulator, uint32_t frames, uint32_t outputRate) override;
  bool audible() const;

 private:
  HRESULT CheckUsable() const;
  HRESULT CheckControl(DWORD control) const;
  DWORD FrameBytes() const { return data_->format.nBlockAlign; }
  DWORD Frames() const { return static_cast<DWORD>(data_->bytes.size() / FrameBytes()); }
  DWORD PlayCursor() const;
  void UpdateGains();
  void Stopped();

  std::atomic<ULONG> references_{1};
  BufferOwner *owner_;
  DWORD flags_;
  bool hardware_;
  DWORD hardwareBytes_ = 0;  // card memory this buffer holds
  std::shared_ptr<SoundData> data_;
  LONG volume_ = 0;
  LONG pan_ = 0;
  DWORD frequency_ = 0;
  uint64_t position_ = 0;  // 32.32 fixed-point frames
  bool playing_ = false;
  bool looping_ = false;
  bool lost_ = false;
  bool counted_ = true;  // in the card's count of live buffers
  int32_t gainLeft_, gainRight_;
};

}  // namespace platform
