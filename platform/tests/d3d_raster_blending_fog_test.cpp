// The software rasteriser's blending, alpha test, fog and specular: every
// factor pair against the blend formula, shared edges blended once, alpha
// compares, vertex and table fog, and the 32-bit writer against the general.
#include "support/raster_test.h"

namespace {

using namespace raster_test;

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

}  // namespace
