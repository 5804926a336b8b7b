// The sound card: capabilities, hardware-buffer accounting, the buffers it
// hands to the audio engine, the DirectSound objects open on it, and the
// reset hook.
#include "dsound/sound_card.h"

#include <algorithm>

#include "control/reset.h"
#include "dsound/sound_buffer.h"

namespace platform {

DSCAPS DefaultSoundCaps() {
  DSCAPS caps{};
  caps.dwSize = sizeof(DSCAPS);
  caps.dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARY16BIT |
                 DSCAPS_CONTINUOUSRATE;
  caps.dwMinSecondarySampleRate = 100;
  caps.dwMaxSecondarySampleRate = 100000;
  caps.dwPrimaryBuffers = 1;
  return caps;
}

SoundCard &SoundCard::Get() {
  static SoundCard card;
  return card;
}

SoundCard::SoundCard() : configured(DefaultSoundCaps()) {}

// The process ends: orphaned primary buffers the host never released go
// with the card.
SoundCard::~SoundCard() {
  for (SoundBuffer *orphan : orphans_) delete orphan;
}

DSCAPS SoundCard::CurrentCaps() const {
  DSCAPS caps = configured;
  auto less = [](DWORD value, DWORD used) { return value > used ? value - used : 0; };
  caps.dwFreeHwMixingAllBuffers = less(configured.dwFreeHwMixingAllBuffers, hardwareBuffersInUse_);
  caps.dwFreeHwMixingStaticBuffers = less(configured.dwFreeHwMixingStaticBuffers, hardwareBuffersInUse_);
  caps.dwFreeHwMixingStreamingBuffers = less(configured.dwFreeHwMixingStreamingBuffers, hardwareBuffersInUse_);
  caps.dwFreeHwMemBytes = less(configured.dwFreeHwMemBytes, hardwareBytesInUse_);
  caps.dwMaxContigFreeHwMemBytes = std::min(caps.dwMaxContigFreeHwMemBytes, caps.dwFreeHwMemBytes);
  return caps;
}

bool SoundCard::TakeHardware(DWORD bytes) {
  DSCAPS caps = CurrentCaps();
  if (caps.dwFreeHwMixingAllBuffers == 0) return false;
  // A card without memory of its own plays hardware buffers from system memory.
  const bool ownMemory = configured.dwTotalHwMemBytes != 0;
  if (ownMemory && caps.dwFreeHwMemBytes < bytes) return false;
  ++hardwareBuffersInUse_;
  if (ownMemory) hardwareBytesInUse_ += bytes;
  return true;
}

void SoundCard::GiveBackHardware(DWORD bytes) {
  if (hardwareBuffersInUse_ > 0) --hardwareBuffersInUse_;
  if (configured.dwTotalHwMemBytes != 0) hardwareBytesInUse_ -= std::min(hardwareBytesInUse_, bytes);
}

void SoundCard::Attach(SoundBuffer *buffer) {
  buffers_.push_back(buffer);
  AudioEngine::Get().AddSource(buffer);
}

void SoundCard::Detach(SoundBuffer *buffer) {
  const auto found = std::find(buffers_.begin(), buffers_.end(), buffer);
  if (found == buffers_.end()) return;
  buffers_.erase(found);
  AudioEngine::Get().RemoveSource(buffer);
}

void SoundCard::KeepOrphan(SoundBuffer *primary) { orphans_.push_back(primary); }

void SoundCard::ForgetOrphan(SoundBuffer *primary) {
  orphans_.erase(std::remove(orphans_.begin(), orphans_.end(), primary), orphans_.end());
}

void SoundCard::DeviceOpened() {
  AudioEngine &engine = AudioEngine::Get();
  std::lock_guard<std::mutex> hold(engine.lock());
  ++liveDevices;
  engine.OpenOutputLocked();
}

void SoundCard::DeviceClosed() {
  AudioEngine &engine = AudioEngine::Get();
  std::unique_lock<std::mutex> hold(engine.lock());
  --liveDevices;
  std::shared_ptr<AudioSink> idle = engine.CloseOutputLocked();
  hold.unlock();
  // Nothing plays any more: what was recorded is complete where it went.
  if (idle != nullptr) idle->Flush();
}

void SoundCard::Reset() {
  std::vector<SoundBuffer *> orphans;
  {
    std::lock_guard<std::mutex> hold(lock());
    present = true;
    bufferLimit = SIZE_MAX;
    configured = DefaultSoundCaps();
    orphans.swap(orphans_);
  }
  // A power cycle takes the primary buffers left over from DirectSound
  // objects that are gone (hosts often never release them).
  for (SoundBuffer *orphan : orphans) delete orphan;
}

namespace {
void ResetSoundCard() { SoundCard::Get().Reset(); }
ResetHook gResetSoundCard(ResetSoundCard);
}  // namespace

}  // namespace platform
