// Vector arithmetic on D3DVECTOR: cross and dot products, magnitudes,
// largest and smallest components, component-wise maximum and minimum, and
// normalisation in place. All arithmetic is single precision.
#include <math.h>

#include "core/state_reset.h"
#include "korvane.h"

// The exports that answer through a pointer each own one static result
// object. The pointer they return stays valid, and its contents unchanged,
// until the next call of the same export; hosts read the result right away.
// A null operand gives that storage set to zero rather than a crash.
namespace {

D3DVECTOR gCrossResult;
float gDotResult;
float gSquareMagnitudeResult;
float gMagnitudeResult;
float gMaxComponentResult;
float gMinComponentResult;
D3DVECTOR gMaximizeResult;
D3DVECTOR gMinimizeResult;

void ClearResults() {
  gCrossResult = gMaximizeResult = gMinimizeResult = D3DVECTOR{};
  gDotResult = gSquareMagnitudeResult = gMagnitudeResult = gMaxComponentResult = gMinComponentResult = 0.0f;
}
const korvane::StateResetHook gResetResults(korvane::ResetStage::kMath, ClearResults);

D3DVECTOR *StoreVector(D3DVECTOR *result, float x, float y, float z) {
  result->x = x;
  result->y = y;
  result->z = z;
  return result;
}

float *StoreFloat(float *result, float value) {
  *result = value;
  return result;
}

float Dot(const D3DVECTOR *a, const D3DVECTOR *b) {
  return a->x * b->x + a->y * b->y + a->z * b->z;
}

}  // namespace

extern "C" D3DVECTOR *CROSS_PRODUCT(const D3DVECTOR *a, const D3DVECTOR *b) {
  if (!a || !b) return StoreVector(&gCrossResult, 0.0f, 0.0f, 0.0f);
  return StoreVector(&gCrossResult, a->y * b->z - a->z * b->y,
                     a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
}

extern "C" float *DOT_PRODUCT(const D3DVECTOR *a, const D3DVECTOR *b) {
  if (!a || !b) return StoreFloat(&gDotResult, 0.0f);
  return StoreFloat(&gDotResult, Dot(a, b));
}

extern "C" float *SQUARE_MAGNITUDE(const D3DVECTOR *v) {
  if (!v) return StoreFloat(&gSquareMagnitudeResult, 0.0f);
  return StoreFloat(&gSquareMagnitudeResult, Dot(v, v));
}

extern "C" float *MAGNITUDE(const D3DVECTOR *v) {
  if (!v) return StoreFloat(&gMagnitudeResult, 0.0f);
  return StoreFloat(&gMagnitudeResult, sqrtf(Dot(v, v)));
}

// Ties keep the earlier component: a later one replaces the running value
// only when it is strictly greater (or, for the minimum, strictly less).
extern "C" float *MAX_COMPONENT(const D3DVECTOR *v) {
  if (!v) return StoreFloat(&gMaxComponentResult, 0.0f);
  float largest = v->x;
  if (largest < v->y) largest = v->y;
  if (largest < v->z) largest = v->z;
  return StoreFloat(&gMaxComponentResult, largest);
}

extern "C" float *MIN_COMPONENT(const D3DVECTOR *v) {
  if (!v) return StoreFloat(&gMinComponentResult, 0.0f);
  float smallest = v->x;
  if (v->y < smallest) smallest = v->y;
  if (v->z < smallest) smallest = v->z;
  return StoreFloat(&gMinComponentResult, smallest);
}

extern "C" D3DVECTOR *MAXIMIZE_COMPONENTS(const D3DVECTOR *a, const D3DVECTOR *b) {
  if (!a || !b) return StoreVector(&gMaximizeResult, 0.0f, 0.0f, 0.0f);
  return StoreVector(&gMaximizeResult, a->x > b->x ? a->x : b->x,
                     a->y > b->y ? a->y : b->y, a->z > b->z ? a->z : b->z);
}

extern "C" D3DVECTOR *MINIMIZE_COMPONENTS(const D3DVECTOR *a, const D3DVECTOR *b) {
  if (!a || !b) return StoreVector(&gMinimizeResult, 0.0f, 0.0f, 0.0f);
  return StoreVector(&gMinimizeResult, a->x < b->x ? a->x : b->x,
                     a->y < b->y ? a->y : b->y, a->z < b->z ? a->z : b->z);
}

// Divides by the magnitude with no zero test: a zero vector becomes
// not-a-number components. A null vector is handed back as null.
extern "C" D3DVECTOR *NORMALIZE_VECTOR(D3DVECTOR *v) {
  if (!v) return nullptr;
  const float magnitude = sqrtf(Dot(v, v));
  v->x = v->x / magnitude;
  v->y = v->y / magnitude;
  v->z = v->z / magnitude;
  return v;
}
