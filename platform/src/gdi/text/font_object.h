// Font objects behind HFONT values: the LOGFONTA a host asked for, opened by
// the font engine when first drawn or measured with, and the font a device
// context uses (its selected font, or the system font).
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>

#include "gdi/device_context.h"
#include "gdi/gdi_objects.h"
#include "gdi/text/font_engine.h"

namespace gdi {

class FontObject final : public GdiObject {
 public:
  explicit FontObject(const LOGFONTA &request) : request_(request) {}

  ObjectSlot slot() const override { return ObjectSlot::kFont; }
  // GetObjectA: the LOGFONTA the font was created from.
  int Describe(int size, void *buffer) const override;

  // The engine's font for the request; null when no installed font opens.
  std::shared_ptr<text::Font> Font();

 private:
  LOGFONTA request_;
  std::mutex lock_;
  std::shared_ptr<text::Font> opened_;
};

// The font text in `context` is drawn with: the selected font, else the
// system font; null when no installed font opens.
std::shared_ptr<text::Font> FontOf(const DeviceContext &context);

}  // namespace gdi
