// A state block: values captured from the device (or recorded between
// BeginStateBlock and EndStateBlock) and which of them it holds, so that
// applying it sets exactly those.
#pragma once

#include <bitset>
#include <set>

#include "d3d/state_values.h"

namespace platform {
class Surface;
}

namespace platform::d3d {

struct StateBlock {
  DeviceState values;
  std::bitset<kRenderStateCount> render;
  std::bitset<kStageStateCount> stage[kStages];
  std::bitset<kTransformCount> transforms;
  bool viewport = false;
  bool material = false;
  std::set<DWORD> lights;
  std::bitset<kClipPlanes> clipPlanes;
  std::bitset<kStages> textures;
  Surface *textureValues[kStages] = {};

  StateBlock() = default;
  StateBlock(const StateBlock &) = delete;
  StateBlock &operator=(const StateBlock &) = delete;
  ~StateBlock();
  // Holds `texture` (with a reference) as the block's texture of `stage`.
  void SetTexture(DWORD index, Surface *texture);
};

}  // namespace platform::d3d
