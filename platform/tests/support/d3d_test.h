// Test support for the platform's Direct3D: a DirectDraw object in exclusive
// mode with its Direct3D object, render targets, z-buffers and textures of
// any format, devices on them, and pixel access by Lock.
#pragma once

#include <windows.h>
#include <d3d.h>

#include <cstring>
#include <vector>

#include "machine.h"
#include "machine_d3d.h"
#include "machine_display.h"
#include "support/test_machine.h"

// A pre-transformed vertex with rhw 1 and no specular colour.
inline D3DTLVERTEX Tl(float x, float y, float z, D3DCOLOR colour, float u = 0.0f, float v = 0.0f) {
  D3DTLVERTEX vertex{};
  vertex.sx = x;
  vertex.sy = y;
  vertex.sz = z;
  vertex.rhw = 1.0f;
  vertex.color = colour;
  vertex.specular = 0;
  vertex.tu = u;
  vertex.tv = v;
  return vertex;
}

class Direct3DTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    LPVOID object = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
    dd_ = static_cast<IDirectDraw7 *>(object);
    ASSERT_EQ(dd_->SetCooperativeLevel(reinterpret_cast<HWND>(0x5000), DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
    ASSERT_EQ(dd_->QueryInterface(IID_IDirect3D7, reinterpret_cast<void **>(&d3d_)), DD_OK);
  }

  void TearDown() override {
    for (auto it = released_.rbegin(); it != released_.rend(); ++it) (*it)->Release();
    if (d3d_ != nullptr) {
      EXPECT_EQ(d3d_->Release(), 0u);
    }
    if (dd_ != nullptr) {
      EXPECT_EQ(dd_->Release(), 0u);
    }
    EXPECT_EQ(machine::live_directdraw_surfaces(), 0);
    EXPECT_EQ(machine::live_direct3d_devices(), 0);
    EXPECT_EQ(machine::live_direct3d_objects(), 0);
    MachineTest::TearDown();
  }

  // Releases `object` at the end of the case, before the objects made earlier.
  template <typename T>
  T *Keep(T *object) {
    if (object != nullptr) released_.push_back(object);
    return object;
  }

  static DDPIXELFORMAT RgbFormat(DWORD bits, bool rgb555 = false) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    format.dwFlags = DDPF_RGB;
    format.dwRGBBitCount = bits;
    if (bits == 16) {
      format.dwRBitMask = rgb555 ? 0x7C00 : 0xF800;
      format.dwGBitMask = rgb555 ? 0x03E0 : 0x07E0;
      format.dwBBitMask = 0x001F;
    } else if (bits > 16) {
      format.dwRBitMask = 0xFF0000;
      format.dwGBitMask = 0x00FF00;
      format.dwBBitMask = 0x0000FF;
    } else {
      format.dwFlags |= DDPF_PALETTEINDEXED8;
    }
    return format;
  }

  static DDPIXELFORMAT ZFormat(DWORD bits, DWORD stencil = 0) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    format.dwFlags = DDPF_ZBUFFER | (stencil != 0 ? DDPF_STENCILBUFFER : 0);
    format.dwZBufferBitDepth = bits;
    format.dwStencilBitDepth = stencil;
    return format;
  }

  // A surface of `format`, or null with `*result` set.
  IDirectDrawSurface7 *Make(DWORD width, DWORD height, const DDPIXELFORMAT &format, DWORD caps,
                            HRESULT *result = nullptr, DWORD caps2 = 0) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddpfPixelFormat = format;
    desc.ddsCaps.dwCaps = caps;
    desc.ddsCaps.dwCaps2 = caps2;
    IDirectDrawSurface7 *surface = nullptr;
    const HRESULT made = dd_->CreateSurface(&desc, &surface, nullptr);
    if (result != nullptr) *result = made;
    return Keep(surface);
  }

  IDirectDrawSurface7 *Target(DWORD width, DWORD height, DWORD bits, bool rgb555 = false) {
    return Make(width, height, RgbFormat(bits, rgb555), DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
  }

  IDirectDrawSurface7 *AttachZ(IDirectDrawSurface7 *target, DWORD bits, DWORD stencil = 0) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    target->GetSurfaceDesc(&desc);
    IDirectDrawSurface7 *z = Make(desc.dwWidth, desc.dwHeight, ZFormat(bits, stencil), DDSCAPS_ZBUFFER);
    EXPECT_NE(z, nullptr);
    if (z != nullptr) {
      EXPECT_EQ(target->AddAttachedSurface(z), DD_OK);
    }
    return z;
  }

  IDirect3DDevice7 *Device(IDirectDrawSurface7 *target, const GUID &type = IID_IDirect3DHALDevice) {
    IDirect3DDevice7 *device = nullptr;
    EXPECT_EQ(d3d_->CreateDevice(type, target, &device), D3D_OK);
    return Keep(device);
  }

  // One pixel's raw value.
  static DWORD Pixel(IDirectDrawSurface7 *surface, int x, int y) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return 0xDEADBEEF;
    const int bytes = static_cast<int>((desc.ddpfPixelFormat.dwRGBBitCount + 7) / 8);
    const BYTE *at = static_cast<BYTE *>(desc.lpSurface) + y * desc.lPitch + x * bytes;
    DWORD value = 0;
    memcpy(&value, at, bytes == 3 ? 3 : bytes);
    surface->Unlock(nullptr);
    return value;
  }

  // Every pixel's raw value, row by row.
  static std::vector<DWORD> Pixels(IDirectDrawSurface7 *surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    std::vector<DWORD> values;
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return values;
    const int bytes = static_cast<int>((desc.ddpfPixelFormat.dwRGBBitCount + 7) / 8);
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      for (DWORD x = 0; x < desc.dwWidth; ++x) {
        DWORD value = 0;
        memcpy(&value, static_cast<BYTE *>(desc.lpSurface) + y * desc.lPitch + x * bytes, bytes);
        values.push_back(value);
      }
    }
    surface->Unlock(nullptr);
    return values;
  }

  // Fills a surface with `value(x, y)`.
  template <typename Value>
  static void Paint(IDirectDrawSurface7 *surface, Value value) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const int bytes = static_cast<int>((desc.ddpfPixelFormat.dwRGBBitCount + 7) / 8);
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      for (DWORD x = 0; x < desc.dwWidth; ++x) {
        const DWORD v = value(static_cast<int>(x), static_cast<int>(y));
        memcpy(static_cast<BYTE *>(desc.lpSurface) + y * desc.lPitch + x * bytes, &v, bytes);
      }
    }
    surface->Unlock(nullptr);
  }

  IDirectDraw7 *dd_ = nullptr;
  IDirect3D7 *d3d_ = nullptr;
  std::vector<IUnknown *> released_;
};
