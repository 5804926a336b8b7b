// A DirectDraw palette of 256 entries, shared by reference between the
// surfaces it is attached to.
#pragma once

#include <windows.h>
#include <ddraw.h>

namespace platform {

// Told when a palette's entries change, so that the front buffer shows the
// new colours of a visible primary at once; set by the front buffer when the
// platform loads.
using PaletteWatcher = void (*)(const IDirectDrawPalette *palette);
void WatchPaletteChanges(PaletteWatcher watcher);

class Palette final : public IDirectDrawPalette {
 public:
  Palette(DWORD caps, const PALETTEENTRY *table);

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  STDMETHOD(GetCaps)(LPDWORD caps) override;
  STDMETHOD(GetEntries)(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) override;
  STDMETHOD(Initialize)(LPDIRECTDRAW, DWORD, LPPALETTEENTRY) override { return DDERR_ALREADYINITIALIZED; }
  STDMETHOD(SetEntries)(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries) override;

  // The colours as 0xRRGGBB, index by index.
  void ToRgb(uint32_t *rgb) const;
  // Counts the changes of the entries, so that what was made from them can
  // tell it is out of date.
  unsigned version() const { return version_; }

 private:
  ~Palette();

  ULONG references_ = 1;
  DWORD caps_;
  PALETTEENTRY entries_[256];
  unsigned version_ = 0;
};

// Palettes alive: created and not yet destroyed.
int LivePalettes();

}  // namespace platform
