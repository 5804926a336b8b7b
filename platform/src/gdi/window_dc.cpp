// Device contexts of windows (GetDC, ReleaseDC) and the system palette that
// GetSystemPaletteEntries reads: the twenty static colours of Windows at
// both ends, black between them.
#include <windows.h>

#include <cstring>

#include "base/faults.h"
#include "gdi/device_context.h"

namespace {

// The static colours: entries 0-9 and 246-255 of the system palette.
const PALETTEENTRY kStaticColours[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0}};

PALETTEENTRY SystemPaletteEntry(UINT index) {
  if (index < 10) return kStaticColours[index];
  if (index >= 246) return kStaticColours[index - 236];
  return PALETTEENTRY{0, 0, 0, 0};
}

}  // namespace

extern "C" HDC WINAPI GetDC(HWND window) {
  HRESULT fault;
  if (platform::TakeFault("GetDC", &fault)) return nullptr;
  if (window != nullptr && !IsWindow(window)) return nullptr;
  return gdi::RegisterDC(gdi::DeviceContext::ForWindow(window));
}

extern "C" int WINAPI ReleaseDC(HWND window, HDC dc) {
  HRESULT fault;
  if (platform::TakeFault("ReleaseDC", &fault)) return 0;
  const gdi::DeviceContext *context = gdi::LookUpDC(dc);
  if (context == nullptr || context->kind() != gdi::DcKind::kWindow || context->window() != window) return 0;
  return platform::CloseKernelHandle(static_cast<HANDLE>(dc)) ? 1 : 0;
}

extern "C" UINT WINAPI GetSystemPaletteEntries(HDC dc, UINT start, UINT count, LPPALETTEENTRY entries) {
  HRESULT fault;
  if (platform::TakeFault("GetSystemPaletteEntries", &fault)) return 0;
  if (gdi::LookUpDC(dc) == nullptr) return 0;
  if (entries == nullptr) return 256;
  if (start >= 256) return 0;
  if (count > 256 - start) count = 256 - start;
  for (UINT i = 0; i < count; ++i) entries[i] = SystemPaletteEntry(start + i);
  return count;
}
