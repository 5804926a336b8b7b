// The 8-bit palette exports: LOAD_PALETTE, SET_RGB_ENTRY, SET_PALETTE and
// SET_SYSTEM_PALETTE. Each changes gPaletteEntries, the library's copy, then
// hands the entries to the palette object. Outside 8-bit modes they do nothing.
#include <cstring>

#include "core/critical.h"
#include "core/lifecycle.h"
#include "core/report.h"
#include "display/bmp_color_table.h"
#include "display/display_state.h"
#include "display/display_surfaces.h"
#include "korvane.h"

namespace {

constexpr BYTE kEntryFlags = PC_RESERVED | PC_NOCOLLAPSE;

// Hands all 256 entries to the palette object: 0, or 1 after the critical
// report (or without a palette object to hand them to).
int HandAllEntries() {
  if (glpDDPalette == nullptr) {
    ReportLine("??? No Palette ???");
    return 1;
  }
  const HRESULT result = glpDDPalette->SetEntries(0, 0, 256, gPaletteEntries);
  if (FAILED(result)) {
    DDCritical(result);
    return 1;
  }
  return 0;
}

}  // namespace

extern "C" int LOAD_PALETTE(const char *name) {
  if (gScreenBpp != 8) return 1;
  if (glpDDPalette == nullptr) CreateDefaultPalette(true);
  BmpColorTable table;
  ColorTableRead read = name != nullptr ? ReadResourceColorTable(name, &table) : ColorTableRead::kNotFound;
  if (name != nullptr && read == ColorTableRead::kNotFound) read = ReadFileColorTable(name, &table);
  if (read != ColorTableRead::kRead) {
    ReportLine(" ! - LoadPalette Failed");
    return 1;
  }
  for (int i = 0; i < table.count; ++i) {
    gPaletteEntries[i].peRed = table.colours[i].rgbRed;
    gPaletteEntries[i].peGreen = table.colours[i].rgbGreen;
    gPaletteEntries[i].peBlue = table.colours[i].rgbBlue;
  }
  return HandAllEntries();
}

extern "C" int SET_RGB_ENTRY(int index, int red, int green, int blue) {
  if (gScreenBpp != 8) return 1;
  // Index 1 is entry 0; nothing is written outside the 256 entries.
  if (index < 1 || index > 256) {
    ReportLine(" ! - [KVN_SetRGBEntry] PALETTEENTRY wasn't set");
    return 1;
  }
  PALETTEENTRY &entry = gPaletteEntries[index - 1];
  entry = PALETTEENTRY{static_cast<BYTE>(red), static_cast<BYTE>(green), static_cast<BYTE>(blue), kEntryFlags};
  if (glpDDPalette == nullptr) {
    ReportLine(" ! - [KVN_SetRGBEntry] PALETTEENTRY wasn't set");
    return 1;
  }
  const HRESULT result = glpDDPalette->SetEntries(0, static_cast<DWORD>(index - 1), 1, &entry);
  if (FAILED(result)) {
    DDCritical(result);
    return 2;
  }
  return 0;
}

extern "C" int SET_PALETTE(const PALETTEENTRY *entries) {
  if (gScreenBpp != 8 || entries == nullptr) return 1;
  if (entries != gPaletteEntries) memcpy(gPaletteEntries, entries, sizeof gPaletteEntries);
  return HandAllEntries();
}

extern "C" void SET_SYSTEM_PALETTE(void) {
  if (gScreenBpp != 8) return;
  HDC dc = GetDC(ghWnd);
  if (glpDDPalette == nullptr) {
    ReportDetail("A new Palette Array needs to be created.");
    CreateDefaultPalette(true);
  }
  GetSystemPaletteEntries(dc, 0, 256, gPaletteEntries);
  if (SET_PALETTE(gPaletteEntries) != 0) ReportLine(" KVN_SetPalette failed.");
  ReleaseDC(ghWnd, dc);
}
