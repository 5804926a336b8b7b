// The demo's media part: the media window over the display mode, a video
// opened, centred, played until the window reports it stopped, and the
// display surfaces given back. Headless on the portable platform, the clock
// is virtual (20 ms a poll), the screen is saved as media_frame.bmp one
// second in and the video's sound is recorded to korvane_video.wav; on Windows
// the polls are real.
#include "demo_media.h"

#include <cstdio>

#include "korvane.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>

#include "machine_clock.h"
#include "machine_display.h"
#include "machine_sound.h"
#endif

namespace {

constexpr int kPollMilliseconds = 20;
// Polls before the demo stops waiting: 30 seconds of video.
constexpr int kMostPolls = 30000 / kPollMilliseconds;
// The poll after which the screen is saved: one second into the video.
constexpr int kSavedPoll = 1000 / kPollMilliseconds;

void WaitOnePoll() {
#ifdef _WIN32
  Sleep(kPollMilliseconds);
#else
  machine::advance_machine_clock(kPollMilliseconds);
#endif
}

#ifndef _WIN32
void PrepareHeadlessMachine() {
  machine::use_virtual_machine_clock();
  // KORVANE_AUDIO_WAV, when set, already records everything.
  const char *named = std::getenv("KORVANE_AUDIO_WAV");
  if (named == nullptr || named[0] == '\0') machine::record_audio_wav("korvane_video.wav");
}
#endif

}  // namespace

void RunMediaDemo(const char *path) {
  if (path == nullptr || path[0] == '\0') {
    printf("demo: no video found, the media window is left out\n");
    return;
  }
#ifndef _WIN32
  PrepareHeadlessMachine();
#endif
  if (CREATE_MEDIA_WINDOW() != 0) {
    printf("demo: the media window could not be made\n");
    return;
  }
  int polls = 0;
  // OPEN_MEDIA answers ShowWindow's result or its warning box's, so the
  // play request tells whether the file opened.
  OPEN_MEDIA(path);
  CENTER_MEDIA_WINDOW();
  const int played = PLAY_MEDIA();
  if (played == 0) {
    while (IS_MEDIA_READY() == 1 && polls < kMostPolls) {
      WaitOnePoll();
      ++polls;
#ifndef _WIN32
      if (polls == kSavedPoll && machine::write_front_buffer_bmp("media_frame.bmp"))
        printf("demo: a frame of the video written to media_frame.bmp\n");
#endif
    }
  }
  char line[160];
  if (played == 0) {
    snprintf(line, sizeof line, "demo: video %s played for %d ms", path, polls * kPollMilliseconds);
  } else {
    snprintf(line, sizeof line, "demo: video %s could not be played (MCI error %d)", path, played);
  }
  FILE_REPORT(line);
  printf("%s\n", line);
  // The display surfaces come back for the scenes after it.
  if (CLOSE_MEDIA() != 0) printf("demo: the display could not be rebuilt\n");
  CLOSE_MEDIA_WINDOW();
#ifndef _WIN32
  const char *named = std::getenv("KORVANE_AUDIO_WAV");
  if (named == nullptr || named[0] == '\0') machine::record_audio_wav("");
#endif
}
