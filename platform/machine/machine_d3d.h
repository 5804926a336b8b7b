// The machine interface of the simulated 3D hardware: whether a HAL device
// exists, the z-buffer and texture formats the devices offer, and the
// capability records they report. machine::reset() restores the default
// machine: a HAL and an RGB device; z-buffers of 16, 24, 24 + 8 stencil and
// 32 bits; textures 5-6-5, 5-5-5, 1-5-5-5, 4-4-4-4, 32-bit RGB, 32-bit ARGB,
// 8-bit palettised, L8, A8L8 and A4L4, sharing the display's video memory.
// Faults are injected with machine::fail_next, by method name
// ("IDirect3D7::CreateDevice", "IDirect3DDevice7::DrawPrimitive", ...).
#pragma once

#include "machine_api.h"

#include <windows.h>
#include <d3d.h>

#include <vector>

namespace machine MACHINE_API {

// Without a HAL only the RGB device is listed and created.
void set_direct3d_hal_present(bool present);

// Formats EnumZBufferFormats and EnumTextureFormats list, in this order.
void set_zbuffer_formats(const std::vector<DDPIXELFORMAT> &formats);
std::vector<DDPIXELFORMAT> zbuffer_formats();
void set_texture_formats(const std::vector<DDPIXELFORMAT> &formats);
std::vector<DDPIXELFORMAT> texture_formats();

// The capability record of a device type (IID_IDirect3DHALDevice or
// IID_IDirect3DRGBDevice) as EnumDevices and GetCaps report it; the record's
// deviceGUID is always the type's own. Unknown types are ignored.
D3DDEVICEDESC7 direct3d_device_caps(const GUID &deviceType);
void set_direct3d_device_caps(const GUID &deviceType, const D3DDEVICEDESC7 &caps);

// Direct3D objects and devices alive (made and not yet fully released).
int live_direct3d_objects();
int live_direct3d_devices();

}  // namespace machine
