// The video's sound in the mix: added to the engine while the media window
// lives, started and stopped with the picture.
#include "mciwnd/video_sound.h"

#include <mutex>

#include "audio/audio_engine.h"
#include "mciwnd/video_file.h"

namespace platform {

VideoSound::VideoSound() {
  AudioEngine &engine = AudioEngine::Get();
  std::lock_guard<std::mutex> hold(engine.lock());
  engine.AddSource(this);
}

VideoSound::~VideoSound() {
  AudioEngine &engine = AudioEngine::Get();
  std::lock_guard<std::mutex> hold(engine.lock());
  engine.RemoveSource(this);
}

void VideoSound::Load(std::vector<int16_t> stereo) {
  AudioEngine &engine = AudioEngine::Get();
  std::lock_guard<std::mutex> hold(engine.lock());
  stereo_ = std::move(stereo);
  position_ = 0;
  if (playing_) engine.SourceStopped(this);
  playing_ = false;
}

void VideoSound::Play(int64_t fromNs) {
  AudioEngine &engine = AudioEngine::Get();
  std::lock_guard<std::mutex> hold(engine.lock());
  const uint64_t frame = static_cast<uint64_t>(fromNs > 0 ? fromNs : 0) * kVideoSoundRate / 1000000000ull;
  if (frame >= stereo_.size() / 2) return;
  position_ = frame << 32;
  playing_ = true;
  engine.SourceStarted(this);
}

void VideoSound::Stop() {
  AudioEngine &engine = AudioEngine::Get();
  std::lock_guard<std::mutex> hold(engine.lock());
  if (playing_) engine.SourceStopped(this);
  playing_ = false;
}

bool VideoSound::MixInto(int32_t *accumulator, uint32_t frames, uint32_t outputRate) {
  if (!playing_ || outputRate == 0) return false;
  const uint64_t total = stereo_.size() / 2;
  const uint64_t step = (static_cast<uint64_t>(kVideoSoundRate) << 32) / outputRate;
  for (uint32_t i = 0; i < frames; ++i) {
    const uint64_t at = position_ >> 32;
    if (at >= total) {
      playing_ = false;
      return false;
    }
    accumulator[2 * i] += stereo_[2 * at];
    accumulator[2 * i + 1] += stereo_[2 * at + 1];
    position_ += step;
  }
  return true;
}

}  // namespace platform
