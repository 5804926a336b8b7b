// The device context of the platform's GDI: one type for memory, surface and
// window contexts, holding one selected object per kind (bitmap, font, ...)
// and, for text and drawing, the state later operations need.
#pragma once

#include <windows.h>

#include <memory>

#include "gdi/gdi_objects.h"
#include "gdi/text/dc_text_state.h"
#include "kernel/handles.h"

namespace gdi {

enum class DcKind { kMemory, kSurface, kWindow };

class DeviceContext final : public platform::KernelObject {
 public:
  // A memory context starts with the stock bitmap selected; a surface
  // context draws on `canvas`, which it owns; a window context has no pixels.
  static DeviceContext *ForMemory();
  static DeviceContext *ForSurface(std::unique_ptr<Canvas> canvas);
  static DeviceContext *ForWindow(HWND window);
  ~DeviceContext() override;

  DcKind kind() const { return kind_; }
  HWND window() const { return window_; }

  // Puts `object` in its slot and gives the object it replaces; null (and
  // nothing changed) when the object cannot be selected here.
  HGDIOBJ Select(GdiObject *object, HGDIOBJ handle);
  HGDIOBJ Selected(ObjectSlot slot) const { return selected_[static_cast<int>(slot)]; }

  // What BitBlt reads and writes: the surface, or the selected bitmap of a
  // memory context; null for a window context.
  Canvas *Target();

  // Colours, background mode and alignment of text drawn here.
  DcTextState text;

 private:
  DeviceContext(DcKind kind, HWND window, std::unique_ptr<Canvas> canvas);

  DcKind kind_;
  HWND window_;
  std::unique_ptr<Canvas> canvas_;
  HGDIOBJ selected_[static_cast<int>(ObjectSlot::kCount)] = {};
};

// The live device context of a handle, or null.
DeviceContext *LookUpDC(HDC dc);

// Registers a context and gives its handle.
HDC RegisterDC(DeviceContext *context);

}  // namespace gdi
