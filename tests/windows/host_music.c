/* A Windows host of the module-music exports, run under Wine: the player
   prepared by DSOUND_INIT, a MOD, an S3M, an XM and a UNI file loaded, one
   played for a second with its position and tempo read as it moves, the
   position requests, and the shutdown in the host's order. The "verify"
   phase, a new process, checks the report lines the first wrote. The
   modules' folder is the second argument; without it the test is skipped. */
#include <dsound.h>

#include "wine_host.h"

static const char kReportName[] = "wine_music";
static const char kReportFile[] = "wine_music.txt";
enum { kSkipped = 77 };

static int FileExists(const char *path) {
  FILE *file = fopen(path, "rb");
  if (file == NULL) return 0;
  fclose(file);
  return 1;
}

static int Run(HINSTANCE instance, const char *folder) {
  static const char *const kModules[] = {"tuxmath-game3.mod", "openmpt-test.s3m", "openmpt-test.xm",
                                         "openmpt-test-mod.uni"};
  char paths[4][MAX_PATH];
  for (int i = 0; i < 4; ++i) {
    snprintf(paths[i], sizeof paths[i], "%s\\%s", folder, kModules[i]);
    if (!FileExists(paths[i])) {
      printf("skipped: no module %s\n", paths[i]);
      remove(kReportFile);
      return kSkipped;
    }
  }
  LoadKorvane();
  CatchMessageBoxes();
  HWND window = CreateHostWindow(instance, "Korvane music test");
  CHECK(window != NULL);
  CHECK(kv.REPORT_MODE(kReportName, 1) == (int)strlen(kReportFile));
  CHECK(kv.KORVANE_INIT(window, instance) == 0);
  CHECK(kv.MODPLAYER_INIT() == 0); /* no DirectSound yet */
  CHECK(kv.DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0) == 0);
  CHECK(kv.MODPLAYER_INIT() == 1);

  for (int i = 0; i < 4; ++i) {
    const int loaded = kv.LOAD_MOD(paths[i], i + 1);
    if (loaded != 0) printf("could not load %s\n", paths[i]);
    CHECK(loaded == 0);
  }
  CHECK(kv.LOAD_MOD(paths[0], 1) == 1);
  CHECK(kv.LOAD_MOD("absent.mod", 9) == 1);

  kv.PLAY_MOD(1, 1);
  int rowsSeen = 0, lastRow = -1, tempo = 0, speed = 0;
  for (int i = 0; i < 20; ++i) {
    Sleep(50);
    const int row = kv.GET_MOD_SNGPOS() * 64 + kv.GET_MOD_PATPOS();
    if (row != lastRow) ++rowsSeen;
    lastRow = row;
    tempo = kv.GET_MOD_BPM();
    speed = kv.GET_MOD_SNGSPD();
  }
  printf("rows seen %d, tempo %d, speed %d\n", rowsSeen, tempo, speed);
  CHECK(rowsSeen >= 4); /* a row lasts 120 ms at speed 6, tempo 125 */
  CHECK(tempo >= 32 && tempo <= 255);
  CHECK(speed >= 1 && speed <= 32);
  CHECK(kv.MOD_READY() == 0);

  kv.MOD_SETPOS(2);
  CHECK(kv.GET_MOD_SNGPOS() == 2);
  Sleep(100);
  CHECK(kv.GET_MOD_SNGPOS() == 2);
  kv.MOD_SETPOS(1000);
  CHECK(kv.MOD_READY() == 1);
  kv.SET_MOD_VOL(250);
  kv.STOP_MOD();
  kv.PLAY_MOD(3, 0); /* the XM, from its start */
  Sleep(200);
  CHECK(kv.GET_MOD_SNGPOS() == 0);
  kv.STOP_MOD();
  kv.FREE_MOD(2);
  kv.FREE_MOD(2);
  kv.MODPLAYER_EXIT();
  CHECK(kv.DSOUND_RELEASE() == 0);
  CHECK(gBoxesCaught == 0);
  kv.KORVANE_EXIT();
  return FinishChecks();
}

/* Each line must appear, in this order, as a whole line of the report. */
static const char *const kExpectedLines[] = {
    " !!! Mod id '1' has already been assigned to a mod !!!",
    " !!!Error opening mod file!!!",
    "--- Attempting to free mod id 2 ---",
    " mod id: 2 freed",
    " --- Free mod end ---",
    "--- Attempting to free mod id 2 ---",
    " --- Free mod end ---",
    "### Free All Mods begin ###",
    "--- Attempting to free mod id 4 ---",
    " mod id: 4 freed",
    "--- Attempting to free mod id 3 ---",
    "--- Attempting to free mod id 1 ---",
    " mod id: 1 freed",
    "### Free All Mods end ###",
    "### DIRECTSOUND RELEASE OBJECTS ###",
};

static int Verify(void) {
  static char report[65536];
  char line[512];
  size_t size = ReadWholeFile(kReportFile, report, sizeof report - 1);
  if (size == 0) {
    printf("skipped: the run phase was skipped\n");
    return kSkipped;
  }
  report[size] = '\0';
  const char *at = report;
  for (size_t i = 0; i < sizeof kExpectedLines / sizeof kExpectedLines[0]; ++i) {
    snprintf(line, sizeof line, "\n%s\n", kExpectedLines[i]);
    const char *found = strstr(at, line);
    if (found == NULL) printf("missing in order: \"%s\"\n", kExpectedLines[i]);
    CHECK(found != NULL);
    if (found != NULL) at = found + 1;
  }
  /* No sample failed to upload. */
  CHECK(strstr(report, "ERROR_OUT_OF_HANDLES") == NULL);
  CHECK(strstr(report, "ERROR_SAMPLE_TOO_BIG") == NULL);
  CHECK(strstr(report, "DSERR_") == NULL);
  return FinishChecks();
}

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], "verify") == 0) return Verify();
  return Run(GetModuleHandleA(NULL), argc > 2 ? argv[2] : ".");
}
