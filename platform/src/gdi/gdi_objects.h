// GDI objects behind HGDIOBJ values: bitmaps (DIB sections made by
// LoadImageA), which are also canvases a device context draws on. Objects live in the
// platform's handle table, so a stale or forged handle is refused.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

#include "gdi/bmp_reader.h"
#include "gdi/canvas.h"
#include "kernel/handles.h"

namespace gdi {

// The kinds of object a device context holds one of at a time.
enum class ObjectSlot { kBitmap, kFont, kCount };

class GdiObject : public platform::KernelObject {
 public:
  virtual ObjectSlot slot() const = 0;
  // GetObjectA: fills `buffer` (when large enough) and gives the bytes
  // written, or the bytes needed when `buffer` is null; 0 when too small.
  virtual int Describe(int size, void *buffer) const = 0;
  // Stock objects are never destroyed.
  virtual bool stock() const { return false; }
  // The device contexts it is selected into (a bitmap: at most one).
  int selections = 0;
};

// A device-independent bitmap section: 32 bits per pixel, top-down, blue in
// the lowest byte (0xRRGGBB values), whatever depth the image was read from.
class DibSection final : public GdiObject, public Canvas {
 public:
  DibSection(DecodedBitmap image, bool stock) : image_(std::move(image)), stock_(stock) {}

  ObjectSlot slot() const override { return ObjectSlot::kBitmap; }
  int Describe(int size, void *buffer) const override;
  bool stock() const override { return stock_; }

  pixels::Block Pixels() override;
  pixels::Format PixelFormat() const override { return pixels::Format{32, 0xFF0000, 0x00FF00, 0x0000FF, 0}; }

  int width() const { return image_.width; }
  int height() const { return image_.height; }

 private:
  DecodedBitmap image_;
  bool stock_;
};

// Registers a new bitmap made from a decoded image.
HBITMAP CreateDibSection(DecodedBitmap image);

// The 1 x 1 bitmap every new memory device context holds.
HBITMAP StockBitmap();

// The live GDI object of a handle, or null.
GdiObject *LookUpObject(HGDIOBJ object);


}  // namespace gdi
