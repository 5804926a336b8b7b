// The 3D hardware's part of the machine interface: HAL presence, the offered
// z-buffer and texture formats, the devices' capability records, and the
// Direct3D objects alive.
#include "d3d/device.h"
#include "d3d/direct3d_object.h"
#include "d3d/hardware.h"
#include "machine_d3d.h"

namespace {

D3DDEVICEDESC7 *CapsOf(const GUID &deviceType) {
  platform::d3d::Hardware &hardware = platform::d3d::Hardware3D();
  if (IsEqualGUID(deviceType, IID_IDirect3DHALDevice)) return &hardware.halCaps;
  if (IsEqualGUID(deviceType, IID_IDirect3DRGBDevice)) return &hardware.rgbCaps;
  return nullptr;
}

}  // namespace

namespace machine {

void set_direct3d_hal_present(bool present) { platform::d3d::Hardware3D().hal = present; }

void set_zbuffer_formats(const std::vector<DDPIXELFORMAT> &formats) {
  platform::d3d::Hardware3D().zbufferFormats = formats;
}

std::vector<DDPIXELFORMAT> zbuffer_formats() { return platform::d3d::Hardware3D().zbufferFormats; }

void set_texture_formats(const std::vector<DDPIXELFORMAT> &formats) {
  platform::d3d::Hardware3D().textureFormats = formats;
}

std::vector<DDPIXELFORMAT> texture_formats() { return platform::d3d::Hardware3D().textureFormats; }

D3DDEVICEDESC7 direct3d_device_caps(const GUID &deviceType) {
  const D3DDEVICEDESC7 *caps = CapsOf(deviceType);
  return caps != nullptr ? *caps : D3DDEVICEDESC7{};
}

void set_direct3d_device_caps(const GUID &deviceType, const D3DDEVICEDESC7 &caps) {
  D3DDEVICEDESC7 *stored = CapsOf(deviceType);
  if (stored == nullptr) return;
  *stored = caps;
  stored->deviceGUID = deviceType;
}

int live_direct3d_objects() { return platform::d3d::LiveDirect3DObjects(); }
int live_direct3d_devices() { return platform::d3d::LiveDevices(); }

}  // namespace machine
