// The DirectDraw surface as an object: creation with video-memory
// accounting, lifetime of flip chains, loss and restore, description, lock,
// GDI device context, colour key, palette and attachments.
#include "ddraw/surface.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <typeinfo>

#include "com/query_interface.h"
#include "base/faults.h"
#include "ddraw/display_device.h"
#include "ddraw/palette.h"
#include "gdi/surface_dc.h"
#include "kernel/handles.h"

namespace platform {

SurfaceWatchers &Watchers() {
  static SurfaceWatchers watchers{};
  return watchers;
}

namespace {

std::atomic<int> gLiveSurfaces{0};

// Surfaces larger than this are refused rather than allocated.
constexpr uint64_t kLargestSurfaceBytes = 256ull * 1024 * 1024;
constexpr DWORD kLargestSide = 16384;

constexpr std::align_val_t kPixelAlignment{64};

constexpr DWORD kMemoryCaps = DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM | DDSCAPS_SYSTEMMEMORY;

// The canvas of a surface's device context: the surface's own memory and
// palette. It holds a reference so that the context never outlives its
// pixels.
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

void CacheLineFree::operator()(uint8_t *bytes) const { operator delete[](bytes, kPixelAlignment); }

Surface::Surface(SurfaceOwner *owner, DWORD width, DWORD height, const SurfaceFormat &format, DWORD caps,
                 DWORD caps2)
    : owner_(owner), width_(width), height_(height), format_(format.pixels), described_(format.described),
      caps_(caps), caps2_(caps2), generation_(Display().generation) {
  owner_->Interface()->AddRef();
  owner_->Register(this);
  if (Watchers().made != nullptr) Watchers().made(this);
  ++gLiveSurfaces;
}

Surface::~Surface() {
  // The screen goes on showing the last image of a primary that goes.
  if (Display().visiblePrimary == this && Watchers().primaryGoing != nullptr) Watchers().primaryGoing(this);
  if (Watchers().released != nullptr) Watchers().released(this);
  for (Surface *member : chain_) delete member;
  for (IDirectDrawSurface7 *attached : attached_) attached->Release();
  if (palette_ != nullptr) palette_->Release();
  ReturnVideoMemory(videoBytes_);
  owner_->Unregister(this);
  owner_->Interface()->Release();
  --gLiveSurfaces;
}

bool Surface::AllocateMemory(Placement placement, HRESULT *result) {
  const uint64_t rowBytes = (static_cast<uint64_t>(width_) * pixels::BytesPerPixel(format_) + 3) & ~3ull;
  const uint64_t bytes = rowBytes * height_;
  if (width_ > kLargestSide || height_ > kLargestSide || bytes > kLargestSurfaceBytes) {
    *result = DDERR_OUTOFMEMORY;
    return false;
  }
  bool inVideo = placement != Placement::kSystem && ReserveVideoMemory(static_cast<DWORD>(bytes));
  if (!inVideo && placement == Placement::kVideo) {
    *result = DDERR_OUTOFVIDEOMEMORY;
    return false;
  }
  memory_.reset(static_cast<uint8_t *>(operator new[](bytes, kPixelAlignment, std::nothrow)));
  if (memory_ == nullptr) {
    if (inVideo) ReturnVideoMemory(static_cast<DWORD>(bytes));
    *result = DDERR_OUTOFMEMORY;
    return false;
  }
  memset(memory_.get(), 0, bytes);
  pitch_ = static_cast<long>(rowBytes);
  videoBytes_ = inVideo ? static_cast<DWORD>(bytes) : 0;
  caps_ = (caps_ & ~kMemoryCaps) | (inVideo ? DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM : DDSCAPS_SYSTEMMEMORY);
  return true;
}

Surface *Surface::Create(SurfaceOwner *owner, DWORD width, DWORD height, const SurfaceFormat &format,
                         DWORD caps, Placement placement, HRESULT *result, DWORD caps2) {
  Surface *surface = new Surface(owner, width, height, format, caps, caps2);
  if (!surface->AllocateMemory(placement, result)) {
    delete surface;
    return nullptr;
  }
  return surface;
}

Surface *Surface::CreatePrimaryChain(SurfaceOwner *owner, DWORD backBuffers, DWORD caps, Placement placement,
                                     HRESULT *result) {
  const DisplayModeSpec mode = Display().current;
  const SurfaceFormat format = DisplaySurfaceFormat(mode.bpp);
  const DWORD chainCaps = backBuffers > 0 ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0;
  const DWORD shared = caps & (DDSCAPS_3DDEVICE | chainCaps);
  Surface *front = Create(owner, mode.width, mode.height, format,
                          caps | DDSCAPS_VISIBLE | (backBuffers > 0 ? DDSCAPS_FRONTBUFFER : 0), placement, result);
  if (front == nullptr) return nullptr;
  for (DWORD i = 0; i < backBuffers; ++i) {
    const DWORD backCaps = shared | (i == 0 ? DDSCAPS_BACKBUFFER : 0);
    Surface *back = Create(owner, mode.width, mode.height, format, backCaps, placement, result);
    if (back == nullptr) {
      delete front;
      return nullptr;
    }
    // Back buffers are handed out only through GetAttachedSurface.
    back->references_ = 0;
    back->chainRoot_ = front;
    front->chain_.push_back(back);
  }
  return front;
}

// Surface is final, so an interface whose object has exactly Surface's type
// is one of ours: comparing the types is a load and a compare, where a
// dynamic cast walks the class hierarchy on every blit.
Surface *Surface::From(IDirectDrawSurface7 *surface) {
  if (surface == nullptr || typeid(*surface) != typeid(Surface)) return nullptr;
  return static_cast<Surface *>(surface);
}

HRESULT Surface::QueryInterface(REFIID riid, void **object) {
  return AnswerQueryInterface<IDirectDrawSurface7>(this, "IDirectDrawSurface7::QueryInterface", riid,
                                  IID_IDirectDrawSurface7, object);
}

ULONG Surface::AddRef() { return ++references_; }

ULONG Surface::Release() {
  if (references_ == 0) return 0;
  // A fault injected here lets the release happen but answers the fault's
  // value in place of the count, as a caller reading it as a result sees a
  // failed release.
  HRESULT fault;
  const bool faulted = platform::TakeFault("IDirectDrawSurface7::Release", &fault);
  ULONG left = --references_;
  // A back buffer lives as long as its chain's primary.
  if (left == 0 && chainRoot_ == nullptr) delete this;
  return faulted ? static_cast<ULONG>(fault) : left;
}

bool Surface::lost() const {
  const Surface *root = ChainRoot();
  // Managed textures keep a system-memory copy, so they survive a loss.
  const bool managed = (caps2_ & (DDSCAPS2_TEXTUREMANAGE | DDSCAPS2_D3DTEXTUREMANAGE)) != 0;
  const bool losable = !managed && (videoBytes_ > 0 || (root->caps_ & DDSCAPS_PRIMARYSURFACE) != 0);
  return losable && generation_ != Display().generation;
}

void Surface::MarkRestored(std::vector<Surface *> *restored) {
  if (lost()) restored->push_back(this);
  for (Surface *member : chain_) {
    if (member->lost()) restored->push_back(member);
  }
  generation_ = Display().generation;
  for (Surface *member : chain_) member->generation_ = generation_;
  PixelsMayChange();
  for (Surface *member : chain_) member->PixelsMayChange();
}

HRESULT Surface::CheckUsable() const {
  if (lost()) return DDERR_SURFACELOST;
  if (locked_) return DDERR_SURFACEBUSY;
  return DD_OK;
}

pixels::Block Surface::WholeBlock() const {
  PixelsMayChange();
  return PixelsForReading();
}

pixels::Block Surface::PixelsForReading() const {
  return pixels::Block{memory_.get(), pitch_, static_cast<int>(width_), static_cast<int>(height_),
                       pixels::BytesPerPixel(format_)};
}

void Surface::PixelsMayChange() const {
  keyedRuns_.reset();
  keyedCopiesUnchanged_ = 0;
}

HRESULT Surface::IsLost() {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::IsLost", &fault)) return fault;
  return lost() ? DDERR_SURFACELOST : DD_OK;
}

HRESULT Surface::Restore() {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::Restore", &fault)) return fault;
  std::vector<Surface *> restored;
  ChainRoot()->MarkRestored(&restored);
  if (Watchers().restored != nullptr) Watchers().restored(restored);
  return DD_OK;
}

HRESULT Surface::GetCaps(LPDDSCAPS2 caps) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::GetCaps", &fault)) return fault;
  if (caps == nullptr) return DDERR_INVALIDPARAMS;
  *caps = DDSCAPS2{};
  caps->dwCaps = caps_;
  caps->dwCaps2 = caps2_;
  return DD_OK;
}

HRESULT Surface::GetPixelFormat(LPDDPIXELFORMAT format) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::GetPixelFormat", &fault)) return fault;
  if (format == nullptr) return DDERR_INVALIDPARAMS;
  *format = described_;
  return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC2 desc) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::GetSurfaceDesc", &fault)) return fault;
  if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  *desc = DDSURFACEDESC2{};
  desc->dwSize = sizeof(DDSURFACEDESC2);
  desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
  desc->dwWidth = width_;
  desc->dwHeight = height_;
  desc->lPitch = static_cast<LONG>(pitch_);
  if (!chain_.empty()) {
    desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
    desc->dwBackBufferCount = static_cast<DWORD>(chain_.size());
  }
  if (hasSourceKey_) {
    desc->dwFlags |= DDSD_CKSRCBLT;
    desc->ddckCKSrcBlt = sourceKey_;
  }
  GetPixelFormat(&desc->ddpfPixelFormat);
  desc->ddsCaps.dwCaps = caps_;
  desc->ddsCaps.dwCaps2 = caps2_;
  return DD_OK;
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD, HANDLE) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::Lock", &fault)) return fault;
  if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  RECT area{0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
  if (rect != nullptr) {
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
        rect->right > area.right || rect->bottom > area.bottom) {
      return DDERR_INVALIDRECT;
    }
    area = *rect;
  }
  const HRESULT usable = CheckUsable();
  if (usable != DD_OK) return usable;
  GetSurfaceDesc(desc);
  desc->dwFlags |= DDSD_LPSURFACE;
  desc->lpSurface = memory_.get() + area.top * pitch_ + area.left * pixels::BytesPerPixel(format_);
  PixelsMayChange();
  locked_ = true;
  lockedArea_ = area;
  return DD_OK;
}

HRESULT Surface::Unlock(LPRECT) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::Unlock", &fault)) return fault;
  if (!locked_) return DDERR_NOTLOCKED;
  locked_ = false;
  PixelsMayChange();
  if (Watchers().drawn != nullptr) Watchers().drawn(this, &lockedArea_);
  return DD_OK;
}

HRESULT Surface::GetDC(HDC *dc) {
  HRESULT fault;
  if (dc != nullptr) *dc = nullptr;
  if (platform::TakeFault("IDirectDrawSurface7::GetDC", &fault)) return fault;
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
  if (platform::TakeFault("IDirectDrawSurface7::ReleaseDC", &fault)) return fault;
  if (dc == nullptr || dc != dc_) return DDERR_INVALIDPARAMS;
  dc_ = nullptr;
  locked_ = false;
  PixelsMayChange();
  // Presented while the context still holds its reference on this surface.
  if (Watchers().drawn != nullptr) Watchers().drawn(this, nullptr);
  // The context holds a reference on this surface: closing it may release it.
  CloseKernelHandle(static_cast<HANDLE>(dc));
  return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::SetColorKey", &fault)) return fault;
  const DWORD kind = flags & ~static_cast<DWORD>(DDCKEY_COLORSPACE);
  if (kind == DDCKEY_DESTBLT) return DD_OK;
  if (kind != DDCKEY_SRCBLT) return DDERR_INVALIDPARAMS;
  PixelsMayChange();
  if (key == nullptr) {
    hasSourceKey_ = false;
    return DD_OK;
  }
  // Without DDCKEY_COLORSPACE the key is the single low value.
  sourceKey_ = *key;
  if (!(flags & DDCKEY_COLORSPACE)) sourceKey_.dwColorSpaceHighValue = sourceKey_.dwColorSpaceLowValue;
  hasSourceKey_ = true;
  return DD_OK;
}

HRESULT Surface::GetColorKey(DWORD flags, LPDDCOLORKEY key) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::GetColorKey", &fault)) return fault;
  if (key == nullptr) return DDERR_INVALIDPARAMS;
  if (flags != DDCKEY_SRCBLT || !hasSourceKey_) return DDERR_NOCOLORKEY;
  *key = sourceKey_;
  return DD_OK;
}

HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE palette) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::SetPalette", &fault)) return fault;
  if (palette != nullptr && format_.bits != 8) return DDERR_INVALIDPIXELFORMAT;
  if (palette != nullptr) palette->AddRef();
  if (palette_ != nullptr) palette_->Release();
  palette_ = palette;
  PixelsMayChange();
  // The front buffer's colours change with its palette.
  if (format_.bits == 8 && Watchers().drawn != nullptr) Watchers().drawn(this, nullptr);
  return DD_OK;
}

HRESULT Surface::GetPalette(LPDIRECTDRAWPALETTE *palette) {
  HRESULT fault;
  if (palette != nullptr) *palette = nullptr;
  if (platform::TakeFault("IDirectDrawSurface7::GetPalette", &fault)) return fault;
  if (palette == nullptr) return DDERR_INVALIDPARAMS;
  if (palette_ == nullptr) return DDERR_NOPALETTEATTACHED;
  palette_->AddRef();
  *palette = palette_;
  return DD_OK;
}

HRESULT Surface::AddAttachedSurface(LPDIRECTDRAWSURFACE7 attached) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::AddAttachedSurface", &fault)) return fault;
  Surface *surface = From(attached);
  if (surface == nullptr) return DDERR_INVALIDPARAMS;
  if (attached == this) return DDERR_CANNOTATTACHSURFACE;
  for (IDirectDrawSurface7 *already : attached_) {
    if (already == attached) return DDERR_SURFACEALREADYATTACHED;
  }
  // One z-buffer per surface, of the surface's own size, and never on
  // another z-buffer.
  if (surface->caps_ & DDSCAPS_ZBUFFER) {
    if ((caps_ & DDSCAPS_ZBUFFER) || AttachedWith(DDSCAPS_ZBUFFER) != nullptr || surface->width_ != width_ ||
        surface->height_ != height_) {
      return DDERR_CANNOTATTACHSURFACE;
    }
  }
  attached->AddRef();
  attached_.push_back(attached);
  return DD_OK;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7 *attached) {
  HRESULT fault;
  if (attached != nullptr) *attached = nullptr;
  if (platform::TakeFault("IDirectDrawSurface7::GetAttachedSurface", &fault)) return fault;
  if (caps == nullptr || attached == nullptr) return DDERR_INVALIDPARAMS;
  std::vector<Surface *> candidates;
  // The next surface of a flip chain comes first, then explicit attachments.
  Surface *root = ChainRoot();
  if (!root->chain_.empty()) {
    if (root == this) {
      candidates.push_back(chain_.front());
    } else {
      for (size_t i = 0; i < root->chain_.size(); ++i) {
        if (root->chain_[i] == this) candidates.push_back(i + 1 < root->chain_.size() ? root->chain_[i + 1] : root);
      }
    }
  }
  for (IDirectDrawSurface7 *surface : attached_) candidates.push_back(From(surface));
  for (Surface *candidate : candidates) {
    if ((candidate->caps_ & caps->dwCaps) == caps->dwCaps) {
      candidate->AddRef();
      *attached = candidate;
      return DD_OK;
    }
  }
  return DDERR_NOTFOUND;
}

HRESULT Surface::DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE7 attached) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::DeleteAttachedSurface", &fault)) return fault;
  if (flags != 0) return DDERR_INVALIDPARAMS;
  std::vector<IDirectDrawSurface7 *> detached;
  if (attached == nullptr) {
    detached.swap(attached_);
  } else {
    auto found = std::find(attached_.begin(), attached_.end(), attached);
    if (found == attached_.end()) return DDERR_SURFACENOTATTACHED;
    detached.push_back(*found);
    attached_.erase(found);
  }
  for (IDirectDrawSurface7 *surface : detached) surface->Release();
  return DD_OK;
}

Surface *Surface::AttachedWith(DWORD caps) const {
  for (IDirectDrawSurface7 *attached : attached_) {
    Surface *surface = From(attached);
    if (surface != nullptr && (surface->caps_ & caps) == caps) return surface;
  }
  return nullptr;
}

HRESULT Surface::GetDDInterface(LPVOID *directDraw) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::GetDDInterface", &fault)) return fault;
  if (directDraw == nullptr) return DDERR_INVALIDPARAMS;
  IDirectDraw7 *object = owner_->Interface();
  object->AddRef();
  *directDraw = object;
  return DD_OK;
}

int LiveSurfaces() { return gLiveSurfaces.load(); }

}  // namespace platform
