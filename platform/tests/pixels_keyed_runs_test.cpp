// The run-length form of keyed sources: copies through the runs give the
// reference kernel's bytes for every pixel size, part and key; a surface
// keeps the form while its pixels stay as they were and drops it on every
// way they, its key or its palette may change, so that a keyed copy after
// any change still equals the reference.
#include <windows.h>
#include <ddraw.h>

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ddraw/surface.h"
#include "machine.h"
#include "machine_display.h"
#include "machine_pixels.h"
#include "pixels/kernel_variants.h"
#include "pixels/byte_runs.h"
#include "pixels/keyed_spans.h"
#include "pixels/processor_vectors.h"
#include "pixels/opaque_runs.h"
#include "support/test_machine.h"

namespace {

using pixels::Block;
using pixels::ColorKey;

int Between(std::mt19937 &random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

struct Memory {
  std::vector<uint8_t> bytes;
  long pitch;
  int bytesPerPixel;
  Block Part(int x, int y, int w, int h) {
    return Block{bytes.data() + static_cast<long>(y) * pitch + static_cast<long>(x) * bytesPerPixel, pitch, w, h,
                 bytesPerPixel};
  }
};

Memory RandomMemory(std::mt19937 &random, int width, int height, int bytes) {
  Memory memory{{}, static_cast<long>(width) * bytes + Between(random, 0, 5), bytes};
  memory.bytes.resize(static_cast<size_t>(memory.pitch) * static_cast<size_t>(height));
  for (uint8_t &byte : memory.bytes) byte = static_cast<uint8_t>(random());
  return memory;
}

// Rows of random runs, keyed or not, so that runs of all lengths occur;
// `keyedShare` of 0 keys no pixel and 100 keys every pixel.
void PaintRuns(std::mt19937 &random, const Block &block, ColorKey key, int keyedShare) {
  const uint32_t mask = block.bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * block.bytes)) - 1;
  for (int y = 0; y < block.height; ++y) {
    int x = 0;
    while (x < block.width) {
      const bool keyed = Between(random, 0, 99) < keyedShare;
      const int length = Between(random, 1, 20);
      for (int i = 0; i < length && x < block.width; ++i, ++x) {
        uint32_t value = keyed ? key.low + static_cast<uint32_t>(Between(random, 0, static_cast<int>(key.high - key.low)))
                               : static_cast<uint32_t>(random()) & mask;
        if (!keyed && value >= key.low && value <= key.high) value = key.high < mask ? key.high + 1 : key.low - 1;
        pixels::WritePixel(block.bits + y * block.pitch + x * block.bytes, block.bytes, value);
      }
    }
  }
}

// A source of random runs around `key` (see PaintRuns), its kept runs,
// and a random part of it: whole rows when `wholeRows`.
struct KeptSource {
  Memory memory;
  pixels::KeyedSpans spans;
  int left, top, width, height;
  Block Part() { return memory.Part(left, top, width, height); }
};

KeptSource RandomKeptSource(std::mt19937 &random, int bytes, ColorKey key, int keyedShare, int widest, int tallest,
                            bool wholeRows) {
  const int sw = Between(random, 1, widest), sh = Between(random, 1, tallest);
  Memory memory = RandomMemory(random, sw, sh, bytes);
  PaintRuns(random, memory.Part(0, 0, sw, sh), key, keyedShare);
  pixels::KeyedSpans spans = pixels::KeyedSpans::Find(memory.Part(0, 0, sw, sh), key);
  const int left = wholeRows ? 0 : Between(random, 0, sw - 1), top = Between(random, 0, sh - 1);
  const int w = wholeRows ? sw : Between(random, 1, sw - left), h = Between(random, 1, sh - top);
  return KeptSource{std::move(memory), std::move(spans), left, top, w, h};
}

// Keeps the kernels to vectors no wider than `widest` while it lives.
class VectorLimit {
 public:
  explicit VectorLimit(machine::PixelVectors widest) { machine::limit_pixel_vectors(widest); }
  ~VectorLimit() { machine::limit_pixel_vectors(machine::PixelVectors::kWidest); }
  VectorLimit(const VectorLimit &) = delete;
  VectorLimit &operator=(const VectorLimit &) = delete;
};

constexpr machine::PixelVectors kEveryVectorLimit[] = {machine::PixelVectors::kBaseline, machine::PixelVectors::kAvx2,
                                                       machine::PixelVectors::kWidest};

// Keyed copies through the runs, of whole rows (every fourth round) and of
// parts, with every width of vectors the machine has.
TEST(KeyedRunsTest, CopiesOfPartsMatchTheReferenceForEveryPixelSizeAndKey) {
  for (machine::PixelVectors widest : kEveryVectorLimit) {
    const VectorLimit limit(widest);
    for (int bytes = 1; bytes <= 4; ++bytes) {
      for (int keyedShare : {0, 50, 100}) {
        for (int round = 0; round < 60; ++round) {
          std::mt19937 random(static_cast<unsigned>(bytes * 100003 + keyedShare * 1009 + round));
          const uint32_t mask = bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1;
          const uint32_t low = (static_cast<uint32_t>(random()) & mask) | 1;
          const uint32_t high =
              round % 2 == 0 ? low : std::min(mask - 1, low + static_cast<uint32_t>(Between(random, 0, 9)));
          const ColorKey key{low, std::max(low, high)};
          KeptSource source = RandomKeptSource(random, bytes, key, keyedShare, 70, 12, round % 4 == 0);
          const int left = source.left, top = source.top, w = source.width, h = source.height;
          Memory fast = RandomMemory(random, w + 3, h + 2, bytes);
          Memory plain = fast;
          source.spans.CopyPart(fast.Part(2, 1, w, h), left, top);
          pixels::reference::CopyKeyed(plain.Part(2, 1, w, h), source.Part(), key);
          ASSERT_EQ(fast.bytes, plain.bytes) << bytes << " bytes, " << keyedShare << "% keyed, round " << round
                                             << ", part " << left << "," << top << " " << w << "x" << h
                                             << ", vector limit " << static_cast<int>(widest);
        }
      }
    }
  }
}

// Stretches of parts through runs kept for the whole source, doubled in
// width (which reads the kept runs) or to any other size, mirrored or not,
// equal the reference stretch of the part.
TEST(KeyedRunsTest, StretchesOfPartsThroughKeptRunsMatchTheReference) {
  for (int bytes = 1; bytes <= 4; ++bytes) {
    for (int keyedShare : {0, 50, 100}) {
      for (int round = 0; round < 40; ++round) {
        std::mt19937 random(static_cast<unsigned>(bytes * 7919 + keyedShare * 31 + round));
        const uint32_t mask = bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1;
        const uint32_t low = (static_cast<uint32_t>(random()) & mask) | 1;
        const ColorKey key{low, std::min(mask - 1, low + static_cast<uint32_t>(Between(random, 0, 3)))};
        // Every fourth round takes whole rows to twice the size, which reads
        // the kept runs row after row without cutting them.
        const bool wholeRows = round % 4 == 0;
        KeptSource source = RandomKeptSource(random, bytes, key, keyedShare, 40, 10, wholeRows);
        const int left = source.left, top = source.top, w = source.width, h = source.height;
        const int tw = round % 2 == 0 ? 2 * w : Between(random, 1, 60);
        const int th = wholeRows ? 2 * h : Between(random, 1, 2 * h + 1);
        const pixels::StretchOptions options{Between(random, 0, 1) == 1, Between(random, 0, 1) == 1, true, key};
        Memory fast = RandomMemory(random, tw + 3, th + 2, bytes);
        Memory plain = fast;
        pixels::specialised::StretchKeyedRuns(fast.Part(2, 1, tw, th), source.Part(), options, source.spans, left, top);
        pixels::reference::Stretch(plain.Part(2, 1, tw, th), source.Part(), options);
        ASSERT_EQ(fast.bytes, plain.bytes) << bytes << " bytes, " << keyedShare << "% keyed, round " << round
                                           << ", part " << left << "," << top << " " << w << "x" << h << " to "
                                           << tw << "x" << th;
      }
    }
  }
}

TEST(KeyedRunsTest, OnlyLongRunsAreWorthKeeping) {
  std::vector<uint8_t> pixels(64 * 4);
  const Block block{pixels.data(), 64, 64, 4, 1};
  for (int x = 0; x < 64; ++x) pixels[static_cast<size_t>(x)] = x % 2 == 0 ? 0 : 9;  // 32 runs of one pixel
  EXPECT_FALSE(pixels::KeyedSpans::Find(block, ColorKey{0, 0}).Worthwhile());
  std::fill(pixels.begin(), pixels.end(), 9);  // one run per row
  EXPECT_TRUE(pixels::KeyedSpans::Find(block, ColorKey{0, 0}).Worthwhile());
}

// Surfaces: an 8-bit sprite in video memory (so that it can be lost), each
// row one opaque run, copied keyed onto a target.
class SurfaceKeyedRunsTest : public MachineTest {
 public:
  static constexpr int kWidth = 64, kHeight = 16;

  void SetUp() override {
    MachineTest::SetUp();
    LPVOID object = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
    dd_ = static_cast<IDirectDraw7 *>(object);
    ASSERT_EQ(dd_->SetCooperativeLevel(reinterpret_cast<HWND>(0x5000), DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
    ASSERT_EQ(dd_->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
    sprite_ = Make(kWidth, kHeight, DDSCAPS_VIDEOMEMORY);
    target_ = Make(80, 24, DDSCAPS_SYSTEMMEMORY);
    other_ = Make(kWidth, kHeight, DDSCAPS_SYSTEMMEMORY);
    Paint(sprite_, [](int x, int y) { return x >= 8 + y && x < 40 + y ? 1 + (x * 7 + y) % 200 : 0; });
    Paint(other_, [](int x, int y) { return (x / 5 + y) % 3 == 0 ? 0 : 201 + x % 50; });
    DDCOLORKEY key{0, 0};
    ASSERT_EQ(sprite_->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  }

  void TearDown() override {
    for (IDirectDrawSurface7 *surface : {other_, target_, sprite_}) {
      if (surface != nullptr) surface->Release();
    }
    if (palette_ != nullptr) palette_->Release();
    if (dd_ != nullptr) dd_->Release();
    machine::use_reference_pixel_kernels(false);
    MachineTest::TearDown();
  }

  IDirectDrawSurface7 *Make(DWORD width, DWORD height, DWORD memory) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | memory;
    IDirectDrawSurface7 *surface = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DD_OK);
    return surface;
  }

  static void Paint(IDirectDrawSurface7 *surface, const std::function<int(int, int)> &value) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      for (DWORD x = 0; x < desc.dwWidth; ++x) {
        static_cast<uint8_t *>(desc.lpSurface)[y * desc.lPitch + x] = static_cast<uint8_t>(value(x, y));
      }
    }
    surface->Unlock(nullptr);
  }

  // The target after a keyed copy of a part of the sprite (cut at its left
  // and top, as clipping does) onto a target filled with one colour.
  std::vector<uint8_t> KeyedCopy() {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 77;
    EXPECT_EQ(target_->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    RECT part{3, 2, kWidth, kHeight};
    EXPECT_EQ(target_->BltFast(5, 4, sprite_, &part, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    return Read(target_);
  }

  static std::vector<uint8_t> Read(IDirectDrawSurface7 *surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const auto *bits = static_cast<const uint8_t *>(desc.lpSurface);
    std::vector<uint8_t> pixels(bits, bits + desc.dwHeight * static_cast<DWORD>(desc.lPitch));
    surface->Unlock(nullptr);
    return pixels;
  }

  std::vector<uint8_t> ReferenceKeyedCopy() {
    machine::use_reference_pixel_kernels(true);
    std::vector<uint8_t> pixels = KeyedCopy();
    machine::use_reference_pixel_kernels(false);
    return pixels;
  }

  bool HoldsRuns() const { return platform::Surface::From(sprite_)->holdsKeyedRuns(); }

  IDirectDraw7 *dd_ = nullptr;
  IDirectDrawSurface7 *sprite_ = nullptr, *target_ = nullptr, *other_ = nullptr;
  IDirectDrawPalette *palette_ = nullptr;
};

TEST_F(SurfaceKeyedRunsTest, RunsAreFoundOnTheSecondCopyAndKeptWhileNothingChanges) {
  const std::vector<uint8_t> first = KeyedCopy();
  EXPECT_FALSE(HoldsRuns()) << "a source copied once is not worth the pass";
  const std::vector<uint8_t> expected = ReferenceKeyedCopy();  // the second copy
  EXPECT_EQ(first, expected);
  EXPECT_TRUE(HoldsRuns());
  EXPECT_EQ(KeyedCopy(), expected);
  EXPECT_TRUE(HoldsRuns());
  // Copying from the sprite (opaque or keyed) changes nothing in it.
  EXPECT_EQ(other_->BltFast(0, 0, sprite_, nullptr, DDBLTFAST_WAIT), DD_OK);
  EXPECT_TRUE(HoldsRuns());
}

// Every way the sprite's pixels, key or palette may change drops the runs,
// and the next keyed copy equals the reference.
// Keyed stretches of a part count and take the same runs as keyed copies,
// and give the reference's pixels through them and after a change.
TEST_F(SurfaceKeyedRunsTest, KeyedStretchesTakeTheRunsToo) {
  auto stretch = [&] {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 77;
    EXPECT_EQ(target_->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    RECT from{10, 1, 30, 7}, to{0, 0, 40, 12};
    EXPECT_EQ(target_->Blt(&to, sprite_, &from, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    return Read(target_);
  };
  machine::use_reference_pixel_kernels(true);
  const std::vector<uint8_t> expected = stretch();
  machine::use_reference_pixel_kernels(false);
  EXPECT_EQ(stretch(), expected);
  EXPECT_EQ(stretch(), expected);
  EXPECT_TRUE(HoldsRuns());
  EXPECT_EQ(stretch(), expected) << "through the runs";
  Paint(sprite_, [](int x, int y) { return (x + y) % 9 < 4 ? 0 : 50 + x; });
  machine::use_reference_pixel_kernels(true);
  const std::vector<uint8_t> changed = stretch();
  machine::use_reference_pixel_kernels(false);
  EXPECT_EQ(stretch(), changed);
  EXPECT_EQ(stretch(), changed);
  EXPECT_EQ(stretch(), changed) << "through the runs found again";
}

TEST_F(SurfaceKeyedRunsTest, EveryChangeDropsTheRuns) {
  struct Change {
    const char *name;
    std::function<void(SurfaceKeyedRunsTest *)> apply;
  };
  const Change changes[] = {
      {"Lock and write",
       [](SurfaceKeyedRunsTest *t) { Paint(t->sprite_, [](int x, int y) { return (x + y) % 9 < 4 ? 0 : 50 + x; }); }},
      {"one pixel written through a lock",
       [](SurfaceKeyedRunsTest *t) {
         DDSURFACEDESC2 desc{};
         desc.dwSize = sizeof desc;
         ASSERT_EQ(t->sprite_->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
         static_cast<uint8_t *>(desc.lpSurface)[20] = 0;  // a hole in the first row's run
         t->sprite_->Unlock(nullptr);
       }},
      {"GDI text through GetDC",
       [](SurfaceKeyedRunsTest *t) {
         HDC dc = nullptr;
         ASSERT_EQ(t->sprite_->GetDC(&dc), DD_OK);
         SetBkMode(dc, OPAQUE);
         SetBkColor(dc, RGB(0, 0, 0));
         SetTextColor(dc, RGB(255, 255, 255));
         TextOutA(dc, 0, 0, "Keyed", 5);
         t->sprite_->ReleaseDC(dc);
       }},
      {"colour fill target",
       [](SurfaceKeyedRunsTest *t) {
         DDBLTFX fx{};
         fx.dwSize = sizeof fx;
         fx.dwFillColor = 0;
         RECT hole{20, 0, 30, kHeight};
         ASSERT_EQ(t->sprite_->Blt(&hole, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
       }},
      {"blit target",
       [](SurfaceKeyedRunsTest *t) { ASSERT_EQ(t->sprite_->BltFast(0, 0, t->other_, nullptr, DDBLTFAST_WAIT), DD_OK); }},
      {"stretched blit target",
       [](SurfaceKeyedRunsTest *t) {
         RECT wide{0, 0, kWidth, kHeight / 2};
         ASSERT_EQ(t->sprite_->Blt(&wide, t->other_, nullptr, DDBLT_WAIT, nullptr), DD_OK);
       }},
      {"another colour key",
       [](SurfaceKeyedRunsTest *t) {
         DDCOLORKEY key{1, 120};
         ASSERT_EQ(t->sprite_->SetColorKey(DDCKEY_SRCBLT | DDCKEY_COLORSPACE, &key), DD_OK);
       }},
      {"lost and restored",
       [](SurfaceKeyedRunsTest *t) {
         machine::lose_all_surfaces();
         ASSERT_EQ(t->sprite_->Restore(), DD_OK);
       }},
      {"palette attached",
       [](SurfaceKeyedRunsTest *t) {
         PALETTEENTRY entries[256] = {};
         ASSERT_EQ(t->dd_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &t->palette_, nullptr), DD_OK);
         ASSERT_EQ(t->sprite_->SetPalette(t->palette_), DD_OK);
       }},
  };
  for (const Change &change : changes) {
    SCOPED_TRACE(change.name);
    KeyedCopy();
    KeyedCopy();
    ASSERT_TRUE(HoldsRuns());
    change.apply(this);
    const std::vector<uint8_t> after = KeyedCopy();
    EXPECT_FALSE(HoldsRuns()) << "counting starts again after a change";
    EXPECT_EQ(after, ReferenceKeyedCopy());
    EXPECT_EQ(KeyedCopy(), after);
    EXPECT_TRUE(HoldsRuns()) << "found again for the unchanged pixels";
    EXPECT_EQ(KeyedCopy(), after) << "through the runs found again";
  }
}

TEST_F(SurfaceKeyedRunsTest, NewEntriesInTheAttachedPaletteDropTheRuns) {
  PALETTEENTRY entries[256] = {};
  ASSERT_EQ(dd_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette_, nullptr), DD_OK);
  ASSERT_EQ(sprite_->SetPalette(palette_), DD_OK);
  KeyedCopy();
  KeyedCopy();
  ASSERT_TRUE(HoldsRuns());
  PALETTEENTRY red{255, 0, 0, 0};
  ASSERT_EQ(palette_->SetEntries(0, 5, 1, &red), DD_OK);
  const std::vector<uint8_t> after = KeyedCopy();
  EXPECT_FALSE(HoldsRuns());
  EXPECT_EQ(after, ReferenceKeyedCopy());
}

// A copy with a key given for the one call finds runs for that key, not
// the surface's.
TEST_F(SurfaceKeyedRunsTest, AKeyGivenForTheCallIsNotAnsweredWithTheSurfacesRuns) {
  KeyedCopy();
  KeyedCopy();
  ASSERT_TRUE(HoldsRuns());
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.ddckSrcColorkey = DDCOLORKEY{1, 100};
  auto overridden = [&] {
    RECT to{0, 0, kWidth, kHeight};
    EXPECT_EQ(target_->Blt(&to, sprite_, nullptr, DDBLT_KEYSRCOVERRIDE | DDBLT_WAIT, &fx), DD_OK);
    return Read(target_);
  };
  machine::use_reference_pixel_kernels(true);
  const std::vector<uint8_t> expected = overridden();
  machine::use_reference_pixel_kernels(false);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(overridden(), expected) << "copy " << i;
}

// A flip gives every buffer of the chain other pixels.
TEST_F(SurfaceKeyedRunsTest, AFlipDropsTheRunsOfTheChain) {
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.dwBackBufferCount = 1;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  IDirectDrawSurface7 *front = nullptr, *back = nullptr;
  ASSERT_EQ(dd_->CreateSurface(&desc, &front, nullptr), DD_OK);
  DDSCAPS2 backCaps{DDSCAPS_BACKBUFFER, 0, 0, {0}};
  ASSERT_EQ(front->GetAttachedSurface(&backCaps, &back), DD_OK);
  Paint(front, [](int x, int y) { return x < 100 + y ? 0 : 3; });
  Paint(back, [](int x, int) { return x < 300 ? 0 : 4; });
  DDCOLORKEY key{0, 0};
  ASSERT_EQ(back->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  RECT part{290, 10, 290 + kWidth, 10 + kHeight};
  auto copy = [&] {
    Paint(other_, [](int, int) { return 9; });
    EXPECT_EQ(other_->BltFast(0, 0, back, &part, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    return Read(other_);
  };
  copy();
  copy();
  ASSERT_TRUE(platform::Surface::From(back)->holdsKeyedRuns());
  ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_FALSE(platform::Surface::From(back)->holdsKeyedRuns());
  const std::vector<uint8_t> after = copy();
  machine::use_reference_pixel_kernels(true);
  EXPECT_EQ(after, copy());
  machine::use_reference_pixel_kernels(false);
  back->Release();
  front->Release();
}

// Every whole number of pixels up to beyond the point where the long
// stores start, at every alignment of the start to 32 bytes, for every
// pixel size and for values whose bytes are all equal or not.
void CheckEveryRepeatedPixelLength(bool wideVectors) {
  constexpr size_t kGuard = 40, kLongest = 600;
  for (int bytes = 1; bytes <= 4; ++bytes) {
    for (const uint32_t value : {0x5A5A5A5Au, 0x00C0FFEEu, 0x81u}) {
      const pixels::RepeatedPixel pixel(value, bytes);
      for (size_t n = 0; n <= kLongest; n += static_cast<size_t>(bytes)) {
        for (size_t shift = 0; shift < 32; ++shift) {
          std::vector<uint8_t> target(kLongest + 2 * kGuard + 32, 0);
          // The memory of a vector starts 16-byte aligned at least; the
          // shift walks every 32-byte phase from there.
          const size_t start = kGuard + shift + (32 - reinterpret_cast<uintptr_t>(target.data()) % 32) % 32;
          pixel.StoreWith(target.data() + start, n, wideVectors);
          std::vector<uint8_t> expected(target.size(), 0);
          for (size_t i = 0; i < n; ++i) expected[start + i] = static_cast<uint8_t>(value >> (8 * (i % bytes)));
          ASSERT_EQ(target, expected) << bytes << "-byte pixel " << value << ", " << n << " bytes at phase " << shift
                                      << (wideVectors ? " with" : " without") << " 32-byte vectors";
        }
      }
    }
  }
}

// The repeated-pixel stores under the fills, with and without 32-byte
// vectors, store exactly the pixel and not one byte either side.
TEST(ByteRuns, EveryLengthStoresExactlyItsPixels) {
  CheckEveryRepeatedPixelLength(false);
  if (pixels::HasWideVectors()) CheckEveryRepeatedPixelLength(true);
}

// The run copies under the keyed copies and stretches: every length up to
// beyond the largest inline copy and into the aligned long copies, at every
// alignment of either end, copies exactly its bytes and not one byte either
// side.
TEST(ByteRuns, EveryLengthCopiesExactlyItsBytes) {
  struct Copy {
    const char *name;
    void (*copy)(uint8_t *, const uint8_t *, size_t);
  };
  std::vector<Copy> copies = {{"CopyBytes", pixels::CopyBytes}, {"CopyRunBytes", pixels::CopyRunBytes}};
  if (pixels::HasWideVectors()) copies.push_back({"CopyRunBytesWide", pixels::CopyRunBytesWide});
  if (pixels::HasMaskedVectors()) copies.push_back({"CopyRunBytesMasked", pixels::CopyRunBytesMasked});
  constexpr size_t kGuard = 40, kLongest = 600, kPhases = 32;
  std::mt19937 random(7);
  std::vector<uint8_t> source(kLongest + kPhases);
  for (uint8_t &byte : source) byte = static_cast<uint8_t>(random() | 1);
  for (const Copy &copy : copies) {
    for (size_t n = 0; n <= kLongest; ++n) {
      // Every phase of the target against 32-byte lines (a vector's memory
      // is 16-byte aligned at least), the source shifted the other way.
      for (size_t shift = 0; shift < kPhases; ++shift) {
        std::vector<uint8_t> target(kLongest + 2 * kGuard + kPhases, 0);
        const size_t at = kGuard + shift + (kPhases - reinterpret_cast<uintptr_t>(target.data()) % kPhases) % kPhases;
        const size_t from = kPhases - 1 - shift;
        copy.copy(target.data() + at, source.data() + from, n);
        std::vector<uint8_t> expected(target.size(), 0);
        std::copy(source.begin() + static_cast<long>(from), source.begin() + static_cast<long>(from + n),
                  expected.begin() + static_cast<long>(at));
        ASSERT_EQ(target, expected) << copy.name << " of " << n << " bytes, shifted " << shift;
      }
    }
  }
}

// The runs of a row found sixteen pixels at a time equal those found pixel
// by pixel, for every pixel size, widths around the group of sixteen, keys
// that are one value, a range, the whole range, none of the values, or
// reach beyond the pixel size, and rows of short and long runs.
TEST(OpaqueRuns, EqualThosePixelByPixel) {
  std::mt19937 random(11);
  for (int bytes = 1; bytes <= 4; ++bytes) {
    const uint32_t largest = bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1;
    const ColorKey keys[] = {{0, 0},           {5, 5},           {largest, largest},         {3, 40},
                             {0, largest},     {9, 2},           {largest - 3, largest},     {1, largest - 1},
                             {largest / 2, 0xFFFFFFFFu},         {0x1000000u, 0x2000000u}};
    for (const ColorKey &key : keys) {
      for (int width : {0, 1, 7, 15, 16, 17, 31, 32, 33, 100, 257}) {
        for (int longRuns = 0; longRuns < 2; ++longRuns) {
          std::vector<uint8_t> row(static_cast<size_t>(width) * bytes + 1);
          int x = 0;
          while (x < width) {
            const bool keyed = Between(random, 0, 1) == 0;
            const int length = Between(random, 1, longRuns ? 60 : 3);
            for (int i = 0; i < length && x < width; ++i, ++x) {
              const uint32_t value = keyed ? key.low + static_cast<uint32_t>(Between(random, 0, 3))
                                           : static_cast<uint32_t>(random());
              pixels::WritePixel(row.data() + x * bytes, bytes, value & largest);
            }
          }
          std::vector<pixels::PixelRun> expected;
          for (int at = 0; at < width; ++at) {
            const uint32_t value = pixels::ReadPixel(row.data() + at * bytes, bytes);
            const bool opaque = value < key.low || value > key.high;
            if (!opaque) continue;
            if (!expected.empty() && expected.back().end == at) {
              expected.back().end = at + 1;
            } else {
              expected.push_back({at, at + 1});
            }
          }
          std::vector<pixels::PixelRun> found(static_cast<size_t>(pixels::MostOpaqueRuns(width)));
          found.resize(static_cast<size_t>(pixels::FindOpaqueRuns(row.data(), width, bytes, key, found.data())));
          ASSERT_EQ(found.size(), expected.size()) << bytes << " bytes, width " << width << ", key " << key.low;
          for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].begin, expected[i].begin) << bytes << " bytes, run " << i;
            EXPECT_EQ(found[i].end, expected[i].end) << bytes << " bytes, run " << i;
          }
        }
      }
    }
  }
}

}  // namespace
