// The device's Direct3D state as the pipeline's records: every value range-
// checked (an out-of-range enumeration value draws as the state's default),
// floats passed only when finite, and each bound texture described with its
// mipmap levels, palette and colour key.
#pragma once

#include <vector>

#include "d3d/device.h"
#include "d3d/pipeline/pipeline.h"

namespace platform {
class Surface;
}

namespace platform::d3d {

// A texture as the pipeline reads it, with the storage its record points to.
struct BoundTexture {
  std::vector<raster::TextureLevel> levels;
  uint32_t palette[256];
  raster::Texture texture;
};

// What one draw needs; `state` points into the other members, so the inputs
// are neither copied nor moved.
struct DrawInputs {
  raster::State state;
  std::vector<raster::Light> lights;
  BoundTexture textures[kStages];

  DrawInputs() = default;
  DrawInputs(const DrawInputs &) = delete;
  DrawInputs &operator=(const DrawInputs &) = delete;
};

// Fills `inputs` from the device state, for a target of the given size,
// with or without a depth buffer.
void TranslateState(const DeviceState &device, Surface *const textures[kStages], DWORD targetWidth,
                    DWORD targetHeight, bool hasDepth, DrawInputs *inputs);

// The render target and depth buffer as the pipeline draws into them.
raster::Target TargetOf(Surface *target);
raster::DepthBuffer DepthOf(Surface *depth);

}  // namespace platform::d3d
