// The registry of the host program's bitmap resources, as the control
// interface fills it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Adds (or replaces) the bitmap resource `name` (compared without case): a
// packed device-independent bitmap.
void AddBitmapResource(const std::string &name, const std::vector<uint8_t> &packedBitmap);
void RemoveBitmapResources();

}  // namespace platform
