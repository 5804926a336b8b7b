// The media window: an AVI opened, its frames reaching the screen inside the
// window's rectangle only, its end reached; placement and centring; the
// display surfaces released while the window exists and rebuilt after
// CLOSE_MEDIA; broken and missing files refused with MCI's codes; the
// video's sound in the capture; playing under real time while the host
// moves and closes the window.
#include <windows.h>
#include <mmsystem.h>
#include <vfw.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/state_reset.h"
#include "display/display_state.h"
#include "machine.h"
#include "machine_clock.h"
#include "machine_display.h"
#include "machine_sound.h"
#include "machine_windows.h"
#include "mciwnd/video_file.h"
#include "media/media_window.h"
#include "support/display_test.h"

namespace {

std::string TestAvi() {
  const char *root = std::getenv("KORVANE_TESTDATA");
  const std::string path = std::string(root != nullptr ? root : "../shared/testdata") + "/avi/goaudio-sample.avi";
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? path : std::string();
}

class MediaWindowTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    machine::use_virtual_machine_clock();
  }

  void StartWithWindow() {
    StartInMode(640, 480, 16);
    ASSERT_EQ(CREATE_MEDIA_WINDOW(), 0);
    ASSERT_NE(ghMediaWindow, nullptr);
  }

  // Advances in frame-sized steps until the media stops; false after `limitMs`.
  bool PlayToEnd(double limitMs) {
    for (double spent = 0; spent < limitMs; spent += 20) {
      if (IS_MEDIA_READY() == 0) return true;
      machine::advance_machine_clock(20);
    }
    return IS_MEDIA_READY() == 0;
  }
};

TEST_F(MediaWindowTest, SurfacesAreReleasedWhileTheWindowExistsAndRebuiltOnceByClose) {
  StartWithWindow();
  EXPECT_EQ(glpDDSPrimary, nullptr);
  EXPECT_EQ(glpDDSBack, nullptr);
  EXPECT_EQ(CLOSE_MEDIA(), 0);
  ASSERT_NE(glpDDSPrimary, nullptr);
  const LPDIRECTDRAWSURFACE7 rebuilt = glpDDSPrimary;
  // A second close in the same window leaves the working display alone.
  EXPECT_EQ(CLOSE_MEDIA(), 0);
  EXPECT_EQ(glpDDSPrimary, rebuilt);
  EXPECT_EQ(machine::live_directdraw_surfaces(), 2);
}

TEST_F(MediaWindowTest, MissingAndBrokenFilesAreRefusedWithAWarningBox) {
  StartWithWindow();
  WriteWholeFile("broken.avi", std::string("RIFF\x10\0\0\0AVI LIST", 16) + std::string(64, '\x7f'));
  WriteWholeFile("empty.avi", "");
  const struct {
    const char *name;
    LRESULT code;
  } cases[] = {{"missing.avi", MCIERR_FILE_NOT_FOUND}, {"broken.avi", MCIERR_INVALID_FILE},
               {"empty.avi", MCIERR_INVALID_FILE}, {".", MCIERR_INVALID_FILE}};
  for (const auto &each : cases) {
    SCOPED_TRACE(each.name);
    EXPECT_EQ(SendMessageA(ghMediaWindow, MCIWNDM_OPENA, 0, reinterpret_cast<LPARAM>(each.name)), each.code);
    const size_t boxes = machine::message_boxes().size();
    EXPECT_EQ(OPEN_MEDIA(each.name), IDOK);
    ASSERT_EQ(machine::message_boxes().size(), boxes + 1);
    EXPECT_EQ(machine::message_boxes().back().text, "Unable to open Media");
    EXPECT_EQ(gMediaOpen, 0);
    EXPECT_TRUE(machine::window_shown(ghMediaWindow));  // as it was made
  }
  EXPECT_EQ(OPEN_MEDIA(nullptr), IDOK);
  // Nothing open: play fails and readiness does not wait for it.
  EXPECT_EQ(PLAY_MEDIA(), MCIERR_INVALID_DEVICE_ID);
  EXPECT_EQ(IS_MEDIA_READY(), 0);
}

TEST_F(MediaWindowTest, TheAviPlaysInsideItsWindowToItsEnd) {
  const std::string avi = TestAvi();
  if (avi.empty()) GTEST_SKIP() << "test data not present";
  StartWithWindow();
  const machine::FrontBuffer before = machine::front_buffer();
  EXPECT_EQ(before.width, 0u);  // nothing drawn on the screen yet
  EXPECT_EQ(OPEN_MEDIA(avi.c_str()), TRUE);  // ShowWindow: MCIWnd windows are made visible
  EXPECT_EQ(gMediaOpen, 1);
  EXPECT_TRUE(machine::window_shown(ghMediaWindow));
  EXPECT_EQ(IS_MEDIA_READY(), 0);  // open, not playing
  EXPECT_EQ(CENTER_MEDIA_WINDOW(), TRUE);
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(ghMediaWindow, &rect));
  EXPECT_EQ(rect.left, 640 / 2 - 80 / 2);
  EXPECT_EQ(rect.top, 480 / 2 - 60 / 2);
  EXPECT_EQ(rect.right - rect.left, 80);
  EXPECT_EQ(rect.bottom - rect.top, 60);

  EXPECT_EQ(PLAY_MEDIA(), 0);
  EXPECT_EQ(IS_MEDIA_READY(), 1);
  machine::advance_machine_clock(500);
  const machine::FrontBuffer shown = machine::front_buffer();
  ASSERT_EQ(shown.width, 640u);
  ASSERT_EQ(shown.height, 480u);
  unsigned coloured = 0, outside = 0;
  for (unsigned y = 0; y < shown.height; ++y) {
    for (unsigned x = 0; x < shown.width; ++x) {
      const bool inside = x >= static_cast<unsigned>(rect.left) && x < static_cast<unsigned>(rect.right) &&
                          y >= static_cast<unsigned>(rect.top) && y < static_cast<unsigned>(rect.bottom);
      if (shown.pixel(x, y) == 0) continue;
      (inside ? coloured : outside) += 1;
    }
  }
  EXPECT_GT(coloured, 80u * 60u / 2);  // the picture, not a black window
  EXPECT_EQ(outside, 0u);              // the rest keeps the black display
  // 50 frames at 15 a second: over in 3.4 s of machine time.
  EXPECT_TRUE(PlayToEnd(4000));
  EXPECT_EQ(SendMessageA(ghMediaWindow, MCIWNDM_GETMODEA, 0, 0), MCI_MODE_STOP);
  EXPECT_EQ(CLOSE_MEDIA(), 0);
  EXPECT_FALSE(machine::window_shown(ghMediaWindow));
  EXPECT_NE(glpDDSPrimary, nullptr);
}

TEST_F(MediaWindowTest, PlacementKeepsTheSizeAndRepaintsTheHost) {
  const std::string avi = TestAvi();
  if (avi.empty()) GTEST_SKIP() << "test data not present";
  StartWithWindow();
  ASSERT_EQ(OPEN_MEDIA(avi.c_str()), TRUE);
  ASSERT_EQ(gMediaOpen, 1);
  for (int repeat = 0; repeat < 2; ++repeat) {
    EXPECT_EQ(SET_MEDIA_WINDOWPOS(100, 50), TRUE);
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(ghMediaWindow, &rect));
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 50);
    EXPECT_EQ(rect.right, 180);
    EXPECT_EQ(rect.bottom, 110);
  }
  EXPECT_EQ(machine::window_invalidations(Window()), 2u);
  EXPECT_EQ(machine::window_repaints(Window()), 2u);
}

TEST_F(MediaWindowTest, ClosingTheWindowSendsOnlyWhatIsOpenAndForgetsItsHandle) {
  StartWithWindow();
  const HWND first = ghMediaWindow;
  EXPECT_EQ(CLOSE_MEDIA_WINDOW(), 0);
  EXPECT_EQ(machine::window_messages(first), std::vector<unsigned>{WM_CLOSE});
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(ghMediaWindow, nullptr);
  const std::string avi = TestAvi();
  if (avi.empty()) return;
  // A second window with media open gets MCI_CLOSE before WM_CLOSE, and the
  // display comes back after its media closes.
  ASSERT_EQ(CREATE_MEDIA_WINDOW(), 0);
  const HWND second = ghMediaWindow;
  ASSERT_EQ(OPEN_MEDIA(avi.c_str()), TRUE);
  ASSERT_EQ(gMediaOpen, 1);
  EXPECT_EQ(CLOSE_MEDIA(), 0);
  ASSERT_EQ(OPEN_MEDIA(avi.c_str()), FALSE);  // hidden by CLOSE_MEDIA
  ASSERT_EQ(gMediaOpen, 1);
  EXPECT_EQ(CLOSE_MEDIA_WINDOW(), 0);
  const std::vector<unsigned> sent = machine::window_messages(second);
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[sent.size() - 2], static_cast<unsigned>(MCI_CLOSE));
  EXPECT_EQ(sent.back(), static_cast<unsigned>(WM_CLOSE));
  EXPECT_FALSE(IsWindow(second));
}

TEST_F(MediaWindowTest, WithoutAWindowNothingPassesForOpenOrPlaying) {
  const std::string avi = TestAvi();
  StartInMode(640, 480, 16);
  // Before any window, and after one closed while its media played.
  for (int closedWhilePlaying = 0; closedWhilePlaying < 2; ++closedWhilePlaying) {
    SCOPED_TRACE(closedWhilePlaying);
    if (closedWhilePlaying) {
      if (avi.empty()) GTEST_SKIP() << "test data not present";
      ASSERT_EQ(CREATE_MEDIA_WINDOW(), 0);
      ASSERT_EQ(OPEN_MEDIA(avi.c_str()), TRUE);
      ASSERT_EQ(PLAY_MEDIA(), 0);
      ASSERT_EQ(IS_MEDIA_READY(), 1);
      ASSERT_EQ(CLOSE_MEDIA_WINDOW(), 0);
    }
    EXPECT_EQ(gMediaOpen, 0);
    EXPECT_EQ(IS_MEDIA_READY(), 0);
    EXPECT_EQ(PLAY_MEDIA(), MCIERR_NO_WINDOW);
    EXPECT_EQ(IS_MEDIA_READY(), 0);
    const size_t boxes = machine::message_boxes().size();
    EXPECT_EQ(OPEN_MEDIA(avi.empty() ? "any.avi" : avi.c_str()), IDOK);
    ASSERT_EQ(machine::message_boxes().size(), boxes + 1);
    EXPECT_EQ(machine::message_boxes().back().text, "Unable to open Media");
    EXPECT_EQ(gMediaOpen, 0);
    // The display comes back all the same.
    EXPECT_EQ(CLOSE_MEDIA(), 0);
    EXPECT_NE(glpDDSPrimary, nullptr);
  }
}

TEST_F(MediaWindowTest, FailedCreationDestroysTheHostWindow) {
  StartInMode(640, 480, 16);
  machine::fail_next("MCIWndCreateA", 1, 0);
  EXPECT_EQ(CREATE_MEDIA_WINDOW(), 1);
  EXPECT_TRUE(machine::window_destroyed(Window()));
}

TEST_F(MediaWindowTest, TheVideosSoundReachesTheCaptureWithoutDirectSound) {
  const std::string avi = TestAvi();
  if (avi.empty()) GTEST_SKIP() << "test data not present";
  // The track as the window decodes it: 16-bit stereo at the mixer's rate.
  std::unique_ptr<platform::VideoFile> file;
  ASSERT_EQ(platform::VideoFile::Open(avi, &file), 0u);
  ASSERT_EQ(file->audioStreams(), 1);
  std::vector<int16_t> track;
  ASSERT_TRUE(file->DecodeSound(1, SIZE_MAX, &track));
  ASSERT_GT(track.size(), static_cast<size_t>(platform::kVideoSoundRate) * 2);  // over a second
  size_t loud = 0;
  for (int16_t sample : track) loud += sample > 1024 || sample < -1024;
  ASSERT_GT(loud, track.size() / 20) << "the track should not be near silence";

  machine::capture_audio(true);
  StartWithWindow();  // no DSOUND_INIT: the mixer runs for the video alone
  ASSERT_EQ(OPEN_MEDIA(avi.c_str()), TRUE);
  EXPECT_FALSE(machine::audio_engine_running());
  EXPECT_EQ(PLAY_MEDIA(), 0);
  EXPECT_TRUE(machine::audio_engine_running());
  ASSERT_TRUE(PlayToEnd(6000));
  EXPECT_EQ(machine::sound_output_format().nSamplesPerSec, static_cast<DWORD>(platform::kVideoSoundRate));
  EXPECT_EQ(machine::sound_output_format().nChannels, 2);

  // The mix begins when the play does, so the capture starts with the track
  // sample for sample, and holds all of it.
  const std::vector<short> captured = machine::captured_samples();
  ASSERT_GE(captured.size(), track.size());
  size_t differing = 0;
  for (size_t i = 0; i < track.size(); ++i) differing += captured[i] != track[i];
  EXPECT_EQ(differing, 0u);
  // Once the track is over, the capture holds silence only.
  size_t after = 0;
  for (size_t i = track.size(); i < captured.size(); ++i) after += captured[i] != 0;
  EXPECT_EQ(after, 0u);
}

TEST_F(MediaWindowTest, AResetAfterTheSoundStoppedLeavesTheMixerIdle) {
  const std::string avi = TestAvi();
  if (avi.empty()) GTEST_SKIP() << "test data not present";
  StartWithWindow();
  ASSERT_EQ(OPEN_MEDIA(avi.c_str()), TRUE);
  ASSERT_EQ(PLAY_MEDIA(), 0);
  machine::advance_machine_clock(100);
  EXPECT_TRUE(machine::audio_engine_running());
  // The sound stops between two mixes; the reset comes before the next.
  EXPECT_EQ(CLOSE_MEDIA_WINDOW(), 0);
  korvane::ResetLibraryStateForTests(machine::reset);
  EXPECT_FALSE(machine::audio_engine_running());
}

TEST_F(MediaWindowTest, PlayingUnderRealTimeSurvivesTheHostMovingAndClosingTheWindow) {
  const std::string avi = TestAvi();
  if (avi.empty()) GTEST_SKIP() << "test data not present";
  machine::use_real_machine_clock();
  machine::capture_audio(true);
  StartWithWindow();
  // The pacer's and the mixer's threads draw and mix while the host moves,
  // replays, reopens and closes; nothing here waits for any of them.
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(OPEN_MEDIA(avi.c_str()), TRUE);
    EXPECT_EQ(PLAY_MEDIA(), 0);
    for (int step = 0; step < 8; ++step) {
      EXPECT_EQ(SET_MEDIA_WINDOWPOS(step * 7, step * 3), TRUE);
      const int ready = IS_MEDIA_READY();
      EXPECT_TRUE(ready == 0 || ready == 1);
      (void)machine::front_buffer();
      (void)machine::captured_samples();
    }
    EXPECT_EQ(CENTER_MEDIA_WINDOW(), TRUE);
    EXPECT_EQ(CLOSE_MEDIA(), 0);
    EXPECT_NE(glpDDSPrimary, nullptr);
    ASSERT_EQ(CLOSE_MEDIA_WINDOW(), 0);
    ASSERT_EQ(CREATE_MEDIA_WINDOW(), 0);
  }
  ASSERT_EQ(OPEN_MEDIA(avi.c_str()), TRUE);
  EXPECT_EQ(PLAY_MEDIA(), 0);
  // Closing the window while it plays stops the picture and the sound.
  EXPECT_EQ(CLOSE_MEDIA_WINDOW(), 0);
  EXPECT_EQ(ghMediaWindow, nullptr);
}

}  // namespace
