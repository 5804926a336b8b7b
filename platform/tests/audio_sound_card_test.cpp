// The sound card driver through SDL's audio: run by the test command with
// SDL's disk audio driver (SDL_AUDIODRIVER=disk), whose output file holds
// exactly what the device was given; skipped elsewhere, so that ordinary
// runs never open a real sound card. The device's sound is compared sample
// for sample with the WAV recording of the same run, and the latency is
// logged. Without a device the driver refuses and the output stays.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "machine.h"
#include "machine_sound.h"
#include "support/test_machine.h"
#include "support/x_display.h"

namespace {

using x_display::WaitFor;

std::string DiskAudioFile() {
  const char *driver = std::getenv("SDL_AUDIODRIVER");
  const char *file = std::getenv("SDL_DISKAUDIOFILE");
  if (driver == nullptr || std::string(driver) != "disk" || file == nullptr) return "";
  return file;
}

std::vector<int16_t> ReadSamples(const std::string &path, size_t skip) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples;
  if (bytes.size() <= skip) return samples;
  samples.resize((bytes.size() - skip) / 2);
  std::memcpy(samples.data(), bytes.data() + skip, samples.size() * 2);
  return samples;
}

size_t FirstSound(const std::vector<int16_t> &samples) {
  for (size_t i = 0; i < samples.size(); ++i) {
    if (samples[i] != 0) return i;
  }
  return samples.size();
}

class SoundDeviceTest : public MachineTest {
 protected:
  void SetUp() override {
    disk_ = DiskAudioFile();
    if (disk_.empty()) GTEST_SKIP() << "runs with SDL's disk audio driver only";
    MachineTest::SetUp();
  }

  void TearDown() override {
    if (disk_.empty()) return;
    if (buffer_ != nullptr) buffer_->Release();
    if (sound_ != nullptr) sound_->Release();
    machine::reset();
    MachineTest::TearDown();
  }

  // A DirectSound object and a secondary buffer holding `frames` frames of
  // a tone that rises in loudness, 16-bit stereo at 44100 Hz.
  void StartTone(DWORD frames) {
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound_, nullptr), DS_OK);
    ASSERT_EQ(sound_->SetCooperativeLevel(reinterpret_cast<HWND>(0x6000), DSSCL_NORMAL), DS_OK);
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_STATIC;
    desc.dwBufferBytes = frames * 4;
    desc.lpwfxFormat = &format;
    ASSERT_EQ(sound_->CreateSoundBuffer(&desc, &buffer_, nullptr), DS_OK);
    void *data = nullptr;
    DWORD bytes = 0;
    ASSERT_EQ(buffer_->Lock(0, frames * 4, &data, &bytes, nullptr, nullptr, 0), DS_OK);
    auto *samples = static_cast<int16_t *>(data);
    for (DWORD i = 0; i < frames; ++i) {
      const double level = 2000.0 + 20000.0 * i / frames;
      samples[2 * i] = static_cast<int16_t>(level * std::sin(i * 0.0627));
      samples[2 * i + 1] = static_cast<int16_t>(level * std::sin(i * 0.0413 + 1.0));
    }
    ASSERT_EQ(buffer_->Unlock(data, bytes, nullptr, 0), DS_OK);
  }

  bool Playing() {
    DWORD status = 0;
    return buffer_->GetStatus(&status) == DS_OK && (status & DSBSTATUS_PLAYING);
  }

  std::string disk_;
  IDirectSound *sound_ = nullptr;
  IDirectSoundBuffer *buffer_ = nullptr;
};

// What the device was given (the disk driver's file) is, from the first
// sound on, exactly what the WAV recording holds: no sample lost, doubled
// or changed, and no underrun while the mixer ran.
TEST_F(SoundDeviceTest, DeviceReceivesExactlyTheRecordedMix) {
  ASSERT_TRUE(machine::use_audio_driver("device", "recorded.wav"));
  EXPECT_EQ(machine::audio_driver(), "device");
  EXPECT_GT(machine::audio_device_buffer_ms(), 0.0);
  StartTone(44100 / 2);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(buffer_->Play(0, 0, 0), DS_OK);
  // The delay until the device has sound: a figure for the log.
  double firstSoundMs = -1;
  WaitFor([&] {
    const std::vector<int16_t> heard = ReadSamples(disk_, 0);
    if (FirstSound(heard) == heard.size()) return false;
    firstSoundMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    return true;
  });
  ASSERT_TRUE(WaitFor([&] { return !Playing(); }, 10.0));
  buffer_->Release();
  buffer_ = nullptr;
  sound_->Release();  // the last DirectSound object: the recording is completed
  sound_ = nullptr;
  const unsigned underruns = machine::audio_underruns();
  const double bufferMs = machine::audio_device_buffer_ms();
  ASSERT_TRUE(machine::use_audio_driver("none"));  // closes the device and its file

  const std::vector<int16_t> recorded = ReadSamples("recorded.wav", 44);
  const std::vector<int16_t> heard = ReadSamples(disk_, 0);
  const size_t recordedStart = FirstSound(recorded);
  const size_t heardStart = FirstSound(heard);
  ASSERT_LT(recordedStart, recorded.size()) << "nothing recorded";
  ASSERT_LT(heardStart, heard.size()) << "nothing reached the device";
  const size_t span = recorded.size() - recordedStart;
  ASSERT_GE(span, 44000u) << "about the half-second tone, both channels";
  ASSERT_GE(heard.size() - heardStart, span) << "the device got less than the recording holds";
  size_t differences = 0;
  for (size_t i = 0; i < span; ++i) differences += heard[heardStart + i] != recorded[recordedStart + i];
  EXPECT_EQ(differences, 0u);
  EXPECT_EQ(underruns, 0u);
  std::printf("sound card: latency asked %u ms, device buffer %.1f ms, first sound after %.1f ms, underruns %u\n",
              machine::audio_latency_ms(), bufferMs, firstSoundMs, underruns);
}

// The latency asked is the device's buffer, within what the device allows.
TEST_F(SoundDeviceTest, LatencySettingSizesTheDeviceBuffer) {
  struct Case {
    unsigned askedMs;
  } cases[] = {{10}, {20}, {50}};
  for (const Case &c : cases) {
    machine::set_audio_latency_ms(c.askedMs);
    ASSERT_TRUE(machine::use_audio_driver("device"));
    EXPECT_NEAR(machine::audio_device_buffer_ms(), c.askedMs, 1.0) << c.askedMs;
    ASSERT_TRUE(machine::use_audio_driver("none"));
    EXPECT_EQ(machine::audio_device_buffer_ms(), 0.0);
  }
}

}  // namespace
