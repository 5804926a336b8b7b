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

#define KV_RENDER_STATE_EXPORT(name, state, value)                                        \
  extern "C" int name(void) {                                                             \
    return SetState(#name, state, value, " !!! " #name " FAILED !!!");                   \
  }
#define KV_RENDER_STATE_VALUE_EXPORT(name, state)                                         \
  extern "C" int name(DWORD value) {                                                      \
    return SetState(#name, state, value, " !!! " #name " FAILED !!!");                   \
  }

}  // namespace

KV_RENDER_STATE_EXPORT(RS_ANTIALIAS_SORTDEPENDENT, D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_SORTDEPENDENT)
KV_RENDER_STATE_EXPORT(RS_ANTIALIAS_SORTINDEPENDENT, D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_SORTINDEPENDENT)
KV_RENDER_STATE_EXPORT(RS_ANTIALIAS_NONE, D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_NONE)
KV_RENDER_STATE_VALUE_EXPORT(RS_SRCBLEND, D3DRENDERSTATE_SRCBLEND)
KV_RENDER_STATE_VALUE_EXPORT(RS_DESTBLEND, D3DRENDERSTATE_DESTBLEND)
KV_RENDER_STATE_EXPORT(RS_ENABLE_ALPHABLEND, D3DRENDERSTATE_ALPHABLENDENABLE, TRUE)
KV_RENDER_STATE_EXPORT(RS_DISABLE_ALPHABLEND, D3DRENDERSTATE_ALPHABLENDENABLE, FALSE)
KV_RENDER_STATE_EXPORT(RS_ENABLE_Z_BUFFERING, D3DRENDERSTATE_ZENABLE, D3DZB_TRUE)
KV_RENDER_STATE_EXPORT(RS_ENABLE_W_BUFFERING, D3DRENDERSTATE_ZENABLE, D3DZB_USEW)
KV_RENDER_STATE_EXPORT(RS_ENABLE_LIGHTING, D3DRENDERSTATE_LIGHTING, TRUE)
KV_RENDER_STATE_EXPORT(RS_DISABLE_LIGHTING, D3DRENDERSTATE_LIGHTING, FALSE)
KV_RENDER_STATE_VALUE_EXPORT(RS_SET_AMBIENT_COLOR, D3DRENDERSTATE_AMBIENT)

// The one render-state export without a failure line of its own.
extern "C" int RS_DISABLE_DEPTH_BUFFERING(void) {
  return SetState("RS_DISABLE_DEPTH_BUFFERING", D3DRENDERSTATE_ZENABLE, D3DZB_FALSE, nullptr);
}
