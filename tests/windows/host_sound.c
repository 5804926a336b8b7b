/* A Windows host of the sound exports, run under Wine (ALSA's null device):
   DirectSound at levels 1 and 2, the capability queries, a sound with three
   copies, the setters and getters, a streamed wave with its refills, and
   the releases. The "verify" phase, a new process, checks the report lines
   the first wrote. */
#include <dsound.h>
#include <math.h>

#include "wine_host.h"

static const char kReportName[] = "wine_sound";
static const char kReportFile[] = "wine_sound.txt";

static void PutU32(FILE *file, DWORD value) { fwrite(&value, 4, 1, file); }
static void PutU16(FILE *file, WORD value) { fwrite(&value, 2, 1, file); }

/* A 16-bit PCM sine wave file. */
static int WriteWave(const char *path, WORD channels, DWORD rate, DWORD frames) {
  FILE *file = fopen(path, "wb");
  if (file == NULL) return 0;
  const DWORD dataBytes = frames * channels * 2;
  fwrite("RIFF", 1, 4, file);
  PutU32(file, 36 + dataBytes);
  fwrite("WAVEfmt ", 1, 8, file);
  PutU32(file, 16);
  PutU16(file, WAVE_FORMAT_PCM);
  PutU16(file, channels);
  PutU32(file, rate);
  PutU32(file, rate * channels * 2);
  PutU16(file, (WORD)(channels * 2));
  PutU16(file, 16);
  fwrite("data", 1, 4, file);
  PutU32(file, dataBytes);
  for (DWORD i = 0; i < frames; ++i) {
    short value = (short)(8000.0 * sin(i * 0.05));
    for (WORD c = 0; c < channels; ++c) fwrite(&value, 2, 1, file);
  }
  fclose(file);
  return 1;
}

static int Run(HINSTANCE instance) {
  LoadKorvane();
  CatchMessageBoxes();
  HWND window = CreateHostWindow(instance, "Korvane sound test");
  CHECK(window != NULL);
  CHECK(WriteWave("effect.wav", 1, 22050, 11025));
  CHECK(WriteWave("music.wav", 2, 44100, 44100 * 3));

  CHECK(kv.REPORT_MODE(kReportName, 1) == (int)strlen(kReportFile));
  CHECK(kv.KORVANE_INIT(window, instance) == 0);
  CHECK(kv.GET_SWFREQ_MIN() == 100);
  CHECK(kv.GET_SWFREQ_MAX() == 100000);
  CHECK(kv.FREE_DSHWBUFFERS() == 0); /* before DSOUND_INIT */

  /* Normal level, then a fresh start at priority level with a format. */
  CHECK(kv.DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0) == 0);
  CHECK(kv.DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0) == 0); /* already initialised */
  CHECK(kv.DSOUND_RELEASE() == 0);
  CHECK(kv.DSOUND_INIT(DSSCL_PRIORITY, 2, 44100, 16) == 0);
  CHECK(kv.GET_HWFREQ_MIN() >= 0);
  CHECK(kv.GET_HWFREQ_MAX() >= kv.GET_HWFREQ_MIN());
  CHECK(kv.TOTAL_DSHWBYTES() >= kv.FREE_DSHWBYTES());

  /* A sound with three copies: rotation, setters and getters. */
  CHECK(kv.LOAD_SOUND("effect.wav", 1, 3, 0) == 0);
  CHECK(kv.LOAD_SOUND("effect.wav", 1, 1, 0) == 1); /* id in use */
  CHECK(kv.LOAD_SOUND("effect.wav", 2, 1, 1) == 0); /* hardware first */
  CHECK(kv.LOAD_SOUND("absent.wav", 3, 1, 0) == 1);
  CHECK(kv.GET_FREQ(1) == 22050);
  CHECK(kv.PLAY_SOUND(1, -500, 300, 0, 0) == 0);
  CHECK(kv.GET_VOL(1) == 0); /* copy 1 is next and untouched */
  kv.SET_VOL(1, -700);
  CHECK(kv.GET_VOL(1) == -700);
  kv.SET_VOL(1, 500);
  CHECK(kv.GET_VOL(1) == 0);
  kv.SET_PAN(1, -20000);
  CHECK(kv.GET_PAN(1) == -10000);
  kv.SET_FREQ(1, -1000);
  CHECK(kv.GET_FREQ(1) == 21050);
  kv.SET_FREQ(1, -100000);
  CHECK(kv.GET_FREQ(1) == 100);
  CHECK(kv.PLAY_SOUND(1, 0, 0, 0, 0) == 0);
  CHECK(kv.PLAY_SOUND(1, 0, 0, 500, 1) == 0);
  CHECK(kv.PLAY_SOUND(1, 0, 0, 0, 0) == 0); /* copy 0 again */
  CHECK(kv.PLAY_SOUND(9, 0, 0, 0, 0) == 1);
  CHECK(kv.GET_VOL(9) == 0);

  /* A looping stream refilled while it plays. */
  CHECK(kv.SETUP_STREAM_BUFFER("music.wav", 1, 1) == 0);
  CHECK(kv.SETUP_STREAM_BUFFER("music.wav", 1, 0) == 1);
  kv.STREAM_BUFFER_PLAY(1);
  kv.STREAM_BUFFER_VOLUME(1, -300);
  for (int i = 0; i < 30; ++i) {
    kv.STREAM_BUFFER_UPDATE();
    Sleep(50);
  }
  kv.STREAM_BUFFER_STOP(1);
  kv.STREAM_BUFFER_RESUME(1);
  kv.STREAM_BUFFER_UPDATE();
  kv.STREAM_BUFFER_PLAY(7);

  kv.FREE_SOUND(1);
  kv.FREE_SOUND(1);
  kv.STREAM_BUFFER_EXIT();
  CHECK(kv.DSOUND_RELEASE() == 0);
  CHECK(kv.FREE_DSHWBUFFERS() == 0);
  CHECK(gBoxesCaught == 0);
  kv.KORVANE_EXIT();
  return FinishChecks();
}

/* Each line must appear, in this order, as a whole line of the report. */
static const char *const kExpectedLines[] = {
    " Direct Sound Initialized.",
    " --- DirectSound & SoundCard's driver relation info ---",
    " --- End of Info ---",
    " DirectSound already initialized.",
    "### DIRECTSOUND RELEASE OBJECTS ###",
    " --- DirectSound Released ---",
    "###################################",
    " Direct Sound Initialized.",
    "--- effect.wav opened for reading into software memory ---",
    " Local Software Sound Buffer Created.",
    " --- Sound Loaded ---",
    " !!! Sound id '1' has already been assigned to a sound !!!",
    "--- effect.wav opened for reading into hardware memory ---",
    " !!! Cannot open absent.wav",
    " !!! Loading SoundBuffer[0] failed !!!",
    "Setup Stream ID 1 Successfully Created",
    " !!! Stream wave id '1' has already been assigned to a stream wave !!!",
    " !!! Stream wave id '7' not found !!!",
    "   --- Attempting to free sound id 1 ---",
    "   id 1 : lpFileLocation freed ",
    "   --- Sound Sample freed ---",
    "   --- Attempting to free sound id 1 ---",
    " +++ Streamwave_FreeAll begin +++",
    " --> Stream Wave ID 1",
    " Stream Wave id 1 : CurrentName freed ",
    " +++ Streamwave_FreeAll end +++",
    "### DIRECTSOUND RELEASE OBJECTS ###",
    " +++ Sound_FreeAll begin +++",
    "   --- Attempting to free sound id 2 ---",
    " +++ Sound_FreeAll end +++",
    " --- DirectSound Released ---",
};

static int Verify(void) {
  static char report[65536];
  char line[512];
  size_t size = ReadWholeFile(kReportFile, report, sizeof report - 1);
  CHECK(size > 0);
  report[size] = '\0';
  const char *at = report;
  for (size_t i = 0; i < sizeof kExpectedLines / sizeof kExpectedLines[0]; ++i) {
    snprintf(line, sizeof line, "\n%s\n", kExpectedLines[i]);
    const char *found = strstr(at, line);
    if (found == NULL) printf("missing in order: \"%s\"\n", kExpectedLines[i]);
    CHECK(found != NULL);
    if (found != NULL) at = found + 1;
  }
  /* No failure line other than the provoked ones. */
  CHECK(strstr(report, "Couldn't Play") == NULL);
  CHECK(strstr(report, "Failed SetVolume") == NULL);
  CHECK(strstr(report, "Corrupt wave file") == NULL);
  return FinishChecks();
}

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], "verify") == 0) return Verify();
  return Run(GetModuleHandleA(NULL));
}
