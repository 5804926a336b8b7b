/* A Windows host of the MIDI and CD audio exports, run under Wine: a MIDI
   file written here is opened, played, polled, paused, resumed and closed;
   the CD drive is opened where the machine has none. Whatever Wine's MCI
   answers, the library's own state must stay consistent: an open that fails
   leaves no device id, a play that fails leaves nothing playing, and MCI
   failures never raise the critical report. The "verify" phase, a new
   process, checks the report for that. */
#include "wine_host.h"

#include <mmsystem.h>

static const char kReportName[] = "wine_midi_cd";
static const char kReportFile[] = "wine_midi_cd.txt";

static void PutBig32(FILE *file, DWORD value) {
  unsigned char bytes[4] = {(unsigned char)(value >> 24), (unsigned char)(value >> 16), (unsigned char)(value >> 8),
                            (unsigned char)value};
  fwrite(bytes, 1, 4, file);
}

/* Format 0, 96 ticks a quarter at 120 bpm: eight quarter notes (4 s). */
static int WriteMidi(const char *path) {
  static const unsigned char kNote[] = {0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x40};
  static const unsigned char kEnd[] = {0x00, 0xFF, 0x2F, 0x00};
  static const unsigned char kHeader[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
  FILE *file = fopen(path, "wb");
  if (file == NULL) return 0;
  fwrite(kHeader, 1, sizeof kHeader, file);
  fwrite("MTrk", 1, 4, file);
  PutBig32(file, 8 * sizeof kNote + sizeof kEnd);
  for (int i = 0; i < 8; ++i) fwrite(kNote, 1, sizeof kNote, file);
  fwrite(kEnd, 1, sizeof kEnd, file);
  fclose(file);
  return 1;
}

static void Pump(void) {
  MSG message;
  while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

static void MidiSession(void) {
  const int id = kv.MIDI_OPEN("tune.mid");
  printf("MIDI_OPEN: %d\n", id);
  if (id == 0) {
    /* No sequencer here: every request goes to device 0 and fails. */
    CHECK(kv.MIDI_PLAY() != 0);
    CHECK(kv.IS_MIDI_READY() == 0);
    CHECK(kv.MIDI_RESUME() != 0);
    CHECK(kv.IS_MIDI_READY() == 0);
    kv.MIDI_CLOSE();
    return;
  }
  const int played = kv.MIDI_PLAY();
  printf("MIDI_PLAY: %d\n", played);
  CHECK(kv.IS_MIDI_READY() == (played == 0));
  Sleep(300);
  Pump();
  const int paused = kv.MIDI_PAUSE();
  printf("MIDI_PAUSE: %d\n", paused);
  if (played == 0 && paused == 0) CHECK(kv.IS_MIDI_READY() == 1);
  const int resumed = kv.MIDI_RESUME();
  printf("MIDI_RESUME: %d\n", resumed);
  if (played == 0) CHECK(kv.IS_MIDI_READY() == 1);
  CHECK(kv.MIDI_STOP() == 0);
  CHECK(kv.IS_MIDI_READY() == 0);
  CHECK(kv.MIDI_CLOSE() == 0);
  /* Closed: requests go to device 0 again. */
  CHECK(kv.MIDI_PLAY() != 0);
  CHECK(kv.IS_MIDI_READY() == 0);
}

static int Run(HINSTANCE instance) {
  LoadKorvane();
  CatchMessageBoxes();
  HWND window = CreateHostWindow(instance, "Korvane MIDI and CD test");
  CHECK(window != NULL);
  CHECK(WriteMidi("tune.mid"));
  CHECK(kv.REPORT_MODE(kReportName, 1) == (int)strlen(kReportFile));
  CHECK(kv.KORVANE_INIT(window, instance) == 0);

  MidiSession();

  /* No drive on this machine: MCI's error is returned, and no id is kept,
     so CD requests go to device 0 and fail rather than reaching another
     device. */
  const int opened = kv.CD_OPEN();
  printf("CD_OPEN: %d\n", opened);
  if (opened != 0) {
    CHECK(opened > 0);
    CHECK(kv.CD_GETNUMTRACKS() == 0);
    CHECK(kv.MIDI_OPEN("tune.mid") >= 0);
    CHECK(kv.CD_STOP() != 0);
    kv.MIDI_CLOSE();
  } else {
    CHECK(kv.CD_CLOSE() == 0);
  }
  CHECK(gBoxesCaught == 0);
  CHECK(kv.ON_ERROR() == 0);
  kv.KORVANE_EXIT();
  return FinishChecks();
}

static int Verify(void) {
  static char report[65536];
  size_t size = ReadWholeFile(kReportFile, report, sizeof report - 1);
  CHECK(size > 0);
  report[size] = '\0';
  /* Failing MCI requests raise no critical report, which would name the
     result from the multimedia table. */
  CHECK(strstr(report, "!!! MMSYSERR") == NULL);
  CHECK(strstr(report, "!!! MCIERR") == NULL);
  return FinishChecks();
}

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], "verify") == 0) return Verify();
  return Run(GetModuleHandleA(NULL));
}
