// The RS_ exports: each sets one render state of the device to a fixed value
// or to its argument, with its own failure line.
#include <d3d.h>

#include "d3d/d3d_state.h"
#include "korvane.h"

namespace {

// One SetRenderState call; `failureLine` null for the export that has none.
int SetState(const char *exportName, D3DRENDERSTATETYPE state, DWORD value, const char *failureLine) {
  LPDIRECT3DDEVICE7 device = DeviceFor(exportName);
  if (device == nullptr) return 1;
  return DeviceCallResult(device->SetRenderState(state, value), failureLine, true);
}

}  // namespace

extern "C" int RS_ANTIALIAS_SORTDEPENDENT(void) {
  return SetState("RS_ANTIALIAS_SORTDEPENDENT", D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_SORTDEPENDENT, " !!! RS_ANTIALIAS_SORTDEPENDENT FAILED !!!");
}

extern "C" int RS_ANTIALIAS_SORTINDEPENDENT(void) {
  return SetState("RS_ANTIALIAS_SORTINDEPENDENT", D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_SORTINDEPENDENT, " !!! RS_ANTIALIAS_SORTINDEPENDENT FAILED !!!");
}

extern "C" int RS_ANTIALIAS_NONE(void) {
  return SetState("RS_ANTIALIAS_NONE", D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_NONE, " !!! RS_ANTIALIAS_NONE FAILED !!!");
}

extern "C" int RS_SRCBLEND(DWORD blend) {
  return SetState("RS_SRCBLEND", D3DRENDERSTATE_SRCBLEND, blend, " !!! RS_SRCBLEND FAILED !!!");
}

extern "C" int RS_DESTBLEND(DWORD blend) {
  return SetState("RS_DESTBLEND", D3DRENDERSTATE_DESTBLEND, blend, " !!! RS_DESTBLEND FAILED !!!");
}

extern "C" int RS_ENABLE_ALPHABLEND(void) {
  return SetState("RS_ENABLE_ALPHABLEND", D3DRENDERSTATE_ALPHABLENDENABLE, TRUE, " !!! RS_ENABLE_ALPHABLEND FAILED !!!");
}

extern "C" int RS_DISABLE_ALPHABLEND(void) {
  return SetState("RS_DISABLE_ALPHABLEND", D3DRENDERSTATE_ALPHABLENDENABLE, FALSE, " !!! RS_DISABLE_ALPHABLEND FAILED !!!");
}

extern "C" int RS_ENABLE_Z_BUFFERING(void) {
  return SetState("RS_ENABLE_Z_BUFFERING", D3DRENDERSTATE_ZENABLE, D3DZB_TRUE, " !!! RS_ENABLE_Z_BUFFERING FAILED !!!");
}

extern "C" int RS_ENABLE_W_BUFFERING(void) {
  return SetState("RS_ENABLE_W_BUFFERING", D3DRENDERSTATE_ZENABLE, D3DZB_USEW, " !!! RS_ENABLE_W_BUFFERING FAILED !!!");
}

extern "C" int RS_ENABLE_LIGHTING(void) {
  return SetState("RS_ENABLE_LIGHTING", D3DRENDERSTATE_LIGHTING, TRUE, " !!! RS_ENABLE_LIGHTING FAILED !!!");
}

extern "C" int RS_DISABLE_LIGHTING(void) {
  return SetState("RS_DISABLE_LIGHTING", D3DRENDERSTATE_LIGHTING, FALSE, " !!! RS_DISABLE_LIGHTING FAILED !!!");
}

extern "C" int RS_SET_AMBIENT_COLOR(DWORD colour) {
  return SetState("RS_SET_AMBIENT_COLOR", D3DRENDERSTATE_AMBIENT, colour, " !!! RS_SET_AMBIENT_COLOR FAILED !!!");
}

// The one render-state export without a failure line of its own.
extern "C" int RS_DISABLE_DEPTH_BUFFERING(void) {
  return SetState("RS_DISABLE_DEPTH_BUFFERING", D3DRENDERSTATE_ZENABLE, D3DZB_FALSE, nullptr);
}
