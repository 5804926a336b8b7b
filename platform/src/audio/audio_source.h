// What the audio engine mixes: anything that can add its sound, at the
// output rate, into the engine's stereo accumulator. DirectSound buffers
// are sources; CD tracks or a MIDI synthesiser can be others.
#pragma once

#include <cstdint>

namespace platform {

class AudioSource {
 public:
  virtual ~AudioSource() = default;
  // Adds `frames` frames at `outputRate` frames per second into
  // `accumulator` (left and right interleaved, 16-bit scale, unclamped) and
  // answers whether the source still plays. Called under the mix lock.
  virtual bool MixInto(int32_t *accumulator, uint32_t frames, uint32_t outputRate) = 0;
};

}  // namespace platform
