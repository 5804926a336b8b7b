// Clear: fills rectangles of the target, the depth values and the stencil
// values of the depth buffer, each rectangle cut to the viewport and to the
// buffer it fills.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "d3d/pipeline/pipeline_internal.h"
#include "pixels/pixel_format.h"

namespace raster {

namespace {

// `rect` cut to the viewport and to a width × height buffer; false if empty.
bool Cut(const ClearRect &rect, const Viewport &vp, int width, int height, ClearRect &out) {
  const long vpRight = static_cast<long>(std::min<uint64_t>(static_cast<uint64_t>(vp.x) + vp.width, 1u << 30));
  const long vpBottom = static_cast<long>(std::min<uint64_t>(static_cast<uint64_t>(vp.y) + vp.height, 1u << 30));
  out.left = std::max({rect.left, static_cast<long>(std::min<uint32_t>(vp.x, 1u << 30)), 0L});
  out.top = std::max({rect.top, static_cast<long>(std::min<uint32_t>(vp.y, 1u << 30)), 0L});
  out.right = std::min({rect.right, vpRight, static_cast<long>(width)});
  out.bottom = std::min({rect.bottom, vpBottom, static_cast<long>(height)});
  return out.left < out.right && out.top < out.bottom;
}

template <int Bytes>
void FillRow(uint8_t *at, long count, const uint8_t *packed) {
  for (long x = 0; x < count; ++x, at += Bytes) std::memcpy(at, packed, Bytes);
}

void FillTarget(const Target &t, const ClearRect &r, uint32_t colour) {
  const uint8_t red = (colour >> 16) & 0xFF, green = (colour >> 8) & 0xFF, blue = colour & 0xFF,
                alpha = colour >> 24;
  const uint32_t value = pixels::NarrowChannel(red, t.red) | pixels::NarrowChannel(green, t.green) |
                         pixels::NarrowChannel(blue, t.blue) | pixels::NarrowChannel(alpha, t.alpha);
  uint8_t packed[4];
  for (int b = 0; b < 4; ++b) packed[b] = static_cast<uint8_t>(value >> (8 * b));
  const int bytes = t.bits / 8;
  for (long y = r.top; y < r.bottom; ++y) {
    uint8_t *at = t.pixels + t.pitch * y + r.left * bytes;
    const long count = r.right - r.left;
    // A loop per pixel size, so that each store is a plain move.
    if (bytes == 4) FillRow<4>(at, count, packed);
    else if (bytes == 3) FillRow<3>(at, count, packed);
    else FillRow<2>(at, count, packed);
  }
}

void FillDepth(const DepthBuffer &d, const ClearRect &r, uint32_t mask, uint32_t value) {
  for (long y = r.top; y < r.bottom; ++y) {
    uint8_t *at = d.bits + d.pitch * y + r.left * d.bytesPerPixel;
    for (long x = r.left; x < r.right; ++x, at += d.bytesPerPixel) {
      if (d.bytesPerPixel == 2) {
        uint16_t word;
        std::memcpy(&word, at, 2);
        word = static_cast<uint16_t>((word & ~mask) | (value & mask));
        std::memcpy(at, &word, 2);
      } else {
        uint32_t word;
        std::memcpy(&word, at, 4);
        word = (word & ~mask) | (value & mask);
        std::memcpy(at, &word, 4);
      }
    }
  }
}

}  // namespace

void Clear(const State &state, const Target *target, const DepthBuffer *depth, const ClearRect *rects,
           uint32_t rectCount, uint32_t flags, uint32_t colour, float z, uint32_t stencil) {
  const Viewport &vp = state.viewport;
  const ClearRect whole{static_cast<long>(std::min<uint32_t>(vp.x, 1u << 30)),
                        static_cast<long>(std::min<uint32_t>(vp.y, 1u << 30)), 1L << 30, 1L << 30};
  if (rects == nullptr) {
    rects = &whole;
    rectCount = 1;
  }
  const bool targetOk = target && target->pixels && (target->bits == 16 || target->bits == 24 || target->bits == 32) &&
                        target->width > 0 && target->height > 0 &&
                        target->pitch >= static_cast<long>(target->width) * (target->bits / 8);
  const bool depthOk = depth && depth->bits && (depth->bytesPerPixel == 2 || depth->bytesPerPixel == 4) &&
                       depth->width > 0 && depth->height > 0 &&
                       depth->pitch >= static_cast<long>(depth->width) * depth->bytesPerPixel;
  uint32_t depthMask = 0, depthValue = 0;
  if (depthOk) {
    if (flags & kClearDepth) {
      const int shift = pixels::MaskShift(depth->depthMask);
      const float unit = std::isfinite(z) ? std::clamp(z, 0.0f, 1.0f) : 1.0f;
      const uint32_t top = depth->depthMask >> shift;
      // Truncated as the pixel stage converts depth, so equal depths compare equal.
      const uint32_t value = top <= 16777215 ? static_cast<uint32_t>(static_cast<int32_t>(unit * static_cast<float>(top)))
                                          : static_cast<uint32_t>(static_cast<double>(unit) * top);
      depthMask |= depth->depthMask;
      depthValue |= (value << shift) & depth->depthMask;
    }
    if ((flags & kClearStencil) && depth->stencilMask) {
      const int shift = pixels::MaskShift(depth->stencilMask);
      depthMask |= depth->stencilMask;
      depthValue |= (stencil << shift) & depth->stencilMask;
    }
  }
  for (uint32_t i = 0; i < rectCount; ++i) {
    ClearRect cut;
    if ((flags & kClearTarget) && targetOk && Cut(rects[i], vp, target->width, target->height, cut))
      FillTarget(*target, cut, colour);
    if (depthMask && Cut(rects[i], vp, depth->width, depth->height, cut)) FillDepth(*depth, cut, depthMask, depthValue);
  }
}

}  // namespace raster
