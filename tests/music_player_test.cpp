// Module music through the exports: loading and freeing (with every failure
// line), playback at the module's speed and tempo on the tick timer, the
// position requests and getters, the global volume, the file-open dialog,
// and stopping when the host forgets to.
#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/allocation.h"
#include "machine_clock.h"
#include "machine_dialogs.h"
#include "machine_faults.h"
#include "music/module_player.h"
#include "music/tick_timer.h"
#include "music/voice_driver.h"
#include "support/music_test.h"

namespace {

using MusicPlayerTest = MusicTest;

// A song of `orders` positions of one pattern: a note on every channel at
// row 0, and at row 0 of channel 3 the effect given (F: speed or tempo).
ModuleRecipe Song(int orders, uint8_t effect = 0, uint8_t parameter = 0) {
  ModuleRecipe recipe;
  ModuleSample sample;
  sample.data = SquareWave(2000);
  recipe.samples.push_back(sample);
  recipe.orders.assign(static_cast<size_t>(orders), 0);
  recipe.notes = {{{0, 0, 428, 1}, {0, 1, 428, 1}, {0, 2, 428, 1}, {0, 3, 428, 1, effect, parameter}}};
  return recipe;
}

TEST_F(MusicPlayerTest, LoadRefusalsReportAndRegisterNothing) {
  WriteTroubleFiles();  // good.wav among them: a wave file is no module
  WriteWholeFile("empty.mod", "");
  WriteWholeFile("noise.mod", std::string(4000, '\x5a') + "random bytes that are no module at all");
  const std::string whole = BuildModule(Song(2));
  WriteWholeFile("truncated.mod", whole.substr(0, whole.size() - 700));
  WriteWholeFile("header.mod", whole.substr(0, 1084));
  struct Case {
    const char *path;
    LineList lines;
  } cases[] = {
      {"missing.mod", {" !!!Error opening mod file!!!"}},
      {nullptr, {" !!!Error opening mod file!!!"}},
      {"empty.mod", {}},
      {"noise.mod", {}},
      {"truncated.mod", {}},
      {"header.mod", {}},
      {"good.wav", {}},
  };
  const int buffers = machine::live_sound_buffers();
  for (const Case &c : cases) {
    Mark();
    EXPECT_EQ(LOAD_MOD(c.path, 7), 1) << (c.path ? c.path : "null");
    EXPECT_EQ(NewLines(), c.lines) << (c.path ? c.path : "null");
    EXPECT_EQ(machine::live_sound_buffers(), buffers) << "samples uploaded before the failure are released";
  }
  Mark();
  FREE_MOD(7);
  EXPECT_EQ(NewLines(), (LineList{"--- Attempting to free mod id 7 ---", " --- Free mod end ---"}));
}

TEST_F(MusicPlayerTest, RegistryLinesAndFreeAllOrder) {
  const std::string path = WriteModule("song.mod", Song(2));
  ASSERT_EQ(LOAD_MOD(path.c_str(), 1), 0);
  ASSERT_EQ(LOAD_MOD(path.c_str(), 2), 0);
  Mark();
  EXPECT_EQ(LOAD_MOD(path.c_str(), 2), 1);
  EXPECT_EQ(NewLines(), LineList{" !!! Mod id '2' has already been assigned to a mod !!!"});
  Mark();
  MODPLAYER_EXIT();
  EXPECT_EQ(NewLines(), (LineList{"### Free All Mods begin ###", "--- Attempting to free mod id 2 ---",
                                  " mod id: 2 freed", " --- Free mod end ---", "--- Attempting to free mod id 1 ---",
                                  " mod id: 1 freed", " --- Free mod end ---", "### Free All Mods end ###"}));
  EXPECT_EQ(machine::live_sound_buffers(), 1) << "only the primary buffer is left";
}

TEST_F(MusicPlayerTest, FailureRowsOfTheUpload) {
  const std::string path = WriteModule("one.mod", OneNote(SquareWave(800)));
  // The staging copy cannot be allocated.
  korvane::FailAllocationsAfter(0, 1);
  Mark();
  EXPECT_EQ(LOAD_MOD(path.c_str(), 1), 1);
  EXPECT_EQ(NewLines(), LineList{" ERROR_SAMPLE_TOO_BIG"});
  // The staging copy is made, the list node is not.
  korvane::FailAllocationsAfter(1, 1);
  Mark();
  EXPECT_EQ(LOAD_MOD(path.c_str(), 1), 1);
  EXPECT_EQ(NewLines(), LineList{" Out of Memory to store mod into linked list."});
  EXPECT_EQ(machine::live_sound_buffers(), 1);
  korvane::FailAllocationsAfter(0, 0);
  // A master that cannot be made is named and stays empty; the load goes on.
  machine::fail_next("IDirectSound::CreateSoundBuffer", 1, DSERR_OUTOFMEMORY);
  Mark();
  EXPECT_EQ(LOAD_MOD(path.c_str(), 1), 0);
  EXPECT_EQ(NewLines(), LineList{"DSERR_OUTOFMEMORY"});
  PLAY_MOD(1, 0);
  machine::advance_audio_clock(200);
  EXPECT_EQ(RecentRms(150), 0.0) << "a sample without masters is silent";
}

TEST_F(MusicPlayerTest, LostMasterIsRestoredAndFilledOnce) {
  const std::string path = WriteModule("one.mod", OneNote(SquareWave(8000)));
  for (int lost : {1, 2}) {
    SCOPED_TRACE(lost);
    machine::fail_next("IDirectSoundBuffer::Lock", lost, DSERR_BUFFERLOST);
    ASSERT_EQ(LOAD_MOD(path.c_str(), lost), 0);
    PLAY_MOD(lost, 0);
    machine::advance_audio_clock(300);
    // Lost once: restored and filled. Lost twice: the buffer stays unfilled.
    if (lost == 1) {
      EXPECT_GT(RecentRms(200), 1000.0);
    } else {
      EXPECT_EQ(RecentRms(200), 0.0);
    }
    STOP_MOD();
    FREE_MOD(lost);
  }
}

TEST_F(MusicPlayerTest, HandlesRunOutAtTheHundredAndTwentyNinthSample) {
  ModuleRecipe recipe;
  for (int i = 0; i < 31; ++i) recipe.samples.push_back(ModuleSample{SquareWave(64)});
  const std::string path = WriteModule("many.mod", recipe);
  for (int id = 1; id <= 4; ++id) ASSERT_EQ(LOAD_MOD(path.c_str(), id), 0);  // 124 samples
  const int buffers = machine::live_sound_buffers();
  Mark();
  EXPECT_EQ(LOAD_MOD(path.c_str(), 5), 1);
  EXPECT_EQ(NewLines(), LineList{"ERROR_OUT_OF_HANDLES"});
  EXPECT_EQ(machine::live_sound_buffers(), buffers) << "the four samples it uploaded are released";
  FREE_MOD(4);
  EXPECT_EQ(LOAD_MOD(path.c_str(), 5), 0) << "freed handles are taken again";
}

TEST_F(MusicPlayerTest, PositionsAdvanceAtTheModuleSpeedAndTempo) {
  // One row lasts speed x 2475 / tempo ms: 118.8 ms at the defaults.
  struct Case {
    uint8_t effect, parameter;
    int speed, tempo;
  } cases[] = {{0, 0, 6, 125}, {0xF, 3, 3, 125}, {0xF, 255, 6, 255}, {0xF, 100, 6, 100}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.parameter);
    const std::string path = WriteModule("song.mod", Song(4, c.effect, c.parameter));
    ASSERT_EQ(LOAD_MOD(path.c_str(), 1), 0);
    PLAY_MOD(1, 1);
    const double tick = 2475.0 / c.tempo;
    // The timer starts at tempo 125; the first player tick reads the module.
    machine::advance_audio_clock(45);
    EXPECT_EQ(GET_MOD_SNGSPD(), c.speed);
    EXPECT_EQ(GET_MOD_BPM(), c.tempo);
    // 100 ticks from the first: rows 0 ... 100 / speed.
    machine::advance_audio_clock(static_cast<DWORD>(tick * 100));
    const int rows = 100 / c.speed;
    EXPECT_NEAR(GET_MOD_SNGPOS() * 64 + GET_MOD_PATPOS(), rows, 1);
    STOP_MOD();
    FREE_MOD(1);
  }
}

TEST_F(MusicPlayerTest, TimerPeriodFollowsTheTempo) {
  EXPECT_FLOAT_EQ(music::ExactPeriodForTempo(125), 6.6f);
  EXPECT_NEAR(music::ExactPeriodForTempo(255), 3.2353, 1e-4);
  const std::string path = WriteModule("song.mod", Song(4, 0xF, 255));
  ASSERT_EQ(LOAD_MOD(path.c_str(), 1), 0);
  PLAY_MOD(1, 1);
  EXPECT_EQ(machine::live_multimedia_timers(), 1);
  EXPECT_EQ(machine::timer_periods_in_force(), 1);
  EXPECT_EQ(music::gTickTimer.wholePeriod, 6) << "play starts at tempo 125";
  // Firings at 6 and 12 ms: the second passes 6.6 ms and runs the first
  // step (apply); two more steps make the first player tick, which reads
  // tempo 255, and the apply step after it sets the timer.
  MOD_SETBPM(0);
  machine::advance_audio_clock(12);
  EXPECT_EQ(music::gTickTimer.step, 1);
  EXPECT_EQ(music::gTickTimer.wholePeriod, 6) << "tempo 0 keeps the period";
  EXPECT_EQ(machine::live_multimedia_timers(), 1);
  machine::advance_audio_clock(40);
  EXPECT_EQ(GET_MOD_BPM(), 255);
  EXPECT_EQ(music::gTickTimer.wholePeriod, 3);
  EXPECT_NEAR(music::gTickTimer.exactPeriod, 3.2353, 1e-4);
  EXPECT_EQ(machine::live_multimedia_timers(), 1) << "the old timer is killed";
  // A tempo set by the host lasts until the next player tick.
  MOD_SETBPM(60);
  machine::advance_audio_clock(20);
  EXPECT_EQ(music::gTickTimer.appliedTempo, 255);
  STOP_MOD();
  EXPECT_EQ(machine::live_multimedia_timers(), 0);
  EXPECT_EQ(machine::timer_periods_in_force(), 0);
}

TEST_F(MusicPlayerTest, NonLoopingSongEndsAndLoopingSongGoesOn) {
  // One position of 64 rows at speed 1, tempo 255: about 0.62 s.
  const std::string path = WriteModule("short.mod", Song(1, 0xF, 1));
  ASSERT_EQ(LOAD_MOD(path.c_str(), 1), 0);
  for (int loop : {0, 5, -1}) {
    SCOPED_TRACE(loop);
    PLAY_MOD(1, loop);
    EXPECT_EQ(MOD_READY(), 0);
    machine::advance_audio_clock(2000);
    EXPECT_EQ(MOD_READY(), loop == 0 ? 1 : 0);
    EXPECT_EQ(GET_MOD_SNGPOS(), loop == 0 ? 1 : 0);
    if (loop == 0) {
      EXPECT_EQ(machine::live_multimedia_timers(), 1) << "the timer runs until STOP_MOD";
    }
    STOP_MOD();
  }
}

TEST_F(MusicPlayerTest, PositionRequestsAreClampedAndTakeEffectAtTheNextTick) {
  const std::string path = WriteModule("song.mod", Song(20));
  ASSERT_EQ(LOAD_MOD(path.c_str(), 1), 0);
  PLAY_MOD(1, 0);
  machine::advance_audio_clock(500);
  MOD_SETPOS(1000);
  EXPECT_EQ(GET_MOD_SNGPOS(), 20);
  EXPECT_EQ(MOD_READY(), 1);
  MOD_SETPOS(3);
  EXPECT_EQ(GET_MOD_SNGPOS(), 3);
  EXPECT_EQ(MOD_READY(), 0);
  machine::advance_audio_clock(60);
  EXPECT_EQ(GET_MOD_SNGPOS(), 3);
  EXPECT_EQ(GET_MOD_PATPOS(), 0) << "the jump starts the position from its first row";
  MOD_NEXTPOS();
  machine::advance_audio_clock(60);
  EXPECT_EQ(GET_MOD_SNGPOS(), 4);
  MOD_PREVPOS();
  machine::advance_audio_clock(60);
  EXPECT_EQ(GET_MOD_SNGPOS(), 3);
}

TEST_F(MusicPlayerTest, PlayWhilePlayingIsIgnoredAndStopSwitches) {
  ASSERT_EQ(LOAD_MOD(WriteModule("slow.mod", Song(2, 0xF, 10)).c_str(), 1), 0);
  ASSERT_EQ(LOAD_MOD(WriteModule("fast.mod", Song(2, 0xF, 2)).c_str(), 2), 0);
  PLAY_MOD(3, 0);  // not registered
  EXPECT_EQ(machine::live_multimedia_timers(), 0);
  PLAY_MOD(1, 0);
  machine::advance_audio_clock(100);
  EXPECT_EQ(GET_MOD_SNGSPD(), 10);
  PLAY_MOD(2, 0);
  machine::advance_audio_clock(100);
  EXPECT_EQ(GET_MOD_SNGSPD(), 10);
  STOP_MOD();
  STOP_MOD();
  PLAY_MOD(2, 0);
  machine::advance_audio_clock(100);
  EXPECT_EQ(GET_MOD_SNGSPD(), 2);
  EXPECT_EQ(machine::live_multimedia_timers(), 1);
}

TEST_F(MusicPlayerTest, GlobalVolumeIsClampedAndScalesTheVoices) {
  const std::string path = WriteModule("loud.mod", OneNote(SquareWave(20000)));
  ASSERT_EQ(LOAD_MOD(path.c_str(), 1), 0);
  struct Case {
    int set, kept;
  } cases[] = {{-5, 0}, {250, 100}, {50, 50}};
  double full = 0;
  for (const Case &c : cases) {
    SET_MOD_VOL(c.set);
    EXPECT_EQ(music::GlobalVolumePercent(), c.kept);
    PLAY_MOD(1, 0);
    machine::advance_audio_clock(300);
    const double rms = RecentRms(200);
    if (c.kept == 0) {
      EXPECT_EQ(rms, 0.0);
    }
    if (c.kept == 100) full = rms;
    // Half the volume (32 of 64) is 6.67 dB down on the volume curve.
    if (c.kept == 50) {
      EXPECT_NEAR(rms / full, 0.4642, 0.02);
    }
    STOP_MOD();
  }
}

TEST_F(MusicPlayerTest, FreeingThePlayingModuleStopsItFirst) {
  const std::string path = WriteModule("song.mod", Song(4));
  ASSERT_EQ(LOAD_MOD(path.c_str(), 1), 0);
  PLAY_MOD(1, 1);
  machine::advance_audio_clock(200);
  FREE_MOD(1);
  EXPECT_EQ(machine::live_multimedia_timers(), 0);
  EXPECT_EQ(machine::live_sound_buffers(), 1);
  machine::clear_captured_audio();
  machine::advance_audio_clock(200);
  EXPECT_EQ(RecentRms(200), 0.0);
  // The player is ready for the next module.
  ASSERT_EQ(LOAD_MOD(path.c_str(), 2), 0);
  PLAY_MOD(2, 1);
  machine::advance_audio_clock(200);
  EXPECT_GT(RecentRms(100), 1000.0);
}

TEST_F(MusicPlayerTest, SoundReleaseStopsMusicTheHostLeftPlaying) {
  const std::string path = WriteModule("song.mod", Song(4));
  ASSERT_EQ(LOAD_MOD(path.c_str(), 1), 0);
  PLAY_MOD(1, 1);
  machine::advance_audio_clock(200);
  DSOUND_RELEASE();
  EXPECT_EQ(machine::live_multimedia_timers(), 0);
  EXPECT_EQ(machine::live_sound_buffers(), 0);
  EXPECT_EQ(machine::live_directsound_objects(), 0);
  machine::advance_audio_clock(100);
  // What the host calls afterwards finds nothing left to touch.
  PLAY_MOD(1, 1);
  machine::advance_audio_clock(100);
  STOP_MOD();
  MODPLAYER_EXIT();
  KORVANE_EXIT();
  EXPECT_EQ(machine::live_multimedia_timers(), 0);
}

TEST_F(MusicPlayerTest, ExitWithoutStoppingLeavesNoTimer) {
  ASSERT_EQ(LOAD_MOD(WriteModule("song.mod", Song(4)).c_str(), 1), 0);
  PLAY_MOD(1, 1);
  machine::advance_audio_clock(100);
  KORVANE_EXIT();
  EXPECT_EQ(machine::live_multimedia_timers(), 0);
  EXPECT_EQ(machine::live_directsound_objects(), 0);
}

TEST_F(MusicPlayerTest, OpenModFileAsksTheDialogForModules) {
  machine::set_open_file_answer("");
  EXPECT_EQ(OPEN_MOD_FILE(), nullptr);
  const std::string path = scratch_ + "/chosen.mod";
  WriteWholeFile(path, "x");
  machine::set_open_file_answer(path);
  const char *chosen = OPEN_MOD_FILE();
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(std::string(chosen), path);
  std::vector<machine::OpenFileDialogRecord> dialogs = machine::open_file_dialogs();
  ASSERT_EQ(dialogs.size(), 2u);
  const machine::OpenFileDialogRecord &dialog = dialogs.back();
  EXPECT_EQ(dialog.owner, Window());
  EXPECT_EQ(dialog.title, "SELECT A MOD FILE TO OPEN");
  EXPECT_EQ(dialog.filter, (std::vector<std::string>{"*.mod;*.s3m;*.xm;*.uni", "*.mod;*.s3m;*.xm;*.uni"}));
  EXPECT_EQ(dialog.flags, static_cast<DWORD>(OFN_FILEMUSTEXIST));
  EXPECT_EQ(dialog.structSize, offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR));
  EXPECT_EQ(dialog.maxFile, static_cast<DWORD>(MAX_PATH));
  EXPECT_EQ(machine::window_show_command(Window()), SW_SHOW);
  // A path longer than the buffer is refused by the dialog, not truncated.
  machine::set_open_file_answer(scratch_ + "/" + std::string(300, 'a') + ".mod");
  EXPECT_EQ(OPEN_MOD_FILE(), nullptr);
}

TEST_F(MusicPlayerTest, OpenModFileTakesTheEnvironmentsAnswer) {
  const std::string path = scratch_ + "/env.xm";
  WriteWholeFile(path, "x");
  setenv("KORVANE_OPEN_FILE", path.c_str(), 1);
  const char *chosen = OPEN_MOD_FILE();
  unsetenv("KORVANE_OPEN_FILE");
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(std::string(chosen), path);
  EXPECT_EQ(OPEN_MOD_FILE(), nullptr) << "no answer: the user cancels";
}

class MusicWithoutSoundTest : public MusicTest {
 protected:
  void SetUp() override { SoundTest::SetUp(); }
};

TEST_F(MusicWithoutSoundTest, PlayerNeedsDirectSound) {
  EXPECT_EQ(MODPLAYER_INIT(), 0);
  WriteWholeFile("song.mod", BuildModule(Song(1)));
  EXPECT_EQ(LOAD_MOD("song.mod", 1), 1) << "nothing to upload samples to";
  MODPLAYER_EXIT();
  ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  EXPECT_EQ(MODPLAYER_INIT(), 1);
  EXPECT_EQ(LOAD_MOD("song.mod", 1), 0);
  // After a release and a fresh start the registrations are not repeated
  // and the player comes back.
  MODPLAYER_EXIT();
  DSOUND_RELEASE();
  EXPECT_EQ(MODPLAYER_INIT(), 0);
  ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  EXPECT_EQ(MODPLAYER_INIT(), 1);
  EXPECT_EQ(LOAD_MOD("song.mod", 1), 0);
  PLAY_MOD(1, 1);
  machine::advance_audio_clock(200);
  EXPECT_GT(RecentRms(100), 1000.0);
}

}  // namespace
