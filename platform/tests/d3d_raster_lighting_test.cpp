// The software rasteriser's transform and lighting: each light type at the
// centre pixel, and ambient, emissive and vertex colour sources.
#include "support/raster_test.h"

namespace {

using namespace raster_test;

// ---------------------------------------------------------------------------
// Transform and lighting.

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

}  // namespace
