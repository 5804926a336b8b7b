// A DirectDraw 7 surface of the software display: its memory, description,
// colour key, palette, lock, lost state, and its place in a flip chain. The
// object lives in surface.cpp; moving pixels (blits, flips) in surface_blit.cpp.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <memory>
#include <vector>

#include "ddraw/surface_formats.h"
#include "pixels/keyed_spans.h"
#include "pixels/pixel_format.h"
#include "pixels/pixel_kernels.h"

namespace platform {

class Surface;

// What a surface asks of the DirectDraw object that made it: to be counted
// among its surfaces while it lives, and the object's interface (held with
// a reference for the surface's life).
class SurfaceOwner {
 public:
  virtual IDirectDraw7 *Interface() = 0;
  virtual void Register(Surface *surface) = 0;
  virtual void Unregister(Surface *surface) = 0;

 protected:
  ~SurfaceOwner() = default;
};

// What surfaces tell the modules above them, which fill these in when the
// platform loads: the registry of live surfaces (made, released, restored),
// the screen (a visible primary going away, whose image it keeps) and the
// front buffer (the visible primary drawn, `area` null for all of it).
// Those left unset are not told.
struct SurfaceWatchers {
  void (*made)(Surface *surface);
  void (*released)(Surface *surface);
  void (*restored)(const std::vector<Surface *> &restored);
  void (*primaryGoing)(const Surface *primary);
  void (*drawn)(const Surface *drawn, const RECT *area);
};
SurfaceWatchers &Watchers();

// Pixel memory starting on a cache line, so that copies and fills of whole
// rows of a contiguous surface move whole lines.
struct CacheLineFree {
  void operator()(uint8_t *bytes) const;
};
using PixelMemory = std::unique_ptr<uint8_t[], CacheLineFree>;

class Surface final : public IDirectDrawSurface7 {
 public:
  // Memory placement asked for: video memory, system memory, or video
  // memory when it fits and system memory otherwise.
  enum class Placement { kVideo, kSystem, kVideoOrSystem };

  // Makes a surface with its memory; null with *result set when it cannot.
  static Surface *Create(SurfaceOwner *owner, DWORD width, DWORD height, const SurfaceFormat &format,
                         DWORD caps, Placement placement, HRESULT *result, DWORD caps2 = 0);
  // Makes a primary surface with `backBuffers` back buffers behind it.
  static Surface *CreatePrimaryChain(SurfaceOwner *owner, DWORD backBuffers, DWORD caps,
                                     Placement placement, HRESULT *result);

  // IUnknown
  STDMETHOD(QueryInterface)(REFIID riid, void **object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  // IDirectDrawSurface7: what the software display implements.
  STDMETHOD(AddAttachedSurface)(LPDIRECTDRAWSURFACE7 attached) override;
  STDMETHOD(Blt)(LPRECT destRect, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD flags,
                 LPDDBLTFX effects) override;
  STDMETHOD(BltFast)(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD trans) override;
  STDMETHOD(Flip)(LPDIRECTDRAWSURFACE7 targetOverride, DWORD flags) override;
  STDMETHOD(GetAttachedSurface)(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7 *attached) override;
  // Detaches one explicitly attached surface, or all of them when null.
  STDMETHOD(DeleteAttachedSurface)(DWORD flags, LPDIRECTDRAWSURFACE7 attached) override;
  STDMETHOD(GetBltStatus)(DWORD flags) override;
  STDMETHOD(GetCaps)(LPDDSCAPS2 caps) override;
  STDMETHOD(GetColorKey)(DWORD flags, LPDDCOLORKEY key) override;
  STDMETHOD(GetFlipStatus)(DWORD flags) override;
  STDMETHOD(GetPalette)(LPDIRECTDRAWPALETTE *palette) override;
  STDMETHOD(GetPixelFormat)(LPDDPIXELFORMAT format) override;
  STDMETHOD(GetSurfaceDesc)(LPDDSURFACEDESC2 desc) override;
  STDMETHOD(Initialize)(LPDIRECTDRAW, LPDDSURFACEDESC2) override { return DDERR_ALREADYINITIALIZED; }
  STDMETHOD(IsLost)() override;
  STDMETHOD(Lock)(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) override;
  STDMETHOD(Restore)() override;
  STDMETHOD(SetColorKey)(DWORD flags, LPDDCOLORKEY key) override;
  STDMETHOD(SetPalette)(LPDIRECTDRAWPALETTE palette) override;
  STDMETHOD(Unlock)(LPRECT rect) override;
  STDMETHOD(GetDDInterface)(LPVOID *directDraw) override;
  // A GDI device context on the surface's memory; the surface counts as
  // locked until ReleaseDC.
  STDMETHOD(GetDC)(HDC *dc) override;
  STDMETHOD(ReleaseDC)(HDC dc) override;

  // Methods the library does not use.
  STDMETHOD(AddOverlayDirtyRect)(LPRECT) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(BltBatch)(LPDDBLTBATCH, DWORD, DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(EnumAttachedSurfaces)(LPVOID, LPDDENUMSURFACESCALLBACK7) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(EnumOverlayZOrders)(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK7) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(GetClipper)(LPDIRECTDRAWCLIPPER *) override { return DDERR_NOCLIPPERATTACHED; }
  STDMETHOD(GetOverlayPosition)(LPLONG, LPLONG) override { return DDERR_NOTAOVERLAYSURFACE; }
  STDMETHOD(SetClipper)(LPDIRECTDRAWCLIPPER) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(SetOverlayPosition)(LONG, LONG) override { return DDERR_NOTAOVERLAYSURFACE; }
  STDMETHOD(UpdateOverlay)(LPRECT, LPDIRECTDRAWSURFACE7, LPRECT, DWORD, LPDDOVERLAYFX) override {
    return DDERR_NOTAOVERLAYSURFACE;
  }
  STDMETHOD(UpdateOverlayDisplay)(DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(UpdateOverlayZOrder)(DWORD, LPDIRECTDRAWSURFACE7) override { return DDERR_NOTAOVERLAYSURFACE; }
  STDMETHOD(PageLock)(DWORD) override { return DD_OK; }
  STDMETHOD(PageUnlock)(DWORD) override { return DD_OK; }
  STDMETHOD(SetSurfaceDesc)(LPDDSURFACEDESC2, DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(SetPrivateData)(REFGUID, LPVOID, DWORD, DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(GetPrivateData)(REFGUID, LPVOID, LPDWORD) override { return DDERR_NOTFOUND; }
  STDMETHOD(FreePrivateData)(REFGUID) override { return DDERR_NOTFOUND; }
  STDMETHOD(GetUniquenessValue)(LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(ChangeUniquenessValue)() override { return DDERR_UNSUPPORTED; }
  STDMETHOD(SetPriority)(DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(GetPriority)(LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(SetLOD)(DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHOD(GetLOD)(LPDWORD) override { return DDERR_UNSUPPORTED; }

  // For the platform: the surface's pixels and state. WholeBlock hands the
  // pixels out for writing, so it drops the keyed runs found in them;
  // PixelsForReading is for those that only read them.
  pixels::Block WholeBlock() const;
  pixels::Block PixelsForReading() const;
  const pixels::Format &format() const { return format_; }
  const DDPIXELFORMAT &described() const { return described_; }
  DWORD caps() const { return caps_; }
  DWORD caps2() const { return caps2_; }
  // The explicitly attached surface whose caps hold all of `caps`, without
  // a new reference; null when there is none.
  Surface *AttachedWith(DWORD caps) const;
  // Attaches a surface the platform made for this one (a mipmap level),
  // taking over the caller's reference.
  void AttachOwned(Surface *surface) { attached_.push_back(surface); }
  DWORD width() const { return width_; }
  DWORD height() const { return height_; }
  bool lost() const;
  bool locked() const { return locked_; }
  // Whether the run-length form of the pixels as a keyed source is kept.
  bool holdsKeyedRuns() const { return keyedRuns_ != nullptr; }
  IDirectDrawPalette *palette() const { return palette_; }
  // The source colour key, when one is set.
  bool SourceKey(DDCOLORKEY *key) const {
    if (hasSourceKey_) *key = sourceKey_;
    return hasSourceKey_;
  }
  // Makes the surface and its flip chain usable again after a loss (content
  // kept), adding those that were lost to `restored`.
  void MarkRestored(std::vector<Surface *> *restored);

  // The Surface behind an interface pointer the platform handed out, or null.
  static Surface *From(IDirectDrawSurface7 *surface);

 private:
  Surface(SurfaceOwner *owner, DWORD width, DWORD height, const SurfaceFormat &format, DWORD caps, DWORD caps2);
  ~Surface();
  bool AllocateMemory(Placement placement, HRESULT *result);
  HRESULT CheckUsable() const;
  Surface *ChainRoot() { return chainRoot_ != nullptr ? chainRoot_ : this; }
  const Surface *ChainRoot() const { return chainRoot_ != nullptr ? chainRoot_ : this; }
  HRESULT BlitChecked(const RECT &dest, Surface *source, const RECT &sourceRect, DWORD flags,
                      const DDBLTFX *effects);
  // The pixels may change from here on: the keyed runs found in them no
  // longer hold.
  void PixelsMayChange() const;
  // The opaque runs of the pixels under `key`, found on the second keyed
  // copy from pixels unchanged since the first (a source drawn once is not
  // worth the pass); null until then.
  const pixels::KeyedSpans *KeyedRunsFor(pixels::ColorKey key);
  // The version of the attached palette's entries, for an 8-bit surface.
  unsigned PaletteVersion() const;

  SurfaceOwner *owner_;
  ULONG references_ = 1;
  DWORD width_;
  DWORD height_;
  pixels::Format format_;
  DDPIXELFORMAT described_;
  DWORD caps_;
  DWORD caps2_;
  long pitch_ = 0;
  PixelMemory memory_;
  DWORD videoBytes_ = 0;
  DWORD generation_;
  bool locked_ = false;
  // The part of the surface the lock handed out.
  RECT lockedArea_{};
  HDC dc_ = nullptr;
  bool hasSourceKey_ = false;
  DDCOLORKEY sourceKey_{};
  IDirectDrawPalette *palette_ = nullptr;
  std::vector<IDirectDrawSurface7 *> attached_;
  // A flip chain: the root (the primary) owns its back buffers, which live
  // as long as it does; `chain_` lists them in flip order.
  Surface *chainRoot_ = nullptr;
  std::vector<Surface *> chain_;
  double flipDoneAtMs_ = 0.0;
  // The run-length form of the pixels as a keyed source, kept until the
  // pixels, the key or (8-bit) the palette may have changed.
  mutable std::unique_ptr<pixels::KeyedSpans> keyedRuns_;
  mutable int keyedCopiesUnchanged_ = 0;
  unsigned keyedRunsPaletteVersion_ = 0;
};

// Surfaces alive: created and not yet destroyed.
int LiveSurfaces();

}  // namespace platform
