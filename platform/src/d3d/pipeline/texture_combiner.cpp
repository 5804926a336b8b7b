// The texture stages' colour and alpha operations over a chunk of pixels:
// each stage resolves its arguments to channel arrays and applies its
// operation in one loop, chosen once per chunk rather than per pixel.
#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "d3d/pipeline/pixel_setup.h"

namespace raster {

namespace {

constexpr uint32_t kSelectMask = 0x0F, kComplement = 0x10, kAlphaReplicate = 0x20;
enum Selector : uint32_t { kDiffuse = 0, kCurrent = 1, kTexture = 2, kFactor = 3, kSpecular = 4 };

inline int32_t Div255(int32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}
inline int32_t Clamp255(int32_t x) { return std::clamp(x, 0, 255); }

struct Sources {
  const ChunkColours *diffuse, *current, *texture, *factor, *specular;
  const ChunkColours &Of(TextureArgument argument) const {
    switch (argument & kSelectMask) {
      case kDiffuse: return *diffuse;
      case kTexture: return *texture;
      case kFactor: return *factor;
      case kSpecular: return *specular;
      default: return *current;
    }
  }
};

// An argument's colour channels and alpha, with its modifiers applied into
// `scratch` when it has any.
struct Argument {
  const int32_t *channel[3];
  const int32_t *alpha;
};

Argument Resolve(const Sources &sources, TextureArgument argument, int count, ChunkColours &scratch) {
  const ChunkColours &source = sources.Of(argument);
  Argument result{{source.r, source.g, source.b}, source.a};
  if (argument & kAlphaReplicate) result.channel[0] = result.channel[1] = result.channel[2] = source.a;
  if (argument & kComplement) {
    int32_t *out[4] = {scratch.r, scratch.g, scratch.b, scratch.a};
    const int32_t *in[4] = {result.channel[0], result.channel[1], result.channel[2], result.alpha};
    for (int c = 0; c < 4; ++c)
      for (int j = 0; j < count; ++j) out[c][j] = 255 - in[c][j];
    result = Argument{{scratch.r, scratch.g, scratch.b}, scratch.a};
  }
  return result;
}

template <typename F>
inline void Each(int32_t *out, const int32_t *x, const int32_t *y, int count, F f) {
  for (int j = 0; j < count; ++j) out[j] = f(x[j], y[j], j);
}

// One channel of an operation: out = op(x, y); `xAlpha` is the first
// argument's alpha, `weight` the alpha the blend operations use.
void Operate(TextureOp op, int32_t *out, const int32_t *x, const int32_t *y, const int32_t *xAlpha,
             const int32_t *weight, int count) {
  switch (op) {
    case TextureOp::kSelectArg1: Each(out, x, y, count, [](int32_t a, int32_t, int) { return a; }); break;
    case TextureOp::kSelectArg2: Each(out, x, y, count, [](int32_t, int32_t b, int) { return b; }); break;
    case TextureOp::kModulate:
#if defined(__SSE2__)
      // Four at a time: channels are 0 … 255, so each 32-bit lane's upper
      // half is zero and the 16-bit multiply-add gives the whole product.
      // The arrays hold kChunk entries, so whole groups of four fit.
      for (int j = 0; j < count; j += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(x + j));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(y + j));
        __m128i product = _mm_add_epi32(_mm_madd_epi16(a, b), _mm_set1_epi32(128));
        product = _mm_srli_epi32(_mm_add_epi32(product, _mm_srli_epi32(product, 8)), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j), product);
      }
#else
      Each(out, x, y, count, [](int32_t a, int32_t b, int) { return Div255(a * b); });
#endif
      break;
    case TextureOp::kModulate2x:
      Each(out, x, y, count, [](int32_t a, int32_t b, int) { return std::min(255, Div255(a * b) * 2); });
      break;
    case TextureOp::kModulate4x:
      Each(out, x, y, count, [](int32_t a, int32_t b, int) { return std::min(255, Div255(a * b) * 4); });
      break;
    case TextureOp::kAdd: Each(out, x, y, count, [](int32_t a, int32_t b, int) { return std::min(255, a + b); }); break;
    case TextureOp::kAddSigned:
      Each(out, x, y, count, [](int32_t a, int32_t b, int) { return Clamp255(a + b - 128); });
      break;
    case TextureOp::kAddSigned2x:
      Each(out, x, y, count, [](int32_t a, int32_t b, int) { return Clamp255((a + b - 128) * 2); });
      break;
    case TextureOp::kSubtract: Each(out, x, y, count, [](int32_t a, int32_t b, int) { return std::max(0, a - b); }); break;
    case TextureOp::kAddSmooth:
      Each(out, x, y, count, [](int32_t a, int32_t b, int) { return Clamp255(a + b - Div255(a * b)); });
      break;
    case TextureOp::kBlendDiffuseAlpha:
    case TextureOp::kBlendTextureAlpha:
    case TextureOp::kBlendFactorAlpha:
    case TextureOp::kBlendCurrentAlpha:
      Each(out, x, y, count,
           [weight](int32_t a, int32_t b, int j) { return Div255(a * weight[j] + b * (255 - weight[j])); });
      break;
    case TextureOp::kBlendTextureAlphaPremultiplied:
      Each(out, x, y, count, [weight](int32_t a, int32_t b, int j) { return std::min(255, a + Div255(b * (255 - weight[j]))); });
      break;
    case TextureOp::kModulateAlphaAddColor:
      Each(out, x, y, count, [xAlpha](int32_t a, int32_t b, int j) { return std::min(255, a + Div255(xAlpha[j] * b)); });
      break;
    case TextureOp::kModulateColorAddAlpha:
      Each(out, x, y, count, [xAlpha](int32_t a, int32_t b, int j) { return std::min(255, Div255(a * b) + xAlpha[j]); });
      break;
    case TextureOp::kModulateInvAlphaAddColor:
      Each(out, x, y, count,
           [xAlpha](int32_t a, int32_t b, int j) { return std::min(255, a + Div255((255 - xAlpha[j]) * b)); });
      break;
    case TextureOp::kModulateInvColorAddAlpha:
      Each(out, x, y, count,
           [xAlpha](int32_t a, int32_t b, int j) { return std::min(255, Div255((255 - a) * b) + xAlpha[j]); });
      break;
    default:  // premodulate and bump mapping are not offered: the first argument passes
      Each(out, x, y, count, [](int32_t a, int32_t, int) { return a; });
      break;
  }
}

// The alpha a blend operation weighs its arguments by.
const int32_t *BlendWeight(TextureOp op, const Sources &sources) {
  switch (op) {
    case TextureOp::kBlendDiffuseAlpha: return sources.diffuse->a;
    case TextureOp::kBlendTextureAlpha:
    case TextureOp::kBlendTextureAlphaPremultiplied: return sources.texture->a;
    case TextureOp::kBlendFactorAlpha: return sources.factor->a;
    default: return sources.current->a;
  }
}

}  // namespace

void CombineStages(const DrawSetup &setup, const ChunkColours &diffuse, const ChunkColours &specular,
                   const ChunkColours *textures, int count, ChunkColours &out) {
  SpanScratch &scratch = *setup.scratch;
  ChunkColours &factor = scratch.factor, &other = scratch.other, &scratch1 = scratch.argument1,
               &scratch2 = scratch.argument2;
  // The texture factor as a colour, only when a stage reads it.
  bool readsFactor = false;
  for (int s = 0; s < setup.stageCount; ++s) {
    const StageSetup &stage = setup.stages[s];
    for (const TextureArgument argument : {stage.colorArg1, stage.colorArg2, stage.alphaArg1, stage.alphaArg2})
      readsFactor = readsFactor || (argument & kSelectMask) == kFactor;
    readsFactor = readsFactor || stage.colorOp == TextureOp::kBlendFactorAlpha || stage.alphaOp == TextureOp::kBlendFactorAlpha;
  }
  const uint32_t f = setup.textureFactor;
  if (readsFactor)
    for (int j = 0; j < count; ++j) {
      factor.r[j] = (f >> 16) & 0xFF, factor.g[j] = (f >> 8) & 0xFF, factor.b[j] = f & 0xFF, factor.a[j] = f >> 24;
    }
  // Stages write alternately into `out` and `other`, so that the last one
  // writes into `out` and no stage result is copied.
  ChunkColours *buffers[2] = {&out, &other};
  const ChunkColours *current = &diffuse;
  for (int s = 0; s < setup.stageCount; ++s) {
    const StageSetup &stage = setup.stages[s];
    ChunkColours &result = *buffers[(setup.stageCount - 1 - s) % 2];
    const Sources sources{&diffuse, current, &textures[s], &factor, &specular};
    // Colour.
    const Argument x = Resolve(sources, stage.colorArg1, count, scratch1);
    const Argument y = Resolve(sources, stage.colorArg2, count, scratch2);
    if (stage.colorOp == TextureOp::kDotProduct3) {
      for (int j = 0; j < count; ++j) {
        int32_t dot = 0;
        for (int c = 0; c < 3; ++c) dot += (x.channel[c][j] - 128) * (y.channel[c][j] - 128);
        const int32_t value = Clamp255(dot * 4 / 255);
        result.r[j] = result.g[j] = result.b[j] = result.a[j] = value;
      }
    } else {
      const int32_t *weight = BlendWeight(stage.colorOp, sources);
      int32_t *channels[3] = {result.r, result.g, result.b};
      for (int c = 0; c < 3; ++c)
        Operate(stage.colorOp, channels[c], x.channel[c], y.channel[c], x.alpha, weight, count);
      // Alpha: a disabled alpha operation keeps the current alpha.
      if (stage.alphaOp == TextureOp::kDisable) {
        std::copy(current->a, current->a + count, result.a);
      } else {
        const Argument xa = Resolve(sources, stage.alphaArg1, count, scratch1);
        const Argument ya = Resolve(sources, stage.alphaArg2, count, scratch2);
        Operate(stage.alphaOp, result.a, xa.alpha, ya.alpha, xa.alpha, BlendWeight(stage.alphaOp, sources), count);
      }
    }
    current = &result;
  }
}

}  // namespace raster
