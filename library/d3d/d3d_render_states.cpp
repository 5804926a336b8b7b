// The RS_ exports: each sets one render state of the device to a fixed value
// or to its argument, with its own failure line.
#include <d3d.h>

#include <string>

#include "d3d/d3d_state.h"
#include "korvane.h"

namespace {

// One SetRenderState call, reported as " !!! <export> FAILED !!!" when it
// fails.
int SetState(const char *exportName, D3DRENDERSTATETYPE state, DWORD value) {
  LPDIRECT3DDEVICE7 device = DeviceFor(exportName);
  if (device == nullptr) return 1;
  const std::string failureLine = std::string(" !!! ") + exportName + " FAILED !!!";
  return DeviceCallResult(device->SetRenderState(state, value), failureLine.c_str(), true);
}

}  // namespace

extern "C" int RS_ANTIALIAS_SORTDEPENDENT(void) {
  return SetState("RS_ANTIALIAS_SORTDEPENDENT", D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_SORTDEPENDENT);
}

extern "C" int RS_ANTIALIAS_SORTINDEPENDENT(void) {
  return SetState("RS_ANTIALIAS_SORTINDEPENDENT", D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_SORTINDEPENDENT);
}

extern "C" int RS_ANTIALIAS_NONE(void) {
  return SetState("RS_ANTIALIAS_NONE", D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_NONE);
}

extern "C" int RS_SRCBLEND(DWORD blend) {
  return SetState("RS_SRCBLEND", D3DRENDERSTATE_SRCBLEND, blend);
}

extern "C" int RS_DESTBLEND(DWORD blend) {
  return SetState("RS_DESTBLEND", D3DRENDERSTATE_DESTBLEND, blend);
}

extern "C" int RS_ENABLE_ALPHABLEND(void) {
  return SetState("RS_ENABLE_ALPHABLEND", D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
}

extern "C" int RS_DISABLE_ALPHABLEND(void) {
  return SetState("RS_DISABLE_ALPHABLEND", D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
}

extern "C" int RS_ENABLE_Z_BUFFERING(void) {
  return SetState("RS_ENABLE_Z_BUFFERING", D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
}

extern "C" int RS_ENABLE_W_BUFFERING(void) {
  return SetState("RS_ENABLE_W_BUFFERING", D3DRENDERSTATE_ZENABLE, D3DZB_USEW);
}

extern "C" int RS_ENABLE_LIGHTING(void) {
  return SetState("RS_ENABLE_LIGHTING", D3DRENDERSTATE_LIGHTING, TRUE);
}

extern "C" int RS_DISABLE_LIGHTING(void) {
  return SetState("RS_DISABLE_LIGHTING", D3DRENDERSTATE_LIGHTING, FALSE);
}

extern "C" int RS_SET_AMBIENT_COLOR(DWORD colour) {
  return SetState("RS_SET_AMBIENT_COLOR", D3DRENDERSTATE_AMBIENT, colour);
}

// The one render-state export without a failure line of its own.
extern "C" int RS_DISABLE_DEPTH_BUFFERING(void) {
  LPDIRECT3DDEVICE7 device = DeviceFor("RS_DISABLE_DEPTH_BUFFERING");
  if (device == nullptr) return 1;
  return DeviceCallResult(device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE), nullptr, true);
}
