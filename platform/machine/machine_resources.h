// The machine interface of the program's resources: the bitmap resources a
// host program would carry in its executable, for FindResourceA(NULL module,
// name, RT_BITMAP). machine::reset() empties the registry.
#pragma once

#include "machine_api.h"

#include <cstdint>
#include <string>
#include <vector>

namespace machine MACHINE_API {

// Adds (or replaces) a bitmap resource: a packed device-independent bitmap,
// a BITMAPINFOHEADER followed by its colour table and bits. Names compare
// without case.
void add_bitmap_resource(const std::string &name, const std::vector<uint8_t> &packedBitmap);

// The same from a BMP file, whose 14-byte file header is left out; false
// when the file cannot be read or is too short.
bool add_bitmap_resource_from_file(const std::string &name, const std::string &path);

void remove_bitmap_resources();

}  // namespace machine
