// The sound card: capabilities, hardware-buffer accounting, the buffers it
// hands to the audio engine, the DirectSound objects open on it, and the
// reset hook.
#include "dsound/sound_card.h"

#include <algorithm>
#include <cstring>

#include "base/reset.h"

namespace platform {

namespace {

// WAVE_FORMAT_EXTENSIBLE whose sub-format is PCM: 22 extra bytes holding the
// valid bits, the channel mask and the sub-format GUID.
constexpr WORD kExtensibleTag = 0xFFFE;
constexpr WORD kExtensibleExtraBytes = 22;
const BYTE kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

bool PcmTag(const WAVEFORMATEX &format) {
  if (format.wFormatTag == WAVE_FORMAT_PCM) return true;
  if (format.wFormatTag != kExtensibleTag || format.cbSize < kExtensibleExtraBytes) return false;
  const BYTE *subFormat = reinterpret_cast<const BYTE *>(&format) + sizeof(WAVEFORMATEX) + 6;
  return std::memcmp(subFormat, kPcmSubFormat, sizeof kPcmSubFormat) == 0;
}

}  // namespace

bool PlayableFormat(const WAVEFORMATEX &format) {
  return PcmTag(format) && (format.nChannels == 1 || format.nChannels == 2) &&
         (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) && format.nSamplesPerSec >= 100 &&
         format.nSamplesPerSec <= 100000;
}

WAVEFORMATEX PlainPcm(const WAVEFORMATEX &format) {
  // The card works from the channel count and sample size; a block
  // alignment or byte rate that disagrees with them is recomputed.
  WAVEFORMATEX plain = format;
  plain.wFormatTag = WAVE_FORMAT_PCM;
  plain.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
  plain.nAvgBytesPerSec = format.nSamplesPerSec * plain.nBlockAlign;
  plain.cbSize = 0;
  return plain;
}


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
  for (AudioSource *orphan : orphans_) delete orphan;
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

void SoundCard::Attach(SoundBuffer *buffer) { buffers_.push_back(buffer); }

bool SoundCard::Detach(SoundBuffer *buffer) {
  const auto found = std::find(buffers_.begin(), buffers_.end(), buffer);
  if (found == buffers_.end()) return false;
  buffers_.erase(found);
  return true;
}

void SoundCard::KeepOrphan(AudioSource *primary) { orphans_.push_back(primary); }

void SoundCard::ForgetOrphan(AudioSource *primary) {
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
  std::vector<AudioSource *> orphans;
  {
    std::lock_guard<std::mutex> hold(lock());
    present = true;
    bufferLimit = SIZE_MAX;
    configured = DefaultSoundCaps();
    orphans.swap(orphans_);
  }
  // A power cycle takes the primary buffers left over from DirectSound
  // objects that are gone (hosts often never release them).
  for (AudioSource *orphan : orphans) delete orphan;
}

namespace {
void ResetSoundCard() { SoundCard::Get().Reset(); }
ResetHook gResetSoundCard(ResetSoundCard);
}  // namespace

}  // namespace platform
