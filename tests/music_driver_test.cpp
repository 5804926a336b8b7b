// The voice driver: its volume and pan tables, the voice records behind a
// sample on two voices, looped samples sounding on past their data, the
// hardware and software masters, and the translation of libmikmod's units.
#include <mikmod.h>

#include <string>
#include <vector>

#include "music/mikmod_driver.h"
#include "music/voice_driver.h"
#include "music/volume_pan_tables.h"
#include "support/music_test.h"

namespace {

using MusicDriverTest = MusicTest;

TEST(MusicTables, TellingRows) {
  struct Row {
    int index, value;
  };
  // Volume 48 gives -1277 by the curve (T(48) = 9308); 49 is the row at -1258.
  for (Row row : {Row{0, -10000}, Row{1, -5000}, Row{2, -4334}, Row{8, -3000}, Row{16, -2334}, Row{32, -1667},
                  Row{48, -1277}, Row{49, -1258}, Row{63, -1016}, Row{64, -1000}}) {
    EXPECT_EQ(music::VolumeEntry(row.index), row.value) << "volume " << row.index;
  }
  for (Row row : {Row{2, 1666}, Row{8, 5000}, Row{64, 10000}}) EXPECT_EQ(music::LogCurve(row.index), row.value);
  for (Row row : {Row{0, 0}, Row{1, 8}, Row{-1, -8}, Row{50, 334}, Row{-50, -334}, Row{99, 2000}, Row{100, 2000},
                  Row{-99, -2000}, Row{-100, -2000}}) {
    EXPECT_EQ(music::PanCurve(row.index), row.value) << "pan point " << row.index;
  }
  // The pan index spans the whole curve: 0 full left, 255 full right,
  // rising all the way, centred in the middle.
  music::BuildVolumePanTables();
  const int16_t *pan = music::gVolumePanTables.pan;
  EXPECT_EQ(pan[0], -2000);
  EXPECT_EQ(pan[255], 2000);
  EXPECT_EQ(pan[127], 0);
  EXPECT_EQ(pan[128], 0);
  EXPECT_EQ(pan[64], -music::gVolumePanTables.pan[191]);
  for (int i = 1; i < 256; ++i) EXPECT_GE(pan[i], pan[i - 1]) << i;
}

TEST(MusicTranslation, LibraryUnitsBecomeTheDriversOwn) {
  EXPECT_EQ(music::DriverSampleFlags(SF_16BITS | SF_SIGNED | SF_LOOP | SF_DELTA | SF_BIG_ENDIAN),
            music::kSample16Bit | music::kSampleSigned | music::kSampleLooped);
  EXPECT_EQ(music::DriverSampleFlags(0), 0);
  EXPECT_EQ(music::DriverVolume(256, 100), 64);
  EXPECT_EQ(music::DriverVolume(128, 100), 32);
  EXPECT_EQ(music::DriverVolume(256, 50), 32);
  EXPECT_EQ(music::DriverVolume(300, 100), 64);
  EXPECT_EQ(music::DriverVolume(256, 0), 0);
  EXPECT_EQ(music::DriverPan(0), 0);
  EXPECT_EQ(music::DriverPan(255), 255);
  EXPECT_EQ(music::DriverPan(PAN_SURROUND), PAN_CENTER);
  EXPECT_EQ(music::StagingBytes(100, 0), 204u);
  EXPECT_EQ(music::StagingBytes(100, music::kSampleLooped), 204u + 12288u);
}

TEST(MusicVoicePlay, StoresOrIgnores) {
  music::Voice &voice = music::gVoices[0];
  voice = music::Voice{};
  music::VoicePlay(0, 3, 10, 10, 0, 10, music::kSampleLooped);
  EXPECT_EQ(voice.startPending, 0) << "start at the size: ignored";
  music::VoicePlay(0, 3, 2, 100, 10, 500, music::kSampleLooped);
  EXPECT_EQ(voice.startPending, 1);
  EXPECT_EQ(voice.loopEnd, 100u) << "loop end held to the size";
  EXPECT_EQ(voice.handle, 3);
  music::VoicePlay(0, 3, 2, 100, 10, 500, 0);
  EXPECT_EQ(voice.loopEnd, 500u) << "an unlooped sample keeps its values";
  music::VoicePlay(200, 3, 0, 100, 0, 0, 0);  // no such voice: nothing
  music::VoiceSetVolume(0, 200);
  EXPECT_EQ(voice.volume, 64);
  voice = music::Voice{};
}

TEST_F(MusicDriverTest, OneSampleOnTwoVoicesTakesTheMasterThenADuplicate) {
  ModuleRecipe recipe = OneNote(SquareWave(400));
  recipe.notes = {{{0, 0, 428, 1}, {0, 1, 428, 1}}};
  ASSERT_EQ(LOAD_MOD(WriteModule("two.mod", recipe).c_str(), 1), 0);
  PLAY_MOD(1, 0);
  const int buffers = machine::live_sound_buffers();
  // The first player tick (third timer step, 19.8 ms) plays both notes; the
  // apply step after it gives them buffers.
  machine::advance_audio_clock(30);
  const music::Voice &first = music::gVoices[0];
  const music::Voice &second = music::gVoices[1];
  ASSERT_NE(first.buffer, nullptr);
  ASSERT_NE(second.buffer, nullptr);
  EXPECT_EQ(first.state & music::kVoiceDuplicate, 0);
  EXPECT_EQ(first.buffer, music::gSampleMasters.software[first.handle]);
  EXPECT_NE(second.state & music::kVoiceDuplicate, 0);
  EXPECT_EQ(machine::live_sound_buffers(), buffers + 1);
  // 400 samples at 8287 Hz last 48 ms; the apply step after that lets go.
  machine::advance_audio_clock(100);
  EXPECT_EQ(second.buffer, nullptr);
  EXPECT_EQ(first.buffer, nullptr);
  EXPECT_EQ(machine::live_sound_buffers(), buffers);
}

TEST_F(MusicDriverTest, MastersAreHardwareWhenTheCardOffersBuffers) {
  const std::string path = WriteModule("one.mod", OneNote(SquareWave(4000)));
  for (DWORD hardware : {0u, 8u}) {
    SCOPED_TRACE(hardware);
    machine::set_hardware_sound_buffers(hardware, 0);
    ASSERT_EQ(LOAD_MOD(path.c_str(), 1), 0);
    PLAY_MOD(1, 0);
    machine::advance_audio_clock(40);
    const music::Voice &voice = music::gVoices[0];
    ASSERT_NE(voice.buffer, nullptr);
    if (hardware == 0) {
      EXPECT_EQ(music::gSampleMasters.hardware[voice.handle], nullptr);
      EXPECT_NE(voice.state & music::kVoiceSoftware, 0);
    } else {
      EXPECT_EQ(voice.buffer, music::gSampleMasters.hardware[voice.handle]);
      EXPECT_EQ(voice.state & music::kVoiceSoftware, 0);
    }
    EXPECT_NE(music::gSampleMasters.software[voice.handle], nullptr);
    EXPECT_GT(RecentRms(5), 1000.0);
    STOP_MOD();
    FREE_MOD(1);
  }
}

TEST_F(MusicDriverTest, LoopedSampleSoundsOnWithTheCursorKeptInTheLoop) {
  // 2000 samples, the loop over the second half; at 8287 Hz the data runs
  // out after 0.24 s, the loop pad after 0.98 s.
  const std::string path = WriteModule("loop.mod", OneNote(SquareWave(2000), 1000, 1000));
  ASSERT_EQ(LOAD_MOD(path.c_str(), 1), 0);
  const std::string once = WriteModule("once.mod", OneNote(SquareWave(2000)));
  ASSERT_EQ(LOAD_MOD(once.c_str(), 2), 0);
  for (bool hardware : {false, true}) {
    SCOPED_TRACE(hardware);
    machine::set_hardware_sound_buffers(hardware ? 8 : 0, 0);
    PLAY_MOD(1, 0);
    const music::Voice &voice = music::gVoices[0];
    for (int second = 0; second < 5; ++second) {
      machine::advance_audio_clock(1000);
      ASSERT_NE(voice.buffer, nullptr) << second;
      DWORD play = 0, write = 0;
      ASSERT_EQ(voice.buffer->GetCurrentPosition(&play, &write), DS_OK);
      EXPECT_GE(play / 2, 1000u);
      EXPECT_LE(play / 2, 2000u + music::kLoopPad) << "the cursor stays inside the padded loop";
      EXPECT_GT(RecentRms(100), 1000.0) << "still sounding after " << second + 1 << " s";
    }
    STOP_MOD();
  }
  PLAY_MOD(2, 0);
  machine::advance_audio_clock(1000);
  EXPECT_EQ(RecentRms(500), 0.0) << "an unlooped sample ends with its data";
}

TEST_F(MusicDriverTest, PanSendsLeftVoicesLeft) {
  // Channels 0 and 3 of a MOD sound left, 1 and 2 right (half separated:
  // 3.3 dB down on the far side).
  for (int channel : {0, 1}) {
    ModuleRecipe recipe = OneNote(SquareWave(20000));
    recipe.notes = {{{0, channel, 428, 1}}};
    ASSERT_EQ(LOAD_MOD(WriteModule("pan.mod", recipe).c_str(), 1), 0);
    machine::clear_captured_audio();
    PLAY_MOD(1, 0);
    machine::advance_audio_clock(300);
    std::vector<short> samples = machine::captured_samples();
    double left = 0, right = 0;
    for (size_t i = samples.size() / 4 * 2; i + 1 < samples.size(); i += 2) {
      left += std::abs(samples[i]);
      right += std::abs(samples[i + 1]);
    }
    if (channel == 0) {
      EXPECT_GT(left, right * 1.3);
    }
    if (channel == 1) {
      EXPECT_GT(right, left * 1.3);
    }
    STOP_MOD();
    FREE_MOD(1);
  }
}

}  // namespace
