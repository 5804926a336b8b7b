/* A Windows host of Direct3D, run under Wine at the display depth given on
   its command line (32, or 16 on a 16-bit X screen): the device made in
   software without a z-buffer and in hardware with one, released and made
   again on the same back buffer, the texture format queries, a texture
   loaded from a BMP file, and the lit, textured, z-buffered cube saved with
   SAVE_BMP. The "verify" phase, a new process, reads the report. */
#include <d3d.h>

#include "wine_host.h"

#define KV(name) kv.name
#include "d3d_cube_scene.h"

#define SCREEN_W 1024
#define SCREEN_H 768

static void ReportName(int depth, char *name, size_t size) { snprintf(name, size, "wine_d3d%d", depth); }

/* The packed pixel of the primary at (x, y) as 0xRRGGBB, read through the
   lock exports. */
static unsigned ScreenColour(int x, int y) {
  const int packed = kv.RGB_GET_PIXEL(x, y);
  return (unsigned)kv.GET_RED_VALUE(packed) << 16 | (unsigned)kv.GET_GREEN_VALUE(packed) << 8 |
         kv.GET_BLUE_VALUE(packed);
}

static int Near(unsigned a, unsigned b, int tolerance) {
  int shift;
  for (shift = 0; shift < 24; shift += 8) {
    const int difference = (int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF);
    if (difference > tolerance || difference < -tolerance) return 0;
  }
  return 1;
}

static void CheckDevices(void) {
  CHECK(kv.D3D_INIT() == 0);
  CHECK(kv.CREATE3D_DEVICE(0, 0) == 0);
  CHECK(kv.IS_TEXTURE_FORMAT(16, DDPF_RGB, 565) == 0);
  CHECK(kv.IS_TEXTURE_FORMAT(16, DDPF_RGB, 4444) == 1);
  CHECK(kv.IS_TEXTURE_FORMAT(3, DDPF_RGB, 0) == 1);
  CHECK(kv.D3D_RELEASE() == 0);
  CHECK(kv.D3D_RELEASE() == 0); /* nothing left to release */
  /* A hardware device with a z-buffer, released and made again on the same
     back buffer: the release detached the z-buffer. */
  CHECK(kv.D3D_INIT() == 0);
  CHECK(kv.CREATE3D_DEVICE(1, 16) == 0);
  CHECK(kv.D3D_RELEASE() == 0);
  CHECK(kv.D3D_INIT() == 0);
  CHECK(kv.CREATE3D_DEVICE(1, 15) == 1); /* no such depth */
  CHECK(kv.CREATE3D_DEVICE(1, 16) == 0);
}

static void CheckStates(void) {
  DWORD value = 0;
  const float bias = 1.0f;
  DWORD biasBits;
  memcpy(&biasBits, &bias, sizeof biasBits);
  CHECK(kv.SET_TEXTURE_STAGE_STATE(0, D3DTSS_MIPMAPLODBIAS, biasBits) == 0);
  CHECK(kv.GET_TEXTURE_STAGE_STATE(0, D3DTSS_MIPMAPLODBIAS, 0) == 0x3F800000u);
  CHECK(kv.SET_TEXTURE_STAGE_STATE(0, D3DTSS_MIPMAPLODBIAS, 0) == 0);
  CHECK(kv.GET_TEXTURE_STAGE_STATE(0, D3DTSS_COLOROP, (DWORD_PTR)&value) == (DWORD_PTR)&value);
  CHECK(value == D3DTOP_MODULATE);
  CHECK(kv.SET_TEXTURE(0, 99) == 1);
  CHECK(kv.CREATE_VIEWPORT(0, 0, SCREEN_W, SCREEN_H, 0.0f, 1.0f) == 0);
  {
    const D3DVIEWPORT7 *viewport = kv.GET_VIEWPORT();
    CHECK(viewport != NULL && viewport->dwWidth == SCREEN_W && viewport->dwHeight == SCREEN_H);
  }
}

static int Run(HINSTANCE instance, int depth) {
  char reportName[32], shotName[32];
  int failures;
  LoadKorvane();
  CatchMessageBoxes();
  HWND window = CreateHostWindow(instance, "Korvane Direct3D test");
  CHECK(window != NULL);
  ReportName(depth, reportName, sizeof reportName);
  snprintf(shotName, sizeof shotName, "cube%d", depth);
  CHECK(kv.REPORT_MODE(reportName, 1) > 0);
  CHECK(kv.KORVANE_INIT(window, instance) == 0);
  CHECK(kv.DDRAW_INIT() == 0);
  CHECK(kv.SET_VIDEO_MODE(SCREEN_W, SCREEN_H, depth) == 0);
  CheckDevices();
  CheckStates();

  CHECK(WriteCubeTexture("cube_texture.bmp") == 0);
  CHECK(kv.LOAD_TEXTURE_BITMAP("cube_texture.bmp", 1, 16, DDPF_RGB, 565, 0) == 0);
  CHECK(kv.LOAD_TEXTURE_BITMAP("cube_texture.bmp", 1, 16, DDPF_RGB, 565, 0) == 1); /* id taken */
  CHECK(kv.LOAD_TEXTURE_BITMAP("missing.bmp", 2, 16, DDPF_RGB, 565, 0) == 1);
  failures = DrawCubeScene(SCREEN_W, SCREEN_H, 1);
  CHECK(failures == 0);
  CHECK(kv.SURFACE_FLIP() == 0);
  CHECK(kv.SAVE_BMP(shotName) == 0);

  CHECK(kv.PRIM_SURFACE_LOCK() == 0);
  CHECK(Near(ScreenColour(5, 5), CUBE_SCENE_BACKGROUND, 8));
  CHECK(!Near(ScreenColour(SCREEN_W / 2, SCREEN_H / 2), CUBE_SCENE_BACKGROUND, 8));
  CHECK(kv.PRIM_SURFACE_UNLOCK() == 0);

  kv.FREE_TEXTURE(1);
  CHECK(kv.SET_TEXTURE(0, 1) == 1);
  CHECK(kv.LOAD_TEXTURE_BITMAP("cube_texture.bmp", 1, 16, DDPF_RGB, 565, 1) == 0); /* managed */
  CHECK(gBoxesCaught == 0);
  CHECK(kv.ON_ERROR() == 0);
  kv.KORVANE_EXIT(); /* D3D_RELEASE, then DDRAW_RELEASE */
  return FinishChecks();
}

static int Verify(int depth) {
  static char report[65536];
  char name[40];
  ReportName(depth, name, sizeof name);
  strcat(name, ".txt");
  CHECK(ReadWholeFile(name, report, sizeof report) > 0);
  CHECK(strstr(report, "\n3D Software Mode Choosen\n") != NULL);
  CHECK(strstr(report, "\n3D Hardware Mode Choosen\n") != NULL);
  CHECK(strstr(report, "\n3D Hardware(HAL) used\n") != NULL);
  CHECK(strstr(report, "\n > ZBuffer Formats Detected Begin < \n") != NULL);
  CHECK(strstr(report, "\nZBufferBitDepth: 16 bit -- DDPF_FLAG:  DDPF_ZBUFFER\n") != NULL);
  CHECK(strstr(report, "\nZBuffer 16 Bit Depth used\n--DDSCAPS_VIDEOMEMORY\n") != NULL);
  CHECK(strstr(report, "\n !!! DirectX is unable to detect a suppported ZBuffer format !!!\n") != NULL);
  CHECK(strstr(report, "\n > Texture Formats Detected Begin < \n") != NULL);
  CHECK(strstr(report, "\nFORMAT: 16 bit 565 -- DDPF_FLAG:  DDPF_RGB\n") != NULL);
  CHECK(strstr(report, "\n -- 16bit RGB 565 Texture Format Found\n") != NULL);
  CHECK(strstr(report, "\n !!! Texture id '99' hasn't been assigned to a texture !!!\n") != NULL);
  CHECK(strstr(report, "\n !!! Texture id '1' has already been assigned to a texture !!!\n") != NULL);
  CHECK(strstr(report, "\n !!! Bitmap File Location for texture id not found !!!\n") != NULL);
  CHECK(strstr(report, "\n  > Texture Created <\n") != NULL);
  CHECK(strstr(report, "\n +++ Texture_FreeAll begin +++\n") != NULL);
  CHECK(strstr(report, "RefCount is greater than 0") == NULL);
  return FinishChecks();
}

int main(int argc, char **argv) {
  const int depth = argc > 2 ? atoi(argv[2]) : 32;
  if (argc > 1 && strcmp(argv[1], "verify") == 0) return Verify(depth);
  return Run(GetModuleHandleA(NULL), depth);
}
