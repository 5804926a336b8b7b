// Direct3D's compare functions over pixel values: as a template for the
// specialised loops, and as a switch for the rarer paths.
#pragma once

#include "d3d/pipeline/pipeline.h"

namespace raster {

template <typename T>
inline bool Passes(Compare compare, T incoming, T stored) {
  switch (compare) {
    case Compare::kNever: return false;
    case Compare::kLess: return incoming < stored;
    case Compare::kEqual: return incoming == stored;
    case Compare::kLessEqual: return incoming <= stored;
    case Compare::kGreater: return incoming > stored;
    case Compare::kNotEqual: return incoming != stored;
    case Compare::kGreaterEqual: return incoming >= stored;
    case Compare::kAlways: return true;
  }
  return true;
}

// The same with the function fixed at compile time: inlined with a constant,
// the switch folds to the one comparison.
template <Compare C, typename T>
inline bool Passes(T incoming, T stored) {
  return Passes(C, incoming, stored);
}

}  // namespace raster
