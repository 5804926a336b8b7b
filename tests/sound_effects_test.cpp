// Sound effects: loading RIFF WAVE files into copies, what PLAY_SOUND and the
// setters make the card play (checked as samples), the copy rotation, every
// load failure's lines, lost buffers and freeing.
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "machine_faults.h"
#include "sound/sound_registry.h"
#include "support/sound_test.h"

namespace {

class SoundEffectsTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  }

  // A mono 16-bit file of `count` copies of `value` at `rate`.
  std::string Constant(const std::string &name, int16_t value, size_t count, uint32_t rate = 44100) {
    WaveRecipe recipe;
    recipe.rate = rate;
    recipe.data = Samples16(std::vector<int16_t>(count, value));
    return WriteWave(name, recipe);
  }

  // The captured left and right channels.
  static void Channels(std::vector<short> *left, std::vector<short> *right) {
    std::vector<short> samples = machine::captured_samples();
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
      left->push_back(samples[i]);
      right->push_back(samples[i + 1]);
    }
  }

  static size_t NonZero(const std::vector<short> &samples) {
    size_t count = 0;
    for (short value : samples) count += value != 0;
    return count;
  }
};

TEST_F(SoundEffectsTest, FullVolumeCentredAtTheFileRateIsBitExact) {
  const std::vector<int16_t> ramp = Ramp16(4410);
  WaveRecipe recipe;
  recipe.data = Samples16(ramp);
  ASSERT_EQ(LOAD_SOUND(WriteWave("ramp.wav", recipe).c_str(), 1, 1, 0), 0);
  ASSERT_EQ(PLAY_SOUND(1, 0, 0, 0, 0), 0);
  machine::advance_audio_clock(200);
  std::vector<short> left, right;
  Channels(&left, &right);
  ASSERT_EQ(left.size(), 8820u);
  for (size_t i = 0; i < left.size(); ++i) {
    const short expected = i < ramp.size() ? ramp[i] : 0;
    ASSERT_EQ(left[i], expected) << "frame " << i;
    ASSERT_EQ(right[i], expected) << "frame " << i;
  }
}

TEST_F(SoundEffectsTest, HalfRateFileLastsAsLong) {
  ASSERT_EQ(LOAD_SOUND(Constant("half.wav", 8000, 2205, 22050).c_str(), 1, 1, 0), 0);
  EXPECT_EQ(GET_FREQ(1), 22050);
  PLAY_SOUND(1, 0, 0, 0, 0);
  machine::advance_audio_clock(300);
  std::vector<short> left, right;
  Channels(&left, &right);
  // 2205 frames at 22050 Hz are 4410 frames at 44100 Hz.
  EXPECT_NEAR(static_cast<double>(NonZero(left)), 4410.0, 2.0);
}

TEST_F(SoundEffectsTest, VolumeAndPanScaleTheChannels) {
  struct Case {
    int volume, pan;
    double left, right;  // expected amplitude ratios
  } cases[] = {
      {-600, 0, 0.501, 0.501},
      {0, -10000, 1.0, 0.0},
      {0, 10000, 0.0, 1.0},
      {0, -600, 1.0, 0.501},
      {-10000, 0, 0.0, 0.0},
  };
  int id = 1;
  for (const Case &c : cases) {
    machine::clear_captured_audio();
    ASSERT_EQ(LOAD_SOUND(Constant("tone.wav", 16000, 441).c_str(), id, 1, 0), 0);
    PLAY_SOUND(id, c.volume, c.pan, 0, 0);
    machine::advance_audio_clock(5);
    std::vector<short> left, right;
    Channels(&left, &right);
    ASSERT_FALSE(left.empty());
    EXPECT_NEAR(left[0] / 16000.0, c.left, 0.002) << "volume " << c.volume << " pan " << c.pan;
    EXPECT_NEAR(right[0] / 16000.0, c.right, 0.002) << "volume " << c.volume << " pan " << c.pan;
    FREE_SOUND(id++);
  }
}

TEST_F(SoundEffectsTest, CopiesRotateAndGettersReadTheNextCopy) {
  ASSERT_EQ(LOAD_SOUND(Constant("c.wav", 1000, 44100).c_str(), 5, 3, 0), 0);
  SoundRecord *sound = Sound_Find(5);
  ASSERT_NE(sound, nullptr);
  ASSERT_EQ(sound->nCopies, 3);
  const int started[] = {0, 1, 2, 0};
  int volume = 0;
  for (int expected : started) {
    EXPECT_EQ(sound->nNextCopy, expected);
    volume -= 100;
    PLAY_SOUND(5, volume, 200, 0, 0);
    DWORD status = 0;
    sound->SoundBuffer[expected]->GetStatus(&status);
    EXPECT_TRUE(status & DSBSTATUS_PLAYING) << "copy " << expected;
  }
  // The getters read the next copy (1, last started at -200), not copy 0
  // just started at -400.
  EXPECT_EQ(GET_VOL(5), -200);
  EXPECT_EQ(GET_PAN(5), 200);
}

TEST_F(SoundEffectsTest, SettersClampToDirectSoundRanges) {
  ASSERT_EQ(LOAD_SOUND(Constant("c.wav", 1000, 100, 22050).c_str(), 3, 1, 0), 0);
  struct Case {
    void (*set)(int, int);
    int (*get)(int);
    int value, expected;
  } cases[] = {
      {SET_VOL, GET_VOL, 500, 0},          {SET_VOL, GET_VOL, -10001, -10000}, {SET_VOL, GET_VOL, -1234, -1234},
      {SET_PAN, GET_PAN, 20000, 10000},    {SET_PAN, GET_PAN, -10001, -10000}, {SET_FREQ, GET_FREQ, -100000, 100},
      {SET_FREQ, GET_FREQ, 1000, 23050},   {SET_FREQ, GET_FREQ, INT_MAX, 100000},
      {SET_FREQ, GET_FREQ, INT_MIN, 100},
  };
  for (const Case &c : cases) {
    c.set(3, c.value);
    EXPECT_EQ(c.get(3), c.expected) << c.value;
  }
  // A setter also starts the copy.
  DWORD status = 0;
  Sound_Find(3)->SoundBuffer[0]->GetStatus(&status);
  EXPECT_TRUE(status & DSBSTATUS_PLAYING);
}

TEST_F(SoundEffectsTest, UnregisteredIdsAreHarmless) {
  Mark();
  EXPECT_EQ(PLAY_SOUND(99, 0, 0, 0, 0), 1);
  SET_VOL(99, 0);
  SET_PAN(99, 0);
  SET_FREQ(99, 0);
  EXPECT_EQ(GET_VOL(99), 0);
  EXPECT_EQ(GET_PAN(99), 0);
  EXPECT_EQ(GET_FREQ(99), 0);
  FREE_SOUND(99);
  EXPECT_EQ(NewLines(), LineList{"   --- Attempting to free sound id 99 ---"});
}

TEST_F(SoundEffectsTest, LoopingCopyKeepsSoundingAndOneShotStops) {
  ASSERT_EQ(LOAD_SOUND(Constant("loop.wav", 3000, 441).c_str(), 1, 1, 0), 0);
  ASSERT_EQ(LOAD_SOUND(Constant("once.wav", 3000, 441).c_str(), 2, 1, 0), 0);
  PLAY_SOUND(1, 0, 0, 0, 1);
  PLAY_SOUND(2, 0, 0, 0, 0);
  machine::advance_audio_clock(1000);
  std::vector<short> left, right;
  Channels(&left, &right);
  ASSERT_EQ(left.size(), 44100u);
  EXPECT_EQ(left[100], 6000);
  EXPECT_EQ(left.back(), 3000);
  DWORD status = 0;
  Sound_Find(2)->SoundBuffer[0]->GetStatus(&status);
  EXPECT_FALSE(status & DSBSTATUS_PLAYING);
}

TEST_F(SoundEffectsTest, DuplicateIdIsRefusedAndTheFirstSoundStays) {
  ASSERT_EQ(LOAD_SOUND(Constant("a.wav", 1000, 100).c_str(), 4, 1, 0), 0);
  Mark();
  EXPECT_EQ(LOAD_SOUND(Constant("b.wav", 1000, 100, 22050).c_str(), 4, 1, 0), 1);
  EXPECT_EQ(NewLines(), LineList{" !!! Sound id '4' has already been assigned to a sound !!!"});
  EXPECT_EQ(GET_FREQ(4), 44100);
}

TEST_F(SoundEffectsTest, ListChunkBeforeFormatAndZeroCopiesLoad) {
  WaveRecipe recipe;
  recipe.listBeforeFormat = true;
  recipe.data = Samples16(Ramp16(64));
  ASSERT_EQ(LOAD_SOUND(WriteWave("list.wav", recipe).c_str(), 1, 0, 0), 0);
  EXPECT_EQ(Sound_Find(1)->nCopies, 1);
  EXPECT_EQ(PLAY_SOUND(1, 0, 0, 0, 0), 0);
  EXPECT_EQ(PLAY_SOUND(1, 0, 0, 0, 0), 0);
}

TEST_F(SoundEffectsTest, EveryLoadFailureHasItsLinesAndLeavesNothing) {
  WriteTroubleFiles();
  const char *created = " Local Software Sound Buffer Created.";
  const FileFailureCase cases[] = {
      {"missing.wav", nullptr, 0, {" !!! Cannot open missing.wav"}},
      {"fmtlast.wav", nullptr, 0, {" !!! DS mmioRead failed !!!"}},
      {"text.wav", nullptr, 0, {" !!! DS mmioDescend &parent failed !!!"}},
      {"zero.wav", nullptr, 0, {" !!! DS mmioDescend &parent failed !!!"}},
      {"nofmt.wav", nullptr, 0, {" !!! DS mmioDescend &child failed !!!"}},
      {"float.wav", nullptr, 0, {" !!! != WAVE_FORMAT_PCM !!!"}},
      {"nodata.wav", nullptr, 0, {" !!! DS d,a,t,a failed !!!"}},
      {"lying.wav", nullptr, 0, {created, " !!! SoundBuffer Write Error !!!"}},
      {"wide.wav", nullptr, 0,
       {" !!! Couldn't create Software sound buffer !!!", "DSERR_BADFORMAT", " !!! Creating sound buffer failed !!!"}},
      {"empty.wav", nullptr, 0,
       {" !!! Couldn't create Software sound buffer !!!", "DSERR_INVALIDPARAM",
        " !!! Creating sound buffer failed !!!"}},
      {"good.wav", "mmioRead", static_cast<HRESULT>(MMIOERR_CANNOTREAD), {" !!! DS mmioRead failed !!!"}},
      {"good.wav", "mmioAscend", static_cast<HRESULT>(MMIOERR_CANNOTSEEK), {" !!! DS mmioAscend failed !!!"}},
      {"good.wav", "IDirectSoundBuffer::Lock", DSERR_BUFFERLOST,
       {created, " !!! IDirectSoundBuffer_Lock failed!!!", " !!! SoundBuffer Write Error !!!"}},
      {"good.wav", "IDirectSoundBuffer::Unlock", DSERR_INVALIDCALL,
       {created, " !!!IDirectSoundBuffer Unlock failed!!!", " !!! SoundBuffer Write Error !!!"}},
  };
  for (const FileFailureCase &c : cases) {
    if (c.faultOperation != nullptr) machine::fail_next(c.faultOperation, 1, c.fault);
    Mark();
    EXPECT_EQ(LOAD_SOUND(c.file, 1, 2, 0), 1) << c.file;
    LineList lines = NewLines();
    LineList expected;
    if (std::string(c.file) != "missing.wav") {
      expected.push_back(std::string("--- ") + c.file + " opened for reading into software memory ---");
    }
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    expected.push_back(" !!! Loading SoundBuffer[0] failed !!!");
    EXPECT_EQ(lines, expected) << c.file << " " << (c.faultOperation ? c.faultOperation : "");
    EXPECT_EQ(Sound_Find(1), nullptr);
    EXPECT_EQ(machine::live_sound_buffers(), 1) << "only the primary buffer after " << c.file;
  }
  // A device that never ends is not opened, so nothing waits on it.
  Mark();
  EXPECT_EQ(LOAD_SOUND("/dev/zero", 1, 1, 0), 1);
  EXPECT_EQ(NewLines(), (LineList{" !!! Cannot open /dev/zero", " !!! Loading SoundBuffer[0] failed !!!"}));
  // The allocations in their order: the record, the copy array, then the
  // list node once the copies are made.
  struct AllocationCase {
    int passing;
    LineList lines;
  } allocations[] = {
      {0, {" No memory left for loading Sound"}},
      {1, {" No memory left for loading SoundBuffer"}},
      {2, {"--- good.wav opened for reading into software memory ---", created,
           " Out of Memory to store sound into linked list."}},
  };
  // A copy count no mixer could play is refused as an array that cannot be
  // had, at once, rather than zero-filling gigabytes first.
  for (int copies : {65537, 100000000, INT_MAX}) {
    Mark();
    EXPECT_EQ(LOAD_SOUND("good.wav", 1, copies, 0), 1) << copies;
    EXPECT_EQ(NewLines(), LineList{" No memory left for loading SoundBuffer"}) << copies;
  }
  for (const AllocationCase &c : allocations) {
    machine::fail_after("GlobalAlloc", c.passing, 1, ERROR_NOT_ENOUGH_MEMORY);
    Mark();
    EXPECT_EQ(LOAD_SOUND("good.wav", 1, 2, 0), 1) << c.passing;
    EXPECT_EQ(NewLines(), c.lines) << c.passing;
    EXPECT_EQ(Sound_Find(1), nullptr);
    EXPECT_EQ(machine::live_sound_buffers(), 1) << "the copies are released";
  }
}

TEST_F(SoundEffectsTest, HardwarePlacementFallsBackToSoftware) {
  Mark();
  ASSERT_EQ(LOAD_SOUND(Constant("c.wav", 1000, 100).c_str(), 1, 1, 1), 0);
  EXPECT_EQ(NewLines(), (LineList{"--- c.wav opened for reading into hardware memory ---",
                               " !!! Couldn't create Hardware sound buffer !!!", "DSERR_ALLOCATED",
                               " ---> then Local Software Sound Buffer Created Instead.", " --- Sound Loaded ---"}));

  machine::fail_next("IDirectSound::CreateSoundBuffer", 2, DSERR_OUTOFMEMORY);
  Mark();
  EXPECT_EQ(LOAD_SOUND("c.wav", 2, 1, 1), 1);
  EXPECT_EQ(NewLines(), (LineList{"--- c.wav opened for reading into hardware memory ---",
                               " !!! Couldn't create Hardware sound buffer !!!", "DSERR_OUTOFMEMORY",
                               " !!! Couldn't create it as a local software sound buffer either !!!",
                               "DSERR_OUTOFMEMORY", " !!! Creating sound buffer failed !!!",
                               " !!! Loading SoundBuffer[0] failed !!!"}));
}

TEST_F(SoundEffectsTest, HardwareBuffersAreUsedWhileFree) {
  DSOUND_RELEASE();
  machine::set_hardware_sound_buffers(2, 0);
  ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  Mark();
  ASSERT_EQ(LOAD_SOUND(Constant("c.wav", 1000, 100).c_str(), 1, 3, 1), 0);
  // Copy 0 and one duplicate take the two hardware voices; the third copy
  // cannot be duplicated in hardware and is loaded again in software.
  EXPECT_EQ(NewLines(), (LineList{"--- c.wav opened for reading into hardware memory ---",
                               " Local Hardware Sound Buffer Created.",
                               " !!! IDirectSound_DuplicateSoundBuffer failed!!!",
                               "--- c.wav opened for reading into hardware memory ---",
                               " !!! Couldn't create Hardware sound buffer !!!", "DSERR_ALLOCATED",
                               " ---> then Local Software Sound Buffer Created Instead.", " --- Sound Loaded ---"}));
  EXPECT_EQ(FREE_DSHWBUFFERS(), 0);
  FREE_SOUND(1);
  EXPECT_EQ(FREE_DSHWBUFFERS(), 2);
}

TEST_F(SoundEffectsTest, CopiesThatCannotBeMadeUndoTheLoad) {
  // The card holds two buffers: copy 1 is a duplicate, copy 2 can be
  // neither duplicated nor loaded.
  machine::set_sound_buffer_limit(2);
  Mark();
  EXPECT_EQ(LOAD_SOUND(Constant("c.wav", 1000, 100).c_str(), 1, 3, 0), 1);
  LineList lines = NewLines();
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[lines.size() - 6], " !!! IDirectSound_DuplicateSoundBuffer failed!!!");
  EXPECT_EQ(lines[lines.size() - 3], "DSERR_OUTOFMEMORY");
  EXPECT_EQ(lines[lines.size() - 2], " !!! Creating sound buffer failed !!!");
  EXPECT_EQ(lines.back(), " ?Freeing Inner SoundBuffer Array Failure?");
  EXPECT_EQ(machine::live_sound_buffers(), 1);
  EXPECT_EQ(Sound_Find(1), nullptr);
}

TEST_F(SoundEffectsTest, PlayFailures) {
  ASSERT_EQ(LOAD_SOUND(Constant("c.wav", 1000, 441).c_str(), 1, 1, 0), 0);
  machine::fail_next("IDirectSoundBuffer::SetCurrentPosition", 1, DSERR_INVALIDCALL);
  Mark();
  EXPECT_EQ(PLAY_SOUND(1, 0, 0, 0, 0), 1);
  EXPECT_EQ(NewLines(), LineList{" IDSB_SetCurrentPosition failed."});

  // The three setters' starts and both starts of PLAY_SOUND fail.
  machine::fail_next("IDirectSoundBuffer::Play", 5, DSERR_GENERIC);
  Mark();
  EXPECT_EQ(PLAY_SOUND(1, 0, 0, 0, 0), 0);
  EXPECT_EQ(NewLines(), (LineList{" !!! PLAY_SOUND error: DSERR_GENERIC !!!", " !!! Couldn't Play Sound Buffer!!!"}));
}

TEST_F(SoundEffectsTest, ALostCopyIsRestoredWithoutItsData) {
  ASSERT_EQ(LOAD_SOUND(Constant("c.wav", 1000, 44100).c_str(), 1, 1, 0), 0);
  machine::lose_sound_buffers();
  Mark();
  EXPECT_EQ(PLAY_SOUND(1, 0, 0, 0, 0), 0);
  EXPECT_EQ(NewLines(), LineList{" !!! PLAY_SOUND error: DSERR_BUFFERLOST !!!"});
  machine::advance_audio_clock(10);
  std::vector<short> left, right;
  Channels(&left, &right);
  EXPECT_EQ(NonZero(left), 0u);
  DWORD status = 0;
  Sound_Find(1)->SoundBuffer[0]->GetStatus(&status);
  EXPECT_TRUE(status & DSBSTATUS_PLAYING);
}

TEST_F(SoundEffectsTest, FreeSoundReleasesItsCopies) {
  ASSERT_EQ(LOAD_SOUND(Constant("c.wav", 1000, 100).c_str(), 7, 3, 0), 0);
  EXPECT_EQ(machine::live_sound_buffers(), 4);
  Mark();
  FREE_SOUND(7);
  EXPECT_EQ(NewLines(), (LineList{"   --- Attempting to free sound id 7 ---", "   id 7 : lpFileLocation freed ",
                               "   --- Sound Sample freed ---"}));
  EXPECT_EQ(machine::live_sound_buffers(), 1);
  EXPECT_EQ(Sound_Find(7), nullptr);
}

TEST_F(SoundEffectsTest, ReleaseFreesTheNewestSoundFirst) {
  ASSERT_EQ(LOAD_SOUND(Constant("c.wav", 1000, 100).c_str(), 1, 1, 0), 0);
  ASSERT_EQ(LOAD_SOUND("c.wav", 2, 1, 0), 0);
  Mark();
  DSOUND_RELEASE();
  LineList lines = NewLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[1], " +++ Sound_FreeAll begin +++");
  EXPECT_EQ(lines[2], "   --- Attempting to free sound id 2 ---");
  EXPECT_EQ(machine::live_sound_buffers(), 0);
  EXPECT_EQ(glpSoundList, nullptr);
}

TEST_F(SoundEffectsTest, LoadingNeedsDirectSound) {
  DSOUND_RELEASE();
  Mark();
  EXPECT_EQ(LOAD_SOUND(Constant("c.wav", 1000, 100).c_str(), 1, 1, 0), 1);
  LineList lines = NewLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], " !!!DirectSound hasn't been initialized to be able to create buffer!!!");
  EXPECT_EQ(lines.back(), " !!! Loading SoundBuffer[0] failed !!!");
  EXPECT_EQ(LOAD_SOUND(nullptr, 2, 1, 0), 1);
  EXPECT_TRUE(HasLine(" !!! Cannot open (null)"));
}

}  // namespace
