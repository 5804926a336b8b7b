// Clipping of polygons against planes in clip space (or in screen space for
// pre-transformed vertices), with every attribute interpolated.
#pragma once

#include "d3d/pipeline/pipeline_internal.h"

namespace raster {

// A plane a·x + b·y + c·z + d·w + e ≥ 0 keeps a vertex.
struct ClipPlane {
  float a, b, c, d, e;
  float Distance(const ClipVertex &v) const { return a * v.x + b * v.y + c * v.z + d * v.w + e; }
};

// The most vertices a triangle can gain from the clip planes.
constexpr int kMaxClipPlanes = 7;
constexpr int kMaxPolygon = 3 + kMaxClipPlanes;

// Which planes each vertex lies outside of, one bit per plane.
unsigned Outcode(const ClipVertex &v, const ClipPlane *planes, int planeCount);

// Clips the polygon in `polygon` (count vertices) against the planes whose
// bits are set in `planeMask`; returns the new count (0: nothing left).
int ClipPolygon(ClipVertex *polygon, int count, const ClipPlane *planes, int planeCount, unsigned planeMask);

}  // namespace raster
