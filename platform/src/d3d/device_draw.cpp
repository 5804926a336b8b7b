// Scenes, Clear and the DrawPrimitive family: every input a host passes is
// checked here (scene, counts, primitive type, vertex components, every
// index against the vertex count, lost or busy surfaces) before the
// pipeline sees it, and the clip status gathers the extents drawn.
#include <algorithm>
#include <cmath>
#include <limits>

#include "base/faults.h"
#include "d3d/device.h"
#include "d3d/state_translation.h"
#include "ddraw/front_buffer.h"
#include "ddraw/surface.h"

namespace platform::d3d {

namespace {


HRESULT SurfaceUsable(const Surface *surface) {
  if (surface->lost()) return DDERR_SURFACELOST;
  if (surface->locked()) return DDERR_SURFACEBUSY;
  return D3D_OK;
}

DWORD TextureSets(DWORD fvf) { return (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT; }

raster::Component ComponentOf(const D3DDP_PTRSTRIDE &stride) {
  return raster::Component{static_cast<const uint8_t *>(stride.lpvData), stride.dwStride};
}

}  // namespace

HRESULT Device7::BeginScene() {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::BeginScene", &fault)) return fault;
  if (inScene_) return D3DERR_SCENE_IN_SCENE;
  inScene_ = true;
  return D3D_OK;
}

HRESULT Device7::EndScene() {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::EndScene", &fault)) return fault;
  if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
  inScene_ = false;
  return D3D_OK;
}

HRESULT Device7::Clear(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR colour, D3DVALUE z, DWORD stencil) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::Clear", &fault)) return fault;
  constexpr DWORD kKnownFlags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
  if (flags == 0 || (flags & ~kKnownFlags) != 0 || (count > 0 && rects == nullptr)) return DDERR_INVALIDPARAMS;
  if ((flags & D3DCLEAR_ZBUFFER) && !(z >= 0.0f && z <= 1.0f)) return DDERR_INVALIDPARAMS;
  Surface *depth = DepthSurface();
  if ((flags & D3DCLEAR_ZBUFFER) && depth == nullptr) return D3DERR_ZBUFFER_NOTPRESENT;
  if ((flags & D3DCLEAR_STENCIL) && (depth == nullptr || StencilMask(depth->described()) == 0)) {
    return D3DERR_STENCILBUFFER_NOTPRESENT;
  }
  HRESULT usable = SurfaceUsable(target_);
  if (usable == D3D_OK && depth != nullptr) usable = SurfaceUsable(depth);
  if (usable != D3D_OK) return usable;

  std::vector<raster::ClearRect> cut(count);
  for (DWORD i = 0; i < count; ++i) cut[i] = raster::ClearRect{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2};
  DrawInputs inputs;
  TranslateState(state_, textures_, target_->width(), target_->height(), depth != nullptr, &inputs);
  const raster::Target target = TargetOf(target_);
  raster::DepthBuffer depthBuffer{};
  if (depth != nullptr) depthBuffer = DepthOf(depth);
  uint32_t rasterFlags = 0;
  if (flags & D3DCLEAR_TARGET) rasterFlags |= raster::kClearTarget;
  if (flags & D3DCLEAR_ZBUFFER) rasterFlags |= raster::kClearDepth;
  if (flags & D3DCLEAR_STENCIL) rasterFlags |= raster::kClearStencil;
  raster::Clear(inputs.state, &target, depth != nullptr ? &depthBuffer : nullptr, count > 0 ? cut.data() : nullptr,
                count, rasterFlags, colour, z, stencil);
  if (flags & D3DCLEAR_TARGET) PresentIfFront(target_, nullptr);
  return D3D_OK;
}

HRESULT Device7::Draw(D3DPRIMITIVETYPE type, const raster::Vertices &vertices, const WORD *indices,
                      DWORD indexCount, DWORD flags) {
  Surface *depth = DepthSurface();
  HRESULT usable = SurfaceUsable(target_);
  if (usable == D3D_OK && depth != nullptr) usable = SurfaceUsable(depth);
  if (usable != D3D_OK) return usable;

  DrawInputs inputs;
  TranslateState(state_, textures_, target_->width(), target_->height(), depth != nullptr, &inputs);
  const raster::Target target = TargetOf(target_);
  raster::DepthBuffer depthBuffer{};
  if (depth != nullptr) depthBuffer = DepthOf(depth);
  constexpr float kFar = std::numeric_limits<float>::max();
  raster::Extents extents{kFar, -kFar, kFar, -kFar, kFar, -kFar};
  const raster::Result result =
      raster::Draw(inputs.state, target, depth != nullptr ? &depthBuffer : nullptr,
                   static_cast<raster::Primitive>(type), vertices, indices, indices != nullptr ? indexCount : 0,
                   flags, &extents);
  switch (result) {
    case raster::Result::kOk: break;
    case raster::Result::kInvalidVertexFormat: return D3DERR_INVALIDVERTEXFORMAT;
    case raster::Result::kInvalidPrimitive: return D3DERR_INVALIDPRIMITIVETYPE;
    default: return DDERR_INVALIDPARAMS;
  }
  // The clip status gathers the screen extents of what was drawn.
  if (!(flags & D3DDP_DONOTUPDATEEXTENTS) && extents.minX <= extents.maxX && extents.minY <= extents.maxY) {
    D3DCLIPSTATUS &status = clipStatus_;
    if (status.dwFlags & (D3DCLIPSTATUS_EXTENTS2 | D3DCLIPSTATUS_EXTENTS3)) {
      status.minx = std::min(status.minx, extents.minX);
      status.maxx = std::max(status.maxx, extents.maxX);
      status.miny = std::min(status.miny, extents.minY);
      status.maxy = std::max(status.maxy, extents.maxY);
      status.minz = std::min(status.minz, extents.minZ);
      status.maxz = std::max(status.maxz, extents.maxZ);
    } else {
      status.dwFlags |= D3DCLIPSTATUS_EXTENTS2;
      status.minx = extents.minX, status.maxx = extents.maxX;
      status.miny = extents.minY, status.maxy = extents.maxY;
      status.minz = extents.minZ, status.maxz = extents.maxZ;
    }
  }
  PresentIfFront(target_, nullptr);
  return D3D_OK;
}

namespace {

// The checks shared by every draw before its vertices are looked at.
HRESULT CheckDrawCall(bool inScene, D3DPRIMITIVETYPE type, DWORD vertexCount, const WORD *indices,
                             DWORD indexCount, bool indexed) {
  if (!inScene) return D3DERR_SCENE_NOT_IN_SCENE;
  if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN) return D3DERR_INVALIDPRIMITIVETYPE;
  if (vertexCount > D3DMAXNUMVERTICES) return DDERR_INVALIDPARAMS;
  if (indexed) {
    if (indexCount > 0 && indices == nullptr) return DDERR_INVALIDPARAMS;
    // Every index must name a vertex the host passed.
    for (DWORD i = 0; i < indexCount; ++i) {
      if (indices[i] >= vertexCount) return DDERR_INVALIDPARAMS;
    }
  }
  return D3D_OK;
}

}  // namespace

HRESULT Device7::DrawChecked(const char *operation, D3DPRIMITIVETYPE type, DWORD fvf, const void *vertices,
                             DWORD vertexCount, bool indexed, const WORD *indices, DWORD indexCount, DWORD flags) {
  HRESULT fault;
  if (platform::TakeFault(operation, &fault)) return fault;
  const HRESULT checked = CheckDrawCall(inScene_, type, vertexCount, indices, indexCount, indexed);
  if (checked != D3D_OK) return checked;
  if (vertexCount == 0 || (indexed && indexCount == 0)) return D3D_OK;
  if (vertices == nullptr) return DDERR_INVALIDPARAMS;
  if (raster::VertexSize(fvf) == 0) return D3DERR_INVALIDVERTEXFORMAT;
  return Draw(type, raster::InterleavedVertices(fvf, vertices, vertexCount), indexed ? indices : nullptr, indexCount,
              flags);
}

HRESULT Device7::DrawStridedChecked(const char *operation, D3DPRIMITIVETYPE type, DWORD fvf,
                                    const D3DDRAWPRIMITIVESTRIDEDDATA *data, DWORD vertexCount, bool indexed,
                                    const WORD *indices, DWORD indexCount, DWORD flags) {
  HRESULT fault;
  if (platform::TakeFault(operation, &fault)) return fault;
  const HRESULT checked = CheckDrawCall(inScene_, type, vertexCount, indices, indexCount, indexed);
  if (checked != D3D_OK) return checked;
  if (vertexCount == 0 || (indexed && indexCount == 0)) return D3D_OK;
  if (data == nullptr) return DDERR_INVALIDPARAMS;
  if (raster::VertexSize(fvf) == 0) return D3DERR_INVALIDVERTEXFORMAT;
  // Each component the format names needs its array.
  raster::Vertices vertices{};
  vertices.fvf = fvf;
  vertices.count = vertexCount;
  vertices.position = ComponentOf(data->position);
  bool complete = vertices.position.data != nullptr;
  if (fvf & D3DFVF_NORMAL) {
    vertices.normal = ComponentOf(data->normal);
    complete = complete && vertices.normal.data != nullptr;
  }
  if (fvf & D3DFVF_DIFFUSE) {
    vertices.diffuse = ComponentOf(data->diffuse);
    complete = complete && vertices.diffuse.data != nullptr;
  }
  if (fvf & D3DFVF_SPECULAR) {
    vertices.specular = ComponentOf(data->specular);
    complete = complete && vertices.specular.data != nullptr;
  }
  for (DWORD set = 0; set < TextureSets(fvf) && set < D3DDP_MAXTEXCOORD; ++set) {
    vertices.texCoords[set] = ComponentOf(data->textureCoords[set]);
    complete = complete && vertices.texCoords[set].data != nullptr;
  }
  if (!complete) return DDERR_INVALIDPARAMS;
  return Draw(type, vertices, indexed ? indices : nullptr, indexCount, flags);
}

HRESULT Device7::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertexCount, DWORD flags) {
  return DrawChecked("IDirect3DDevice7::DrawPrimitive", type, fvf, vertices, vertexCount, false, nullptr, 0, flags);
}

HRESULT Device7::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertexCount,
                                      LPWORD indices, DWORD indexCount, DWORD flags) {
  return DrawChecked("IDirect3DDevice7::DrawIndexedPrimitive", type, fvf, vertices, vertexCount, true, indices,
                     indexCount, flags);
}

HRESULT Device7::DrawPrimitiveStrided(D3DPRIMITIVETYPE type, DWORD fvf, LPD3DDRAWPRIMITIVESTRIDEDDATA data,
                                      DWORD vertexCount, DWORD flags) {
  return DrawStridedChecked("IDirect3DDevice7::DrawPrimitiveStrided", type, fvf, data, vertexCount, false, nullptr,
                            0, flags);
}

HRESULT Device7::DrawIndexedPrimitiveStrided(D3DPRIMITIVETYPE type, DWORD fvf, LPD3DDRAWPRIMITIVESTRIDEDDATA data,
                                             DWORD vertexCount, LPWORD indices, DWORD indexCount, DWORD flags) {
  return DrawStridedChecked("IDirect3DDevice7::DrawIndexedPrimitiveStrided", type, fvf, data, vertexCount, true,
                            indices, indexCount, flags);
}

HRESULT Device7::DrawPrimitiveVB(D3DPRIMITIVETYPE, LPDIRECT3DVERTEXBUFFER7, DWORD, DWORD, DWORD) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::DrawPrimitiveVB", &fault)) return fault;
  // No vertex buffer is ever made here, so none passed can be valid.
  return DDERR_INVALIDPARAMS;
}

HRESULT Device7::DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE, LPDIRECT3DVERTEXBUFFER7, DWORD, DWORD, LPWORD, DWORD,
                                        DWORD) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::DrawIndexedPrimitiveVB", &fault)) return fault;
  return DDERR_INVALIDPARAMS;
}

}  // namespace platform::d3d
