// DirectDrawCreateEx and the DirectDraw 7 object: cooperative level, the
// mode list and mode changes, surface and palette creation, video memory,
// the vertical blank, and restoring lost surfaces.
#include "ddraw/directdraw_object.h"

#include <algorithm>
#include <cmath>

#include <d3d.h>

#include "com/query_interface.h"
#include "base/faults.h"
#include "ddraw/direct3d_hook.h"
#include "ddraw/display_device.h"
#include "ddraw/palette.h"
#include "ddraw/screen.h"
#include "ddraw/surface.h"
#include "ddraw/surface_events.h"
#include "present/presenter.h"

namespace {

std::atomic<int> gLiveObjects{0};

const platform::DisplayModeSpec kDesktopMode{1024, 768, 32};
constexpr DWORD kRefreshRate = 60;
constexpr DWORD kMostBackBuffers = 16;

// The description of a display mode, as EnumDisplayModes and GetDisplayMode
// give it.
void DescribeMode(const platform::DisplayModeSpec &mode, DWORD refreshRate, DDSURFACEDESC2 *desc) {
  *desc = DDSURFACEDESC2{};
  desc->dwSize = sizeof(DDSURFACEDESC2);
  desc->dwFlags = DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
  desc->dwWidth = mode.width;
  desc->dwHeight = mode.height;
  desc->lPitch = static_cast<LONG>(((mode.width * ((mode.bpp + 7) / 8)) + 3) & ~3u);
  desc->dwRefreshRate = refreshRate;
  platform::DescribePixelFormat(platform::DisplayPixelFormat(mode.bpp), &desc->ddpfPixelFormat);
}

// A filter of EnumDisplayModes matches on the fields it flags.
bool ModeMatches(const DDSURFACEDESC2 *filter, const DDSURFACEDESC2 &mode) {
  if (filter == nullptr) return true;
  if ((filter->dwFlags & DDSD_WIDTH) && filter->dwWidth != mode.dwWidth) return false;
  if ((filter->dwFlags & DDSD_HEIGHT) && filter->dwHeight != mode.dwHeight) return false;
  if ((filter->dwFlags & DDSD_PIXELFORMAT) &&
      filter->ddpfPixelFormat.dwRGBBitCount != mode.ddpfPixelFormat.dwRGBBitCount) {
    return false;
  }
  return true;
}

// The levels a mipmapped texture asks for: the count given, or down to one
// pixel on the longer side; never more than the halvings the size allows.
DWORD MipLevels(const DDSURFACEDESC2 &desc) {
  DWORD possible = 1;
  for (DWORD side = std::max(desc.dwWidth, desc.dwHeight); side > 1; side /= 2) ++possible;
  if (!(desc.dwFlags & DDSD_MIPMAPCOUNT)) return possible;
  return desc.dwMipMapCount == 0 || desc.dwMipMapCount > possible ? 0 : desc.dwMipMapCount;
}


}  // namespace

namespace platform {

DirectDraw7::DirectDraw7() { ++gLiveObjects; }

DirectDraw7::~DirectDraw7() {
  DisplayHardware &display = Display();
  if (changedMode_) {
    display.current = kDesktopMode;
    ScreenModeChanged(static_cast<int>(kDesktopMode.width), static_cast<int>(kDesktopMode.height));
    LoseDisplaySurfaces();
  }
  if (display.exclusiveOwner == this) display.exclusiveOwner = nullptr;
  // The last DirectDraw object gone: nothing shows the display any more.
  if (--gLiveObjects == 0) {
    display.window = nullptr;
    present::DisplayClosed();
  }
}

HRESULT DirectDraw7::QueryInterface(REFIID riid, void **object) {
  if (object != nullptr && IsEqualGUID(riid, IID_IDirect3D7)) {
    // The Direct3D object comes from the Direct3D module, when one is loaded.
    *object = nullptr;
    HRESULT fault;
    if (platform::TakeFault("IDirectDraw7::QueryInterface", &fault)) return fault;
    const Direct3DFactory factory = RegisteredDirect3DFactory();
    if (factory == nullptr) return E_NOINTERFACE;
    const HRESULT result = factory(this, object);
    if (FAILED(result)) *object = nullptr;
    return result;
  }
  return AnswerQueryInterface<IDirectDraw7>(this, "IDirectDraw7::QueryInterface", riid,
                                  IID_IDirectDraw7, object);
}

ULONG DirectDraw7::AddRef() { return ++references_; }

ULONG DirectDraw7::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

void DirectDraw7::Register(Surface *surface) { surfaces_.push_back(surface); }

void DirectDraw7::Unregister(Surface *surface) {
  surfaces_.erase(std::remove(surfaces_.begin(), surfaces_.end(), surface), surfaces_.end());
  if (primary_ == surface) primary_ = nullptr;
  if (Display().visiblePrimary == surface) Display().visiblePrimary = nullptr;
}

HRESULT DirectDraw7::SetCooperativeLevel(HWND window, DWORD flags) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDraw7::SetCooperativeLevel", &fault)) return fault;
  const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
  const bool fullscreen = (flags & DDSCL_FULLSCREEN) != 0;
  const bool normal = (flags & DDSCL_NORMAL) != 0;
  // Exclusive and full-screen go together, and exclude the normal level.
  if (exclusive != fullscreen || (normal && exclusive) || (!normal && !exclusive)) return DDERR_INVALIDPARAMS;
  DisplayHardware &display = Display();
  if (exclusive) {
    if (window == nullptr || !IsWindow(window)) return DDERR_INVALIDPARAMS;
    if (display.exclusiveOwner != nullptr && display.exclusiveOwner != this) {
      return DDERR_EXCLUSIVEMODEALREADYSET;
    }
    display.exclusiveOwner = this;
  } else if (display.exclusiveOwner == this) {
    display.exclusiveOwner = nullptr;
  }
  exclusive_ = exclusive;
  cooperativeFlags_ = flags;
  if (window != nullptr) display.window = window;
  return DD_OK;
}

HRESULT DirectDraw7::EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 filter, LPVOID context,
                                      LPDDENUMMODESCALLBACK2 callback) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDraw7::EnumDisplayModes", &fault)) return fault;
  if (callback == nullptr || (filter != nullptr && filter->dwSize != sizeof(DDSURFACEDESC2))) {
    return DDERR_INVALIDPARAMS;
  }
  // The list is copied first: a callback may change the machine's modes.
  const std::vector<DisplayModeSpec> modes = Display().modes;
  for (const DisplayModeSpec &mode : modes) {
    DDSURFACEDESC2 desc;
    DescribeMode(mode, (flags & DDEDM_REFRESHRATES) ? kRefreshRate : 0, &desc);
    if (!ModeMatches(filter, desc)) continue;
    if (callback(&desc, context) == DDENUMRET_CANCEL) break;
  }
  return DD_OK;
}

HRESULT DirectDraw7::GetDisplayMode(LPDDSURFACEDESC2 desc) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDraw7::GetDisplayMode", &fault)) return fault;
  if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  DescribeMode(Display().current, kRefreshRate, desc);
  return DD_OK;
}

HRESULT DirectDraw7::GetMonitorFrequency(LPDWORD frequency) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDraw7::GetMonitorFrequency", &fault)) return fault;
  if (frequency == nullptr) return DDERR_INVALIDPARAMS;
  *frequency = kRefreshRate;
  return DD_OK;
}

HRESULT DirectDraw7::GetVerticalBlankStatus(BOOL *inBlank) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDraw7::GetVerticalBlankStatus", &fault)) return fault;
  if (inBlank == nullptr) return DDERR_INVALIDPARAMS;
  const FrameGrid frames = DisplayFrames();
  const double now = DisplayNowMs();
  *inBlank = now - frames.FrameStart(now) < frames.blankMs();
  return DD_OK;
}

HRESULT DirectDraw7::SetDisplayMode(DWORD width, DWORD height, DWORD bpp, DWORD refreshRate, DWORD flags) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDraw7::SetDisplayMode", &fault)) return fault;
  if (!cooperativeLevelSet()) return DDERR_NOCOOPERATIVELEVELSET;
  if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
  if ((flags & ~static_cast<DWORD>(DDSDM_STANDARDVGAMODE)) != 0) return DDERR_INVALIDPARAMS;
  if (!ModeListed(width, height, bpp) || (refreshRate != 0 && refreshRate != kRefreshRate)) {
    return DDERR_INVALIDMODE;
  }
  DisplayHardware &display = Display();
  display.current = DisplayModeSpec{width, height, bpp};
  ScreenModeChanged(static_cast<int>(width), static_cast<int>(height));
  // A mode change takes the display memory from every surface made before.
  LoseDisplaySurfaces();
  changedMode_ = true;
  return DD_OK;
}

HRESULT DirectDraw7::RestoreDisplayMode() {
  HRESULT fault;
  if (platform::TakeFault("IDirectDraw7::RestoreDisplayMode", &fault)) return fault;
  if (changedMode_) {
    Display().current = kDesktopMode;
    ScreenModeChanged(static_cast<int>(kDesktopMode.width), static_cast<int>(kDesktopMode.height));
    LoseDisplaySurfaces();
    changedMode_ = false;
  }
  return DD_OK;
}

HRESULT DirectDraw7::WaitForVerticalBlank(DWORD flags, HANDLE) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDraw7::WaitForVerticalBlank", &fault)) return fault;
  const FrameGrid frames = DisplayFrames();
  const double now = DisplayNowMs();
  const double frameStart = frames.FrameStart(now);
  const double period = frames.periodMs;
  const double blank = frames.blankMs();
  switch (flags) {
    case DDWAITVB_BLOCKBEGIN:
      DisplayWaitUntilMs(frameStart + period);
      return DD_OK;
    case DDWAITVB_BLOCKEND:
      DisplayWaitUntilMs(now < frameStart + blank ? frameStart + blank : frameStart + period + blank);
      return DD_OK;
    case DDWAITVB_BLOCKBEGINEVENT: return DDERR_UNSUPPORTED;
    default: return DDERR_INVALIDPARAMS;
  }
}

HRESULT DirectDraw7::GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDraw7::GetAvailableVidMem", &fault)) return fault;
  if (caps == nullptr || (total == nullptr && free == nullptr)) return DDERR_INVALIDPARAMS;
  if (caps->dwCaps & DDSCAPS_SYSTEMMEMORY) return DDERR_INVALIDCAPS;
  const DisplayHardware &display = Display();
  if (total != nullptr) *total = display.videoMemoryTotal;
  if (free != nullptr) {
    *free = display.videoMemoryUsed >= display.videoMemoryTotal ? 0
                                                                 : display.videoMemoryTotal - display.videoMemoryUsed;
  }
  return DD_OK;
}

HRESULT DirectDraw7::RestoreAllSurfaces() {
  HRESULT fault;
  if (platform::TakeFault("IDirectDraw7::RestoreAllSurfaces", &fault)) return fault;
  std::vector<Surface *> restored;
  for (Surface *surface : surfaces_) surface->MarkRestored(&restored);
  TellRestored(restored);
  return DD_OK;
}

HRESULT DirectDraw7::TestCooperativeLevel() {
  HRESULT fault;
  if (platform::TakeFault("IDirectDraw7::TestCooperativeLevel", &fault)) return fault;
  if (exclusive_ && Display().exclusiveOwner != this) return DDERR_NOEXCLUSIVEMODE;
  return DD_OK;
}

HRESULT DirectDraw7::CreatePalette(DWORD flags, LPPALETTEENTRY table, LPDIRECTDRAWPALETTE *palette,
                                   IUnknown *outer) {
  HRESULT fault;
  if (palette != nullptr) *palette = nullptr;
  if (platform::TakeFault("IDirectDraw7::CreatePalette", &fault)) return fault;
  if (palette == nullptr || table == nullptr) return DDERR_INVALIDPARAMS;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if (!cooperativeLevelSet()) return DDERR_NOCOOPERATIVELEVELSET;
  // The software display has 256-entry palettes only.
  if (!(flags & DDPCAPS_8BIT)) return DDERR_UNSUPPORTED;
  *palette = new Palette(flags, table);
  return DD_OK;
}

HRESULT DirectDraw7::CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7 *surface, IUnknown *outer) {
  HRESULT fault;
  if (surface != nullptr) *surface = nullptr;
  if (platform::TakeFault("IDirectDraw7::CreateSurface", &fault)) return fault;
  if (surface == nullptr || desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) {
    return DDERR_INVALIDPARAMS;
  }
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if (!cooperativeLevelSet()) return DDERR_NOCOOPERATIVELEVELSET;
  if (!(desc->dwFlags & DDSD_CAPS)) return DDERR_INVALIDPARAMS;
  const DWORD caps = desc->ddsCaps.dwCaps;
  const bool video = (caps & DDSCAPS_VIDEOMEMORY) != 0;
  const bool system = (caps & DDSCAPS_SYSTEMMEMORY) != 0;
  if (video && system) return DDERR_INVALIDCAPS;
  const Surface::Placement placement = video    ? Surface::Placement::kVideo
                                       : system ? Surface::Placement::kSystem
                                                : Surface::Placement::kVideoOrSystem;
  HRESULT result = DD_OK;
  Surface *made = nullptr;
  if (caps & DDSCAPS_PRIMARYSURFACE) {
    if (desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) return DDERR_INVALIDPARAMS;
    if (primary_ != nullptr) return DDERR_PRIMARYSURFACEALREADYEXISTS;
    DWORD backBuffers = 0;
    if (caps & DDSCAPS_FLIP) {
      if (!(caps & DDSCAPS_COMPLEX) || !(desc->dwFlags & DDSD_BACKBUFFERCOUNT) || desc->dwBackBufferCount == 0) {
        return DDERR_INVALIDCAPS;
      }
      if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
      if (desc->dwBackBufferCount > kMostBackBuffers) return DDERR_INVALIDPARAMS;
      backBuffers = desc->dwBackBufferCount;
    }
    made = Surface::CreatePrimaryChain(this, backBuffers, caps, placement, &result);
    if (made != nullptr) {
      primary_ = made;
      Display().visiblePrimary = made;
      PrimaryShown();
    }
  } else {
    if (!(desc->dwFlags & DDSD_WIDTH) || !(desc->dwFlags & DDSD_HEIGHT) || desc->dwWidth == 0 ||
        desc->dwHeight == 0) {
      return DDERR_INVALIDPARAMS;
    }
    if (caps & (DDSCAPS_FLIP | DDSCAPS_BACKBUFFER | DDSCAPS_FRONTBUFFER)) return DDERR_INVALIDCAPS;
    SurfaceFormat format = DisplaySurfaceFormat(Display().current.bpp);
    if ((desc->dwFlags & DDSD_PIXELFORMAT) && !SurfaceFormatFromDescription(desc->ddpfPixelFormat, &format)) {
      return DDERR_INVALIDPIXELFORMAT;
    }
    // A z-buffer needs a z-buffer format, and a z-buffer format a z-buffer.
    if (((caps & DDSCAPS_ZBUFFER) != 0) != ((format.described.dwFlags & DDPF_ZBUFFER) != 0)) {
      return DDERR_INVALIDPIXELFORMAT;
    }
    const DWORD caps2 = desc->ddsCaps.dwCaps2 & (DDSCAPS2_TEXTUREMANAGE | DDSCAPS2_D3DTEXTUREMANAGE);
    if (caps2 != 0 && !(caps & DDSCAPS_TEXTURE)) return DDERR_INVALIDCAPS;
    if (caps & DDSCAPS_MIPMAP) {
      const DWORD levels = MipLevels(*desc);
      if (!(caps & DDSCAPS_TEXTURE) || levels == 0) return DDERR_INVALIDPARAMS;
      made = CreateMipChain(desc->dwWidth, desc->dwHeight, levels, format, caps, caps2, placement, &result);
    } else {
      made = Surface::Create(this, desc->dwWidth, desc->dwHeight, format, caps, placement, &result, caps2);
    }
  }
  if (made == nullptr) return result;
  *surface = made;
  return DD_OK;
}

Surface *DirectDraw7::CreateMipChain(DWORD width, DWORD height, DWORD levels, const SurfaceFormat &format,
                                     DWORD caps, DWORD caps2, Surface::Placement placement, HRESULT *result) {
  // Each level holds the next as an attachment (so GetAttachedSurface walks
  // down the chain) and releasing the top releases the rest.
  Surface *top = nullptr;
  Surface *above = nullptr;
  for (DWORD level = 0; level < levels; ++level) {
    const DWORD levelCaps2 = caps2 | (level > 0 ? DDSCAPS2_MIPMAPSUBLEVEL : 0);
    Surface *made = Surface::Create(this, std::max(width >> level, 1u), std::max(height >> level, 1u), format,
                                    caps, placement, result, levelCaps2);
    if (made == nullptr) {
      if (top != nullptr) top->Release();
      return nullptr;
    }
    if (above == nullptr) {
      top = made;
    } else {
      above->AttachOwned(made);
    }
    above = made;
  }
  return top;
}

int LiveDirectDrawObjects() { return gLiveObjects.load(); }

}  // namespace platform

extern "C" HRESULT WINAPI DirectDrawCreateEx(GUID *guid, LPVOID *directDraw, REFIID iid,
                                             IUnknown *outer) {
  if (directDraw == nullptr) return E_INVALIDARG;
  *directDraw = nullptr;
  HRESULT fault;
  if (platform::TakeFault("DirectDrawCreateEx", &fault)) return fault;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  // Only the default device exists, and only the DirectDraw 7 interface is
  // made by this factory.
  if (guid != nullptr || !IsEqualGUID(iid, IID_IDirectDraw7)) return E_INVALIDARG;
  *directDraw = static_cast<IDirectDraw7 *>(new platform::DirectDraw7());
  return S_OK;
}
