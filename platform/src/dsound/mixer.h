// The sound card's mixing kernel: one voice (8- or 16-bit, mono or stereo
// PCM) resampled with linear interpolation, scaled and added into a stereo
// 32-bit accumulator. Plain pointers and numbers, no COM types.
#pragma once

#include <cstdint>

namespace platform {

// Gains are Q15 fixed point: 32768 is unity.
constexpr int32_t kUnityGain = 32768;

// The sample data of one voice.
struct MixSource {
  const uint8_t *data;
  uint32_t frames;
  int bitsPerSample;  // 8 (unsigned) or 16 (signed)
  int channels;       // 1 or 2
};

// Where a voice stands: position and step are 32.32 fixed-point frames.
struct MixVoiceState {
  uint64_t position;
  uint64_t step;
  int32_t gainLeft;
  int32_t gainRight;
  bool looping;
};

// Adds up to `count` output frames of the voice into `accumulator` (left and
// right interleaved) and advances its position. A looping voice wraps; a
// one-shot voice ends at its last frame, and the return value is then the
// number of frames it still produced (less than `count`).
uint32_t MixVoice(const MixSource &source, MixVoiceState &voice, int32_t *accumulator, uint32_t count);

// Left and right gains of a volume and pan: the far channel is attenuated
// by |pan| hundredths of a decibel.
void StereoGains(long volume, long pan, int32_t *left, int32_t *right);

}  // namespace platform
