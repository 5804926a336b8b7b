// The software rasteriser behind the Direct3D device, driven through its
// COM-free interface: vertex formats, the starting state, coverage by the
// fill convention in every target layout, culling, points, lines and fill
// modes, and drawing in bands giving the pixels of one triangle at a time.
#include "support/raster_test.h"

namespace {

using namespace raster_test;

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
// Drawing in bands and four pixels at a time gives the same pixels as
// drawing one triangle at a time and the generic per-pixel paths.

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

}  // namespace
