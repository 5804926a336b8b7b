// The pixel library: every specialised kernel gives the same bytes as its
// plain reference kernel on seeded random blocks (random sizes, rows padded,
// keys, overlapping copies) in every display format; the switch that forces
// the reference kernels follows the environment and the machine interface,
// and a DirectDraw scene draws the same either way.
#include <windows.h>
#include <ddraw.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "machine.h"
#include "machine_pixels.h"
#include "pixels/kernel_variants.h"
#include "support/test_machine.h"

namespace {

using pixels::Block;
using pixels::ColorKey;
using pixels::Format;

constexpr int kRounds = 150;

struct FormatCase {
  const char *name;
  Format format;
  machine::PixelVectors vectors = machine::PixelVectors::kWidest;  // the widest the kernels may use
};

const FormatCase kFormats[] = {
    {"Indexed8", {8, 0, 0, 0, 0}},
    {"Rgb565", {16, 0xF800, 0x07E0, 0x001F, 0}},
    {"Rgb555", {16, 0x7C00, 0x03E0, 0x001F, 0}},
    {"Rgb24", {24, 0xFF0000, 0x00FF00, 0x0000FF, 0}},
    {"Rgb32", {32, 0xFF0000, 0x00FF00, 0x0000FF, 0}},
};

void PrintTo(const FormatCase &format, std::ostream *out) { *out << format.name; }

// Formats a host may ask of an off-screen surface beyond the display's:
// channels wider than 8 bits, and masks with holes.
const FormatCase kUnusualFormats[] = {
    {"Rgb2101010", {32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0}},
    {"Rgb444", {16, 0x0F00, 0x00F0, 0x000F, 0}},
    {"HoledMasks", {16, 0xA0A0, 0x0505, 0x4A4A, 0}},
};

// A block of random bytes whose rows carry random padding.
struct Memory {
  std::vector<uint8_t> bytes;
  long pitch;
  int width;
  int height;
  int pixelBytes;

  Block Part(int x, int y, int w, int h) {
    return Block{bytes.data() + static_cast<long>(y) * pitch + static_cast<long>(x) * pixelBytes, pitch, w, h,
                 pixelBytes};
  }
  Block Whole() { return Part(0, 0, width, height); }
};

int Between(std::mt19937 &random, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random);
}

Memory RandomMemory(std::mt19937 &random, int width, int height, int pixelBytes) {
  Memory memory{{}, static_cast<long>(width) * pixelBytes + Between(random, 0, 7), width, height, pixelBytes};
  memory.bytes.resize(static_cast<size_t>(memory.pitch) * static_cast<size_t>(height));
  for (uint8_t &byte : memory.bytes) byte = static_cast<uint8_t>(random());
  return memory;
}

// Paints the block's pixels with values drawn from `choices`, so that keys
// are met often.
void Paint(std::mt19937 &random, const Block &block, const std::vector<uint32_t> &choices) {
  for (int y = 0; y < block.height; ++y) {
    for (int x = 0; x < block.width; ++x) {
      const uint32_t value = choices[static_cast<size_t>(Between(random, 0, static_cast<int>(choices.size()) - 1))];
      pixels::WritePixel(block.bits + y * block.pitch + x * block.bytes, block.bytes, value);
    }
  }
}

uint32_t PixelMask(int pixelBytes) { return pixelBytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * pixelBytes)) - 1; }

// A key and source values that fall inside it, on its edges and outside it.
struct KeyedSource {
  ColorKey key;
  std::vector<uint32_t> values;
};

KeyedSource RandomKey(std::mt19937 &random, int pixelBytes) {
  const uint32_t mask = PixelMask(pixelBytes);
  const uint32_t low = static_cast<uint32_t>(random()) & mask;
  const bool single = Between(random, 0, 1) == 0;
  const uint32_t high = single ? low : low + std::min<uint32_t>(mask - low, static_cast<uint32_t>(Between(random, 0, 40)));
  std::vector<uint32_t> values{low, high, low + (high - low) / 2};
  if (low > 0) values.push_back(low - 1);
  if (high < mask) values.push_back(high + 1);
  for (int i = 0; i < 3; ++i) values.push_back(static_cast<uint32_t>(random()) & mask);
  return KeyedSource{ColorKey{low, high}, values};
}

class PixelKernelsTest : public ::testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override { machine::limit_pixel_vectors(GetParam().vectors); }
  void TearDown() override { machine::limit_pixel_vectors(machine::PixelVectors::kWidest); }

  int PixelBytes() const { return (GetParam().format.bits + 7) / 8; }
  static std::mt19937 Seeded(int round, int salt) { return std::mt19937(static_cast<unsigned>(round * 7919 + salt)); }
  std::string Where(int round) const { return std::string(GetParam().name) + " round " + std::to_string(round); }
};

TEST_P(PixelKernelsTest, FillMatchesReference) {
  for (int round = 0; round < kRounds; ++round) {
    std::mt19937 random = Seeded(round, 1);
    Memory fast = RandomMemory(random, Between(random, 1, 48), Between(random, 1, 24), PixelBytes());
    Memory plain = fast;
    const int x = Between(random, 0, fast.width - 1), y = Between(random, 0, fast.height - 1);
    const int w = Between(random, 0, fast.width - x), h = Between(random, 0, fast.height - y);
    const uint32_t value = static_cast<uint32_t>(random());
    pixels::specialised::Fill(fast.Part(x, y, w, h), value);
    pixels::reference::Fill(plain.Part(x, y, w, h), value);
    ASSERT_EQ(fast.bytes, plain.bytes) << Where(round);
  }
}

TEST_P(PixelKernelsTest, CopyBetweenBlocksMatchesReference) {
  for (int round = 0; round < kRounds; ++round) {
    std::mt19937 random = Seeded(round, 2);
    const int w = Between(random, 1, 40), h = Between(random, 1, 20);
    Memory source = RandomMemory(random, w + Between(random, 0, 5), h + Between(random, 0, 5), PixelBytes());
    Memory fast = RandomMemory(random, w + Between(random, 0, 5), h + Between(random, 0, 5), PixelBytes());
    Memory plain = fast;
    const int sx = Between(random, 0, source.width - w), sy = Between(random, 0, source.height - h);
    const int tx = Between(random, 0, fast.width - w), ty = Between(random, 0, fast.height - h);
    pixels::specialised::Copy(fast.Part(tx, ty, w, h), source.Part(sx, sy, w, h));
    pixels::reference::Copy(plain.Part(tx, ty, w, h), source.Part(sx, sy, w, h));
    ASSERT_EQ(fast.bytes, plain.bytes) << Where(round);
  }
}

// Overlapping rectangles of one surface, moved in every direction: both
// kernels must give what a copy through a separate buffer gives.
TEST_P(PixelKernelsTest, OverlappingCopyMatchesReferenceAndStagedCopy) {
  for (int round = 0; round < kRounds; ++round) {
    std::mt19937 random = Seeded(round, 3);
    Memory fast = RandomMemory(random, Between(random, 2, 40), Between(random, 2, 20), PixelBytes());
    Memory plain = fast, staged = fast;
    const int w = Between(random, 1, fast.width - 1), h = Between(random, 1, fast.height - 1);
    const int sx = Between(random, 0, fast.width - w), sy = Between(random, 0, fast.height - h);
    const int tx = std::clamp(sx + Between(random, -3, 3), 0, fast.width - w);
    const int ty = std::clamp(sy + Between(random, -2, 2), 0, fast.height - h);

    pixels::specialised::Copy(fast.Part(tx, ty, w, h), fast.Part(sx, sy, w, h));
    pixels::reference::Copy(plain.Part(tx, ty, w, h), plain.Part(sx, sy, w, h));
    Memory apart = RandomMemory(random, w, h, PixelBytes());
    pixels::reference::Copy(apart.Whole(), staged.Part(sx, sy, w, h));
    pixels::reference::Copy(staged.Part(tx, ty, w, h), apart.Whole());

    ASSERT_EQ(plain.bytes, staged.bytes) << Where(round) << " (reference against a staged copy)";
    ASSERT_EQ(fast.bytes, plain.bytes) << Where(round);
  }
}

// Blocks whose rows follow one another with no padding are filled and
// copied in one piece: whole-width bands moved up and down within one
// memory (overlapping) and between two, and whole blocks filled.
TEST_P(PixelKernelsTest, ContiguousBlocksMatchReference) {
  for (int round = 0; round < kRounds; ++round) {
    std::mt19937 random = Seeded(round, 7);
    const int width = Between(random, 1, 90), height = Between(random, 2, 40);
    Memory fast = RandomMemory(random, width, height, PixelBytes());
    fast.pitch = static_cast<long>(width) * PixelBytes();
    fast.bytes.resize(static_cast<size_t>(fast.pitch) * static_cast<size_t>(height));
    Memory plain = fast;
    Memory other = RandomMemory(random, width, height, PixelBytes());
    other.pitch = fast.pitch;
    const int h = Between(random, 1, height - 1);
    const int sy = Between(random, 0, height - h), ty = Between(random, 0, height - h);
    const bool within = round % 2 == 0;
    pixels::specialised::Copy(fast.Part(0, ty, width, h), within ? fast.Part(0, sy, width, h) : other.Part(0, sy, width, h));
    pixels::reference::Copy(plain.Part(0, ty, width, h), within ? plain.Part(0, sy, width, h) : other.Part(0, sy, width, h));
    ASSERT_EQ(fast.bytes, plain.bytes) << Where(round) << (within ? " within one memory" : " between two");
    const uint32_t value = static_cast<uint32_t>(random());
    pixels::specialised::Fill(fast.Part(0, 0, width, height), value);
    pixels::reference::Fill(plain.Part(0, 0, width, height), value);
    ASSERT_EQ(fast.bytes, plain.bytes) << Where(round) << " fill";
  }
}

TEST_P(PixelKernelsTest, KeyedCopyMatchesReference) {
  for (int round = 0; round < kRounds; ++round) {
    std::mt19937 random = Seeded(round, 4);
    const KeyedSource keyed = RandomKey(random, PixelBytes());
    const int w = Between(random, 1, 40), h = Between(random, 1, 20);
    Memory source = RandomMemory(random, w, h, PixelBytes());
    Paint(random, source.Whole(), keyed.values);
    Memory fast = RandomMemory(random, w + Between(random, 0, 4), h + Between(random, 0, 4), PixelBytes());
    Memory plain = fast;
    const int tx = Between(random, 0, fast.width - w), ty = Between(random, 0, fast.height - h);
    pixels::specialised::CopyKeyed(fast.Part(tx, ty, w, h), source.Whole(), keyed.key);
    pixels::reference::CopyKeyed(plain.Part(tx, ty, w, h), source.Whole(), keyed.key);
    ASSERT_EQ(fast.bytes, plain.bytes) << Where(round);
  }
}

// Sprite-like sources: runs of keyed and opaque pixels of every length, so
// that whole groups of pixels are opaque, keyed or mixed, with keys that
// match no pixel, about half and every pixel, over rows wide enough for
// several groups.
TEST_P(PixelKernelsTest, KeyedCopyOfRunsMatchesReference) {
  const uint32_t mask = PixelMask(PixelBytes());
  for (int keyedShare : {0, 50, 100}) {
    for (int round = 0; round < kRounds; ++round) {
      std::mt19937 random = Seeded(round, 11 + keyedShare);
      const KeyedSource keyed = RandomKey(random, PixelBytes());
      // A value outside the key for the opaque runs.
      const uint32_t outside = keyed.key.high < mask ? keyed.key.high + 1 : keyed.key.low - 1;
      const int w = Between(random, 1, 100), h = Between(random, 1, 6);
      Memory source = RandomMemory(random, w, h, PixelBytes());
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w;) {
          const bool keyedRun = Between(random, 0, 99) < keyedShare;
          for (int end = std::min(w, x + Between(random, 1, 40)); x < end; ++x) {
            pixels::WritePixel(source.Part(x, y, 1, 1).bits, PixelBytes(), keyedRun ? keyed.key.low : outside);
          }
        }
      }
      Memory fast = RandomMemory(random, w + 2, h + 1, PixelBytes());
      Memory plain = fast;
      pixels::specialised::CopyKeyed(fast.Part(1, 1, w, h), source.Whole(), keyed.key);
      pixels::reference::CopyKeyed(plain.Part(1, 1, w, h), source.Whole(), keyed.key);
      ASSERT_EQ(fast.bytes, plain.bytes) << Where(round) << ", " << keyedShare << "% keyed";
    }
  }
}

// Stretches up and down, same-size mirrors, doubled widths (the commonest
// scale, with paths of its own), with and without a key.
TEST_P(PixelKernelsTest, StretchAndMirrorMatchReference) {
  for (int round = 0; round < kRounds; ++round) {
    std::mt19937 random = Seeded(round, 5);
    const KeyedSource keyed = RandomKey(random, PixelBytes());
    const int sw = Between(random, 1, 30), sh = Between(random, 1, 20);
    const bool sameSize = round % 3 == 0, doubled = round % 3 == 1;
    const int tw = sameSize ? sw : doubled ? 2 * sw : Between(random, 1, 50);
    const int th = sameSize ? sh : doubled ? Between(random, sh, 2 * sh + 1) : Between(random, 1, 30);
    Memory source = RandomMemory(random, sw, sh, PixelBytes());
    Paint(random, source.Whole(), keyed.values);
    Memory fast = RandomMemory(random, tw + Between(random, 0, 3), th + Between(random, 0, 3), PixelBytes());
    Memory plain = fast;
    const pixels::StretchOptions options{Between(random, 0, 1) == 1, Between(random, 0, 1) == 1,
                                         Between(random, 0, 1) == 1, keyed.key};
    const int tx = Between(random, 0, fast.width - tw), ty = Between(random, 0, fast.height - th);
    pixels::specialised::Stretch(fast.Part(tx, ty, tw, th), source.Whole(), options);
    pixels::reference::Stretch(plain.Part(tx, ty, tw, th), source.Whole(), options);
    ASSERT_EQ(fast.bytes, plain.bytes) << Where(round) << " mirrors " << options.mirrorLeftRight
                                       << options.mirrorUpDown << " keyed " << options.keyed;
  }
}

// Conversion from this format into every display and unusual format, with
// random palettes or none on either side.
TEST_P(PixelKernelsTest, ConversionIntoEveryFormatMatchesReference) {
  std::vector<FormatCase> targets(std::begin(kFormats), std::end(kFormats));
  targets.insert(targets.end(), std::begin(kUnusualFormats), std::end(kUnusualFormats));
  for (const FormatCase &target : targets) {
    for (int round = 0; round < kRounds / 5; ++round) {
      std::mt19937 random = Seeded(round, 6);
      std::vector<uint32_t> sourcePalette(256), targetPalette(256);
      for (uint32_t &colour : sourcePalette) colour = static_cast<uint32_t>(random());
      for (uint32_t &colour : targetPalette) colour = static_cast<uint32_t>(random()) & 0xFFFFFF;
      const bool withSourcePalette = Between(random, 0, 3) > 0, withTargetPalette = Between(random, 0, 3) > 0;
      const int w = Between(random, 1, 24), h = Between(random, 1, 12);
      const int targetBytes = (target.format.bits + 7) / 8;
      Memory source = RandomMemory(random, w, h, PixelBytes());
      Memory fast = RandomMemory(random, w + Between(random, 0, 3), h, targetBytes);
      Memory plain = fast;
      pixels::specialised::ConvertBlock(fast.Part(0, 0, w, h), target.format,
                                        withTargetPalette ? targetPalette.data() : nullptr, source.Whole(),
                                        GetParam().format, withSourcePalette ? sourcePalette.data() : nullptr);
      pixels::reference::ConvertBlock(plain.Part(0, 0, w, h), target.format,
                                      withTargetPalette ? targetPalette.data() : nullptr, source.Whole(),
                                      GetParam().format, withSourcePalette ? sourcePalette.data() : nullptr);
      ASSERT_EQ(fast.bytes, plain.bytes) << Where(round) << " into " << target.name;
    }
  }
}

std::vector<FormatCase> AllFormats() {
  std::vector<FormatCase> all(std::begin(kFormats), std::end(kFormats));
  all.insert(all.end(), std::begin(kUnusualFormats), std::end(kUnusualFormats));
  return all;
}

// The same formats with the kernels kept to narrower vectors (those every
// x86-64 has, or up to AVX2), so that their narrower forms are checked on
// machines with wider ones.
std::vector<FormatCase> AllFormatsLimitedTo(machine::PixelVectors widest) {
  std::vector<FormatCase> all = AllFormats();
  for (FormatCase &format : all) format.vectors = widest;
  return all;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, PixelKernelsTest, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<FormatCase> &each) { return std::string(each.param.name); });
INSTANTIATE_TEST_SUITE_P(EveryFormatOnBaselineVectors, PixelKernelsTest,
                         ::testing::ValuesIn(AllFormatsLimitedTo(machine::PixelVectors::kBaseline)),
                         [](const ::testing::TestParamInfo<FormatCase> &each) { return std::string(each.param.name); });
INSTANTIATE_TEST_SUITE_P(EveryFormatUpToAvx2, PixelKernelsTest,
                         ::testing::ValuesIn(AllFormatsLimitedTo(machine::PixelVectors::kAvx2)),
                         [](const ::testing::TestParamInfo<FormatCase> &each) { return std::string(each.param.name); });

// The switch: KORVANE_REFERENCE_PIXELS as the default a reset restores, the
// machine interface over it.
class ReferenceSwitchTest : public MachineTest {
 protected:
  void TearDown() override {
    unsetenv("KORVANE_REFERENCE_PIXELS");
    machine::reset();
    MachineTest::TearDown();
  }
};

TEST_F(ReferenceSwitchTest, ResetTakesTheEnvironmentsChoice) {
  struct Case {
    const char *value;  // null: unset
    bool forced;
  };
  const Case cases[] = {{nullptr, false}, {"1", true}, {"0", false}, {"", false}, {"yes", true}};
  for (const Case &each : cases) {
    if (each.value == nullptr) {
      unsetenv("KORVANE_REFERENCE_PIXELS");
    } else {
      setenv("KORVANE_REFERENCE_PIXELS", each.value, 1);
    }
    machine::use_reference_pixel_kernels(!each.forced);
    machine::reset();
    EXPECT_EQ(machine::reference_pixel_kernels(), each.forced) << (each.value ? each.value : "(unset)");
  }
}

TEST_F(ReferenceSwitchTest, ControlInterfaceOverridesTheEnvironment) {
  setenv("KORVANE_REFERENCE_PIXELS", "1", 1);
  machine::reset();
  machine::use_reference_pixel_kernels(false);
  EXPECT_FALSE(machine::reference_pixel_kernels());
  machine::use_reference_pixel_kernels(true);
  EXPECT_TRUE(machine::reference_pixel_kernels());
}

// A scene drawn through DirectDraw and GDI (fill, stretch with mirror and
// key, keyed BltFast, scroll within a surface, conversion into a surface by
// BitBlt) gives the same pixels with either kernels.
class KernelChoiceSceneTest : public MachineTest {};

std::vector<uint8_t> DrawScene(DWORD bpp) {
  LPVOID object = nullptr;
  EXPECT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
  auto *dd = static_cast<IDirectDraw7 *>(object);
  EXPECT_EQ(dd->SetCooperativeLevel(reinterpret_cast<HWND>(0x5000), DDSCL_NORMAL), DD_OK);
  auto make = [&](DWORD width, DWORD height, DWORD depth) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
    desc.ddpfPixelFormat.dwRGBBitCount = depth;
    desc.ddpfPixelFormat.dwRBitMask = depth == 16 ? 0xF800 : 0xFF0000;
    desc.ddpfPixelFormat.dwGBitMask = depth == 16 ? 0x07E0 : 0x00FF00;
    desc.ddpfPixelFormat.dwBBitMask = depth == 16 ? 0x001F : 0x0000FF;
    IDirectDrawSurface7 *surface = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
    return surface;
  };
  IDirectDrawSurface7 *target = make(61, 37, bpp), *sprite = make(13, 9, bpp);
  // Another depth, copied in by BitBlt with conversion.
  IDirectDrawSurface7 *picture = make(17, 11, bpp == 16 ? 32 : 16);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  for (IDirectDrawSurface7 *source : {sprite, picture}) {
    EXPECT_EQ(source->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    for (DWORD i = 0; i < desc.dwHeight * static_cast<DWORD>(desc.lPitch); ++i) {
      static_cast<uint8_t *>(desc.lpSurface)[i] = static_cast<uint8_t>((i * 37) % 5 == 0 ? 0 : i * 11);
    }
    source->Unlock(nullptr);
  }
  DDCOLORKEY key{0, 0};
  sprite->SetColorKey(DDCKEY_SRCBLT, &key);

  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0x123456;
  RECT band{3, 2, 50, 30};
  EXPECT_EQ(target->Blt(&band, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
  fx.dwDDFX = DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN;
  RECT stretched{5, 4, 40, 31};
  EXPECT_EQ(target->Blt(&stretched, sprite, nullptr, DDBLT_KEYSRC | DDBLT_DDFX | DDBLT_WAIT, &fx), DD_OK);
  EXPECT_EQ(target->BltFast(44, 20, sprite, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
  RECT from{0, 0, 40, 30}, to{4, 3, 44, 33};
  EXPECT_EQ(target->Blt(&to, target, &from, DDBLT_WAIT, nullptr), DD_OK);
  HDC pictureDc = nullptr, targetDc = nullptr;
  EXPECT_EQ(picture->GetDC(&pictureDc), DD_OK);
  EXPECT_EQ(target->GetDC(&targetDc), DD_OK);
  EXPECT_TRUE(BitBlt(targetDc, 30, 1, 17, 11, pictureDc, 0, 0, SRCCOPY));
  target->ReleaseDC(targetDc);
  picture->ReleaseDC(pictureDc);

  EXPECT_EQ(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  const auto *bits = static_cast<const uint8_t *>(desc.lpSurface);
  std::vector<uint8_t> pixels(bits, bits + desc.dwHeight * static_cast<DWORD>(desc.lPitch));
  target->Unlock(nullptr);
  picture->Release();
  sprite->Release();
  target->Release();
  dd->Release();
  return pixels;
}

TEST_F(KernelChoiceSceneTest, SameSceneWithEitherKernels) {
  for (DWORD bpp : {16u, 24u, 32u}) {
    machine::use_reference_pixel_kernels(false);
    const std::vector<uint8_t> fast = DrawScene(bpp);
    machine::use_reference_pixel_kernels(true);
    const std::vector<uint8_t> plain = DrawScene(bpp);
    EXPECT_EQ(fast, plain) << bpp << " bits";
  }
}

}  // namespace
