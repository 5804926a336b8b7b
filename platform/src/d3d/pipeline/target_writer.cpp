// The last step of the pixel stage: alpha blending with every factor and
// packing into the target's format. One writer per format and blend on/off
// is chosen per draw; blend factors are resolved once per chunk.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "d3d/pipeline/pixel_setup.h"
#include "pixels/pixel_format.h"

namespace raster {

namespace {

enum class Layout { k565, k555, k888, k8888, kMasked16, kMasked32 };

// x / 255 rounded, for x up to 2 · 255 · 255.
inline int32_t Div255(int32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

inline int32_t Widen5(uint32_t v) { return static_cast<int32_t>((v << 3) | (v >> 2)); }
inline int32_t Widen6(uint32_t v) { return static_cast<int32_t>((v << 2) | (v >> 4)); }

template <Layout L>
inline uint32_t Load(const uint8_t *at) {
  if constexpr (L == Layout::k888) return at[0] | (at[1] << 8) | (static_cast<uint32_t>(at[2]) << 16);
  if constexpr (L == Layout::k565 || L == Layout::k555 || L == Layout::kMasked16) {
    uint16_t v;
    std::memcpy(&v, at, 2);
    return v;
  }
  uint32_t v;
  std::memcpy(&v, at, 4);
  return v;
}

template <Layout L>
inline void Store(uint8_t *at, uint32_t value) {
  if constexpr (L == Layout::k888) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
  } else if constexpr (L == Layout::k565 || L == Layout::k555 || L == Layout::kMasked16) {
    const uint16_t v = static_cast<uint16_t>(value);
    std::memcpy(at, &v, 2);
  } else {
    std::memcpy(at, &value, 4);
  }
}

template <Layout L>
inline void Unpack(const DrawSetup &setup, uint32_t v, int32_t &r, int32_t &g, int32_t &b, int32_t &a) {
  if constexpr (L == Layout::k565) {
    r = Widen5(v >> 11), g = Widen6((v >> 5) & 63), b = Widen5(v & 31), a = 255;
  } else if constexpr (L == Layout::k555) {
    r = Widen5((v >> 10) & 31), g = Widen5((v >> 5) & 31), b = Widen5(v & 31);
    a = setup.masks[3] ? ((v & 0x8000) ? 255 : 0) : 255;
  } else if constexpr (L == Layout::k888) {
    r = (v >> 16) & 255, g = (v >> 8) & 255, b = v & 255, a = 255;
  } else if constexpr (L == Layout::k8888) {
    r = (v >> 16) & 255, g = (v >> 8) & 255, b = v & 255, a = setup.masks[3] ? static_cast<int32_t>(v >> 24) : 255;
  } else {
    r = pixels::WidenChannel(v, setup.masks[0]);
    g = pixels::WidenChannel(v, setup.masks[1]);
    b = pixels::WidenChannel(v, setup.masks[2]);
    a = setup.masks[3] ? pixels::WidenChannel(v, setup.masks[3]) : 255;
  }
}

template <Layout L>
inline uint32_t Pack(const DrawSetup &setup, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  if constexpr (L == Layout::k565) return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
  if constexpr (L == Layout::k555) return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3) | ((a >> 7) << 15 & setup.masks[3]);
  if constexpr (L == Layout::k888) return (r << 16) | (g << 8) | b;
  if constexpr (L == Layout::k8888) return (r << 16) | (g << 8) | b | ((a << 24) & setup.masks[3]);
  return pixels::NarrowChannel(static_cast<uint8_t>(r), setup.masks[0]) |
         pixels::NarrowChannel(static_cast<uint8_t>(g), setup.masks[1]) |
         pixels::NarrowChannel(static_cast<uint8_t>(b), setup.masks[2]) |
         pixels::NarrowChannel(static_cast<uint8_t>(a), setup.masks[3]);
}

// The factor arrays of one side of the blend.
void Factors(BlendFactor factor, const ChunkColours &src, const ChunkColours &dst, int count, ChunkColours &out) {
  auto fill = [&](auto channel) {
    for (int j = 0; j < count; ++j) {
      int32_t r, g, b, a;
      channel(j, r, g, b, a);
      out.r[j] = r, out.g[j] = g, out.b[j] = b, out.a[j] = a;
    }
  };
  switch (factor) {
    case BlendFactor::kZero: fill([](int, int32_t &r, int32_t &g, int32_t &b, int32_t &a) { r = g = b = a = 0; }); break;
    case BlendFactor::kOne: fill([](int, int32_t &r, int32_t &g, int32_t &b, int32_t &a) { r = g = b = a = 255; }); break;
    case BlendFactor::kSrcColor:
      fill([&](int j, int32_t &r, int32_t &g, int32_t &b, int32_t &a) { r = src.r[j], g = src.g[j], b = src.b[j], a = src.a[j]; });
      break;
    case BlendFactor::kInvSrcColor:
      fill([&](int j, int32_t &r, int32_t &g, int32_t &b, int32_t &a) {
        r = 255 - src.r[j], g = 255 - src.g[j], b = 255 - src.b[j], a = 255 - src.a[j];
      });
      break;
    case BlendFactor::kSrcAlpha:
    case BlendFactor::kBothSrcAlpha:
      fill([&](int j, int32_t &r, int32_t &g, int32_t &b, int32_t &a) { r = g = b = a = src.a[j]; });
      break;
    case BlendFactor::kInvSrcAlpha:
    case BlendFactor::kBothInvSrcAlpha:
      fill([&](int j, int32_t &r, int32_t &g, int32_t &b, int32_t &a) { r = g = b = a = 255 - src.a[j]; });
      break;
    case BlendFactor::kDestAlpha:
      fill([&](int j, int32_t &r, int32_t &g, int32_t &b, int32_t &a) { r = g = b = a = dst.a[j]; });
      break;
    case BlendFactor::kInvDestAlpha:
      fill([&](int j, int32_t &r, int32_t &g, int32_t &b, int32_t &a) { r = g = b = a = 255 - dst.a[j]; });
      break;
    case BlendFactor::kDestColor:
      fill([&](int j, int32_t &r, int32_t &g, int32_t &b, int32_t &a) { r = dst.r[j], g = dst.g[j], b = dst.b[j], a = dst.a[j]; });
      break;
    case BlendFactor::kInvDestColor:
      fill([&](int j, int32_t &r, int32_t &g, int32_t &b, int32_t &a) {
        r = 255 - dst.r[j], g = 255 - dst.g[j], b = 255 - dst.b[j], a = 255 - dst.a[j];
      });
      break;
    case BlendFactor::kSrcAlphaSat:
      fill([&](int j, int32_t &r, int32_t &g, int32_t &b, int32_t &a) {
        r = g = b = std::min(src.a[j], 255 - dst.a[j]);
        a = 255;
      });
      break;
  }
}

// colours = colours · source factor + destination · destination factor.
void Blend(const DrawSetup &setup, ChunkColours &colours, const ChunkColours &dest, int count) {
  BlendFactor srcFactor = setup.srcBlend, destFactor = setup.destBlend;
  // The "both" factors set the destination factor as well.
  if (srcFactor == BlendFactor::kBothSrcAlpha) destFactor = BlendFactor::kInvSrcAlpha;
  if (srcFactor == BlendFactor::kBothInvSrcAlpha) destFactor = BlendFactor::kSrcAlpha;
  if (srcFactor == BlendFactor::kSrcAlpha && destFactor == BlendFactor::kInvSrcAlpha) {
    // Ordinary transparency, the common case, without factor arrays.
    auto over = [&](int32_t *c, const int32_t *d, const int32_t *a) {
      for (int j = 0; j < count; ++j) c[j] = Div255(c[j] * a[j] + d[j] * (255 - a[j]));
    };
    int32_t alpha[kChunk];
    std::copy(colours.a, colours.a + count, alpha);
    over(colours.r, dest.r, alpha);
    over(colours.g, dest.g, alpha);
    over(colours.b, dest.b, alpha);
    over(colours.a, dest.a, alpha);
    return;
  }
  ChunkColours fs, fd;
  Factors(srcFactor, colours, dest, count, fs);
  Factors(destFactor, colours, dest, count, fd);
  auto mix = [count](int32_t *c, const int32_t *s, const int32_t *d, const int32_t *fsc, const int32_t *fdc) {
    for (int j = 0; j < count; ++j) c[j] = std::min<int32_t>(255, Div255(s[j] * fsc[j] + d[j] * fdc[j]));
  };
  mix(colours.r, colours.r, dest.r, fs.r, fd.r);
  mix(colours.g, colours.g, dest.g, fs.g, fd.g);
  mix(colours.b, colours.b, dest.b, fs.b, fd.b);
  mix(colours.a, colours.a, dest.a, fs.a, fd.a);
}

#if defined(__SSE2__)
// 32-bit targets with the common transparency (source alpha over inverse
// source alpha) or no blending, four pixels at a time: the source colours
// packed into 0xAARRGGBB words, the blend in 16-bit lanes with the same
// rounding as Div255, runs of four neighbouring pixels read and written
// whole.
bool IsOver(const DrawSetup &setup) {
  const BlendFactor source = setup.srcBlend, dest = setup.destBlend;
  return source == BlendFactor::kBothSrcAlpha ||
         (source == BlendFactor::kSrcAlpha && dest == BlendFactor::kInvSrcAlpha);
}

inline __m128i PackSource(const ChunkColours &colours, int j) {
  auto lanes = [&](const int32_t *channel) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(channel + j)); };
  // Channels are 0 … 255: the saturating packs keep them as they are.
  const __m128i br = _mm_packs_epi32(lanes(colours.b), lanes(colours.r));  // b0..b3 r0..r3
  const __m128i ga = _mm_packs_epi32(lanes(colours.g), lanes(colours.a));  // g0..g3 a0..a3
  const __m128i bgLow = _mm_unpacklo_epi16(br, ga);                         // b0 g0 b1 g1 …
  const __m128i raHigh = _mm_unpackhi_epi16(br, ga);                        // r0 a0 r1 a1 …
  const __m128i bgra = _mm_unpacklo_epi32(bgLow, raHigh);                   // pixels 0, 1 as 16-bit b g r a
  const __m128i bgraHigh = _mm_unpackhi_epi32(bgLow, raHigh);              // pixels 2, 3
  return _mm_packus_epi16(bgra, bgraHigh);
}

// source · alpha + dest · (255 − alpha), rounded as Div255, per 16-bit lane.
inline __m128i OverLanes(__m128i source, __m128i dest) {
  __m128i alpha = _mm_shufflelo_epi16(source, 0xFF);
  alpha = _mm_shufflehi_epi16(alpha, 0xFF);
  const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
  __m128i x = _mm_add_epi16(_mm_mullo_epi16(source, alpha), _mm_mullo_epi16(dest, inverse));
  x = _mm_add_epi16(x, _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

void Write8888(const DrawSetup &setup, uint8_t *row, int x, const uint8_t *list, int count, ChunkColours &colours,
               bool over) {
  uint32_t *first = reinterpret_cast<uint32_t *>(row) + x;
  // Without an alpha channel the destination's alpha reads as 255 and none is
  // stored.
  const __m128i destAlpha = _mm_set1_epi32(setup.masks[3] ? 0 : static_cast<int>(0xFF000000u));
  const __m128i keep = _mm_set1_epi32(static_cast<int>(0x00FFFFFFu | setup.masks[3]));
  const __m128i zero = _mm_setzero_si128();
  for (int j = 0; j < count; j += 4) {
    const int lanes = std::min(4, count - j);
    const bool run = lanes == 4 && list[j + 3] - list[j] == 3;
    __m128i pixels = PackSource(colours, j);
    if (over) {
      __m128i dest;
      if (run) {
        dest = _mm_loadu_si128(reinterpret_cast<const __m128i *>(first + list[j]));
      } else {
        alignas(16) uint32_t words[4] = {0, 0, 0, 0};
        for (int k = 0; k < lanes; ++k) std::memcpy(&words[k], first + list[j + k], 4);
        dest = _mm_load_si128(reinterpret_cast<const __m128i *>(words));
      }
      dest = _mm_or_si128(dest, destAlpha);
      pixels = _mm_packus_epi16(OverLanes(_mm_unpacklo_epi8(pixels, zero), _mm_unpacklo_epi8(dest, zero)),
                                OverLanes(_mm_unpackhi_epi8(pixels, zero), _mm_unpackhi_epi8(dest, zero)));
    }
    pixels = _mm_and_si128(pixels, keep);
    if (run) {
      _mm_storeu_si128(reinterpret_cast<__m128i *>(first + list[j]), pixels);
    } else {
      alignas(16) uint32_t words[4];
      _mm_store_si128(reinterpret_cast<__m128i *>(words), pixels);
      for (int k = 0; k < lanes; ++k) std::memcpy(first + list[j + k], &words[k], 4);
    }
  }
}
#endif

template <Layout L, bool B>
void Write(const DrawSetup &setup, uint8_t *row, int x, const uint8_t *list, int count, ChunkColours &colours) {
  constexpr int bytes = (L == Layout::k565 || L == Layout::k555 || L == Layout::kMasked16) ? 2
                        : L == Layout::k888                                                  ? 3
                                                                                              : 4;
  uint8_t *first = row + static_cast<long>(x) * bytes;
#if defined(__SSE2__)
  if constexpr (L == Layout::k8888) {
    if (!B || IsOver(setup)) return Write8888(setup, row, x, list, count, colours, B);
  }
#endif
  if constexpr (B) {
    ChunkColours &dest = setup.scratch->destination;
    for (int j = 0; j < count; ++j)
      Unpack<L>(setup, Load<L>(first + list[j] * bytes), dest.r[j], dest.g[j], dest.b[j], dest.a[j]);
    Blend(setup, colours, dest, count);
  }
  for (int j = 0; j < count; ++j)
    Store<L>(first + list[j] * bytes,
             Pack<L>(setup, static_cast<uint32_t>(colours.r[j]), static_cast<uint32_t>(colours.g[j]),
                     static_cast<uint32_t>(colours.b[j]), static_cast<uint32_t>(colours.a[j])));
}

template <Layout L>
WriteFn For(bool blend) {
  return blend ? Write<L, true> : Write<L, false>;
}

}  // namespace

WriteFn ChooseWriter(const Target &target, bool blend) {
  const uint32_t r = target.red, g = target.green, b = target.blue, a = target.alpha;
  if (r == 0 || g == 0 || b == 0 || ((r & g) | (r & b) | (g & b)) != 0) return nullptr;
  switch (target.bits) {
    case 16:
      if (r == 0xF800 && g == 0x07E0 && b == 0x001F && a == 0) return For<Layout::k565>(blend);
      if (r == 0x7C00 && g == 0x03E0 && b == 0x001F && (a == 0 || a == 0x8000)) return For<Layout::k555>(blend);
      if (((r | g | b | a) >> 16) != 0) return nullptr;
      return For<Layout::kMasked16>(blend);
    case 24:
      if (r == 0xFF0000 && g == 0xFF00 && b == 0xFF && a == 0) return For<Layout::k888>(blend);
      return nullptr;
    case 32:
      if (r == 0xFF0000 && g == 0xFF00 && b == 0xFF && (a == 0 || a == 0xFF000000u)) return For<Layout::k8888>(blend);
      return For<Layout::kMasked32>(blend);
    default: return nullptr;
  }
}

}  // namespace raster
