// SAVE_BMP: what the screen shows (the primary surface) written as a 24-bit
// BMP file, rows bottom-up, palettised modes resolved through the primary's
// palette. The pixels are read through the screen pixel readers.
#include <cstdio>
#include <new>

#include "core/allocation.h"
#include "core/critical.h"
#include "core/report.h"
#include "display/display_state.h"
#include "korvane.h"

namespace {

constexpr DWORD kHeadersSize = 54;

void PutLittleEndian(BYTE *at, DWORD value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<BYTE>(value >> (8 * i));
}

bool WriteAll(HANDLE file, const void *data, DWORD size) {
  DWORD written = 0;
  return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// BITMAPFILEHEADER and BITMAPINFOHEADER of a 24-bit image, bottom-up.
bool WriteHeaders(HANDLE file, int width, int height, DWORD imageBytes) {
  BYTE fileHeader[14] = {'B', 'M'};
  PutLittleEndian(fileHeader + 2, kHeadersSize + imageBytes, 4);
  PutLittleEndian(fileHeader + 10, kHeadersSize, 4);
  BYTE infoHeader[40] = {};
  PutLittleEndian(infoHeader + 0, 40, 4);
  PutLittleEndian(infoHeader + 4, static_cast<DWORD>(width), 4);
  PutLittleEndian(infoHeader + 8, static_cast<DWORD>(height), 4);
  PutLittleEndian(infoHeader + 12, 1, 2);
  PutLittleEndian(infoHeader + 14, 24, 2);
  PutLittleEndian(infoHeader + 24, 10000, 4);
  PutLittleEndian(infoHeader + 28, 10000, 4);
  return WriteAll(file, fileHeader, sizeof fileHeader) && WriteAll(file, infoHeader, sizeof infoHeader);
}

// The screen's colours as blue, green, red bytes, the bottom row first, each
// row padded to `rowBytes`. The primary is locked by the caller.
void FillRows(BYTE *buffer, int width, int height, DWORD rowBytes, const PALETTEENTRY *palette) {
  for (int y = height - 1; y >= 0; --y) {
    BYTE *out = buffer + static_cast<size_t>(height - 1 - y) * rowBytes;
    for (int x = 0; x < width; ++x, out += 3) {
      if (palette != nullptr) {
        const PALETTEENTRY &entry = palette[PAL_GET_PIXEL(x, y) & 0xFF];
        out[0] = entry.peBlue, out[1] = entry.peGreen, out[2] = entry.peRed;
      } else {
        const int pixel = RGB_GET_PIXEL(x, y);
        out[0] = GET_BLUE_VALUE(pixel), out[1] = GET_GREEN_VALUE(pixel), out[2] = GET_RED_VALUE(pixel);
      }
    }
  }
}

// The primary's palette, read into `entries` (not into the display's own
// palette pointer, which stays as the display set it).
bool ReadPrimaryPalette(PALETTEENTRY *entries) {
  LPDIRECTDRAWPALETTE palette = nullptr;
  HRESULT result = glpDDSPrimary->GetPalette(&palette);
  if (SUCCEEDED(result)) {
    result = palette->GetEntries(0, 0, 256, entries);
    palette->Release();
  }
  if (FAILED(result)) {
    DDCritical(result);
    return false;
  }
  return true;
}

bool WriteImage(HANDLE file) {
  gSurfaceDesc.dwSize = sizeof gSurfaceDesc;
  if (glpDDSPrimary == nullptr || FAILED(glpDDSPrimary->GetSurfaceDesc(&gSurfaceDesc))) {
    ERROR_MESSAGE("COULD NOT GET PRIMARY SURFACE DESRIPTION TO SAVE BITMAP!");
    return false;
  }
  const int width = SURFACE_WIDTH() > 0 ? SURFACE_WIDTH() : 0;
  const int height = SURFACE_HEIGHT() > 0 ? SURFACE_HEIGHT() : 0;
  const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const size_t imageBytes = static_cast<size_t>(rowBytes) * static_cast<size_t>(height);
  BYTE *buffer = new (std::nothrow) BYTE[imageBytes > 0 ? imageBytes : 1]();
  if (buffer == nullptr) return false;
  bool written = WriteHeaders(file, width, height, static_cast<DWORD>(imageBytes));
  const bool palettised = gSurfaceDesc.ddpfPixelFormat.dwRGBBitCount <= 8;
  PALETTEENTRY palette[256] = {};
  if (written && (palettised ? ReadPrimaryPalette(palette) : true) && PRIM_SURFACE_LOCK() == 0) {
    FillRows(buffer, width, height, rowBytes, palettised ? palette : nullptr);
    written = WriteAll(file, buffer, static_cast<DWORD>(imageBytes));
    if (PRIM_SURFACE_UNLOCK() != 0) written = false;
  } else {
    written = false;
  }
  delete[] buffer;
  return written;
}

// The box of a file that cannot be made, also when memory for its name ran
// out: the whole text when memory allows, otherwise as much of it as the
// report keeps.
int RefuseToOpen(const char *name) {
  char *text = korvane::JoinText("COULD NOT OPEN ", name, ".bmp TO SAVE BITMAP TOO!");
  if (text != nullptr) {
    ERROR_MESSAGE(text);
    delete[] text;
    return 1;
  }
  char cut[kReportLineMax + 1];
  snprintf(cut, sizeof cut, "COULD NOT OPEN %s.bmp TO SAVE BITMAP TOO!", name);
  ERROR_MESSAGE(cut);
  return 1;
}

}  // namespace

extern "C" int SAVE_BMP(const char *name) {
  if (name == nullptr) {
    ERROR_MESSAGE("MUST ENTER THE NAME OF FILE TO SAVE BITMAP TOO!");
    return 1;
  }
  char *fileName = korvane::JoinText(name, ".bmp", "");
  if (fileName == nullptr) return RefuseToOpen(name);
  HANDLE file = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    delete[] fileName;
    return RefuseToOpen(name);
  }
  const bool written = WriteImage(file);
  CloseHandle(file);
  if (written) ReportLine("!!! %s saved !!!", fileName);
  delete[] fileName;
  return written ? 0 : 1;
}
