/* A Windows host of GDI text, run under Wine: a font the host creates, text
   on the back buffer (left-aligned, centred, opaque and transparent) and on
   a bitmap, read back through locks: glyph pixels in the asked colour,
   centred text centred. The "verify" phase reads the report. */
#include "wine_host.h"

static const char kReportName[] = "wine_text";
static const char kReportFile[] = "wine_text.txt";

/* What a scan of a locked rectangle found: pixels of the ink, pixels that
   are neither ink nor paper, and the ink's leftmost and rightmost columns. */
typedef struct Scan {
  int ink;
  int other;
  int left;
  int right;
} Scan;

/* A pixel's colour bits: the top byte of a 32-bit pixel is unused (Wine's
   GDI sets it), so it is left out. */
static unsigned ReadPixel(const unsigned char *at, int bytes) {
  unsigned value = 0;
  memcpy(&value, at, (size_t)bytes);
  return bytes == 4 ? value & 0xFFFFFF : value;
}

static Scan ScanPixels(const unsigned char *bits, int pitch, int bytes, RECT area, unsigned paper, unsigned ink) {
  Scan scan = {0, 0, 1 << 30, -1};
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const unsigned value = ReadPixel(bits + (size_t)y * (size_t)pitch + (size_t)x * (size_t)bytes, bytes);
      if (value == ink) {
        ++scan.ink;
        if (x < scan.left) scan.left = x;
        if (x > scan.right) scan.right = x;
      } else if (value != paper) {
        ++scan.other;
      }
    }
  }
  return scan;
}

static Scan ScanBackBuffer(RECT area, unsigned paper, unsigned ink) {
  Scan scan = {0, 0, 0, -1};
  if (kv.SURFACE_LOCK() != 0) return scan;
  scan = ScanPixels(kv.SURFACE_POINTER(), kv.SURFACE_PITCH(), kv.SURFACE_DEPTH() / 8, area, paper, ink);
  kv.SURFACE_UNLOCK();
  return scan;
}

/* The colour argument for a pure colour: in 8-bit modes the palette index
   `index` after setting that entry (SET_RGB_ENTRY counts from 1), otherwise
   the packed colour masked to the pixel size. */
static unsigned Colour(int bpp, int index, int red, int green, int blue) {
  if (bpp == 8) {
    CHECK(kv.SET_RGB_ENTRY(index + 1, red, green, blue) == 0);
    return (unsigned)index;
  }
  const unsigned value = (unsigned)kv.MAKE_RGB(red, green, blue);
  return bpp == 16 ? value & 0xFFFF : value & 0xFFFFFF;
}

static void DriveMode(int bpp) {
  printf("mode 1024x768x%d\n", bpp);
  CHECK(kv.SET_VIDEO_MODE(1024, 768, bpp) == 0);
  const unsigned red = Colour(bpp, 3, 255, 0, 0), white = Colour(bpp, 4, 255, 255, 255);
  const unsigned blue = Colour(bpp, 5, 0, 0, 255), green = Colour(bpp, 6, 0, 255, 0);
  RECT line = {90, 90, 400, 150};

  /* Transparent text: only glyphs, all in the asked colour. */
  CHECK(kv.CLEAR_SURFACE(0) == 0);
  CHECK(kv.GDI_TEXTOUT(100, 100, "Korvane text", (int)red, 1) == 0);
  Scan scan = ScanBackBuffer(line, 0, red);
  printf("  left: %d ink, %d other\n", scan.ink, scan.other);
  CHECK(scan.ink > 50 && scan.other == 0);

  /* Opaque text on blue: a black cell behind white glyphs. */
  CHECK(kv.CLEAR_SURFACE((int)blue) == 0);
  CHECK(kv.GDI_TEXTOUT(100, 100, "Korvane text", (int)white, 0) == 0);
  scan = ScanBackBuffer(line, blue, white);
  CHECK(scan.ink > 50 && scan.other > 100);

  /* Centred on column 512. */
  CHECK(kv.CLEAR_SURFACE(0) == 0);
  CHECK(kv.GDI_TEXTOUT_CENTER(512, 300, "Centred on 512", (int)white, 1) == 0);
  RECT band = {0, 290, 1024, 360};
  scan = ScanBackBuffer(band, 0, white);
  printf("  centred: ink from %d to %d\n", scan.left, scan.right);
  CHECK(scan.ink > 50 && scan.other == 0);
  CHECK(abs((scan.left + scan.right) - 1024) <= 6);

  /* On a bitmap, left and centred. */
  CHECK(kv.CREATE_BITMAP(1, 240, 80, 0) == 0);
  CHECK(kv.CLEAR_BITMAP(1, 0) == 0);
  CHECK(kv.GDI_TEXTOUT_BITMAP(1, 4, 4, "Bitmap", (int)green, 1) == 0);
  CHECK(kv.GDI_TEXTOUT_CENTER_BITMAP(1, 120, 40, "Mid", (int)green, 1) == 0);
  CHECK(kv.BITMAP_LOCK(1) == 0);
  RECT whole = {0, 0, 240, 80};
  scan = ScanPixels(kv.BITMAP_POINTER(1), kv.BITMAP_PITCH(1), bpp / 8, whole, 0, green);
  CHECK(kv.BITMAP_UNLOCK(1) == 0);
  printf("  bitmap: %d ink, %d other\n", scan.ink, scan.other);
  CHECK(scan.ink > 50 && scan.other == 0);
  kv.FREE_BITMAP(1);
}

static int Run(HINSTANCE instance) {
  LoadKorvane();
  CatchMessageBoxes();
  HWND window = CreateHostWindow(instance, "Korvane text test");
  CHECK(window != NULL);
  CHECK(kv.REPORT_MODE(kReportName, 0) == (int)strlen(kReportFile));
  CHECK(kv.KORVANE_INIT(window, instance) == 0);
  CHECK(kv.DDRAW_INIT() == 0);

  /* Monochrome glyphs, so that every glyph pixel has exactly the colour. */
  HFONT font = CreateFontA(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           NONANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, "Tahoma");
  CHECK(font != NULL);
  CHECK(kv.USE_FONT(font) == font);
  for (int bpp = 8; bpp <= 32; bpp *= 2) {
    if (kv.IS_VMODE(1024, 768, bpp)) DriveMode(bpp);
    else printf("mode 1024x768x%d is not offered\n", bpp);
  }

  CHECK(kv.GDI_GET_CHARWIDTH("W") > 0);
  CHECK(kv.GDI_GET_CHARWIDTH("W") >= kv.GDI_GET_CHARWIDTH("i"));
  CHECK(kv.GDI_GET_CHARWIDTH("Wide") == kv.GDI_GET_CHARWIDTH("W"));
  /* Bad input: refused with a line, nothing drawn. */
  CHECK(kv.GDI_TEXTOUT(0, 0, NULL, 1, 0) == 1);
  CHECK(kv.GDI_TEXTOUT_BITMAP(99, 0, 0, "x", 1, 0) == 1);

  CHECK(gBoxesCaught == 0);
  CHECK(kv.ON_ERROR() == 0);
  kv.USE_FONT(NULL);
  kv.KORVANE_EXIT();
  DeleteObject(font);
  return FinishChecks();
}

static int Verify(void) {
  static char report[16384];
  CHECK(ReadWholeFile(kReportFile, report, sizeof report) > 0);
  CHECK(strstr(report, "\n ! - TextOut Failed\n") != NULL);
  CHECK(strstr(report, "\n ! - GDI_TEXTOUT_BITMAP = Invalid ID 99\n") != NULL);
  CHECK(strstr(report, "!!!") == NULL);
  return FinishChecks();
}

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], "verify") == 0) return Verify();
  return Run(GetModuleHandleA(NULL));
}
