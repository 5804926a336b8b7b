// The demo's text part. The host creates two fonts, a large anti-aliased
// title face and a small monochrome one, and hands them to the library with
// USE_FONT. Each frame clears the screen, centres the title, writes the
// frame counter on an opaque box, copies a bitmap that carries its own
// label, and flips. The last frame is saved.
#include "demo_text.h"

#include <cstdio>

#include "demo_desktop.h"
#include "korvane.h"

namespace {

enum { kLabel = 200 };

HFONT MakeFont(int height, int weight, DWORD quality) {
  return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality,
                     VARIABLE_PITCH | FF_SWISS, "DejaVu Sans");
}

// A bitmap with a label centred on it, drawn once.
void BuildLabel(HFONT font) {
  if (CREATE_BITMAP(kLabel, 220, 36, 1) != 0) return;
  CLEAR_BITMAP(kLabel, MAKE_RGB(40, 40, 90));
  USE_FONT(font);
  GDI_TEXTOUT_CENTER_BITMAP(kLabel, 110, 8, "Text on a bitmap", MAKE_RGB(255, 220, 120), 1);
}

void DrawFrame(int frame, int width, int height, HFONT title, HFONT small) {
  CLEAR_SURFACE(MAKE_RGB(0, 32, 48));
  USE_FONT(title);
  GDI_TEXTOUT_CENTER(width / 2, 60, "Korvane 1.5", MAKE_RGB(255, 255, 255), 1);
  USE_FONT(small);
  GDI_TEXTOUT_CENTER(width / 2, 120, "GDI text on the back buffer", MAKE_RGB(120, 200, 255), 1);
  char counter[32];
  snprintf(counter, sizeof counter, "Frame %04d", frame);
  GDI_TEXTOUT(16, height - 40, counter, MAKE_RGB(255, 255, 0), 0);
  BLITFAST(kLabel, (width - 220) / 2, height / 2);
}

}  // namespace

void RunTextDemo(int frames) {
  const int width = SURFACE_WIDTH(), height = SURFACE_HEIGHT();
  if (width <= 0 || height <= 0) return;
  HFONT title = MakeFont(-48, FW_BOLD, ANTIALIASED_QUALITY);
  HFONT small = MakeFont(20, FW_NORMAL, DEFAULT_QUALITY);
  BuildLabel(small);
  printf("demo: text fonts ready; 'W' is %d pixels wide in the window's font\n", GDI_GET_CHARWIDTH("W"));
  for (int frame = 0; frame < frames && !DemoWindowClosed(); ++frame) {
    DrawFrame(frame, width, height, title, small);
    WAIT_FOR_VB(1);
    while (SURFACE_FLIP() != 0) WAIT_FOR_VB(0);
  }
  if (SAVE_BMP("korvane_demo_text") == 0) printf("demo: text screen saved as korvane_demo_text.bmp\n");
  // The library never deletes a host's font: it is let go of first.
  USE_FONT(nullptr);
  FREE_BITMAP(kLabel);
  DeleteObject(title);
  DeleteObject(small);
}
