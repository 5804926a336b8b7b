// A video's sound as a source of the audio engine: decoded 16-bit stereo
// played from a position, stepped to the output rate. Its state is guarded
// by the engine's mix lock.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/audio_source.h"

namespace platform {

class VideoSound final : public AudioSource {
 public:
  VideoSound();
  ~VideoSound() override;

  // Each takes the mix lock.
  void Load(std::vector<int16_t> stereo);
  void Play(int64_t fromNs);
  void Stop();

  bool MixInto(int32_t *accumulator, uint32_t frames, uint32_t outputRate) override;

 private:
  std::vector<int16_t> stereo_;
  // Position in source frames, in 32.32 fixed point.
  uint64_t position_ = 0;
  bool playing_ = false;
};

}  // namespace platform
