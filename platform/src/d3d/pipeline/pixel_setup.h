// The pixel stage's per-draw set-up: the state of one draw resolved into
// plain values and the specialised functions chosen for it (depth test,
// texel fetch, target writer), so that no loop tests state per pixel.
#pragma once

#include <cstdint>

#include "d3d/pipeline/pipeline_internal.h"

namespace raster {

// Colours of up to kChunk pixels, one array per channel, each 0 … 255.
struct ChunkColours {
  int32_t r[kChunk], g[kChunk], b[kChunk], a[kChunk];
};

// Working colours of the pixel stage, kept off the stack of the per-span
// functions so that their frames stay small: spans of a few pixels are the
// common case and pay for every byte a call sets up.
struct SpanScratch {
  ChunkColours diffuse, current, specular, textures[2];
  ChunkColours factor, other, argument1, argument2;  // the texture stages'
  ChunkColours destination;                          // target colours read back for blending
};

struct DrawSetup;

// Tests `count` depth values against the buffer row from its first pixel;
// keeps in `list` the offsets (from `list` as given) that pass. Returns how
// many passed.
using DepthTestFn = int (*)(const uint8_t *depthRow, uint32_t mask, int shift, const uint32_t *values,
                            uint8_t *list, int count);

// One texture stage's sampler, resolved for the draw.
struct SamplerLevel {
  const uint8_t *pixels;
  long pitch;
  int width, height;
};
struct Sampler;
// Samples `count` coordinates (in texture units) into `out`; `kill` marks
// pixels whose texel is colour-keyed (may be null when the texture has no
// key). `lod` is per pixel (null: the largest level).
using SampleFn = void (*)(const Sampler &sampler, const float *u, const float *v, const float *lod, int count,
                          ChunkColours &out, uint8_t *kill);
struct Sampler {
  SampleFn sample;
  SamplerLevel levels[16];
  int levelCount;
  int texelBytes;
  // Channel decoding of masked formats: shift, mask and a table widening
  // the masked value to 8 bits; a channel without bits reads `missing`.
  int shift[4];
  uint32_t mask[4];
  uint8_t widen[4][256];
  int missing[4];  // value for channels absent from the format (-1: decode)
  const uint32_t *palette;
  bool keyed;
  uint32_t keyLow, keyHigh;
  TextureAddress addressU, addressV;
  uint32_t border;  // 0xAARRGGBB
  bool magLinear, minLinear;
  MipFilter mipFilter;
  bool needsLod;
  float lodBias;
  int firstLevel;
};

// One texture stage's colour and alpha operations.
struct StageSetup {
  TextureOp colorOp, alphaOp;
  TextureArgument colorArg1, colorArg2, alphaArg1, alphaArg2;
  bool usesTexture;  // an argument or op of this stage reads the texture
};

// Writes (and blends) the chunk's colours into a target row.
using WriteFn = void (*)(const DrawSetup &setup, uint8_t *row, int x, const uint8_t *list, int count,
                         ChunkColours &colours);

struct DrawSetup {
  SpanScratch *scratch;  // owned by the draw

  // Target.
  uint8_t *pixels;
  long pitch;
  int bytesPerPixel;
  uint32_t masks[4];  // red, green, blue, alpha
  WriteFn write;
  bool blend;
  BlendFactor srcBlend, destBlend;

  // Depth and stencil.
  uint8_t *depthBits;
  long depthPitch;
  int depthBytes;
  uint32_t depthMask;  // in the word
  int depthShift;
  double depthScale;  // depth 0 … 1 to the stored value
  DepthMode depthMode;
  bool depthTest;  // early depth test through depthTestFn
  bool depthWrite;
  bool depthValues;  // the depth value of each pixel is needed
  DepthTestFn depthTestFn;
  Compare depthFunc;
  float wScale;  // w to 0 … 1 for the w-buffer
  bool stencil;
  uint32_t stencilMask;  // in the word
  int stencilShift;
  Compare stencilFunc;
  uint32_t stencilRef, stencilReadMask, stencilWriteMask;
  StencilOp stencilFail, stencilDepthFail, stencilPass;

  // Shading.
  bool perspective;
  bool specular;
  bool stagesReadSpecular;  // a stage argument is the specular colour
  int stageCount;            // stages evaluated (0: the diffuse colour passes through)
  StageSetup stages[kActiveStages];
  Sampler samplers[kActiveStages];
  bool sampled[kActiveStages];  // the stage reads its texture
  uint32_t textureFactor;

  bool alphaTest;
  Compare alphaFunc;
  int alphaRef;
  bool keyKill;  // colour-keyed texels discard the pixel

  // The interpolants the pixel stage reads, so that set-up computes no others.
  int interpolants[kInterpolantCount];
  int interpolantCount;

  // Fog.
  bool vertexFog, tableFog;
  FogMode tableMode;
  bool fogFromW;
  float fogStart, fogEnd, fogDensity;
  int fogColour[3];
};

// Chooses the pixel stage's functions and resolves the state for a draw.
// False when the target format cannot be drawn.
bool PrepareDraw(const State &state, const Target &target, const DepthBuffer *depth, DrawSetup &setup);

// Fills a sampler for a stage's texture, honouring its colour key when
// `colourKeys`; false when the texture cannot be read (bad format, no levels).
bool PrepareSampler(const TextureStage &stage, const Texture &texture, bool colourKeys, Sampler &sampler);

// Evaluates the texture stages over a chunk, starting from the diffuse
// colour; the last stage's result lands in `out`.
void CombineStages(const DrawSetup &setup, const ChunkColours &diffuse, const ChunkColours &specular,
                   const ChunkColours *textures, int count, ChunkColours &out);

// Chooses the writer for a target format and blend on/off; null when the
// format is not drawable.
WriteFn ChooseWriter(const Target &target, bool blend);
// The depth test for a word size and compare function.
DepthTestFn ChooseDepthTest(int bytes, Compare compare);

}  // namespace raster
