// The program resources' part of the machine interface: bitmap resources
// given as packed bitmaps or read from BMP files, and emptying the registry.
#include <windows.h>

#include <fstream>
#include <iterator>

#include "kernel/resources.h"
#include "machine_resources.h"

namespace machine {

void add_bitmap_resource(const std::string &name, const std::vector<uint8_t> &packedBitmap) {
  platform::AddBitmapResource(name, packedBitmap);
}

bool add_bitmap_resource_from_file(const std::string &name, const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A resource holds the bitmap without the file's 14-byte header.
  if (file.size() <= sizeof(BITMAPFILEHEADER)) return false;
  add_bitmap_resource(name, std::vector<uint8_t>(file.begin() + sizeof(BITMAPFILEHEADER), file.end()));
  return true;
}

void remove_bitmap_resources() { platform::RemoveBitmapResources(); }

}  // namespace machine
