// Draw: checks a draw's input, runs vertex processing, assembles the
// primitives, clips them against the view volume and a guard band around the
// viewport, maps them to the viewport, culls, and hands them to the
// rasteriser.
#include <algorithm>
#include <cmath>
#include <vector>

#include "d3d/pipeline/clipping.h"
#include "d3d/pipeline/pixel_setup.h"
#include "d3d/pipeline/triangle_bins.h"
#include "d3d/pipeline/vertex_processing.h"

namespace raster {

namespace {

// Direct3D 7 draws at most this many vertices in one call.
constexpr uint32_t kMaxVertices = 0xFFFF;
// Pixels beyond the viewport that geometry may reach before it is clipped;
// the scissor rectangle cuts the rest while rasterising.
constexpr float kGuardBand = 8192.0f;
constexpr float kMinimumW = 1e-6f;

bool ValidTarget(const Target &t) {
  if (t.pixels == nullptr || t.width <= 0 || t.height <= 0) return false;
  if (t.bits != 16 && t.bits != 24 && t.bits != 32) return false;
  return t.pitch >= static_cast<long>(t.width) * (t.bits / 8);
}

bool ValidDepth(const DepthBuffer &d) {
  if (d.bits == nullptr || d.width <= 0 || d.height <= 0) return false;
  if (d.bytesPerPixel != 2 && d.bytesPerPixel != 4) return false;
  return d.pitch >= static_cast<long>(d.width) * d.bytesPerPixel;
}

bool ComponentsPresent(const Vertices &v) {
  const uint32_t code = v.fvf;
  if (v.position.data == nullptr) return false;
  if ((code & fvf::kNormal) && v.normal.data == nullptr) return false;
  if ((code & fvf::kDiffuse) && v.diffuse.data == nullptr) return false;
  if ((code & fvf::kSpecular) && v.specular.data == nullptr) return false;
  const uint32_t sets = (code & fvf::kTexCountMask) >> fvf::kTexCountShift;
  for (uint32_t i = 0; i < sets; ++i)
    if (v.texCoords[i].data == nullptr) return false;
  return true;
}

bool Finite(const ClipVertex &v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}

// Everything a draw's primitives share.
struct Pass {
  const State &state;
  const DrawSetup &setup;
  Scissor scissor;
  bool transformed;
  ClipPlane planes[kMaxClipPlanes];
  int planeCount;
  float vx, vy, halfWidth, halfHeight, minZ, depthRange;
  Extents *extents;
  TriangleBins *bins;  // solid triangles are held back here and drawn band by band
};

ScreenVertex Project(const Pass &pass, const ClipVertex &c) {
  ScreenVertex s;
  if (pass.transformed) {
    s.x = c.x, s.y = c.y, s.z = c.z, s.rhw = c.w;
  } else {
    const float rhw = 1.0f / c.w;
    s.x = pass.vx + (1.0f + c.x * rhw) * pass.halfWidth;
    s.y = pass.vy + (1.0f - c.y * rhw) * pass.halfHeight;
    s.z = pass.minZ + c.z * rhw * pass.depthRange;
    s.rhw = rhw;
  }
  for (int i = 0; i < kAttributeCount; ++i) s.attr[i] = c.attr[i];
  if (pass.extents) {
    Extents &e = *pass.extents;
    e.minX = std::min(e.minX, s.x), e.maxX = std::max(e.maxX, s.x);
    e.minY = std::min(e.minY, s.y), e.maxY = std::max(e.maxY, s.y);
    e.minZ = std::min(e.minZ, s.z), e.maxZ = std::max(e.maxZ, s.z);
  }
  return s;
}

// Clips `count` vertices (2 or 3) and projects what is left; returns how
// many screen vertices there are.
int ClipAndProject(const Pass &pass, const ClipVertex *const *in, int count, ScreenVertex *out) {
  ClipVertex polygon[kMaxPolygon];
  unsigned any = 0, all = ~0u;
  for (int i = 0; i < count; ++i) {
    if (!Finite(*in[i])) return 0;
    polygon[i] = *in[i];
    const unsigned code = Outcode(polygon[i], pass.planes, pass.planeCount);
    any |= code;
    all &= code;
  }
  if (all) return 0;
  if (any) count = ClipPolygon(polygon, count, pass.planes, pass.planeCount, any);
  for (int i = 0; i < count; ++i) out[i] = Project(pass, polygon[i]);
  return count;
}

void CopyColours(const ClipVertex &from, ScreenVertex &to) {
  for (int k = kDiffuseR; k <= kSpecularB; ++k) to.attr[k] = from.attr[k];
}

// `provoking` gives the colours of flat shading.
void DrawTriangle(const Pass &pass, const ClipVertex &a, const ClipVertex &b, const ClipVertex &c,
                  const ClipVertex &provoking) {
  const ClipVertex *in[3] = {&a, &b, &c};
  ScreenVertex polygon[kMaxPolygon];
  const int count = ClipAndProject(pass, in, 3, polygon);
  if (count < 3) return;
  double area = 0.0;  // twice the signed area; positive is clockwise on screen
  for (int i = 0; i < count; ++i) {
    const ScreenVertex &p = polygon[i], &q = polygon[(i + 1) % count];
    area += static_cast<double>(p.x) * q.y - static_cast<double>(q.x) * p.y;
  }
  if (!(area != 0.0) || !std::isfinite(area)) return;
  if (pass.state.cull == Cull::kClockwise && area > 0.0) return;
  if (pass.state.cull == Cull::kCounterClockwise && area < 0.0) return;
  const bool flat = pass.state.shade == Shade::kFlat;
  if (flat)
    for (int i = 0; i < count; ++i) CopyColours(provoking, polygon[i]);
  const bool perspective = pass.state.perspective;
  switch (pass.state.fill) {
    case FillMode::kPoint:
      for (int i = 0; i < count; ++i) RasterisePoint(pass.setup, pass.scissor, polygon[i], perspective);
      break;
    case FillMode::kWireframe:
      for (int i = 0; i < count; ++i)
        RasteriseLine(pass.setup, pass.scissor, polygon[i], polygon[(i + 1) % count], false, perspective, false);
      break;
    default:
      for (int i = 1; i + 1 < count; ++i)
        pass.bins->Add(pass.setup, polygon[0], polygon[i], polygon[i + 1], perspective);
      break;
  }
}

void DrawLine(const Pass &pass, const ClipVertex &a, const ClipVertex &b) {
  const ClipVertex *in[2] = {&a, &b};
  ScreenVertex line[kMaxPolygon];
  // A segment clips like a degenerate polygon: its two ends come back first.
  if (ClipAndProject(pass, in, 2, line) < 2) return;
  if (pass.state.shade == Shade::kFlat) CopyColours(a, line[1]);
  RasteriseLine(pass.setup, pass.scissor, line[0], line[1], pass.state.lastPixel, pass.state.perspective, false);
}

void DrawPoint(const Pass &pass, const ClipVertex &a) {
  const ClipVertex *in[1] = {&a};
  ScreenVertex point[kMaxPolygon];
  if (ClipAndProject(pass, in, 1, point) < 1) return;
  RasterisePoint(pass.setup, pass.scissor, point[0], pass.state.perspective);
}

void SetPlanes(Pass &pass, bool clipDepth) {
  int n = 0;
  const float g = kGuardBand;
  if (pass.transformed) {
    // Screen space: the guard band only; w holds rhw and is not a plane.
    const float left = pass.vx - g, right = pass.vx + 2 * pass.halfWidth + g;
    const float top = pass.vy - g, bottom = pass.vy + 2 * pass.halfHeight + g;
    pass.planes[n++] = {1, 0, 0, 0, -left};
    pass.planes[n++] = {-1, 0, 0, 0, right};
    pass.planes[n++] = {0, 1, 0, 0, -top};
    pass.planes[n++] = {0, -1, 0, 0, bottom};
  } else {
    // w stays away from zero so that the projection stays finite.
    pass.planes[n++] = {0, 0, 0, 1, -kMinimumW};
    const float gx = 1.0f + g / pass.halfWidth, gy = 1.0f + g / pass.halfHeight;
    pass.planes[n++] = {1, 0, 0, gx, 0};
    pass.planes[n++] = {-1, 0, 0, gx, 0};
    pass.planes[n++] = {0, 1, 0, gy, 0};
    pass.planes[n++] = {0, -1, 0, gy, 0};
    if (clipDepth) {
      pass.planes[n++] = {0, 0, 1, 0, 0};
      pass.planes[n++] = {0, 0, -1, 1, 0};
    }
  }
  pass.planeCount = n;
}

}  // namespace

Result Draw(const State &state, const Target &target, const DepthBuffer *depth, Primitive primitive,
            const Vertices &vertices, const uint16_t *indices, uint32_t indexCount, uint32_t flags,
            Extents *extents) {
  const uint8_t kind = static_cast<uint8_t>(primitive);
  if (kind < static_cast<uint8_t>(Primitive::kPointList) || kind > static_cast<uint8_t>(Primitive::kTriangleFan))
    return Result::kInvalidPrimitive;
  if (VertexSize(vertices.fvf) == 0) return Result::kInvalidVertexFormat;
  if (!ValidTarget(target) || (depth && !ValidDepth(*depth))) return Result::kInvalidParams;
  if (vertices.count > kMaxVertices) return Result::kInvalidParams;
  const uint32_t streamLength = indices ? indexCount : vertices.count;
  if (vertices.count == 0 || streamLength == 0) return Result::kOk;
  if (!ComponentsPresent(vertices)) return Result::kInvalidParams;
  if (indices)
    for (uint32_t i = 0; i < indexCount; ++i)
      if (indices[i] >= vertices.count) return Result::kInvalidParams;

  DrawSetup setup;
  SpanScratch scratch;
  setup.scratch = &scratch;
  if (!PrepareDraw(state, target, depth, setup)) return Result::kInvalidParams;

  // The scissor rectangle: the viewport inside the target (and depth buffer).
  const Viewport &vp = state.viewport;
  Scissor scissor{static_cast<int>(std::min<uint32_t>(vp.x, static_cast<uint32_t>(target.width))),
                  static_cast<int>(std::min<uint32_t>(vp.y, static_cast<uint32_t>(target.height))), 0, 0};
  scissor.right = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(vp.x) + vp.width, static_cast<uint64_t>(target.width)));
  scissor.bottom = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(vp.y) + vp.height, static_cast<uint64_t>(target.height)));
  if (setup.depthBits) {
    scissor.right = std::min(scissor.right, depth->width);
    scissor.bottom = std::min(scissor.bottom, depth->height);
  }
  if (scissor.left >= scissor.right || scissor.top >= scissor.bottom) return Result::kOk;

  // Vertex processing, once per vertex.
  thread_local std::vector<ClipVertex> processed;
  thread_local std::vector<CameraLight> lights;
  const size_t lightCount = state.lights ? state.lightCount : 0;
  State safeState = state;
  if (!state.lights) safeState.lightCount = 0;
  lights.resize(std::max<size_t>(lightCount, 1));
  const VertexProcessor processor(safeState, vertices, (flags & kDrawDoNotLight) != 0, lights.data());
  processed.resize(vertices.count);
  for (uint32_t i = 0; i < vertices.count; ++i) processor.Process(i, processed[i]);

  thread_local TriangleBins bins;
  bins.Begin(scissor, target.pitch + (setup.depthBits ? depth->pitch : 0));
  Pass pass{state, setup, scissor, processor.Transformed(), {}, 0,
            static_cast<float>(vp.x), static_cast<float>(vp.y), static_cast<float>(vp.width) * 0.5f,
            static_cast<float>(vp.height) * 0.5f, vp.minZ, vp.maxZ - vp.minZ,
            (flags & kDrawDoNotUpdateExtents) ? nullptr : extents, &bins};
  if (!(pass.halfWidth > 0.0f && pass.halfHeight > 0.0f)) return Result::kOk;
  SetPlanes(pass, state.clipping && !(flags & kDrawDoNotClip));

  auto vertex = [&](uint32_t i) -> const ClipVertex & { return processed[indices ? indices[i] : i]; };
  const uint32_t n = streamLength;
  switch (primitive) {
    case Primitive::kPointList:
      for (uint32_t i = 0; i < n; ++i) DrawPoint(pass, vertex(i));
      break;
    case Primitive::kLineList:
      for (uint32_t i = 0; i + 1 < n; i += 2) DrawLine(pass, vertex(i), vertex(i + 1));
      break;
    case Primitive::kLineStrip:
      for (uint32_t i = 0; i + 1 < n; ++i) DrawLine(pass, vertex(i), vertex(i + 1));
      break;
    case Primitive::kTriangleList:
      for (uint32_t i = 0; i + 2 < n; i += 3) DrawTriangle(pass, vertex(i), vertex(i + 1), vertex(i + 2), vertex(i));
      break;
    case Primitive::kTriangleStrip:
      for (uint32_t i = 0; i + 2 < n; ++i) {
        // Every other triangle swaps its first two vertices to keep the winding.
        if (i & 1) DrawTriangle(pass, vertex(i + 1), vertex(i), vertex(i + 2), vertex(i));
        else DrawTriangle(pass, vertex(i), vertex(i + 1), vertex(i + 2), vertex(i));
      }
      break;
    case Primitive::kTriangleFan:
      for (uint32_t i = 1; i + 1 < n; ++i) DrawTriangle(pass, vertex(0), vertex(i), vertex(i + 1), vertex(i));
      break;
  }
  bins.Flush(setup, state.perspective);
  return Result::kOk;
}

}  // namespace raster
