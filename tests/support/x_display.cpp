// The X display helpers: polling, running the X tools, and the two image
// readers (XWD dumps of ZPixmap windows, 24-bit bottom-up BMP files).
#include "support/x_display.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

namespace x_display {

namespace {

uint32_t BigEndian32(const std::string &bytes, size_t at) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 8) |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3]));
}

uint32_t LittleEndian(const std::string &bytes, size_t at, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
  return value;
}

// An 8-bit channel from a pixel through its mask.
uint32_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const uint32_t top = mask >> shift;
  const uint32_t value = (pixel & mask) >> shift;
  return top == 0xFF ? value : value * 255 / top;
}

}  // namespace

bool Available() {
  const char *display = std::getenv("DISPLAY");
  return display != nullptr && display[0] != '\0';
}

bool WaitFor(const std::function<bool()> &condition, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool Shell(const std::string &command, std::string *output) {
  // A tool that hangs fails the case instead of the whole run.
  FILE *pipe = popen(("timeout 10 sh -c '" + command + "' 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  std::string text;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, got);
  const int status = pclose(pipe);
  if (output != nullptr) *output = text;
  return status == 0;
}

Image CaptureWindow(unsigned long window) {
  std::string dump;
  if (!Shell("xwd -silent -id " + std::to_string(window), &dump) || dump.size() < 100) return Image{};
  const uint32_t headerSize = BigEndian32(dump, 0);
  const uint32_t format = BigEndian32(dump, 8);
  const uint32_t width = BigEndian32(dump, 16);
  const uint32_t height = BigEndian32(dump, 20);
  const uint32_t byteOrder = BigEndian32(dump, 28);
  const uint32_t bitsPerPixel = BigEndian32(dump, 44);
  const uint32_t bytesPerLine = BigEndian32(dump, 48);
  const uint32_t masks[3] = {BigEndian32(dump, 56), BigEndian32(dump, 60), BigEndian32(dump, 64)};
  const uint32_t colours = BigEndian32(dump, 76);
  const size_t pixelsAt = headerSize + static_cast<size_t>(colours) * 12;
  const int bytes = static_cast<int>(bitsPerPixel / 8);
  if (format != 2 || (bytes != 4 && bytes != 3) || dump.size() < pixelsAt + static_cast<size_t>(height) * bytesPerLine) {
    return Image{};
  }
  Image image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.rgb.resize(static_cast<size_t>(width) * height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const size_t at = pixelsAt + static_cast<size_t>(y) * bytesPerLine + static_cast<size_t>(x) * bytes;
      uint32_t pixel = LittleEndian(dump, at, bytes);
      if (byteOrder != 0) pixel = bytes == 4 ? __builtin_bswap32(pixel) : __builtin_bswap32(pixel) >> 8;
      image.rgb[static_cast<size_t>(y) * width + x] =
          (Channel(pixel, masks[0]) << 16) | (Channel(pixel, masks[1]) << 8) | Channel(pixel, masks[2]);
    }
  }
  return image;
}

Image ReadBmp24(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || LittleEndian(bytes, 28, 2) != 24) return Image{};
  const uint32_t offset = LittleEndian(bytes, 10, 4);
  const int width = static_cast<int>(LittleEndian(bytes, 18, 4));
  const int height = static_cast<int>(LittleEndian(bytes, 22, 4));
  const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
  if (width <= 0 || height <= 0 || bytes.size() < offset + rowBytes * height) return Image{};
  Image image;
  image.width = width;
  image.height = height;
  image.rgb.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const size_t row = offset + rowBytes * static_cast<size_t>(height - 1 - y);  // bottom row first
    for (int x = 0; x < width; ++x) image.rgb[static_cast<size_t>(y) * width + x] = LittleEndian(bytes, row + 3 * x, 3);
  }
  return image;
}

}  // namespace x_display
