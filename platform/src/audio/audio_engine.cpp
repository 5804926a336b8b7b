// The audio engine's mixing, its pacing on the machine clock (the mixer
// thread under real time, the advances of the virtual clock), the output
// driver and the reset hook.
#include "audio/audio_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "base/reset.h"

namespace platform {

namespace {

constexpr uint32_t kMixBlockFrames = 1024;
constexpr auto kRealClockPeriod = std::chrono::milliseconds(10);
constexpr uint64_t kRealClockPeriodNs = 10 * kNanosecondsPerMillisecond;
// A real clock that fell far behind (a stopped process) catches up at most
// this much at once instead of mixing a long burst.
constexpr uint64_t kMaxCatchUpNs = 500 * kNanosecondsPerMillisecond;
constexpr uint64_t kNanosecondsPerSecond = 1000000000;

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

// Writes one block of the stereo accumulator in the output format; true
// when any sample is not silent.
bool ConvertBlock(const int32_t *mix, uint32_t frames, const WAVEFORMATEX &format, std::vector<BYTE> *out) {
  bool audible = false;
  out->resize(static_cast<size_t>(frames) * format.nBlockAlign);
  BYTE *at = out->data();
  for (uint32_t i = 0; i < frames; ++i) {
    int32_t left = std::clamp(mix[2 * i], -32768, 32767);
    int32_t right = std::clamp(mix[2 * i + 1], -32768, 32767);
    if (left != 0 || right != 0) audible = true;
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
  return audible;
}

// The output the environment names: KORVANE_AUDIO_DRIVER=name[:target],
// KORVANE_AUDIO=device (the sound card, recording to KORVANE_AUDIO_WAV too
// when that is set), or KORVANE_AUDIO_WAV=path; none otherwise.
void EnvironmentOutput(std::string *name, std::string *target) {
  *name = "none";
  target->clear();
  const char *driver = std::getenv("KORVANE_AUDIO_DRIVER");
  if (driver != nullptr && driver[0] != '\0') {
    const std::string chosen = driver;
    const size_t colon = chosen.find(':');
    *name = chosen.substr(0, colon);
    if (colon != std::string::npos) *target = chosen.substr(colon + 1);
    if (FindAudioDriver(*name) != nullptr) return;
    std::fprintf(stderr, "sound card: no audio driver '%s', playing into nothing\n", name->c_str());
    *name = "none";
    target->clear();
  }
  const char *path = std::getenv("KORVANE_AUDIO_WAV");
  const bool recording = path != nullptr && path[0] != '\0';
  // The sound card, recording to the WAV file as well when one is named.
  const char *card = std::getenv("KORVANE_AUDIO");
  if (card != nullptr && std::string(card) == "device") {
    *name = "device";
    if (recording) *target = path;
    return;
  }
  if (recording) {
    *name = "wav";
    *target = path;
  }
}

// A sink of the driver, or, when a sound card cannot open here, the WAV
// recording it was to make beside it (the null sink without one).
std::shared_ptr<AudioSink> OpenOrFallBack(std::string *name, const std::string &target) {
  std::shared_ptr<AudioSink> sink = FindAudioDriver(*name)->open(target);
  if (sink != nullptr) return sink;
  *name = target.empty() ? "none" : "wav";
  std::fprintf(stderr, "sound card: using the \"%s\" driver instead\n", name->c_str());
  return FindAudioDriver(*name)->open(target);
}

}  // namespace

AudioEngine &AudioEngine::Get() {
  static AudioEngine engine;
  return engine;
}

AudioEngine::AudioEngine() : format_(DefaultFormat()), capture_(std::make_shared<MemorySink>()) {
  std::string name, target;
  EnvironmentOutput(&name, &target);
  output_ = OpenOrFallBack(&name, target);
  outputName_ = name;
  outputTarget_ = target;
  MachineClock &clock = MachineClock::Get();
  virtual_ = clock.IsVirtual();
  clock.Register(this);
}

AudioEngine::~AudioEngine() {
  MachineClock::Get().Unregister(this);
  StopThread();
  // The process ends: the recording is completed and closed.
  std::shared_ptr<AudioSink> output;
  {
    std::lock_guard<std::mutex> hold(lock_);
    output.swap(output_);
  }
  if (output != nullptr) output->Close();
}

bool AudioEngine::RunningLocked() const {
  if (openOutputs_ > 0) return true;
  return std::any_of(sources_.begin(), sources_.end(), [](const Entry &entry) { return entry.playing; });
}

void AudioEngine::AddSource(AudioSource *source) { sources_.push_back(Entry{source, false}); }

void AudioEngine::RemoveSource(AudioSource *source) {
  sources_.erase(std::remove_if(sources_.begin(), sources_.end(),
                                [source](const Entry &entry) { return entry.source == source; }),
                 sources_.end());
}

void AudioEngine::Attach(AudioSource *source) {
  std::lock_guard<std::mutex> hold(lock_);
  const bool known = std::any_of(sources_.begin(), sources_.end(),
                                 [source](const Entry &entry) { return entry.source == source; });
  if (!known) AddSource(source);
  SourceStarted(source);
}

void AudioEngine::Detach(AudioSource *source) {
  std::lock_guard<std::mutex> hold(lock_);
  RemoveSource(source);
}

void AudioEngine::SourceStarted(AudioSource *source) {
  for (Entry &entry : sources_) {
    if (entry.source == source) entry.playing = true;
  }
  if (!active_) ActivatedLocked();
}

void AudioEngine::SourceStopped(AudioSource *source) {
  for (Entry &entry : sources_) {
    if (entry.source == source) entry.playing = false;
  }
}

void AudioEngine::SetFormat(const WAVEFORMATEX &format) {
  const bool newRate = format.nSamplesPerSec != format_.nSamplesPerSec;
  format_ = format;
  format_.cbSize = 0;
  if (newRate) Rebase();
}

void AudioEngine::Rebase() {
  origin_ = MachineClock::Get().Now();
  framesSinceOrigin_ = 0;
}

void AudioEngine::ActivatedLocked() {
  active_ = true;
  Rebase();
  if (virtual_) return;
  StartThreadLocked();
  wake_.notify_all();
}

void AudioEngine::OpenOutputLocked() {
  ++openOutputs_;
  if (!active_) ActivatedLocked();
}

std::shared_ptr<AudioSink> AudioEngine::CloseOutputLocked() {
  if (openOutputs_ > 0) --openOutputs_;
  if (!active_ || RunningLocked()) return nullptr;
  active_ = false;
  return output_;
}

bool AudioEngine::Running() {
  std::lock_guard<std::mutex> hold(lock_);
  return active_;
}

void AudioEngine::MixBlockLocked(uint32_t frames) {
  mix_.assign(2 * static_cast<size_t>(frames), 0);
  for (Entry &entry : sources_) {
    if (entry.playing) entry.playing = entry.source->MixInto(mix_.data(), frames, format_.nSamplesPerSec);
  }
  const bool audible = ConvertBlock(mix_.data(), frames, format_, &block_);
  if (output_ != nullptr) output_->Write(format_, block_.data(), block_.size(), audible);
  if (capturing) capture_->Write(format_, block_.data(), block_.size(), audible);
  framesMixed_ += frames;
  framesSinceOrigin_ += frames;
}

bool AudioEngine::MixUpTo(uint64_t now) {
  bool wrote = false;
  for (;;) {
    std::shared_ptr<AudioSink> output;
    bool wentIdle = false;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (!active_ || now <= origin_) break;
      const uint64_t elapsed = now - origin_;
      // Whole seconds and the rest apart, so that long runs cannot overflow.
      const uint64_t rate = format_.nSamplesPerSec;
      const uint64_t due = elapsed / kNanosecondsPerSecond * rate + elapsed % kNanosecondsPerSecond * rate / kNanosecondsPerSecond;
      if (due <= framesSinceOrigin_) break;
      MixBlockLocked(static_cast<uint32_t>(std::min<uint64_t>(due - framesSinceOrigin_, kMixBlockFrames)));
      wrote = true;
      output = output_;
      if (!RunningLocked()) {
        active_ = false;
        wentIdle = true;
      }
    }
    if (output == nullptr) continue;
    if (wentIdle) {
      output->Flush();
      break;
    }
    output->Throttle();
  }
  return wrote;
}

void AudioEngine::CatchUp(uint64_t now) {
  // An advance of the virtual clock leaves the recording complete.
  if (!MixUpTo(now)) return;
  std::shared_ptr<AudioSink> output;
  {
    std::lock_guard<std::mutex> hold(lock_);
    output = output_;
  }
  if (output != nullptr) output->Flush();
}

void AudioEngine::ClockSwitched(bool isVirtual) {
  if (isVirtual) StopThread();
  std::lock_guard<std::mutex> hold(lock_);
  virtual_ = isVirtual;
  // Time not yet mixed under the old clock is dropped.
  Rebase();
  if (!isVirtual && active_) StartThreadLocked();
}

void AudioEngine::StartThreadLocked() {
  if (thread_.joinable()) return;
  stopping_ = false;
  thread_ = std::thread([this] { ThreadMain(); });
}

void AudioEngine::StopThread() {
  std::thread stopped;
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
    stopped.swap(thread_);
  }
  wake_.notify_all();
  if (stopped.joinable()) stopped.join();
}

void AudioEngine::ThreadMain() {
  std::unique_lock<std::mutex> hold(lock_);
  while (!stopping_) {
    if (!active_) {
      wake_.wait(hold);
      continue;
    }
    wake_.wait_for(hold, kRealClockPeriod);
    if (stopping_ || !active_) continue;
    if (output_ != nullptr && output_->PacesMixing()) {
      // The device asks for the mix; the clock only stays in step, so that
      // mixing on it resumes from now when the device goes.
      Rebase();
      continue;
    }
    uint64_t now = MachineClock::Get().Now();
    const uint64_t mixedNs = framesSinceOrigin_ * kNanosecondsPerSecond / format_.nSamplesPerSec;
    if (now > origin_ + mixedNs + kMaxCatchUpNs) {
      // Skip the lost time: the clock goes on from the frames already mixed.
      origin_ = now - mixedNs - kRealClockPeriodNs;
    }
    hold.unlock();
    MixUpTo(now);
    hold.lock();
  }
}

void AudioEngine::ReplaceOutput(const std::string &name, const std::string &target,
                                std::shared_ptr<AudioSink> sink) {
  std::shared_ptr<AudioSink> old;
  {
    std::lock_guard<std::mutex> hold(lock_);
    old.swap(output_);
    output_ = std::move(sink);
    outputName_ = name;
    outputTarget_ = target;
  }
  // The old sink finishes its file outside the mix lock.
  if (old != nullptr) old->Close();
}

bool AudioEngine::UseDriver(const std::string &name, const std::string &target) {
  const AudioDriver *driver = FindAudioDriver(name);
  if (driver == nullptr) return false;
  std::shared_ptr<AudioSink> sink = driver->open(target);
  if (sink == nullptr) return false;
  ReplaceOutput(name, target, std::move(sink));
  return true;
}

bool AudioEngine::MixForDevice(uint32_t deviceFrames, uint32_t deviceRate) {
  std::shared_ptr<AudioSink> output;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!active_ || virtual_ || deviceRate == 0) return false;
    uint64_t frames = (static_cast<uint64_t>(deviceFrames) * format_.nSamplesPerSec + deviceRate - 1) / deviceRate;
    while (frames > 0) {
      const uint32_t block = static_cast<uint32_t>(std::min<uint64_t>(frames, kMixBlockFrames));
      MixBlockLocked(block);
      frames -= block;
    }
    if (RunningLocked()) return true;
    active_ = false;
    output = output_;
  }
  // Everything played stopped: the recording beside the device is completed.
  if (output != nullptr) output->Flush();
  return true;
}

std::string AudioEngine::DriverName() {
  std::lock_guard<std::mutex> hold(lock_);
  return outputName_;
}

void AudioEngine::Reset() {
  std::string name, target;
  EnvironmentOutput(&name, &target);
  std::shared_ptr<AudioSink> kept;
  {
    std::lock_guard<std::mutex> hold(lock_);
    format_ = DefaultFormat();
    Rebase();
    capturing = false;
    capture_->bytes.clear();
    capture_->format = WAVEFORMATEX{};
    // With nothing playing and no output open the engine idles, as at power
    // on, even when the last source stopped after the last mix.
    if (!RunningLocked()) active_ = false;
    if (name == outputName_ && target == outputTarget_) kept = output_;
  }
  if (kept != nullptr) {
    kept->Flush();
    return;
  }
  if (UseDriver(name, target)) return;
  ReplaceOutput(name, target, OpenOrFallBack(&name, target));
}

namespace {
void ResetAudioEngine() { AudioEngine::Get().Reset(); }
ResetHook gResetAudioEngine(ResetAudioEngine);
}  // namespace

}  // namespace platform
