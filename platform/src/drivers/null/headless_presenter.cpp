// The headless driver. It copies only the changed part of a frame when the
// size and format are those it keeps, so that frequent small changes (one
// blit onto the primary after another) stay cheap.
#include "drivers/null/headless_presenter.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace present {

namespace {

struct Kept {
  std::mutex lock;
  KeptFrame frame;
};

Kept &Store() {
  static Kept kept;
  return kept;
}

bool SameFormat(const pixels::Format &a, const pixels::Format &b) {
  return a.bits == b.bits && a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}

// The changed area cut to the frame; all of it when it says nothing sane.
Area Clipped(const Frame &frame) {
  const Area &area = frame.changed;
  Area cut{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, frame.pixels.width),
           std::min(area.bottom, frame.pixels.height)};
  if (cut.left >= cut.right || cut.top >= cut.bottom) return Area{0, 0, frame.pixels.width, frame.pixels.height};
  return cut;
}

class HeadlessPresenter final : public Presenter {
 public:
  void Present(const Frame &frame) override {
    const pixels::Block &from = frame.pixels;
    if (from.width <= 0 || from.height <= 0 || from.bytes <= 0) return;
    Kept &kept = Store();
    std::lock_guard<std::mutex> hold(kept.lock);
    KeptFrame &to = kept.frame;
    const bool sameShape =
        to.width == from.width && to.height == from.height && SameFormat(to.format, frame.format);
    const Area area = sameShape ? Clipped(frame) : Area{0, 0, from.width, from.height};
    if (!sameShape) {
      to.width = from.width;
      to.height = from.height;
      to.format = frame.format;
      to.pixels.assign(static_cast<size_t>(from.width) * from.height * from.bytes, 0);
    }
    const size_t rowBytes = static_cast<size_t>(from.width) * from.bytes;
    const size_t spanBytes = static_cast<size_t>(area.right - area.left) * from.bytes;
    for (int y = area.top; y < area.bottom; ++y) {
      memcpy(to.pixels.data() + y * rowBytes + static_cast<size_t>(area.left) * from.bytes,
             from.bits + y * from.pitch + static_cast<long>(area.left) * from.bytes, spanBytes);
    }
    if (frame.palette != nullptr) {
      to.palette.assign(frame.palette, frame.palette + 256);
    } else {
      to.palette.clear();
    }
  }
};

}  // namespace

std::unique_ptr<Presenter> StartHeadlessPresenter() { return std::make_unique<HeadlessPresenter>(); }

KeptFrame HeadlessLastFrame() {
  Kept &kept = Store();
  std::lock_guard<std::mutex> hold(kept.lock);
  return kept.frame;
}

void ForgetHeadlessFrame() {
  Kept &kept = Store();
  std::lock_guard<std::mutex> hold(kept.lock);
  kept.frame = KeptFrame{};
}

}  // namespace present
