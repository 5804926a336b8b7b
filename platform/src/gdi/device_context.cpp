// Device contexts: memory contexts (CreateCompatibleDC, DeleteDC), the
// selection of objects into them (SelectObject), and the handle table entry
// shared with surface and window contexts.
#include "gdi/device_context.h"

#include "base/faults.h"
#include "gdi/surface_dc.h"

namespace gdi {

DeviceContext::DeviceContext(DcKind kind, HWND window, std::unique_ptr<Canvas> canvas)
    : kind_(kind), window_(window), canvas_(std::move(canvas)) {}

DeviceContext *DeviceContext::ForMemory() {
  auto *context = new DeviceContext(DcKind::kMemory, nullptr, nullptr);
  HBITMAP stock = StockBitmap();
  context->Select(LookUpObject(stock), stock);
  return context;
}

DeviceContext *DeviceContext::ForSurface(std::unique_ptr<Canvas> canvas) {
  return new DeviceContext(DcKind::kSurface, nullptr, std::move(canvas));
}

DeviceContext *DeviceContext::ForWindow(HWND window) { return new DeviceContext(DcKind::kWindow, window, nullptr); }

DeviceContext::~DeviceContext() {
  for (HGDIOBJ handle : selected_) {
    GdiObject *object = handle != nullptr ? LookUpObject(handle) : nullptr;
    if (object != nullptr) --object->selections;
  }
}

HGDIOBJ DeviceContext::Select(GdiObject *object, HGDIOBJ handle) {
  if (object == nullptr) return nullptr;
  const int slot = static_cast<int>(object->slot());
  HGDIOBJ previous = selected_[slot];
  if (previous == handle) return previous;
  if (object->slot() == ObjectSlot::kBitmap) {
    // Bitmaps are drawn on only through memory contexts, one at a time.
    if (kind_ != DcKind::kMemory || (object->selections > 0 && !object->stock())) return nullptr;
  }
  GdiObject *old = previous != nullptr ? LookUpObject(previous) : nullptr;
  if (old != nullptr) --old->selections;
  ++object->selections;
  selected_[slot] = handle;
  return previous;
}

Canvas *DeviceContext::Target() {
  if (kind_ == DcKind::kSurface) return canvas_.get();
  if (kind_ != DcKind::kMemory) return nullptr;
  return dynamic_cast<DibSection *>(LookUpObject(selected_[static_cast<int>(ObjectSlot::kBitmap)]));
}

DeviceContext *LookUpDC(HDC dc) { return platform::LookUp<DeviceContext>(static_cast<HANDLE>(dc)); }

HDC RegisterDC(DeviceContext *context) { return static_cast<HDC>(platform::RegisterHandle(context)); }

HDC OpenCanvasDC(std::unique_ptr<Canvas> canvas) { return RegisterDC(DeviceContext::ForSurface(std::move(canvas))); }

}  // namespace gdi

extern "C" HDC WINAPI CreateCompatibleDC(HDC dc) {
  if (platform::TakeWin32Fault("CreateCompatibleDC")) return nullptr;
  // Every context of the software display is compatible with every other.
  if (dc != nullptr && gdi::LookUpDC(dc) == nullptr) return nullptr;
  return gdi::RegisterDC(gdi::DeviceContext::ForMemory());
}

extern "C" BOOL WINAPI DeleteDC(HDC dc) {
  if (platform::TakeWin32Fault("DeleteDC")) return FALSE;
  const gdi::DeviceContext *context = gdi::LookUpDC(dc);
  // Surface and window contexts are given back with their own ReleaseDC.
  if (context == nullptr || context->kind() != gdi::DcKind::kMemory) return FALSE;
  return platform::CloseKernelHandle(static_cast<HANDLE>(dc)) ? TRUE : FALSE;
}

extern "C" HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
  if (platform::TakeWin32Fault("SelectObject")) return nullptr;
  gdi::DeviceContext *context = gdi::LookUpDC(dc);
  if (context == nullptr) return nullptr;
  return context->Select(gdi::LookUpObject(object), object);
}
