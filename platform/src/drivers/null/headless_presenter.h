// The headless video driver: no window; it keeps a copy of the last frame
// presented, which the machine interface reads back.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "present/presenter.h"

namespace present {

// The last frame the headless driver was given, its rows packed (width x
// bytes per pixel), and its palette (256 colours, or none).
struct KeptFrame {
  int width = 0;
  int height = 0;
  pixels::Format format{};
  std::vector<uint8_t> pixels;
  std::vector<uint32_t> palette;
};
KeptFrame HeadlessLastFrame();
void ForgetHeadlessFrame();

}  // namespace present
