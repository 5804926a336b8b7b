// IDirect3D7: device enumeration, z-buffer formats, device creation, and the
// factory through which IDirectDraw7::QueryInterface hands the object out.
#include "d3d/direct3d_object.h"

#include <cstdio>
#include <vector>

#include "com/query_interface.h"
#include "base/faults.h"
#include "base/reset.h"
#include "d3d/device.h"
#include "d3d/hardware.h"
#include "ddraw/direct3d_hook.h"
#include "ddraw/surface.h"

namespace platform::d3d {

namespace {

std::atomic<int> gLiveObjects{0};


HRESULT MakeDirect3D(IDirectDraw7 *directDraw, void **direct3d) {
  *direct3d = static_cast<IDirect3D7 *>(new Direct3D7(directDraw));
  return D3D_OK;
}

// Registered when the platform loads, so DirectDraw answers for Direct3D,
// and again by machine::reset, which brings the power-on machine back.
void RegisterFactory() { RegisterDirect3DFactory(MakeDirect3D); }
const bool gRegistered = (RegisterFactory(), true);
ResetHook gResetFactory(RegisterFactory);

// The names EnumDevices gives each device type.
struct DeviceName {
  const GUID *type;
  const char *description;
  const char *name;
};
constexpr DeviceName kDeviceNames[] = {
    {&IID_IDirect3DRGBDevice, "Microsoft Direct3D RGB Software Emulation", "RGB Emulation"},
    {&IID_IDirect3DHALDevice, "Microsoft Direct3D Hardware acceleration through Direct3D HAL", "Direct3D HAL"},
};

}  // namespace

Direct3D7::Direct3D7(IDirectDraw7 *directDraw) : directDraw_(directDraw) {
  (void)gRegistered;
  directDraw_->AddRef();
  ++gLiveObjects;
}

Direct3D7::~Direct3D7() {
  directDraw_->Release();
  --gLiveObjects;
}

HRESULT Direct3D7::QueryInterface(REFIID riid, void **object) {
  return AnswerQueryInterface<IDirect3D7>(this, "IDirect3D7::QueryInterface", riid, IID_IDirect3D7, object);
}

ULONG Direct3D7::AddRef() { return ++references_; }

ULONG Direct3D7::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT Direct3D7::EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, LPVOID context) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3D7::EnumDevices", &fault)) return fault;
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  for (const DeviceName &device : kDeviceNames) {
    D3DDEVICEDESC7 desc;
    if (!DescribeDevice(*device.type, &desc)) continue;
    // The callback gets copies: what it does to them changes nothing here.
    char description[128], name[64];
    snprintf(description, sizeof description, "%s", device.description);
    snprintf(name, sizeof name, "%s", device.name);
    if (callback(description, name, &desc, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT Direct3D7::EnumZBufferFormats(REFCLSID deviceType, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                      LPVOID context) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3D7::EnumZBufferFormats", &fault)) return fault;
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  if (!DeviceTypeExists(deviceType)) return DDERR_INVALIDPARAMS;
  // A copy of the list: a callback may reconfigure the machine.
  const std::vector<DDPIXELFORMAT> formats = Hardware3D().zbufferFormats;
  for (DDPIXELFORMAT format : formats) {
    if (callback(&format, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT Direct3D7::CreateDevice(REFCLSID deviceType, LPDIRECTDRAWSURFACE7 target, LPDIRECT3DDEVICE7 *device) {
  HRESULT fault;
  if (device != nullptr) *device = nullptr;
  if (platform::TakeFault("IDirect3D7::CreateDevice", &fault)) return fault;
  if (device == nullptr) return DDERR_INVALIDPARAMS;
  Surface *surface = Surface::From(target);
  if (surface == nullptr) return DDERR_INVALIDPARAMS;
  if (!DeviceTypeExists(deviceType)) return DDERR_INVALIDPARAMS;
  HRESULT result = Device7::CheckTarget(surface, deviceType);
  if (FAILED(result)) return result;
  *device = new Device7(this, surface, deviceType);
  return D3D_OK;
}

HRESULT Direct3D7::CreateVertexBuffer(LPD3DVERTEXBUFFERDESC, LPDIRECT3DVERTEXBUFFER7 *buffer, DWORD) {
  HRESULT fault;
  if (buffer != nullptr) *buffer = nullptr;
  if (platform::TakeFault("IDirect3D7::CreateVertexBuffer", &fault)) return fault;
  // Vertex buffers are not offered: hosts draw from their own memory.
  return DDERR_UNSUPPORTED;
}

HRESULT Direct3D7::EvictManagedTextures() {
  HRESULT fault;
  if (platform::TakeFault("IDirect3D7::EvictManagedTextures", &fault)) return fault;
  // Managed textures live in the surfaces' own memory: nothing to evict.
  return D3D_OK;
}

int LiveDirect3DObjects() { return gLiveObjects.load(); }

}  // namespace platform::d3d
