// The software rasteriser's clipping: the near plane and screen edges, the
// viewport, clears cut to the viewport, and hostile input answered with its
// code and nothing read or written out of bounds.
#include "support/raster_test.h"

namespace {

using namespace raster_test;

// ---------------------------------------------------------------------------
// Clipping.

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

}  // namespace
