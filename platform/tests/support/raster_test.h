// Fixtures shared by the rasteriser suites: render targets and depth planes
// in guarded memory (guard bytes around the picture and padding after each
// row, so that any write outside it is caught), transformed and lit vertices,
// a texture of 32-bit texels, and the expected answer of each compare
// function.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "d3d/pipeline/pipeline.h"
#include "pixels/pixel_format.h"

namespace raster_test {

using raster::BlendFactor;
using raster::Compare;
using raster::Primitive;
using raster::Result;

inline constexpr uint32_t kFvfXyz = 0x002, kFvfXyzRhw = 0x004, kFvfNormal = 0x010, kFvfDiffuse = 0x040,
                          kFvfSpecular = 0x080, kFvfTex1 = 0x100, kFvfTex2 = 0x200;
inline constexpr uint32_t kTlVertexFvf = kFvfXyzRhw | kFvfDiffuse | kFvfSpecular | kFvfTex1;
inline constexpr uint8_t kGuardByte = 0xA5;
inline constexpr int kGuardBytes = 64, kRowPadding = 12;

struct PixelLayout {
  const char *name;
  int bits;
  uint32_t red, green, blue, alpha;
};

inline const PixelLayout kTargetLayouts[] = {
    {"Rgb565", 16, 0xF800, 0x07E0, 0x001F, 0},
    {"Rgb555", 16, 0x7C00, 0x03E0, 0x001F, 0},
    {"Rgb888", 24, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {"Xrgb8888", 32, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {"Argb8888", 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000},
};
inline const PixelLayout &Argb32() { return kTargetLayouts[4]; }

// Memory for a picture with guard bytes before and after it and padding at
// the end of every row, all of which must stay untouched.
class Picture {
 public:
  Picture(int width, int height, int bytesPerPixel, uint8_t fill = 0)
      : width_(width), height_(height), bytes_(bytesPerPixel), pitch_(width * bytesPerPixel + kRowPadding),
        memory_(static_cast<size_t>(2 * kGuardBytes + pitch_ * height), kGuardByte) {
    for (int y = 0; y < height; ++y) std::memset(Row(y), fill, static_cast<size_t>(width * bytesPerPixel));
  }
  uint8_t *Row(int y) { return memory_.data() + kGuardBytes + static_cast<long>(y) * pitch_; }
  uint32_t Value(int x, int y) {
    uint32_t v = 0;
    std::memcpy(&v, Row(y) + x * bytes_, static_cast<size_t>(bytes_));
    return v;
  }
  bool Untouched() const {
    auto guard = [](uint8_t b) { return b == kGuardByte; };
    if (!std::all_of(memory_.begin(), memory_.begin() + kGuardBytes, guard)) return false;
    if (!std::all_of(memory_.end() - kGuardBytes, memory_.end(), guard)) return false;
    for (int y = 0; y < height_; ++y) {
      const uint8_t *pad = memory_.data() + kGuardBytes + static_cast<long>(y) * pitch_ + width_ * bytes_;
      if (!std::all_of(pad, pad + kRowPadding, guard)) return false;
    }
    return true;
  }
  long Pitch() const { return pitch_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_, height_, bytes_;
  long pitch_;
  std::vector<uint8_t> memory_;
};

// A render target of one layout.
struct Canvas {
  Canvas(int width, int height, const PixelLayout &pixelLayout = Argb32())
      : layout(pixelLayout), picture(width, height, pixelLayout.bits / 8) {
    target = raster::Target{picture.Row(0), picture.Pitch(), width, height, layout.bits,
                            layout.red,     layout.green,    layout.blue, layout.alpha};
  }
  // The colour at (x, y) as 0xRRGGBB, channels widened to 8 bits.
  uint32_t Rgb(int x, int y) {
    const pixels::Format format{layout.bits, layout.red, layout.green, layout.blue, 0};
    return pixels::ToRgb(format, picture.Value(x, y), nullptr);
  }
  int Channel(int x, int y, int shift) { return static_cast<int>((Rgb(x, y) >> shift) & 0xFF); }
  PixelLayout layout;
  Picture picture;
  raster::Target target;
};

struct DepthPlane {
  DepthPlane(int width, int height, int bytes, uint32_t depthMask, uint32_t stencilMask = 0)
      : picture(width, height, bytes) {
    buffer = raster::DepthBuffer{picture.Row(0), picture.Pitch(), width, height, bytes, depthMask, stencilMask};
  }
  Picture picture;
  raster::DepthBuffer buffer;
};

struct TlVertex {
  float x, y, z, rhw;
  uint32_t diffuse, specular;
  float u, v;
};

inline TlVertex Tl(float x, float y, uint32_t diffuse, float z = 0.5f, float u = 0, float v = 0, float rhw = 1.0f) {
  return TlVertex{x, y, z, rhw, diffuse, 0xFF000000u, u, v};
}

// Two triangles covering [left, right) × [top, bottom) by pixel centres.
inline std::vector<TlVertex> Quad(float left, float top, float right, float bottom, uint32_t diffuse, float z = 0.5f) {
  const float l = left - 0.5f, t = top - 0.5f, r = right - 0.5f, b = bottom - 0.5f;
  return {Tl(l, t, diffuse, z, 0, 0), Tl(r, t, diffuse, z, 1, 0), Tl(l, b, diffuse, z, 0, 1),
          Tl(r, t, diffuse, z, 1, 0), Tl(r, b, diffuse, z, 1, 1), Tl(l, b, diffuse, z, 0, 1)};
}

inline raster::State DefaultState(const Canvas &canvas) {
  raster::State state;
  raster::SetDefaults(state, static_cast<uint32_t>(canvas.target.width), static_cast<uint32_t>(canvas.target.height));
  state.cull = raster::Cull::kNone;
  return state;
}

inline Result DrawTl(const raster::State &state, Canvas &canvas, const std::vector<TlVertex> &vertices,
              Primitive primitive = Primitive::kTriangleList, const raster::DepthBuffer *depth = nullptr) {
  const raster::Vertices v =
      raster::InterleavedVertices(kTlVertexFvf, vertices.data(), static_cast<uint32_t>(vertices.size()));
  return raster::Draw(state, canvas.target, depth, primitive, v, nullptr, 0, 0, nullptr);
}

inline int CountNonZero(Canvas &canvas) {
  int count = 0;
  for (int y = 0; y < canvas.target.height; ++y)
    for (int x = 0; x < canvas.target.width; ++x) count += canvas.picture.Value(x, y) != 0;
  return count;
}

// The answer each compare function gives for an incoming value less than,
// equal to and greater than the stored one, written out from what each
// D3DCMPFUNC means; keyed by its value (D3DCMP_NEVER = 1 to D3DCMP_ALWAYS = 8),
// which the rasteriser's compare functions share.
struct CompareOutcomes {
  int function;
  const char *name;
  bool less, equal, greater;
};
inline constexpr CompareOutcomes kCompareOutcomes[] = {
    {1, "D3DCMP_NEVER", false, false, false},        {2, "D3DCMP_LESS", true, false, false},
    {3, "D3DCMP_EQUAL", false, true, false},         {4, "D3DCMP_LESSEQUAL", true, true, false},
    {5, "D3DCMP_GREATER", false, false, true},       {6, "D3DCMP_NOTEQUAL", true, false, true},
    {7, "D3DCMP_GREATEREQUAL", false, true, true},   {8, "D3DCMP_ALWAYS", true, true, true},
};

// Whether `incoming` passes against `stored` under `compare`, by the table.
inline bool Reference(Compare compare, float incoming, float stored) {
  for (const CompareOutcomes &row : kCompareOutcomes) {
    if (row.function != static_cast<int>(compare)) continue;
    if (incoming < stored) return row.less;
    if (incoming > stored) return row.greater;
    return row.equal;
  }
  ADD_FAILURE() << "no expected outcomes for compare function " << static_cast<int>(compare);
  return false;
}

// A texture in 32-bit ARGB (or another layout) from 0xAARRGGBB texels.
struct TestTexture {
  TestTexture(int width, int height, std::vector<uint32_t> texels) : pixels(std::move(texels)) {
    level = raster::TextureLevel{reinterpret_cast<const uint8_t *>(pixels.data()), width * 4L, width, height};
    texture = raster::Texture{{32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, false}, &level, 1, nullptr, false, 0, 0};
  }
  std::vector<uint32_t> pixels;
  raster::TextureLevel level;
  raster::Texture texture;
};

// Untransformed vertices with a normal.
struct LitVertex {
  float x, y, z, nx, ny, nz;
};
inline constexpr uint32_t kLitFvf = kFvfXyz | kFvfNormal;

inline raster::Matrix Perspective(float nearZ, float farZ) {
  // 90° field of view, square aspect.
  raster::Matrix m{};
  const float q = farZ / (farZ - nearZ);
  m.m[0][0] = 1, m.m[1][1] = 1, m.m[2][2] = q, m.m[2][3] = 1, m.m[3][2] = -q * nearZ;
  return m;
}

// Whether two canvases hold the same pixels, padding and guards aside.
inline bool SamePictures(Canvas &a, Canvas &b) {
  for (int y = 0; y < a.target.height; ++y)
    if (std::memcmp(a.picture.Row(y), b.picture.Row(y), static_cast<size_t>(a.target.width * a.target.bits / 8)) != 0)
      return false;
  return true;
}

}  // namespace raster_test
