// Triangles of one draw held back and rasterised band by band: each band is
// a run of whole target rows small enough for its colour and depth rows to
// stay in cache while every triangle touching it is drawn, in draw order.
// Rows are never split, so every span and every pixel comes out exactly as
// drawing the triangles one after another would give.
#pragma once

#include <cstdint>
#include <vector>

#include "d3d/pipeline/pipeline_internal.h"

namespace raster {

class TriangleBins {
 public:
  // Starts a draw into `scissor`; `rowBytes` is what one target row costs in
  // colour and depth together, which sets the band height.
  void Begin(const Scissor &scissor, long rowBytes);
  // Holds back a triangle (flat colours already applied); draws everything
  // held so far once the store is full, so memory stays bounded.
  void Add(const DrawSetup &setup, const ScreenVertex &a, const ScreenVertex &b, const ScreenVertex &c,
           bool perspective);
  // Draws every held triangle, band by band, and empties the store.
  void Flush(const DrawSetup &setup, bool perspective);

  // The rows of one band: about this many bytes of colour and depth.
  static constexpr long kBandBytes = 128 * 1024;
  static constexpr size_t kMaxTriangles = 16384;
  static constexpr size_t kPrefetchAhead = 4;
  // Bands with at least this many triangles have their rows fetched whole
  // before drawing.
  static constexpr size_t kBusyBand = 64;

 private:
  Scissor scissor_{};
  int bandRows_ = 1;
  std::vector<ScreenVertex> vertices_;           // three per triangle
  std::vector<std::vector<uint32_t>> bands_;     // triangle numbers per band, in draw order
};

}  // namespace raster
