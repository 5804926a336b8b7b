/* A Windows host of the display, run under Wine with a 1024x768 virtual
   screen: DirectDraw, the mode list, the 1024x768 modes Wine offers at 8, 16
   and 32 bits (32 at least), clears, locked pixels, colour packing, flips
   and the release. The "verify" phase, a new process, reads the report the
   first left open. */
#include "wine_host.h"

static const char kReportName[] = "wine_display";
static const char kReportFile[] = "wine_display.txt";

/* One mode: set it, clear, put and get pixels through a lock, flip. */
static void DriveMode(int bpp) {
  printf("mode 1024x768x%d\n", bpp);
  CHECK(kv.SET_VIDEO_MODE(1024, 768, bpp) == 0);
  CHECK(kv.SURFACE_WIDTH() == 1024 && kv.SURFACE_HEIGHT() == 768);
  CHECK(kv.SURFACE_DEPTH() == bpp && kv.BPP() == bpp / 8);
  CHECK(kv.CLEAR_SURFACE(0) == 0);
  RECT box = {10, 10, 20, 20};
  CHECK(kv.SURFACE_RECT_BLIT(&box, bpp == 8 ? 5 : kv.MAKE_RGB(0, 0, 255)) == 0);

  CHECK(kv.SURFACE_LOCK() == 0);
  CHECK(kv.SURFACE_POINTER() != NULL);
  CHECK(kv.SURFACE_PITCH() >= 1024 * (bpp / 8));
  if (bpp == 8) {
    kv.PAL_PUT_PIXEL(3, 4, 200);
    CHECK(kv.PAL_GET_PIXEL(3, 4) == 200);
    CHECK(kv.PAL_GET_PIXEL(15, 15) == 5);
    CHECK(kv.MAKE_RGB(255, 255, 255) == 0);
  } else {
    int white = kv.MAKE_RGB(255, 255, 255);
    kv.RGB_PUT_PIXEL(3, 4, 255, 255, 255);
    CHECK((kv.RGB_GET_PIXEL(3, 4) & 0xFFFFFF) == white);
    CHECK((kv.RGB_GET_PIXEL(15, 15) & 0xFFFFFF) == kv.MAKE_RGB(0, 0, 255));
    CHECK(kv.GET_RED_VALUE(white) >= 248 && kv.GET_GREEN_VALUE(white) >= 248 && kv.GET_BLUE_VALUE(white) >= 248);
    CHECK(kv.GET_RED_VALUE(kv.MAKE_RGB(255, 0, 0)) >= 248 && kv.GET_BLUE_VALUE(kv.MAKE_RGB(255, 0, 0)) == 0);
    if (bpp == 16) CHECK(white == 0xFFFF || white == 0x7FFF);
    if (bpp == 32) CHECK(white == 0xFFFFFF);
  }
  /* Outside the surface nothing is touched and 0 comes back. */
  kv.RGB_PUT_PIXEL(5000, 5000, 1, 2, 3);
  CHECK(kv.RGB_GET_PIXEL(-1, 0) == 0);
  CHECK(kv.SURFACE_UNLOCK() == 0);

  CHECK(kv.WAIT_FOR_VB(1) == 0);
  int flipped = 0;
  for (int i = 0; i < 50 && !flipped; ++i) {
    flipped = kv.SURFACE_FLIP() == 0;
    if (!flipped) Sleep(5);
  }
  CHECK(flipped);
  CHECK(kv.CLEAR_PRIM_SURFACE(0) == 0);
}

static int Run(HINSTANCE instance) {
  LoadKorvane();
  CatchMessageBoxes();
  HWND window = CreateHostWindow(instance, "Korvane display test");
  CHECK(window != NULL);
  CHECK(kv.REPORT_MODE(kReportName, 0) == (int)strlen(kReportFile));
  CHECK(kv.KORVANE_INIT(window, instance) == 0);

  CHECK(kv.IS_DDRAW_VALID() == 0);
  CHECK(kv.DDRAW_INIT() == 0);
  CHECK(kv.IS_DDRAW_VALID() == 1);
  int modes = kv.GET_NUMBER_OF_VIDEO_MODES();
  printf("%d modes, the first %s\n", modes, kv.GET_VIDEO_MODE_DESC(1));
  CHECK(modes > 0);
  CHECK(strcmp(kv.GET_VIDEO_MODE_DESC(modes + 1), "Empty") == 0);
  CHECK(kv.TOTAL_VIDEO_MEMORY() >= kv.AVAIL_VIDEO_MEMORY());

  CHECK(kv.IS_VMODE(1024, 768, 32) == 1);
  for (int bpp = 8; bpp <= 32; bpp *= 2) {
    if (kv.IS_VMODE(1024, 768, bpp)) {
      DriveMode(bpp);
      /* Tells the verify phase which modes ran. */
      if (bpp == 8) kv.FILE_REPORT("host: 8-bit mode driven");
    } else {
      printf("mode 1024x768x%d is not offered\n", bpp);
    }
  }

  CHECK(gBoxesCaught == 0);
  CHECK(kv.ON_ERROR() == 0);
  CHECK(kv.DDRAW_RELEASE() == 0);
  CHECK(kv.IS_DDRAW_VALID() == 0);
  CHECK(kv.SURFACE_LOCK() == 1);
  CHECK(gBoxesCaught == 0);
  kv.KORVANE_EXIT();
  return FinishChecks();
}

static int Verify(void) {
  static char report[16384];
  size_t size = ReadWholeFile(kReportFile, report, sizeof report);
  CHECK(size > 0);
  /* Brief mode: the back buffer's palette line of the 8-bit mode, and no
     failure or critical lines. */
  const int eightBit = strstr(report, "\nhost: 8-bit mode driven\n") != NULL;
  CHECK((strstr(report, "\nSetting Palette for glpDDSBack\n") != NULL) == eightBit);
  CHECK(strstr(report, "!!!") == NULL);
  CHECK(strstr(report, " ! - ") == NULL);
  CHECK(strstr(report, "\n??? No Surface ???\n") != NULL);
  return FinishChecks();
}

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], "verify") == 0) return Verify();
  return Run(GetModuleHandleA(NULL));
}
