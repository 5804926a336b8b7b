// The machine clock: one time for the display, the sound card, the timers
// and input; the virtual clock's advance mixing sound and running timers in
// step; and the audio engine mixing a source that is not DirectSound.
#include <windows.h>
#include <mmsystem.h>
#include <ddraw.h>
#include <dsound.h>

#include <cstring>
#include <string>
#include <vector>

#include "audio/audio_engine.h"
#include "machine.h"
#include "machine_clock.h"
#include "machine_display.h"
#include "machine_sound.h"
#include "support/test_machine.h"
#include "support/wave_builder.h"

namespace {

class ClockTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    machine::use_virtual_machine_clock();
    machine::capture_audio(true);
  }
  void TearDown() override {
    machine::reset();
    if (ds_ != nullptr) ds_->Release();
    MachineTest::TearDown();
  }

  void OpenSound() {
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds_, nullptr), DS_OK);
    ASSERT_EQ(ds_->SetCooperativeLevel(reinterpret_cast<HWND>(0x77), DSSCL_NORMAL), DS_OK);
  }

  // A looping 44100 Hz mono buffer holding one value.
  LPDIRECTSOUNDBUFFER Constant(int16_t value) {
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
    DSBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwBufferBytes = 64;
    description.lpwfxFormat = &format;
    LPDIRECTSOUNDBUFFER buffer = nullptr;
    EXPECT_EQ(ds_->CreateSoundBuffer(&description, &buffer, nullptr), DS_OK);
    if (buffer == nullptr) return nullptr;
    LPVOID part1, part2;
    DWORD bytes1, bytes2;
    EXPECT_EQ(buffer->Lock(0, 64, &part1, &bytes1, &part2, &bytes2, 0), DS_OK);
    const std::string samples = Samples16(std::vector<int16_t>(32, value));
    std::memcpy(part1, samples.data(), bytes1);
    buffer->Unlock(part1, bytes1, part2, bytes2);
    return buffer;
  }

  // The left channel of the captured 16-bit stereo output.
  static std::vector<short> Left() {
    std::vector<short> samples = machine::captured_samples(), left;
    for (size_t i = 0; i < samples.size(); i += 2) left.push_back(samples[i]);
    return left;
  }

  LPDIRECTSOUND ds_ = nullptr;
};

TEST_F(ClockTest, EveryNameMovesTheOneClock) {
  OpenSound();
  struct Step {
    const char *how;
    void (*advance)();
    double at;
    size_t frames;  // at 44100 Hz
  } steps[] = {
      {"display", [] { machine::advance_display_clock(2.5); }, 2.5, 110},
      {"audio", [] { machine::advance_audio_clock(10); }, 12.5, 551},
      {"machine", [] { machine::advance_machine_clock(7.5); }, 20.0, 882},
  };
  for (const Step &step : steps) {
    step.advance();
    EXPECT_DOUBLE_EQ(machine::machine_clock_ms(), step.at) << step.how;
    EXPECT_DOUBLE_EQ(machine::display_clock_ms(), step.at) << step.how;
    EXPECT_EQ(timeGetTime(), static_cast<DWORD>(step.at)) << step.how;
    // The card mixed exactly the frames of that time.
    EXPECT_EQ(machine::captured_audio().bytes.size(), step.frames * 4) << step.how;
  }
  // Under real time advances move nothing; the virtual clock starts again
  // at zero.
  machine::use_real_machine_clock();
  const double real = machine::machine_clock_ms();
  EXPECT_GE(real, 20.0) << "switching to real time never goes back";
  machine::use_virtual_audio_clock();
  EXPECT_DOUBLE_EQ(machine::display_clock_ms(), 0.0);
}

// A buffer a timer starts at 35 ms is heard from the frame of 35 ms on,
// within one advance that also covers the time before and after.
UINT gStarted = 0;
LPDIRECTSOUNDBUFFER gToStart = nullptr;

void CALLBACK StartBuffer(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
  gToStart->Play(0, 0, DSBPLAY_LOOPING);
  gStarted = timeGetTime();
}

TEST_F(ClockTest, TimerCallbackStartsSoundAtItsExactFrame) {
  OpenSound();
  gToStart = Constant(1000);
  ASSERT_NE(gToStart, nullptr);
  ASSERT_NE(timeSetEvent(35, 1, StartBuffer, 0, TIME_ONESHOT), 0u);
  machine::advance_audio_clock(50);
  EXPECT_EQ(gStarted, 35u);
  const std::vector<short> left = Left();
  ASSERT_EQ(left.size(), 2205u);                // 50 ms at 44100 Hz
  const size_t first = 35 * 44100 / 1000;       // frame 1543
  EXPECT_EQ(left[first - 1], 0) << "sound before the timer fired";
  EXPECT_EQ(left[first], 1000) << "sound missing from the timer's frame";
  EXPECT_EQ(left.back(), 1000);
  gToStart->Release();
  gToStart = nullptr;
}

TEST_F(ClockTest, WaitingForTheDisplayMixesTheTimeItSkips) {
  OpenSound();
  LPDIRECTSOUNDBUFFER buffer = Constant(500);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  IDirectDraw7 *dd = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void **>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
  machine::advance_machine_clock(1.0);
  ASSERT_EQ(dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
  // The wait ended at the next frame, 1000/60 ms: the sound of that time
  // was mixed.
  EXPECT_NEAR(machine::machine_clock_ms(), 1000.0 / 60.0, 1e-6);
  EXPECT_EQ(Left().size(), 735u);  // 16.67 ms at 44100 Hz
  dd->Release();
  buffer->Release();
}

// A source of the audio engine that is not DirectSound: a fixed number of
// frames of one value, as a CD track or a synthesiser would add.
class CountedTone : public platform::AudioSource {
 public:
  CountedTone(int32_t value, uint32_t frames) : value_(value), left_(frames) {}
  bool MixInto(int32_t *accumulator, uint32_t frames, uint32_t) override {
    for (uint32_t i = 0; i < frames && left_ > 0; ++i, --left_) {
      accumulator[2 * i] += value_;
      accumulator[2 * i + 1] -= value_;
    }
    return left_ > 0;
  }

 private:
  int32_t value_;
  uint32_t left_;
};

TEST_F(ClockTest, EngineMixesOtherSourcesWithoutDirectSound) {
  platform::AudioEngine &engine = platform::AudioEngine::Get();
  CountedTone tone(700, 441);
  EXPECT_FALSE(machine::audio_engine_running());
  {
    std::lock_guard<std::mutex> hold(engine.lock());
    engine.AddSource(&tone);
    engine.SourceStarted(&tone);
  }
  EXPECT_TRUE(machine::audio_engine_running());
  machine::advance_audio_clock(20);
  // The tone ended after its 441 frames (10 ms): the engine mixed up to the
  // block that ended it and stopped, so later time adds nothing.
  EXPECT_FALSE(machine::audio_engine_running());
  std::vector<short> samples = machine::captured_samples();
  ASSERT_GE(samples.size(), 2u * 441u);
  EXPECT_EQ(samples[0], 700);
  EXPECT_EQ(samples[1], -700);
  EXPECT_EQ(samples[2 * 440], 700);
  for (size_t i = 2 * 441; i < samples.size(); ++i) ASSERT_EQ(samples[i], 0) << i;
  const size_t captured = samples.size();
  machine::advance_audio_clock(20);
  EXPECT_EQ(machine::captured_samples().size(), captured);
  std::lock_guard<std::mutex> hold(engine.lock());
  engine.RemoveSource(&tone);
}

}  // namespace
