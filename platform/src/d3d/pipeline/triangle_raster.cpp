// Triangle set-up and scan conversion. Vertices snap to 1/16 pixel; each
// row's span comes from exact integer edge functions with pixel centres at
// integer coordinates and the top-left fill convention, so triangles that
// share an edge cover each pixel along it exactly once.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "d3d/pipeline/pixel_setup.h"

namespace raster {

namespace {

constexpr int kSubBits = 4;
constexpr int64_t kSub = 1 << kSubBits;

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  const int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

struct Edge {
  int64_t dx, dy, ax, ay, bias;
};

Edge MakeEdge(int64_t ax, int64_t ay, int64_t bx, int64_t by) {
  Edge e{bx - ax, by - ay, ax, ay, 0};
  const bool topLeft = e.dy < 0 || (e.dy == 0 && e.dx > 0);
  e.bias = topLeft ? 0 : 1;
  return e;
}

// An edge's bound on x, row by row, without a division per row: the exact
// quotient and remainder of N / D stepped as N changes by a fixed amount.
// A pixel centre X = 16·x is inside when dx·(Y − ay) − dy·(X − ax) − bias ≥ 0:
// left edges (dy < 0) give x ≥ ⌈N / D⌉, right edges (dy > 0) x ≤ ⌊N / D⌋.
struct EdgeWalk {
  bool left = false, flat = false;
  int64_t quotient = 0, remainder = 0, divisor = 1, stepQuotient = 0, stepRemainder = 0;
  int64_t k = 0, kStep = 0;  // for edges without height: inside when k ≥ 0

  EdgeWalk(const Edge &e, int firstRow) {
    k = e.dx * (static_cast<int64_t>(firstRow) * kSub - e.ay) + e.dy * e.ax - e.bias;
    kStep = e.dx * kSub;
    flat = e.dy == 0;
    left = e.dy < 0;
    if (flat) return;
    divisor = (left ? -e.dy : e.dy) * kSub;
    const int64_t n = left ? -k : k, step = left ? -kStep : kStep;
    quotient = FloorDiv(n, divisor);
    remainder = n - quotient * divisor;
    stepQuotient = FloorDiv(step, divisor);
    stepRemainder = step - stepQuotient * divisor;
  }
  void Limit(int64_t &first, int64_t &last) const {
    if (flat) {
      if (k < 0) last = first - 1;
    } else if (left) {
      first = std::max(first, quotient + (remainder != 0 ? 1 : 0));
    } else {
      last = std::min(last, quotient);
    }
  }
  void NextRow() {
    if (flat) {
      k += kStep;
      return;
    }
    quotient += stepQuotient;
    remainder += stepRemainder;
    if (remainder >= divisor) remainder -= divisor, ++quotient;
  }
};

// Values to interpolate at a vertex, in Interpolant order.
void Values(const ScreenVertex &v, bool perspective, float *out) {
  out[kInterpZ] = v.z;
  out[kInterpRhw] = v.rhw;
  for (int i = 0; i < kAttributeCount; ++i) out[kInterpAttr0 + i] = v.attr[i];
  if (perspective)
    for (int i = kStage0U; i <= kStage1V; ++i) out[kInterpAttr0 + i] *= v.rhw;
}

}  // namespace

void RasteriseTriangle(const DrawSetup &setup, const Scissor &scissor, const ScreenVertex &a, const ScreenVertex &b,
                       const ScreenVertex &c, bool perspective, bool flat) {
  const ScreenVertex *v[3] = {&a, &b, &c};
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    X[i] = std::llrint(static_cast<double>(v[i]->x) * kSub);
    Y[i] = std::llrint(static_cast<double>(v[i]->y) * kSub);
  }
  int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return;
  if (area < 0) {  // make the winding clockwise on screen
    std::swap(v[1], v[2]);
    std::swap(X[1], X[2]);
    std::swap(Y[1], Y[2]);
    area = -area;
  }
  const int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
  const int top = static_cast<int>(std::max<int64_t>(CeilDiv(minY, kSub), scissor.top));
  const int bottom = static_cast<int>(std::min<int64_t>(FloorDiv(maxY, kSub), scissor.bottom - 1));
  if (top > bottom) return;

  // Plane equations of the interpolated values over the snapped positions.
  float values[3][kInterpolantCount];
  for (int i = 0; i < 3; ++i) Values(*v[i], perspective, values[i]);
  if (flat) {
    // Colours come from the first vertex of the triangle as given.
    float first[kInterpolantCount];
    Values(a, perspective, first);
    for (int i = 0; i < 3; ++i)
      for (int k = kDiffuseR; k <= kSpecularB; ++k) values[i][kInterpAttr0 + k] = first[kInterpAttr0 + k];
  }
  const double x0 = static_cast<double>(X[0]) / kSub, y0 = static_cast<double>(Y[0]) / kSub;
  const double e1x = static_cast<double>(X[1] - X[0]) / kSub, e1y = static_cast<double>(Y[1] - Y[0]) / kSub;
  const double e2x = static_cast<double>(X[2] - X[0]) / kSub, e2y = static_cast<double>(Y[2] - Y[0]) / kSub;
  const double inverseArea = 1.0 / (e1x * e2y - e2x * e1y);
  // Only the interpolants the pixel stage reads get a plane.
  const int *used = setup.interpolants;
  const int usedCount = setup.interpolantCount;
  double ddx[kInterpolantCount], ddy[kInterpolantCount];
  SpanValues span;
  for (int i = 0; i < usedCount; ++i) {
    const int k = used[i];
    const double d1 = values[1][k] - values[0][k], d2 = values[2][k] - values[0][k];
    ddx[k] = (d1 * e2y - d2 * e1y) * inverseArea;
    ddy[k] = (d2 * e1x - d1 * e2x) * inverseArea;
    span.ddx[k] = static_cast<float>(ddx[k]);
    span.ddy[k] = static_cast<float>(ddy[k]);
  }

  EdgeWalk edges[3] = {EdgeWalk(MakeEdge(X[0], Y[0], X[1], Y[1]), top), EdgeWalk(MakeEdge(X[1], Y[1], X[2], Y[2]), top),
                       EdgeWalk(MakeEdge(X[2], Y[2], X[0], Y[0]), top)};
  for (int y = top; y <= bottom; ++y) {
    int64_t left = scissor.left, right = scissor.right - 1;
    for (EdgeWalk &e : edges) {
      e.Limit(left, right);
      e.NextRow();
    }
    if (left > right) continue;
    const double px = static_cast<double>(left) - x0, py = static_cast<double>(y) - y0;
    for (int i = 0; i < usedCount; ++i) {
      const int k = used[i];
      span.at[k] = static_cast<float>(values[0][k] + ddx[k] * px + ddy[k] * py);
    }
    ShadeSpan(setup, static_cast<int>(left), y, static_cast<int>(right - left + 1), span);
  }
}

void RasteriseLine(const DrawSetup &setup, const Scissor &scissor, const ScreenVertex &a, const ScreenVertex &b,
                   bool lastPixel, bool perspective, bool flat) {
  float va[kInterpolantCount], vb[kInterpolantCount];
  Values(a, perspective, va);
  Values(b, perspective, vb);
  if (flat)
    for (int k = kDiffuseR; k <= kSpecularB; ++k) vb[kInterpAttr0 + k] = va[kInterpAttr0 + k];
  const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
  const double length = std::max(std::fabs(dx), std::fabs(dy));
  const int64_t steps = std::llrint(length);
  SpanValues span{};
  const int64_t last = lastPixel ? steps : steps - 1;
  for (int64_t i = 0; i <= last; ++i) {
    const double t = steps > 0 ? static_cast<double>(i) / static_cast<double>(steps) : 0.0;
    const int64_t px = static_cast<int64_t>(std::floor(a.x + dx * t + 0.5));
    const int64_t py = static_cast<int64_t>(std::floor(a.y + dy * t + 0.5));
    if (px < scissor.left || px >= scissor.right || py < scissor.top || py >= scissor.bottom) continue;
    for (int k = 0; k < kInterpolantCount; ++k) span.at[k] = static_cast<float>(va[k] + (vb[k] - va[k]) * t);
    ShadeSpan(setup, static_cast<int>(px), static_cast<int>(py), 1, span);
  }
}

void RasterisePoint(const DrawSetup &setup, const Scissor &scissor, const ScreenVertex &a, bool perspective) {
  const double fx = std::floor(static_cast<double>(a.x) + 0.5), fy = std::floor(static_cast<double>(a.y) + 0.5);
  if (!(fx >= scissor.left && fx < scissor.right && fy >= scissor.top && fy < scissor.bottom)) return;
  SpanValues span{};
  Values(a, perspective, span.at);
  ShadeSpan(setup, static_cast<int>(fx), static_cast<int>(fy), 1, span);
}

}  // namespace raster
