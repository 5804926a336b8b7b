// Texture sampling: texel decoding for every texture format by its masks
// (or palette), wrap/mirror/clamp/border addressing, point and bilinear
// filtering, mipmap level selection and colour keys. One loop per texel
// layout and filter is chosen when the draw starts.
#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "d3d/pipeline/pixel_setup.h"
#include "pixels/pixel_format.h"

namespace raster {

namespace {

enum class Layout { kArgb32, kXrgb32, kMasked8, kMasked16, kMasked24, kMasked32, kPalette8 };

// floor(value) as an int, kept in a range where later arithmetic cannot
// overflow; NaN reads as 0.
inline int SafeFloor(float value) {
  if (!(value > -16777216.0f)) return value != value ? 0 : -16777216;
  if (value > 16777216.0f) return 16777216;
  const int truncated = static_cast<int>(value);
  return truncated - (static_cast<float>(truncated) > value ? 1 : 0);
}

inline int Address(TextureAddress mode, int x, int size, bool &outside) {
  switch (mode) {
    case TextureAddress::kWrap: {
      const int m = x % size;
      return m < 0 ? m + size : m;
    }
    case TextureAddress::kMirror: {
      int m = x % (2 * size);
      if (m < 0) m += 2 * size;
      return m < size ? m : 2 * size - 1 - m;
    }
    case TextureAddress::kClamp: return std::clamp(x, 0, size - 1);
    case TextureAddress::kBorder:
      if (x < 0 || x >= size) {
        outside = true;
        return 0;
      }
      return x;
  }
  return std::clamp(x, 0, size - 1);
}

template <Layout L>
inline uint32_t Raw(const SamplerLevel &level, int x, int y) {
  const uint8_t *row = level.pixels + level.pitch * y;
  if constexpr (L == Layout::kMasked8 || L == Layout::kPalette8) return row[x];
  if constexpr (L == Layout::kMasked16) {
    uint16_t v;
    std::memcpy(&v, row + 2 * x, 2);
    return v;
  }
  if constexpr (L == Layout::kMasked24) {
    const uint8_t *at = row + 3 * x;
    return at[0] | (at[1] << 8) | (static_cast<uint32_t>(at[2]) << 16);
  }
  uint32_t v;
  std::memcpy(&v, row + 4 * x, 4);
  return v;
}

// A texel as 0xAARRGGBB.
template <Layout L>
inline uint32_t Decode(const Sampler &s, uint32_t raw) {
  if constexpr (L == Layout::kArgb32) return raw;
  if constexpr (L == Layout::kXrgb32) return raw | 0xFF000000u;
  if constexpr (L == Layout::kPalette8) return s.palette ? s.palette[raw & 0xFF] : 0xFF000000u | (raw * 0x010101u);
  uint32_t channel[4];
  for (int c = 0; c < 4; ++c)
    channel[c] = s.missing[c] >= 0 ? static_cast<uint32_t>(s.missing[c]) : s.widen[c][(raw & s.mask[c]) >> s.shift[c]];
  return (channel[3] << 24) | (channel[0] << 16) | (channel[1] << 8) | channel[2];
}

// The texel at (x, y) of a level after addressing; keyed texels read as
// transparent black and set `keyed`.
template <Layout L, bool WrapPow2>
inline uint32_t Texel(const Sampler &s, const SamplerLevel &level, int x, int y, bool &keyed) {
  if constexpr (WrapPow2) {
    x &= level.width - 1;
    y &= level.height - 1;
  } else {
    bool outside = false;
    x = Address(s.addressU, x, level.width, outside);
    y = Address(s.addressV, y, level.height, outside);
    if (outside) return s.border;
  }
  const uint32_t raw = Raw<L>(level, x, y);
  if (s.keyed && raw >= s.keyLow && raw <= s.keyHigh) {
    keyed = true;
    return 0;
  }
  return Decode<L>(s, raw);
}

inline void Put(ChunkColours &out, int j, uint32_t argb) {
  out.r[j] = (argb >> 16) & 0xFF;
  out.g[j] = (argb >> 8) & 0xFF;
  out.b[j] = argb & 0xFF;
  out.a[j] = argb >> 24;
}

// Bilinear blend of four texels with 8-bit weights.
[[gnu::always_inline]] inline uint32_t Bilinear(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t fx, uint32_t fy) {
  // Two channels at a time in one 32-bit word (each product stays under 2^16).
  auto lerp = [](uint32_t a, uint32_t b, uint32_t f) {
    const uint32_t rb = ((a & 0x00FF00FF) * (256 - f) + (b & 0x00FF00FF) * f) >> 8;
    const uint32_t ag = (((a >> 8) & 0x00FF00FF) * (256 - f) + ((b >> 8) & 0x00FF00FF) * f) >> 8;
    return (rb & 0x00FF00FF) | ((ag & 0x00FF00FF) << 8);
  };
  return lerp(lerp(t00, t10, fx), lerp(t01, t11, fx), fy);
}

template <Layout L, bool WrapPow2>
inline uint32_t SampleLevel(const Sampler &s, const SamplerLevel &level, float u, float v, bool linear,
                            bool &killed) {
  bool keyed = false;
  if (!linear) {
    const uint32_t texel = Texel<L, WrapPow2>(s, level, SafeFloor(u * static_cast<float>(level.width)),
                                              SafeFloor(v * static_cast<float>(level.height)), keyed);
    killed = killed || keyed;
    return texel;
  }
  const float fu = u * static_cast<float>(level.width) - 0.5f, fv = v * static_cast<float>(level.height) - 0.5f;
  const int x0 = SafeFloor(fu), y0 = SafeFloor(fv);
  const uint32_t fx = static_cast<uint32_t>(std::clamp(static_cast<int>((fu - static_cast<float>(x0)) * 256.0f), 0, 256));
  const uint32_t fy = static_cast<uint32_t>(std::clamp(static_cast<int>((fv - static_cast<float>(y0)) * 256.0f), 0, 256));
  bool k00 = false, k10 = false, k01 = false, k11 = false;
  const uint32_t t00 = Texel<L, WrapPow2>(s, level, x0, y0, k00), t10 = Texel<L, WrapPow2>(s, level, x0 + 1, y0, k10);
  const uint32_t t01 = Texel<L, WrapPow2>(s, level, x0, y0 + 1, k01),
                 t11 = Texel<L, WrapPow2>(s, level, x0 + 1, y0 + 1, k11);
  // The key discards the pixel when the nearest texel is keyed.
  const bool right = fx >= 128, down = fy >= 128;
  killed = killed || (down ? (right ? k11 : k01) : (right ? k10 : k00));
  return Bilinear(t00, t10, t01, t11, fx, fy);
}

// One level and one filter for the whole draw.
template <Layout L, bool Linear, bool WrapPow2>
void SampleFixed(const Sampler &s, const float *u, const float *v, const float *, int count, ChunkColours &out,
                 uint8_t *kill) {
  const SamplerLevel &level = s.levels[s.firstLevel];
  for (int j = 0; j < count; ++j) {
    bool killed = false;
    Put(out, j, SampleLevel<L, WrapPow2>(s, level, u[j], v[j], Linear, killed));
    if (kill) kill[j] = killed;
  }
}

// The common case on its own: bilinear filtering of an unkeyed texture
// whose sides are powers of two, wrapped in both directions.
#if defined(__SSE2__)
// Four pixels at a time: texel positions and weights in vector registers,
// each pixel's four texels blended as 16-bit lanes. The arithmetic is that
// of Bilinear channel by channel, so the colours are the same.

static_assert(kChunk % 4 == 0, "chunks hold whole groups of four pixels");

// Up to four floats from `values`, zero past `available`.
inline __m128 LoadUpToFour(const float *values, int available) {
  if (available >= 4) return _mm_loadu_ps(values);
  alignas(16) float lanes[4] = {0, 0, 0, 0};
  for (int k = 0; k < available; ++k) lanes[k] = values[k];
  return _mm_load_ps(lanes);
}

// floor(f) and the 8-bit fraction f − floor(f), with f held to ±2^22 (NaN
// to the lower bound) as the scalar loop does.
inline void SplitLanes(__m128 f, __m128i &whole, __m128i &fraction) {
  const __m128 low = _mm_set1_ps(-4194304.0f), high = _mm_set1_ps(4194304.0f);
  const __m128 belowHigh = _mm_cmplt_ps(f, high);
  f = _mm_or_ps(_mm_and_ps(belowHigh, f), _mm_andnot_ps(belowHigh, high));
  const __m128 aboveLow = _mm_cmpgt_ps(f, low);
  f = _mm_or_ps(_mm_and_ps(aboveLow, f), _mm_andnot_ps(aboveLow, low));
  __m128i t = _mm_cvttps_epi32(f);
  // Truncation went up for negative values: step down (the mask is −1).
  t = _mm_add_epi32(t, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(t), f)));
  whole = t;
  fraction = _mm_cvttps_epi32(_mm_mul_ps(_mm_sub_ps(f, _mm_cvtepi32_ps(t)), _mm_set1_ps(256.0f)));
}

// One pixel: its four texels (00, 10, 01, 11) and 16-bit weights for x and y
// (256 − f in the low four lanes, f in the high four); the result's low four
// 16-bit lanes hold the blended channels.
inline __m128i BlendLanes(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, __m128i weightX, __m128i weightY) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i texels = _mm_set_epi32(static_cast<int>(t11), static_cast<int>(t01), static_cast<int>(t10),
                                       static_cast<int>(t00));
  const __m128i top = _mm_mullo_epi16(_mm_unpacklo_epi8(texels, zero), weightX);
  const __m128i bottom = _mm_mullo_epi16(_mm_unpackhi_epi8(texels, zero), weightX);
  const __m128i topRow = _mm_srli_epi16(_mm_add_epi16(top, _mm_srli_si128(top, 8)), 8);
  const __m128i bottomRow = _mm_srli_epi16(_mm_add_epi16(bottom, _mm_srli_si128(bottom, 8)), 8);
  const __m128i column = _mm_mullo_epi16(_mm_unpacklo_epi64(topRow, bottomRow), weightY);
  return _mm_srli_epi16(_mm_add_epi16(column, _mm_srli_si128(column, 8)), 8);
}

inline __m128i Weights(int fraction) {
  return _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<short>(256 - fraction)),
                            _mm_set1_epi16(static_cast<short>(fraction)));
}

template <Layout L>
void SampleBilinearWrapped(const Sampler &s, const float *u, const float *v, const float *, int count,
                           ChunkColours &out, uint8_t *) {
  const SamplerLevel &level = s.levels[s.firstLevel];
  const __m128 width = _mm_set1_ps(static_cast<float>(level.width)),
               height = _mm_set1_ps(static_cast<float>(level.height)), half = _mm_set1_ps(0.5f);
  const __m128i wrapX = _mm_set1_epi32(level.width - 1), wrapY = _mm_set1_epi32(level.height - 1),
                one = _mm_set1_epi32(1), byteMask = _mm_set1_epi32(0xFF);
  for (int j = 0; j < count; j += 4) {
    __m128i x, y, fx, fy;
    SplitLanes(_mm_sub_ps(_mm_mul_ps(LoadUpToFour(u + j, count - j), width), half), x, fx);
    SplitLanes(_mm_sub_ps(_mm_mul_ps(LoadUpToFour(v + j, count - j), height), half), y, fy);
    alignas(16) int32_t x0[4], x1[4], y0[4], y1[4], wx[4], wy[4];
    _mm_store_si128(reinterpret_cast<__m128i *>(x0), _mm_and_si128(x, wrapX));
    _mm_store_si128(reinterpret_cast<__m128i *>(x1), _mm_and_si128(_mm_add_epi32(x, one), wrapX));
    _mm_store_si128(reinterpret_cast<__m128i *>(y0), _mm_and_si128(y, wrapY));
    _mm_store_si128(reinterpret_cast<__m128i *>(y1), _mm_and_si128(_mm_add_epi32(y, one), wrapY));
    _mm_store_si128(reinterpret_cast<__m128i *>(wx), fx);
    _mm_store_si128(reinterpret_cast<__m128i *>(wy), fy);
    __m128i blended[4];
    const int lanes = std::min(4, count - j);
    for (int k = 0; k < 4; ++k) {
      if (k >= lanes) {
        blended[k] = _mm_setzero_si128();
        continue;
      }
      const uint8_t *row0 = level.pixels + level.pitch * y0[k], *row1 = level.pixels + level.pitch * y1[k];
      auto texel = [&](const uint8_t *row, int column) {
        const SamplerLevel at{row, 0, 0, 0};
        return Decode<L>(s, Raw<L>(at, column, 0));
      };
      blended[k] = BlendLanes(texel(row0, x0[k]), texel(row0, x1[k]), texel(row1, x0[k]), texel(row1, x1[k]),
                              Weights(wx[k]), Weights(wy[k]));
    }
    // Four pixels' channels back to 0xAARRGGBB words, then split by channel.
    const __m128i argb = _mm_packus_epi16(_mm_unpacklo_epi64(blended[0], blended[1]),
                                          _mm_unpacklo_epi64(blended[2], blended[3]));
    // The chunk's arrays hold kChunk entries, a multiple of four, so whole
    // groups fit; lanes past `count` are never read.
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out.b + j), _mm_and_si128(argb, byteMask));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out.g + j), _mm_and_si128(_mm_srli_epi32(argb, 8), byteMask));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out.r + j), _mm_and_si128(_mm_srli_epi32(argb, 16), byteMask));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out.a + j), _mm_srli_epi32(argb, 24));
  }
}
#else
template <Layout L>
void SampleBilinearWrapped(const Sampler &s, const float *u, const float *v, const float *, int count,
                           ChunkColours &out, uint8_t *) {
  const SamplerLevel &level = s.levels[s.firstLevel];
  const float width = static_cast<float>(level.width), height = static_cast<float>(level.height);
  const int wrapX = level.width - 1, wrapY = level.height - 1;
  auto split = [](float f, int &whole, uint32_t &fraction) {
    f = f > -4194304.0f ? (f < 4194304.0f ? f : 4194304.0f) : -4194304.0f;  // NaN too
    int t = static_cast<int>(f);
    t -= static_cast<float>(t) > f ? 1 : 0;
    whole = t;
    fraction = static_cast<uint32_t>((f - static_cast<float>(t)) * 256.0f);
  };
  for (int j = 0; j < count; ++j) {
    int x, y;
    uint32_t fx, fy;
    split(u[j] * width - 0.5f, x, fx);
    split(v[j] * height - 0.5f, y, fy);
    const uint8_t *row0 = level.pixels + level.pitch * (y & wrapY);
    const uint8_t *row1 = level.pixels + level.pitch * ((y + 1) & wrapY);
    const int x0 = x & wrapX, x1 = (x + 1) & wrapX;
    auto texel = [&](const uint8_t *row, int column) {
      const SamplerLevel at{row, 0, 0, 0};
      return Decode<L>(s, Raw<L>(at, column, 0));
    };
    Put(out, j, Bilinear(texel(row0, x0), texel(row0, x1), texel(row1, x0), texel(row1, x1), fx, fy));
  }
}

#endif

// Level and filter chosen per pixel from its level of detail.
template <Layout L>
void SampleMipmapped(const Sampler &s, const float *u, const float *v, const float *lod, int count,
                     ChunkColours &out, uint8_t *kill) {
  const int last = s.levelCount - 1;
  for (int j = 0; j < count; ++j) {
    bool killed = false;
    const float d = lod[j];
    uint32_t texel;
    if (!(d > 0.0f) || s.mipFilter == MipFilter::kNone) {
      texel = SampleLevel<L, false>(s, s.levels[s.firstLevel], u[j], v[j], d > 0.0f ? s.minLinear : s.magLinear,
                                    killed);
    } else if (s.mipFilter == MipFilter::kPoint) {
      const int level = std::min(s.firstLevel + SafeFloor(d + 0.5f), last);
      texel = SampleLevel<L, false>(s, s.levels[level], u[j], v[j], s.minLinear, killed);
    } else {
      const int base = std::min(s.firstLevel + SafeFloor(d), last);
      const int next = std::min(base + 1, last);
      const uint32_t f = static_cast<uint32_t>(std::clamp(static_cast<int>((d - std::floor(d)) * 256.0f), 0, 256));
      const uint32_t a = SampleLevel<L, false>(s, s.levels[base], u[j], v[j], s.minLinear, killed);
      const uint32_t b = SampleLevel<L, false>(s, s.levels[next], u[j], v[j], s.minLinear, killed);
      texel = Bilinear(a, b, a, b, f, 0);
    }
    Put(out, j, texel);
    if (kill) kill[j] = killed;
  }
}

template <Layout L>
SampleFn Choose(const Sampler &s) {
  if (s.needsLod) return SampleMipmapped<L>;
  const SamplerLevel &level = s.levels[s.firstLevel];
  const bool pow2 = (level.width & (level.width - 1)) == 0 && (level.height & (level.height - 1)) == 0;
  const bool wrap = pow2 && s.addressU == TextureAddress::kWrap && s.addressV == TextureAddress::kWrap;
  if (s.magLinear && wrap && !s.keyed) return SampleBilinearWrapped<L>;
  if (s.magLinear) return wrap ? SampleFixed<L, true, true> : SampleFixed<L, true, false>;
  return wrap ? SampleFixed<L, false, true> : SampleFixed<L, false, false>;
}

bool ValidTextureFormat(const TexelFormat &format) {
  if (format.palettised) return format.bits == 8;
  if (format.bits != 8 && format.bits != 16 && format.bits != 24 && format.bits != 32) return false;
  const uint64_t limit = format.bits == 32 ? 0xFFFFFFFFull : (1ull << format.bits) - 1;
  const uint64_t all = static_cast<uint64_t>(format.red) | format.green | format.blue | format.alpha;
  return all != 0 && all <= limit;
}

}  // namespace

bool PrepareSampler(const TextureStage &stage, const Texture &texture, bool colourKeys, Sampler &s) {
  const TexelFormat &format = texture.format;
  if (!ValidTextureFormat(format) || texture.levels == nullptr || texture.levelCount <= 0) return false;
  s.levelCount = 0;
  s.texelBytes = format.bits / 8;
  for (int i = 0; i < texture.levelCount && i < 16; ++i) {
    const TextureLevel &level = texture.levels[i];
    if (level.pixels == nullptr || level.width <= 0 || level.height <= 0 ||
        level.pitch < static_cast<long>(level.width) * s.texelBytes)
      break;
    s.levels[s.levelCount++] = SamplerLevel{level.pixels, level.pitch, level.width, level.height};
  }
  if (s.levelCount == 0) return false;
  const uint32_t masks[4] = {format.red, format.green, format.blue, format.alpha};
  for (int c = 0; c < 4; ++c) {
    const int width = pixels::MaskWidth(masks[c]);
    if (width == 0) {
      s.missing[c] = c == 3 ? 255 : 0;
      s.mask[c] = 0;
      s.shift[c] = 0;
      continue;
    }
    // Only the top eight bits of wider channels matter.
    const int extra = std::max(0, width - 8);
    s.missing[c] = -1;
    s.shift[c] = pixels::MaskShift(masks[c]) + extra;
    s.mask[c] = masks[c] & ~((1u << (pixels::MaskShift(masks[c]) + extra)) - 1);
    const int kept = width - extra;
    for (uint32_t value = 0; value < (1u << kept); ++value)
      s.widen[c][value] = pixels::WidenChannel(value, (1u << kept) - 1);
  }
  s.palette = texture.palette;
  s.keyed = colourKeys && texture.hasColourKey;
  s.keyLow = texture.keyLow;
  s.keyHigh = texture.keyHigh;
  s.addressU = stage.addressU;
  s.addressV = stage.addressV;
  s.border = stage.borderColour;
  s.magLinear = stage.magFilter == TextureFilter::kLinear;
  s.minLinear = stage.minFilter == TextureFilter::kLinear;
  s.mipFilter = s.levelCount > 1 ? stage.mipFilter : MipFilter::kNone;
  s.firstLevel = std::min(static_cast<int>(std::min<uint32_t>(stage.maxMipLevel, 15)), s.levelCount - 1);
  s.lodBias = std::isfinite(stage.mipLodBias) ? stage.mipLodBias : 0.0f;
  s.needsLod = s.mipFilter != MipFilter::kNone || s.magLinear != s.minLinear;

  const bool argb = format.bits == 32 && format.red == 0xFF0000 && format.green == 0xFF00 && format.blue == 0xFF;
  if (format.palettised) s.sample = Choose<Layout::kPalette8>(s);
  else if (argb && format.alpha == 0xFF000000u) s.sample = Choose<Layout::kArgb32>(s);
  else if (argb && format.alpha == 0) s.sample = Choose<Layout::kXrgb32>(s);
  else if (format.bits == 8) s.sample = Choose<Layout::kMasked8>(s);
  else if (format.bits == 16) s.sample = Choose<Layout::kMasked16>(s);
  else if (format.bits == 24) s.sample = Choose<Layout::kMasked24>(s);
  else s.sample = Choose<Layout::kMasked32>(s);
  return true;
}

}  // namespace raster
