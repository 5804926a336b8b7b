// The software rasteriser behind the Direct3D device, driven through its
// COM-free interface: coverage by the fill convention, depth, stencil, blend,
// alpha test, fog, texture stages, addressing and filtering, lighting,
// culling, clipping, points and lines, clears, and hostile input. Targets
// carry guard bytes around them and padding after each row, so that any
// write outside the picture is caught.
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

namespace {

using raster::BlendFactor;
using raster::Compare;
using raster::Primitive;
using raster::Result;

constexpr uint32_t kFvfXyz = 0x002, kFvfXyzRhw = 0x004, kFvfNormal = 0x010, kFvfDiffuse = 0x040,
                   kFvfSpecular = 0x080, kFvfTex1 = 0x100, kFvfTex2 = 0x200;
constexpr uint32_t kTlVertexFvf = kFvfXyzRhw | kFvfDiffuse | kFvfSpecular | kFvfTex1;
constexpr uint8_t kGuardByte = 0xA5;
constexpr int kGuardBytes = 64, kRowPadding = 12;

struct PixelLayout {
  const char *name;
  int bits;
  uint32_t red, green, blue, alpha;
};

const PixelLayout kTargetLayouts[] = {
    {"Rgb565", 16, 0xF800, 0x07E0, 0x001F, 0},
    {"Rgb555", 16, 0x7C00, 0x03E0, 0x001F, 0},
    {"Rgb888", 24, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {"Xrgb8888", 32, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {"Argb8888", 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000},
};
const PixelLayout &Argb32() { return kTargetLayouts[4]; }

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

TlVertex Tl(float x, float y, uint32_t diffuse, float z = 0.5f, float u = 0, float v = 0, float rhw = 1.0f) {
  return TlVertex{x, y, z, rhw, diffuse, 0xFF000000u, u, v};
}

// Two triangles covering [left, right) × [top, bottom) by pixel centres.
std::vector<TlVertex> Quad(float left, float top, float right, float bottom, uint32_t diffuse, float z = 0.5f) {
  const float l = left - 0.5f, t = top - 0.5f, r = right - 0.5f, b = bottom - 0.5f;
  return {Tl(l, t, diffuse, z, 0, 0), Tl(r, t, diffuse, z, 1, 0), Tl(l, b, diffuse, z, 0, 1),
          Tl(r, t, diffuse, z, 1, 0), Tl(r, b, diffuse, z, 1, 1), Tl(l, b, diffuse, z, 0, 1)};
}

raster::State DefaultState(const Canvas &canvas) {
  raster::State state;
  raster::SetDefaults(state, static_cast<uint32_t>(canvas.target.width), static_cast<uint32_t>(canvas.target.height));
  state.cull = raster::Cull::kNone;
  return state;
}

Result DrawTl(const raster::State &state, Canvas &canvas, const std::vector<TlVertex> &vertices,
              Primitive primitive = Primitive::kTriangleList, const raster::DepthBuffer *depth = nullptr) {
  const raster::Vertices v =
      raster::InterleavedVertices(kTlVertexFvf, vertices.data(), static_cast<uint32_t>(vertices.size()));
  return raster::Draw(state, canvas.target, depth, primitive, v, nullptr, 0, 0, nullptr);
}

int CountNonZero(Canvas &canvas) {
  int count = 0;
  for (int y = 0; y < canvas.target.height; ++y)
    for (int x = 0; x < canvas.target.width; ++x) count += canvas.picture.Value(x, y) != 0;
  return count;
}

// ---------------------------------------------------------------------------
// Vertex formats.

TEST(RasterVertexFormat, SizesOfKnownAndInvalidCodes) {
  struct Case {
    uint32_t fvf, size;
  } cases[] = {
      {kFvfXyz | kFvfNormal | kFvfTex1, 32},                    // D3DVERTEX
      {kFvfXyz | 0x020 | kFvfDiffuse | kFvfSpecular | kFvfTex1, 32},  // D3DLVERTEX
      {kTlVertexFvf, 32},                                       // D3DTLVERTEX
      {kFvfXyz | kFvfTex2, 28},
      {kFvfXyz | kFvfTex1 | (3u << 16), 16},                    // one-float set
      {kFvfXyz | kFvfTex1 | (1u << 16), 24},                    // three-float set
      {0x00E | kFvfDiffuse, 36},                                // five blend weights
      {0, 0},                                                   // no position
      {kFvfXyzRhw | kFvfNormal, 0},                             // a lit normal on a transformed vertex
      {kFvfXyz | 0x001, 0},                                     // reserved bit
      {kFvfXyz | 0x900, 0},                                     // nine sets
      {kFvfXyz | kFvfTex1 | (1u << 18), 0},                     // size bits of a set that does not exist
  };
  for (const Case &c : cases) EXPECT_EQ(raster::VertexSize(c.fvf), c.size) << std::hex << c.fvf;
}

TEST(RasterVertexFormat, InterleavedComponentsFollowTheLayout) {
  uint8_t data[64] = {};
  const raster::Vertices v = raster::InterleavedVertices(kFvfXyz | 0x020 | kFvfDiffuse | kFvfSpecular | kFvfTex1, data, 2);
  EXPECT_EQ(v.position.data, data);
  EXPECT_EQ(v.diffuse.data, data + 16);  // after the reserved word
  EXPECT_EQ(v.specular.data, data + 20);
  EXPECT_EQ(v.texCoords[0].data, data + 24);
  EXPECT_EQ(v.position.stride, 32u);
  EXPECT_EQ(v.count, 2u);
}

// ---------------------------------------------------------------------------
// Coverage and the fill convention.

class RasterTargetFormat : public ::testing::TestWithParam<PixelLayout> {};

TEST_P(RasterTargetFormat, FlatQuadCoversExactlyItsPixels) {
  Canvas canvas(24, 20, GetParam());
  const raster::State state = DefaultState(canvas);
  ASSERT_EQ(DrawTl(state, canvas, Quad(3, 4, 17, 15, 0xFF80C040)), Result::kOk);
  const pixels::Format format{GetParam().bits, GetParam().red, GetParam().green, GetParam().blue, 0};
  const uint32_t expected = pixels::ToRgb(format, pixels::FromRgb(format, 0x80, 0xC0, 0x40), nullptr);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 24; ++x) {
      const bool inside = x >= 3 && x < 17 && y >= 4 && y < 15;
      ASSERT_EQ(canvas.Rgb(x, y), inside ? expected : 0u) << x << "," << y;
    }
  EXPECT_TRUE(canvas.picture.Untouched());
}

TEST_P(RasterTargetFormat, GouraudRampAndAlphaChannel) {
  Canvas canvas(64, 4, GetParam());
  raster::State state = DefaultState(canvas);
  state.shade = raster::Shade::kGouraud;
  // Red rises from 0 at x = 0 to 255 at x = 63 along the span.
  std::vector<TlVertex> quad = {Tl(0, -0.5f, 0x80000000), Tl(63, -0.5f, 0x80FF0000), Tl(0, 3.5f, 0x80000000),
                                Tl(63, -0.5f, 0x80FF0000), Tl(63, 3.5f, 0x80FF0000), Tl(0, 3.5f, 0x80000000)};
  ASSERT_EQ(DrawTl(state, canvas, quad), Result::kOk);
  const int tolerance = GetParam().bits == 16 ? 9 : 2;
  for (int x = 0; x < 63; x += 7) EXPECT_NEAR(canvas.Channel(x, 1, 16), x * 255 / 63, tolerance) << x;
  if (GetParam().alpha) {
    EXPECT_EQ(canvas.picture.Value(10, 1) >> 24, 0x80u);
  }
  EXPECT_TRUE(canvas.picture.Untouched());
}

INSTANTIATE_TEST_SUITE_P(Layouts, RasterTargetFormat, ::testing::ValuesIn(kTargetLayouts),
                         [](const ::testing::TestParamInfo<PixelLayout> &param) { return std::string(param.param.name); });

// Additive drawing of 1 per covered pixel: any pixel covered twice reads 2,
// any gap reads 0.
void ExpectEachPixelOnce(Canvas &canvas, int left, int top, int right, int bottom) {
  for (int y = 0; y < canvas.target.height; ++y)
    for (int x = 0; x < canvas.target.width; ++x) {
      const bool inside = x >= left && x < right && y >= top && y < bottom;
      ASSERT_EQ(canvas.picture.Value(x, y) & 0xFF, inside ? 1u : 0u) << x << "," << y;
    }
}

raster::State AdditiveState(const Canvas &canvas) {
  raster::State state = DefaultState(canvas);
  state.alphaBlend = true;
  state.srcBlend = state.destBlend = BlendFactor::kOne;
  return state;
}

TEST(RasterFillConvention, JitteredGridTrianglesCoverEachPixelOnce) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> jitter(-1.9f, 1.9f);
  for (int round = 0; round < 8; ++round) {
    Canvas canvas(72, 72);
    const raster::State state = AdditiveState(canvas);
    // A 9 × 9 grid over [0, 64] with inner points moved by up to 1.9 pixels,
    // some onto exact pixel centres and half-pixel positions.
    constexpr int kCells = 8;
    float gx[kCells + 1][kCells + 1], gy[kCells + 1][kCells + 1];
    for (int j = 0; j <= kCells; ++j)
      for (int i = 0; i <= kCells; ++i) {
        const bool inner = i > 0 && i < kCells && j > 0 && j < kCells;
        float dx = inner ? jitter(random) : 0.0f, dy = inner ? jitter(random) : 0.0f;
        if (round % 2 == 1) dx = std::round(dx * 2) / 2, dy = std::round(dy * 2) / 2;
        gx[j][i] = static_cast<float>(i * 8) + dx - 0.5f;
        gy[j][i] = static_cast<float>(j * 8) + dy - 0.5f;
      }
    std::vector<TlVertex> triangles;
    for (int j = 0; j < kCells; ++j)
      for (int i = 0; i < kCells; ++i) {
        auto at = [&](int a, int b) { return Tl(gx[b][a], gy[b][a], 0xFF000001); };
        // Alternate the diagonal and the winding.
        const std::vector<TlVertex> cell =
            (i + j) % 2 ? std::vector<TlVertex>{at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j), at(i, j + 1), at(i + 1, j + 1)}
                        : std::vector<TlVertex>{at(i, j), at(i + 1, j), at(i, j + 1), at(i + 1, j + 1), at(i, j + 1), at(i + 1, j)};
        triangles.insert(triangles.end(), cell.begin(), cell.end());
      }
    ASSERT_EQ(DrawTl(state, canvas, triangles), Result::kOk);
    ExpectEachPixelOnce(canvas, 0, 0, 64, 64);
    ASSERT_TRUE(canvas.picture.Untouched());
  }
}

TEST(RasterFillConvention, FansAndStripsShareEdgesExactly) {
  struct Case {
    const char *name;
    Primitive primitive;
    std::vector<TlVertex> vertices;
  };
  const uint32_t one = 0xFF000001;
  std::vector<TlVertex> fan = {Tl(19.5f, 19.5f, one)};
  // A fan around the centre of a 40 × 40 square, through its corners and
  // points on its sides.
  const float ring[][2] = {{-0.5f, -0.5f}, {13.25f, -0.5f}, {39.5f, -0.5f}, {39.5f, 20.7f}, {39.5f, 39.5f},
                           {7.5f, 39.5f},  {-0.5f, 39.5f},  {-0.5f, 12.0f}, {-0.5f, -0.5f}};
  for (const auto &p : ring) fan.push_back(Tl(p[0], p[1], one));
  std::vector<TlVertex> strip;
  for (int i = 0; i <= 10; ++i) {
    // The bottom row is shifted off the pixel grid except at both ends.
    const float shift = (i > 0 && i < 10) ? static_cast<float>(i % 3) * 0.3f : 0.0f;
    strip.push_back(Tl(-0.5f + static_cast<float>(i) * 4.0f, -0.5f, one));
    strip.push_back(Tl(-0.5f + static_cast<float>(i) * 4.0f + shift, 39.5f, one));
  }
  const Case cases[] = {{"Fan", Primitive::kTriangleFan, fan}, {"Strip", Primitive::kTriangleStrip, strip}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(48, 48);
    ASSERT_EQ(DrawTl(AdditiveState(canvas), canvas, c.vertices, c.primitive), Result::kOk);
    ExpectEachPixelOnce(canvas, 0, 0, 40, 40);
    EXPECT_TRUE(canvas.picture.Untouched());
  }
}

TEST(RasterFillConvention, PixelCentresAreAtIntegerCoordinates) {
  // A triangle whose edges pass exactly through pixel centres: the top and
  // left edges keep their centres, the right edge does not.
  Canvas canvas(8, 8);
  const raster::State state = DefaultState(canvas);
  ASSERT_EQ(DrawTl(state, canvas, {Tl(1, 1, 0xFFFFFFFF), Tl(5, 1, 0xFFFFFFFF), Tl(1, 5, 0xFFFFFFFF)}), Result::kOk);
  const char *expected[] = {"........", ".####...", ".###....", ".##.....", ".#......", "........"};
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(canvas.picture.Value(x, y) != 0, expected[y][x] == '#') << x << "," << y;
}

// ---------------------------------------------------------------------------
// Culling.

TEST(RasterCulling, WindingAgainstCullMode) {
  struct Case {
    raster::Cull cull;
    bool clockwise, drawn;
  } cases[] = {{raster::Cull::kNone, true, true},
               {raster::Cull::kNone, false, true},
               {raster::Cull::kCounterClockwise, true, true},
               {raster::Cull::kCounterClockwise, false, false},
               {raster::Cull::kClockwise, true, false},
               {raster::Cull::kClockwise, false, true}};
  for (const Case &c : cases) {
    Canvas canvas(16, 16);
    raster::State state = DefaultState(canvas);
    state.cull = c.cull;
    // On screen (y down) (1,1) → (12,1) → (1,12) turns clockwise.
    std::vector<TlVertex> triangle = {Tl(1, 1, 0xFFFFFFFF), Tl(12, 1, 0xFFFFFFFF), Tl(1, 12, 0xFFFFFFFF)};
    if (!c.clockwise) std::swap(triangle[1], triangle[2]);
    ASSERT_EQ(DrawTl(state, canvas, triangle), Result::kOk);
    EXPECT_EQ(CountNonZero(canvas) > 0, c.drawn) << static_cast<int>(c.cull) << " clockwise " << c.clockwise;
  }
}

TEST(RasterDefaults, DocumentedStartingState) {
  raster::State state;
  raster::SetDefaults(state, 320, 200);
  EXPECT_EQ(state.cull, raster::Cull::kCounterClockwise);
  EXPECT_EQ(state.depthFunc, Compare::kLessEqual);
  EXPECT_TRUE(state.depthWrite);
  EXPECT_EQ(state.shade, raster::Shade::kGouraud);
  EXPECT_TRUE(state.perspective);
  EXPECT_FALSE(state.specularEnable || state.fogEnable || state.alphaTest || state.alphaBlend);
  EXPECT_EQ(state.stages[0].colorOp, raster::TextureOp::kModulate);
  EXPECT_EQ(state.stages[1].colorOp, raster::TextureOp::kDisable);
  EXPECT_EQ(state.viewport.width, 320u);
  EXPECT_EQ(state.viewport.height, 200u);
  EXPECT_EQ(state.world.m[3][3], 1.0f);
}

// ---------------------------------------------------------------------------
// Depth and stencil.

struct DepthLayout {
  const char *name;
  int bytes;
  uint32_t depthMask, stencilMask;
};
const DepthLayout kDepthLayouts[] = {
    {"Z16", 2, 0xFFFF, 0}, {"Z24", 4, 0xFFFFFF, 0}, {"Z24S8", 4, 0xFFFFFF, 0xFF000000}, {"Z32", 4, 0xFFFFFFFF, 0}};

bool Reference(Compare compare, float incoming, float stored) {
  switch (compare) {
    case Compare::kNever: return false;
    case Compare::kLess: return incoming < stored;
    case Compare::kEqual: return incoming == stored;
    case Compare::kLessEqual: return incoming <= stored;
    case Compare::kGreater: return incoming > stored;
    case Compare::kNotEqual: return incoming != stored;
    case Compare::kGreaterEqual: return incoming >= stored;
    case Compare::kAlways: return true;
  }
  return false;
}

TEST(RasterDepth, EveryCompareFunctionAndWriteEnable) {
  for (const DepthLayout &layout : kDepthLayouts) {
    for (int f = 1; f <= 8; ++f) {
      for (float z : {0.25f, 0.5f, 0.75f}) {
        for (bool write : {true, false}) {
          const Compare compare = static_cast<Compare>(f);
          SCOPED_TRACE(std::string(layout.name) + " func " + std::to_string(f) + " z " + std::to_string(z) +
                       (write ? " write" : ""));
          Canvas canvas(8, 8);
          DepthPlane depth(8, 8, layout.bytes, layout.depthMask, layout.stencilMask);
          raster::State state = DefaultState(canvas);
          state.depthFunc = compare;
          state.depthWrite = write;
          raster::Clear(state, &canvas.target, &depth.buffer, nullptr, 0, raster::kClearDepth | raster::kClearStencil,
                        0, 0.5f, 0x5A);
          const uint32_t cleared = depth.picture.Value(3, 3);
          ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 8, 8, 0xFFFFFFFF, z), Primitive::kTriangleList, &depth.buffer),
                    Result::kOk);
          const bool pass = Reference(compare, z, 0.5f);
          EXPECT_EQ(canvas.picture.Value(3, 3) != 0, pass);
          EXPECT_EQ(depth.picture.Value(3, 3) != cleared, pass && write && z != 0.5f);
          if (layout.stencilMask) {
            EXPECT_EQ(depth.picture.Value(3, 3) >> 24, 0x5Au);  // stencil kept
          }
          EXPECT_TRUE(canvas.picture.Untouched());
          EXPECT_TRUE(depth.picture.Untouched());
        }
      }
    }
  }
}

TEST(RasterDepth, NearerTriangleWinsWhicheverIsDrawnFirst) {
  for (bool nearFirst : {true, false}) {
    Canvas canvas(16, 16);
    DepthPlane depth(16, 16, 2, 0xFFFF);
    raster::State state = DefaultState(canvas);
    raster::Clear(state, &canvas.target, &depth.buffer, nullptr, 0, raster::kClearDepth, 0, 1.0f, 0);
    auto nearQuad = Quad(0, 0, 16, 16, 0xFF00FF00, 0.2f), farQuad = Quad(0, 0, 16, 16, 0xFFFF0000, 0.6f);
    for (const auto &quad : nearFirst ? std::vector{nearQuad, farQuad} : std::vector{farQuad, nearQuad})
      ASSERT_EQ(DrawTl(state, canvas, quad, Primitive::kTriangleList, &depth.buffer), Result::kOk);
    EXPECT_EQ(canvas.Rgb(8, 8), 0x00FF00u);
  }
}

TEST(RasterDepth, WBufferOrdersByEyeDistance) {
  Canvas canvas(8, 8);
  DepthPlane depth(8, 8, 2, 0xFFFF);
  raster::State state = DefaultState(canvas);
  state.depth = raster::DepthMode::kW;
  raster::Clear(state, &canvas.target, &depth.buffer, nullptr, 0, raster::kClearDepth, 0, 1.0f, 0);
  // Identical z, different w: the one with the larger rhw is nearer.
  auto nearQuad = Quad(0, 0, 8, 8, 0xFF00FF00, 0.5f), farQuad = Quad(0, 0, 8, 8, 0xFFFF0000, 0.5f);
  for (auto &v : nearQuad) v.rhw = 1.0f / 2.0f;
  for (auto &v : farQuad) v.rhw = 1.0f / 50.0f;
  state.projection.m[2][2] = 100.0f / 99.0f;  // near 1, far 100
  state.projection.m[3][2] = -100.0f / 99.0f;
  state.projection.m[2][3] = 1.0f;
  state.projection.m[3][3] = 0.0f;
  ASSERT_EQ(DrawTl(state, canvas, nearQuad, Primitive::kTriangleList, &depth.buffer), Result::kOk);
  ASSERT_EQ(DrawTl(state, canvas, farQuad, Primitive::kTriangleList, &depth.buffer), Result::kOk);
  EXPECT_EQ(canvas.Rgb(4, 4), 0x00FF00u);
  EXPECT_NEAR(static_cast<double>(depth.picture.Value(4, 4)), 0.02 * 65535, 2.0);
}

TEST(RasterStencil, ReplaceThenDrawOnlyWhereMarked) {
  Canvas canvas(16, 16);
  DepthPlane depth(16, 16, 4, 0xFFFFFF, 0xFF000000);
  raster::State state = DefaultState(canvas);
  raster::Clear(state, &canvas.target, &depth.buffer, nullptr, 0, raster::kClearDepth | raster::kClearStencil, 0,
                1.0f, 0);
  state.stencilEnable = true;
  state.stencilFunc = Compare::kAlways;
  state.stencilRef = 3;
  state.stencilPass = raster::StencilOp::kReplace;
  state.depthWrite = false;
  ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 8, 16, 0xFF0000FF), Primitive::kTriangleList, &depth.buffer), Result::kOk);
  EXPECT_EQ(depth.picture.Value(4, 4) >> 24, 3u);
  EXPECT_EQ(depth.picture.Value(12, 4) >> 24, 0u);
  state.stencilFunc = Compare::kEqual;
  state.stencilPass = raster::StencilOp::kIncrementSaturate;
  state.stencilFail = raster::StencilOp::kInvert;
  ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 16, 16, 0xFFFF0000), Primitive::kTriangleList, &depth.buffer), Result::kOk);
  EXPECT_EQ(canvas.Rgb(4, 4), 0xFF0000u);    // stencil 3 matched
  EXPECT_EQ(canvas.Rgb(12, 4), 0u);          // stencil 0 did not
  EXPECT_EQ(depth.picture.Value(4, 4) >> 24, 4u);
  EXPECT_EQ(depth.picture.Value(12, 4) >> 24, 0xFFu);
  EXPECT_EQ(depth.picture.Value(4, 4) & 0xFFFFFF, 0xFFFFFFu);  // depth kept
}

// ---------------------------------------------------------------------------
// Blending, alpha test, fog.

double FactorValue(BlendFactor f, double src, double srcAlpha, double dst, double dstAlpha) {
  switch (f) {
    case BlendFactor::kZero: return 0;
    case BlendFactor::kOne: return 1;
    case BlendFactor::kSrcColor: return src;
    case BlendFactor::kInvSrcColor: return 1 - src;
    case BlendFactor::kSrcAlpha: return srcAlpha;
    case BlendFactor::kInvSrcAlpha: return 1 - srcAlpha;
    case BlendFactor::kDestAlpha: return dstAlpha;
    case BlendFactor::kInvDestAlpha: return 1 - dstAlpha;
    case BlendFactor::kDestColor: return dst;
    case BlendFactor::kInvDestColor: return 1 - dst;
    case BlendFactor::kSrcAlphaSat: return std::min(srcAlpha, 1 - dstAlpha);
    default: return 0;
  }
}

TEST(RasterBlend, EveryFactorPairAtASamplePixel) {
  const uint32_t source = 0x60C08020, dest = 0xA0306090;  // ARGB
  for (int s = 1; s <= 13; ++s) {
    for (int d = 1; d <= 11; ++d) {
      const BlendFactor sf = static_cast<BlendFactor>(s), df = static_cast<BlendFactor>(d);
      Canvas canvas(8, 8);
      raster::State state = DefaultState(canvas);
      raster::Clear(state, &canvas.target, nullptr, nullptr, 0, raster::kClearTarget, dest, 0, 0);
      state.alphaBlend = true;
      state.srcBlend = sf;
      state.destBlend = df;
      ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 8, 8, source)), Result::kOk);
      // The "both" factors replace the destination factor.
      BlendFactor sEff = sf, dEff = df;
      if (sf == BlendFactor::kBothSrcAlpha) sEff = BlendFactor::kSrcAlpha, dEff = BlendFactor::kInvSrcAlpha;
      if (sf == BlendFactor::kBothInvSrcAlpha) sEff = BlendFactor::kInvSrcAlpha, dEff = BlendFactor::kSrcAlpha;
      const double sa = (source >> 24) / 255.0, da = (dest >> 24) / 255.0;
      const uint32_t got = canvas.picture.Value(4, 4);
      for (int shift : {16, 8, 0, 24}) {
        const double sc = ((source >> shift) & 0xFF) / 255.0, dc = ((dest >> shift) & 0xFF) / 255.0;
        double fs = FactorValue(sEff, sc, sa, dc, da), fd = FactorValue(dEff, sc, sa, dc, da);
        if (shift == 24) {  // alpha factors use alpha, and SRCALPHASAT is 1 there
          fs = sEff == BlendFactor::kSrcAlphaSat ? 1 : FactorValue(sEff, sa, sa, da, da);
          fd = dEff == BlendFactor::kSrcAlphaSat ? 1 : FactorValue(dEff, sa, sa, da, da);
        }
        const double expected = std::min(1.0, sc * fs + dc * fd) * 255;
        EXPECT_NEAR(static_cast<double>((got >> shift) & 0xFF), expected, 1.5)
            << "src " << s << " dest " << d << " shift " << shift;
      }
    }
  }
}

TEST(RasterBlend, OverlappingEdgesBlendOnce) {
  // Half-transparent white over black along the diagonal of a quad: the
  // shared edge must not be blended twice.
  Canvas canvas(32, 32);
  raster::State state = DefaultState(canvas);
  state.alphaBlend = true;
  state.srcBlend = BlendFactor::kSrcAlpha;
  state.destBlend = BlendFactor::kInvSrcAlpha;
  ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 32, 32, 0x80FFFFFF)), Result::kOk);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(canvas.Channel(i, 31 - i, 0), 0x80) << i;
}

TEST(RasterAlphaTest, CompareAgainstReference) {
  for (int f = 1; f <= 8; ++f)
    for (uint32_t alpha : {0x40u, 0x80u, 0xC0u}) {
      Canvas canvas(4, 4);
      raster::State state = DefaultState(canvas);
      state.alphaTest = true;
      state.alphaFunc = static_cast<Compare>(f);
      state.alphaRef = 0x80;
      DepthPlane depth(4, 4, 2, 0xFFFF);
      raster::Clear(state, &canvas.target, &depth.buffer, nullptr, 0, raster::kClearDepth, 0, 1.0f, 0);
      ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 4, 4, (alpha << 24) | 0xFFFFFF), Primitive::kTriangleList,
                       &depth.buffer),
                Result::kOk);
      const bool pass = Reference(static_cast<Compare>(f), static_cast<float>(alpha), 128.0f);
      EXPECT_EQ(canvas.picture.Value(1, 1) != 0, pass) << f << " " << alpha;
      // A discarded pixel leaves the depth buffer alone too.
      EXPECT_EQ(depth.picture.Value(1, 1) != 0xFFFF, pass) << f << " " << alpha;
    }
}

TEST(RasterFog, VertexAndTableFactors) {
  struct Case {
    const char *name;
    raster::FogMode table;
    uint32_t specularAlpha;
    float z, expectedFactor;
  } cases[] = {
      {"VertexFromSpecularAlpha", raster::FogMode::kNone, 0x40, 0.5f, 0x40 / 255.0f},
      {"VertexUnfogged", raster::FogMode::kNone, 0xFF, 0.5f, 1.0f},
      {"TableLinear", raster::FogMode::kLinear, 0xFF, 0.25f, 0.6f},  // start 0.1, end 0.475
      {"TableExp", raster::FogMode::kExp, 0xFF, 0.5f, std::exp(-2.0f * 0.5f)},
      {"TableExp2", raster::FogMode::kExp2, 0xFF, 0.5f, std::exp(-1.0f)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(4, 4);
    raster::State state = DefaultState(canvas);
    state.fogEnable = true;
    state.fogColour = 0x0000FF;
    state.fogTableMode = c.table;
    state.fogStart = 0.1f;
    state.fogEnd = 0.475f;
    state.fogDensity = 2.0f;
    auto quad = Quad(0, 0, 4, 4, 0xFFFF0000, c.z);
    for (auto &v : quad) v.specular = c.specularAlpha << 24;
    ASSERT_EQ(DrawTl(state, canvas, quad), Result::kOk);
    EXPECT_NEAR(canvas.Channel(1, 1, 16), 255 * c.expectedFactor, 1.5);
    EXPECT_NEAR(canvas.Channel(1, 1, 0), 255 * (1 - c.expectedFactor), 1.5);
  }
}

TEST(RasterSpecular, AddedWhenEnabledOnly) {
  for (bool enabled : {false, true}) {
    Canvas canvas(4, 4);
    raster::State state = DefaultState(canvas);
    state.specularEnable = enabled;
    auto quad = Quad(0, 0, 4, 4, 0xFF400000);
    for (auto &v : quad) v.specular = 0xFF300020;
    ASSERT_EQ(DrawTl(state, canvas, quad), Result::kOk);
    EXPECT_EQ(canvas.Rgb(1, 1), enabled ? 0x700020u : 0x400000u);
  }
}

// ---------------------------------------------------------------------------
// Textures.

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

// A 12-pixel wide strip whose u runs from -1 to 2 (texel centres at pixel
// centres of a 4-texel texture), read with each address mode.
TEST(RasterTexture, AddressModesOnAKnownTexture) {
  TestTexture texture(4, 1, {0xFF000010, 0xFF000020, 0xFF000030, 0xFF000040});
  struct Case {
    raster::TextureAddress mode;
    int texel[12];  // -1: the border colour
  } cases[] = {
      {raster::TextureAddress::kWrap, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3}},
      {raster::TextureAddress::kMirror, {3, 2, 1, 0, 0, 1, 2, 3, 3, 2, 1, 0}},
      {raster::TextureAddress::kClamp, {0, 0, 0, 0, 0, 1, 2, 3, 3, 3, 3, 3}},
      {raster::TextureAddress::kBorder, {-1, -1, -1, -1, 0, 1, 2, 3, -1, -1, -1, -1}},
  };
  for (const Case &c : cases) {
    Canvas canvas(12, 2);
    raster::State state = DefaultState(canvas);
    state.stages[0].texture = &texture.texture;
    state.stages[0].addressU = state.stages[0].addressV = c.mode;
    state.stages[0].borderColour = 0xFF0000EE;
    std::vector<TlVertex> quad = {Tl(-0.5f, -0.5f, 0xFFFFFFFF, 0.5f, -1, 0.5f), Tl(11.5f, -0.5f, 0xFFFFFFFF, 0.5f, 2, 0.5f),
                                  Tl(-0.5f, 1.5f, 0xFFFFFFFF, 0.5f, -1, 0.5f), Tl(11.5f, -0.5f, 0xFFFFFFFF, 0.5f, 2, 0.5f),
                                  Tl(11.5f, 1.5f, 0xFFFFFFFF, 0.5f, 2, 0.5f), Tl(-0.5f, 1.5f, 0xFFFFFFFF, 0.5f, -1, 0.5f)};
    ASSERT_EQ(DrawTl(state, canvas, quad), Result::kOk);
    for (int x = 0; x < 12; ++x) {
      const uint32_t expected = c.texel[x] < 0 ? 0xEEu : texture.pixels[static_cast<size_t>(c.texel[x])] & 0xFF;
      EXPECT_EQ(canvas.Rgb(x, 0), expected) << "mode " << static_cast<int>(c.mode) << " x " << x;
    }
  }
}

TEST(RasterTexture, StageOperationsAgainstReference) {
  const uint32_t texel = 0x80C06020, diffuse = 0x40408080, factor = 0xFF102030;
  TestTexture texture(1, 1, {texel});
  auto ch = [](uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  auto mul = [](int a, int b) { return (a * b + 127) / 255; };
  struct Case {
    raster::TextureOp op;
    int (*reference)(int t, int d, int ta, int da);
  } cases[] = {
      {raster::TextureOp::kSelectArg1, [](int t, int, int, int) { return t; }},
      {raster::TextureOp::kSelectArg2, [](int, int d, int, int) { return d; }},
      {raster::TextureOp::kModulate, [](int t, int d, int, int) { return (t * d + 127) / 255; }},
      {raster::TextureOp::kModulate2x, [](int t, int d, int, int) { return std::min(255, 2 * ((t * d + 127) / 255)); }},
      {raster::TextureOp::kModulate4x, [](int t, int d, int, int) { return std::min(255, 4 * ((t * d + 127) / 255)); }},
      {raster::TextureOp::kAdd, [](int t, int d, int, int) { return std::min(255, t + d); }},
      {raster::TextureOp::kAddSigned, [](int t, int d, int, int) { return std::clamp(t + d - 128, 0, 255); }},
      {raster::TextureOp::kSubtract, [](int t, int d, int, int) { return std::max(0, t - d); }},
      {raster::TextureOp::kBlendDiffuseAlpha, [](int t, int d, int, int da) { return (t * da + d * (255 - da) + 127) / 255; }},
      {raster::TextureOp::kBlendTextureAlpha, [](int t, int d, int ta, int) { return (t * ta + d * (255 - ta) + 127) / 255; }},
      {raster::TextureOp::kBlendCurrentAlpha, [](int t, int d, int, int da) { return (t * da + d * (255 - da) + 127) / 255; }},
  };
  (void)mul;
  for (const Case &c : cases) {
    Canvas canvas(4, 4);
    raster::State state = DefaultState(canvas);
    state.textureFactor = factor;
    state.stages[0].texture = &texture.texture;
    state.stages[0].colorOp = c.op;
    state.stages[0].colorArg1 = 2;  // texture
    state.stages[0].colorArg2 = 0;  // diffuse
    state.stages[0].alphaOp = raster::TextureOp::kSelectArg2;
    state.stages[0].alphaArg2 = 0;
    ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 4, 4, diffuse)), Result::kOk);
    const uint32_t got = canvas.picture.Value(1, 1);
    for (int shift : {16, 8, 0})
      EXPECT_NEAR(ch(got, shift), c.reference(ch(texel, shift), ch(diffuse, shift), ch(texel, 24), ch(diffuse, 24)), 1)
          << "op " << static_cast<int>(c.op) << " shift " << shift;
    EXPECT_EQ(got >> 24, diffuse >> 24);
  }
  // DOTPRODUCT3 of a texel with itself, replicated into every channel.
  Canvas canvas(4, 4);
  raster::State state = DefaultState(canvas);
  state.stages[0].texture = &texture.texture;
  state.stages[0].colorOp = raster::TextureOp::kDotProduct3;
  state.stages[0].colorArg1 = state.stages[0].colorArg2 = 2;
  ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 4, 4, diffuse)), Result::kOk);
  const int dot = ((0xC0 - 128) * (0xC0 - 128) + (0x60 - 128) * (0x60 - 128) + (0x20 - 128) * (0x20 - 128)) * 4 / 255;
  EXPECT_NEAR(static_cast<int>(canvas.picture.Value(1, 1) & 0xFF), std::min(dot, 255), 1);
}

// The texture factor as an argument and as the weight of its blend, with a
// different factor in each draw so that a stale one would show.
TEST(RasterTexture, TextureFactorArgumentsFollowEachDraw) {
  struct Case {
    const char *name;
    raster::TextureOp op;
    uint32_t arg1, arg2;
    uint32_t (*expected)(uint32_t factor, uint32_t diffuse);  // 0xRRGGBB
  } cases[] = {
      {"FactorSelected", raster::TextureOp::kSelectArg1, 3, 0, [](uint32_t f, uint32_t) { return f & 0xFFFFFF; }},
      {"DiffuseTimesFactor", raster::TextureOp::kModulate, 0, 3,
       [](uint32_t f, uint32_t d) {
         uint32_t out = 0;
         for (int shift : {0, 8, 16}) {
           const uint32_t x = ((f >> shift) & 0xFF) * ((d >> shift) & 0xFF) + 128;
           out |= ((x + (x >> 8)) >> 8) << shift;
         }
         return out;
       }},
      // Factor alpha 0x40 weighs diffuse (arg1) against the factor colour (arg2).
      {"BlendFactorAlpha", raster::TextureOp::kBlendFactorAlpha, 0, 3,
       [](uint32_t f, uint32_t d) {
         const uint32_t weight = f >> 24;
         uint32_t out = 0;
         for (int shift : {0, 8, 16}) {
           const uint32_t x = ((d >> shift) & 0xFF) * weight + ((f >> shift) & 0xFF) * (255 - weight) + 128;
           out |= ((x + (x >> 8)) >> 8) << shift;
         }
         return out;
       }},
  };
  const uint32_t diffuse = 0xFF80C040;
  for (const Case &c : cases) {
    for (uint32_t factor : {0x40FF2010u, 0x4010E0A0u}) {
      SCOPED_TRACE(std::string(c.name) + " factor " + std::to_string(factor));
      Canvas canvas(8, 8);
      raster::State state = DefaultState(canvas);
      state.textureFactor = factor;
      state.stages[0].colorOp = c.op;
      state.stages[0].colorArg1 = c.arg1;
      state.stages[0].colorArg2 = c.arg2;
      state.stages[0].alphaOp = raster::TextureOp::kSelectArg1;
      state.stages[0].alphaArg1 = 0;
      ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 8, 8, diffuse)), Result::kOk);
      EXPECT_EQ(canvas.Rgb(3, 5), c.expected(factor, diffuse));
    }
  }
}

TEST(RasterTexture, UntexturedDefaultStageGivesDiffuse) {
  Canvas canvas(4, 4);
  raster::State state = DefaultState(canvas);  // stage 0 modulates a texture that is not there
  ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 4, 4, 0x7F123456)), Result::kOk);
  EXPECT_EQ(canvas.picture.Value(2, 2), 0x7F123456u);
}

TEST(RasterTexture, SecondStageModulatesTheFirst) {
  TestTexture first(1, 1, {0xFFFF8000}), second(1, 1, {0xFF808080});
  Canvas canvas(4, 4);
  raster::State state = DefaultState(canvas);
  state.stages[0].texture = &first.texture;
  state.stages[0].colorOp = raster::TextureOp::kSelectArg1;
  state.stages[1].texture = &second.texture;
  state.stages[1].colorOp = raster::TextureOp::kModulate;
  state.stages[1].colorArg1 = 2;
  state.stages[1].colorArg2 = 1;  // current
  state.stages[1].alphaOp = raster::TextureOp::kSelectArg1;
  state.stages[1].alphaArg1 = 1;
  ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 4, 4, 0xFFFFFFFF)), Result::kOk);
  EXPECT_NEAR(canvas.Channel(1, 1, 16), 0x80, 1);
  EXPECT_NEAR(canvas.Channel(1, 1, 8), 0x40, 1);
}

TEST(RasterTexture, BilinearBlendsNeighbouringTexels) {
  TestTexture texture(2, 2, {0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF});
  Canvas canvas(8, 1);
  raster::State state = DefaultState(canvas);
  state.stages[0].texture = &texture.texture;
  state.stages[0].addressU = state.stages[0].addressV = raster::TextureAddress::kClamp;
  state.stages[0].magFilter = state.stages[0].minFilter = raster::TextureFilter::kLinear;
  // u from 0 to 1 over 8 pixels: centres at 1/16, 3/16, … .
  std::vector<TlVertex> quad = {Tl(-0.5f, -0.5f, ~0u, 0.5f, 0, 0.5f), Tl(7.5f, -0.5f, ~0u, 0.5f, 1, 0.5f),
                                Tl(-0.5f, 0.5f, ~0u, 0.5f, 0, 0.5f),  Tl(7.5f, -0.5f, ~0u, 0.5f, 1, 0.5f),
                                Tl(7.5f, 0.5f, ~0u, 0.5f, 1, 0.5f),   Tl(-0.5f, 0.5f, ~0u, 0.5f, 0, 0.5f)};
  ASSERT_EQ(DrawTl(state, canvas, quad), Result::kOk);
  for (int x = 0; x < 8; ++x) {
    const double u = (x + 0.5) / 8.0 * 2 - 0.5;  // in texels, from the first texel's centre
    const double expected = std::clamp(u, 0.0, 1.0) * 255;
    EXPECT_NEAR(canvas.Channel(x, 0, 8), expected, 2.5) << x;
  }
}

TEST(RasterTexture, PerspectiveCorrectCoordinates) {
  // A quad whose right side is four times as far: the texture's middle
  // (u = 0.5) lies where w-weighted interpolation puts it, well left of the
  // screen middle.
  TestTexture texture(2, 1, {0xFF0000FF, 0xFFFF0000});
  for (bool perspective : {true, false}) {
    Canvas canvas(100, 1);
    raster::State state = DefaultState(canvas);
    state.perspective = perspective;
    state.stages[0].texture = &texture.texture;
    state.stages[0].addressU = raster::TextureAddress::kClamp;
    const float nearRhw = 1.0f, farRhw = 0.25f;
    std::vector<TlVertex> quad = {Tl(-0.5f, -0.5f, ~0u, 0.5f, 0, 0, nearRhw), Tl(99.5f, -0.5f, ~0u, 0.5f, 1, 0, farRhw),
                                  Tl(-0.5f, 0.5f, ~0u, 0.5f, 0, 0, nearRhw),  Tl(99.5f, -0.5f, ~0u, 0.5f, 1, 0, farRhw),
                                  Tl(99.5f, 0.5f, ~0u, 0.5f, 1, 0, farRhw),   Tl(-0.5f, 0.5f, ~0u, 0.5f, 0, 0, nearRhw)};
    ASSERT_EQ(DrawTl(state, canvas, quad), Result::kOk);
    int firstRed = -1;
    for (int x = 0; x < 100 && firstRed < 0; ++x)
      if (canvas.Rgb(x, 0) == 0xFF0000) firstRed = x;
    // u(t) = t / (t + (1 − t) · 4) reaches 0.5 at t = 0.8.
    EXPECT_NEAR(firstRed, perspective ? 80 : 50, 1);
  }
}

TEST(RasterTexture, ColourKeyDiscardsKeyedTexels) {
  TestTexture texture(2, 1, {0xFF00FF00, 0xFF123456});
  texture.texture.hasColourKey = true;
  texture.texture.keyLow = texture.texture.keyHigh = 0xFF00FF00;
  for (bool enabled : {true, false}) {
    Canvas canvas(8, 1);
    raster::State state = DefaultState(canvas);
    state.colorKeyEnable = enabled;
    state.stages[0].texture = &texture.texture;
    std::vector<TlVertex> quad = {Tl(-0.5f, -0.5f, ~0u, 0.5f, 0, 0), Tl(7.5f, -0.5f, ~0u, 0.5f, 1, 0),
                                  Tl(-0.5f, 0.5f, ~0u, 0.5f, 0, 0),  Tl(7.5f, -0.5f, ~0u, 0.5f, 1, 0),
                                  Tl(7.5f, 0.5f, ~0u, 0.5f, 1, 0),   Tl(-0.5f, 0.5f, ~0u, 0.5f, 0, 0)};
    ASSERT_EQ(DrawTl(state, canvas, quad), Result::kOk);
    EXPECT_EQ(canvas.Rgb(1, 0), enabled ? 0u : 0x00FF00u);
    EXPECT_EQ(canvas.Rgb(6, 0), 0x123456u);
  }
}

TEST(RasterTexture, MipmapLevelFollowsTheScreenSize) {
  // Level 0 is 8 × 8 red, level 1 4 × 4 green, level 2 2 × 2 blue; drawn on
  // 2 × 2 pixels the texture is minified by four: level 2.
  std::vector<uint32_t> l0(64, 0xFFFF0000), l1(16, 0xFF00FF00), l2(4, 0xFF0000FF);
  raster::TextureLevel levels[3] = {{reinterpret_cast<const uint8_t *>(l0.data()), 32, 8, 8},
                                    {reinterpret_cast<const uint8_t *>(l1.data()), 16, 4, 4},
                                    {reinterpret_cast<const uint8_t *>(l2.data()), 8, 2, 2}};
  raster::Texture texture{{32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, false}, levels, 3, nullptr, false, 0, 0};
  struct Case {
    int size;
    raster::MipFilter filter;
    uint32_t expected;
  } cases[] = {{8, raster::MipFilter::kPoint, 0xFF0000},
               {4, raster::MipFilter::kPoint, 0x00FF00},
               {2, raster::MipFilter::kPoint, 0x0000FF},
               {2, raster::MipFilter::kNone, 0xFF0000}};
  for (const Case &c : cases) {
    Canvas canvas(8, 8);
    raster::State state = DefaultState(canvas);
    state.stages[0].texture = &texture;
    state.stages[0].mipFilter = c.filter;
    const float e = static_cast<float>(c.size) - 0.5f;
    std::vector<TlVertex> quad = {Tl(-0.5f, -0.5f, ~0u, 0.5f, 0, 0), Tl(e, -0.5f, ~0u, 0.5f, 1, 0), Tl(-0.5f, e, ~0u, 0.5f, 0, 1),
                                  Tl(e, -0.5f, ~0u, 0.5f, 1, 0),     Tl(e, e, ~0u, 0.5f, 1, 1),     Tl(-0.5f, e, ~0u, 0.5f, 0, 1)};
    ASSERT_EQ(DrawTl(state, canvas, quad), Result::kOk);
    EXPECT_EQ(canvas.Rgb(0, 0), c.expected) << c.size << " filter " << static_cast<int>(c.filter);
  }
}

TEST(RasterTexture, FormatsDecodeToTheSameColour) {
  // One orange texel in each offered texture layout.
  struct Case {
    const char *name;
    raster::TexelFormat format;
    uint32_t texel;
    uint32_t expected;  // 0xAARRGGBB as the stage sees it
  } cases[] = {
      {"Rgb565", {16, 0xF800, 0x07E0, 0x001F, 0, false}, (0x1Fu << 11) | (0x20u << 5), 0xFFFF8200},
      {"Argb1555", {16, 0x7C00, 0x03E0, 0x001F, 0x8000, false}, 0x8000u | (0x1Fu << 10) | (0x10u << 5), 0xFFFF8400},
      {"Argb4444", {16, 0x0F00, 0x00F0, 0x000F, 0xF000, false}, 0x7F80u, 0x77FF8800},
      {"L8", {8, 0xFF, 0xFF, 0xFF, 0, false}, 0x66u, 0xFF666666},
      {"A8L8", {16, 0xFF, 0xFF, 0xFF, 0xFF00, false}, 0x4066u, 0x40666666},
      {"A4L4", {8, 0x0F, 0x0F, 0x0F, 0xF0, false}, 0x3Au, 0x33AAAAAA},
      {"Palette8", {8, 0, 0, 0, 0, true}, 2u, 0xC0FF8000},
      {"Xrgb8888", {32, 0xFF0000, 0xFF00, 0xFF, 0, false}, 0x00FF8000u, 0xFFFF8000},
  };
  uint32_t palette[256] = {};
  palette[2] = 0xC0FF8000;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    uint8_t bytes[4];
    std::memcpy(bytes, &c.texel, 4);
    raster::TextureLevel level{bytes, 4, 1, 1};
    raster::Texture texture{c.format, &level, 1, palette, false, 0, 0};
    Canvas canvas(2, 2);
    raster::State state = DefaultState(canvas);
    state.stages[0].texture = &texture;
    state.stages[0].colorOp = raster::TextureOp::kSelectArg1;
    ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 2, 2, 0xFFFFFFFF)), Result::kOk);
    EXPECT_EQ(canvas.picture.Value(0, 0), c.expected);
  }
}

// ---------------------------------------------------------------------------
// Transform, lighting, clipping.

// Untransformed vertices with a normal.
struct LitVertex {
  float x, y, z, nx, ny, nz;
};
constexpr uint32_t kLitFvf = kFvfXyz | kFvfNormal;

raster::Matrix Perspective(float nearZ, float farZ) {
  // 90° field of view, square aspect.
  raster::Matrix m{};
  const float q = farZ / (farZ - nearZ);
  m.m[0][0] = 1, m.m[1][1] = 1, m.m[2][2] = q, m.m[2][3] = 1, m.m[3][2] = -q * nearZ;
  return m;
}

TEST(RasterLighting, LightTypesAtTheCentrePixel) {
  // A square facing the camera (normal towards −z) at z = 5.
  const std::vector<LitVertex> square = {{-2, 2, 5, 0, 0, -1}, {2, 2, 5, 0, 0, -1}, {-2, -2, 5, 0, 0, -1},
                                         {2, 2, 5, 0, 0, -1},  {2, -2, 5, 0, 0, -1}, {-2, -2, 5, 0, 0, -1}};
  struct Case {
    const char *name;
    raster::Light light;
    double expectedRed;  // 0 … 1 at the centre
  };
  raster::Light directional{raster::LightType::kDirectional, {1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0},
                            {0, 0, 1}, 0, 0, 0, 0, 0, 0, 0};
  raster::Light slanted = directional;
  slanted.direction = {0, std::sin(1.0f), std::cos(1.0f)};
  raster::Light point = directional;
  point.type = raster::LightType::kPoint;
  point.position = {0, 0, 3};  // two units in front of the centre
  point.range = 100;
  point.attenuation0 = 0, point.attenuation1 = 0.25f;
  raster::Light outOfRange = point;
  outOfRange.range = 1.5f;
  raster::Light spot = point;
  spot.type = raster::LightType::kSpot;
  spot.direction = {0, 0, 1};
  spot.theta = 2.0f, spot.phi = 2.6f, spot.falloff = 1;  // the corners lie 0.96 rad off the axis
  raster::Light spotAway = spot;
  spotAway.direction = {0, 0, -1};
  // Lighting is per vertex: the four corners, √12 from the point light,
  // light the centre as they are lit.
  const double corner = std::sqrt(12.0), pointLit = 0.8 * (2 / corner) / (0.25 * corner);
  const Case cases[] = {
      {"Directional", directional, 0.8},
      {"Slanted", slanted, 0.8 * std::cos(1.0)},
      {"Point", point, pointLit},
      {"OutOfRange", outOfRange, 0.0},
      {"SpotInside", spot, pointLit},
      {"SpotAway", spotAway, 0.0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(32, 32);
    raster::State state = DefaultState(canvas);
    state.projection = Perspective(1, 100);
    state.material.diffuse = {0.8f, 0.4f, 0.2f, 1};
    state.lights = &c.light;
    state.lightCount = 1;
    const raster::Vertices v = raster::InterleavedVertices(kLitFvf, square.data(), 6);
    ASSERT_EQ(raster::Draw(state, canvas.target, nullptr, Primitive::kTriangleList, v, nullptr, 0, 0, nullptr),
              Result::kOk);
    EXPECT_NEAR(canvas.Channel(16, 16, 16), std::min(1.0, c.expectedRed) * 255, 2.0);
  }
}

TEST(RasterLighting, AmbientEmissiveAndVertexColourSources) {
  const std::vector<LitVertex> square = {{-2, 2, 5, 0, 0, -1}, {2, 2, 5, 0, 0, -1}, {-2, -2, 5, 0, 0, -1},
                                         {2, 2, 5, 0, 0, -1},  {2, -2, 5, 0, 0, -1}, {-2, -2, 5, 0, 0, -1}};
  Canvas canvas(32, 32);
  raster::State state = DefaultState(canvas);
  state.projection = Perspective(1, 100);
  state.ambient = 0xFF808080;
  state.material.ambient = {0.5f, 0, 0, 1};
  state.material.emissive = {0, 0, 0.25f, 1};
  ASSERT_EQ(raster::Draw(state, canvas.target, nullptr, Primitive::kTriangleList,
                         raster::InterleavedVertices(kLitFvf, square.data(), 6), nullptr, 0, 0, nullptr),
            Result::kOk);
  EXPECT_NEAR(canvas.Channel(16, 16, 16), 0.5 * 128, 2);
  EXPECT_NEAR(canvas.Channel(16, 16, 0), 0.25 * 255, 2);
  // DONOTLIGHT: the (absent) vertex colour, white.
  Canvas unlit(32, 32);
  ASSERT_EQ(raster::Draw(state, unlit.target, nullptr, Primitive::kTriangleList,
                         raster::InterleavedVertices(kLitFvf, square.data(), 6), nullptr, 0, 0x10, nullptr),
            Result::kOk);
  EXPECT_EQ(unlit.Rgb(16, 16), 0xFFFFFFu);
}

TEST(RasterClipping, NearPlaneAndScreenEdgesStayInside) {
  // Triangles through the camera plane, behind it, and far past the edges.
  struct Case {
    const char *name;
    std::vector<LitVertex> triangle;
    bool drawsSomething;
  } cases[] = {
      {"CrossesNear", {{-3, -3, -2, 0, 0, -1}, {3, -3, 6, 0, 0, -1}, {0, 3, 6, 0, 0, -1}}, true},
      {"BehindCamera", {{-3, -3, -2, 0, 0, -1}, {3, -3, -2, 0, 0, -1}, {0, 3, -3, 0, 0, -1}}, false},
      {"BeyondFar", {{-3, -3, 200, 0, 0, -1}, {3, -3, 200, 0, 0, -1}, {0, 3, 200, 0, 0, -1}}, false},
      {"HugeAroundTheScreen", {{-1e6f, -1e6f, 5, 0, 0, -1}, {1e6f, -1e6f, 5, 0, 0, -1}, {0, 1e6f, 5, 0, 0, -1}}, true},
      {"ApexBeforeNear", {{0, 0, 0.5f, 0, 0, -1}, {3, 0, 5, 0, 0, -1}, {0, 3, 5, 0, 0, -1}}, true},
      {"ApexAtTheEye", {{0.5f, 0.5f, 0, 0, 0, -1}, {3, 0, 5, 0, 0, -1}, {0, 3, 5, 0, 0, -1}}, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(24, 16);
    DepthPlane depth(24, 16, 2, 0xFFFF);
    raster::State state = DefaultState(canvas);
    state.projection = Perspective(1, 100);
    state.lighting = false;
    raster::Clear(state, &canvas.target, &depth.buffer, nullptr, 0, raster::kClearDepth, 0, 1.0f, 0);
    ASSERT_EQ(raster::Draw(state, canvas.target, &depth.buffer, Primitive::kTriangleList,
                           raster::InterleavedVertices(kLitFvf, c.triangle.data(), 3), nullptr, 0, 0, nullptr),
              Result::kOk);
    EXPECT_EQ(CountNonZero(canvas) > 0, c.drawsSomething);
    EXPECT_TRUE(canvas.picture.Untouched());
    EXPECT_TRUE(depth.picture.Untouched());
  }
}

TEST(RasterClipping, PreTransformedPastTheEdgesCoversEveryPixel) {
  for (float reach : {30.0f, 1e5f, 1e9f}) {
    Canvas canvas(20, 10);
    const raster::State state = DefaultState(canvas);
    ASSERT_EQ(DrawTl(state, canvas, {Tl(-reach, -reach, ~0u), Tl(3 * reach, -reach, ~0u), Tl(-reach, 3 * reach, ~0u)}),
              Result::kOk);
    EXPECT_EQ(CountNonZero(canvas), 200) << reach;
    EXPECT_TRUE(canvas.picture.Untouched());
  }
}

TEST(RasterClipping, ViewportLimitsDrawing) {
  Canvas canvas(16, 16);
  raster::State state = DefaultState(canvas);
  state.viewport = raster::Viewport{4, 2, 8, 6, 0, 1};
  ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 16, 16, 0xFFFFFFFF)), Result::kOk);
  EXPECT_EQ(CountNonZero(canvas), 48);
  EXPECT_EQ(canvas.picture.Value(4, 2) != 0, true);
  EXPECT_EQ(canvas.picture.Value(12, 2), 0u);
}

// ---------------------------------------------------------------------------
// Points, lines, fill modes.

TEST(RasterPrimitives, PointsAndLines) {
  Canvas canvas(16, 16);
  raster::State state = DefaultState(canvas);
  ASSERT_EQ(DrawTl(state, canvas, {Tl(2, 3, ~0u), Tl(9.4f, 9.6f, ~0u), Tl(-5, 2, ~0u), Tl(15.49f, 15.49f, ~0u)},
                   Primitive::kPointList),
            Result::kOk);
  EXPECT_EQ(CountNonZero(canvas), 3);
  EXPECT_NE(canvas.picture.Value(2, 3), 0u);
  EXPECT_NE(canvas.picture.Value(9, 10), 0u);
  EXPECT_NE(canvas.picture.Value(15, 15), 0u);

  struct Case {
    bool lastPixel;
    int expected;
  } cases[] = {{true, 11}, {false, 10}};
  for (const Case &c : cases) {
    Canvas lines(16, 16);
    state.lastPixel = c.lastPixel;
    ASSERT_EQ(DrawTl(state, lines, {Tl(2, 5, ~0u), Tl(12, 5, ~0u)}, Primitive::kLineList), Result::kOk);
    EXPECT_EQ(CountNonZero(lines), c.expected);
    EXPECT_NE(lines.picture.Value(2, 5), 0u);
  }
  // A strip of three segments around three sides of a square.
  Canvas strip(16, 16);
  state.lastPixel = false;
  ASSERT_EQ(DrawTl(state, strip, {Tl(1, 1, ~0u), Tl(9, 1, ~0u), Tl(9, 9, ~0u), Tl(1, 9, ~0u)}, Primitive::kLineStrip),
            Result::kOk);
  EXPECT_EQ(CountNonZero(strip), 24);
}

TEST(RasterPrimitives, WireframeDrawsOnlyEdges) {
  Canvas canvas(16, 16);
  raster::State state = DefaultState(canvas);
  state.fill = raster::FillMode::kWireframe;
  ASSERT_EQ(DrawTl(state, canvas, {Tl(1, 1, ~0u), Tl(13, 1, ~0u), Tl(1, 13, ~0u)}), Result::kOk);
  EXPECT_NE(canvas.picture.Value(5, 1), 0u);
  EXPECT_NE(canvas.picture.Value(1, 5), 0u);
  EXPECT_EQ(canvas.picture.Value(4, 4), 0u);  // inside stays empty
}

TEST(RasterPrimitives, IndexedDrawingReadsTheIndexedVertices) {
  Canvas canvas(16, 16);
  const raster::State state = DefaultState(canvas);
  const std::vector<TlVertex> vertices = {Tl(-0.5f, -0.5f, 0xFFFF0000), Tl(15.5f, -0.5f, 0xFFFF0000),
                                          Tl(-0.5f, 15.5f, 0xFFFF0000), Tl(15.5f, 15.5f, 0xFFFF0000)};
  const uint16_t indices[] = {0, 1, 2, 1, 3, 2};
  ASSERT_EQ(raster::Draw(state, canvas.target, nullptr, Primitive::kTriangleList,
                         raster::InterleavedVertices(kTlVertexFvf, vertices.data(), 4), indices, 6, 0, nullptr),
            Result::kOk);
  EXPECT_EQ(CountNonZero(canvas), 256);
}

// ---------------------------------------------------------------------------
// Clear.

TEST(RasterClear, RectanglesCutToTheViewport) {
  Canvas canvas(16, 16, kTargetLayouts[0]);
  DepthPlane depth(16, 16, 4, 0xFFFFFF, 0xFF000000);
  raster::State state = DefaultState(canvas);
  state.viewport = raster::Viewport{2, 2, 10, 10, 0, 1};
  const raster::ClearRect rects[] = {{-100, -100, 4, 4}, {10, 10, 1000, 1000}, {5, 5, 5, 9}};
  raster::Clear(state, &canvas.target, &depth.buffer, rects, 3, raster::kClearTarget | raster::kClearStencil,
                0xFFFF0000, 0.0f, 0x7);
  int coloured = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) coloured += canvas.picture.Value(x, y) == 0xF800;
  EXPECT_EQ(coloured, 4 + 4);
  EXPECT_EQ(depth.picture.Value(3, 3), 0x07000000u);  // stencil only, depth untouched
  EXPECT_TRUE(canvas.picture.Untouched());
  EXPECT_TRUE(depth.picture.Untouched());
  raster::Clear(state, &canvas.target, &depth.buffer, nullptr, 0, raster::kClearDepth, 0, 1.0f, 0);
  EXPECT_EQ(depth.picture.Value(3, 3), 0x07FFFFFFu);
  EXPECT_EQ(depth.picture.Value(0, 0), 0u);  // outside the viewport
}

// ---------------------------------------------------------------------------
// Hostile input: answers, and nothing read or written out of bounds.

TEST(RasterHostile, RefusedCallsAnswerWithTheirCode) {
  Canvas canvas(8, 8);
  const raster::State state = DefaultState(canvas);
  const std::vector<TlVertex> vertices = Quad(0, 0, 8, 8, ~0u);
  const raster::Vertices good = raster::InterleavedVertices(kTlVertexFvf, vertices.data(), 6);
  const uint16_t pastTheEnd[] = {0, 1, 6};
  raster::Vertices nullData = good;
  nullData.diffuse.data = nullptr;
  raster::Vertices badFormat = good;
  badFormat.fvf = kFvfXyzRhw | kFvfNormal;
  raster::Vertices tooMany = good;
  tooMany.count = 70000;
  raster::Target noPixels = canvas.target;
  noPixels.pixels = nullptr;
  raster::Target shortPitch = canvas.target;
  shortPitch.pitch = 4;
  raster::Target eightBit = canvas.target;
  eightBit.bits = 8;
  struct Case {
    const char *name;
    raster::Target target;
    Primitive primitive;
    raster::Vertices vertices;
    const uint16_t *indices;
    uint32_t indexCount;
    Result expected;
  } cases[] = {
      {"IndexPastCount", canvas.target, Primitive::kTriangleList, good, pastTheEnd, 3, Result::kInvalidParams},
      {"NullComponent", canvas.target, Primitive::kTriangleList, nullData, nullptr, 0, Result::kInvalidParams},
      {"BadFormat", canvas.target, Primitive::kTriangleList, badFormat, nullptr, 0, Result::kInvalidVertexFormat},
      {"TooManyVertices", canvas.target, Primitive::kTriangleList, tooMany, nullptr, 0, Result::kInvalidParams},
      {"NoPixels", noPixels, Primitive::kTriangleList, good, nullptr, 0, Result::kInvalidParams},
      {"ShortPitch", shortPitch, Primitive::kTriangleList, good, nullptr, 0, Result::kInvalidParams},
      {"EightBitTarget", eightBit, Primitive::kTriangleList, good, nullptr, 0, Result::kInvalidParams},
      {"PrimitiveZero", canvas.target, static_cast<Primitive>(0), good, nullptr, 0, Result::kInvalidPrimitive},
      {"PrimitiveSeven", canvas.target, static_cast<Primitive>(7), good, nullptr, 0, Result::kInvalidPrimitive},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(raster::Draw(state, c.target, nullptr, c.primitive, c.vertices, c.indices, c.indexCount, 0, nullptr),
              c.expected)
        << c.name;
  }
  EXPECT_EQ(CountNonZero(canvas), 0);
  EXPECT_TRUE(canvas.picture.Untouched());
}

TEST(RasterHostile, NonFiniteAndHugeCoordinatesDrawSafely) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const float values[] = {nan, inf, -inf, 1e30f, -1e30f, 3e9f, 0.0f, 1e-30f};
  std::mt19937 random(11);
  std::uniform_int_distribution<size_t> pick(0, std::size(values) - 1);
  std::uniform_real_distribution<float> ordinary(-20.0f, 40.0f);
  TestTexture texture(4, 4, std::vector<uint32_t>(16, 0xFF336699));
  for (int round = 0; round < 200; ++round) {
    Canvas canvas(24, 24, kTargetLayouts[static_cast<size_t>(round) % std::size(kTargetLayouts)]);
    DepthPlane depth(24, 24, round % 2 ? 2 : 4, round % 2 ? 0xFFFF : 0xFFFFFF);
    raster::State state = DefaultState(canvas);
    state.stages[0].texture = &texture.texture;
    state.stages[0].magFilter = round % 3 ? raster::TextureFilter::kLinear : raster::TextureFilter::kPoint;
    state.stages[0].addressU = static_cast<raster::TextureAddress>(1 + round % 4);
    state.fogEnable = round % 5 == 0;
    state.fogTableMode = raster::FogMode::kExp;
    std::vector<TlVertex> vertices;
    for (int i = 0; i < 9; ++i) {
      TlVertex v = Tl(ordinary(random), ordinary(random), 0xFF808080, 0.5f, ordinary(random), ordinary(random));
      float *fields[] = {&v.x, &v.y, &v.z, &v.rhw, &v.u, &v.v};
      for (float *field : fields)
        if (random() % 4 == 0) *field = values[pick(random)];
      vertices.push_back(v);
    }
    for (Primitive p : {Primitive::kTriangleList, Primitive::kTriangleStrip, Primitive::kLineStrip, Primitive::kPointList})
      ASSERT_EQ(DrawTl(state, canvas, vertices, p, &depth.buffer), Result::kOk);
    ASSERT_TRUE(canvas.picture.Untouched()) << round;
    ASSERT_TRUE(depth.picture.Untouched()) << round;
  }
}

TEST(RasterHostile, UntransformedNonFiniteMatricesAndVertices) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<LitVertex> triangle = {{-1, -1, 5, 0, 0, -1}, {nan, 1, 5, 0, 0, -1}, {1e38f, -1, 1e-38f, 0, 0, -1},
                                           {0, 0, 5, nan, 0, -1}, {1, 1, 5, 0, 0, -1},  {-1, 1, 5, 0, 0, -1}};
  Canvas canvas(16, 16);
  raster::State state = DefaultState(canvas);
  state.projection = Perspective(1, 100);
  raster::Light light{raster::LightType::kPoint, {1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0},
                      {0, 0, 1}, nan, 0, 0, 0, 0, 0, 0};
  state.lights = &light;
  state.lightCount = 1;
  state.specularEnable = true;
  for (int variant = 0; variant < 3; ++variant) {
    if (variant == 1) state.world.m[0][0] = nan;
    if (variant == 2) state.projection.m[3][3] = std::numeric_limits<float>::infinity();
    EXPECT_EQ(raster::Draw(state, canvas.target, nullptr, Primitive::kTriangleList,
                           raster::InterleavedVertices(kLitFvf, triangle.data(), 6), nullptr, 0, 0, nullptr),
              Result::kOk);
  }
  EXPECT_TRUE(canvas.picture.Untouched());
}

TEST(RasterHostile, ZeroAreaAndRepeatedVerticesDrawNothing) {
  Canvas canvas(8, 8);
  const raster::State state = DefaultState(canvas);
  ASSERT_EQ(DrawTl(state, canvas,
                   {Tl(1, 1, ~0u), Tl(1, 1, ~0u), Tl(1, 1, ~0u), Tl(0, 0, ~0u), Tl(3, 3, ~0u), Tl(6, 6, ~0u)}),
            Result::kOk);
  EXPECT_EQ(CountNonZero(canvas), 0);
  // Fewer vertices than one primitive needs: nothing, and no error.
  ASSERT_EQ(DrawTl(state, canvas, {Tl(1, 1, ~0u), Tl(5, 1, ~0u)}), Result::kOk);
  EXPECT_EQ(CountNonZero(canvas), 0);
}

TEST(RasterHostile, DepthBufferSmallerThanTheTarget) {
  Canvas canvas(16, 16);
  DepthPlane depth(8, 6, 2, 0xFFFF);
  const raster::State state = DefaultState(canvas);
  ASSERT_EQ(DrawTl(state, canvas, Quad(0, 0, 16, 16, ~0u), Primitive::kTriangleList, &depth.buffer), Result::kOk);
  EXPECT_TRUE(depth.picture.Untouched());
  EXPECT_TRUE(canvas.picture.Untouched());
}

// ---------------------------------------------------------------------------
// Drawing in bands and four pixels at a time gives the same pixels as
// drawing one triangle at a time and the generic per-pixel paths.

bool SamePictures(Canvas &a, Canvas &b) {
  for (int y = 0; y < a.target.height; ++y)
    if (std::memcmp(a.picture.Row(y), b.picture.Row(y), static_cast<size_t>(a.target.width * a.target.bits / 8)) != 0)
      return false;
  return true;
}

bool SameDepth(DepthPlane &a, DepthPlane &b) {
  for (int y = 0; y < a.buffer.height; ++y)
    if (std::memcmp(a.picture.Row(y), b.picture.Row(y), static_cast<size_t>(a.buffer.width * a.buffer.bytesPerPixel)) != 0)
      return false;
  return true;
}

// Seeded triangles of every size, many crossing band edges, drawn in one
// call and one call per triangle: depth-tested with writes, and blended
// (where the order of overlapping triangles shows).
TEST(RasterBands, OneDrawMatchesOneTriangleAtATime) {
  struct Case {
    const char *name;
    int width, height, triangles;
    float size;
    bool blend;
  } cases[] = {
      {"SmallDepthTested", 96, 700, 3000, 12, false},
      {"LargeDepthTested", 64, 900, 60, 400, false},
      {"MixedBlended", 80, 600, 400, 60, true},
      // More triangles than the store holds: it is drawn out part-way.
      {"ManyTiny", 40, 300, 20000, 4, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::mt19937 random(static_cast<uint32_t>(c.triangles));
    std::uniform_real_distribution<float> x(-20, static_cast<float>(c.width) + 20),
        y(-20, static_cast<float>(c.height) + 20), offset(-c.size, c.size), unit(0, 1);
    std::vector<TlVertex> vertices;
    for (int t = 0; t < c.triangles; ++t) {
      const float cx = x(random), cy = y(random), z = unit(random);
      for (int k = 0; k < 3; ++k)
        vertices.push_back(Tl(cx + offset(random), cy + offset(random), static_cast<uint32_t>(random()), z));
    }
    Canvas together(c.width, c.height), alone(c.width, c.height);
    DepthPlane depthTogether(c.width, c.height, 4, 0xFFFFFF), depthAlone(c.width, c.height, 4, 0xFFFFFF);
    raster::State state = DefaultState(together);
    state.alphaBlend = c.blend;
    state.srcBlend = BlendFactor::kSrcAlpha;
    state.destBlend = BlendFactor::kInvSrcAlpha;
    state.depthFunc = c.blend ? Compare::kAlways : Compare::kLessEqual;
    for (DepthPlane *d : {&depthTogether, &depthAlone})
      raster::Clear(state, nullptr, &d->buffer, nullptr, 0, raster::kClearDepth, 0, 1.0f, 0);
    ASSERT_EQ(DrawTl(state, together, vertices, Primitive::kTriangleList, &depthTogether.buffer), Result::kOk);
    for (size_t t = 0; t < vertices.size(); t += 3)
      ASSERT_EQ(DrawTl(state, alone, {vertices[t], vertices[t + 1], vertices[t + 2]}, Primitive::kTriangleList,
                       &depthAlone.buffer),
                Result::kOk);
    EXPECT_GT(CountNonZero(together), c.width * c.height / 4);
    EXPECT_TRUE(SamePictures(together, alone));
    EXPECT_TRUE(SameDepth(depthTogether, depthAlone));
    EXPECT_TRUE(together.picture.Untouched());
    EXPECT_TRUE(depthTogether.picture.Untouched());
  }
}

// A jittered mesh down a tall target, drawn in one call, so that its
// triangles straddle the edges of the bands it is drawn in: every pixel is
// covered exactly once.
TEST(RasterBands, JitteredMeshAcrossBandEdgesCoversEachPixelOnce) {
  constexpr int kColumns = 3, kRows = 160, kCell = 8;
  Canvas canvas(kColumns * kCell + 4, kRows * kCell + 4);
  const raster::State state = AdditiveState(canvas);
  std::mt19937 random(5);
  std::uniform_real_distribution<float> jitter(-1.9f, 1.9f);
  std::vector<float> gx((kColumns + 1) * (kRows + 1)), gy(gx.size());
  for (int j = 0; j <= kRows; ++j)
    for (int i = 0; i <= kColumns; ++i) {
      const bool inner = i > 0 && i < kColumns && j > 0 && j < kRows;
      const size_t at = static_cast<size_t>(j * (kColumns + 1) + i);
      gx[at] = static_cast<float>(i * kCell) + (inner ? jitter(random) : 0.0f) - 0.5f;
      // Rows of points on exact pixel centres as well as between them.
      const float dy = inner ? jitter(random) : 0.0f;
      gy[at] = static_cast<float>(j * kCell) + (j % 3 == 0 ? std::round(dy) : dy) - 0.5f;
    }
  std::vector<TlVertex> triangles;
  auto point = [&](int i, int j) {
    const size_t at = static_cast<size_t>(j * (kColumns + 1) + i);
    return Tl(gx[at], gy[at], 0xFF000001);
  };
  for (int j = 0; j < kRows; ++j)
    for (int i = 0; i < kColumns; ++i)
      for (const TlVertex &v : {point(i, j), point(i + 1, j), point(i + 1, j + 1), point(i, j), point(i, j + 1),
                                point(i + 1, j + 1)})
        triangles.push_back(v);
  ASSERT_EQ(DrawTl(state, canvas, triangles), Result::kOk);
  ExpectEachPixelOnce(canvas, 0, 0, kColumns * kCell, kRows * kCell);
  EXPECT_TRUE(canvas.picture.Untouched());
}

// Stored depths alternate in patterns that split every group of four in
// every way; each pixel of a constant-depth quad passes or fails on its own,
// for spans of every length from one pixel.
TEST(RasterDepth, MixedOutcomesWithinGroupsOfFour) {
  constexpr int kWidth = 70, kHeight = 16;
  for (const DepthLayout &layout : kDepthLayouts) {
    for (const Compare compare : {Compare::kLess, Compare::kEqual, Compare::kGreaterEqual, Compare::kNotEqual}) {
      SCOPED_TRACE(std::string(layout.name) + " func " + std::to_string(static_cast<int>(compare)));
      Canvas canvas(kWidth, kHeight);
      DepthPlane depth(kWidth, kHeight, layout.bytes, layout.depthMask, layout.stencilMask);
      raster::State state = DefaultState(canvas);
      state.depthFunc = compare;
      state.depthWrite = false;
      // Pixel (x, y) holds 0.25 or 0.75 by bit (x % 16) of pattern y: the
      // sixteen patterns of four repeated along the row.
      const uint32_t quarter = static_cast<uint32_t>(0.25 * layout.depthMask),
                     threeQuarters = static_cast<uint32_t>(0.75 * layout.depthMask);
      auto stored = [&](int x, int y) { return ((y >> (x % 4)) & 1) ? quarter : threeQuarters; };
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const uint32_t word = stored(x, y);
          std::memcpy(depth.picture.Row(y) + x * layout.bytes, &word, static_cast<size_t>(layout.bytes));
        }
      // Row y is drawn from x = 0 to 1 + 4·y (spans of 1 … 61 pixels).
      std::vector<TlVertex> strips;
      for (int y = 0; y < kHeight; ++y) {
        const auto quad = Quad(0, static_cast<float>(y), static_cast<float>(1 + 4 * y), static_cast<float>(y + 1),
                               0xFFFFFFFF, 0.75f);
        strips.insert(strips.end(), quad.begin(), quad.end());
      }
      ASSERT_EQ(DrawTl(state, canvas, strips, Primitive::kTriangleList, &depth.buffer), Result::kOk);
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const float storedDepth = stored(x, y) == quarter ? 0.25f : 0.75f;
          const bool drawn = x < 1 + 4 * y && Reference(compare, 0.75f, storedDepth);
          ASSERT_EQ(canvas.picture.Value(x, y) != 0, drawn) << x << "," << y;
        }
      EXPECT_TRUE(canvas.picture.Untouched());
    }
  }
}

// 32-bit targets blend ordinary transparency and write four pixels at a
// time; 24-bit targets take the general path. Random overlapping triangles,
// depth-tested so that hidden pixels break up the runs of four, must give
// the same colours in both, for both writers (blended and not).
TEST(RasterBlend, ThirtyTwoBitWriterMatchesTheGeneralOne) {
  std::mt19937 random(3);
  std::uniform_real_distribution<float> position(-8, 70), unit(0, 1);
  std::vector<TlVertex> vertices;
  for (int t = 0; t < 150; ++t)
    for (int k = 0; k < 3; ++k)
      vertices.push_back(Tl(position(random), position(random), static_cast<uint32_t>(random()), unit(random)));
  for (bool blend : {true, false}) {
    SCOPED_TRACE(blend ? "blended" : "opaque");
    Canvas general(61, 59, kTargetLayouts[2]), fast(61, 59, kTargetLayouts[3]);
    DepthPlane depthGeneral(61, 59, 2, 0xFFFF), depthFast(61, 59, 2, 0xFFFF);
    raster::State state = DefaultState(fast);
    state.alphaBlend = blend;
    state.srcBlend = BlendFactor::kSrcAlpha;
    state.destBlend = BlendFactor::kInvSrcAlpha;
    for (DepthPlane *d : {&depthGeneral, &depthFast})
      raster::Clear(state, nullptr, &d->buffer, nullptr, 0, raster::kClearDepth, 0, 1.0f, 0);
    ASSERT_EQ(DrawTl(state, general, vertices, Primitive::kTriangleList, &depthGeneral.buffer), Result::kOk);
    ASSERT_EQ(DrawTl(state, fast, vertices, Primitive::kTriangleList, &depthFast.buffer), Result::kOk);
    int drawn = 0;
    for (int y = 0; y < 59; ++y)
      for (int x = 0; x < 61; ++x) {
        ASSERT_EQ(fast.Rgb(x, y), general.Rgb(x, y)) << x << "," << y;
        drawn += fast.Rgb(x, y) != 0;
      }
    EXPECT_GT(drawn, 61 * 59 / 2);
    EXPECT_EQ(fast.picture.Value(30, 30) >> 24, 0u);  // no alpha channel: none stored
    EXPECT_TRUE(fast.picture.Untouched());
  }
}

// Bilinear filtering of a wrapped power-of-two texture takes a path of its
// own; a colour key that matches no texel sends the same draw down the
// general path, and both must give the same pixels, with and without
// perspective, for coordinates far outside the texture and on texel
// boundaries, and on spans of every length.
TEST(RasterTexture, WrappedBilinearPathMatchesTheGeneralPath) {
  std::mt19937 random(11);
  std::vector<uint32_t> texels(16 * 8);
  for (uint32_t &t : texels) t = static_cast<uint32_t>(random()) | 0x01000000u;  // never 0: the key
  TestTexture texture(16, 8, texels);
  std::uniform_real_distribution<float> position(-10, 90), coordinate(-40, 40), rhw(0.2f, 1.0f);
  std::vector<TlVertex> vertices;
  for (int t = 0; t < 60; ++t)
    for (int k = 0; k < 3; ++k) {
      // Every fourth triangle reads whole texel steps, so fractions of 0.
      const float u = t % 4 == 0 ? std::round(coordinate(random) * 32) / 32 : coordinate(random);
      vertices.push_back(Tl(position(random), position(random), 0xFFFFFFFF, 0.5f, u, coordinate(random), rhw(random)));
    }
  for (bool perspective : {true, false}) {
    SCOPED_TRACE(perspective ? "perspective" : "affine");
    Canvas fast(80, 80), general(80, 80);
    raster::State state = DefaultState(fast);
    state.perspective = perspective;
    state.stages[0].texture = &texture.texture;
    state.stages[0].magFilter = state.stages[0].minFilter = raster::TextureFilter::kLinear;
    state.colorKeyEnable = true;
    ASSERT_EQ(DrawTl(state, fast, vertices), Result::kOk);
    TestTexture keyed(16, 8, texels);
    keyed.texture.hasColourKey = true;
    state.stages[0].texture = &keyed.texture;
    ASSERT_EQ(DrawTl(state, general, vertices), Result::kOk);
    EXPECT_GT(CountNonZero(fast), 80 * 80 / 4);
    EXPECT_TRUE(SamePictures(fast, general));
  }
}

}  // namespace
