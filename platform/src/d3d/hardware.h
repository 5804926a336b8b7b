// The simulated 3D hardware behind every Direct3D object: which device types
// exist, the z-buffer and texture formats they offer and the capabilities
// they report. The machine interface changes it; machine::reset restores
// the default machine.
#pragma once

#include <windows.h>
#include <d3d.h>

#include <vector>

namespace platform::d3d {

struct Hardware {
  bool hal = true;
  std::vector<DDPIXELFORMAT> zbufferFormats;
  std::vector<DDPIXELFORMAT> textureFormats;
  D3DDEVICEDESC7 halCaps{};
  D3DDEVICEDESC7 rgbCaps{};
};

// The hardware as configured now. Direct3D is used from the host's thread,
// as DirectDraw is.
Hardware &Hardware3D();

// The default machine: a HAL and an RGB device; z-buffers of 16, 24, 24 with
// 8 bits of stencil, and 32 bits; textures 5-6-5, 5-5-5, 1-5-5-5, 4-4-4-4,
// 32-bit RGB and ARGB, 8-bit palettised, L8, A8L8 and A4L4.
Hardware DefaultHardware();

// The device types that exist now, in the order EnumDevices lists them.
std::vector<GUID> DeviceTypes();
bool DeviceTypeExists(const GUID &type);

// The description of a device type (false when it does not exist).
bool DescribeDevice(const GUID &type, D3DDEVICEDESC7 *desc);

}  // namespace platform::d3d
