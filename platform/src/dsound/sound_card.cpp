// The sound card: capabilities, the mixing of every playing buffer into the
// output format, the audio clock that drives it, and the reset hook.
#include "dsound/sound_card.h"

#include <algorithm>
#include <cstring>

#include "control/reset.h"
#include "dsound/sound_buffer.h"

namespace platform {

namespace {

constexpr uint32_t kMixBlockFrames = 1024;
constexpr auto kRealClockPeriod = std::chrono::milliseconds(10);
// A real clock that fell far behind (a stopped process) catches up at most
// this much at once instead of mixing a long burst.
constexpr uint64_t kMaxCatchUpMicroseconds = 500000;

WAVEFORMATEX DefaultFormat() {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = 44100;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = 44100 * 4;
  return format;
}

// Writes one block of the stereo accumulator in the output format.
void ConvertBlock(const int32_t *mix, uint32_t frames, const WAVEFORMATEX &format, std::vector<BYTE> *out,
                  bool *audible) {
  out->resize(static_cast<size_t>(frames) * format.nBlockAlign);
  BYTE *at = out->data();
  for (uint32_t i = 0; i < frames; ++i) {
    int32_t left = std::clamp(mix[2 * i], -32768, 32767);
    int32_t right = std::clamp(mix[2 * i + 1], -32768, 32767);
    if (left != 0 || right != 0) *audible = true;
    int32_t values[2] = {left, right};
    if (format.nChannels == 1) values[0] = (left + right) >> 1;
    for (int channel = 0; channel < format.nChannels; ++channel) {
      if (format.wBitsPerSample == 8) {
        *at++ = static_cast<BYTE>((values[channel] >> 8) + 128);
      } else {
        int16_t sample = static_cast<int16_t>(values[channel]);
        std::memcpy(at, &sample, 2);
        at += 2;
      }
    }
  }
}

}  // namespace

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

SoundCard::SoundCard() : configured(DefaultSoundCaps()), format_(DefaultFormat()) { sinks.Reset(); }

SoundCard::~SoundCard() { StopThread(); }

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

void SoundCard::SetFormat(const WAVEFORMATEX &format) {
  const bool newRate = format.nSamplesPerSec != format_.nSamplesPerSec;
  format_ = format;
  format_.cbSize = 0;
  if (newRate) Rebase();
}

void SoundCard::Attach(SoundBuffer *buffer) { buffers_.push_back(buffer); }

void SoundCard::Detach(SoundBuffer *buffer) {
  buffers_.erase(std::remove(buffers_.begin(), buffers_.end(), buffer), buffers_.end());
}

void SoundCard::MixFrames(uint64_t frames) {
  std::vector<int32_t> mix;
  std::vector<BYTE> out;
  while (frames > 0) {
    const uint32_t block = static_cast<uint32_t>(std::min<uint64_t>(frames, kMixBlockFrames));
    mix.assign(2 * static_cast<size_t>(block), 0);
    for (SoundBuffer *buffer : buffers_) buffer->MixInto(mix.data(), block, format_.nSamplesPerSec);
    bool audible = false;
    ConvertBlock(mix.data(), block, format_, &out, &audible);
    sinks.Write(format_, out.data(), out.size(), audible);
    framesMixed_ += block;
    framesSinceOrigin_ += block;
    frames -= block;
  }
}

// Mixes the frames that `elapsedMicroseconds` since the origin make due.
void SoundCard::MixDue(uint64_t elapsedMicroseconds) {
  const uint64_t due = elapsedMicroseconds * format_.nSamplesPerSec / 1000000;
  if (due > framesSinceOrigin_) MixFrames(due - framesSinceOrigin_);
}

void SoundCard::Rebase() {
  origin_ = std::chrono::steady_clock::now();
  virtualMicroseconds_ = 0;
  framesSinceOrigin_ = 0;
}

void SoundCard::DeviceOpened() {
  if (liveDevices.fetch_add(1) != 0) return;
  std::lock_guard<std::mutex> hold(lock_);
  Rebase();
  if (!virtual_) StartThread();
}

void SoundCard::DeviceClosed() {
  if (liveDevices.fetch_sub(1) != 1) return;
  StopThread();
}

void SoundCard::StartThread() {
  if (thread_.joinable()) return;
  stopping_ = false;
  thread_ = std::thread([this] { ThreadMain(); });
}

void SoundCard::StopThread() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!thread_.joinable()) return;
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void SoundCard::ThreadMain() {
  std::unique_lock<std::mutex> hold(lock_);
  while (!stopping_) {
    wake_.wait_for(hold, kRealClockPeriod);
    if (stopping_) break;
    auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - origin_);
    uint64_t micros = static_cast<uint64_t>(elapsed.count());
    const uint64_t mixedMicros = framesSinceOrigin_ * 1000000 / format_.nSamplesPerSec;
    if (micros > mixedMicros + kMaxCatchUpMicroseconds) {
      // Skip the lost time: the clock goes on from the frames already mixed.
      origin_ += std::chrono::microseconds(micros - mixedMicros - kRealClockPeriod.count() * 1000);
      micros = mixedMicros + kRealClockPeriod.count() * 1000;
    }
    MixDue(micros);
  }
}

void SoundCard::UseVirtualClock() {
  StopThread();
  std::lock_guard<std::mutex> hold(lock_);
  virtual_ = true;
  Rebase();
}

void SoundCard::UseRealClock() {
  std::lock_guard<std::mutex> hold(lock_);
  if (!virtual_) return;
  virtual_ = false;
  Rebase();
  if (liveDevices.load() > 0) StartThread();
}

void SoundCard::AdvanceVirtualClock(DWORD milliseconds) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!virtual_) return;
  virtualMicroseconds_ += static_cast<uint64_t>(milliseconds) * 1000;
  if (liveDevices.load() > 0) MixDue(virtualMicroseconds_);
}

void SoundCard::Reset() {
  UseRealClock();
  std::lock_guard<std::mutex> hold(lock_);
  present = true;
  bufferLimit = SIZE_MAX;
  configured = DefaultSoundCaps();
  format_ = DefaultFormat();
  sinks.Reset();
}

namespace {
void ResetSoundCard() { SoundCard::Get().Reset(); }
ResetHook gResetSoundCard(ResetSoundCard);
}  // namespace

}  // namespace platform
