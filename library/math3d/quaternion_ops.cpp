// Quaternions (x, y, z, w with w the scalar part): conversions to and from
// axis-angle, three angles and matrices, the product and spherical
// interpolation. Quaternions come in as four floats and go out through four
// float pointers; a null output pointer is skipped, the others are written.
#include <math.h>

#include "korvane.h"

namespace {

// Below this distance between the cosine of the angle between two
// quaternions and 1, QUATERNION_SLERP blends linearly: sin(omega) would be
// too small to divide by.
constexpr float kSlerpLinearThreshold = 0.001f;

void StoreQuaternion(float *px, float *py, float *pz, float *pw, float x, float y, float z,
                     float w) {
  if (px) *px = x;
  if (py) *py = y;
  if (pz) *pz = z;
  if (pw) *pw = w;
}

}  // namespace

// The axis is used as given, not normalised. Nothing is written when the
// axis is null.
extern "C" void QUATERNION_FROM_ROTATION(float *x, float *y, float *z, float *w,
                                         const D3DVECTOR *axis, float theta) {
  if (!axis) return;
  const float half = theta / 2.0f;
  const float s = sinf(half);
  StoreQuaternion(x, y, z, w, s * axis->x, s * axis->y, s * axis->z, cosf(half));
}

// theta = 2 acos(w), axis = (x, y, z) / sin(theta / 2). Nothing guards the
// edges: the identity (sin = 0) gives not-a-number axis components and
// |w| > 1 gives a not-a-number angle. Either output may be null.
extern "C" void ROTATION_FROM_QUATERNION(D3DVECTOR *axis, float *theta, float x, float y,
                                         float z, float w) {
  const float angle = 2.0f * acosf(w);
  const float s = sinf(angle / 2.0f);
  if (axis) {
    axis->x = x / s;
    axis->y = y / s;
    axis->z = z / s;
  }
  if (theta) *theta = angle;
}

// Alone, a1 rotates about z, a2 about y and a3 about x.
extern "C" void QUATERNION_FROM_ANGLES(float *x, float *y, float *z, float *w, float a1,
                                       float a2, float a3) {
  const float s1 = sinf(a1 / 2.0f), c1 = cosf(a1 / 2.0f);
  const float s2 = sinf(a2 / 2.0f), c2 = cosf(a2 / 2.0f);
  const float s3 = sinf(a3 / 2.0f), c3 = cosf(a3 / 2.0f);
  StoreQuaternion(x, y, z, w,
                  s3 * c2 * c1 - c3 * s2 * s1,
                  c3 * s2 * c1 + s3 * c2 * s1,
                  c3 * c2 * s1 - s3 * s2 * c1,
                  c3 * c2 * c1 + s3 * s2 * s1);
}

// Builds the rotation matrix of the quaternion, which is not normalised
// first; the translation is zero and the fourth column 0 0 0 1. The matrix
// of a product a.b is the matrix of a times the matrix of b. Does nothing
// when m is null.
extern "C" void MATRIX_FROM_QUATERNION(D3DMATRIX *m, float x, float y, float z, float w) {
  if (!m) return;
  const float xx = x * x, yy = y * y, zz = z * z;
  const float xy = x * y, xz = x * z, yz = y * z;
  const float wx = w * x, wy = w * y, wz = w * z;

  m->_11 = 1.0f - 2.0f * (yy + zz);
  m->_12 = 2.0f * (xy - wz);
  m->_13 = 2.0f * (xz + wy);
  m->_14 = 0.0f;
  m->_21 = 2.0f * (xy + wz);
  m->_22 = 1.0f - 2.0f * (xx + zz);
  m->_23 = 2.0f * (yz - wx);
  m->_24 = 0.0f;
  m->_31 = 2.0f * (xz - wy);
  m->_32 = 2.0f * (yz + wx);
  m->_33 = 1.0f - 2.0f * (xx + yy);
  m->_34 = 0.0f;
  m->_41 = 0.0f;
  m->_42 = 0.0f;
  m->_43 = 0.0f;
  m->_44 = 1.0f;
}

// Reads the rotation out of m when the trace of its 3x3 block is positive,
// otherwise answers the zero quaternion, then rewrites m as the matrix of
// the answer: the translation is dropped, and a matrix with a trace of 0 or
// less becomes the identity. The matrix is read in the row-vector sense
// (x from _23 - _32), while MATRIX_FROM_QUATERNION writes the column-vector
// layout: a rotation matrix therefore comes back transposed, and hosts have
// long relied on exactly these values. Nothing happens when m is null.
extern "C" void QUATERNION_FROM_MATRIX(float *x, float *y, float *z, float *w, D3DMATRIX *m) {
  if (!m) return;
  float qx = 0.0f, qy = 0.0f, qz = 0.0f, qw = 0.0f;
  if (m->_11 + m->_22 + m->_33 > 0.0f) {
    const float s = sqrtf(m->_11 + m->_22 + m->_33 + m->_44);
    qx = (m->_23 - m->_32) / (2.0f * s);
    qy = (m->_31 - m->_13) / (2.0f * s);
    qz = (m->_12 - m->_21) / (2.0f * s);
    qw = s / 2.0f;
  }
  StoreQuaternion(x, y, z, w, qx, qy, qz, qw);
  MATRIX_FROM_QUATERNION(m, qx, qy, qz, qw);
}

// The product a.b.
extern "C" void QUATERNION_MULTIPLY(float *x, float *y, float *z, float *w, float ax, float ay,
                                    float az, float aw, float bx, float by, float bz, float bw) {
  StoreQuaternion(x, y, z, w,
                  ax * bw + ay * bz - az * by + aw * bx,
                  -ax * bz + ay * bw + az * bx + aw * by,
                  ax * by - ay * bx + az * bw + aw * bz,
                  -ax * bx - ay * by - az * bz + aw * bw);
}

// Spherical interpolation from a (t = 0) to b (t = 1) along the shorter
// arc: b is negated when the two point into opposite half-spaces. Nearly
// equal quaternions are blended linearly. The result is not renormalised.
extern "C" void QUATERNION_SLERP(float *x, float *y, float *z, float *w, float ax, float ay,
                                 float az, float aw, float bx, float by, float bz, float bw,
                                 float t) {
  float c = ax * bx + ay * by + az * bz + aw * bw;
  if (c < 0.0f) {
    c = -c;
    bx = -bx;
    by = -by;
    bz = -bz;
    bw = -bw;
  }

  float k0 = 1.0f - t;
  float k1 = t;
  if (static_cast<double>(1.0f - c) > static_cast<double>(kSlerpLinearThreshold)) {
    // Here 0 <= c < 0.999, inside the domain of acos, and sin(omega) > 0.
    const float omega = acosf(c);
    const float sinOmega = sinf(omega);
    k0 = sinf(omega * (1.0f - t)) / sinOmega;
    k1 = sinf(omega * t) / sinOmega;
  }
  StoreQuaternion(x, y, z, w, k0 * ax + k1 * bx, k0 * ay + k1 * by, k0 * az + k1 * bz,
                  k0 * aw + k1 * bw);
}
