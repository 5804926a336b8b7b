// The simulated sound card every DirectSound object plays on: capabilities
// and hardware-buffer accounting, the secondary buffers it holds, and the
// DirectSound objects open on it. Mixing, the output format and the sinks
// belong to the audio engine, whose mix lock also guards the card and the
// state of every sound buffer.
#pragma once

#include <windows.h>
#include <dsound.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "audio/audio_engine.h"

namespace platform {

class SoundBuffer;

class SoundCard {
 public:
  static SoundCard &Get();
  ~SoundCard();

  std::mutex &lock() { return AudioEngine::Get().lock(); }

  // Configuration and accounting (callers hold the lock).
  bool present = true;
  DSCAPS configured{};
  // Most secondary buffers (duplicates included) the card's memory holds.
  size_t bufferLimit = SIZE_MAX;
  bool RoomForBuffer() const { return buffers_.size() < bufferLimit; }
  DSCAPS CurrentCaps() const;
  // Takes one hardware mixing buffer (and `bytes` of card memory when the
  // card has memory of its own); false when none is free.
  bool TakeHardware(DWORD bytes);
  void GiveBackHardware(DWORD bytes);

  // The output format and the frames played, kept by the audio engine
  // (callers hold the lock).
  const WAVEFORMATEX &format() const { return AudioEngine::Get().format(); }
  void SetFormat(const WAVEFORMATEX &format) { AudioEngine::Get().SetFormat(format); }
  uint64_t framesMixed() const { return AudioEngine::Get().framesMixed(); }

  // Secondary buffers, each a source of the audio engine (callers hold the
  // lock).
  void Attach(SoundBuffer *buffer);
  // Whether `buffer` was attached.
  bool Detach(SoundBuffer *buffer);
  std::vector<SoundBuffer *> Buffers() const { return buffers_; }

  // Primary buffers whose DirectSound object went away while the host still
  // held them: alive until the host releases them or the machine is reset
  // (callers hold the lock).
  void KeepOrphan(AudioSource *primary);
  void ForgetOrphan(AudioSource *primary);

  // DirectSound objects: the audio engine runs while one is open. Called
  // without the lock; the count changes under it.
  void DeviceOpened();
  void DeviceClosed();

  // Back to the power-on card (called without the lock).
  void Reset();

  std::atomic<int> liveDevices{0};
  std::atomic<int> liveBuffers{0};

 private:
  SoundCard();

  std::vector<SoundBuffer *> buffers_;
  std::vector<AudioSource *> orphans_;
  DWORD hardwareBuffersInUse_ = 0;
  DWORD hardwareBytesInUse_ = 0;
};

// The power-on capabilities: no free hardware mixing buffers, rates 100 to
// 100000 Hz, 8/16-bit mono/stereo primary formats, continuous rates.
DSCAPS DefaultSoundCaps();

// A PCM format the card plays (plain, or extensible with the PCM sub-format):
// 1 or 2 channels, 8 or 16 bits, 100 to 100000 frames per second.
bool PlayableFormat(const WAVEFORMATEX &format);
// The plain PCM record of a playable format.
WAVEFORMATEX PlainPcm(const WAVEFORMATEX &format);

}  // namespace platform
