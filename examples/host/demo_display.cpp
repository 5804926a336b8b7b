// The demo's display part: DirectDraw with a 640x480 16-bit mode and a flip
// chain. Each frame clears the back buffer, fills a bar that slides across,
// plots a sine wave pixel by pixel inside one lock, waits for the vertical
// blank and flips. Headless on the portable platform, the last frame is read
// back from the front buffer through the machine interface and written as a
// BMP file.
#include "demo_display.h"

#include <cmath>
#include <cstdio>

#include "demo_desktop.h"
#include "korvane.h"

#ifndef _WIN32
#include "machine_display.h"
#endif

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

void DrawFrame(int frame) {
  CLEAR_SURFACE(MAKE_RGB(0, 0, 64));
  const int left = (frame * 40) % (kWidth - 80);
  RECT bar{left, 200, left + 80, 280};
  SURFACE_RECT_BLIT(&bar, MAKE_RGB(255, 160, 0));
  if (SURFACE_LOCK() != 0) return;
  for (int x = 0; x < kWidth; ++x) {
    const double phase = (x + frame * 16) * 0.03;
    const int y = kHeight / 2 + static_cast<int>(100.0 * std::sin(phase));
    RGB_PUT_PIXEL(x, y, 255, 255, 255);
    RGB_PUT_PIXEL(x, y + 1, 128, 255, 128);
  }
  SURFACE_UNLOCK();
}

void LogFrame(int frame) {
  char line[96];
  snprintf(line, sizeof line, "demo: display frame %d drawn and flipped", frame);
  FILE_REPORT(line);
}

}  // namespace

void RunDisplayDemo(int frames) {
  if (DDRAW_INIT() != 0) {
    printf("demo: no DirectDraw\n");
    return;
  }
  printf("demo: %d video modes, the first %s\n", GET_NUMBER_OF_VIDEO_MODES(), GET_VIDEO_MODE_DESC(1));
  if (SET_VIDEO_MODE(kWidth, kHeight, 16) != 0) {
    printf("demo: 640x480x16 could not be set\n");
    return;
  }
  printf("demo: 640x480x16, white packs to 0x%04X, %u of %u bytes of video memory free\n", MAKE_RGB(255, 255, 255),
         static_cast<unsigned>(AVAIL_VIDEO_MEMORY()), static_cast<unsigned>(TOTAL_VIDEO_MEMORY()));
  for (int frame = 0; frame < frames && !DemoWindowClosed(); ++frame) {
    DrawFrame(frame);
    WAIT_FOR_VB(1);
    while (SURFACE_FLIP() != 0) WAIT_FOR_VB(0);
    LogFrame(frame);
  }
#ifndef _WIN32
  if (machine::write_front_buffer_bmp("last_frame.bmp")) printf("demo: last frame written to last_frame.bmp\n");
#endif
}
