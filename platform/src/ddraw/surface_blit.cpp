// Moving pixels: Blt and BltFast with DirectDraw's checks, then the pixel
// kernels (fill, opaque or keyed copy, stretch, mirror), the keyed-run cache
// of a source, and Flip, which rotates a flip chain's memory.
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "base/faults.h"
#include "ddraw/display_device.h"
#include "ddraw/front_buffer.h"
#include "ddraw/palette.h"
#include "ddraw/surface.h"

namespace platform {

namespace {

// The Blt flags the software display carries out; the rest are refused.
constexpr DWORD kSupportedBltFlags = DDBLT_COLORFILL | DDBLT_KEYSRC | DDBLT_KEYSRCOVERRIDE | DDBLT_DDFX |
                                     DDBLT_WAIT | DDBLT_ASYNC | DDBLT_DONOTWAIT;

bool Inside(const RECT &rect, DWORD width, DWORD height) {
  return rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom &&
         static_cast<DWORD>(rect.right) <= width && static_cast<DWORD>(rect.bottom) <= height;
}

bool Intersect(const RECT &a, const RECT &b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

RECT WholeOf(const Surface &surface) {
  return RECT{0, 0, static_cast<LONG>(surface.width()), static_cast<LONG>(surface.height())};
}

pixels::Block Part(const pixels::Block &whole, const RECT &rect) {
  return pixels::Block{whole.bits + rect.top * whole.pitch + rect.left * whole.bytes, whole.pitch,
                       static_cast<int>(rect.right - rect.left), static_cast<int>(rect.bottom - rect.top),
                       whole.bytes};
}

// A key range cut to the pixel size, its high end never below its low end.
pixels::ColorKey KeyFor(const DDCOLORKEY &key, int bits) {
  const uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
  const uint32_t low = key.dwColorSpaceLowValue & mask;
  const uint32_t high = key.dwColorSpaceHighValue & mask;
  return pixels::ColorKey{low, high < low ? low : high};
}

// A copy of a block into memory of its own.
pixels::Block Stage(const pixels::Block &source, std::vector<uint8_t> *storage) {
  const long pitch = static_cast<long>(source.width) * source.bytes;
  storage->resize(static_cast<size_t>(pitch) * static_cast<size_t>(source.height));
  pixels::Block staged{storage->data(), pitch, source.width, source.height, source.bytes};
  pixels::Copy(staged, source);
  return staged;
}

}  // namespace

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD flags,
                     LPDDBLTFX effects) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::Blt", &fault)) return fault;
  const RECT dest = destRect != nullptr ? *destRect : WholeOf(*this);
  if (!Inside(dest, width_, height_)) return DDERR_INVALIDRECT;
  const HRESULT usable = CheckUsable();
  if (usable != DD_OK) return usable;
  if (flags & ~kSupportedBltFlags) return DDERR_UNSUPPORTED;
  if (flags & DDBLT_COLORFILL) {
    if (effects == nullptr || effects->dwSize != sizeof(DDBLTFX)) return DDERR_INVALIDPARAMS;
    pixels::Fill(Part(WholeBlock(), dest), effects->dwFillColor);
    PresentIfFront(this, &dest);
    return DD_OK;
  }
  Surface *from = From(source);
  if (from == nullptr) return DDERR_INVALIDPARAMS;
  const RECT src = sourceRect != nullptr ? *sourceRect : WholeOf(*from);
  if (!Inside(src, from->width_, from->height_)) return DDERR_INVALIDRECT;
  const HRESULT sourceUsable = from == this ? DD_OK : from->CheckUsable();
  if (sourceUsable != DD_OK) return sourceUsable;
  const HRESULT result = BlitChecked(dest, from, src, flags, effects);
  if (result == DD_OK) PresentIfFront(this, &dest);
  return result;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD trans) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::BltFast", &fault)) return fault;
  Surface *from = From(source);
  if (from == nullptr) return DDERR_INVALIDPARAMS;
  const RECT src = sourceRect != nullptr ? *sourceRect : WholeOf(*from);
  if (!Inside(src, from->width_, from->height_)) return DDERR_INVALIDRECT;
  const uint64_t right = static_cast<uint64_t>(x) + static_cast<uint64_t>(src.right - src.left);
  const uint64_t bottom = static_cast<uint64_t>(y) + static_cast<uint64_t>(src.bottom - src.top);
  if (right > width_ || bottom > height_) return DDERR_INVALIDRECT;
  const RECT dest{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(right), static_cast<LONG>(bottom)};
  if (trans & DDBLTFAST_DESTCOLORKEY) return DDERR_UNSUPPORTED;
  const HRESULT usable = CheckUsable();
  if (usable != DD_OK) return usable;
  const HRESULT sourceUsable = from == this ? DD_OK : from->CheckUsable();
  if (sourceUsable != DD_OK) return sourceUsable;
  const HRESULT result = BlitChecked(dest, from, src, (trans & DDBLTFAST_SRCCOLORKEY) ? DDBLT_KEYSRC : 0, nullptr);
  if (result == DD_OK) PresentIfFront(this, &dest);
  return result;
}

// A source that overlaps its destination is staged first unless a plain copy
// can run in a safe order.
HRESULT Surface::BlitChecked(const RECT &dest, Surface *source, const RECT &sourceRect, DWORD flags,
                             const DDBLTFX *effects) {
  if (pixels::BytesPerPixel(source->format_) != pixels::BytesPerPixel(format_)) return DDERR_INVALIDPIXELFORMAT;
  const bool needsEffects = (flags & (DDBLT_KEYSRCOVERRIDE | DDBLT_DDFX)) != 0;
  if (needsEffects && (effects == nullptr || effects->dwSize != sizeof(DDBLTFX))) return DDERR_INVALIDPARAMS;

  pixels::StretchOptions options{};
  if (flags & DDBLT_KEYSRCOVERRIDE) {
    options.keyed = true;
    options.key = KeyFor(effects->ddckSrcColorkey, format_.bits);
  } else if (flags & DDBLT_KEYSRC) {
    if (!source->hasSourceKey_) return DDERR_INVALIDPARAMS;
    options.keyed = true;
    options.key = KeyFor(source->sourceKey_, format_.bits);
  }
  if (flags & DDBLT_DDFX) {
    options.mirrorLeftRight = (effects->dwDDFX & DDBLTFX_MIRRORLEFTRIGHT) != 0;
    options.mirrorUpDown = (effects->dwDDFX & DDBLTFX_MIRRORUPDOWN) != 0;
  }

  // The target's pixels are taken for writing first: a surface drawn onto
  // itself keeps no runs.
  const pixels::Block target = Part(WholeBlock(), dest);
  pixels::Block from = Part(source->PixelsForReading(), sourceRect);
  const bool sameSize = target.width == from.width && target.height == from.height;
  const bool plain = sameSize && !options.mirrorLeftRight && !options.mirrorUpDown;
  if (plain && !options.keyed) {
    pixels::Copy(target, from);  // safe for overlapping rectangles
    return DD_OK;
  }
  std::vector<uint8_t> staging;
  const bool staged = source == this && Intersect(dest, sourceRect);
  if (staged) from = Stage(from, &staging);
  const pixels::KeyedSpans *runs = options.keyed && !staged ? source->KeyedRunsFor(options.key) : nullptr;
  if (plain) {
    if (runs != nullptr) {
      pixels::CopyKeyedRuns(target, from, *runs, sourceRect.left, sourceRect.top);
    } else {
      pixels::CopyKeyed(target, from, options.key);
    }
  } else if (runs != nullptr) {
    pixels::StretchKeyedRuns(target, from, options, *runs, sourceRect.left, sourceRect.top);
  } else {
    pixels::Stretch(target, from, options);
  }
  return DD_OK;
}

HRESULT Surface::GetBltStatus(DWORD flags) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::GetBltStatus", &fault)) return fault;
  if (flags != DDGBS_CANBLT && flags != DDGBS_ISBLTDONE) return DDERR_INVALIDPARAMS;
  // Blits finish before Blt returns.
  return locked_ ? DDERR_SURFACEBUSY : DD_OK;
}

unsigned Surface::PaletteVersion() const {
  const auto *attached = dynamic_cast<const Palette *>(palette_);
  return attached != nullptr ? attached->version() : 0;
}

const pixels::KeyedSpans *Surface::KeyedRunsFor(pixels::ColorKey key) {
  if (format_.bits == 8 && keyedRuns_ != nullptr && keyedRunsPaletteVersion_ != PaletteVersion()) {
    PixelsMayChange();
  }
  if (keyedRuns_ != nullptr) {
    const pixels::ColorKey found = keyedRuns_->key();
    if (found.low == key.low && found.high == key.high) return keyedRuns_.get();
    // Another key over the same pixels: start counting again.
    PixelsMayChange();
  }
  if (++keyedCopiesUnchanged_ < 2) return nullptr;
  try {
    keyedRuns_ = std::make_unique<pixels::KeyedSpans>(pixels::KeyedSpans::Find(PixelsForReading(), key));
  } catch (const std::bad_alloc &) {
    // No memory for the runs: the copy goes over every pixel instead.
    return nullptr;
  }
  keyedRunsPaletteVersion_ = PaletteVersion();
  return keyedRuns_.get();
}

// The primary's chain rotates its memory so that the first back buffer is
// shown; a flip stays pending for the display's flip latency.
HRESULT Surface::Flip(LPDIRECTDRAWSURFACE7 targetOverride, DWORD flags) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::Flip", &fault)) return fault;
  if (chainRoot_ != nullptr || chain_.empty()) return DDERR_NOTFLIPPABLE;
  Surface *target = nullptr;
  if (targetOverride != nullptr) {
    target = From(targetOverride);
    if (target == nullptr || target->chainRoot_ != this) return DDERR_INVALIDPARAMS;
  }
  const HRESULT usable = CheckUsable();
  if (usable != DD_OK) return usable;
  for (const Surface *member : chain_) {
    if (member->locked_) return DDERR_SURFACEBUSY;
  }
  if (DisplayNowMs() < flipDoneAtMs_) {
    if (!(flags & DDFLIP_WAIT)) return DDERR_WASSTILLDRAWING;
    DisplayWaitUntilMs(flipDoneAtMs_);
  }
  if (target != nullptr) {
    std::swap(memory_, target->memory_);
  } else {
    // Front takes the first back buffer's memory, each back buffer the next
    // one's, and the last back buffer the old front.
    PixelMemory shown = std::move(memory_);
    memory_ = std::move(chain_.front()->memory_);
    for (size_t i = 0; i + 1 < chain_.size(); ++i) chain_[i]->memory_ = std::move(chain_[i + 1]->memory_);
    chain_.back()->memory_ = std::move(shown);
  }
  // Every member of the chain now holds other pixels.
  PixelsMayChange();
  for (Surface *member : chain_) member->PixelsMayChange();
  flipDoneAtMs_ = DisplayNowMs() + Display().flipLatencyMs;
  ++Display().flipsDone;
  PresentIfFront(this, nullptr);
  return DD_OK;
}

HRESULT Surface::GetFlipStatus(DWORD flags) {
  HRESULT fault;
  if (platform::TakeFault("IDirectDrawSurface7::GetFlipStatus", &fault)) return fault;
  if (flags != DDGFS_CANFLIP && flags != DDGFS_ISFLIPDONE) return DDERR_INVALIDPARAMS;
  const Surface *root = ChainRoot();
  if (root->chain_.empty()) return DDERR_NOTFLIPPABLE;
  if (lost()) return DDERR_SURFACELOST;
  if (DisplayNowMs() < root->flipDoneAtMs_) return DDERR_WASSTILLDRAWING;
  return DD_OK;
}

}  // namespace platform
