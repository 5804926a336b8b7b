// Shared pieces of the software pipeline's stages: the vertex after
// processing, the per-draw set-up the pixel stage runs from, and the entry
// points each stage offers to the next. Nothing here leaves the pipeline.
#pragma once

#include <cstdint>

#include "d3d/pipeline/pipeline.h"

namespace raster {

// Vertex format codes and draw flags, with Direct3D 7's values.
namespace fvf {
constexpr uint32_t kReserved0 = 0x001, kPositionMask = 0x00E, kXyz = 0x002, kXyzRhw = 0x004, kXyzB1 = 0x006,
                   kXyzB5 = 0x00E, kNormal = 0x010, kReserved1 = 0x020, kDiffuse = 0x040, kSpecular = 0x080,
                   kTexCountMask = 0xF00, kTexCountShift = 8, kReserved2 = 0xF000;
// Number of floats of texture coordinate set `set`, from the format bits.
inline int TexCoordFloats(uint32_t code, int set) {
  static const int kSizes[4] = {2, 3, 4, 1};
  return kSizes[(code >> (16 + set * 2)) & 3];
}
}  // namespace fvf
constexpr uint32_t kDrawDoNotClip = 0x4, kDrawDoNotUpdateExtents = 0x8, kDrawDoNotLight = 0x10;

// The texture stages the pixel stage evaluates; later stages are ignored.
constexpr int kActiveStages = 2;

// Per-vertex values carried from vertex processing to the pixels. Colours
// are 0 … 255, fog is the vertex fog factor (1: no fog), texture
// coordinates are those of each stage, already chosen by its index.
enum Attribute {
  kDiffuseR, kDiffuseG, kDiffuseB, kDiffuseA,
  kSpecularR, kSpecularG, kSpecularB,
  kFog,
  kStage0U, kStage0V, kStage1U, kStage1V,
  kAttributeCount
};

// A vertex after processing: clip-space position for untransformed
// vertices, or screen position with w = 1/rhw for pre-transformed ones.
struct ClipVertex {
  float x, y, z, w;
  float attr[kAttributeCount];
};

// A vertex in target pixels ready for set-up: z in 0 … 1, rhw = 1/w.
struct ScreenVertex {
  float x, y, z, rhw;
  float attr[kAttributeCount];
};

// Values interpolated across a primitive: depth, rhw, then the attributes
// (texture coordinates multiplied by rhw when perspective correction is on).
enum Interpolant { kInterpZ, kInterpRhw, kInterpAttr0, kInterpolantCount = kInterpAttr0 + kAttributeCount };

// A run of pixels on one row: values at its first pixel and their change
// per pixel in x (and in y, for mipmap level selection).
struct SpanValues {
  float at[kInterpolantCount];
  float ddx[kInterpolantCount];
  float ddy[kInterpolantCount];
};

// The largest number of pixels the pixel stage handles in one pass.
constexpr int kChunk = 64;

struct DrawSetup;

// The pixel stage: shades, tests and writes `count` pixels from (x, y)
// rightwards, all inside the scissor rectangle.
void ShadeSpan(const DrawSetup &setup, int x, int y, int count, const SpanValues &values);

// Per-draw set-up of the pixel stage, built once per Draw call. Defined in
// pixel_setup.h; the rasteriser sees only its scissor rectangle.
struct Scissor {
  int left, top, right, bottom;  // right and bottom exclusive
};

// Rasterises a triangle (any winding: culling is already done) by the
// fill convention, inside the scissor rectangle.
void RasteriseTriangle(const DrawSetup &setup, const Scissor &scissor, const ScreenVertex &a, const ScreenVertex &b,
                       const ScreenVertex &c, bool perspective, bool flat);
// A line from a to b (the last pixel only when `lastPixel`) and a point.
void RasteriseLine(const DrawSetup &setup, const Scissor &scissor, const ScreenVertex &a, const ScreenVertex &b,
                   bool lastPixel, bool perspective, bool flat);
void RasterisePoint(const DrawSetup &setup, const Scissor &scissor, const ScreenVertex &a, bool perspective);

// Vertex processing: reads vertex `index` and produces its clip vertex.
// `Prepare` resolves the state once per draw.
struct VertexProcessor;

}  // namespace raster
