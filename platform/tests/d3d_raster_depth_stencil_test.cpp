// The software rasteriser's depth and stencil tests: every compare function
// with and without writes in every depth layout, the nearer triangle winning,
// the w-buffer, stencil marks, and mixed outcomes inside groups of four.
#include "support/raster_test.h"

namespace {

using namespace raster_test;

// ---------------------------------------------------------------------------
// Depth and stencil.

struct DepthLayout {
  const char *name;
  int bytes;
  uint32_t depthMask, stencilMask;
};
const DepthLayout kDepthLayouts[] = {
    {"Z16", 2, 0xFFFF, 0}, {"Z24", 4, 0xFFFFFF, 0}, {"Z24S8", 4, 0xFFFFFF, 0xFF000000}, {"Z32", 4, 0xFFFFFFFF, 0}};

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

}  // namespace
