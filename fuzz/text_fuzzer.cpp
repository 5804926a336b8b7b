// libFuzzer entry for the GDI text exports: each input chooses a display
// depth, a font (face, height, weight, style, quality), a target (the back
// buffer or a bitmap of an odd size), the export (left-aligned or centred),
// colour, background mode and position anywhere in the 32-bit range, and
// the rest of the input is the text. The sanitizers catch any access
// outside a surface or a glyph; the check below catches a surface left
// locked or a device context not given back.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_scratch.h"
#include "korvane.h"
#include "machine.h"

namespace {

// Reads the input front to back; past its end every value is 0.
class Input {
 public:
  Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return offset_ < size_ ? data_[offset_++] : 0; }
  uint32_t Word() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(Byte()) << (8 * i);
    return value;
  }
  // The rest, as the zero-terminated text the exports take.
  std::string Rest() {
    std::string rest(reinterpret_cast<const char *>(data_ + offset_), size_ - offset_);
    offset_ = size_;
    return rest.substr(0, rest.find('\0'));
  }

 private:
  const uint8_t *data_;
  size_t size_;
  size_t offset_ = 0;
};

// Positions worth reaching often: the ends of the range and the screen's.
int Coordinate(Input &in) {
  static const int kNotable[] = {INT32_MIN, INT32_MIN + 1, INT32_MIN + 40, -1000, -1, 0, 1, 319, 639, 640,
                                 INT32_MAX - 40, INT32_MAX - 4, INT32_MAX};
  const uint8_t pick = in.Byte();
  const int32_t raw = static_cast<int32_t>(in.Word());
  if (pick < sizeof kNotable / sizeof kNotable[0]) return kNotable[pick];
  return pick < 128 ? raw % 2048 : raw;
}

const char *const kFaces[] = {"", "DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono", "Courier New",
                              "Times New Roman", "Arial", "no such face at all", "System"};
const int kDepths[] = {8, 16, 24, 32};
const int kBitmapSides[][2] = {{1, 1}, {7, 5}, {64, 48}};

int gDepth = 0;

void StartOnce() {
  static const bool started = [] {
    fuzz::EnterScratchFolder("korvane-text-fuzz-XXXXXX");
    REPORT_MODE("text-fuzz", 0);
    if (KORVANE_INIT(reinterpret_cast<HWND>(0x5000), nullptr) != 0) abort();
    if (DDRAW_INIT() != 0) abort();
    return true;
  }();
  (void)started;
}

// The mode of the input's depth, with one bitmap of each size made in it.
void UseDepth(int depth) {
  if (depth == gDepth) return;
  for (int i = 0; i < 3; ++i) FREE_BITMAP(i);
  if (SET_VIDEO_MODE(640, 480, depth) != 0) abort();
  for (int i = 0; i < 3; ++i) {
    if (CREATE_BITMAP(i, kBitmapSides[i][0], kBitmapSides[i][1], i & 1) != 0) abort();
  }
  gDepth = depth;
}

HFONT MakeFont(Input &in) {
  const uint8_t style = in.Byte();
  const int height = static_cast<int16_t>(in.Word() & 0xFFFF) % 400;
  const int weight = in.Byte() * 4;
  const BYTE quality = in.Byte() % 6;
  const BYTE pitchAndFamily = in.Byte();
  const char *face = kFaces[in.Byte() % (sizeof kFaces / sizeof kFaces[0])];
  return CreateFontA(height, 0, 0, 0, weight, style & 1, (style >> 1) & 1, (style >> 2) & 1, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, pitchAndFamily, face);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  StartOnce();
  Input in(data, size);
  UseDepth(kDepths[in.Byte() % 4]);
  const uint8_t how = in.Byte();
  const int x = Coordinate(in), y = Coordinate(in);
  const int colour = static_cast<int>(in.Word());
  HFONT font = (how & 0x80) != 0 ? MakeFont(in) : nullptr;
  const std::string text = in.Rest();
  USE_FONT(font);
  const int transparent = (how >> 2) & 1;
  const int bitmap = (how >> 3) % 3;
  switch (how & 3) {
    case 0: GDI_TEXTOUT(x, y, text.c_str(), colour, transparent); break;
    case 1: GDI_TEXTOUT_CENTER(x, y, text.c_str(), colour, transparent); break;
    case 2: GDI_TEXTOUT_BITMAP(bitmap, x, y, text.c_str(), colour, transparent); break;
    default: GDI_TEXTOUT_CENTER_BITMAP(bitmap, x, y, text.c_str(), colour, transparent); break;
  }
  GDI_GET_CHARWIDTH(text.c_str());
  USE_FONT(nullptr);
  if (font != nullptr) DeleteObject(font);
  // Every path gives the device context back: the back buffer and the
  // bitmap can be locked again at once.
  if (SURFACE_LOCK() != 0 || SURFACE_UNLOCK() != 0) abort();
  if (BITMAP_LOCK(bitmap) != 0 || BITMAP_UNLOCK(bitmap) != 0) abort();
  return 0;
}
