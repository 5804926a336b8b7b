// IDirectDrawSurface7::GetDC and ReleaseDC: a GDI device context whose
// canvas is the surface's own memory and palette. While the context is out
// the surface counts as locked, as in DirectDraw, and holds a reference so
// that the context never outlives its pixels.
#include "control/faults.h"
#include "ddraw/front_buffer.h"
#include "ddraw/palette.h"
#include "ddraw/surface.h"
#include "gdi/surface_dc.h"
#include "kernel/handles.h"

namespace platform {

namespace {

class SurfaceCanvas final : public gdi::Canvas {
 public:
  explicit SurfaceCanvas(Surface *surface) : surface_(surface) { surface_->AddRef(); }
  ~SurfaceCanvas() override { surface_->Release(); }

  pixels::Block Pixels() override { return surface_->WholeBlock(); }
  pixels::Format PixelFormat() const override { return surface_->format(); }
  bool Palette(uint32_t rgb[256]) const override {
    const auto *attached = dynamic_cast<const platform::Palette *>(surface_->palette());
    if (attached == nullptr) return false;
    attached->ToRgb(rgb);
    return true;
  }

 private:
  Surface *surface_;
};

}  // namespace

HRESULT Surface::GetDC(HDC *dc) {
  HRESULT fault;
  if (dc != nullptr) *dc = nullptr;
  if (TakeFault("IDirectDrawSurface7::GetDC", &fault)) return fault;
  if (dc == nullptr) return DDERR_INVALIDPARAMS;
  if (dc_ != nullptr) return DDERR_DCALREADYCREATED;
  const HRESULT usable = CheckUsable();
  if (usable != DD_OK) return usable;
  dc_ = gdi::OpenCanvasDC(std::make_unique<SurfaceCanvas>(this));
  PixelsMayChange();
  locked_ = true;
  lockedArea_ = RECT{0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
  *dc = dc_;
  return DD_OK;
}

HRESULT Surface::ReleaseDC(HDC dc) {
  HRESULT fault;
  if (TakeFault("IDirectDrawSurface7::ReleaseDC", &fault)) return fault;
  if (dc == nullptr || dc != dc_) return DDERR_INVALIDPARAMS;
  dc_ = nullptr;
  locked_ = false;
  PixelsMayChange();
  // Presented while the context still holds its reference on this surface.
  PresentIfFront(this, nullptr);
  // The context holds a reference on this surface: closing it may release it.
  CloseKernelHandle(static_cast<HANDLE>(dc));
  return DD_OK;
}

}  // namespace platform
