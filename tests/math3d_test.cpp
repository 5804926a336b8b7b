// Tests of the vector, matrix and quaternion exports.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include "korvane.h"

namespace {

const float kPi = 3.14159265358979f;

D3DMATRIX Identity() {
  return D3DMATRIX{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

D3DMATRIX Translation(float tx, float ty, float tz) {
  D3DMATRIX m = Identity();
  m._41 = tx;
  m._42 = ty;
  m._43 = tz;
  return m;
}

// Sixteen floats in row order, for comparisons in loops.
void Entries(const D3DMATRIX &m, float out[16]) { memcpy(out, &m, sizeof(float) * 16); }

void ExpectMatrixNear(const D3DMATRIX &actual, const D3DMATRIX &expected, float tolerance) {
  float a[16], e[16];
  Entries(actual, a);
  Entries(expected, e);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], e[i], tolerance) << "entry " << i / 4 + 1 << i % 4 + 1;
}

void ExpectVectorEq(const D3DVECTOR &v, float x, float y, float z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

struct Quaternion {
  float x, y, z, w;
};

void ExpectQuaternionNear(const Quaternion &q, const Quaternion &e, float tolerance) {
  EXPECT_NEAR(q.x, e.x, tolerance);
  EXPECT_NEAR(q.y, e.y, tolerance);
  EXPECT_NEAR(q.z, e.z, tolerance);
  EXPECT_NEAR(q.w, e.w, tolerance);
}

}  // namespace

TEST(Math3dVectorTest, CrossProducts) {
  const struct {
    D3DVECTOR a, b, expected;
  } cases[] = {
      {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
      {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},
      {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
      {{2, -3, 4}, {2, -3, 4}, {0, 0, 0}},
      {{1, 2, 3}, {4, 5, 6}, {-3, 6, -3}},
  };
  for (const auto &c : cases) {
    const D3DVECTOR *r = CROSS_PRODUCT(&c.a, &c.b);
    ExpectVectorEq(*r, c.expected.x, c.expected.y, c.expected.z);
  }
}

TEST(Math3dVectorTest, DotAndMagnitudes) {
  const D3DVECTOR a = {1, 2, 3}, b = {4, -5, 6}, v = {3, 0, 4};
  EXPECT_EQ(*DOT_PRODUCT(&a, &b), 12.0f);
  EXPECT_EQ(*SQUARE_MAGNITUDE(&v), 25.0f);
  EXPECT_EQ(*MAGNITUDE(&v), 5.0f);
}

TEST(Math3dVectorTest, EachPointerExportKeepsItsOwnResult) {
  const D3DVECTOR a = {1, 2, 3}, b = {4, -5, 6};
  const float *dot = DOT_PRODUCT(&a, &b);
  const float *square = SQUARE_MAGNITUDE(&a);
  const float *largest = MAX_COMPONENT(&b);
  EXPECT_NE(dot, square);
  EXPECT_EQ(*dot, 12.0f);
  EXPECT_EQ(*square, 14.0f);
  EXPECT_EQ(*largest, 6.0f);
  EXPECT_NE(static_cast<void *>(CROSS_PRODUCT(&a, &b)), static_cast<void *>(MAXIMIZE_COMPONENTS(&a, &b)));
}

TEST(Math3dVectorTest, LargestAndSmallestComponents) {
  const struct {
    D3DVECTOR v;
    float largest, smallest;
  } cases[] = {
      {{2, 5, 5}, 5, 2},   {{-1, -1, 3}, 3, -1}, {{7, 1, 9}, 9, 1},
      {{0, -4, 2}, 2, -4}, {{-2, -2, -2}, -2, -2},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(*MAX_COMPONENT(&c.v), c.largest);
    EXPECT_EQ(*MIN_COMPONENT(&c.v), c.smallest);
  }
  // Signed zeros compare equal; a tie keeps the earlier component.
  const D3DVECTOR zeros = {0.0f, -0.0f, -0.0f};
  EXPECT_FALSE(signbit(*MAX_COMPONENT(&zeros)));
  EXPECT_FALSE(signbit(*MIN_COMPONENT(&zeros)));
}

TEST(Math3dVectorTest, ComponentWiseMaximumAndMinimum) {
  const D3DVECTOR a = {1, 5, -2}, b = {3, 2, -2};
  ExpectVectorEq(*MAXIMIZE_COMPONENTS(&a, &b), 3, 5, -2);
  ExpectVectorEq(*MINIMIZE_COMPONENTS(&a, &b), 1, 2, -2);
  // On a tie the component comes from b.
  const D3DVECTOR pz = {0.0f, 0.0f, 0.0f}, nz = {-0.0f, -0.0f, -0.0f};
  EXPECT_TRUE(signbit(MAXIMIZE_COMPONENTS(&pz, &nz)->x));
  EXPECT_FALSE(signbit(MINIMIZE_COMPONENTS(&nz, &pz)->y));
}

TEST(Math3dVectorTest, NormalizeInPlace) {
  D3DVECTOR v = {3, 0, 4};
  EXPECT_EQ(NORMALIZE_VECTOR(&v), &v);
  EXPECT_FLOAT_EQ(v.x, 0.6f);
  EXPECT_EQ(v.y, 0.0f);
  EXPECT_FLOAT_EQ(v.z, 0.8f);

  D3DVECTOR zero = {0, 0, 0};
  NORMALIZE_VECTOR(&zero);
  EXPECT_TRUE(isnan(zero.x) && isnan(zero.y) && isnan(zero.z));
}

class Math3dMatrixTest : public ::testing::Test {
 protected:
  // Small integers keep every product exact.
  const D3DMATRIX a_{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const D3DMATRIX b_{2, 0, 1, 3, -1, 4, 0, 2, 5, 1, -2, 0, 0, 3, 1, 1};

  static D3DMATRIX Product(const D3DMATRIX &a, const D3DMATRIX &b) {
    float x[16], y[16], r[16];
    Entries(a, x);
    Entries(b, y);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        double sum = 0;
        for (int k = 0; k < 4; ++k) sum += static_cast<double>(x[i * 4 + k]) * y[k * 4 + j];
        r[i * 4 + j] = static_cast<float>(sum);
      }
    D3DMATRIX m;
    memcpy(&m, r, sizeof r);
    return m;
  }
};

TEST_F(Math3dMatrixTest, MultiplyIncludingAliasedOutput) {
  const D3DMATRIX expected = Product(a_, b_);
  D3DMATRIX q;
  MATRIX_MULTIPLY(&q, &a_, &b_);
  EXPECT_EQ(memcmp(&q, &expected, sizeof q), 0);

  D3DMATRIX qa = a_;
  MATRIX_MULTIPLY(&qa, &qa, &b_);
  EXPECT_EQ(memcmp(&qa, &expected, sizeof qa), 0);

  D3DMATRIX qb = b_;
  MATRIX_MULTIPLY(&qb, &a_, &qb);
  EXPECT_EQ(memcmp(&qb, &expected, sizeof qb), 0);
}

TEST_F(Math3dMatrixTest, InvertAcceptsOnlyNearlyAffineMatrices) {
  const struct {
    int entry;  // index of _14, _24, _34 or _44 in row order
    float value;
    int result;
  } cases[] = {
      {15, 1.0005f, 0}, {15, 0.9995f, 0}, {15, 1.002f, 1}, {3, 0.01f, 1},
      {7, -0.01f, 1},   {11, 0.01f, 1},   {3, 0.0005f, 0},
  };
  for (const auto &c : cases) {
    float e[16];
    Entries(Translation(1, 2, 3), e);
    e[c.entry] = c.value;
    D3DMATRIX a, q;
    memcpy(&a, e, sizeof a);
    memset(&q, 0x5A, sizeof q);
    const D3DMATRIX before = q;
    EXPECT_EQ(MATRIX_INVERT(&q, &a), c.result) << c.entry << " = " << c.value;
    if (c.result == 1) {
      EXPECT_EQ(memcmp(&q, &before, sizeof q), 0);
    } else {
      // The fourth column is taken as exactly 0 0 0 1.
      ExpectMatrixNear(q, Translation(-1, -2, -3), 0.0f);
    }
  }
}

TEST_F(Math3dMatrixTest, InverseOfAffineMatrixUndoesIt) {
  // A rotation about z, a non-uniform scale and a translation.
  const float c = cosf(0.7f), s = sinf(0.7f);
  const D3DMATRIX a{2 * c, 2 * s, 0, 0, -3 * s, 3 * c, 0, 0, 0.5f, 0.25f, 4, 0, 5, -6, 7, 1};
  D3DMATRIX inverse, product;
  ASSERT_EQ(MATRIX_INVERT(&inverse, &a), 0);
  MATRIX_MULTIPLY(&product, &a, &inverse);
  ExpectMatrixNear(product, Identity(), 1e-5f);
  MATRIX_MULTIPLY(&product, &inverse, &a);
  ExpectMatrixNear(product, Identity(), 1e-5f);

  // In place, with Q the same record as A.
  D3DMATRIX same = a;
  ASSERT_EQ(MATRIX_INVERT(&same, &same), 0);
  EXPECT_EQ(memcmp(&same, &inverse, sizeof same), 0);
}

TEST(Math3dTransformTest, VectorByMatrix) {
  const D3DMATRIX identity = Identity();
  const D3DVECTOR in = {1.5f, -2.25f, 3.0f};
  D3DVECTOR out = {9, 9, 9};
  EXPECT_EQ(VECTOR_MATRIX_MULTIPLY(&out, &in, &identity), 0);
  ExpectVectorEq(out, in.x, in.y, in.z);

  // Translation then division by w = 2 (from _44).
  D3DMATRIX m = Translation(1, 2, 3);
  m._44 = 2.0f;
  EXPECT_EQ(VECTOR_MATRIX_MULTIPLY(&out, &in, &m), 0);
  ExpectVectorEq(out, 1.25f, -0.125f, 3.0f);

  // w = 0.000001 is refused and out keeps its value.
  m = Identity();
  m._44 = 0.000001f;
  const D3DVECTOR origin = {0, 0, 0};
  out = {7, 8, 9};
  EXPECT_EQ(VECTOR_MATRIX_MULTIPLY(&out, &origin, &m), 1);
  ExpectVectorEq(out, 7, 8, 9);
}

TEST(Math3dTransformTest, VertexByTranslationMovesNormalAndKeepsOutTexture) {
  const D3DMATRIX m = Translation(10, 20, 30);
  const D3DVERTEX in = {1, 2, 3, 0, 1, 0, 0.25f, 0.75f};
  D3DVERTEX out = {0, 0, 0, 0, 0, 0, 0.5f, 0.125f};
  EXPECT_EQ(VERTEX_MATRIX_MULTIPLY(&out, &in, &m), 0);
  const float expected[8] = {11, 22, 33, 10, 21, 30, 0.5f, 0.125f};
  float actual[8];
  memcpy(actual, &out, sizeof actual);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(actual[i], expected[i]) << i;

  // In place the vertex keeps its own texture coordinates.
  D3DVERTEX v = in;
  EXPECT_EQ(VERTEX_MATRIX_MULTIPLY(&v, &v, &m), 0);
  EXPECT_EQ(v.x, 11.0f);
  EXPECT_EQ(v.tu, 0.25f);
  EXPECT_EQ(v.tv, 0.75f);

  // A normal whose w vanishes fails the whole call, leaving out untouched.
  D3DMATRIX p = Identity();
  p._14 = 1.0f;
  p._44 = 0.0f;
  const D3DVERTEX bad = {1, 0, 0, 0, 0, 0, 0, 0};  // position w = 1, normal w = 0
  const D3DVERTEX before = out;
  EXPECT_EQ(VERTEX_MATRIX_MULTIPLY(&out, &bad, &p), 1);
  EXPECT_EQ(memcmp(&out, &before, sizeof out), 0);
}

TEST(Math3dQuaternionTest, AxisAngleConversions) {
  const D3DVECTOR z = {0, 0, 1};
  Quaternion q;
  QUATERNION_FROM_ROTATION(&q.x, &q.y, &q.z, &q.w, &z, kPi);
  volatile float halfPi = kPi / 2.0f;  // keeps the cosine a run-time float cosine
  EXPECT_EQ(q.x, 0.0f);
  EXPECT_EQ(q.y, 0.0f);
  EXPECT_EQ(q.z, 1.0f);
  EXPECT_EQ(q.w, cosf(halfPi));

  const D3DVECTOR y = {0, 1, 0};
  QUATERNION_FROM_ROTATION(&q.x, &q.y, &q.z, &q.w, &y, 1.2f);
  D3DVECTOR axis;
  float theta;
  ROTATION_FROM_QUATERNION(&axis, &theta, q.x, q.y, q.z, q.w);
  EXPECT_NEAR(theta, 1.2f, 1e-6f);
  EXPECT_NEAR(axis.x, 0.0f, 1e-6f);
  EXPECT_NEAR(axis.y, 1.0f, 1e-6f);
  EXPECT_NEAR(axis.z, 0.0f, 1e-6f);

  ROTATION_FROM_QUATERNION(&axis, &theta, 0, 0, 0, 1);
  EXPECT_EQ(theta, 0.0f);
  EXPECT_TRUE(isnan(axis.x) && isnan(axis.y) && isnan(axis.z));
}

TEST(Math3dQuaternionTest, EachAngleAloneTurnsAboutItsAxis) {
  const float a = 0.8f, s = sinf(a / 2), c = cosf(a / 2);
  const struct {
    float a1, a2, a3;
    Quaternion expected;
  } cases[] = {
      {a, 0, 0, {0, 0, s, c}},
      {0, a, 0, {0, s, 0, c}},
      {0, 0, a, {s, 0, 0, c}},
  };
  for (const auto &k : cases) {
    Quaternion q;
    QUATERNION_FROM_ANGLES(&q.x, &q.y, &q.z, &q.w, k.a1, k.a2, k.a3);
    ExpectQuaternionNear(q, k.expected, 0.0f);
  }
}

TEST(Math3dQuaternionTest, QuaternionFromMatrixSpecialMatrices) {
  Quaternion q;
  D3DMATRIX m = Identity();
  QUATERNION_FROM_MATRIX(&q.x, &q.y, &q.z, &q.w, &m);
  ExpectQuaternionNear(q, {0, 0, 0, 1}, 0.0f);
  ExpectMatrixNear(m, Identity(), 0.0f);

  // A half turn about z has a 3x3 trace of -1: zero quaternion, identity matrix.
  m = Translation(4, 5, 6);
  m._11 = -1;
  m._22 = -1;
  QUATERNION_FROM_MATRIX(&q.x, &q.y, &q.z, &q.w, &m);
  ExpectQuaternionNear(q, {0, 0, 0, 0}, 0.0f);
  ExpectMatrixNear(m, Identity(), 0.0f);
}

TEST(Math3dQuaternionTest, MatrixAndQuaternionRoundTrip) {
  // Rotation by 0.9 rad about the unit axis (1, 2, 2) / 3, plus a translation.
  const D3DVECTOR axis = {1.0f / 3, 2.0f / 3, 2.0f / 3};
  Quaternion q;
  QUATERNION_FROM_ROTATION(&q.x, &q.y, &q.z, &q.w, &axis, 0.9f);
  D3DMATRIX m;
  MATRIX_FROM_QUATERNION(&m, q.x, q.y, q.z, q.w);

  const D3DMATRIX rotation = m;
  m._41 = 3;
  m._42 = -4;
  Quaternion back;
  QUATERNION_FROM_MATRIX(&back.x, &back.y, &back.z, &back.w, &m);
  ExpectQuaternionNear(back, q, 1e-6f);
  ExpectMatrixNear(m, rotation, 1e-6f);
}

TEST(Math3dQuaternionTest, Products) {
  const Quaternion a = {0.1f, -0.7f, 0.1f, 0.7f};  // unit length
  Quaternion r;
  QUATERNION_MULTIPLY(&r.x, &r.y, &r.z, &r.w, a.x, a.y, a.z, a.w, 0, 0, 0, 1);
  ExpectQuaternionNear(r, a, 0.0f);
  QUATERNION_MULTIPLY(&r.x, &r.y, &r.z, &r.w, 0, 0, 0, 1, a.x, a.y, a.z, a.w);
  ExpectQuaternionNear(r, a, 0.0f);

  // i.j = k, j.i = -k, and (1, 2, 3, 4).(5, 6, 7, 8) worked by hand.
  QUATERNION_MULTIPLY(&r.x, &r.y, &r.z, &r.w, 1, 0, 0, 0, 0, 1, 0, 0);
  ExpectQuaternionNear(r, {0, 0, 1, 0}, 0.0f);
  QUATERNION_MULTIPLY(&r.x, &r.y, &r.z, &r.w, 0, 1, 0, 0, 1, 0, 0, 0);
  ExpectQuaternionNear(r, {0, 0, -1, 0}, 0.0f);
  QUATERNION_MULTIPLY(&r.x, &r.y, &r.z, &r.w, 1, 2, 3, 4, 5, 6, 7, 8);
  ExpectQuaternionNear(r, {24, 48, 48, -6}, 0.0f);

  // The matrix of a.b is the matrix of a times the matrix of b.
  const Quaternion b = {0.5f, 0.5f, -0.5f, 0.5f};
  D3DMATRIX ma, mb, mab, product;
  MATRIX_FROM_QUATERNION(&ma, a.x, a.y, a.z, a.w);
  MATRIX_FROM_QUATERNION(&mb, b.x, b.y, b.z, b.w);
  QUATERNION_MULTIPLY(&r.x, &r.y, &r.z, &r.w, a.x, a.y, a.z, a.w, b.x, b.y, b.z, b.w);
  MATRIX_FROM_QUATERNION(&mab, r.x, r.y, r.z, r.w);
  MATRIX_MULTIPLY(&product, &ma, &mb);
  ExpectMatrixNear(mab, product, 1e-6f);
}

TEST(Math3dQuaternionTest, Slerp) {
  const Quaternion a = {0, 0, 0, 1};
  const float h = sinf(kPi / 4), ch = cosf(kPi / 4);
  const Quaternion b = {0, 0, h, ch};  // a quarter turn about z
  Quaternion r;
  QUATERNION_SLERP(&r.x, &r.y, &r.z, &r.w, a.x, a.y, a.z, a.w, b.x, b.y, b.z, b.w, 0.0f);
  ExpectQuaternionNear(r, a, 0.0f);
  QUATERNION_SLERP(&r.x, &r.y, &r.z, &r.w, a.x, a.y, a.z, a.w, b.x, b.y, b.z, b.w, 1.0f);
  ExpectQuaternionNear(r, b, 0.0f);
  QUATERNION_SLERP(&r.x, &r.y, &r.z, &r.w, a.x, a.y, a.z, a.w, b.x, b.y, b.z, b.w, 0.5f);
  ExpectQuaternionNear(r, {0, 0, sinf(kPi / 8), cosf(kPi / 8)}, 1e-6f);

  // Opposite half-spaces: the far end is -b.
  QUATERNION_SLERP(&r.x, &r.y, &r.z, &r.w, a.x, a.y, a.z, a.w, -b.x, -b.y, -b.z, -b.w, 1.0f);
  ExpectQuaternionNear(r, b, 0.0f);
  EXPECT_FALSE(signbit(r.w));

  // Equal quaternions blend linearly instead of dividing by sin(0).
  const Quaternion e = {0.6f, 0, 0, 0.8f};
  const float t = 0.3f;
  QUATERNION_SLERP(&r.x, &r.y, &r.z, &r.w, e.x, e.y, e.z, e.w, e.x, e.y, e.z, e.w, t);
  ExpectQuaternionNear(r, {(1 - t) * e.x + t * e.x, 0, 0, (1 - t) * e.w + t * e.w}, 0.0f);
}

TEST(Math3dNullTest, NullPointersAreHarmless) {
  const D3DVECTOR v = {1, 2, 3};
  const float *dot = DOT_PRODUCT(&v, nullptr);
  ASSERT_NE(dot, nullptr);
  EXPECT_EQ(*dot, 0.0f);
  ExpectVectorEq(*CROSS_PRODUCT(nullptr, &v), 0, 0, 0);
  ExpectVectorEq(*MAXIMIZE_COMPONENTS(&v, nullptr), 0, 0, 0);
  ExpectVectorEq(*MINIMIZE_COMPONENTS(nullptr, nullptr), 0, 0, 0);
  EXPECT_EQ(*SQUARE_MAGNITUDE(nullptr), 0.0f);
  EXPECT_EQ(*MAGNITUDE(nullptr), 0.0f);
  EXPECT_EQ(*MAX_COMPONENT(nullptr), 0.0f);
  EXPECT_EQ(*MIN_COMPONENT(nullptr), 0.0f);
  EXPECT_EQ(NORMALIZE_VECTOR(nullptr), nullptr);

  D3DMATRIX m = Identity();
  D3DVECTOR out = {4, 5, 6};
  D3DVERTEX vertex = {};
  MATRIX_MULTIPLY(nullptr, &m, &m);
  MATRIX_MULTIPLY(&m, nullptr, &m);
  EXPECT_EQ(MATRIX_INVERT(nullptr, &m), 1);
  EXPECT_EQ(MATRIX_INVERT(&m, nullptr), 1);
  EXPECT_EQ(VECTOR_MATRIX_MULTIPLY(&out, &v, nullptr), 1);
  EXPECT_EQ(VECTOR_MATRIX_MULTIPLY(&out, nullptr, &m), 1);
  ExpectVectorEq(out, 4, 5, 6);
  EXPECT_EQ(VERTEX_MATRIX_MULTIPLY(nullptr, &vertex, &m), 1);
  ExpectMatrixNear(m, Identity(), 0.0f);

  // Only the non-null outputs are written.
  float w = -1, theta = -1;
  QUATERNION_FROM_ROTATION(nullptr, nullptr, nullptr, &w, &v, 0.0f);
  EXPECT_EQ(w, 1.0f);
  QUATERNION_SLERP(nullptr, nullptr, nullptr, &w, 0, 0, 0, 1, 0, 0, 0, 1, 0.5f);
  QUATERNION_MULTIPLY(nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 1, 0, 0, 0, 1);
  QUATERNION_FROM_ANGLES(nullptr, nullptr, nullptr, nullptr, 1, 2, 3);
  ROTATION_FROM_QUATERNION(nullptr, &theta, 0, 0, 0, 1);
  EXPECT_EQ(theta, 0.0f);
  QUATERNION_FROM_MATRIX(nullptr, nullptr, nullptr, &w, &m);
  EXPECT_EQ(w, 1.0f);
  QUATERNION_FROM_MATRIX(&w, &w, &w, &w, nullptr);
  MATRIX_FROM_QUATERNION(nullptr, 0, 0, 0, 1);
  w = -1;
  QUATERNION_FROM_ROTATION(&w, &w, &w, &w, nullptr, 1.0f);
  EXPECT_EQ(w, -1.0f);
}
