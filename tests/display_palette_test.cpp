// The 8-bit palette: the default palette and its report lines, LOAD_PALETTE
// from host resources and BMP files (colour counts, header-size rules,
// short and garbled files), SET_RGB_ENTRY, SET_PALETTE, SET_SYSTEM_PALETTE,
// and the silence of every export outside 8-bit modes.
#include <cstdlib>
#include <string>
#include <vector>

#include "display/display_state.h"
#include "machine_resources.h"
#include "support/display_test.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes *out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A bitmap's info header (of `headerSize` bytes) and a colour table of
// `colours` entries, colour i being red i, green 2i, blue 3i (low bytes).
Bytes PackedBitmap(int bitCount, uint32_t clrUsed, int colours, uint32_t headerSize = 40) {
  Bytes out;
  Put(&out, headerSize, 4);
  Put(&out, 4, 4);  // width
  Put(&out, 4, 4);  // height
  Put(&out, 1, 2);
  Put(&out, static_cast<uint32_t>(bitCount), 2);
  for (int i = 0; i < 4; ++i) Put(&out, 0, 4);
  Put(&out, clrUsed, 4);
  Put(&out, 0, 4);
  out.resize(headerSize, 0);
  for (int i = 0; i < colours; ++i) {
    out.push_back(static_cast<uint8_t>(3 * i));
    out.push_back(static_cast<uint8_t>(2 * i));
    out.push_back(static_cast<uint8_t>(i));
    out.push_back(0);
  }
  out.resize(out.size() + 16, 0);  // a few bytes of pixels
  return out;
}

Bytes BmpFile(const Bytes &packed) {
  Bytes out{'B', 'M'};
  Put(&out, static_cast<uint32_t>(14 + packed.size()), 4);
  Put(&out, 0, 4);
  Put(&out, 14, 4);
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

class DisplayPaletteTest : public DisplayTest {
 protected:
  void WriteFile(const std::string &name, const Bytes &bytes) {
    WriteWholeFile(name, std::string(bytes.begin(), bytes.end()));
  }
  // Marks every entry so that untouched ones can be told apart.
  void PaintEntries() {
    for (int i = 1; i <= 256; ++i) ASSERT_EQ(SET_RGB_ENTRY(i, 7, 7, 7), 0);
  }
  static bool EntryIs(int index, int red, int green, int blue) {
    const PALETTEENTRY &entry = gPaletteEntries[index];
    return entry.peRed == red && entry.peGreen == green && entry.peBlue == blue;
  }
  // The palette object agrees with the library's copy.
  static void ExpectHandedOver() {
    PALETTEENTRY handed[256];
    ASSERT_EQ(glpDDPalette->GetEntries(0, 0, 256, handed), DD_OK);
    for (int i = 0; i < 256; ++i) {
      ASSERT_EQ(handed[i].peRed, gPaletteEntries[i].peRed) << i;
      ASSERT_EQ(handed[i].peBlue, gPaletteEntries[i].peBlue) << i;
    }
  }
};

TEST_F(DisplayPaletteTest, ModeSetMakesABlackReservedPalette) {
  StartInMode(640, 480, 8, 0);
  ASSERT_NE(glpDDPalette, nullptr);
  for (const PALETTEENTRY &entry : gPaletteEntries) {
    ASSERT_EQ(entry.peRed + entry.peGreen + entry.peBlue, 0);
    ASSERT_EQ(entry.peFlags, PC_RESERVED | PC_NOCOLLAPSE);
  }
  EXPECT_TRUE(HasLine("Setting Palette for glpDDSBack")) << "written in brief mode too";
  LPDIRECTDRAWPALETTE attached = nullptr;
  ASSERT_EQ(glpDDSBack->GetPalette(&attached), DD_OK);
  EXPECT_EQ(attached, glpDDPalette);
  attached->Release();
}

TEST_F(DisplayPaletteTest, LoadPaletteColourCounts) {
  struct Row {
    const char *what;
    Bytes packed;
    int changed;  // entries 0..changed-1 take the bitmap's colours
  };
  const Row rows[] = {
      {"8-bit, biClrUsed 0", PackedBitmap(8, 0, 256), 256},
      {"8-bit, biClrUsed 16", PackedBitmap(8, 16, 16), 16},
      {"4-bit, biClrUsed 0", PackedBitmap(4, 0, 16), 16},
      {"1-bit", PackedBitmap(1, 0, 2), 2},
      {"24-bit", PackedBitmap(24, 0, 0), 0},
      {"biClrUsed beyond 256", PackedBitmap(8, 5000, 256), 256},
      {"file header not 40 bytes", PackedBitmap(8, 0, 256, 108), 0},
  };
  StartInMode(640, 480, 8);
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    PaintEntries();
    WriteFile("palette.bmp", BmpFile(row.packed));
    EXPECT_EQ(LOAD_PALETTE("palette.bmp"), 0);
    for (int i = 0; i < 256; ++i) {
      const bool changed = i < row.changed;
      ASSERT_TRUE(changed ? EntryIs(i, i & 0xFF, (2 * i) & 0xFF, (3 * i) & 0xFF) : EntryIs(i, 7, 7, 7)) << i;
    }
    ExpectHandedOver();
  }
}

TEST_F(DisplayPaletteTest, LoadPaletteFromAHostResource) {
  StartInMode(640, 480, 8);
  PaintEntries();
  // A 108-byte header is accepted inside a resource (at least 40 bytes).
  machine::add_bitmap_resource("TITLE", PackedBitmap(8, 4, 4, 108));
  EXPECT_EQ(LOAD_PALETTE("title"), 0) << "resource names compare without case";
  EXPECT_TRUE(EntryIs(3, 3, 6, 9));
  EXPECT_TRUE(EntryIs(4, 7, 7, 7));
  // A resource whose colours run past its data takes only those present.
  Bytes cut = PackedBitmap(8, 0, 3);
  cut.resize(40 + 3 * 4);
  machine::add_bitmap_resource("CUT", cut);
  PaintEntries();
  EXPECT_EQ(LOAD_PALETTE("CUT"), 0);
  EXPECT_TRUE(EntryIs(2, 2, 4, 6));
  EXPECT_TRUE(EntryIs(3, 7, 7, 7));
  // A resource that cannot be locked gives no colours.
  machine::fail_next("LockResource", 1, ERROR_RESOURCE_DATA_NOT_FOUND);
  PaintEntries();
  EXPECT_EQ(LOAD_PALETTE("TITLE"), 0);
  EXPECT_TRUE(EntryIs(0, 7, 7, 7));
}

TEST_F(DisplayPaletteTest, LoadPaletteRefusals) {
  StartInMode(640, 480, 8);
  WriteFile("short.bmp", Bytes(30, 'B'));
  Bytes cutTable = BmpFile(PackedBitmap(8, 0, 256));
  cutTable.resize(14 + 40 + 10 * 4 + 2);  // ten whole colours and a half
  WriteFile("cut.bmp", cutTable);
  for (const char *name : {static_cast<const char *>(nullptr), "missing.bmp", "short.bmp"}) {
    SCOPED_TRACE(name != nullptr ? name : "null");
    Mark();
    EXPECT_EQ(LOAD_PALETTE(name), 1);
    EXPECT_EQ(NewLines(), std::vector<std::string>{" ! - LoadPalette Failed"});
  }
  PaintEntries();
  EXPECT_EQ(LOAD_PALETTE("cut.bmp"), 0);
  EXPECT_TRUE(EntryIs(9, 9, 18, 27));
  EXPECT_TRUE(EntryIs(10, 7, 7, 7)) << "nothing taken beyond what was read";
}

TEST_F(DisplayPaletteTest, RealBitmapFilesWhenPresent) {
  const char *root = getenv("KORVANE_TESTDATA");
  if (root == nullptr || !FileExists(std::string(root) + "/bmp/g/pal8.bmp")) GTEST_SKIP() << "no test data";
  const std::string bmp = std::string(root) + "/bmp/";
  StartInMode(640, 480, 8);
  for (const char *name : {"g/pal8.bmp", "g/pal4.bmp", "g/rgb24.bmp", "g/pal8v5.bmp", "b/shortfile.bmp",
                           "b/badpalettesize.bmp", "b/badheadersize.bmp", "q/pal8oversizepal.bmp"}) {
    SCOPED_TRACE(name);
    const int result = LOAD_PALETTE((bmp + name).c_str());
    EXPECT_TRUE(result == 0 || result == 1);
    ExpectHandedOver();
  }
  PaintEntries();
  ASSERT_EQ(LOAD_PALETTE((bmp + "g/pal4.bmp").c_str()), 0);
  // pal4.bmp lists 12 colours (biClrUsed 12).
  EXPECT_FALSE(EntryIs(11, 7, 7, 7));
  EXPECT_TRUE(EntryIs(12, 7, 7, 7));
}

TEST_F(DisplayPaletteTest, SetRgbEntryCountsFromOne) {
  StartInMode(640, 480, 8);
  gPaletteEntries[0].peFlags = 0;
  EXPECT_EQ(SET_RGB_ENTRY(1, 10, 20, 30), 0);
  EXPECT_TRUE(EntryIs(0, 10, 20, 30));
  EXPECT_EQ(gPaletteEntries[0].peFlags, 5);
  EXPECT_EQ(SET_RGB_ENTRY(256, 0x1FF, 2, 3), 0);
  EXPECT_TRUE(EntryIs(255, 0xFF, 2, 3)) << "low bytes";
  ExpectHandedOver();
  PALETTEENTRY before[256];
  memcpy(before, gPaletteEntries, sizeof before);
  for (int index : {0, 257, -1, 1 << 30}) {
    Mark();
    EXPECT_EQ(SET_RGB_ENTRY(index, 1, 1, 1), 1);
    EXPECT_EQ(NewLines(), std::vector<std::string>{" ! - [KVN_SetRGBEntry] PALETTEENTRY wasn't set"});
  }
  EXPECT_EQ(memcmp(before, gPaletteEntries, sizeof before), 0);
  machine::fail_next("IDirectDrawPalette::SetEntries", 1, DDERR_GENERIC);
  EXPECT_EQ(SET_RGB_ENTRY(2, 1, 1, 1), 2);
  EXPECT_TRUE(HasLine("!!! DDERR_GENERIC !!!"));
}

TEST_F(DisplayPaletteTest, SetRgbEntryWithoutPaletteObjectStillChangesTheTable) {
  Start();
  ASSERT_EQ(DDRAW_INIT(), 0);
  EXPECT_EQ(SET_VIDEO_MODE(1280, 1024, 8), 1);  // not offered: no surfaces, no palette
  EXPECT_EQ(SET_RGB_ENTRY(3, 1, 2, 3), 1);
  EXPECT_TRUE(EntryIs(2, 1, 2, 3));
  EXPECT_TRUE(HasLine(" ! - [KVN_SetRGBEntry] PALETTEENTRY wasn't set"));
  PALETTEENTRY mine[256] = {};
  EXPECT_EQ(SET_PALETTE(mine), 1) << "the copy is made, there is no object to hand it to";
  EXPECT_EQ(LOAD_PALETTE("missing.bmp"), 1);
}

TEST_F(DisplayPaletteTest, SetPaletteTakesTheHostsEntriesAsTheyCome) {
  StartInMode(640, 480, 8);
  PALETTEENTRY mine[256];
  for (int i = 0; i < 256; ++i) mine[i] = PALETTEENTRY{static_cast<BYTE>(255 - i), 1, 2, static_cast<BYTE>(i & 3)};
  EXPECT_EQ(SET_PALETTE(mine), 0);
  EXPECT_EQ(memcmp(mine, gPaletteEntries, sizeof mine), 0);
  ExpectHandedOver();
  EXPECT_EQ(SET_PALETTE(nullptr), 1);
  machine::fail_next("IDirectDrawPalette::SetEntries", 1, DDERR_GENERIC);
  EXPECT_EQ(SET_PALETTE(mine), 1);
  EXPECT_EQ(ON_ERROR(), 1);
}

TEST_F(DisplayPaletteTest, SystemPaletteIsCopiedAndHandedOver) {
  StartInMode(640, 480, 8);
  SET_SYSTEM_PALETTE();
  EXPECT_TRUE(EntryIs(255, 255, 255, 255));
  EXPECT_TRUE(EntryIs(1, 128, 0, 0));
  ExpectHandedOver();
  machine::fail_next("IDirectDrawPalette::SetEntries", 1, DDERR_GENERIC);
  SET_SYSTEM_PALETTE();
  EXPECT_TRUE(HasLine(" KVN_SetPalette failed."));
}

TEST_F(DisplayPaletteTest, SystemPaletteCreatesAMissingPaletteObject) {
  StartInMode(640, 480, 8);
  glpDDPalette->Release();
  glpDDPalette = nullptr;
  SET_SYSTEM_PALETTE();
  EXPECT_TRUE(HasLine("A new Palette Array needs to be created."));
  ASSERT_NE(glpDDPalette, nullptr);
  ExpectHandedOver();
}

TEST_F(DisplayPaletteTest, OutsideEightBitModesEveryExportIsSilent) {
  StartInMode(640, 480, 16);
  WriteFile("palette.bmp", BmpFile(PackedBitmap(8, 0, 256)));
  Mark();
  PALETTEENTRY mine[256] = {};
  EXPECT_EQ(LOAD_PALETTE("palette.bmp"), 1);
  EXPECT_EQ(SET_RGB_ENTRY(1, 1, 2, 3), 1);
  EXPECT_EQ(SET_PALETTE(mine), 1);
  SET_SYSTEM_PALETTE();
  EXPECT_TRUE(NewLines().empty());
  EXPECT_EQ(glpDDPalette, nullptr);
}

}  // namespace
