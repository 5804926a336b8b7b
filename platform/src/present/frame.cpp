// Frames as colours, through the pixel library's format conversion so that
// every reader of the front buffer sees the same colours.
#include "present/frame.h"

namespace present {

std::vector<uint32_t> FrameToRgb(const Frame &frame) {
  const int width = frame.pixels.width > 0 ? frame.pixels.width : 0;
  const int height = frame.pixels.height > 0 ? frame.pixels.height : 0;
  std::vector<uint32_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(height));
  if (rgb.empty()) return rgb;
  const pixels::Block target{reinterpret_cast<uint8_t *>(rgb.data()), static_cast<long>(width) * 4, width, height,
                             4};
  pixels::ConvertBlock(target, pixels::Format{32, 0xFF0000, 0x00FF00, 0x0000FF, 0}, nullptr, frame.pixels,
                       frame.format, frame.palette);
  return rgb;
}

}  // namespace present
