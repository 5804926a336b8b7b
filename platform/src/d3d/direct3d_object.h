// The Direct3D 7 object of a DirectDraw object: it lists the device types
// and their z-buffer formats and makes devices on 3D-capable surfaces.
#pragma once

#include <windows.h>
#include <d3d.h>

#include <atomic>

namespace platform::d3d {

class Direct3D7 final : public IDirect3D7 {
 public:
  explicit Direct3D7(IDirectDraw7 *directDraw);

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  STDMETHOD(EnumDevices)(LPD3DENUMDEVICESCALLBACK7 callback, LPVOID context) override;
  STDMETHOD(CreateDevice)(REFCLSID deviceType, LPDIRECTDRAWSURFACE7 target, LPDIRECT3DDEVICE7 *device) override;
  STDMETHOD(CreateVertexBuffer)(LPD3DVERTEXBUFFERDESC desc, LPDIRECT3DVERTEXBUFFER7 *buffer, DWORD flags) override;
  STDMETHOD(EnumZBufferFormats)(REFCLSID deviceType, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                LPVOID context) override;
  STDMETHOD(EvictManagedTextures)() override;

  IDirectDraw7 *directDraw() const { return directDraw_; }

 private:
  ~Direct3D7();

  std::atomic<ULONG> references_{1};
  IDirectDraw7 *directDraw_;
};

int LiveDirect3DObjects();

}  // namespace platform::d3d
