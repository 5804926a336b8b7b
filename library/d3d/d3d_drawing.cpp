// The scene and the primitives: BEGIN_SCENE, END_SCENE, DRAW_PRIMITIVE and
// DRAW_INDEXED_PRIMITIVE. The device reads vertices and indices from the
// host's memory during the call. Counts past what a primitive may hold and
// indices past the vertices given are refused before the device reads
// anything, as the device refuses them, so that a wrong count never makes
// it read beyond the host's arrays.
#include <d3d.h>

#include "d3d/d3d_state.h"
#include "korvane.h"

namespace {

// Most indices one call can use: three per triangle of the largest list.
constexpr DWORD kMaxIndexCount = 3u * D3DMAXNUMPRIMITIVES;

bool VerticesAcceptable(const void *vertices, DWORD count) {
  return count <= D3DMAXNUMVERTICES && (vertices != nullptr || count == 0);
}

bool IndicesAcceptable(const WORD *indices, DWORD indexCount, DWORD vertexCount) {
  if (indexCount > kMaxIndexCount || (indices == nullptr && indexCount != 0)) return false;
  for (DWORD i = 0; i < indexCount; ++i) {
    if (indices[i] >= vertexCount) return false;
  }
  return true;
}

}  // namespace

extern "C" int BEGIN_SCENE(void) {
  LPDIRECT3DDEVICE7 device = DeviceFor("BEGIN_SCENE");
  if (device == nullptr) return 1;
  return DeviceCallResult(device->BeginScene(), " !!! BEGIN_SCENE FAILED !!!", true);
}

extern "C" int END_SCENE(void) {
  LPDIRECT3DDEVICE7 device = DeviceFor("END_SCENE");
  if (device == nullptr) return 1;
  return DeviceCallResult(device->EndScene(), " !!! END_SCENE FAILED !!!", true);
}

extern "C" int DRAW_PRIMITIVE(DWORD type, DWORD fvf, void *vertices, DWORD count, DWORD flags) {
  const char kFailed[] = " !!! DRAW_PRIMITIVE FAILED !!!";
  LPDIRECT3DDEVICE7 device = DeviceFor("DRAW_PRIMITIVE");
  if (device == nullptr) return 1;
  if (!VerticesAcceptable(vertices, count)) return DeviceCallResult(kRefusedArgument, kFailed, true);
  const HRESULT result =
      device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(type), fvf, vertices, count, flags);
  return DeviceCallResult(result, kFailed, true);
}

extern "C" int DRAW_INDEXED_PRIMITIVE(DWORD type, DWORD fvf, void *vertices, DWORD vertexCount, WORD *indices,
                                      DWORD indexCount, DWORD flags) {
  const char kFailed[] = " !!! DRAW_INDEXED_PRIMITIVE FAILED !!!";
  LPDIRECT3DDEVICE7 device = DeviceFor("DRAW_INDEXED_PRIMITIVE");
  if (device == nullptr) return 1;
  if (!VerticesAcceptable(vertices, vertexCount) || !IndicesAcceptable(indices, indexCount, vertexCount)) {
    return DeviceCallResult(kRefusedArgument, kFailed, true);
  }
  const HRESULT result = device->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(type), fvf, vertices,
                                                      vertexCount, indices, indexCount, flags);
  return DeviceCallResult(result, kFailed, true);
}
