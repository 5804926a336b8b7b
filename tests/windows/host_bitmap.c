/* A Windows host of the bitmaps, run under Wine: bitmaps created empty,
   loaded from a BMP file the host writes and from the bitmap resource
   compiled into this program, opaque and transparent unscaled copies read
   back from the back buffer, and SAVE_BMP of the primary checked byte by
   byte. The "verify" phase, a new process, reads the report. */
#include "wine_host.h"

static const char kReportName[] = "wine_bitmap";
static const char kReportFile[] = "wine_bitmap.txt";

#define SCREEN_W 1024
#define SCREEN_H 768

static void PutLe(unsigned char *at, unsigned value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = (unsigned char)(value >> (8 * i));
}

/* A 4x3 24-bit BMP whose pixel (x, y) is red x * 60, green y * 100, blue 7. */
static unsigned TileColour(int x, int y) { return (unsigned)(x * 60) << 16 | (unsigned)(y * 100) << 8 | 7; }

static void WriteTileFile(const char *path) {
  unsigned char file[54 + 3 * 12];
  memset(file, 0, sizeof file);
  file[0] = 'B';
  file[1] = 'M';
  PutLe(file + 2, sizeof file, 4);
  PutLe(file + 10, 54, 4);
  PutLe(file + 14, 40, 4);
  PutLe(file + 18, 4, 4);
  PutLe(file + 22, 3, 4);
  PutLe(file + 26, 1, 2);
  PutLe(file + 28, 24, 2);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) PutLe(file + 54 + (2 - y) * 12 + x * 3, TileColour(x, y), 3);
  }
  FILE *out = fopen(path, "wb");
  fwrite(file, 1, sizeof file, out);
  fclose(out);
}

/* The sprite resource: transparent black on the diagonal, otherwise red
   x * 32, green y * 32, blue 0xC0. */
static unsigned SpriteColour(int x, int y) { return x == y ? 0 : (unsigned)(x * 32) << 16 | (unsigned)(y * 32) << 8 | 0xC0; }

static unsigned BitmapPixel(int id, int x, int y) {
  unsigned value = 0;
  CHECK(kv.BITMAP_LOCK(id) == 0);
  memcpy(&value, kv.BITMAP_POINTER(id) + y * kv.BITMAP_PITCH(id) + x * 4, 4);
  CHECK(kv.BITMAP_UNLOCK(id) == 0);
  return value & 0xFFFFFF;
}

static void CheckLoadedBitmaps(void) {
  CHECK(kv.CREATE_BITMAP(1, 16, 16, 0) == 0);
  CHECK(kv.BITMAP_WIDTH(1) == 16 && kv.BITMAP_HEIGHT(1) == 16);
  CHECK(kv.CREATE_BITMAP(1, 16, 16, 0) == 1);
  WriteTileFile("tile.bmp");
  CHECK(kv.LOAD_BITMAP("tile.bmp", 2, 0) == 0);
  CHECK(kv.BITMAP_WIDTH(2) == 4 && kv.BITMAP_HEIGHT(2) == 3);
  CHECK(BitmapPixel(2, 0, 0) == TileColour(0, 0));
  CHECK(BitmapPixel(2, 3, 2) == TileColour(3, 2));
  CHECK(kv.LOAD_BITMAP("SPRITE", 3, 1) == 0);
  CHECK(kv.BITMAP_WIDTH(3) == 8 && kv.BITMAP_HEIGHT(3) == 8);
  CHECK(BitmapPixel(3, 5, 2) == SpriteColour(5, 2));
  CHECK(kv.LOAD_BITMAP("no-such-file.bmp", 4, 0) == 1);
  CHECK(kv.GET_SURFACE_PIXEL_FORMAT() == 888);
}

static void CheckCopies(void) {
  const unsigned background = 0x000010;
  CHECK(kv.CLEAR_SURFACE((int)background) == 0);
  CHECK(kv.BLITFAST(2, 10, 10) == 0);
  CHECK(kv.TRANS_BLITFAST(3, 100, 100) == 0);
  CHECK(kv.BLITFAST(2, -2, SCREEN_H - 1) == 0); /* clipped to 2 x 1 */
  CHECK(kv.BLITFAST(2, SCREEN_W, 0) == 0);     /* nothing to draw */
  CHECK(kv.SURFACE_LOCK() == 0);
  CHECK((unsigned)(kv.RGB_GET_PIXEL(10, 10) & 0xFFFFFF) == TileColour(0, 0));
  CHECK((unsigned)(kv.RGB_GET_PIXEL(13, 12) & 0xFFFFFF) == TileColour(3, 2));
  CHECK((unsigned)(kv.RGB_GET_PIXEL(14, 10) & 0xFFFFFF) == background);
  CHECK((unsigned)(kv.RGB_GET_PIXEL(105, 102) & 0xFFFFFF) == SpriteColour(5, 2));
  CHECK((unsigned)(kv.RGB_GET_PIXEL(103, 103) & 0xFFFFFF) == background); /* transparent */
  CHECK((unsigned)(kv.RGB_GET_PIXEL(0, SCREEN_H - 1) & 0xFFFFFF) == TileColour(2, 0));
  CHECK((unsigned)(kv.RGB_GET_PIXEL(2, SCREEN_H - 1) & 0xFFFFFF) == background);
  CHECK(kv.SURFACE_UNLOCK() == 0);
  RECT part = {0, 0, 4, 3};
  CHECK(kv.RECT_BLITFAST(2, &part, -1, -1) == 0);
  CHECK(part.left == 1 && part.top == 1 && part.right == 4 && part.bottom == 3);
}

/* The primary cleared to one colour with two pixels set, saved and compared
   with the file it must give. */
static void CheckScreenshot(void) {
  const unsigned background = 0x204060;
  CHECK(kv.CLEAR_PRIM_SURFACE((int)background) == 0);
  CHECK(kv.PRIM_SURFACE_LOCK() == 0);
  kv.RGB_PUT_PIXEL(0, SCREEN_H - 1, 0xFF, 0x80, 0x01);
  kv.RGB_PUT_PIXEL(SCREEN_W - 1, 0, 0x11, 0x22, 0x33);
  CHECK(kv.PRIM_SURFACE_UNLOCK() == 0);
  CHECK(kv.SAVE_BMP("shot") == 0);

  const size_t rowBytes = SCREEN_W * 3, size = 54 + rowBytes * SCREEN_H;
  unsigned char *expected = (unsigned char *)calloc(size, 1);
  unsigned char *actual = (unsigned char *)malloc(size + 1);
  expected[0] = 'B';
  expected[1] = 'M';
  PutLe(expected + 2, (unsigned)size, 4);
  PutLe(expected + 10, 54, 4);
  PutLe(expected + 14, 40, 4);
  PutLe(expected + 18, SCREEN_W, 4);
  PutLe(expected + 22, SCREEN_H, 4);
  PutLe(expected + 26, 1, 2);
  PutLe(expected + 28, 24, 2);
  PutLe(expected + 38, 10000, 4);
  PutLe(expected + 42, 10000, 4);
  for (size_t i = 54; i < size; i += 3) PutLe(expected + i, background, 3);
  PutLe(expected + 54, 0xFF8001, 3);                                    /* bottom-left: first */
  PutLe(expected + 54 + (SCREEN_H - 1) * rowBytes + (SCREEN_W - 1) * 3, 0x112233, 3); /* top-right: last */
  CHECK(ReadWholeFile("shot.bmp", (char *)actual, size + 1) == size);
  CHECK(memcmp(actual, expected, size) == 0);
  free(expected);
  free(actual);
}

static int Run(HINSTANCE instance) {
  LoadKorvane();
  CatchMessageBoxes();
  HWND window = CreateHostWindow(instance, "Korvane bitmap test");
  CHECK(window != NULL);
  CHECK(kv.REPORT_MODE(kReportName, 0) == (int)strlen(kReportFile));
  CHECK(kv.KORVANE_INIT(window, instance) == 0);
  CHECK(kv.DDRAW_INIT() == 0);
  CHECK(kv.SET_VIDEO_MODE(SCREEN_W, SCREEN_H, 32) == 0);
  CheckLoadedBitmaps();
  CheckCopies();
  CheckScreenshot();
  CHECK(kv.BITMAP_WIDTH(99) == 0);
  kv.FREE_BITMAP(1);
  CHECK(kv.CREATE_BITMAP(1, 4, 4, 1) == 0);
  CHECK(gBoxesCaught == 0);
  CHECK(kv.ON_ERROR() == 0);
  kv.KORVANE_EXIT(); /* DDRAW_RELEASE frees the bitmaps */
  return FinishChecks();
}

static int Verify(void) {
  static char report[16384];
  CHECK(ReadWholeFile(kReportFile, report, sizeof report) > 0);
  /* Brief mode: the failed load, the unknown id and the saved file only. */
  CHECK(strstr(report, "\n !!! LoadImage() Failed !!!\n") != NULL);
  CHECK(strstr(report, "\n ! - BITMAP_WIDTH = Invalid ID\n") != NULL);
  CHECK(strstr(report, "\n!!! shot.bmp saved !!!\n") != NULL);
  CHECK(strstr(report, "Video Bitmap failed") == NULL);
  return FinishChecks();
}

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], "verify") == 0) return Verify();
  return Run(GetModuleHandleA(NULL));
}
