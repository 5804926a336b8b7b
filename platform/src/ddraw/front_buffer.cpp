// The viewer's side of the display: the visible primary surface as a frame,
// presented when it changes, read back as colours, and written as a 24-bit
// BMP file.
#include "ddraw/front_buffer.h"

#include <fstream>

#include "ddraw/display_device.h"
#include "ddraw/palette.h"
#include "ddraw/surface.h"
#include "machine_display.h"
#include "present/presenter.h"

namespace platform {

namespace {

// The visible primary as a frame whose changed part is `area` (all when
// null); `colours` holds the palette the frame points to. False when no
// primary is shown.
bool FrontFrame(const RECT *area, uint32_t colours[256], present::Frame *frame) {
  const Surface *primary = Display().visiblePrimary;
  if (primary == nullptr) return false;
  const auto *attached = dynamic_cast<const Palette *>(primary->palette());
  if (attached != nullptr) attached->ToRgb(colours);
  const pixels::Block block = primary->WholeBlock();
  const present::Area whole{0, 0, block.width, block.height};
  *frame = present::Frame{block, primary->format(), attached != nullptr ? colours : nullptr,
                          area != nullptr ? present::Area{area->left, area->top, area->right, area->bottom} : whole};
  return true;
}

void PresentFront(const RECT *area) {
  uint32_t colours[256];
  present::Frame frame;
  if (FrontFrame(area, colours, &frame)) present::Present(frame);
}

}  // namespace

void PresentIfFront(const Surface *drawn, const RECT *area) {
  if (drawn != nullptr && drawn == Display().visiblePrimary) PresentFront(area);
}

void PresentIfFrontPalette(const IDirectDrawPalette *palette) {
  const Surface *primary = Display().visiblePrimary;
  if (palette != nullptr && primary != nullptr && primary->palette() == palette) PresentFront(nullptr);
}

}  // namespace platform

namespace {

void PutLittleEndian(std::vector<uint8_t> *out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

namespace machine {

FrontBuffer front_buffer() {
  FrontBuffer view;
  uint32_t colours[256];
  present::Frame frame;
  if (!platform::FrontFrame(nullptr, colours, &frame)) return view;
  view.width = static_cast<unsigned>(frame.pixels.width);
  view.height = static_cast<unsigned>(frame.pixels.height);
  view.bpp = static_cast<unsigned>(frame.format.bits);
  view.rgb = present::FrameToRgb(frame);
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
