// The example host: drives the library as a game would, headless by default.
// It opens a detailed report, starts the library, spins a cube's corner
// around with the library's maths for a few "frames" and logs each frame to
// the report, runs its parts (display, a video it writes itself, a Direct3D
// cube behind the bitmap sprites, text, input, sound, MIDI), then shuts down
// and prints the report it wrote.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "demo_bitmap.h"
#include "demo_cube.h"
#include "demo_desktop.h"
#include "demo_display.h"
#include "demo_input.h"
#include "demo_midi.h"
#include "demo_media.h"
#include "demo_paths.h"
#include "demo_sound.h"
#include "demo_text.h"
#ifndef _WIN32
#include "demo_video_file.h"
#endif
#include "korvane.h"

namespace {

// Headless hosts have no window system; any non-null handle stands for the
// host window, which the library destroys at exit.
HWND HeadlessWindow() {
  static int window;
  return reinterpret_cast<HWND>(&window);
}

void LogFrame(int frame, const D3DVECTOR &corner) {
  char line[128];
  snprintf(line, sizeof line, "demo: frame %d corner (%.3f, %.3f, %.3f)", frame, corner.x, corner.y,
           corner.z);
  FILE_REPORT(line);
}

}  // namespace

int main(int argc, char **argv) {
  int frames = 8;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--frames") == 0 && i + 1 < argc) frames = atoi(argv[++i]);
  }

  REPORT_MODE("korvane_demo", 1);
  if (KORVANE_INIT(HeadlessWindow(), nullptr) != 0) {
    fprintf(stderr, "demo: DirectX 7 is not available\n");
    return 1;
  }
  printf("demo: running on Windows version %d.%d\n", WINDOWS_VERSION() >> 8, WINDOWS_VERSION() & 0xFF);

  // A quarter turn about the vertical axis per 8 frames, built as a quaternion.
  D3DVECTOR axis = {{0.0f}, {1.0f}, {0.0f}};
  float qx, qy, qz, qw;
  QUATERNION_FROM_ROTATION(&qx, &qy, &qz, &qw, &axis, 3.14159265f / 16.0f);
  D3DMATRIX step;
  MATRIX_FROM_QUATERNION(&step, qx, qy, qz, qw);

  D3DVECTOR corner = {{1.0f}, {1.0f}, {1.0f}};
  for (int frame = 0; frame < frames; ++frame) {
    D3DVECTOR turned;
    if (VECTOR_MATRIX_MULTIPLY(&turned, &corner, &step) != 0) break;
    corner = turned;
    LogFrame(frame, corner);
  }
  printf("demo: %d frames, corner now at (%.3f, %.3f, %.3f), length %.3f\n", frames, corner.x,
         corner.y, corner.z, *MAGNITUDE(&corner));
  RunDisplayDemo(frames);
  // The video given on the command line, else the one the demo writes (with
  // FFmpeg, which the Windows build has not: there only `--video` plays).
  std::string video = FindVideo(argc, argv);
#ifndef _WIN32
  if (video.empty()) video = MakeDemoVideo();
#endif
  RunMediaDemo(video.c_str());
  const std::string spriteFolder = FindSpriteFolder(argc, argv);
  StartCubeDemo(spriteFolder.c_str());
  RunBitmapDemo(spriteFolder.c_str(), frames);
  RunTextDemo(frames);
  RunInputDemo(frames);
  RunSoundDemo(frames);
  RunMidiDemo();
  if (DemoWindowClosed()) printf("demo: the window was closed, the demo ended early\n");
  printf("demo: critical errors: %d\n", ON_ERROR());

  KORVANE_EXIT();

  std::ifstream report("korvane_demo.txt");
  std::cout << "demo: report korvane_demo.txt follows\n" << report.rdbuf();
  return 0;
}
