/* A Windows host of the media window, run under Wine: a full-screen mode,
   the MCIWnd window made over it, an AVI opened, played and polled until it
   stops, the media and the window closed, and the display usable again.
   The AVI's path is the argument after the phase; without it (or without
   the file) the host skips. The "verify" phase, a new process, reads the
   report the first left open. */
#include "wine_host.h"

static const char kReportName[] = "wine_media";
static const char kReportFile[] = "wine_media.txt";

/* ctest's code for a skipped test. */
enum { kSkipped = 77 };
/* How long the video may play before the test gives up on its end. */
enum { kPlayLimitMs = 30000 };

/* A path as this Windows sees it: a Unix path (from the build) is reached
   through Wine's drive Z:, which maps the root of the file system. */
static void WindowsPath(const char *given, char *path, size_t size) {
  if (given[0] == '/') {
    snprintf(path, size, "Z:%s", given);
    for (char *each = path; *each != '\0'; ++each) {
      if (*each == '/') *each = '\\';
    }
  } else {
    snprintf(path, size, "%s", given);
  }
}

static int FileExists(const char *path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

/* Dispatches the thread's messages (MCIWnd's timers and paints among them)
   for about `milliseconds`. */
static void PumpMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}

/* The display draws again: a clear and a flip (which may wait for the
   previous one) succeed. */
static void CheckDisplayWorks(void) {
  CHECK(kv.CLEAR_SURFACE(0) == 0);
  int flipped = 0;
  for (int i = 0; i < 50 && !flipped; ++i) {
    flipped = kv.SURFACE_FLIP() == 0;
    if (!flipped) Sleep(5);
  }
  CHECK(flipped);
  CHECK(kv.CLEAR_PRIM_SURFACE(0) == 0);
}

static int Run(HINSTANCE instance, const char *avi) {
  LoadKorvane();
  CatchMessageBoxes();
  HWND window = CreateHostWindow(instance, "Korvane media test");
  CHECK(window != NULL);
  CHECK(kv.REPORT_MODE(kReportName, 1) == (int)strlen(kReportFile));
  CHECK(kv.KORVANE_INIT(window, instance) == 0);
  CHECK(kv.DDRAW_INIT() == 0);
  CHECK(kv.SET_VIDEO_MODE(1024, 768, 32) == 0);
  CheckDisplayWorks();

  CHECK(kv.CREATE_MEDIA_WINDOW() == 0);
  /* The library gave up its surfaces to the window. */
  CHECK(kv.SURFACE_LOCK() != 0);
  CHECK(kv.IS_MEDIA_READY() == 0);
  /* ShowWindow's answer: an MCIWnd window is visible from the start. */
  CHECK(kv.OPEN_MEDIA(avi) != 0);
  CHECK(gBoxesCaught == 0);
  CHECK(kv.IS_MEDIA_READY() == 0);
  CHECK(kv.CENTER_MEDIA_WINDOW() != 0);

  CHECK(kv.PLAY_MEDIA() == 0);
  const DWORD start = GetTickCount();
  int ready = kv.IS_MEDIA_READY();
  CHECK(ready == 1);
  while (ready == 1 && GetTickCount() - start < kPlayLimitMs) {
    PumpMessages(50);
    ready = kv.IS_MEDIA_READY();
  }
  const DWORD played = GetTickCount() - start;
  printf("the video played for %lu ms\n", (unsigned long)played);
  CHECK(ready == 0);
  /* 50 frames at 15 a second. */
  CHECK(played >= 2000);

  CHECK(kv.CLOSE_MEDIA() == 0);
  /* A second media in the same window, hidden by the close and shown again;
     its close leaves the display the first close rebuilt. */
  CHECK(kv.OPEN_MEDIA(avi) == 0);
  CHECK(gBoxesCaught == 0);
  CHECK(kv.CLOSE_MEDIA() == 0);
  CHECK(kv.CLOSE_MEDIA_WINDOW() == 0);
  /* The window is gone: nothing plays, nothing is waited for. */
  CHECK(kv.PLAY_MEDIA() == MCIERR_NO_WINDOW);
  CHECK(kv.IS_MEDIA_READY() == 0);
  PumpMessages(50);
  CheckDisplayWorks();
  kv.FILE_REPORT("host: the display drew again");

  CHECK(gBoxesCaught == 0);
  CHECK(kv.ON_ERROR() == 0);
  CHECK(kv.DDRAW_RELEASE() == 0);
  kv.KORVANE_EXIT();
  return FinishChecks();
}

static int Verify(void) {
  static char report[16384];
  size_t size = ReadWholeFile(kReportFile, report, sizeof report);
  CHECK(size > 0);
  CHECK(strstr(report, "\nhost: the display drew again\n") != NULL);
  CHECK(strstr(report, "!!!") == NULL);
  CHECK(strstr(report, " ! - ") == NULL);
  return FinishChecks();
}

int main(int argc, char **argv) {
  char avi[MAX_PATH];
  WindowsPath(argc > 2 ? argv[2] : "", avi, sizeof avi);
  if (avi[0] == '\0' || !FileExists(avi)) {
    printf("skipped: no AVI at \"%s\"\n", avi);
    return kSkipped;
  }
  if (argc > 1 && strcmp(argv[1], "verify") == 0) return Verify();
  return Run(GetModuleHandleA(NULL), avi);
}
