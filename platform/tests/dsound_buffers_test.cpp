// The platform's DirectSound: the sound card's documented results, cursors,
// locks and mixing, its WAV recording, and objects made and released on
// many threads.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "machine.h"
#include "machine_sound.h"
#include "support/test_machine.h"
#include "support/wave_builder.h"

namespace {

class DirectSoundTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    machine::use_virtual_audio_clock();
    machine::capture_audio(true);
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds_, nullptr), DS_OK);
    ASSERT_EQ(ds_->SetCooperativeLevel(reinterpret_cast<HWND>(0x77), DSSCL_NORMAL), DS_OK);
  }
  void TearDown() override {
    if (ds_ != nullptr) ds_->Release();
    MachineTest::TearDown();
  }

  LPDIRECTSOUNDBUFFER Create(WORD channels, WORD bits, DWORD rate, DWORD bytes, DWORD flags = DSBCAPS_CTRLDEFAULT) {
    format_ = WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * channels * bits / 8,
                           static_cast<WORD>(channels * bits / 8), bits, 0};
    DSBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwFlags = flags;
    description.dwBufferBytes = bytes;
    description.lpwfxFormat = &format_;
    LPDIRECTSOUNDBUFFER buffer = nullptr;
    result_ = ds_->CreateSoundBuffer(&description, &buffer, nullptr);
    return buffer;
  }

  void Fill(LPDIRECTSOUNDBUFFER buffer, const std::string &bytes) {
    LPVOID part1, part2;
    DWORD bytes1, bytes2;
    ASSERT_EQ(buffer->Lock(0, static_cast<DWORD>(bytes.size()), &part1, &bytes1, &part2, &bytes2, 0), DS_OK);
    std::memcpy(part1, bytes.data(), bytes1);
    ASSERT_EQ(buffer->Unlock(part1, bytes1, part2, bytes2), DS_OK);
  }

  LPDIRECTSOUND ds_ = nullptr;
  WAVEFORMATEX format_;
  HRESULT result_ = DS_OK;
};

TEST_F(DirectSoundTest, CreationValidatesItsArguments) {
  struct Case {
    const char *name;
    WORD channels, bits;
    DWORD rate, bytes, flags;
    HRESULT expected;
  } cases[] = {
      {"mono 8", 1, 8, 11025, 100, DSBCAPS_CTRLDEFAULT, DS_OK},
      {"stereo 16", 2, 16, 100000, 400, DSBCAPS_CTRLDEFAULT, DS_OK},
      {"24 bits", 2, 24, 44100, 600, 0, DSERR_BADFORMAT},
      {"rate 99", 1, 16, 99, 100, 0, DSERR_BADFORMAT},
      {"three channels", 3, 16, 44100, 600, 0, DSERR_BADFORMAT},
      {"empty", 1, 16, 44100, 0, 0, DSERR_INVALIDPARAM},
      {"both placements", 1, 16, 44100, 100, DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE, DSERR_INVALIDPARAM},
      {"no hardware", 1, 16, 44100, 100, DSBCAPS_LOCHARDWARE, DSERR_ALLOCATED},
  };
  for (const Case &c : cases) {
    LPDIRECTSOUNDBUFFER buffer = Create(c.channels, c.bits, c.rate, c.bytes, c.flags);
    EXPECT_EQ(result_, c.expected) << c.name;
    EXPECT_EQ(buffer != nullptr, c.expected == DS_OK) << c.name;
    if (buffer != nullptr) buffer->Release();
  }
  DSBUFFERDESC primary{};
  primary.dwSize = sizeof primary;
  primary.dwFlags = DSBCAPS_PRIMARYBUFFER;
  primary.dwBufferBytes = 10;
  LPDIRECTSOUNDBUFFER buffer;
  EXPECT_EQ(ds_->CreateSoundBuffer(&primary, &buffer, nullptr), DSERR_INVALIDPARAM);
  EXPECT_EQ(ds_->CreateSoundBuffer(nullptr, &buffer, nullptr), DSERR_INVALIDPARAM);
  EXPECT_EQ(ds_->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DSERR_INVALIDPARAM);
  EXPECT_EQ(ds_->SetCooperativeLevel(reinterpret_cast<HWND>(0x77), 9), DSERR_INVALIDPARAM);
}

TEST_F(DirectSoundTest, ControlsRangesAndPrimaryRules) {
  LPDIRECTSOUNDBUFFER plain = Create(1, 16, 22050, 100, DSBCAPS_CTRLVOLUME);
  ASSERT_NE(plain, nullptr);
  LONG value;
  DWORD frequency;
  EXPECT_EQ(plain->SetPan(0), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->GetFrequency(&frequency), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(plain->SetVolume(-10001), DSERR_INVALIDPARAM);
  EXPECT_EQ(plain->SetVolume(-10000), DS_OK);
  EXPECT_EQ(plain->GetVolume(&value), DS_OK);
  EXPECT_EQ(value, -10000);
  EXPECT_EQ(plain->SetFormat(&format_), DSERR_INVALIDCALL);
  plain->Release();

  LPDIRECTSOUNDBUFFER full = Create(1, 16, 22050, 100);
  EXPECT_EQ(full->GetFrequency(&frequency), DS_OK);
  EXPECT_EQ(frequency, 22050u);
  EXPECT_EQ(full->SetFrequency(99), DSERR_INVALIDPARAM);
  EXPECT_EQ(full->SetFrequency(100001), DSERR_INVALIDPARAM);
  EXPECT_EQ(full->SetPan(10001), DSERR_INVALIDPARAM);
  EXPECT_EQ(full->SetCurrentPosition(100), DSERR_INVALIDPARAM);
  full->Release();

  DSBUFFERDESC description{};
  description.dwSize = sizeof description;
  description.dwFlags = DSBCAPS_PRIMARYBUFFER;
  LPDIRECTSOUNDBUFFER primary, again;
  ASSERT_EQ(ds_->CreateSoundBuffer(&description, &primary, nullptr), DS_OK);
  ASSERT_EQ(ds_->CreateSoundBuffer(&description, &again, nullptr), DS_OK);
  EXPECT_EQ(primary, again);
  again->Release();
  WAVEFORMATEX mono = {WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
  EXPECT_EQ(primary->SetFormat(&mono), DSERR_PRIOLEVELNEEDED);
  ASSERT_EQ(ds_->SetCooperativeLevel(reinterpret_cast<HWND>(0x77), DSSCL_PRIORITY), DS_OK);
  EXPECT_EQ(primary->SetFormat(&mono), DS_OK);
  EXPECT_EQ(machine::sound_output_format().nChannels, 1);
  EXPECT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  // The object takes its primary buffer with it.
}

TEST_F(DirectSoundTest, LockWrapsAroundTheEndInTwoParts) {
  LPDIRECTSOUNDBUFFER buffer = Create(1, 16, 44100, 1000);
  LPVOID part1, part2;
  DWORD bytes1, bytes2;
  ASSERT_EQ(buffer->Lock(800, 500, &part1, &bytes1, &part2, &bytes2, 0), DS_OK);
  EXPECT_EQ(bytes1, 200u);
  EXPECT_EQ(bytes2, 300u);
  EXPECT_EQ(static_cast<BYTE *>(part1) - static_cast<BYTE *>(part2), 800);
  EXPECT_EQ(buffer->Unlock(part1, bytes1, part2, bytes2), DS_OK);
  EXPECT_EQ(buffer->Lock(1000, 10, &part1, &bytes1, &part2, &bytes2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(0, 1001, &part1, &bytes1, &part2, &bytes2, 0), DSERR_INVALIDPARAM);
  ASSERT_EQ(buffer->Lock(0, 0, &part1, &bytes1, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
  EXPECT_EQ(bytes1, 1000u);
  int outside = 0;
  EXPECT_EQ(buffer->Unlock(&outside, 4, nullptr, 0), DSERR_INVALIDPARAM);
  machine::lose_sound_buffers();
  EXPECT_EQ(buffer->Lock(0, 10, &part1, &bytes1, nullptr, nullptr, 0), DSERR_BUFFERLOST);
  EXPECT_EQ(buffer->Play(0, 0, 0), DSERR_BUFFERLOST);
  EXPECT_EQ(buffer->Restore(), DS_OK);
  EXPECT_EQ(buffer->Play(0, 0, 0), DS_OK);
  buffer->Release();
}

TEST_F(DirectSoundTest, CursorsMoveAsTheCardMixes) {
  // 22050 Hz mono 16-bit: 441 frames (882 bytes) play in 20 ms.
  LPDIRECTSOUNDBUFFER once = Create(1, 16, 22050, 2000);
  LPDIRECTSOUNDBUFFER looping = Create(1, 16, 22050, 2000);
  once->Play(0, 0, 0);
  looping->Play(0, 0, DSBPLAY_LOOPING);
  machine::advance_audio_clock(20);
  DWORD play = 0, write = 0, status = 0;
  ASSERT_EQ(once->GetCurrentPosition(&play, &write), DS_OK);
  EXPECT_EQ(play, 882u);
  EXPECT_EQ(write, 882u + 440u);  // 10 ms ahead
  machine::advance_audio_clock(30);  // 1102 frames: past the end
  once->GetStatus(&status);
  EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
  once->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 0u);
  looping->GetStatus(&status);
  EXPECT_EQ(status & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  // 50 ms are 1102 source frames: the 1000-frame buffer wrapped once.
  looping->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 204u);
  looping->Stop();
  machine::advance_audio_clock(20);
  looping->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 204u);  // Stop keeps the position
  once->Release();
  looping->Release();
}

TEST_F(DirectSoundTest, DuplicatesShareDataButNotState) {
  LPDIRECTSOUNDBUFFER original = Create(1, 16, 44100, 8);
  Fill(original, Samples16({100, 200, 300, 400}));
  original->SetVolume(-600);
  LPDIRECTSOUNDBUFFER copy = nullptr;
  ASSERT_EQ(ds_->DuplicateSoundBuffer(original, &copy), DS_OK);
  LONG volume;
  copy->GetVolume(&volume);
  EXPECT_EQ(volume, -600);
  copy->SetVolume(0);
  copy->SetPan(-10000);
  copy->Play(0, 0, 0);
  machine::advance_audio_clock(1);
  std::vector<short> samples = machine::captured_samples();
  ASSERT_GE(samples.size(), 8u);
  EXPECT_EQ(samples[0], 100);
  EXPECT_EQ(samples[1], 0);
  EXPECT_EQ(samples[6], 400);
  DWORD status;
  original->GetStatus(&status);
  EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
  LPDIRECTSOUNDBUFFER forged = nullptr;
  EXPECT_EQ(ds_->DuplicateSoundBuffer(reinterpret_cast<LPDIRECTSOUNDBUFFER>(&status), &forged), DSERR_INVALIDPARAM);
  original->Release();
  // The duplicate keeps the data alive and still plays it.
  machine::clear_captured_audio();
  copy->SetPan(0);
  copy->Play(0, 0, 0);
  machine::advance_audio_clock(1);
  EXPECT_EQ(machine::captured_samples()[2], 200);
  copy->Release();
}

TEST_F(DirectSoundTest, MixerResamplesEveryLayoutAndClamps) {
  // 8-bit stereo at 22050 Hz: each frame lasts two output frames, and the
  // frame between is interpolated.
  LPDIRECTSOUNDBUFFER narrow = Create(2, 8, 22050, 4);
  Fill(narrow, std::string("\x80\xc0\xa0\x40", 4));  // (0, 16384), (8192, -16384)
  narrow->Play(0, 0, 0);
  machine::advance_audio_clock(1);
  std::vector<short> samples = machine::captured_samples();
  ASSERT_GE(samples.size(), 8u);
  EXPECT_EQ(samples[0], 0);
  EXPECT_EQ(samples[1], 16384);
  EXPECT_EQ(samples[2], 4096);
  EXPECT_EQ(samples[3], 0);
  EXPECT_EQ(samples[4], 8192);
  EXPECT_EQ(samples[5], -16384);
  narrow->Release();

  // Two loud buffers sum past the 16-bit range and are clamped.
  machine::clear_captured_audio();
  LPDIRECTSOUNDBUFFER a = Create(1, 16, 44100, 4), b = Create(1, 16, 44100, 4);
  Fill(a, Samples16({30000, -30000}));
  Fill(b, Samples16({30000, -30000}));
  a->Play(0, 0, DSBPLAY_LOOPING);
  b->Play(0, 0, DSBPLAY_LOOPING);
  machine::advance_audio_clock(1);
  samples = machine::captured_samples();
  EXPECT_EQ(samples[0], 32767);
  EXPECT_EQ(samples[2], -32768);
  a->Release();
  b->Release();
}

TEST_F(DirectSoundTest, ResamplingFollowsTheInterpolationFormula) {
  // Every layout and rate, against linear interpolation with 14-bit
  // weights computed here frame by frame.
  struct Case {
    WORD channels;
    DWORD rate;
  } cases[] = {{1, 30000}, {1, 44100}, {1, 97003}, {2, 30000}, {2, 11025}};
  for (const Case &c : cases) {
    machine::clear_captured_audio();
    const DWORD frames = 1000;
    std::vector<int16_t> data = Ramp16(frames * c.channels, 2711);
    LPDIRECTSOUNDBUFFER buffer = Create(c.channels, 16, c.rate, frames * c.channels * 2);
    Fill(buffer, Samples16(data));
    buffer->Play(0, 0, 0);
    machine::advance_audio_clock(10);
    std::vector<short> out = machine::captured_samples();
    const uint64_t step = (static_cast<uint64_t>(c.rate) << 32) / 44100;
    for (size_t i = 0; i < out.size() / 2; ++i) {
      const uint64_t position = i * step;
      const size_t frame = position >> 32;
      if (frame + 1 >= frames) break;
      const int32_t fraction = static_cast<int32_t>((position >> 18) & 0x3FFF);
      for (int channel = 0; channel < c.channels; ++channel) {
        const int32_t s0 = data[frame * c.channels + channel], s1 = data[(frame + 1) * c.channels + channel];
        const int32_t expected = (s0 * (16384 - fraction) + s1 * fraction) >> 14;
        ASSERT_EQ(out[2 * i + channel], expected) << c.channels << " channels at " << c.rate << ", frame " << i;
      }
    }
    buffer->Release();
  }
}

TEST_F(DirectSoundTest, HardwareAccountingAndCaps) {
  machine::set_hardware_sound_buffers(2, 1000);
  DSCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(ds_->GetCaps(&caps), DS_OK);
  EXPECT_EQ(caps.dwFreeHwMixingAllBuffers, 2u);
  LPDIRECTSOUNDBUFFER big = Create(1, 16, 44100, 1200, DSBCAPS_LOCHARDWARE);
  EXPECT_EQ(result_, DSERR_ALLOCATED);  // more than the card's memory
  LPDIRECTSOUNDBUFFER hardware = Create(1, 16, 44100, 600, DSBCAPS_LOCHARDWARE);
  ASSERT_EQ(result_, DS_OK);
  LPDIRECTSOUNDBUFFER placed = Create(1, 16, 44100, 600);  // no placement: hardware first
  ASSERT_EQ(result_, DS_OK);
  DWORD status;
  placed->GetStatus(&status);
  EXPECT_TRUE(status & DSBSTATUS_LOCSOFTWARE);  // the memory is taken
  ds_->GetCaps(&caps);
  EXPECT_EQ(caps.dwFreeHwMixingAllBuffers, 1u);
  EXPECT_EQ(caps.dwFreeHwMemBytes, 400u);
  hardware->Release();
  placed->Release();
  ds_->GetCaps(&caps);
  EXPECT_EQ(caps.dwFreeHwMixingAllBuffers, 2u);
  EXPECT_EQ(caps.dwFreeHwMemBytes, 1000u);
  caps.dwSize = 4;
  EXPECT_EQ(ds_->GetCaps(&caps), DSERR_INVALIDPARAM);
  (void)big;
}

TEST_F(DirectSoundTest, ReleasedObjectLeavesBuffersHarmless) {
  LPDIRECTSOUNDBUFFER buffer = Create(1, 16, 44100, 100);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  ds_->Release();
  ds_ = nullptr;
  EXPECT_EQ(machine::live_directsound_objects(), 0);
  EXPECT_EQ(buffer->Play(0, 0, 0), DSERR_UNINITIALIZED);
  machine::advance_audio_clock(10);
  EXPECT_EQ(buffer->Release(), 0u);
  EXPECT_EQ(machine::live_sound_buffers(), 0);
}

TEST_F(DirectSoundTest, WavSinkRecordsWhatTheCardPlays) {
  machine::record_audio_wav("out.wav");
  LPDIRECTSOUNDBUFFER buffer = Create(1, 16, 44100, 8);
  Fill(buffer, Samples16({1, 2, 3, 4}));
  buffer->Play(0, 0, 0);
  machine::advance_audio_clock(100);
  machine::record_audio_wav("");
  const std::string file = ReadWholeFile("out.wav");
  ASSERT_EQ(file.size(), 44u + 4410u * 4u);
  EXPECT_EQ(file.substr(0, 4), "RIFF");
  EXPECT_EQ(file.substr(36, 4), "data");
  uint32_t dataBytes;
  std::memcpy(&dataBytes, file.data() + 40, 4);
  EXPECT_EQ(dataBytes, 4410u * 4u);
  int16_t third[2];
  std::memcpy(third, file.data() + 44 + 8, 4);
  EXPECT_EQ(third[0], 3);
  EXPECT_EQ(third[1], 3);
  buffer->Release();
}

TEST_F(DirectSoundTest, EnvironmentNamesTheRecordingForAnyHost) {
  setenv("KORVANE_AUDIO_WAV", "host.wav", 1);
  machine::reset();  // the power-on card reads the variable
  machine::use_virtual_audio_clock();
  LPDIRECTSOUNDBUFFER buffer = Create(1, 16, 44100, 8);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  machine::advance_audio_clock(10);
  buffer->Release();
  EXPECT_EQ(ReadWholeFile("host.wav").size(), 44u + 441u * 4u);
  unsetenv("KORVANE_AUDIO_WAV");
}

TEST_F(DirectSoundTest, RealClockPlaysOnItsOwn) {
  machine::use_real_audio_clock();
  LPDIRECTSOUNDBUFFER buffer = Create(1, 16, 44100, 44100 * 2);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  DWORD play = 0;
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_GT(play, 0u);
  EXPECT_LT(play, 44100u * 2u);
  buffer->Release();
  // Back to the virtual clock: the mixing thread stops and the card waits.
  machine::use_virtual_audio_clock();
  const size_t captured = machine::captured_audio().bytes.size();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(machine::captured_audio().bytes.size(), captured);
}

TEST_F(DirectSoundTest, PrimaryHeldByTheHostOutlivesItsObject) {
  DSBUFFERDESC description{};
  description.dwSize = sizeof description;
  description.dwFlags = DSBCAPS_PRIMARYBUFFER;
  LPDIRECTSOUNDBUFFER primary = nullptr;
  ASSERT_EQ(ds_->CreateSoundBuffer(&description, &primary, nullptr), DS_OK);
  LPDIRECTSOUNDBUFFER again = nullptr;
  ASSERT_EQ(ds_->CreateSoundBuffer(&description, &again, nullptr), DS_OK);
  ASSERT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  ds_->Release();
  ds_ = nullptr;
  EXPECT_EQ(machine::live_sound_buffers(), 0);
  // The host's two references still name a valid object (AddressSanitizer
  // catches any use of freed memory here), which answers as an orphan until
  // the host lets it go.
  EXPECT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DSERR_UNINITIALIZED);
  DWORD status = 1;
  EXPECT_EQ(primary->GetStatus(&status), DS_OK);
  EXPECT_EQ(status, 0u) << "an orphan does not play";
  WAVEFORMATEX format{};
  EXPECT_EQ(again->GetFormat(&format, sizeof format, nullptr), DS_OK);
  EXPECT_EQ(again->Release(), 1u);
  EXPECT_EQ(primary->Release(), 0u);
  EXPECT_EQ(machine::live_sound_buffers(), 0);
}

TEST_F(DirectSoundTest, ObjectsMadeAndReleasedOnManyThreadsKeepTheCountAndEngineInStep) {
  ds_->Release();
  ds_ = nullptr;
  // Under real time every object open starts the mixer and the last close
  // stops it; both happen together with the count, under the card's lock.
  machine::use_real_audio_clock();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 200; ++i) {
        LPDIRECTSOUND object = nullptr;
        if (DirectSoundCreate(nullptr, &object, nullptr) == DS_OK) object->Release();
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  EXPECT_EQ(machine::live_directsound_objects(), 0);
  EXPECT_FALSE(machine::audio_engine_running());
  LPDIRECTSOUND object = nullptr;
  ASSERT_EQ(DirectSoundCreate(nullptr, &object, nullptr), DS_OK);
  EXPECT_TRUE(machine::audio_engine_running());
  object->Release();
  EXPECT_FALSE(machine::audio_engine_running());
  machine::use_virtual_audio_clock();
}

// The size a WAV file's header gives its data, and the size it has.
struct WavSizes {
  uint32_t riff = 0, data = 0;
  size_t fileData = 0;
};
WavSizes SizesOf(const std::string &file) {
  WavSizes sizes;
  if (file.size() < 44) return sizes;
  std::memcpy(&sizes.riff, file.data() + 4, 4);
  std::memcpy(&sizes.data, file.data() + 40, 4);
  sizes.fileData = file.size() - 44;
  return sizes;
}

TEST_F(DirectSoundTest, WavRecordingIsCompleteAtEachPointAHostMayStop) {
  machine::record_audio_wav("complete.wav");
  LPDIRECTSOUNDBUFFER buffer = Create(1, 16, 44100, 8);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  struct Stop {
    const char *when;
    void (*act)(LPDIRECTSOUND *, LPDIRECTSOUNDBUFFER *);
    size_t frames;  // recorded so far
  } stops[] = {
      {"after an advance", [](LPDIRECTSOUND *, LPDIRECTSOUNDBUFFER *) { machine::advance_audio_clock(10); }, 441},
      {"after another", [](LPDIRECTSOUND *, LPDIRECTSOUNDBUFFER *) { machine::advance_audio_clock(1000); }, 44541},
      {"after the last object is released",
       [](LPDIRECTSOUND *ds, LPDIRECTSOUNDBUFFER *played) {
         machine::advance_audio_clock(5);
         (*played)->Release();
         *played = nullptr;
         (*ds)->Release();
         *ds = nullptr;
       },
       44761},
  };
  for (const Stop &stop : stops) {
    stop.act(&ds_, &buffer);
    const WavSizes sizes = SizesOf(ReadWholeFile("complete.wav"));
    EXPECT_EQ(sizes.fileData, stop.frames * 4) << stop.when;
    EXPECT_EQ(sizes.data, sizes.fileData) << stop.when;
    EXPECT_EQ(sizes.riff, sizes.fileData + 36) << stop.when;
  }
  // Nothing open and nothing playing: time passes without recording.
  machine::advance_audio_clock(100);
  EXPECT_EQ(SizesOf(ReadWholeFile("complete.wav")).fileData, 44761u * 4u);
}

TEST_F(DirectSoundTest, OutputDriversComeFromOneTable) {
  EXPECT_EQ(machine::audio_driver(), "none");
  EXPECT_FALSE(machine::use_audio_driver("speakers"));
  EXPECT_EQ(machine::audio_driver(), "none");
  ASSERT_TRUE(machine::use_audio_driver("wav", "table.wav"));
  EXPECT_EQ(machine::audio_driver(), "wav");
  machine::advance_audio_clock(10);
  ASSERT_TRUE(machine::use_audio_driver("memory"));  // closes the file
  EXPECT_EQ(SizesOf(ReadWholeFile("table.wav")).data, 441u * 4u);
  machine::advance_audio_clock(10);
  EXPECT_EQ(SizesOf(ReadWholeFile("table.wav")).data, 441u * 4u);
  // The environment chooses the power-on driver.
  setenv("KORVANE_AUDIO_DRIVER", "wav:env.wav", 1);
  machine::reset();
  EXPECT_EQ(machine::audio_driver(), "wav");
  machine::use_virtual_audio_clock();
  machine::advance_audio_clock(10);
  EXPECT_EQ(SizesOf(ReadWholeFile("env.wav")).data, 441u * 4u);
  setenv("KORVANE_AUDIO_DRIVER", "speakers", 1);
  machine::reset();
  EXPECT_EQ(machine::audio_driver(), "none") << "an unknown driver plays into nothing";
  unsetenv("KORVANE_AUDIO_DRIVER");
}

TEST_F(DirectSoundTest, FormatChangeAfterSoundEndsTheRecordingCleanly) {
  machine::record_audio_wav("change.wav");
  ASSERT_EQ(ds_->SetCooperativeLevel(reinterpret_cast<HWND>(0x77), DSSCL_PRIORITY), DS_OK);
  LPDIRECTSOUNDBUFFER buffer = Create(1, 16, 44100, 8);
  Fill(buffer, Samples16({100, 100, 100, 100}));
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  machine::advance_audio_clock(10);
  DSBUFFERDESC description{};
  description.dwSize = sizeof description;
  description.dwFlags = DSBCAPS_PRIMARYBUFFER;
  LPDIRECTSOUNDBUFFER primary = nullptr;
  ASSERT_EQ(ds_->CreateSoundBuffer(&description, &primary, nullptr), DS_OK);
  WAVEFORMATEX mono = {WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
  ASSERT_EQ(primary->SetFormat(&mono), DS_OK);
  machine::advance_audio_clock(10);
  // The file keeps the sound of its own format, with a header that says so.
  const std::string file = ReadWholeFile("change.wav");
  const WavSizes sizes = SizesOf(file);
  EXPECT_EQ(sizes.data, 441u * 4u);
  EXPECT_EQ(sizes.fileData, sizes.data);
  uint16_t channels = 0;
  std::memcpy(&channels, file.data() + 22, 2);
  EXPECT_EQ(channels, 2);
  primary->Release();
  buffer->Release();
}

}  // namespace
