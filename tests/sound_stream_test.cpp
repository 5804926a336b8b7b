// Wave streaming: the two-second buffer and its half refills, looping
// without a gap, ending with silence, the controls, every setup failure's
// lines, and freeing.
#include <string>
#include <vector>

#include "machine_faults.h"
#include "sound/stream_registry.h"
#include "support/sound_test.h"

namespace {

class SoundStreamTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
  }

  // Runs the host's loop: `milliseconds` of time in steps of `step`, with a
  // STREAM_BUFFER_UPDATE after each.
  static void Run(int milliseconds, int step = 20) {
    for (int t = 0; t < milliseconds; t += step) {
      machine::advance_audio_clock(step);
      STREAM_BUFFER_UPDATE();
    }
  }

  static std::vector<short> Left() {
    std::vector<short> samples = machine::captured_samples(), left;
    for (size_t i = 0; i < samples.size(); i += 2) left.push_back(samples[i]);
    return left;
  }

  // The bytes of one half of the stream's buffer.
  static std::string Half(StreamWave *stream, int which) {
    const DWORD half = stream->dsbd.dwBufferBytes / 2;
    LPVOID part1, part2;
    DWORD bytes1, bytes2;
    EXPECT_EQ(stream->lpDSBuffer->Lock(which == 1 ? 0 : half, half, &part1, &bytes1, &part2, &bytes2, 0), DS_OK);
    std::string bytes(static_cast<char *>(part1), bytes1);
    stream->lpDSBuffer->Unlock(part1, bytes1, part2, bytes2);
    return bytes;
  }

  static bool Playing(StreamWave *stream) {
    DWORD status = 0;
    stream->lpDSBuffer->GetStatus(&status);
    return (status & DSBSTATUS_PLAYING) != 0;
  }
};

TEST_F(SoundStreamTest, BufferHoldsTwoSecondsAndSetupIsSilent) {
  WaveRecipe recipe;
  recipe.channels = 2;
  recipe.data = Samples16(Ramp16(1000));
  Mark();
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("s.wav", recipe).c_str(), 3, 0), 0);
  EXPECT_EQ(NewLines(), LineList{"Setup Stream ID 3 Successfully Created"});
  StreamWave *stream = Streamwave_Find(3);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->dsbd.dwBufferBytes, 2u * 176400u);
  EXPECT_EQ(stream->dsbd.dwFlags, 0x1008Au);
  EXPECT_FALSE(Playing(stream));
  Run(200);
  EXPECT_FALSE(Playing(stream));
}

TEST_F(SoundStreamTest, ShortOneShotEndsInSilenceAndStopsAtTheNextRefillRequest) {
  // Half a second of 8-bit sound at 8000 Hz.
  WaveRecipe recipe;
  recipe.rate = 8000;
  recipe.bits = 8;
  recipe.data = std::string(4000, static_cast<char>(200));
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("short.wav", recipe).c_str(), 1, 0), 0);
  StreamWave *stream = Streamwave_Find(1);
  STREAM_BUFFER_PLAY(1);
  STREAM_BUFFER_UPDATE();
  EXPECT_EQ(Half(stream, 1), recipe.data + std::string(4000, static_cast<char>(128)));
  EXPECT_TRUE(Playing(stream));
  EXPECT_EQ(stream->hmmio, nullptr);
  // The cursor enters the second quarter after half a second.
  Run(480);
  EXPECT_TRUE(Playing(stream));
  Run(60);
  EXPECT_FALSE(Playing(stream));
  EXPECT_EQ(stream->bActive, 1);
}

TEST_F(SoundStreamTest, ShortLoopingFileRepeatsInTheFirstHalf) {
  WaveRecipe recipe;
  recipe.rate = 8000;
  recipe.data = Samples16(Ramp16(3000));
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("loop.wav", recipe).c_str(), 1, 1), 0);
  STREAM_BUFFER_PLAY(1);
  STREAM_BUFFER_UPDATE();
  std::string expected;
  while (expected.size() < 16000) expected += recipe.data;
  EXPECT_EQ(Half(Streamwave_Find(1), 1), expected.substr(0, 16000));
}

TEST_F(SoundStreamTest, ATinyLoopingFileFillsAHalfWithoutRereadingEachPass) {
  // Three stereo samples (12 bytes) loop through a half of 176400 bytes.
  WaveRecipe recipe;
  recipe.channels = 2;
  recipe.data = Samples16(Ramp16(6));
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("tiny.wav", recipe).c_str(), 1, 1), 0);
  STREAM_BUFFER_PLAY(1);
  // Far fewer chunk searches than passes: a search per pass would meet
  // this fault and leave the half short.
  machine::fail_after("mmioDescend", 8, 1, MMIOERR_CHUNKNOTFOUND);
  STREAM_BUFFER_UPDATE();
  EXPECT_EQ(machine::pending_faults("mmioDescend"), 1);
  std::string expected;
  while (expected.size() < 176400) expected += recipe.data;
  EXPECT_EQ(Half(Streamwave_Find(1), 1), expected.substr(0, 176400));
  // The file stands where the half ended: the next half goes on from there.
  machine::fail_next("mmioDescend", 0, 0);
  Run(800);
  EXPECT_EQ(Half(Streamwave_Find(1), 0), expected.substr(176400 % 12, 176400));
}

TEST_F(SoundStreamTest, LoopingStreamWrapsWithoutAGap) {
  const std::vector<int16_t> ramp = Ramp16(30870, 53);  // 0.7 s at 44100 Hz
  WaveRecipe recipe;
  recipe.data = Samples16(ramp);
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("wrap.wav", recipe).c_str(), 1, 5), 0);
  STREAM_BUFFER_PLAY(1);
  STREAM_BUFFER_UPDATE();
  Run(5000);
  std::vector<short> left = Left();
  ASSERT_EQ(left.size(), 5u * 44100u);
  for (size_t i = 0; i < left.size(); ++i) ASSERT_EQ(left[i], ramp[i % ramp.size()]) << "frame " << i;
}

TEST_F(SoundStreamTest, LongOneShotPlaysWholeThenSilence) {
  // The last data ends late in its half, after the point where the next
  // refill request comes.
  const std::vector<int16_t> ramp = Ramp16(44100 * 3 + 35280, 29);
  WaveRecipe recipe;
  recipe.data = Samples16(ramp);
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("long.wav", recipe).c_str(), 1, 0), 0);
  STREAM_BUFFER_PLAY(1);
  STREAM_BUFFER_UPDATE();
  Run(6000);
  std::vector<short> left = Left();
  for (size_t i = 0; i < ramp.size(); ++i) ASSERT_EQ(left[i], ramp[i]) << "frame " << i;
  for (size_t i = ramp.size(); i < left.size(); ++i) ASSERT_EQ(left[i], 0) << "frame " << i;
  EXPECT_FALSE(Playing(Streamwave_Find(1)));
}

TEST_F(SoundStreamTest, PlayRestartsResumeContinuesStopKeepsThePosition) {
  const std::vector<int16_t> ramp = Ramp16(44100 * 4, 31);
  WaveRecipe recipe;
  recipe.data = Samples16(ramp);
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("p.wav", recipe).c_str(), 1, 0), 0);
  StreamWave *stream = Streamwave_Find(1);
  STREAM_BUFFER_RESUME(1);  // not active: starts where it stands (the beginning)
  STREAM_BUFFER_UPDATE();
  Run(600);
  STREAM_BUFFER_STOP(1);
  EXPECT_EQ(stream->bActive, 0);
  EXPECT_FALSE(Playing(stream));
  machine::clear_captured_audio();
  STREAM_BUFFER_RESUME(1);
  STREAM_BUFFER_UPDATE();
  EXPECT_EQ(stream->bActive, 1);
  STREAM_BUFFER_RESUME(1);  // active: nothing changes
  EXPECT_EQ(stream->bPlayRequest, 0);
  machine::advance_audio_clock(10);
  EXPECT_EQ(Left().front(), ramp[26460]);  // went on from 0.6 s
  Run(3000);
  std::vector<short> left = Left();
  for (size_t i = 0; i < left.size(); ++i) ASSERT_EQ(left[i], ramp[26460 + i]) << "frame " << i;

  STREAM_BUFFER_PLAY(1);
  machine::clear_captured_audio();
  STREAM_BUFFER_UPDATE();
  machine::advance_audio_clock(10);
  EXPECT_EQ(Left().front(), ramp[0]);
}

TEST_F(SoundStreamTest, VolumeAndUnknownIds) {
  WaveRecipe recipe;
  recipe.data = Samples16(Ramp16(100));
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("v.wav", recipe).c_str(), 1, 0), 0);
  Mark();
  STREAM_BUFFER_VOLUME(1, -1000);
  EXPECT_TRUE(NewLines().empty());
  LONG volume = 0;
  Streamwave_Find(1)->lpDSBuffer->GetVolume(&volume);
  EXPECT_EQ(volume, -1000);
  STREAM_BUFFER_VOLUME(1, 1);
  EXPECT_EQ(NewLines(), LineList{" Stream: Failed SetVolume"});
  Mark();
  STREAM_BUFFER_PLAY(8);
  STREAM_BUFFER_RESUME(8);
  STREAM_BUFFER_STOP(8);
  STREAM_BUFFER_VOLUME(8, 0);
  EXPECT_EQ(NewLines(), LineList(4, " !!! Stream wave id '8' not found !!!"));
}

TEST_F(SoundStreamTest, TwoStreamsArePumpedTogether) {
  WaveRecipe a, b;
  a.data = Samples16(std::vector<int16_t>(44100 * 3, 1000));
  b.data = Samples16(std::vector<int16_t>(44100 * 3, 2000));
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("a.wav", a).c_str(), 1, 0), 0);
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("b.wav", b).c_str(), 2, 0), 0);
  STREAM_BUFFER_PLAY(1);
  STREAM_BUFFER_PLAY(2);
  STREAM_BUFFER_UPDATE();
  Run(2500);
  std::vector<short> left = Left();
  EXPECT_EQ(left[100], 3000);
  EXPECT_EQ(left[44100 * 2 + 100], 3000);  // both second halves were refilled
}

TEST_F(SoundStreamTest, EverySetupFailureHasItsLines) {
  WriteTroubleFiles();
  // Formats the stream reader refuses on its own: a byte rate or block
  // alignment that does not follow from the layout (the buffer would be
  // sized from it), a non-PCM format chunk that ends before its extra-byte
  // count, and extra bytes that run past the end of the file.
  WaveRecipe pcm;
  pcm.data = Samples16(Ramp16(100));
  auto variant = [&](const char *name, void (*change)(WaveRecipe *)) {
    WaveRecipe recipe = pcm;
    change(&recipe);
    WriteWave(name, recipe);
  };
  variant("ratelie.wav", [](WaveRecipe *r) { r->byteRateOverride = 0x07FFFFFF; });
  variant("alignlie.wav", [](WaveRecipe *r) { r->blockAlignOverride = 0x4000; });
  variant("zerorate.wav", [](WaveRecipe *r) { r->byteRateOverride = 0; });
  variant("nocount.wav", [](WaveRecipe *r) { r->formatTag = 2, r->omitData = true; });
  variant("shortextra.wav", [](WaveRecipe *r) { r->formatTag = 2, r->formatChunkSize = 18, r->cbSize = 32, r->omitData = true; });
  const std::string notRead = " !!! Stream: Can not read wave file !!!";
  const std::string corrupt = " !!! Stream: Corrupt wave file !!!";
  const FileFailureCase cases[] = {
      {"ratelie.wav", nullptr, 0, {corrupt, notRead}},
      {"alignlie.wav", nullptr, 0, {corrupt, notRead}},
      {"zerorate.wav", nullptr, 0, {corrupt, notRead}},
      {"nocount.wav", nullptr, 0, {" !!! Stream: Cannot read length of extra bytes !!!", notRead}},
      {"shortextra.wav", nullptr, 0, {" !!! Stream: Not a wave file !!!", notRead}},
      {"/dev/zero", nullptr, 0, {" !!! Cannot open wave to stream !!!", notRead}},
      {"missing.wav", nullptr, 0, {" !!! Cannot open wave to stream !!!", notRead}},
      {"text.wav", nullptr, 0, {" !!! Stream: Not a wave file !!!", notRead}},
      {"zero.wav", nullptr, 0, {" !!! Stream: File not found !!!"}},
      {"nofmt.wav", nullptr, 0, {" !!! Stream: File not found !!!"}},
      {"shortfmt.wav", nullptr, 0, {" !!! Stream: Not a wave file !!!", notRead}},
      {"nodata.wav", nullptr, 0, {notRead}},
      {"wide.wav", nullptr, 0, {" !!! Stream: Could not create sound buffer"}},
      {"good.wav", "mmioRead", static_cast<HRESULT>(MMIOERR_CANNOTREAD),
       {" !!! Stream: Cannot read 'fmt' chunk !!!", notRead}},
      {"good.wav", "mmioAscend", static_cast<HRESULT>(MMIOERR_CANNOTSEEK), {" !!! Stream: File not found !!!"}},
      {"good.wav", "GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY, {" No memory left for loading Streamwave"}},
  };
  for (const FileFailureCase &c : cases) {
    if (c.faultOperation != nullptr) machine::fail_next(c.faultOperation, 1, c.fault);
    Mark();
    EXPECT_EQ(SETUP_STREAM_BUFFER(c.file, 1, 0), 1) << c.file;
    EXPECT_EQ(NewLines(), c.lines) << c.file << " " << (c.faultOperation ? c.faultOperation : "");
    EXPECT_EQ(Streamwave_Find(1), nullptr);
    EXPECT_EQ(machine::live_sound_buffers(), 1);
  }
  // Allocations after the record's: the format block (the second
  // GlobalAlloc), then the node (after the record, format and name).
  struct AllocationCase {
    int passing;
    LineList lines;
  } allocations[] = {{1, {" !!! Stream: Cannot allocate memory for wave !!!", notRead}},
                     {3, {" Out of Memory to store stream wave into linked list."}}};
  for (const AllocationCase &c : allocations) {
    machine::fail_after("GlobalAlloc", c.passing, 1, ERROR_NOT_ENOUGH_MEMORY);
    Mark();
    EXPECT_EQ(SETUP_STREAM_BUFFER("good.wav", 1, 0), 1) << c.passing;
    EXPECT_EQ(NewLines(), c.lines) << c.passing;
    EXPECT_EQ(Streamwave_Find(1), nullptr);
    EXPECT_EQ(machine::live_sound_buffers(), 1);
  }
  Mark();
  EXPECT_EQ(SETUP_STREAM_BUFFER(nullptr, 1, 0), 1);
  EXPECT_EQ(NewLines(), (LineList{" !!! Cannot open wave to stream !!!", notRead}));
  Mark();
  EXPECT_EQ(SETUP_STREAM_BUFFER("good.wav", 1, 0), 0);
  EXPECT_EQ(SETUP_STREAM_BUFFER("good.wav", 1, 0), 1);
  EXPECT_EQ(NewLines(), (LineList{"Setup Stream ID 1 Successfully Created",
                               " !!! Stream wave id '1' has already been assigned to a stream wave !!!"}));
}

TEST_F(SoundStreamTest, AFileShorterThanItsDataChunkIsCorruptAndEnds) {
  WaveRecipe recipe;
  recipe.data = Samples16(Ramp16(100));
  recipe.dataSizeOverride = 100000;
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("lying.wav", recipe).c_str(), 1, 0), 0);
  STREAM_BUFFER_PLAY(1);
  Mark();
  STREAM_BUFFER_UPDATE();
  EXPECT_EQ(NewLines(), LineList{" !!! Stream: Corrupt wave file !!!"});
  // The read counts as nothing: the half is silence and the stream stops.
  const std::string first = Half(Streamwave_Find(1), 1);
  EXPECT_EQ(first, std::string(first.size(), '\0'));
  Run(2500);
  EXPECT_FALSE(Playing(Streamwave_Find(1)));
}

TEST_F(SoundStreamTest, SetupNeedsDirectSound) {
  DSOUND_RELEASE();
  Mark();
  EXPECT_EQ(SETUP_STREAM_BUFFER("any.wav", 1, 0), 1);
  EXPECT_EQ(NewLines(), LineList{" !!!DirectSound hasn't been initialized to use a streamming wave!!!"});
}

TEST_F(SoundStreamTest, ALoopingStreamWithNoDataFillsSilenceAndStops) {
  WaveRecipe recipe;
  recipe.data.clear();
  recipe.dataSizeOverride = 0;
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("empty.wav", recipe).c_str(), 1, 1), 0);
  STREAM_BUFFER_PLAY(1);
  STREAM_BUFFER_UPDATE();
  Run(1200);
  EXPECT_FALSE(Playing(Streamwave_Find(1)));
}

TEST_F(SoundStreamTest, FreeAndExitWriteTheirLines) {
  WaveRecipe recipe;
  recipe.data = Samples16(Ramp16(100));
  const std::string path = WriteWave("f.wav", recipe);
  ASSERT_EQ(SETUP_STREAM_BUFFER(path.c_str(), 1, 0), 0);
  ASSERT_EQ(SETUP_STREAM_BUFFER(path.c_str(), 2, 0), 0);
  ASSERT_EQ(SETUP_STREAM_BUFFER(path.c_str(), 3, 0), 0);
  Mark();
  FREE_STREAMWAVE(2);
  FREE_STREAMWAVE(9);
  EXPECT_EQ(NewLines(), (LineList{"   --- Attempting to free stream wave id 2 ---", " Stream Wave id 2 : CurrentName freed ",
                               "   --- Stream Wave freed ---", "   --- Attempting to free stream wave id 9 ---"}));
  Mark();
  STREAM_BUFFER_EXIT();
  EXPECT_EQ(NewLines(), (LineList{" +++ Streamwave_FreeAll begin +++", " --> Stream Wave ID 3",
                               "   --- Attempting to free stream wave id 3 ---", " Stream Wave id 3 : CurrentName freed ",
                               "   --- Stream Wave freed ---", " --> Stream Wave ID 1",
                               "   --- Attempting to free stream wave id 1 ---", " Stream Wave id 1 : CurrentName freed ",
                               "   --- Stream Wave freed ---", " +++ Streamwave_FreeAll end +++"}));
  EXPECT_EQ(machine::live_sound_buffers(), 1);
}

TEST_F(SoundStreamTest, StreamsSurviveDirectSoundGoingFirst) {
  WaveRecipe recipe;
  recipe.data = Samples16(Ramp16(44100));
  ASSERT_EQ(SETUP_STREAM_BUFFER(WriteWave("s.wav", recipe).c_str(), 1, 1), 0);
  STREAM_BUFFER_PLAY(1);
  STREAM_BUFFER_UPDATE();
  DSOUND_RELEASE();
  EXPECT_EQ(machine::live_sound_buffers(), 0);
  STREAM_BUFFER_UPDATE();
  STREAM_BUFFER_PLAY(1);
  STREAM_BUFFER_VOLUME(1, 0);
  STREAM_BUFFER_STOP(1);
  STREAM_BUFFER_EXIT();
  EXPECT_EQ(glpStreamWaveList, nullptr);
}

}  // namespace
