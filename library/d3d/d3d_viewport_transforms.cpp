// The viewport, the clear of the viewport and the world, view and projection
// transforms. GET_VIEWPORT answers with a record the library owns, valid
// until the next GET_VIEWPORT.
#include <d3d.h>

#include "core/report.h"
#include "d3d/d3d_state.h"
#include "korvane.h"

namespace {

D3DVIEWPORT7 gViewportCopy{};

D3DMATRIX *GetTransform(const char *exportName, D3DTRANSFORMSTATETYPE state, D3DMATRIX *hostMatrix) {
  LPDIRECT3DDEVICE7 device = DeviceFor(exportName);
  if (device == nullptr || hostMatrix == nullptr) return nullptr;
  D3DMATRIX matrix{};
  device->GetTransform(state, &matrix);
  *hostMatrix = matrix;
  return hostMatrix;
}

int SetTransform(const char *exportName, D3DTRANSFORMSTATETYPE state, const D3DMATRIX *hostMatrix,
                 const char *failureLine) {
  LPDIRECT3DDEVICE7 device = DeviceFor(exportName);
  if (device == nullptr) return 1;
  if (hostMatrix == nullptr) return DeviceCallResult(kRefusedArgument, failureLine, false);
  D3DMATRIX matrix = *hostMatrix;
  return DeviceCallResult(device->SetTransform(state, &matrix), failureLine, false);
}

}  // namespace

extern "C" int CREATE_VIEWPORT(DWORD x, DWORD y, DWORD width, DWORD height, float minZ, float maxZ) {
  ReportLine("MinZ:%1.2f -- MaxZ:%1.2f", static_cast<double>(minZ), static_cast<double>(maxZ));
  LPDIRECT3DDEVICE7 device = DeviceFor("CREATE_VIEWPORT");
  if (device == nullptr) return 1;
  D3DVIEWPORT7 viewport{x, y, width, height, minZ, maxZ};
  return DeviceCallResult(device->SetViewport(&viewport), nullptr, true);
}

extern "C" D3DVIEWPORT7 *GET_VIEWPORT(void) {
  gViewportCopy = D3DVIEWPORT7{};
  LPDIRECT3DDEVICE7 device = DeviceFor("GET_VIEWPORT");
  if (device != nullptr) device->GetViewport(&gViewportCopy);
  return &gViewportCopy;
}

extern "C" D3DMATRIX *GET_TRANSFORM_WORLD(D3DMATRIX *matrix) {
  return GetTransform("GET_TRANSFORM_WORLD", D3DTRANSFORMSTATE_WORLD, matrix);
}
extern "C" D3DMATRIX *GET_TRANSFORM_VIEW(D3DMATRIX *matrix) {
  return GetTransform("GET_TRANSFORM_VIEW", D3DTRANSFORMSTATE_VIEW, matrix);
}
extern "C" D3DMATRIX *GET_TRANSFORM_PROJECTION(D3DMATRIX *matrix) {
  return GetTransform("GET_TRANSFORM_PROJECTION", D3DTRANSFORMSTATE_PROJECTION, matrix);
}

extern "C" int SET_TRANSFORM_WORLD(const D3DMATRIX *matrix) {
  return SetTransform("SET_TRANSFORM_WORLD", D3DTRANSFORMSTATE_WORLD, matrix, " !!! SET_TRANSFORM_WORLD FAILED !!!");
}
extern "C" int SET_TRANSFORM_VIEW(const D3DMATRIX *matrix) {
  return SetTransform("SET_TRANSFORM_VIEW", D3DTRANSFORMSTATE_VIEW, matrix, " !!! SET_TRANSFORM_VIEW FAILED !!!");
}
extern "C" int SET_TRANSFORM_PROJECTION(const D3DMATRIX *matrix) {
  return SetTransform("SET_TRANSFORM_PROJECTION", D3DTRANSFORMSTATE_PROJECTION, matrix,
                      " !!! SET_TRANSFORM_PROJECTION FAILED !!!");
}

extern "C" int CLEAR_VIEWPORT(DWORD flags, DWORD colour, float z, DWORD stencil) {
  LPDIRECT3DDEVICE7 device = DeviceFor("CLEAR_VIEWPORT");
  if (device == nullptr) return 1;
  return DeviceCallResult(device->Clear(0, nullptr, flags, colour, z, stencil), " !!! CLEAR_VIEWPORT FAILED !!!",
                          true);
}
