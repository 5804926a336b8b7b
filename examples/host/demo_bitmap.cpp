// The demo's bitmap part. A star field bitmap is built once with the pixel
// exports, three sprites come from BMP files (24-bit, RLE8 and 4-bit), and
// every frame copies the field, draws the Direct3D cube over it (when the
// cube part started), moves the sprites with transparent blits
// (some partly off the screen, so clipping shows), draws a rock stretched
// to twice its size and mirrored, and flips. The last frame is saved.
#include "demo_bitmap.h"

#include <cmath>
#include <cstdio>
#include <string>

#include <ddraw.h>

#include "demo_cube.h"
#include "demo_desktop.h"
#include "korvane.h"

namespace {

enum { kField = 100, kShip = 101, kRock = 102, kStar = 103 };

bool LoadSprite(const std::string &folder, const char *file, int id) {
  const std::string path = folder + "/" + file;
  if (LOAD_BITMAP(path.c_str(), id, 1) == 0) return true;
  printf("demo: could not load %s\n", path.c_str());
  return false;
}

// A dark bitmap the size of the screen with scattered white stars.
void BuildStarField(int width, int height) {
  CREATE_BITMAP(kField, width, height, 1);
  CLEAR_BITMAP(kField, MAKE_RGB(0, 0, 40));
  if (BITMAP_LOCK(kField) != 0) return;
  unsigned seed = 12345;
  for (int i = 0; i < 400; ++i) {
    seed = seed * 1103515245u + 12345u;
    const int x = static_cast<int>((seed >> 8) % static_cast<unsigned>(width));
    const int y = static_cast<int>((seed >> 20) % static_cast<unsigned>(height));
    BITMAP_RGB_PUT_PIXEL(kField, x, y, 255, 255, 255);
  }
  BITMAP_UNLOCK(kField);
}

void DrawFrame(int frame, int width, int height) {
  BLITFAST(kField, 0, 0);
  DrawCubeFrame(frame);
  const double t = frame * 0.15;
  TRANS_BLITFAST(kShip, frame * 23 % (width + 64) - 32, height / 2 + static_cast<int>(60 * std::sin(t)));
  for (int i = 0; i < 6; ++i) {
    TRANS_BLITFAST(kStar, (i * 113 + frame * 5) % width, (i * 71 + frame * 9) % height);
  }
  RECT big{width - 120 - frame * 8, 40, width - 72 - frame * 8, 88};
  TRANS_BLIT_BITMAP(kRock, &big, frame % 2 ? DDBLTFX_MIRRORLEFTRIGHT : 0);
  RECT corner{6, 6, 18, 18};
  TRANS_RECT_BLITFAST(kRock, &corner, width - 6, height - 6);  // clipped to 6 x 6
}

}  // namespace

void RunBitmapDemo(const char *spriteFolder, int frames) {
  const int width = SURFACE_WIDTH(), height = SURFACE_HEIGHT();
  if (width <= 0 || height <= 0) return;
  BuildStarField(width, height);
  const std::string folder = spriteFolder;
  if (!LoadSprite(folder, "ship.bmp", kShip) || !LoadSprite(folder, "rock.bmp", kRock) ||
      !LoadSprite(folder, "star.bmp", kStar)) {
    return;
  }
  printf("demo: sprites loaded: ship %dx%d, rock %dx%d, star %dx%d; pixel format %d\n", BITMAP_WIDTH(kShip),
         BITMAP_HEIGHT(kShip), BITMAP_WIDTH(kRock), BITMAP_HEIGHT(kRock), BITMAP_WIDTH(kStar), BITMAP_HEIGHT(kStar),
         GET_SURFACE_PIXEL_FORMAT());
  for (int frame = 0; frame < frames && !DemoWindowClosed(); ++frame) {
    DrawFrame(frame, width, height);
    WAIT_FOR_VB(1);
    while (SURFACE_FLIP() != 0) WAIT_FOR_VB(0);
  }
  if (SAVE_BMP("korvane_demo_shot") == 0) printf("demo: screen saved as korvane_demo_shot.bmp\n");
  FREE_BITMAP(kField);  // the others are freed by DDRAW_RELEASE at exit
}
