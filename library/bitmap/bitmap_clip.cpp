// The clipping arithmetic of the blit exports. Sums are formed in 64 bits so
// that no coordinate a host passes can overflow; a result that does not fit
// a RECT again is nothing to draw. The scale factors are single-precision
// floats, and n x k is truncated toward zero, as the copies always did.
#include "bitmap/bitmap_clip.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int64_t kLongMin = INT32_MIN;
constexpr int64_t kLongMax = INT32_MAX;

// A RECT held in 64 bits while it is clipped.
struct Box {
  int64_t left, top, right, bottom;
};

Box ToBox(const RECT &rect) { return Box{rect.left, rect.top, rect.right, rect.bottom}; }

bool Fits(int64_t value) { return value >= kLongMin && value <= kLongMax; }

LONG Clamp(int64_t value) { return static_cast<LONG>(value < kLongMin ? kLongMin : value > kLongMax ? kLongMax : value); }

// Stores the box back; false when a side was out of range (then clamped).
bool StoreBox(const Box &box, RECT *rect) {
  *rect = RECT{Clamp(box.left), Clamp(box.top), Clamp(box.right), Clamp(box.bottom)};
  return Fits(box.left) && Fits(box.top) && Fits(box.right) && Fits(box.bottom);
}

// trunc(n x k): the product in single precision, truncated toward zero. A
// product beyond the 32-bit range is held at its edge.
int64_t ScaledTrunc(int64_t n, float k) {
  const float product = static_cast<float>(n) * k;
  if (!(std::fabs(product) < 2147483648.0f)) return product < 0 ? kLongMin : kLongMax;
  return static_cast<int64_t>(product);
}

}  // namespace

bool ClipUnscaled(RECT *source, int *x, int *y, int width, int height) {
  // Most copies lie wholly inside their target: nothing to clip, nothing
  // changes, and the sums below need not be formed.
  const int64_t sourceWidth = static_cast<int64_t>(source->right) - source->left;
  const int64_t sourceHeight = static_cast<int64_t>(source->bottom) - source->top;
  if (*x >= 0 && *y >= 0 && sourceWidth >= 1 && sourceHeight >= 1 && *x + sourceWidth <= width &&
      *y + sourceHeight <= height) {
    return true;
  }
  Box s = ToBox(*source);
  int64_t px = *x, py = *y;
  bool skip = false;
  if (px < 0) {
    s.left -= px;
    if (px + s.right - 1 < 0) skip = true;
    px = 0;
  }
  if (py < 0) {
    s.top -= py;
    if (py + s.bottom - 1 < 0) skip = true;
    py = 0;
  }
  int64_t over = (s.right - s.left) + px - width;
  if (over > 0) {
    s.right -= over;
    if (px > width - 1) skip = true;
  }
  over = (s.bottom - s.top) + py - height;
  if (over > 0) {
    s.bottom -= over;
    if (py > height - 1) skip = true;
  }
  if (s.right - s.left < 1 || s.bottom - s.top < 1) skip = true;
  if (!StoreBox(s, source) || !Fits(px) || !Fits(py)) skip = true;
  *x = static_cast<int>(Clamp(px));
  *y = static_cast<int>(Clamp(py));
  return !skip;
}

bool ClipStretched(RECT *dest, RECT *source, int width, int height, StretchRule rule) {
  Box d = ToBox(*dest), s = ToBox(*source);
  bool skip = false;
  // A destination without width or height is skipped and uses no factor.
  const bool empty = d.right - d.left < 1 || d.bottom - d.top < 1;
  const float kx = d.right - d.left < 1 ? 0.0f : static_cast<float>(s.right - s.left) / static_cast<float>(d.right - d.left);
  const float ky = d.bottom - d.top < 1 ? 0.0f : static_cast<float>(s.bottom - s.top) / static_cast<float>(d.bottom - d.top);
  int64_t left = d.left, top = d.top;
  if (left < 0) {
    d.left = 0;
    s.left -= ScaledTrunc(left, kx);
    if (s.right - s.left - 1 < 0) skip = true;
    left = 0;
  }
  if (top < 0) {
    d.top = 0;
    s.top -= ScaledTrunc(top, ky);
    if (s.bottom - s.top - 1 < 0) skip = true;
    top = 0;
  }
  const bool onSource = rule == StretchRule::kB;
  int64_t over = onSource ? (s.right - s.left) + left - width : (d.right - d.left) + left - width;
  if (over > 0) {
    d.right -= over;
    s.right -= ScaledTrunc(over, kx);
    if (s.right - s.left - 1 < 0) skip = true;
  }
  over = onSource ? (s.bottom - s.top) + top - height : (d.bottom - d.top) + top - height;
  if (over > 0) {
    d.bottom -= over;
    s.bottom -= ScaledTrunc(over, ky);
    if (s.bottom - s.top - 1 < 0) skip = true;
  }
  const Box &tested = onSource ? s : d;
  if (empty || tested.right - tested.left < 1 || tested.bottom - tested.top < 1) skip = true;
  const bool destFits = StoreBox(d, dest);
  const bool sourceFits = StoreBox(s, source);
  return !skip && destFits && sourceFits;
}
