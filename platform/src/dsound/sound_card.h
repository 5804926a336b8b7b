// The simulated sound card every DirectSound object plays on: capabilities
// and hardware-buffer accounting, the output format, the buffers it mixes,
// the audio clock (real or virtual) and the output sinks. One lock guards
// the card and the state of every sound buffer.
#pragma once

#include <windows.h>
#include <dsound.h>

#include <atomic>
#include <cstdint>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "dsound/audio_sinks.h"

namespace platform {

class SoundBuffer;

class SoundCard {
 public:
  static SoundCard &Get();
  ~SoundCard();

  std::mutex &lock() { return lock_; }

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

  const WAVEFORMATEX &format() const { return format_; }
  void SetFormat(const WAVEFORMATEX &format);
  uint64_t framesMixed() const { return framesMixed_; }

  // Buffers mixed while they play (callers hold the lock).
  void Attach(SoundBuffer *buffer);
  void Detach(SoundBuffer *buffer);
  std::vector<SoundBuffer *> Buffers() const { return buffers_; }

  // DirectSound objects: the clock runs while at least one exists. Called
  // without the lock.
  void DeviceOpened();
  void DeviceClosed();

  // The audio clock (called without the lock).
  void UseVirtualClock();
  void UseRealClock();
  void AdvanceVirtualClock(DWORD milliseconds);

  // Back to the power-on card (called without the lock).
  void Reset();

  AudioSinks sinks;
  std::atomic<int> liveDevices{0};
  std::atomic<int> liveBuffers{0};

 private:
  SoundCard();
  void StartThread();
  void StopThread();
  void ThreadMain();
  void Rebase();
  void MixDue(uint64_t elapsedMicroseconds);
  void MixFrames(uint64_t frames);

  std::mutex lock_;
  WAVEFORMATEX format_{};
  std::vector<SoundBuffer *> buffers_;
  DWORD hardwareBuffersInUse_ = 0;
  DWORD hardwareBytesInUse_ = 0;

  // Clock: frames due are those of the time since the origin.
  bool virtual_ = false;
  uint64_t framesMixed_ = 0;
  uint64_t framesSinceOrigin_ = 0;
  uint64_t virtualMicroseconds_ = 0;
  std::chrono::steady_clock::time_point origin_;

  std::thread thread_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

// The power-on capabilities: no free hardware mixing buffers, rates 100 to
// 100000 Hz, 8/16-bit mono/stereo primary formats, continuous rates.
DSCAPS DefaultSoundCaps();

}  // namespace platform
