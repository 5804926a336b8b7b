// Sutherland–Hodgman clipping of a convex polygon, one plane at a time;
// positions and attributes are interpolated linearly, which is exact in clip
// space.
#include "d3d/pipeline/clipping.h"

namespace raster {

unsigned Outcode(const ClipVertex &v, const ClipPlane *planes, int planeCount) {
  unsigned code = 0;
  for (int i = 0; i < planeCount; ++i)
    if (!(planes[i].Distance(v) >= 0.0f)) code |= 1u << i;
  return code;
}

namespace {

ClipVertex Lerp(const ClipVertex &a, const ClipVertex &b, float t) {
  ClipVertex r;
  r.x = a.x + (b.x - a.x) * t;
  r.y = a.y + (b.y - a.y) * t;
  r.z = a.z + (b.z - a.z) * t;
  r.w = a.w + (b.w - a.w) * t;
  for (int i = 0; i < kAttributeCount; ++i) r.attr[i] = a.attr[i] + (b.attr[i] - a.attr[i]) * t;
  return r;
}

}  // namespace

int ClipPolygon(ClipVertex *polygon, int count, const ClipPlane *planes, int planeCount, unsigned planeMask) {
  ClipVertex buffer[kMaxPolygon];
  ClipVertex *in = polygon, *out = buffer;
  for (int p = 0; p < planeCount && count > 0; ++p) {
    if (!(planeMask & (1u << p))) continue;
    const ClipPlane &plane = planes[p];
    int produced = 0;
    for (int i = 0; i < count; ++i) {
      const ClipVertex &current = in[i], &next = in[(i + 1) % count];
      const float dc = plane.Distance(current), dn = plane.Distance(next);
      const bool currentIn = dc >= 0.0f, nextIn = dn >= 0.0f;
      if (currentIn && produced < kMaxPolygon) out[produced++] = current;
      if (currentIn != nextIn && produced < kMaxPolygon) out[produced++] = Lerp(current, next, dc / (dc - dn));
    }
    count = produced;
    ClipVertex *swap = in;
    in = out;
    out = swap;
  }
  if (in != polygon)
    for (int i = 0; i < count; ++i) polygon[i] = in[i];
  return count;
}

}  // namespace raster
