// CD audio on a virtual disc of WAVE files: TMSF play ranges to the end of
// the disc (the last track's frames dropped), next/previous wrapping, out of
// range tracks, pause and resume positions, the tracks' sound, and a
// failed open that leaves no device id behind.
#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "korvane.h"
#include "machine.h"
#include "machine_clock.h"
#include "machine_media.h"
#include "machine_sound.h"
#include "media/cd_audio.h"
#include "support/test_machine.h"
#include "support/wave_builder.h"

namespace {

class CdTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    machine::use_virtual_machine_clock();
    machine::capture_audio(true);
    ASSERT_EQ(KORVANE_INIT(reinterpret_cast<HWND>(0x7200), nullptr), 0);
  }
  // Three stereo 16-bit tracks at 44100 Hz, each at its own constant level:
  // 2.5 s, 1.2 s and 3.4 s.
  void InsertDisc() {
    const double seconds[] = {2.5, 1.2, 3.4};
    std::vector<std::string> files;
    for (int t = 0; t < 3; ++t) {
      WaveRecipe recipe;
      recipe.channels = 2;
      recipe.data = Samples16(std::vector<int16_t>(static_cast<size_t>(seconds[t] * 44100) * 2, int16_t(1000 * (t + 1))));
      files.push_back("track" + std::to_string(t + 1) + ".wav");
      WriteWholeFile(files.back(), BuildWave(recipe));
    }
    WriteWholeFile("notes.txt", "not a track");
    ASSERT_TRUE(machine::insert_cd_folder("."));
    ASSERT_EQ(machine::cd_track_count(), 3);
  }
  static machine::MciRequest LastPlay() {
    machine::MciRequest last{};
    for (const machine::MciRequest &request : machine::mci_requests()) {
      if (request.message == MCI_PLAY) last = request;
    }
    return last;
  }
  static int Count(UINT message) {
    int count = 0;
    for (const machine::MciRequest &request : machine::mci_requests()) count += request.message == message;
    return count;
  }
};

TEST_F(CdTest, FailedOpenKeepsNoIdSoLaterRequestsReachNoOtherDevice) {
  EXPECT_EQ(CD_OPEN(), MCIERR_DEVICE_NOT_READY);
  EXPECT_EQ(gCDDeviceID, 0u);
  // Another device takes the first id; CD requests still go to device 0.
  InsertDisc();
  MCI_OPEN_PARMSA open{};
  open.lpstrDeviceType = "cdaudio";
  ASSERT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open)), 0u);
  EXPECT_EQ(CD_STOP(), MCIERR_INVALID_DEVICE_ID);
  EXPECT_EQ(CD_PLAY(), MCIERR_INVALID_DEVICE_ID);
  mciSendCommandA(open.wDeviceID, MCI_CLOSE, 0, 0);
}

TEST_F(CdTest, TrackPlaysRunToTheLastTracksWholeSecondsAndWrap) {
  InsertDisc();
  ASSERT_EQ(CD_OPEN(), 0);
  machine::clear_mci_requests();
  EXPECT_EQ(CD_GETNUMTRACKS(), 3);
  EXPECT_TRUE(machine::mci_requests().empty());
  const DWORD endOfDisc = MCI_MAKE_TMSF(3, 0, 3, 0);  // 3.4 s: the 30 frames past 0:03 are dropped
  struct Case {
    const char *what;
    int (*play)();
    DWORD from;
  } cases[] = {
      {"track 2", [] { return CD_PLAYTRACK(2); }, MCI_MAKE_TMSF(2, 0, 0, 0)},
      {"next after 2", CD_TRACKNEXT, MCI_MAKE_TMSF(3, 0, 0, 0)},
      {"next after the last wraps", CD_TRACKNEXT, MCI_MAKE_TMSF(1, 0, 0, 0)},
      {"previous before 1 wraps", CD_TRACKPREVIOUS, MCI_MAKE_TMSF(3, 0, 0, 0)},
      {"previous after 3", CD_TRACKPREVIOUS, MCI_MAKE_TMSF(2, 0, 0, 0)},
  };
  for (const Case &each : cases) {
    SCOPED_TRACE(each.what);
    EXPECT_EQ(each.play(), 0);
    const machine::MciRequest play = LastPlay();
    EXPECT_EQ(play.flags, static_cast<DWORD>(MCI_FROM | MCI_TO));
    EXPECT_EQ(play.from, each.from);
    EXPECT_EQ(play.to, endOfDisc);
    EXPECT_EQ(CD_GETCURRENTTRACK(), MCI_TMSF_TRACK(each.from));
  }
  for (int track : {0, 4, -1}) {
    SCOPED_TRACE(track);
    machine::clear_mci_requests();
    EXPECT_EQ(CD_PLAYTRACK(track), 0);  // the length query's result
    EXPECT_EQ(Count(MCI_STOP), 1);
    EXPECT_EQ(Count(MCI_STATUS), 1);
    EXPECT_EQ(Count(MCI_PLAY), 0);
  }
  EXPECT_EQ(CD_CLOSE(), 0);
  EXPECT_EQ(gCDDeviceID, 0u);
}

TEST_F(CdTest, PauseHoldsThePositionAndTheTracksSoundFollowsInOrder) {
  InsertDisc();
  ASSERT_EQ(CD_OPEN(), 0);
  ASSERT_EQ(CD_PLAYTRACK(1), 0);
  machine::advance_machine_clock(2000);
  ASSERT_EQ(CD_PAUSE(), 0);
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_POSITION;
  ASSERT_EQ(mciSendCommandA(gCDDeviceID, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)), 0u);
  const DWORD paused = static_cast<DWORD>(status.dwReturn);
  EXPECT_EQ(paused, MCI_MAKE_TMSF(1, 0, 2, 0));
  machine::advance_machine_clock(1000);
  ASSERT_EQ(mciSendCommandA(gCDDeviceID, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)), 0u);
  EXPECT_EQ(static_cast<DWORD>(status.dwReturn), paused);
  EXPECT_EQ(CD_RESUME(), 0);
  machine::advance_machine_clock(1000);  // 0.5 s more of track 1, then 0.5 s of track 2
  EXPECT_EQ(CD_GETCURRENTTRACK(), 2);
  // The capture: exactly 2.5 s of track 1's level (the pause only adds
  // silence), then track 2's.
  const std::vector<short> samples = machine::captured_samples();
  size_t track1 = 0, firstOfTrack2 = 0;
  for (size_t i = 0; i < samples.size(); i += 2) {
    if (samples[i] == 1000) ++track1;
    if (samples[i] == 2000 && firstOfTrack2 == 0) firstOfTrack2 = i;
  }
  EXPECT_EQ(track1, 110250u);
  ASSERT_NE(firstOfTrack2, 0u);
  EXPECT_EQ(samples[firstOfTrack2 - 2], 1000);  // no gap between the tracks
  // Played out to the end: stopped, and silence after.
  machine::advance_machine_clock(5000);
  status.dwItem = MCI_STATUS_MODE;
  ASSERT_EQ(mciSendCommandA(gCDDeviceID, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)), 0u);
  EXPECT_EQ(status.dwReturn, static_cast<DWORD_PTR>(MCI_MODE_STOP));
  EXPECT_EQ(machine::captured_samples().back(), 0);
  EXPECT_EQ(CD_CLOSE(), 0);
}

TEST_F(CdTest, EjectedDiscIsNotReadyAndTimeFormatsAgree) {
  InsertDisc();
  ASSERT_EQ(CD_OPEN(), 0);
  MCI_SET_PARMS set{};
  set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
  ASSERT_EQ(mciSendCommandA(gCDDeviceID, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)), 0u);
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_LENGTH;
  ASSERT_EQ(mciSendCommandA(gCDDeviceID, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)), 0u);
  EXPECT_EQ(status.dwReturn, 7093u);  // 187 + 90 + 255 = 532 frames
  set.dwTimeFormat = MCI_FORMAT_BYTES;
  EXPECT_EQ(mciSendCommandA(gCDDeviceID, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)),
            static_cast<MCIERROR>(MCIERR_BAD_TIME_FORMAT));
  machine::eject_cd();
  EXPECT_EQ(CD_PLAY(), MCIERR_DEVICE_NOT_READY);
  EXPECT_EQ(CD_CLOSE(), 0);
}

}  // namespace
