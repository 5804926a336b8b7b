// The DirectSound device: DSOUND_INIT at each level, the capabilities block
// and queries, every failure of the start-up, and DSOUND_RELEASE.
#include <string>
#include <vector>

#include "support/sound_test.h"

namespace {

const LineList kDefaultCapabilityBlock = {
    " --- DirectSound & SoundCard's driver relation info ---",
    ">Soundcard's driver has not been tested and certified by Microsoft.",
    ">Supports all sample rates between 100 and 100000",
    ">Supports 16-bit primary buffer",
    ">Supports 8-bit primary buffer",
    ">Supports monophonic primary buffer",
    ">Supports stereo primary buffer",
    " --- End of Info ---",
};

class SoundDeviceTest : public SoundTest {};

TEST_F(SoundDeviceTest, NormalLevelKeepsTheCardFormatAndWritesTheCapabilities) {
  Mark();
  ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 1, 8000, 8), 0);
  LineList expected = {" Direct Sound Initialized."};
  expected.insert(expected.end(), kDefaultCapabilityBlock.begin(), kDefaultCapabilityBlock.end());
  EXPECT_EQ(NewLines(), expected);
  WAVEFORMATEX format = machine::sound_output_format();
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_EQ(format.nChannels, 2);
  EXPECT_EQ(machine::live_directsound_objects(), 1);
}

TEST_F(SoundDeviceTest, HigherLevelsSetThePrimaryFormat) {
  struct Case {
    int channels, rate, bits;
    WORD blockAlign;
    DWORD bytesPerSecond;
  } cases[] = {{1, 44100, 16, 2, 88200}, {2, 22050, 8, 2, 44100}, {2, 11025, 16, 4, 44100}};
  for (const Case &c : cases) {
    ASSERT_EQ(DSOUND_INIT(DSSCL_PRIORITY, c.channels, c.rate, c.bits), 0);
    WAVEFORMATEX format = machine::sound_output_format();
    EXPECT_EQ(format.nBlockAlign, c.blockAlign) << c.channels << " " << c.rate << " " << c.bits;
    EXPECT_EQ(format.nAvgBytesPerSec, c.bytesPerSecond);
    EXPECT_EQ(format.nSamplesPerSec, static_cast<DWORD>(c.rate));
    DSOUND_RELEASE();
  }
}

TEST_F(SoundDeviceTest, AFormatTheCardRefusesIsNamedAndTheStartGoesOn) {
  Mark();
  // 12 bits make a block of one byte per channel, which no card plays.
  EXPECT_EQ(DSOUND_INIT(DSSCL_PRIORITY, 2, 44100, 12), 0);
  LineList lines = NewLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "DSERR_BADFORMAT");
  EXPECT_EQ(lines[1], " Direct Sound Initialized.");
}

TEST_F(SoundDeviceTest, SecondInitChangesNothing) {
  ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  Mark();
  EXPECT_EQ(DSOUND_INIT(DSSCL_PRIORITY, 1, 8000, 8), 0);
  EXPECT_EQ(NewLines(), LineList{" DirectSound already initialized."});
  EXPECT_EQ(machine::live_directsound_objects(), 1);
  EXPECT_EQ(machine::sound_output_format().nSamplesPerSec, 44100u);
}

TEST_F(SoundDeviceTest, BriefModeWritesNothingOnSuccess) {
  REPORT_MODE("sound", 0);
  Mark();
  ASSERT_EQ(DSOUND_INIT(DSSCL_PRIORITY, 2, 44100, 16), 0);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(SoundDeviceTest, EveryStartFailureHasItsLineAndResult) {
  struct Case {
    const char *operation;
    HRESULT result;
    int expected;
    const char *line;
    int objectsLeft;
  } cases[] = {
      {"DirectSoundCreate", DSERR_NODRIVER, 1, " !!! DirectSoundCreate failed !!!", 0},
      {"IDirectSound::SetCooperativeLevel", DSERR_INVALIDPARAM, 1,
       " !!! IDirectSound_Set CooperativeLevel failed !!!", 0},
      {"IDirectSound::CreateSoundBuffer", DSERR_OUTOFMEMORY, 1, " !!! Primary Sound Buffer Failed !!!", 1},
      {"IDirectSound::CreateSoundBuffer", static_cast<HRESULT>(0x88780999), 0,
       " ??? DSCreateSBuffer returned an unknown error ???", 1},
  };
  for (const Case &c : cases) {
    machine::fail_next(c.operation, 1, c.result);
    Mark();
    EXPECT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), c.expected) << c.operation;
    LineList lines = NewLines();
    ASSERT_FALSE(lines.empty()) << c.operation;
    EXPECT_EQ(lines[0], c.line);
    EXPECT_EQ(machine::live_directsound_objects(), c.objectsLeft);
    EXPECT_EQ(machine::live_sound_buffers(), 0) << "no primary buffer after " << c.operation;
    DSOUND_RELEASE();
  }
}

TEST_F(SoundDeviceTest, APrimaryBufferFailureLeavesTheObjectInitialised) {
  machine::fail_next("IDirectSound::CreateSoundBuffer", 1, DSERR_OUTOFMEMORY);
  ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 1);
  Mark();
  EXPECT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  EXPECT_EQ(NewLines(), LineList{" DirectSound already initialized."});
}

TEST_F(SoundDeviceTest, NoSoundCardMeansNoDirectSound) {
  machine::set_sound_card_present(false);
  EXPECT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 1);
  EXPECT_TRUE(HasLine(" !!! DirectSoundCreate failed !!!"));
  EXPECT_EQ(FREE_DSHWBUFFERS(), 0);
}

TEST_F(SoundDeviceTest, CapabilityBlockFollowsEveryFlag) {
  DSCAPS caps = machine::default_sound_caps();
  caps.dwFlags = DSCAPS_CERTIFIED | DSCAPS_EMULDRIVER | DSCAPS_SECONDARY16BIT | DSCAPS_SECONDARY8BIT |
                 DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO;
  machine::set_sound_caps(caps);
  Mark();
  ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  EXPECT_EQ(NewLines(), (LineList{
                            " Direct Sound Initialized.",
                            " --- DirectSound & SoundCard's driver relation info ---",
                            ">Soundcard's driver has been tested and certified by Microsoft.",
                            ">No soundcard driver with DirectSound support installed",
                            ">Supports 16-bit, hardware mixed secondary buffers",
                            ">Supports 8-bit, hardware mixed secondary buffers",
                            ">Supports hardware mixed monophonic secondary buffers",
                            ">Supports hardware mixed stereo secondary buffers",
                            " --- End of Info ---",
                        }));
}

TEST_F(SoundDeviceTest, CapabilityQueries) {
  EXPECT_EQ(GET_SWFREQ_MIN(), 100);
  EXPECT_EQ(GET_SWFREQ_MAX(), 100000);
  // Before DSOUND_INIT every DSCAPS query answers 0.
  Mark();
  EXPECT_EQ(FREE_DSHWBUFFERS(), 0);
  EXPECT_EQ(FREE_DSHWBYTES(), 0);
  EXPECT_EQ(TOTAL_DSHWBYTES(), 0);
  EXPECT_EQ(GET_HWFREQ_MIN(), 0);
  EXPECT_EQ(GET_HWFREQ_MAX(), 0);
  EXPECT_EQ(NewLines(), (LineList{"Call to dscaps.dwMinSecondarySampleRate failed",
                               "Call to dscaps.dwMaxSecondarySampleRate failed"}));

  machine::set_hardware_sound_buffers(8, 65536);
  ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  Mark();
  EXPECT_EQ(FREE_DSHWBUFFERS(), 8);
  EXPECT_EQ(FREE_DSHWBYTES(), 65536);
  EXPECT_EQ(TOTAL_DSHWBYTES(), 65536);
  EXPECT_EQ(GET_HWFREQ_MIN(), 100);
  EXPECT_EQ(GET_HWFREQ_MAX(), 100000);
  EXPECT_EQ(NewLines(), (LineList{"Size of dwMinSecondarySampleRate = 100", "Size of dwMaxSecondarySampleRate = 100000"}));

  machine::fail_next("IDirectSound::GetCaps", machine::kAlways, DSERR_GENERIC);
  Mark();
  EXPECT_EQ(FREE_DSHWBUFFERS(), 0);
  EXPECT_EQ(GET_HWFREQ_MAX(), 0);
  EXPECT_EQ(NewLines(), LineList{"Call to dscaps.dwMaxSecondarySampleRate failed"});
}

TEST_F(SoundDeviceTest, ReleaseFreesEverythingAndAllowsAFreshStart) {
  Mark();
  DSOUND_RELEASE();
  EXPECT_EQ(NewLines(), (LineList{"### DIRECTSOUND RELEASE OBJECTS ###", "###################################"}));

  ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  Mark();
  EXPECT_EQ(DSOUND_RELEASE(), 0);
  EXPECT_EQ(NewLines(), (LineList{"### DIRECTSOUND RELEASE OBJECTS ###", " +++ Sound_FreeAll begin +++",
                               " +++ Sound_FreeAll end +++", " --- DirectSound Released ---",
                               "###################################"}));
  EXPECT_EQ(machine::live_directsound_objects(), 0);
  EXPECT_EQ(machine::live_sound_buffers(), 0);

  Mark();
  ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  EXPECT_EQ(NewLines()[0], " Direct Sound Initialized.");
  EXPECT_EQ(machine::live_directsound_objects(), 1);
}

TEST_F(SoundDeviceTest, ExitReleasesDirectSound) {
  ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  KORVANE_EXIT();
  EXPECT_EQ(machine::live_directsound_objects(), 0);
  EXPECT_TRUE(HasLine(" --- DirectSound Released ---"));
}

}  // namespace
