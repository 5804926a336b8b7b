// Band binning of a draw's triangles: each triangle is listed in the bands
// its rows may reach, then the bands are drawn top to bottom, each with the
// scissor rectangle cut to its rows.
#include "d3d/pipeline/triangle_bins.h"

#include <algorithm>
#include <cmath>

#include "d3d/pipeline/pixel_setup.h"

namespace raster {

namespace {

// Asks for a band's colour and depth rows ahead of drawing, in address
// order, which memory serves far faster than the scattered first touches of
// the triangles themselves.
void PrefetchRows(const DrawSetup &setup, const Scissor &rows) {
  auto sweep = [&](const uint8_t *base, long pitch, int bytes) {
    for (int y = rows.top; y < rows.bottom; ++y) {
      const uint8_t *first = base + pitch * y + static_cast<long>(rows.left) * bytes;
      const uint8_t *end = base + pitch * y + static_cast<long>(rows.right) * bytes;
      for (const uint8_t *at = first; at < end; at += 64) __builtin_prefetch(at, 1);
    }
  };
  sweep(setup.pixels, setup.pitch, setup.bytesPerPixel);
  if (setup.depthBits) sweep(setup.depthBits, setup.depthPitch, setup.depthBytes);
}

}  // namespace

void TriangleBins::Begin(const Scissor &scissor, long rowBytes) {
  scissor_ = scissor;
  bandRows_ = static_cast<int>(std::clamp<long>(kBandBytes / std::max<long>(rowBytes, 1), 4, 256));
  const int rows = scissor.bottom - scissor.top;
  const size_t bandCount = static_cast<size_t>((rows + bandRows_ - 1) / bandRows_);
  if (bands_.size() < bandCount) bands_.resize(bandCount);
  for (size_t i = 0; i < bandCount; ++i) bands_[i].clear();
  vertices_.clear();
}

void TriangleBins::Add(const DrawSetup &setup, const ScreenVertex &a, const ScreenVertex &b, const ScreenVertex &c,
                       bool perspective) {
  const int rows = scissor_.bottom - scissor_.top;
  const int lastBand = (rows - 1) / bandRows_;
  int firstListed = 0, lastListed = lastBand;
  const float top = std::min({a.y, b.y, c.y}), bottom = std::max({a.y, b.y, c.y});
  // A generous row range: snapping moves a vertex by at most 1/32 pixel. A
  // position that is not finite lists the triangle everywhere, so that it
  // is handled exactly as when drawn on its own.
  if (std::isfinite(top) && std::isfinite(bottom)) {
    const double firstRow = std::floor(static_cast<double>(top)) - 1 - scissor_.top;
    const double lastRow = std::ceil(static_cast<double>(bottom)) + 1 - scissor_.top;
    if (lastRow < 0 || firstRow >= rows) return;  // no row inside the scissor rectangle
    firstListed = static_cast<int>(std::max(0.0, firstRow)) / bandRows_;
    lastListed = static_cast<int>(std::min<double>(rows - 1, lastRow)) / bandRows_;
  }
  const uint32_t number = static_cast<uint32_t>(vertices_.size() / 3);
  vertices_.push_back(a);
  vertices_.push_back(b);
  vertices_.push_back(c);
  for (int band = firstListed; band <= lastListed; ++band) bands_[static_cast<size_t>(band)].push_back(number);
  if (number + 1 >= kMaxTriangles) Flush(setup, perspective);
}

void TriangleBins::Flush(const DrawSetup &setup, bool perspective) {
  if (vertices_.empty()) return;
  const int rows = scissor_.bottom - scissor_.top;
  const int bandCount = (rows + bandRows_ - 1) / bandRows_;
  for (int band = 0; band < bandCount; ++band) {
    std::vector<uint32_t> &listed = bands_[static_cast<size_t>(band)];
    Scissor bandRows{scissor_.left, scissor_.top + band * bandRows_, scissor_.right, 0};
    bandRows.bottom = std::min(scissor_.bottom, bandRows.top + bandRows_);
    const size_t listedCount = listed.size();
    if (listedCount >= kBusyBand) PrefetchRows(setup, bandRows);
    for (size_t i = 0; i < listedCount; ++i) {
      // A band reads every few triangles of the store, too irregularly for
      // the hardware to fetch ahead: ask for the ones a little further on.
      if (i + kPrefetchAhead < listedCount) {
        const char *ahead = reinterpret_cast<const char *>(&vertices_[static_cast<size_t>(listed[i + kPrefetchAhead]) * 3]);
        for (size_t line = 0; line < 3 * sizeof(ScreenVertex); line += 64) __builtin_prefetch(ahead + line);
      }
      const ScreenVertex *v = &vertices_[static_cast<size_t>(listed[i]) * 3];
      RasteriseTriangle(setup, bandRows, v[0], v[1], v[2], perspective, false);
    }
    listed.clear();
  }
  vertices_.clear();
}

}  // namespace raster
