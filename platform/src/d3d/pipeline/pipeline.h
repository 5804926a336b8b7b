// The software rendering pipeline behind the Direct3D 7 device: vertex
// processing, clipping, set-up, rasterisation and the pixel stage. It knows
// no COM type: the device objects translate their state into these records
// and hand over plain memory (target, depth buffer, texture levels).
#pragma once

#include <cstddef>
#include <cstdint>

namespace raster {

// Enumerations carry Direct3D 7's numeric values, so the device translates
// a state value with a range check and a cast.
enum class Compare : uint8_t { kNever = 1, kLess, kEqual, kLessEqual, kGreater, kNotEqual, kGreaterEqual, kAlways };
enum class BlendFactor : uint8_t {
  kZero = 1, kOne, kSrcColor, kInvSrcColor, kSrcAlpha, kInvSrcAlpha, kDestAlpha, kInvDestAlpha,
  kDestColor, kInvDestColor, kSrcAlphaSat, kBothSrcAlpha, kBothInvSrcAlpha
};
enum class Cull : uint8_t { kNone = 1, kClockwise, kCounterClockwise };
enum class Shade : uint8_t { kFlat = 1, kGouraud, kPhong };
enum class FillMode : uint8_t { kPoint = 1, kWireframe, kSolid };
enum class FogMode : uint8_t { kNone = 0, kExp, kExp2, kLinear };
enum class DepthMode : uint8_t { kOff = 0, kZ, kW };
enum class StencilOp : uint8_t { kKeep = 1, kZero, kReplace, kIncrementSaturate, kDecrementSaturate, kInvert, kIncrement, kDecrement };
enum class MaterialSource : uint8_t { kMaterial = 0, kColor1, kColor2 };
enum class Primitive : uint8_t { kPointList = 1, kLineList, kLineStrip, kTriangleList, kTriangleStrip, kTriangleFan };
enum class TextureOp : uint8_t {
  kDisable = 1, kSelectArg1, kSelectArg2, kModulate, kModulate2x, kModulate4x, kAdd, kAddSigned,
  kAddSigned2x, kSubtract, kAddSmooth, kBlendDiffuseAlpha, kBlendTextureAlpha, kBlendFactorAlpha,
  kBlendTextureAlphaPremultiplied, kBlendCurrentAlpha, kPremodulate, kModulateAlphaAddColor,
  kModulateColorAddAlpha, kModulateInvAlphaAddColor, kModulateInvColorAddAlpha, kBumpEnvMap,
  kBumpEnvMapLuminance, kDotProduct3
};
// A texture-stage argument: the D3DTA_ selector (0 diffuse, 1 current,
// 2 texture, 3 texture factor, 4 specular) or'ed with the modifier bits
// 0x10 (complement) and 0x20 (alpha replicate).
using TextureArgument = uint32_t;
enum class TextureAddress : uint8_t { kWrap = 1, kMirror, kClamp, kBorder };
enum class TextureFilter : uint8_t { kPoint = 1, kLinear };       // magnification and minification
enum class MipFilter : uint8_t { kNone = 1, kPoint, kLinear };
enum class LightType : uint8_t { kPoint = 1, kSpot, kDirectional };

// Matrices are row-major and transform row vectors (v' = v · M), as in
// Direct3D.
struct Matrix {
  float m[4][4];
};
struct Vector3 {
  float x, y, z;
};
// Colour channels as floats, 1.0 full intensity (they may exceed it).
struct Colour {
  float r, g, b, a;
};

struct Light {
  LightType type;
  Colour diffuse, specular, ambient;
  Vector3 position, direction;
  float range, falloff, attenuation0, attenuation1, attenuation2, theta, phi;
};

struct Material {
  Colour diffuse, ambient, specular, emissive;
  float power;
};

// The viewport in target pixels, with the depth range it maps z onto.
struct Viewport {
  uint32_t x, y, width, height;
  float minZ, maxZ;
};

// A texel format by its channel masks. Luminance formats give the
// luminance mask as red, green and blue alike; palettised formats are
// 8-bit indices into the texture's palette.
struct TexelFormat {
  int bits;  // 8, 16, 24 or 32
  uint32_t red, green, blue, alpha;
  bool palettised;
};

// One mipmap level in memory.
struct TextureLevel {
  const uint8_t *pixels;
  long pitch;
  int width, height;
};

// A texture: its levels from the largest down, read at draw time.
struct Texture {
  TexelFormat format;
  const TextureLevel *levels;
  int levelCount;
  const uint32_t *palette;  // 256 entries of 0xAARRGGBB for palettised textures
  bool hasColourKey;        // source colour key of the top level
  uint32_t keyLow, keyHigh; // texel values of the key range
};

struct TextureStage {
  TextureOp colorOp, alphaOp;
  TextureArgument colorArg1, colorArg2, alphaArg1, alphaArg2;
  uint32_t texCoordIndex;
  TextureAddress addressU, addressV;
  uint32_t borderColour;  // 0xAARRGGBB
  TextureFilter magFilter, minFilter;
  MipFilter mipFilter;
  float mipLodBias;
  uint32_t maxMipLevel;
  const Texture *texture;  // null: no texture bound
};

constexpr int kTextureStages = 8;

// Everything a draw depends on.
struct State {
  Matrix world, view, projection;
  Viewport viewport;
  Material material;
  const Light *lights;  // the enabled lights only
  size_t lightCount;

  bool lighting, localViewer, specularEnable, normalizeNormals, colorVertex, clipping;
  uint32_t ambient;  // 0xAARRGGBB
  MaterialSource diffuseSource, specularSource, ambientSource, emissiveSource;

  DepthMode depth;
  Compare depthFunc;
  bool depthWrite;
  uint32_t depthBias;

  bool alphaBlend;
  BlendFactor srcBlend, destBlend;
  bool alphaTest;
  Compare alphaFunc;
  uint32_t alphaRef;  // 0 … 255

  Cull cull;
  Shade shade;
  FillMode fill;
  bool perspective;  // perspective-correct texture coordinates
  bool dither;
  bool colorKeyEnable;
  bool lastPixel;
  uint32_t textureFactor;  // 0xAARRGGBB
  uint32_t wrap[8];        // D3DWRAP_U / D3DWRAP_V bits per coordinate set

  bool fogEnable, rangeFog;
  uint32_t fogColour;  // 0x00RRGGBB
  FogMode fogVertexMode, fogTableMode;
  float fogStart, fogEnd, fogDensity;

  bool stencilEnable;
  Compare stencilFunc;
  uint32_t stencilRef, stencilMask, stencilWriteMask;
  StencilOp stencilFail, stencilDepthFail, stencilPass;

  TextureStage stages[kTextureStages];
};

// Fills `state` with Direct3D 7's documented defaults for a new device
// (identity matrices, no lights, the default material, culling of
// counter-clockwise triangles, LESSEQUAL depth test with writes, Gouraud
// shading, perspective correction on, stage 0 MODULATE of texture and
// diffuse, the other stages disabled, …). The viewport is the whole target.
void SetDefaults(State &state, uint32_t targetWidth, uint32_t targetHeight);

// The render target: 16-bit (5-6-5 or 5-5-5), 24- or 32-bit RGB.
struct Target {
  uint8_t *pixels;
  long pitch;
  int width, height;
  int bits;
  uint32_t red, green, blue, alpha;
};

// A depth buffer of 16, 24 (in 32-bit words), 24+8 stencil or 32 bits; the
// masks say which bits hold depth and which stencil.
struct DepthBuffer {
  uint8_t *bits;
  long pitch;
  int width, height;
  int bytesPerPixel;
  uint32_t depthMask;
  uint32_t stencilMask;
};

// Vertices as one pointer and stride per component; interleaved vertices
// are described by InterleavedVertices. `fvf` is a D3DFVF_ code and says
// which components exist and their sizes.
struct Component {
  const uint8_t *data;
  uint32_t stride;
};
struct Vertices {
  uint32_t fvf;
  uint32_t count;
  Component position, normal, diffuse, specular;
  Component texCoords[8];
};

// The size in bytes of one interleaved vertex of `fvf`, or 0 when the code
// is not a valid vertex format.
uint32_t VertexSize(uint32_t fvf);
// Vertices packed one after another in the layout of `fvf`.
Vertices InterleavedVertices(uint32_t fvf, const void *data, uint32_t count);

// The screen-space extents a draw touched, for the device's clip status.
struct Extents {
  float minX, maxX, minY, maxY, minZ, maxZ;
};

enum class Result {
  kOk,
  kInvalidVertexFormat,  // the FVF code cannot be drawn
  kInvalidParams,        // counts or indices out of range, null data
  kInvalidPrimitive,
};

// Draws `count` vertices (or, with `indices`, `indexCount` indices into
// them) as `primitive` into `target` and `depth` (null: none). Flags are
// D3DDP_ bits (D3DDP_DONOTCLIP, D3DDP_DONOTLIGHT, D3DDP_DONOTUPDATEEXTENTS).
// Nothing is read or written out of bounds, whatever the input.
Result Draw(const State &state, const Target &target, const DepthBuffer *depth, Primitive primitive,
            const Vertices &vertices, const uint16_t *indices, uint32_t indexCount, uint32_t flags,
            Extents *extents);

struct ClearRect {
  long left, top, right, bottom;
};
enum ClearFlags : uint32_t { kClearTarget = 1, kClearDepth = 2, kClearStencil = 4 };

// Clears the rectangles (null: the whole viewport), each cut to the
// viewport: the target to `colour` (0xAARRGGBB), depth to `z` (0 … 1),
// stencil to `stencil`.
void Clear(const State &state, const Target *target, const DepthBuffer *depth, const ClearRect *rects,
           uint32_t rectCount, uint32_t flags, uint32_t colour, float z, uint32_t stencil);

}  // namespace raster
