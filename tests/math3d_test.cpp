// Tests of the vector, matrix and quaternion exports.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include "korvane.h"

namespace {

const float kPi = 3.14159265358979f;

struct Quaternion {
  float x, y, z, w;
};
#define OUT4(q) &(q).x, &(q).y, &(q).z, &(q).w
#define IN4(q) (q).x, (q).y, (q).z, (q).w

D3DMATRIX Translation(float tx, float ty, float tz) {
  return D3DMATRIX{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, tx, ty, tz, 1};
}
const D3DMATRIX kIdentity = Translation(0, 0, 0);

// A rotation about z, a non-uniform scale and a translation.
D3DMATRIX Affine() {
  const float c = cosf(0.7f), s = sinf(0.7f);
  return D3DMATRIX{2 * c, 2 * s, 0, 0, -3 * s, 3 * c, 0, 0, 0.5f, 0.25f, 4, 0, 5, -6, 7, 1};
}

void ExpectMatrixNear(const D3DMATRIX &actual, const D3DMATRIX &expected, float tolerance) {
  float a[16], e[16];
  memcpy(a, &actual, sizeof a);
  memcpy(e, &expected, sizeof e);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], e[i], tolerance) << "_" << i / 4 + 1 << i % 4 + 1;
}

void ExpectVectorEq(const D3DVECTOR &v, float x, float y, float z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

void ExpectQuaternionNear(const Quaternion &q, const Quaternion &e, float tolerance) {
  EXPECT_NEAR(q.x, e.x, tolerance);
  EXPECT_NEAR(q.y, e.y, tolerance);
  EXPECT_NEAR(q.z, e.z, tolerance);
  EXPECT_NEAR(q.w, e.w, tolerance);
}

}  // namespace

TEST(Math3dVectorTest, ProductsAndMagnitudes) {
  const struct {
    D3DVECTOR a, b, cross;
  } cases[] = {
      {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
      {{2, -3, 4}, {2, -3, 4}, {0, 0, 0}},
      {{1, 2, 3}, {4, 5, 6}, {-3, 6, -3}},
  };
  for (const auto &c : cases) ExpectVectorEq(*CROSS_PRODUCT(&c.a, &c.b), c.cross.x, c.cross.y, c.cross.z);

  const D3DVECTOR a = {1, 2, 3}, b = {4, -5, 6}, v = {3, 0, 4};
  EXPECT_EQ(*DOT_PRODUCT(&a, &b), 12.0f);
  EXPECT_EQ(*SQUARE_MAGNITUDE(&v), 25.0f);
  EXPECT_EQ(*MAGNITUDE(&v), 5.0f);
}

TEST(Math3dVectorTest, ComponentExtremesKeepEarlierOnTies) {
  const struct {
    D3DVECTOR v;
    float largest, smallest;
  } cases[] = {{{2, 5, 5}, 5, 2}, {{-1, -1, 3}, 3, -1}, {{7, 1, 9}, 9, 1}, {{0, -4, 2}, 2, -4}};
  for (const auto &c : cases) {
    EXPECT_EQ(*MAX_COMPONENT(&c.v), c.largest);
    EXPECT_EQ(*MIN_COMPONENT(&c.v), c.smallest);
  }
  // Signed zeros compare equal, so the sign shows which component won.
  const D3DVECTOR zeros = {0.0f, -0.0f, -0.0f};
  EXPECT_FALSE(signbit(*MAX_COMPONENT(&zeros)));
  EXPECT_FALSE(signbit(*MIN_COMPONENT(&zeros)));

  const D3DVECTOR a = {1, 5, -2}, b = {3, 2, -2};
  ExpectVectorEq(*MAXIMIZE_COMPONENTS(&a, &b), 3, 5, -2);
  ExpectVectorEq(*MINIMIZE_COMPONENTS(&a, &b), 1, 2, -2);
  const D3DVECTOR pz = {0.0f, 0.0f, 0.0f}, nz = {-0.0f, -0.0f, -0.0f};
  EXPECT_TRUE(signbit(MAXIMIZE_COMPONENTS(&pz, &nz)->x));  // a tie takes b's
  EXPECT_FALSE(signbit(MINIMIZE_COMPONENTS(&nz, &pz)->y));
}

TEST(Math3dVectorTest, NormalizeInPlace) {
  D3DVECTOR v = {3, 0, 4}, zero = {0, 0, 0};
  EXPECT_EQ(NORMALIZE_VECTOR(&v), &v);
  EXPECT_FLOAT_EQ(v.x, 0.6f);
  EXPECT_EQ(v.y, 0.0f);
  EXPECT_FLOAT_EQ(v.z, 0.8f);
  NORMALIZE_VECTOR(&zero);
  EXPECT_TRUE(isnan(zero.x) && isnan(zero.y) && isnan(zero.z));
}

TEST(Math3dMatrixTest, MultiplyWithOutputAliasingEitherInput) {
  // Small integers keep every product exact; the expected entries are worked in double.
  const D3DMATRIX a{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const D3DMATRIX b{2, 0, 1, 3, -1, 4, 0, 2, 5, 1, -2, 0, 0, 3, 1, 1};
  float x[16], y[16], e[16];
  memcpy(x, &a, sizeof x);
  memcpy(y, &b, sizeof y);
  for (int i = 0; i < 16; ++i) {
    double sum = 0;
    for (int k = 0; k < 4; ++k) sum += static_cast<double>(x[i / 4 * 4 + k]) * y[k * 4 + i % 4];
    e[i] = static_cast<float>(sum);
  }
  D3DMATRIX expected, q, qa = a, qb = b;
  memcpy(&expected, e, sizeof e);
  MATRIX_MULTIPLY(&q, &a, &b);
  MATRIX_MULTIPLY(&qa, &qa, &b);
  MATRIX_MULTIPLY(&qb, &a, &qb);
  for (const D3DMATRIX *r : {&q, &qa, &qb}) EXPECT_EQ(memcmp(r, &expected, sizeof expected), 0);
}

TEST(Math3dMatrixTest, InvertRefusesNonAffineAndLeavesOutput) {
  const struct {
    int entry;  // row-order index of _14, _24, _34 or _44
    float value;
    int result;
  } cases[] = {{15, 1.0005f, 0}, {15, 0.9995f, 0}, {15, 1.002f, 1}, {3, 0.0005f, 0},
               {3, 0.01f, 1},    {7, -0.01f, 1},   {11, 0.01f, 1}};
  for (const auto &c : cases) {
    float e[16];
    const D3DMATRIX t = Translation(1, 2, 3);
    memcpy(e, &t, sizeof e);
    e[c.entry] = c.value;
    D3DMATRIX a, q;
    memcpy(&a, e, sizeof a);
    memset(&q, 0x5A, sizeof q);
    const D3DMATRIX before = q;
    EXPECT_EQ(MATRIX_INVERT(&q, &a), c.result) << c.entry << " = " << c.value;
    if (c.result == 1)
      EXPECT_EQ(memcmp(&q, &before, sizeof q), 0);
    else  // the fourth column is taken as exactly 0 0 0 1
      ExpectMatrixNear(q, Translation(-1, -2, -3), 0.0f);
  }
}

TEST(Math3dMatrixTest, InverseUndoesAffineMatrix) {
  const D3DMATRIX a = Affine();
  D3DMATRIX inverse, product, same = a;
  ASSERT_EQ(MATRIX_INVERT(&inverse, &a), 0);
  MATRIX_MULTIPLY(&product, &a, &inverse);
  ExpectMatrixNear(product, kIdentity, 1e-5f);
  MATRIX_MULTIPLY(&product, &inverse, &a);
  ExpectMatrixNear(product, kIdentity, 1e-5f);
  ASSERT_EQ(MATRIX_INVERT(&same, &same), 0);
  EXPECT_EQ(memcmp(&same, &inverse, sizeof same), 0);
}

TEST(Math3dTransformTest, VectorByMatrix) {
  const D3DVECTOR in = {1.5f, -2.25f, 3.0f}, origin = {0, 0, 0};
  D3DVECTOR out = {9, 9, 9};
  EXPECT_EQ(VECTOR_MATRIX_MULTIPLY(&out, &in, &kIdentity), 0);
  ExpectVectorEq(out, in.x, in.y, in.z);

  // Row vector times M, translated, then divided by w = 2.
  D3DMATRIX m{1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 5, 0, 1, 1, 1, 2};
  EXPECT_EQ(VECTOR_MATRIX_MULTIPLY(&out, &in, &m), 0);
  ExpectVectorEq(out, -2.125f, -2.5f, 8.0f);

  m._44 = 0.000001f;
  EXPECT_EQ(VECTOR_MATRIX_MULTIPLY(&out, &origin, &m), 1);
  ExpectVectorEq(out, -2.125f, -2.5f, 8.0f);
}

TEST(Math3dTransformTest, VertexByTranslationMovesNormalAndKeepsOutTexture) {
  const D3DMATRIX m = Translation(10, 20, 30);
  const D3DVERTEX in = {1, 2, 3, 0, 1, 0, 0.25f, 0.75f};
  D3DVERTEX out = {0, 0, 0, 0, 0, 0, 0.5f, 0.125f}, v = in;
  EXPECT_EQ(VERTEX_MATRIX_MULTIPLY(&out, &in, &m), 0);
  const D3DVERTEX expected = {11, 22, 33, 10, 21, 30, 0.5f, 0.125f};
  EXPECT_EQ(memcmp(&out, &expected, sizeof out), 0);

  EXPECT_EQ(VERTEX_MATRIX_MULTIPLY(&v, &v, &m), 0);  // in place keeps its own tu, tv
  const D3DVERTEX moved = {11, 22, 33, 10, 21, 30, 0.25f, 0.75f};
  EXPECT_EQ(memcmp(&v, &moved, sizeof v), 0);

  // The position's w is 1 but the normal's is 0: the call fails as a whole.
  D3DMATRIX p = kIdentity;
  p._14 = 1.0f;
  p._44 = 0.0f;
  const D3DVERTEX bad = {1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(VERTEX_MATRIX_MULTIPLY(&out, &bad, &p), 1);
  EXPECT_EQ(memcmp(&out, &expected, sizeof out), 0);
}

TEST(Math3dQuaternionTest, AxisAngleAndAngles) {
  const D3DVECTOR z = {0, 0, 1}, y = {0, 1, 0};
  Quaternion q;
  QUATERNION_FROM_ROTATION(OUT4(q), &z, kPi);
  volatile float halfPi = kPi / 2.0f;  // a run-time float cosine, as the library takes
  EXPECT_EQ(q.x, 0.0f);
  EXPECT_EQ(q.y, 0.0f);
  EXPECT_EQ(q.z, 1.0f);
  EXPECT_EQ(q.w, cosf(halfPi));

  QUATERNION_FROM_ROTATION(OUT4(q), &y, 1.2f);
  D3DVECTOR axis;
  float theta;
  ROTATION_FROM_QUATERNION(&axis, &theta, IN4(q));
  EXPECT_NEAR(theta, 1.2f, 1e-6f);
  ExpectQuaternionNear({axis.x, axis.y, axis.z, 0}, {0, 1, 0, 0}, 1e-6f);

  ROTATION_FROM_QUATERNION(&axis, &theta, 0, 0, 0, 1);
  EXPECT_EQ(theta, 0.0f);
  EXPECT_TRUE(isnan(axis.x) && isnan(axis.y) && isnan(axis.z));

  // Alone, a1 turns about z, a2 about y, a3 about x.
  const float s = sinf(0.4f), c = cosf(0.4f);
  const struct {
    float a1, a2, a3;
    Quaternion expected;
  } cases[] = {{0.8f, 0, 0, {0, 0, s, c}}, {0, 0.8f, 0, {0, s, 0, c}}, {0, 0, 0.8f, {s, 0, 0, c}}};
  for (const auto &k : cases) {
    QUATERNION_FROM_ANGLES(OUT4(q), k.a1, k.a2, k.a3);
    ExpectQuaternionNear(q, k.expected, 0.0f);
  }
}

TEST(Math3dQuaternionTest, QuaternionFromMatrix) {
  Quaternion q;
  D3DMATRIX m = kIdentity;
  QUATERNION_FROM_MATRIX(OUT4(q), &m);
  ExpectQuaternionNear(q, {0, 0, 0, 1}, 0.0f);
  ExpectMatrixNear(m, kIdentity, 0.0f);

  m = Translation(4, 5, 6);  // a half turn about z: trace -1
  m._11 = m._22 = -1;
  QUATERNION_FROM_MATRIX(OUT4(q), &m);
  ExpectQuaternionNear(q, {0, 0, 0, 0}, 0.0f);
  ExpectMatrixNear(m, kIdentity, 0.0f);

  // Round trip: 0.9 rad about (1, 2, 2) / 3. The matrix is read in the
  // row-vector sense, so the quaternion comes back conjugated and the matrix
  // transposed; the translation is dropped.
  const D3DVECTOR axis = {1.0f / 3, 2.0f / 3, 2.0f / 3};
  Quaternion back;
  QUATERNION_FROM_ROTATION(OUT4(q), &axis, 0.9f);
  MATRIX_FROM_QUATERNION(&m, IN4(q));
  const D3DMATRIX rotation = m;
  m._41 = 3;
  m._42 = -4;
  QUATERNION_FROM_MATRIX(OUT4(back), &m);
  ExpectQuaternionNear(back, {-q.x, -q.y, -q.z, q.w}, 1e-6f);
  D3DMATRIX transposed = rotation;
  MATRIX_FROM_QUATERNION(&transposed, -q.x, -q.y, -q.z, q.w);
  ExpectMatrixNear(m, transposed, 1e-6f);
  EXPECT_NEAR(m._12, rotation._21, 1e-6f);
  EXPECT_NEAR(m._23, rotation._32, 1e-6f);
}

TEST(Math3dQuaternionTest, Products) {
  const Quaternion a = {0.1f, -0.7f, 0.1f, 0.7f}, b = {0.5f, 0.5f, -0.5f, 0.5f}, one = {0, 0, 0, 1};
  Quaternion r;
  QUATERNION_MULTIPLY(OUT4(r), IN4(a), IN4(one));
  ExpectQuaternionNear(r, a, 0.0f);
  QUATERNION_MULTIPLY(OUT4(r), IN4(one), IN4(a));
  ExpectQuaternionNear(r, a, 0.0f);
  QUATERNION_MULTIPLY(OUT4(r), 1, 0, 0, 0, 0, 1, 0, 0);  // i.j = k
  ExpectQuaternionNear(r, {0, 0, 1, 0}, 0.0f);
  QUATERNION_MULTIPLY(OUT4(r), 1, 2, 3, 4, 5, 6, 7, 8);
  ExpectQuaternionNear(r, {24, 48, 48, -6}, 0.0f);

  // For unit quaternions the matrix of a.b is the matrix of a times that of b.
  D3DMATRIX ma, mb, mab, product;
  MATRIX_FROM_QUATERNION(&ma, IN4(a));
  MATRIX_FROM_QUATERNION(&mb, IN4(b));
  QUATERNION_MULTIPLY(OUT4(r), IN4(a), IN4(b));
  MATRIX_FROM_QUATERNION(&mab, IN4(r));
  MATRIX_MULTIPLY(&product, &ma, &mb);
  ExpectMatrixNear(mab, product, 1e-6f);
}

TEST(Math3dQuaternionTest, Slerp) {
  const Quaternion a = {0, 0, 0, 1}, b = {0, 0, sinf(kPi / 4), cosf(kPi / 4)};  // quarter turn
  const Quaternion minusB = {-b.x, -b.y, -b.z, -b.w}, e = {0.6f, 0, 0, 0.8f};
  Quaternion r;
  QUATERNION_SLERP(OUT4(r), IN4(a), IN4(b), 0.0f);
  ExpectQuaternionNear(r, a, 0.0f);
  QUATERNION_SLERP(OUT4(r), IN4(a), IN4(b), 1.0f);
  ExpectQuaternionNear(r, b, 0.0f);
  QUATERNION_SLERP(OUT4(r), IN4(a), IN4(b), 0.5f);
  ExpectQuaternionNear(r, {0, 0, sinf(kPi / 8), cosf(kPi / 8)}, 1e-6f);
  QUATERNION_SLERP(OUT4(r), IN4(a), IN4(minusB), 1.0f);  // the shorter arc ends at b
  ExpectQuaternionNear(r, b, 0.0f);

  // Equal quaternions blend linearly instead of dividing by sin(0).
  const float t = 0.3f;
  QUATERNION_SLERP(OUT4(r), IN4(e), IN4(e), t);
  ExpectQuaternionNear(r, {(1 - t) * e.x + t * e.x, 0, 0, (1 - t) * e.w + t * e.w}, 0.0f);
}

TEST(Math3dNullTest, NullPointersAreHarmless) {
  const D3DVECTOR v = {1, 2, 3};
  ExpectVectorEq(*CROSS_PRODUCT(nullptr, &v), 0, 0, 0);
  ExpectVectorEq(*MAXIMIZE_COMPONENTS(&v, nullptr), 0, 0, 0);
  ExpectVectorEq(*MINIMIZE_COMPONENTS(nullptr, nullptr), 0, 0, 0);
  for (float *r : {DOT_PRODUCT(&v, nullptr), SQUARE_MAGNITUDE(nullptr), MAGNITUDE(nullptr),
                   MAX_COMPONENT(nullptr), MIN_COMPONENT(nullptr)})
    EXPECT_EQ(*r, 0.0f);
  EXPECT_EQ(NORMALIZE_VECTOR(nullptr), nullptr);

  D3DMATRIX m = kIdentity;
  D3DVECTOR out = {4, 5, 6};
  D3DVERTEX vertex = {};
  MATRIX_MULTIPLY(&m, nullptr, &m);
  EXPECT_EQ(MATRIX_INVERT(&m, nullptr), 1);
  EXPECT_EQ(MATRIX_INVERT(nullptr, &m), 1);
  EXPECT_EQ(VECTOR_MATRIX_MULTIPLY(&out, nullptr, &m), 1);
  EXPECT_EQ(VERTEX_MATRIX_MULTIPLY(nullptr, &vertex, &m), 1);
  ExpectVectorEq(out, 4, 5, 6);
  ExpectMatrixNear(m, kIdentity, 0.0f);

  // Only the non-null outputs are written; a null input writes nothing.
  float w = -1, theta = -1;
  QUATERNION_FROM_MATRIX(nullptr, nullptr, nullptr, &w, &m);
  EXPECT_EQ(w, 1.0f);
  ROTATION_FROM_QUATERNION(nullptr, &theta, 0, 0, 0, 1);
  EXPECT_EQ(theta, 0.0f);
  QUATERNION_SLERP(nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 1, 0, 0, 0, 1, 0.5f);
  QUATERNION_MULTIPLY(nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 1, 0, 0, 0, 1);
  QUATERNION_FROM_ANGLES(nullptr, nullptr, nullptr, nullptr, 1, 2, 3);
  MATRIX_FROM_QUATERNION(nullptr, 0, 0, 0, 1);
  QUATERNION_FROM_MATRIX(&w, &w, &w, &w, nullptr);
  QUATERNION_FROM_ROTATION(&w, &w, &w, &w, nullptr, 1.0f);
  EXPECT_EQ(w, 1.0f);
}
