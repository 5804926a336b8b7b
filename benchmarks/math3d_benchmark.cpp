// Timings of the matrix, transformation, interpolation and normalisation
// exports, called through the library as a host calls them.
#include <benchmark/benchmark.h>
#include <math.h>

#include "korvane.h"

namespace {

D3DMATRIX AffineMatrix() {
  const float c = cosf(0.7f), s = sinf(0.7f);
  return D3DMATRIX{2 * c, 2 * s, 0, 0, -3 * s, 3 * c, 0, 0, 0.5f, 0.25f, 4, 0, 5, -6, 7, 1};
}

void BM_MatrixMultiply(benchmark::State &state) {
  const D3DMATRIX a = AffineMatrix(), b = AffineMatrix();
  D3DMATRIX q;
  for (auto _ : state) {
    MATRIX_MULTIPLY(&q, &a, &b);
    benchmark::DoNotOptimize(q);
  }
}
BENCHMARK(BM_MatrixMultiply);

void BM_MatrixInvert(benchmark::State &state) {
  const D3DMATRIX a = AffineMatrix();
  D3DMATRIX q;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MATRIX_INVERT(&q, &a));
    benchmark::DoNotOptimize(q);
  }
}
BENCHMARK(BM_MatrixInvert);

void BM_VectorMatrixMultiply(benchmark::State &state) {
  const D3DMATRIX m = AffineMatrix();
  const D3DVECTOR in = {1.5f, -2.0f, 0.75f};
  D3DVECTOR out;
  for (auto _ : state) {
    benchmark::DoNotOptimize(VECTOR_MATRIX_MULTIPLY(&out, &in, &m));
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_VectorMatrixMultiply);

// Argument 0: quaternions far apart (the trigonometric branch);
// argument 1: equal quaternions (the linear branch).
void BM_QuaternionSlerp(benchmark::State &state) {
  const bool equal = state.range(0) != 0;
  const float bz = equal ? 0.0f : sinf(0.6f), bw = equal ? 1.0f : cosf(0.6f);
  float x, y, z, w;
  float t = 0.0f;
  for (auto _ : state) {
    QUATERNION_SLERP(&x, &y, &z, &w, 0, 0, 0, 1, 0, 0, bz, bw, t);
    benchmark::DoNotOptimize(w);
    t = t < 1.0f ? t + 0.001f : 0.0f;
  }
}
BENCHMARK(BM_QuaternionSlerp)->Arg(0)->Arg(1);

void BM_NormalizeVector(benchmark::State &state) {
  D3DVECTOR v;
  for (auto _ : state) {
    v = {3.0f, 1.0f, 4.0f};  // a fresh, unnormalised input each time
    benchmark::DoNotOptimize(NORMALIZE_VECTOR(&v));
  }
}
BENCHMARK(BM_NormalizeVector);

}  // namespace
