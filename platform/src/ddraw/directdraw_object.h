// The DirectDraw 7 object the factory hands out: cooperative level, display
// modes, surface and palette creation, video memory and the vertical blank.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <atomic>
#include <vector>

#include "ddraw/surface.h"

namespace platform {

class Surface;

class DirectDraw7 : public IDirectDraw7, public SurfaceOwner {
 public:
  DirectDraw7();
  virtual ~DirectDraw7();

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  STDMETHOD(CreatePalette)(DWORD flags, LPPALETTEENTRY table, LPDIRECTDRAWPALETTE *palette,
                           IUnknown *outer) override;
  STDMETHOD(CreateSurface)(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7 *surface, IUnknown *outer) override;
  STDMETHOD(EnumDisplayModes)(DWORD flags, LPDDSURFACEDESC2 filter, LPVOID context,
                              LPDDENUMMODESCALLBACK2 callback) override;
  STDMETHOD(GetDisplayMode)(LPDDSURFACEDESC2 desc) override;
  STDMETHOD(GetMonitorFrequency)(LPDWORD frequency) override;
  STDMETHOD(GetVerticalBlankStatus)(BOOL *inBlank) override;
  STDMETHOD(RestoreDisplayMode)() override;
  STDMETHOD(SetCooperativeLevel)(HWND window, DWORD flags) override;
  STDMETHOD(SetDisplayMode)(DWORD width, DWORD height, DWORD bpp, DWORD refreshRate, DWORD flags) override;
  STDMETHOD(WaitForVerticalBlank)(DWORD flags, HANDLE event) override;
  STDMETHOD(GetAvailableVidMem)(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) override;
  STDMETHOD(RestoreAllSurfaces)() override;
  STDMETHOD(TestCooperativeLevel)() override;

  // Methods the library does not use.
  STDMETHOD(Compact)() override { return DD_OK; }
  STDMETHOD(CreateClipper)(DWORD, LPDIRECTDRAWCLIPPER *, IUnknown *) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(DuplicateSurface)(LPDIRECTDRAWSURFACE7, LPDIRECTDRAWSURFACE7 *) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(EnumSurfaces)(DWORD, LPDDSURFACEDESC2, LPVOID, LPDDENUMSURFACESCALLBACK7) override {
    return DDERR_UNSUPPORTED;
  }
  STDMETHOD(FlipToGDISurface)() override { return DD_OK; }
  STDMETHOD(GetCaps)(LPDDCAPS, LPDDCAPS) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(GetFourCCCodes)(LPDWORD, LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(GetGDISurface)(LPDIRECTDRAWSURFACE7 *) override { return DDERR_NOTFOUND; }
  STDMETHOD(GetScanLine)(LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(Initialize)(GUID *) override { return DDERR_ALREADYINITIALIZED; }
  STDMETHOD(GetSurfaceFromDC)(HDC, LPDIRECTDRAWSURFACE7 *) override { return DDERR_NOTFOUND; }
  STDMETHOD(GetDeviceIdentifier)(LPDDDEVICEIDENTIFIER2, DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(StartModeTest)(LPSIZE, DWORD, DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(EvaluateMode)(DWORD, DWORD *) override { return DDERR_UNSUPPORTED; }

  // For the surfaces this object made.
  IDirectDraw7 *Interface() override { return this; }
  void Register(Surface *surface) override;
  void Unregister(Surface *surface) override;
  bool exclusive() const { return exclusive_; }
  bool cooperativeLevelSet() const { return cooperativeFlags_ != 0; }

 private:
  Surface *CreateMipChain(DWORD width, DWORD height, DWORD levels, const SurfaceFormat &format, DWORD caps,
                          DWORD caps2, Surface::Placement placement, HRESULT *result);

  std::atomic<ULONG> references_{1};
  DWORD cooperativeFlags_ = 0;
  bool exclusive_ = false;
  bool changedMode_ = false;
  std::vector<Surface *> surfaces_;
  Surface *primary_ = nullptr;
};

// DirectDraw objects alive: made by the factory and not yet fully released.
int LiveDirectDrawObjects();

}  // namespace platform
