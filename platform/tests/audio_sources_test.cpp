// Sources that belong to no DirectSound object: the audio engine runs for
// them on its own, what they play reaches the capture and a WAV recording,
// and a detached source is never called again.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "audio/audio_engine.h"
#include "audio/audio_source.h"
#include "machine.h"
#include "machine_clock.h"
#include "machine_sound.h"
#include "support/test_machine.h"

namespace {

// A constant level on both channels for a given number of frames.
class ConstantSource : public platform::AudioSource {
 public:
  ConstantSource(int32_t level, uint32_t frames) : level_(level), left_(frames) {}
  bool MixInto(int32_t *accumulator, uint32_t frames, uint32_t) override {
    ++calls;
    const uint32_t now = frames < left_ ? frames : left_;
    for (uint32_t i = 0; i < 2 * now; ++i) accumulator[i] += level_;
    left_ -= now;
    return left_ > 0;
  }
  std::atomic<int> calls{0};

 private:
  int32_t level_;
  uint32_t left_;
};

class AudioSourcesTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    machine::use_virtual_machine_clock();
    machine::capture_audio(true);
  }
  platform::AudioEngine &engine = platform::AudioEngine::Get();
};

TEST_F(AudioSourcesTest, AttachedSourcePlaysWithoutDirectSoundAndTheEngineStopsAfterIt) {
  ASSERT_EQ(machine::live_directsound_objects(), 0);
  EXPECT_FALSE(machine::audio_engine_running());
  ConstantSource source(1000, 4410);  // 100 ms at 44100 Hz
  engine.Attach(&source);
  EXPECT_TRUE(machine::audio_engine_running());
  machine::advance_machine_clock(200);
  EXPECT_FALSE(machine::audio_engine_running());
  std::vector<short> samples = machine::captured_samples();
  ASSERT_GE(samples.size(), 2u * 4410u);
  EXPECT_EQ(samples[0], 1000);
  EXPECT_EQ(samples[2 * 4410 - 1], 1000);
  for (size_t i = 2 * 4410; i < samples.size(); ++i) ASSERT_EQ(samples[i], 0) << i;
  engine.Detach(&source);
}

TEST_F(AudioSourcesTest, DetachedSourceIsNotCalledAndAttachingTwiceMixesOnce) {
  ConstantSource source(500, 44100);
  engine.Attach(&source);
  engine.Attach(&source);
  machine::advance_machine_clock(10);
  std::vector<short> samples = machine::captured_samples();
  ASSERT_FALSE(samples.empty());
  EXPECT_EQ(samples[0], 500);
  engine.Detach(&source);
  const int calls = source.calls;
  machine::clear_captured_audio();
  machine::advance_machine_clock(50);
  EXPECT_EQ(source.calls, calls);
  EXPECT_FALSE(machine::audio_engine_running());
}

TEST_F(AudioSourcesTest, WavRecordingHoldsWhatASourcePlayed) {
  ASSERT_TRUE(machine::use_audio_driver("wav", "sources.wav"));
  ConstantSource source(-2000, 441);
  engine.Attach(&source);
  machine::advance_machine_clock(20);
  engine.Detach(&source);
  machine::record_audio_wav("");
  const std::string file = ReadWholeFile("sources.wav");
  ASSERT_GE(file.size(), 44u + 441u * 4u);
  int16_t first = 0;
  std::memcpy(&first, file.data() + 44, 2);
  EXPECT_EQ(first, -2000);
}

}  // namespace
