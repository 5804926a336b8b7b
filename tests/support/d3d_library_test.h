// Fixture of the Direct3D suites: a started library in a chosen mode with
// its Direct3D device, pixel formats to offer the machine, the message boxes
// counted, and back-buffer pixels read as 0xRRGGBB.
#pragma once

#include <d3d.h>

#include <string>
#include <vector>

#include "machine_d3d.h"
#include "support/bitmap_test.h"

class D3DLibraryTest : public BitmapTest {
 protected:
  // A display of width x height at `bpp`, Direct3D and a device of `kind`
  // with a z-buffer of `depth` bits (0: none).
  void StartDevice(int kind = 0, int depth = 16, int bpp = 32, int width = 640, int height = 480) {
    StartDisplay(width, height, bpp);
    ASSERT_EQ(D3D_INIT(), 0);
    ASSERT_EQ(CREATE3D_DEVICE(kind, depth), 0);
  }

  // Starts the library on a window of its own (KORVANE_EXIT destroys the
  // window, so each run of a table's rows has a fresh one).
  void StartDisplay(int width, int height, int bpp) {
    REPORT_MODE("display", 1);
    ASSERT_EQ(KORVANE_INIT(reinterpret_cast<HWND>(static_cast<intptr_t>(0x4000 + runs_)), Instance()), 0);
    ASSERT_EQ(DDRAW_INIT(), 0);
    ASSERT_EQ(SET_VIDEO_MODE(width, height, bpp), 0);
  }

  // Ends one row's run of a table.
  void EndRun() {
    KORVANE_EXIT();
    ++runs_;
  }

  // The whole report, for a failure message.
  std::string Report() { return ReadWholeFile("display.txt"); }

  static DDPIXELFORMAT Format(DWORD flags, DWORD bits, DWORD red, DWORD green, DWORD blue, DWORD alpha = 0) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    format.dwFlags = flags;
    format.dwRGBBitCount = bits;
    format.dwRBitMask = red;
    format.dwGBitMask = green;
    format.dwBBitMask = blue;
    format.dwRGBAlphaBitMask = alpha;
    return format;
  }

  static DDPIXELFORMAT ZFormat(DWORD flags, DWORD bits) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    format.dwFlags = flags;
    format.dwZBufferBitDepth = bits;
    format.dwZBitMask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    return format;
  }

  static size_t Boxes() { return machine::message_boxes().size(); }

  // The back buffer's pixel at (x, y) as 0xRRGGBB.
  static unsigned Colour(int x, int y) {
    EXPECT_EQ(SURFACE_LOCK(), 0);
    const int packed = RGB_GET_PIXEL(x, y);
    EXPECT_EQ(SURFACE_UNLOCK(), 0);
    return static_cast<unsigned>(GET_RED_VALUE(packed)) << 16 | static_cast<unsigned>(GET_GREEN_VALUE(packed)) << 8 |
           GET_BLUE_VALUE(packed);
  }

  static int Brightness(unsigned colour) {
    return static_cast<int>((colour >> 16 & 0xFF) + (colour >> 8 & 0xFF) + (colour & 0xFF));
  }

  // The lines between the first line equal to `from` and the next equal to
  // `to`, both excluded.
  std::vector<std::string> LinesBetween(const std::string &from, const std::string &to) {
    std::vector<std::string> between;
    bool inside = false;
    for (const std::string &line : ReportLines()) {
      if (inside && line == to) return between;
      if (inside) between.push_back(line);
      if (line == from) inside = true;
    }
    return between;
  }

 private:
  int runs_ = 0;
};
