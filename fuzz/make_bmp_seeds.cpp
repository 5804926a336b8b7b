// Writes a seed corpus for the BMP reader's fuzzer: small images of every
// depth, header version and compression the reader knows.
#include <cstdio>
#include <string>
#include <vector>

#include "support/bmp_builder.h"

namespace {

void Write(const std::string &path, const std::vector<uint8_t> &bytes) {
  FILE *file = fopen(path.c_str(), "wb");
  if (file == nullptr) return;
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_bmp_seeds <folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  struct Kind {
    int bits;
    uint32_t header;
    uint32_t compression;
    bool topDown;
  };
  const Kind kinds[] = {{1, 40, 0, false},  {4, 40, 0, false},   {8, 40, 0, true},   {8, 12, 0, false},
                        {24, 12, 0, false}, {4, 40, 2, false},   {8, 40, 1, false},  {8, 124, 1, false},
                        {16, 40, 0, false}, {16, 40, 3, false},  {16, 108, 3, true}, {24, 40, 0, false},
                        {32, 40, 0, false}, {32, 124, 3, false}, {32, 56, 3, false}};
  int n = 0;
  for (const Kind &kind : kinds) {
    bmp_builder::Shape shape;
    shape.width = 7;
    shape.height = 5;
    shape.bits = kind.bits;
    shape.headerSize = kind.header;
    shape.compression = kind.compression;
    shape.topDown = kind.topDown;
    shape.masks[0] = kind.bits == 16 ? 0xF800 : 0xFF0000;
    shape.masks[1] = kind.bits == 16 ? 0x07E0 : 0x00FF00;
    shape.masks[2] = kind.bits == 16 ? 0x001F : 0x0000FF;
    if (kind.bits <= 8) {
      for (int i = 0; i < (1 << kind.bits); ++i) shape.palette.push_back(static_cast<uint32_t>(i * 0x010203));
    }
    std::vector<uint32_t> values;
    for (int i = 0; i < shape.width * shape.height; ++i) {
      values.push_back(kind.bits <= 8 ? static_cast<uint32_t>(i / 3) % (1u << kind.bits) : static_cast<uint32_t>(i * 0x10305));
    }
    Write(folder + "/seed" + std::to_string(n++) + ".bmp", bmp_builder::File(shape, values));
    Write(folder + "/packed" + std::to_string(n++) + ".dib", bmp_builder::Packed(shape, values));
  }
  return 0;
}
