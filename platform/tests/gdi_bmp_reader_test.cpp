// The platform's BMP reader over generated files of every depth, header
// version and compression, over hand-made RLE streams, over hostile files,
// and over the real files of the shared test data when they are present.
#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gdi/bmp_reader.h"
#include "support/bmp_builder.h"

namespace {

using bmp_builder::Shape;
using gdi::BmpResult;

constexpr int kWidth = 5;  // odd, so that every depth pads its rows
constexpr int kHeight = 3;

// Widens an n-bit channel to 8 bits by repeating its top bits.
uint32_t Widen(uint32_t channel, int bits) {
  uint32_t wide = 0;
  int filled = 0;
  for (; filled < 8; filled += bits) wide = (wide << bits) | channel;
  return (wide >> (filled - 8)) & 0xFF;
}

std::vector<uint32_t> Palette(int entries) {
  std::vector<uint32_t> palette;
  for (int i = 0; i < entries; ++i) palette.push_back(static_cast<uint32_t>(i * 0x0F1F2F + 0x102030) & 0xFFFFFF);
  return palette;
}

struct GoodCase {
  const char *name;
  int bits;
  uint32_t headerSize;
  uint32_t compression;
  bool topDown;
  uint32_t masks[3];
  int paletteEntries;
};

class BmpReaderGood : public ::testing::TestWithParam<GoodCase> {};

// The image's values and the colours they must decode to.
void MakeImage(const GoodCase &c, std::vector<uint32_t> *values, std::vector<uint32_t> *expected,
               std::vector<uint32_t> *palette) {
  *palette = c.bits <= 8 ? Palette(c.paletteEntries) : std::vector<uint32_t>{};
  for (int i = 0; i < kWidth * kHeight; ++i) {
    if (c.bits <= 8) {
      const uint32_t index = static_cast<uint32_t>(i * 7 + i / 3) % (1u << c.bits);
      values->push_back(index);
      expected->push_back(index < palette->size() ? (*palette)[index] : 0);
    } else if (c.bits == 24) {
      values->push_back(static_cast<uint32_t>(i) * 0x0A1B2C & 0xFFFFFF);
      expected->push_back(values->back());
    } else {
      const uint32_t raw = static_cast<uint32_t>(i) * 0x9E3779B1u;
      values->push_back(c.bits == 16 ? raw >> 16 : raw);
      uint32_t colour = 0;
      for (int ch = 0; ch < 3; ++ch) {
        const uint32_t mask = c.masks[ch];
        int shift = 0, width = 0;
        while (((mask >> shift) & 1) == 0) ++shift;
        while (((mask >> (shift + width)) & 1) == 1) ++width;
        const uint32_t channel = (values->back() & mask) >> shift;
        colour |= (width >= 8 ? channel >> (width - 8) : Widen(channel, width)) << (16 - 8 * ch);
      }
      expected->push_back(colour);
    }
  }
}

TEST_P(BmpReaderGood, DecodesFileAndPackedBitmap) {
  const GoodCase &c = GetParam();
  Shape shape;
  shape.width = kWidth;
  shape.height = kHeight;
  shape.bits = c.bits;
  shape.headerSize = c.headerSize;
  shape.compression = c.compression;
  shape.topDown = c.topDown;
  for (int i = 0; i < 3; ++i) shape.masks[i] = c.masks[i];
  std::vector<uint32_t> values, expected;
  MakeImage(c, &values, &expected, &shape.palette);
  if (c.bits <= 8 && c.headerSize != 12) shape.coloursUsed = static_cast<uint32_t>(shape.palette.size());

  gdi::DecodedBitmap image;
  const std::vector<uint8_t> file = bmp_builder::File(shape, values);
  ASSERT_EQ(gdi::DecodeBmpFile(file.data(), file.size(), &image), BmpResult::kDecoded);
  EXPECT_EQ(image.width, kWidth);
  EXPECT_EQ(image.height, kHeight);
  EXPECT_EQ(image.sourceBits, c.bits);
  EXPECT_EQ(image.rgb, expected);

  const std::vector<uint8_t> packed = bmp_builder::Packed(shape, values);
  ASSERT_EQ(gdi::DecodePackedBitmap(packed.data(), packed.size(), &image), BmpResult::kDecoded);
  EXPECT_EQ(image.rgb, expected);
}

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kFields = 3;

INSTANTIATE_TEST_SUITE_P(
    Kinds, BmpReaderGood,
    ::testing::Values(
        GoodCase{"pal1", 1, 40, kRgb, false, {}, 2}, GoodCase{"pal4", 4, 40, kRgb, false, {}, 16},
        GoodCase{"pal8", 8, 40, kRgb, false, {}, 256}, GoodCase{"pal8short", 8, 40, kRgb, false, {}, 20},
        GoodCase{"pal4short", 4, 40, kRgb, false, {}, 3}, GoodCase{"pal8topdown", 8, 40, kRgb, true, {}, 256},
        GoodCase{"core1", 1, 12, kRgb, false, {}, 2}, GoodCase{"core4", 4, 12, kRgb, false, {}, 16},
        GoodCase{"core8", 8, 12, kRgb, false, {}, 256}, GoodCase{"core24", 24, 12, kRgb, false, {}, 0},
        GoodCase{"pal8v4", 8, 108, kRgb, false, {}, 256}, GoodCase{"pal8v5", 8, 124, kRgb, false, {}, 256},
        GoodCase{"rle8", 8, 40, kRle8, false, {}, 256}, GoodCase{"rle4", 4, 40, kRle4, false, {}, 16},
        GoodCase{"rle8v5", 8, 124, kRle8, false, {}, 256},
        GoodCase{"rgb555", 16, 40, kRgb, false, {0x7C00, 0x03E0, 0x001F}, 0},
        GoodCase{"rgb565", 16, 40, kFields, false, {0xF800, 0x07E0, 0x001F}, 0},
        GoodCase{"rgb565v4", 16, 108, kFields, false, {0xF800, 0x07E0, 0x001F}, 0},
        GoodCase{"rgb444h52", 16, 52, kFields, true, {0x0F00, 0x00F0, 0x000F}, 0},
        GoodCase{"rgb24", 24, 40, kRgb, false, {}, 0}, GoodCase{"rgb24topdown", 24, 40, kRgb, true, {}, 0},
        GoodCase{"rgb24v5", 24, 124, kRgb, false, {}, 0},
        GoodCase{"rgb32", 32, 40, kRgb, false, {0xFF0000, 0x00FF00, 0x0000FF}, 0},
        GoodCase{"xbgr32", 32, 40, kFields, false, {0x0000FF, 0x00FF00, 0xFF0000}, 0},
        GoodCase{"rgb101010v5", 32, 124, kFields, false, {0x3FF00000, 0x000FFC00, 0x000003FF}, 0}),
    [](const ::testing::TestParamInfo<GoodCase> &p) { return std::string(p.param.name); });

// Hand-made RLE streams: absolute runs with padding, delta, end of line,
// odd nibble runs, and pixels no code reaches (index 0).
struct RleCase {
  const char *name;
  int bits;
  int width;
  int height;
  std::vector<uint8_t> stream;
  std::vector<uint32_t> indices;  // expected, top row first
};

class BmpReaderRle : public ::testing::TestWithParam<RleCase> {};

TEST_P(BmpReaderRle, Decodes) {
  const RleCase &c = GetParam();
  Shape shape;
  shape.width = c.width;
  shape.height = c.height;
  shape.bits = c.bits;
  shape.compression = c.bits == 8 ? kRle8 : kRle4;
  shape.palette = Palette(1 << c.bits);
  gdi::DecodedBitmap image;
  const std::vector<uint8_t> file = bmp_builder::FileWithBits(shape, c.stream);
  ASSERT_EQ(gdi::DecodeBmpFile(file.data(), file.size(), &image), BmpResult::kDecoded);
  std::vector<uint32_t> expected;
  for (uint32_t index : c.indices) expected.push_back(shape.palette[index]);
  EXPECT_EQ(image.rgb, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, BmpReaderRle,
    ::testing::Values(
        RleCase{"AbsoluteDeltaEol", 8, 4, 2, {0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 0, 2, 5, 0, 1},
                {0, 0, 5, 5, 1, 2, 3, 0}},
        RleCase{"MissingEndOfBitmap", 8, 2, 2, {2, 7}, {0, 0, 7, 7}},
        RleCase{"DeltaToNextRow", 8, 2, 2, {0, 2, 0, 1, 1, 9, 0, 1}, {9, 0, 0, 0}},
        RleCase{"Rle4Absolute", 4, 4, 1, {0, 4, 0x12, 0x34, 0, 1}, {1, 2, 3, 4}},
        RleCase{"Rle4OddRuns", 4, 6, 1, {3, 0xAB, 0, 3, 0xCD, 0xE0, 0, 1}, {10, 11, 10, 12, 13, 14}}),
    [](const ::testing::TestParamInfo<RleCase> &p) { return std::string(p.param.name); });

// Hostile files: each is refused with the reason given.
struct HostileCase {
  const char *name;
  std::vector<uint8_t> (*make)();
  BmpResult expected;
};

Shape Small(int bits, uint32_t compression = kRgb) {
  Shape shape;
  shape.width = 4;
  shape.height = 4;
  shape.bits = bits;
  shape.compression = compression;
  if (bits <= 8) shape.palette = Palette(1 << bits);
  return shape;
}

std::vector<uint8_t> Good24() { return bmp_builder::File(Small(24), std::vector<uint32_t>(16, 0x123456)); }

std::vector<uint8_t> Good24Cut(size_t size) {
  std::vector<uint8_t> file = Good24();
  file.resize(size);
  return file;
}

std::vector<uint8_t> Patched(std::vector<uint8_t> file, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) file.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
  return file;
}

std::vector<uint8_t> Rle8(std::vector<uint8_t> stream) { return bmp_builder::FileWithBits(Small(8, kRle8), stream); }

const HostileCase kHostile[] = {
    {"Empty", [] { return std::vector<uint8_t>{}; }, BmpResult::kTruncated},
    {"FileHeaderOnly", [] { return Good24Cut(14); }, BmpResult::kTruncated},
    {"InsideInfoHeader", [] { return Good24Cut(30); }, BmpResult::kTruncated},
    {"BitsCut", [] { auto f = Good24(); f.resize(f.size() - 1); return f; }, BmpResult::kTruncated},
    {"NotBM", [] { return Patched(Good24(), 0, 'X', 1); }, BmpResult::kBadHeader},
    {"HeaderSize41", [] { return Patched(Good24(), 14, 41, 4); }, BmpResult::kBadHeader},
    {"TwoPlanes", [] { return Patched(Good24(), 26, 2, 2); }, BmpResult::kBadHeader},
    {"ThreeBits", [] { return Patched(Good24(), 28, 3, 2); }, BmpResult::kUnsupported},
    {"Jpeg", [] { return Patched(Good24(), 30, 4, 4); }, BmpResult::kUnsupported},
    {"Rle8On24Bits", [] { return Patched(Good24(), 30, kRle8, 4); }, BmpResult::kUnsupported},
    {"NegativeWidth", [] { return Patched(Good24(), 18, static_cast<uint32_t>(-4), 4); }, BmpResult::kTooLarge},
    {"ZeroHeight", [] { return Patched(Good24(), 22, 0, 4); }, BmpResult::kTooLarge},
    {"MinimumHeight", [] { return Patched(Good24(), 22, 0x80000000u, 4); }, BmpResult::kTooLarge},
    {"WideBeyondCap", [] { return Patched(Good24(), 18, 100000, 4); }, BmpResult::kTooLarge},
    {"PixelsBeyondCap", [] { return Patched(Patched(Good24(), 18, 16384, 4), 22, 16384, 4); }, BmpResult::kTooLarge},
    {"HugeButShort", [] { return Patched(Patched(Good24(), 18, 4096, 4), 22, 4096, 4); }, BmpResult::kTruncated},
    {"OffsetPastEnd", [] { return Patched(Good24(), 10, 100000, 4); }, BmpResult::kTruncated},
    {"OffsetInHeader", [] { return Patched(Good24(), 10, 20, 4); }, BmpResult::kBadHeader},
    {"TopDownRle", [] { return Patched(Rle8({4, 1, 0, 1}), 22, static_cast<uint32_t>(-4), 4); }, BmpResult::kBadHeader},
    {"RunPastRow", [] { return Rle8({5, 1, 0, 1}); }, BmpResult::kBadEncoding},
    {"RunPastImage", [] { return Rle8({0, 2, 0, 4, 1, 1, 0, 1}); }, BmpResult::kBadEncoding},
    {"DeltaPastImage", [] { return Rle8({0, 2, 9, 0}); }, BmpResult::kBadEncoding},
    {"AbsolutePastRow", [] { return Rle8({0, 5, 1, 2, 3, 4, 5, 0}); }, BmpResult::kBadEncoding},
    {"AbsoluteCut", [] { return Rle8({0, 4, 1, 2}); }, BmpResult::kTruncated},
    {"DeltaCut", [] { return Rle8({0, 2, 1}); }, BmpResult::kTruncated},
    {"MasksCut", [] {
       Shape shape = Small(16, kFields);
       auto f = bmp_builder::FileWithBits(shape, {});
       f.resize(14 + 40 + 4);
       return Patched(f, 10, 0, 4);
     }, BmpResult::kTruncated},
};

class BmpReaderHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(BmpReaderHostile, IsRefused) {
  const std::vector<uint8_t> file = GetParam().make();
  gdi::DecodedBitmap image;
  // An exact-size copy, so that AddressSanitizer sees any read past the end.
  std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size() + 1]);
  std::copy(file.begin(), file.end(), exact.get());
  EXPECT_EQ(gdi::DecodeBmpFile(file.empty() ? nullptr : exact.get(), file.size(), &image), GetParam().expected);
  EXPECT_TRUE(image.rgb.empty());
  EXPECT_EQ(image.width, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, BmpReaderHostile, ::testing::ValuesIn(kHostile),
                         [](const ::testing::TestParamInfo<HostileCase> &p) { return std::string(p.param.name); });

// The shared test data: real files in "g" (good) must decode to the size
// their header gives; "b" (bad) and "q" (questionable) files may be refused,
// but never read outside their bytes.
std::vector<std::string> FilesIn(const std::string &folder) {
  std::vector<std::string> names;
  DIR *dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent *entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() > 4 && name.substr(name.size() - 4) == ".bmp") names.push_back(folder + "/" + name);
  }
  closedir(dir);
  return names;
}

std::vector<uint8_t> ReadFileBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string TestData() {
  const char *root = getenv("KORVANE_TESTDATA");
  return root != nullptr ? std::string(root) + "/bmp" : std::string();
}

TEST(BmpReaderRealFiles, GoodFilesDecode) {
  const std::vector<std::string> files = FilesIn(TestData() + "/g");
  if (files.empty()) GTEST_SKIP() << "no shared BMP test data";
  for (const std::string &path : files) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    gdi::DecodedBitmap image;
    EXPECT_EQ(gdi::DecodeBmpFile(bytes.data(), bytes.size(), &image), BmpResult::kDecoded) << path;
    EXPECT_EQ(image.rgb.size(), static_cast<size_t>(image.width) * image.height) << path;
  }
}

TEST(BmpReaderRealFiles, BadAndQuestionableFilesAreSafe) {
  std::vector<std::string> files = FilesIn(TestData() + "/b");
  const std::vector<std::string> questionable = FilesIn(TestData() + "/q");
  files.insert(files.end(), questionable.begin(), questionable.end());
  if (files.empty()) GTEST_SKIP() << "no shared BMP test data";
  for (const std::string &path : files) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    gdi::DecodedBitmap image;
    if (gdi::DecodeBmpFile(exact.get(), bytes.size(), &image) == BmpResult::kDecoded) {
      EXPECT_EQ(image.rgb.size(), static_cast<size_t>(image.width) * image.height) << path;
    }
  }
}

}  // namespace
