// The viewer's side of the display: the visible primary surface read back
// as colours, and written as a 24-bit BMP file.
#include <fstream>

#include "ddraw/display_device.h"
#include "ddraw/palette.h"
#include "ddraw/surface.h"
#include "machine_display.h"

namespace {

void PutLittleEndian(std::vector<uint8_t> *out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

namespace machine {

FrontBuffer front_buffer() {
  FrontBuffer view;
  const platform::Surface *primary = platform::Display().visiblePrimary;
  if (primary == nullptr) return view;
  uint32_t palette[256];
  const auto *attached = dynamic_cast<const platform::Palette *>(primary->palette());
  if (attached != nullptr) attached->ToRgb(palette);
  const pixels::Block block = primary->WholeBlock();
  view.width = primary->width();
  view.height = primary->height();
  view.bpp = static_cast<unsigned>(primary->format().bits);
  view.rgb.reserve(static_cast<size_t>(view.width) * view.height);
  for (int y = 0; y < block.height; ++y) {
    for (int x = 0; x < block.width; ++x) {
      const uint32_t value = pixels::ReadPixel(block.bits + y * block.pitch + x * block.bytes, block.bytes);
      view.rgb.push_back(pixels::ToRgb(primary->format(), value, attached != nullptr ? palette : nullptr));
    }
  }
  return view;
}

bool write_front_buffer_bmp(const std::string &path) {
  const FrontBuffer view = front_buffer();
  if (view.width == 0) return false;
  const uint32_t rowBytes = (view.width * 3 + 3) & ~3u;
  const uint32_t imageBytes = rowBytes * view.height;
  std::vector<uint8_t> file;
  file.reserve(54 + imageBytes);
  // BITMAPFILEHEADER, then a 40-byte BITMAPINFOHEADER; rows bottom-up.
  file.push_back('B');
  file.push_back('M');
  PutLittleEndian(&file, 54 + imageBytes, 4);
  PutLittleEndian(&file, 0, 4);
  PutLittleEndian(&file, 54, 4);
  PutLittleEndian(&file, 40, 4);
  PutLittleEndian(&file, view.width, 4);
  PutLittleEndian(&file, view.height, 4);
  PutLittleEndian(&file, 1, 2);
  PutLittleEndian(&file, 24, 2);
  for (int i = 0; i < 6; ++i) PutLittleEndian(&file, 0, 4);
  for (unsigned y = view.height; y-- > 0;) {
    for (unsigned x = 0; x < view.width; ++x) PutLittleEndian(&file, view.pixel(x, y), 3);
    for (uint32_t pad = view.width * 3; pad < rowBytes; ++pad) file.push_back(0);
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(file.data()), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

}  // namespace machine
