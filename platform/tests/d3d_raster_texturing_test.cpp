// The software rasteriser's texturing: address modes, stage operations, the
// texture factor, stages, bilinear filtering and its wrapped fast path,
// perspective correction, colour keys, mipmap levels and texel formats.
#include "support/raster_test.h"

namespace {

using namespace raster_test;

// ---------------------------------------------------------------------------
// Textures.

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
