// The sound card driver: the SDL audio device, its pull of mixed sound from
// the engine, and the conversion from the engine's format to the device's.
#include "drivers/sdl/sdl_device_sink.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/audio_engine.h"
#include "drivers/sdl/sdl_subsystems.h"

namespace platform {

namespace {

constexpr unsigned kDefaultLatencyMs = 20;
constexpr unsigned kMaxLatencyMs = 1000;
// The device's format: the engine's default, so that the usual mix reaches
// the card unconverted.
constexpr int kDeviceRate = 44100;
constexpr int kDeviceChannels = 2;
// A device request is met in a few pulls at most (a rate conversion may
// leave a pull a few frames short).
constexpr int kMaxPulls = 4;

unsigned EnvironmentLatencyMs() {
  const char *value = std::getenv("KORVANE_AUDIO_LATENCY_MS");
  if (value == nullptr || value[0] == '\0') return kDefaultLatencyMs;
  char *end = nullptr;
  const unsigned long asked = std::strtoul(value, &end, 10);
  if (end == value || *end != '\0' || asked == 0 || asked > kMaxLatencyMs) {
    std::fprintf(stderr, "KORVANE_AUDIO_LATENCY_MS: \"%s\" is not 1 to %u; using %u ms\n", value, kMaxLatencyMs,
                 kDefaultLatencyMs);
    return kDefaultLatencyMs;
  }
  return static_cast<unsigned>(asked);
}

std::atomic<unsigned> gLatencyMs{EnvironmentLatencyMs()};
std::atomic<unsigned> gUnderruns{0};
std::atomic<double> gBufferMs{0.0};

SDL_AudioFormat SdlFormat(const WAVEFORMATEX &format) { return format.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB; }

}  // namespace

void SetDeviceLatencyMs(unsigned milliseconds) { gLatencyMs = std::clamp(milliseconds, 1u, kMaxLatencyMs); }
unsigned DeviceLatencyMs() { return gLatencyMs; }
double DeviceBufferMs() { return gBufferMs; }
unsigned DeviceUnderruns() { return gUnderruns; }

void ResetDeviceFigures() {
  gLatencyMs = EnvironmentLatencyMs();
  gUnderruns = 0;
}

std::shared_ptr<SdlDeviceSink> SdlDeviceSink::Open(std::shared_ptr<AudioSink> recording) {
  std::shared_ptr<SdlDeviceSink> sink(new SdlDeviceSink(std::move(recording)));
  if (!sink->OpenDevice()) {
    if (sink->recording_ != nullptr) sink->recording_->Close();
    return nullptr;
  }
  return sink;
}

bool SdlDeviceSink::OpenDevice() {
  if (!sdl::Start(SDL_INIT_AUDIO)) return false;
  SDL_AudioSpec wanted{};
  wanted.freq = kDeviceRate;
  wanted.format = AUDIO_S16LSB;
  wanted.channels = kDeviceChannels;
  wanted.samples = static_cast<Uint16>(std::max(64u, gLatencyMs.load() * kDeviceRate / 1000));
  wanted.callback = Callback;
  wanted.userdata = this;
  // SDL converts to whatever the hardware wants; the buffer size may differ.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &spec_, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
  if (device_ == 0) {
    std::fprintf(stderr, "sound card: cannot open the audio device (%s)\n", SDL_GetError());
    sdl::Stop(SDL_INIT_AUDIO);
    return false;
  }
  gBufferMs = 1000.0 * spec_.samples / spec_.freq;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

SdlDeviceSink::~SdlDeviceSink() { Close(); }

void SdlDeviceSink::Write(const WAVEFORMATEX &format, const BYTE *bytes, size_t count, bool audible) {
  if (recording_ != nullptr) recording_->Write(format, bytes, count, audible);
  std::lock_guard<std::mutex> hold(streamLock_);
  if (closing_) return;
  if (stream_ == nullptr || std::memcmp(&format, &streamFormat_, 16) != 0) {
    // A new output format: what the old conversion still holds is kept,
    // converted, and played before the sound of the new format.
    if (stream_ != nullptr) {
      SDL_AudioStreamFlush(stream_);
      const int held = SDL_AudioStreamAvailable(stream_);
      const size_t at = carried_.size();
      carried_.resize(at + static_cast<size_t>(std::max(held, 0)));
      const int got = held > 0 ? SDL_AudioStreamGet(stream_, carried_.data() + at, held) : 0;
      carried_.resize(at + static_cast<size_t>(std::max(got, 0)));
      SDL_FreeAudioStream(stream_);
    }
    stream_ = SDL_NewAudioStream(SdlFormat(format), static_cast<Uint8>(format.nChannels),
                                 static_cast<int>(format.nSamplesPerSec), spec_.format, spec_.channels, spec_.freq);
    streamFormat_ = format;
    if (stream_ == nullptr) return;
  }
  SDL_AudioStreamPut(stream_, bytes, static_cast<int>(count));
}

int SdlDeviceSink::Available() {
  std::lock_guard<std::mutex> hold(streamLock_);
  return static_cast<int>(carried_.size()) + (stream_ != nullptr ? SDL_AudioStreamAvailable(stream_) : 0);
}

void SDLCALL SdlDeviceSink::Callback(void *self, Uint8 *out, int length) {
  static_cast<SdlDeviceSink *>(self)->Fill(out, length);
}

// The device's request: the engine mixes what is missing (under its own
// lock, writing back into this sink), then the device takes it. When the
// engine is idle the device plays silence; when it runs and still cannot
// give enough, that is an underrun.
void SdlDeviceSink::Fill(Uint8 *out, int length) {
  const int frameBytes = SDL_AUDIO_BITSIZE(spec_.format) / 8 * spec_.channels;
  bool engineRan = false;
  for (int pull = 0; pull < kMaxPulls && !closing_; ++pull) {
    const int missing = length - Available();
    if (missing <= 0) break;
    const uint32_t frames = static_cast<uint32_t>((missing + frameBytes - 1) / frameBytes);
    if (!AudioEngine::Get().MixForDevice(frames, static_cast<uint32_t>(spec_.freq))) break;
    engineRan = true;
  }
  int got = 0;
  {
    std::lock_guard<std::mutex> hold(streamLock_);
    const int carried = std::min(length, static_cast<int>(carried_.size()));
    if (carried > 0) {
      std::memcpy(out, carried_.data(), static_cast<size_t>(carried));
      carried_.erase(carried_.begin(), carried_.begin() + carried);
      got = carried;
    }
    if (stream_ != nullptr && got < length) got += std::max(SDL_AudioStreamGet(stream_, out + got, length - got), 0);
  }
  if (got < length) {
    std::memset(out + got, spec_.silence, static_cast<size_t>(length - got));
    if (engineRan) ++gUnderruns;
  }
}

void SdlDeviceSink::Throttle() {
  if (recording_ != nullptr) recording_->Throttle();
}

void SdlDeviceSink::Flush() {
  if (recording_ != nullptr) recording_->Flush();
}

void SdlDeviceSink::Close() {
  if (closing_.exchange(true)) return;
  // Waits for a request in progress; never called under the mix lock, which
  // that request may be waiting for.
  if (device_ != 0) {
    SDL_CloseAudioDevice(device_);
    sdl::Stop(SDL_INIT_AUDIO);
    device_ = 0;
  }
  {
    std::lock_guard<std::mutex> hold(streamLock_);
    if (stream_ != nullptr) SDL_FreeAudioStream(stream_);
    stream_ = nullptr;
    carried_.clear();
  }
  gBufferMs = 0.0;
  if (recording_ != nullptr) recording_->Close();
}

}  // namespace platform

namespace platform {

// The sound card; a target is a WAV file that records the same sound.
std::shared_ptr<AudioSink> OpenDeviceSink(const std::string &recordingPath) {
  return SdlDeviceSink::Open(recordingPath.empty() ? nullptr : OpenWavSink(recordingPath));
}

}  // namespace platform
