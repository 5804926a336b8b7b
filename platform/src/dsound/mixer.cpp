// The mixing kernel: one loop per sample layout, chosen once per
// call. The inner loop runs only over frames whose interpolation partner lies
// inside the data, so it has no wrap or end test.
#include "dsound/mixer.h"

#include <cmath>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

namespace {

// Interpolation weighs the two samples with 14-bit weights that sum to
// 16384: both fit in 16 bits, so four interpolations are one multiply-add
// of 16-bit pairs, and a whole frame (fraction 0) passes unchanged.
constexpr int kFractionBits = 14;
constexpr int32_t kFractionOne = 1 << kFractionBits;

inline int32_t Fraction(uint64_t position) {
  return static_cast<int32_t>((position >> (32 - kFractionBits)) & (kFractionOne - 1));
}

inline int32_t Lerp(int32_t s0, int32_t s1, int32_t fraction) {
  return (s0 * (kFractionOne - fraction) + s1 * fraction) >> kFractionBits;
}

template <int Bits>
inline int32_t SampleAt(const uint8_t *data, uint32_t index) {
  if (Bits == 8) return (static_cast<int32_t>(data[index]) - 128) * 256;
  int16_t value;
  __builtin_memcpy(&value, data + 2 * static_cast<size_t>(index), 2);
  return value;
}

// A value scaled by a Q15 gain below unity, or unchanged at unity (so a
// sound at full volume comes out bit for bit). Gains below unity fit 16
// bits: the products are 16 x 16-bit multiplies that vectorise.
template <bool Unity>
inline int32_t Scaled(int16_t value, int16_t gain) {
  return Unity ? value : (value * gain) >> 15;
}

template <bool UnityLeft, bool UnityRight>
void AddScaledRun(const int16_t *left, const int16_t *right, int16_t gainLeft, int16_t gainRight,
                  int32_t *__restrict into, uint32_t run) {
  for (uint32_t i = 0; i < run; ++i) {
    into[2 * i] += Scaled<UnityLeft>(left[i], gainLeft);
    into[2 * i + 1] += Scaled<UnityRight>(right[i], gainRight);
  }
}

// Adds `run` frames of left and right values, scaled by their gains, to the
// stereo accumulator.
void AddScaled(const int16_t *left, const int16_t *right, int32_t gainLeft, int32_t gainRight,
               int32_t *__restrict into, uint32_t run) {
  const bool unityLeft = gainLeft >= kUnityGain, unityRight = gainRight >= kUnityGain;
  const auto scaleLeft = static_cast<int16_t>(unityLeft ? 0 : gainLeft);
  const auto scaleRight = static_cast<int16_t>(unityRight ? 0 : gainRight);
  if (unityLeft && unityRight) {
    AddScaledRun<true, true>(left, right, scaleLeft, scaleRight, into, run);
  } else if (unityLeft) {
    AddScaledRun<true, false>(left, right, scaleLeft, scaleRight, into, run);
  } else if (unityRight) {
    AddScaledRun<false, true>(left, right, scaleLeft, scaleRight, into, run);
  } else {
    AddScaledRun<false, false>(left, right, scaleLeft, scaleRight, into, run);
  }
}

// Resamples `run` frames of 16-bit mono data whose successors all lie
// inside the data: the common case of module and effect voices. A frame and
// its successor are adjacent, so one 32-bit load holds the pair.
void ResampleMono16(const uint8_t *data, uint64_t *position, uint64_t step, int16_t *values, uint32_t run) {
  uint64_t at = *position;
  uint32_t i = 0;
#if defined(__SSE2__)
  auto pairAt = [data](uint64_t where) {
    int32_t pair;
    __builtin_memcpy(&pair, data + 2 * static_cast<size_t>(where >> 32), 4);
    return pair;
  };
  // The fractions live in the low words of the positions, which advance
  // together in one register: {p, p + step, p + 2 step, p + 3 step}.
  auto low = [](uint64_t where) { return static_cast<int32_t>(static_cast<uint32_t>(where)); };
  __m128i lows = _mm_set_epi32(low(at + 3 * step), low(at + 2 * step), low(at + step), low(at));
  const __m128i advance = _mm_set1_epi32(low(4 * step));
  const __m128i fractionMask = _mm_set1_epi32(kFractionOne - 1);
  const __m128i one = _mm_set1_epi32(kFractionOne);
  for (; i + 4 <= run; i += 4) {
    const uint64_t p0 = at, p1 = at + step, p2 = at + 2 * step, p3 = at + 3 * step;
    const __m128i pairs = _mm_set_epi32(pairAt(p3), pairAt(p2), pairAt(p1), pairAt(p0));
    // Each lane weighs its pair: s1 by the fraction (high word), s0 by the rest.
    const __m128i fractions = _mm_and_si128(_mm_srli_epi32(lows, 32 - kFractionBits), fractionMask);
    const __m128i weights = _mm_or_si128(_mm_slli_epi32(fractions, 16), _mm_sub_epi32(one, fractions));
    lows = _mm_add_epi32(lows, advance);
    const __m128i mixed = _mm_srai_epi32(_mm_madd_epi16(pairs, weights), kFractionBits);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(values + i), _mm_packs_epi32(mixed, mixed));
    at += 4 * step;
  }
#endif
  for (; i < run; ++i, at += step) {
    const uint32_t frame = static_cast<uint32_t>(at >> 32);
    values[i] = static_cast<int16_t>(Lerp(SampleAt<16>(data, frame), SampleAt<16>(data, frame + 1), Fraction(at)));
  }
  *position = at;
}

// Resamples `run` frames of any layout into one value row per channel; the
// last frame of the data interpolates towards `partner` (Last).
template <int Bits, int Channels, bool Last, size_t Row>
void ResampleRun(const uint8_t *data, uint64_t *position, uint64_t step, int16_t (*values)[Row], uint32_t run,
                 uint32_t partner) {
  uint64_t at = *position;
  for (uint32_t i = 0; i < run; ++i, at += step) {
    const uint32_t frame = static_cast<uint32_t>(at >> 32);
    const uint32_t next = Last ? partner : frame + 1;
    const int32_t fraction = Fraction(at);
    for (int c = 0; c < Channels; ++c) {
      values[c][i] = static_cast<int16_t>(
          Lerp(SampleAt<Bits>(data, Channels * frame + c), SampleAt<Bits>(data, Channels * next + c), fraction));
    }
  }
  *position = at;
}

// Mixes `count` frames in chunks of two passes: the resampling pass reads
// the data, the scaling pass, free of data-dependent loads, adds to the
// output and vectorises.
template <int Bits, int Channels, bool Last>
void MixRun(const MixSource &source, MixVoiceState &voice, int32_t *__restrict out, uint32_t count,
            uint32_t partner) {
  constexpr uint32_t kChunk = 256;
  int16_t values[Channels][kChunk];  // an interpolation stays in 16 bits
  const uint8_t *data = source.data;
  uint64_t position = voice.position;
  const uint64_t step = voice.step;
  const int32_t gainLeft = voice.gainLeft, gainRight = voice.gainRight;
  for (uint32_t base = 0; base < count; base += kChunk) {
    const uint32_t run = count - base < kChunk ? count - base : kChunk;
    if constexpr (Bits == 16 && Channels == 1 && !Last) {
      ResampleMono16(data, &position, step, values[0], run);
    } else {
      ResampleRun<Bits, Channels, Last>(data, &position, step, values, run, partner);
    }
    AddScaled(values[0], values[Channels - 1], gainLeft, gainRight, out + 2 * static_cast<size_t>(base), run);
  }
  voice.position = position;
}

template <int Bits, int Channels>
uint32_t MixLayout(const MixSource &source, MixVoiceState &voice, int32_t *out, uint32_t count) {
  const uint64_t end = static_cast<uint64_t>(source.frames) << 32;
  const uint64_t lastFrame = static_cast<uint64_t>(source.frames - 1) << 32;
  uint32_t done = 0;
  while (done < count) {
    if (voice.position >= end) {
      if (!voice.looping) return done;
      voice.position %= end;
    }
    if (voice.position < lastFrame) {
      // Frames before the last one interpolate towards their successor.
      const uint64_t room = (lastFrame - voice.position + voice.step - 1) / voice.step;
      const uint32_t run = room < count - done ? static_cast<uint32_t>(room) : count - done;
      MixRun<Bits, Channels, false>(source, voice, out + 2 * done, run, 0);
      done += run;
    } else {
      // The last frame interpolates towards the first (looping) or holds.
      const uint32_t partner = voice.looping ? 0 : source.frames - 1;
      MixRun<Bits, Channels, true>(source, voice, out + 2 * done, 1, partner);
      ++done;
    }
  }
  return done;
}

}  // namespace

uint32_t MixVoice(const MixSource &source, MixVoiceState &voice, int32_t *accumulator, uint32_t count) {
  if (source.frames == 0 || voice.step == 0) return 0;
  const bool wide = source.bitsPerSample == 16;
  if (source.channels == 2) {
    return wide ? MixLayout<16, 2>(source, voice, accumulator, count) : MixLayout<8, 2>(source, voice, accumulator, count);
  }
  return wide ? MixLayout<16, 1>(source, voice, accumulator, count) : MixLayout<8, 1>(source, voice, accumulator, count);
}

// Amplitude 10^(v / 2000) for a volume v in hundredths of a decibel: -600
// is about one half, -10000 rounds to silence.
void StereoGains(long volume, long pan, int32_t *left, int32_t *right) {
  const double base = std::pow(10.0, (volume < 0 ? volume : 0) / 2000.0);
  const double far = std::pow(10.0, -std::labs(pan) / 2000.0);
  const double leftScale = pan > 0 ? base * far : base;
  const double rightScale = pan < 0 ? base * far : base;
  *left = static_cast<int32_t>(std::lround(kUnityGain * leftScale));
  *right = static_cast<int32_t>(std::lround(kUnityGain * rightScale));
}

}  // namespace platform
