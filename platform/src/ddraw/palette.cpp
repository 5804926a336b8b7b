// The DirectDraw palette: reference counting and entry access with
// DirectDraw's range checks.
#include "ddraw/palette.h"

#include <atomic>
#include <cstring>

#include "com/query_interface.h"
#include "base/faults.h"

namespace {

std::atomic<int> gLivePalettes{0};
platform::PaletteWatcher gPaletteWatcher = nullptr;

// A range of entries fits in the 256 of the palette.
bool RangeFits(DWORD first, DWORD count) { return first < 256 && count <= 256 - first; }

}  // namespace

namespace platform {

void WatchPaletteChanges(PaletteWatcher watcher) { gPaletteWatcher = watcher; }

Palette::Palette(DWORD caps, const PALETTEENTRY *table) : caps_(caps) {
  memcpy(entries_, table, sizeof entries_);
  ++gLivePalettes;
}

Palette::~Palette() { --gLivePalettes; }

HRESULT Palette::QueryInterface(REFIID riid, void **object) {
  return AnswerQueryInterface<IDirectDrawPalette>(this, "IDirectDrawPalette::QueryInterface", riid,
                                  IID_IDirectDrawPalette, object);
}

ULONG Palette::AddRef() { return ++references_; }

ULONG Palette::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT Palette::GetCaps(LPDWORD caps) {
  HRESULT fault;
  if (TakeFault("IDirectDrawPalette::GetCaps", &fault)) return fault;
  if (caps == nullptr) return DDERR_INVALIDPARAMS;
  *caps = caps_;
  return DD_OK;
}

HRESULT Palette::GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) {
  HRESULT fault;
  if (TakeFault("IDirectDrawPalette::GetEntries", &fault)) return fault;
  if (flags != 0 || entries == nullptr || !RangeFits(base, count)) return DDERR_INVALIDPARAMS;
  memcpy(entries, entries_ + base, count * sizeof(PALETTEENTRY));
  return DD_OK;
}

HRESULT Palette::SetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries) {
  HRESULT fault;
  if (TakeFault("IDirectDrawPalette::SetEntries", &fault)) return fault;
  if (flags != 0 || entries == nullptr || !RangeFits(first, count)) return DDERR_INVALIDPARAMS;
  memcpy(entries_ + first, entries, count * sizeof(PALETTEENTRY));
  ++version_;
  if (gPaletteWatcher != nullptr) gPaletteWatcher(this);
  return DD_OK;
}

void Palette::ToRgb(uint32_t *rgb) const {
  for (int i = 0; i < 256; ++i) {
    rgb[i] = (static_cast<uint32_t>(entries_[i].peRed) << 16) |
             (static_cast<uint32_t>(entries_[i].peGreen) << 8) | entries_[i].peBlue;
  }
}

int LivePalettes() { return gLivePalettes.load(); }

}  // namespace platform
