// The pixel stage over one span: depth values and the early depth test,
// interpolated colours, texture sampling, the texture stages, specular and
// fog, colour keys and the alpha test, stencil, depth writes, then the
// chosen target writer. Pixels are handled a chunk at a time, each step a
// loop over the pixels still alive.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "d3d/pipeline/compare.h"
#include "d3d/pipeline/lanes.h"
#include "d3d/pipeline/pixel_setup.h"

namespace raster {

namespace {

// A channel value from an interpolated float, NaN and overshoot clamped.
inline int32_t ToChannel(float value) {
  value = value > 0.0f ? (value < 255.0f ? value : 255.0f) : 0.0f;
  return static_cast<int32_t>(value);
}

inline float Unit(float value) { return value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f; }

inline uint32_t LoadWord(const uint8_t *at, int bytes) {
  if (bytes == 2) {
    uint16_t v;
    std::memcpy(&v, at, 2);
    return v;
  }
  uint32_t v;
  std::memcpy(&v, at, 4);
  return v;
}

inline void StoreWord(uint8_t *at, int bytes, uint32_t value) {
  if (bytes == 2) {
    const uint16_t v = static_cast<uint16_t>(value);
    std::memcpy(at, &v, 2);
  } else {
    std::memcpy(at, &value, 4);
  }
}

float FogFactor(FogMode mode, float distance, float start, float end, float density) {
  float factor = 1.0f;
  switch (mode) {
    case FogMode::kLinear: factor = end != start ? (end - distance) / (end - start) : (distance < end ? 1.0f : 0.0f); break;
    case FogMode::kExp: factor = std::exp(-density * distance); break;
    case FogMode::kExp2: factor = std::exp(-(density * distance) * (density * distance)); break;
    case FogMode::kNone: break;
  }
  return Unit(factor);
}

uint32_t StencilResult(StencilOp op, uint32_t value, uint32_t ref, uint32_t max) {
  switch (op) {
    case StencilOp::kKeep: return value;
    case StencilOp::kZero: return 0;
    case StencilOp::kReplace: return ref & max;
    case StencilOp::kIncrementSaturate: return value < max ? value + 1 : max;
    case StencilOp::kDecrementSaturate: return value > 0 ? value - 1 : 0;
    case StencilOp::kInvert: return ~value & max;
    case StencilOp::kIncrement: return (value + 1) & max;
    case StencilOp::kDecrement: return (value - 1) & max;
  }
  return value;
}

// Stencil and depth for the pixels still alive, with their updates; keeps
// those that pass both.
int StencilAndDepth(const DrawSetup &s, uint8_t *depthRow, const uint32_t *depthValues, uint8_t *list,
                    ChunkColours &colours, int live) {
  const uint32_t max = s.stencilMask >> s.stencilShift;
  const uint32_t ref = s.stencilRef & max;
  const uint32_t writeMask = s.stencilWriteMask & max;
  int kept = 0;
  for (int j = 0; j < live; ++j) {
    uint8_t *at = depthRow + list[j] * s.depthBytes;
    uint32_t word = LoadWord(at, s.depthBytes);
    const uint32_t stencil = (word & s.stencilMask) >> s.stencilShift;
    StencilOp op;
    bool pass = Passes(s.stencilFunc, ref & s.stencilReadMask, stencil & s.stencilReadMask);
    if (!pass) {
      op = s.stencilFail;
    } else if (s.depthMode != DepthMode::kOff &&
               !Passes(s.depthFunc, depthValues[list[j]], (word & s.depthMask) >> s.depthShift)) {
      op = s.stencilDepthFail;
      pass = false;
    } else {
      op = s.stencilPass;
      if (s.depthWrite)
        word = (word & ~s.depthMask) | ((depthValues[list[j]] << s.depthShift) & s.depthMask);
    }
    const uint32_t updated = (stencil & ~writeMask) | (StencilResult(op, stencil, ref, max) & writeMask);
    word = (word & ~s.stencilMask) | ((updated << s.stencilShift) & s.stencilMask);
    StoreWord(at, s.depthBytes, word);
    if (!pass) continue;
    list[kept] = list[j];
    colours.r[kept] = colours.r[j], colours.g[kept] = colours.g[j], colours.b[kept] = colours.b[j],
    colours.a[kept] = colours.a[j];
    ++kept;
  }
  return kept;
}

// Drops pixels the colour key or the alpha test discard.
int DiscardPixels(const DrawSetup &s, const uint8_t *kill, uint8_t *list, ChunkColours &colours, int live) {
  int kept = 0;
  for (int j = 0; j < live; ++j) {
    if (kill && kill[j]) continue;
    if (s.alphaTest && !Passes(s.alphaFunc, colours.a[j], s.alphaRef)) continue;
    list[kept] = list[j];
    colours.r[kept] = colours.r[j], colours.g[kept] = colours.g[j], colours.b[kept] = colours.b[j],
    colours.a[kept] = colours.a[j];
    ++kept;
  }
  return kept;
}

void DepthValues(const DrawSetup &s, const SpanValues &values, int first, int count, uint32_t *out) {
  alignas(16) float depth[kChunk];
  const int groups = WholeGroups(count);
  const float z0 = values.at[kInterpZ], dz = values.ddx[kInterpZ];
  const float r0 = values.at[kInterpRhw], dr = values.ddx[kInterpRhw];
  const bool fromW = s.depthMode == DepthMode::kW;
  for (int k = 0; k < groups; k += kLanes) {
    const FloatLanes at = Ramp(first + k);
    // Clamped as max(0, min(depth, 1)) would: NaN reads as 0.
    StoreLanes(depth + k, ClampLanes(fromW ? s.wScale / (r0 + at * dr) : z0 + at * dz, 0.0f, 1.0f));
  }
  // The same conversion as Clear's, so that a cleared value compares equal.
  // Up to 24 bits a float holds every value exactly.
  if (s.depthScale <= 16777215.0) {
    const float scale = static_cast<float>(s.depthScale);
    for (int k = 0; k < groups; k += kLanes)
      StoreLanes(out + k, __builtin_convertvector(LoadLanes<FloatLanes>(depth + k) * scale, IntLanes));
  } else {
    for (int k = 0; k < count; ++k) out[k] = static_cast<uint32_t>(static_cast<double>(depth[k]) * s.depthScale);
  }
}

// Interpolated colour channels as 0 … 255 integers, whole groups at a time.
void ColourChannels(const float *offset, int groups, const float *at, const float *ddx, int firstInterpolant,
                    int32_t *const *out, int channels) {
  for (int c = 0; c < channels; ++c) {
    const float a = at[firstInterpolant + c], d = ddx[firstInterpolant + c];
    for (int j = 0; j < groups; j += kLanes)
      StoreLanes(out[c] + j,
                 __builtin_convertvector(ClampLanes(a + LoadLanes<FloatLanes>(offset + j) * d, 0.0f, 255.0f), IntLanes));
  }
}

}  // namespace

void ShadeSpan(const DrawSetup &s, int x, int y, int count, const SpanValues &values) {
  uint8_t *row = s.pixels + s.pitch * y;
  uint8_t *depthRow = s.depthBits ? s.depthBits + s.depthPitch * y : nullptr;
  const float *at = values.at, *ddx = values.ddx;
  for (int first = 0; first < count; first += kChunk) {
    const int n = std::min(kChunk, count - first);
    const int xs = x + first;
    alignas(16) uint8_t list[kChunk];
    alignas(16) uint32_t depth[kChunk];
    int live = n;
    if (s.depthValues) DepthValues(s, values, first, n, depth);
    uint8_t *chunkDepth = depthRow ? depthRow + static_cast<long>(xs) * s.depthBytes : nullptr;
    if (s.depthTest) {
      live = s.depthTestFn(chunkDepth, s.depthMask, s.depthShift, depth, list, n);
      if (live == 0) continue;
    }
    const int groups = WholeGroups(live);

    // Pixel positions relative to the span's start; when every pixel is
    // alive the list is 0, 1, 2, … and the positions a plain ramp.
    alignas(16) float offset[kChunk];
    if (live == n) {
      for (int j = 0; j < groups; j += kLanes) {
        StoreLanes(list + j, ByteLanes{static_cast<uint8_t>(j), static_cast<uint8_t>(j + 1),
                                       static_cast<uint8_t>(j + 2), static_cast<uint8_t>(j + 3)});
        StoreLanes(offset + j, Ramp(first + j));
      }
    } else {
      for (int j = live; j < groups; ++j) list[j] = 0;
      for (int j = 0; j < groups; j += kLanes)
        StoreLanes(offset + j, __builtin_convertvector(
                                   __builtin_convertvector(LoadLanes<ByteLanes>(list + j), IntLanes) + first, FloatLanes));
    }
    auto interpolate = [&](int which, float *out) {
      const float a = at[which], d = ddx[which];
      for (int j = 0; j < groups; j += kLanes) StoreLanes(out + j, a + LoadLanes<FloatLanes>(offset + j) * d);
    };

    SpanScratch &scratch = *s.scratch;
    ChunkColours &diffuse = scratch.diffuse, &current = scratch.current;
    {
      int32_t *const out[4] = {diffuse.r, diffuse.g, diffuse.b, diffuse.a};
      ColourChannels(offset, groups, at, ddx, kInterpAttr0 + kDiffuseR, out, 4);
    }
    ChunkColours &specular = scratch.specular;
    const bool needSpecular = s.specular || s.stagesReadSpecular;
    if (needSpecular) {
      int32_t *const out[3] = {specular.r, specular.g, specular.b};
      ColourChannels(offset, groups, at, ddx, kInterpAttr0 + kSpecularR, out, 3);
      for (int j = 0; j < groups; j += kLanes) StoreLanes(specular.a + j, IntLanes{} + 255);
    }

    // w per pixel, for perspective-correct coordinates and w-based fog.
    alignas(16) float w[kChunk];
    const bool needW = (s.perspective && (s.sampled[0] || s.sampled[1])) || (s.tableFog && s.fogFromW);
    if (needW) {
      const float a = at[kInterpRhw], d = ddx[kInterpRhw];
      for (int j = 0; j < groups; j += kLanes) StoreLanes(w + j, 1.0f / (a + LoadLanes<FloatLanes>(offset + j) * d));
    }

    ChunkColours *textures = scratch.textures;
    uint8_t kill[kChunk];
    bool anyKill = false;
    for (int stage = 0; stage < s.stageCount; ++stage) {
      if (!s.sampled[stage]) continue;
      const Sampler &sampler = s.samplers[stage];
      const int ui = kInterpAttr0 + kStage0U + 2 * stage, vi = ui + 1;
      alignas(16) float u[kChunk], v[kChunk], lod[kChunk];
      interpolate(ui, u);
      interpolate(vi, v);
      if (s.perspective)
        for (int j = 0; j < groups; j += kLanes) {
          const FloatLanes pixelW = LoadLanes<FloatLanes>(w + j);
          StoreLanes(u + j, LoadLanes<FloatLanes>(u + j) * pixelW);
          StoreLanes(v + j, LoadLanes<FloatLanes>(v + j) * pixelW);
        }
      if (sampler.needsLod) {
        const SamplerLevel &top = sampler.levels[0];
        const float width = static_cast<float>(top.width), height = static_cast<float>(top.height);
        for (int j = 0; j < live; ++j) {
          float dudx = ddx[ui], dvdx = ddx[vi], dudy = values.ddy[ui], dvdy = values.ddy[vi];
          if (s.perspective) {
            const float drx = ddx[kInterpRhw], dry = values.ddy[kInterpRhw];
            dudx = (dudx - u[j] * drx) * w[j], dvdx = (dvdx - v[j] * drx) * w[j];
            dudy = (dudy - u[j] * dry) * w[j], dvdy = (dvdy - v[j] * dry) * w[j];
          }
          const float x2 = dudx * dudx * width * width + dvdx * dvdx * height * height;
          const float y2 = dudy * dudy * width * width + dvdy * dvdy * height * height;
          const float rho2 = std::max(x2, y2);
          const float d = rho2 > 0.0f ? 0.5f * std::log2(rho2) + sampler.lodBias : -100.0f;
          lod[j] = std::isfinite(d) ? d : 0.0f;
        }
      }
      uint8_t stageKill[kChunk];
      sampler.sample(sampler, u, v, lod, live, textures[stage], sampler.keyed ? stageKill : nullptr);
      if (sampler.keyed && s.keyKill) {
        if (!anyKill) std::memcpy(kill, stageKill, static_cast<size_t>(live));
        else
          for (int j = 0; j < live; ++j) kill[j] |= stageKill[j];
        anyKill = true;
      }
    }

    // Without texture stages the diffuse colour is the result, used in place.
    ChunkColours &result = s.stageCount > 0 ? current : diffuse;
    if (s.stageCount > 0) CombineStages(s, diffuse, specular, textures, live, current);

    if (s.specular) {
      for (int j = 0; j < live; ++j) {
        result.r[j] = std::min(255, result.r[j] + specular.r[j]);
        result.g[j] = std::min(255, result.g[j] + specular.g[j]);
        result.b[j] = std::min(255, result.b[j] + specular.b[j]);
      }
    }

    if (s.vertexFog || s.tableFog) {
      float fog[kChunk];
      if (s.vertexFog) {
        interpolate(kInterpAttr0 + kFog, fog);
      } else if (s.fogFromW) {
        for (int j = 0; j < live; ++j) fog[j] = FogFactor(s.tableMode, w[j], s.fogStart, s.fogEnd, s.fogDensity);
      } else {
        interpolate(kInterpZ, fog);
        for (int j = 0; j < live; ++j) fog[j] = FogFactor(s.tableMode, fog[j], s.fogStart, s.fogEnd, s.fogDensity);
      }
      int32_t *channel[3] = {result.r, result.g, result.b};
      for (int c = 0; c < 3; ++c) {
        const float fogColour = static_cast<float>(s.fogColour[c]);
        for (int j = 0; j < live; ++j) {
          const float f = Unit(fog[j]);
          channel[c][j] = ToChannel(f * static_cast<float>(channel[c][j]) + (1.0f - f) * fogColour + 0.5f);
        }
      }
    }

    if (anyKill || s.alphaTest) live = DiscardPixels(s, anyKill ? kill : nullptr, list, result, live);
    if (live == 0) continue;

    if (s.stencil) {
      live = StencilAndDepth(s, chunkDepth, depth, list, result, live);
      if (live == 0) continue;
    } else if (s.depthWrite) {
      int j = 0;
      if (live == n && s.depthBytes == 4) {
        // Every pixel of the chunk is kept (the list is 0, 1, 2, …): whole
        // groups of four words at once, inside the chunk.
        for (; j + kLanes <= n; j += kLanes) {
          uint8_t *words = chunkDepth + j * 4;
          const WordLanes old = LoadLanes<WordLanes>(words);
          StoreLanes(words, (old & ~s.depthMask) | ((LoadLanes<WordLanes>(depth + j) << s.depthShift) & s.depthMask));
        }
      }
      for (; j < live; ++j) {
        uint8_t *word = chunkDepth + list[j] * s.depthBytes;
        const uint32_t old = LoadWord(word, s.depthBytes);
        StoreWord(word, s.depthBytes, (old & ~s.depthMask) | ((depth[list[j]] << s.depthShift) & s.depthMask));
      }
    }
    s.write(s, row, xs, list, live, result);
  }
}

}  // namespace raster
