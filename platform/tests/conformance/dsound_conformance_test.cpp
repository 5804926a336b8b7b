// DirectSound as any program sees it: secondary buffers (creation and what
// is refused, Lock and Unlock including a wrapped lock, play and write
// cursors, status), the ranges of volume, pan and frequency, controls a
// buffer was not created with, and duplicates sharing their data.
#include "conformance.h"

#include <mmsystem.h>
#include <dsound.h>

#include <cstring>
#include <vector>

namespace {

constexpr DWORD kRate = 22050;
constexpr DWORD kBytes = kRate * 2;  // one second of 16-bit mono

class DirectSoundConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds_, nullptr), DS_OK);
    ASSERT_EQ(ds_->SetCooperativeLevel(conformance::TestWindow(), DSSCL_PRIORITY), DS_OK);
  }
  void TearDown() override {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) (*it)->Release();
    if (ds_ != nullptr) {
      EXPECT_EQ(ds_->Release(), 0u);
    }
  }

  static WAVEFORMATEX Format() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kRate * 2;
    return format;
  }

  IDirectSoundBuffer *Secondary(DWORD flags, DWORD bytes = kBytes, HRESULT expected = DS_OK) {
    WAVEFORMATEX format = Format();
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = flags;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer *buffer = nullptr;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &buffer, nullptr), expected);
    if (buffer != nullptr) made_.push_back(buffer);
    return buffer;
  }

  static constexpr DWORD kAllControls = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY |
                                        DSBCAPS_GETCURRENTPOSITION2;

  IDirectSound *ds_ = nullptr;
  std::vector<IDirectSoundBuffer *> made_;
};

TEST_F(DirectSoundConformance, BuffersAreMadeAsDescribedOrRefused) {
  IDirectSoundBuffer *buffer = Secondary(kAllControls);
  ASSERT_NE(buffer, nullptr);
  DSBCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(buffer->GetCaps(&caps), DS_OK);
  EXPECT_EQ(caps.dwBufferBytes, kBytes);
  EXPECT_EQ(caps.dwFlags & kAllControls, kAllControls);
  WAVEFORMATEX format{};
  DWORD written = 0;
  ASSERT_EQ(buffer->GetFormat(&format, sizeof format, &written), DS_OK);
  EXPECT_EQ(format.nSamplesPerSec, kRate);
  EXPECT_EQ(format.wBitsPerSample, 16);
  DWORD frequency = 0;
  ASSERT_EQ(buffer->GetFrequency(&frequency), DS_OK);
  EXPECT_EQ(frequency, kRate);

  // Sizes outside DSBSIZE_MIN..DSBSIZE_MAX, and a primary buffer with a
  // format, are refused.
  Secondary(kAllControls, 3, DSERR_INVALIDPARAM);
  Secondary(kAllControls, DSBSIZE_MAX + 1, DSERR_INVALIDPARAM);
  WAVEFORMATEX primaryFormat = Format();
  DSBUFFERDESC primary{};
  primary.dwSize = sizeof primary;
  primary.dwFlags = DSBCAPS_PRIMARYBUFFER;
  primary.lpwfxFormat = &primaryFormat;
  IDirectSoundBuffer *refused = nullptr;
  EXPECT_EQ(ds_->CreateSoundBuffer(&primary, &refused, nullptr), DSERR_INVALIDPARAM);
  EXPECT_EQ(refused, nullptr);
}

TEST_F(DirectSoundConformance, APrimaryBufferTakesNoSize) {
  SKIP_UNDER_WINE("Wine 8: makes a primary buffer whose description names a size");
  DSBUFFERDESC primary{};
  primary.dwSize = sizeof primary;
  primary.dwFlags = DSBCAPS_PRIMARYBUFFER;
  primary.dwBufferBytes = 4096;
  IDirectSoundBuffer *refused = nullptr;
  EXPECT_EQ(ds_->CreateSoundBuffer(&primary, &refused, nullptr), DSERR_INVALIDPARAM);
  if (refused != nullptr) made_.push_back(refused);
}

TEST_F(DirectSoundConformance, LocksCoverTheRequestWrappingAtTheEnd) {
  IDirectSoundBuffer *buffer = Secondary(kAllControls);
  ASSERT_NE(buffer, nullptr);
  LPVOID first = nullptr, second = nullptr;
  DWORD firstBytes = 0, secondBytes = 0;
  ASSERT_EQ(buffer->Lock(0, 0, &first, &firstBytes, &second, &secondBytes, DSBLOCK_ENTIREBUFFER), DS_OK);
  EXPECT_EQ(firstBytes, kBytes);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(secondBytes, 0u);
  BYTE *start = static_cast<BYTE *>(first);
  memset(start, 0x5A, kBytes);
  ASSERT_EQ(buffer->Unlock(first, firstBytes, second, secondBytes), DS_OK);

  ASSERT_EQ(buffer->Lock(kBytes - 100, 300, &first, &firstBytes, &second, &secondBytes, 0), DS_OK);
  EXPECT_EQ(static_cast<BYTE *>(first), start + kBytes - 100);
  EXPECT_EQ(firstBytes, 100u);
  EXPECT_EQ(static_cast<BYTE *>(second), start) << "the rest from the start";
  EXPECT_EQ(secondBytes, 200u);
  ASSERT_EQ(buffer->Unlock(first, firstBytes, second, secondBytes), DS_OK);

  EXPECT_EQ(buffer->Lock(0, kBytes + 1, &first, &firstBytes, &second, &secondBytes, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(kBytes, 2, &first, &firstBytes, &second, &secondBytes, 0), DSERR_INVALIDPARAM);
}

TEST_F(DirectSoundConformance, VolumePanAndFrequencyRanges) {
  IDirectSoundBuffer *buffer = Secondary(kAllControls);
  ASSERT_NE(buffer, nullptr);
  LONG value = 1;
  ASSERT_EQ(buffer->GetVolume(&value), DS_OK);
  EXPECT_EQ(value, DSBVOLUME_MAX);
  ASSERT_EQ(buffer->GetPan(&value), DS_OK);
  EXPECT_EQ(value, DSBPAN_CENTER);
  struct Row {
    const char *what;
    HRESULT (*set)(IDirectSoundBuffer *, LONG);
    LONG value;
    HRESULT expected;
  };
  auto volume = [](IDirectSoundBuffer *b, LONG v) { return b->SetVolume(v); };
  auto pan = [](IDirectSoundBuffer *b, LONG v) { return b->SetPan(v); };
  auto frequency = [](IDirectSoundBuffer *b, LONG v) { return b->SetFrequency(static_cast<DWORD>(v)); };
  const Row rows[] = {
      {"volume min", volume, DSBVOLUME_MIN, DS_OK},         {"volume max", volume, DSBVOLUME_MAX, DS_OK},
      {"volume below", volume, DSBVOLUME_MIN - 1, DSERR_INVALIDPARAM},
      {"volume above", volume, DSBVOLUME_MAX + 1, DSERR_INVALIDPARAM},
      {"pan left", pan, DSBPAN_LEFT, DS_OK},                {"pan right", pan, DSBPAN_RIGHT, DS_OK},
      {"pan past left", pan, DSBPAN_LEFT - 1, DSERR_INVALIDPARAM},
      {"pan past right", pan, DSBPAN_RIGHT + 1, DSERR_INVALIDPARAM},
      {"frequency min", frequency, DSBFREQUENCY_MIN, DS_OK}, {"frequency 44100", frequency, 44100, DS_OK},
      {"frequency below", frequency, DSBFREQUENCY_MIN - 1, DSERR_INVALIDPARAM},
      {"frequency original", frequency, DSBFREQUENCY_ORIGINAL, DS_OK},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(row.set(buffer, row.value), row.expected);
  }
  DWORD now = 0;
  ASSERT_EQ(buffer->GetFrequency(&now), DS_OK);
  EXPECT_EQ(now, kRate) << "DSBFREQUENCY_ORIGINAL restores the format's rate";
  ASSERT_EQ(buffer->GetVolume(&value), DS_OK);
  EXPECT_EQ(value, DSBVOLUME_MAX) << "the last volume accepted";

  IDirectSoundBuffer *plain = Secondary(0);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->SetVolume(-100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->SetPan(100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->SetFrequency(11025), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->GetVolume(&value), DSERR_CONTROLUNAVAIL);
}

TEST_F(DirectSoundConformance, CursorsAndStatusOfAStoppedAndAPlayingBuffer) {
  IDirectSoundBuffer *buffer = Secondary(kAllControls);
  ASSERT_NE(buffer, nullptr);
  DWORD status = 1, play = 1, write = 1;
  ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
  EXPECT_EQ(status & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING | DSBSTATUS_BUFFERLOST), 0u);
  ASSERT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
  EXPECT_EQ(play, 0u);
  ASSERT_EQ(buffer->SetCurrentPosition(1000), DS_OK);
  ASSERT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
  EXPECT_EQ(play, 1000u) << "a stopped buffer's play cursor is where it was set";

  ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
  EXPECT_EQ(status & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), static_cast<DWORD>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
  ASSERT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
  EXPECT_LT(play, kBytes);
  EXPECT_LT(write, kBytes);
  ASSERT_EQ(buffer->Stop(), DS_OK);
  ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
  EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
}

// DSBSTATUS_LOCSOFTWARE and DSBSTATUS_LOCHARDWARE are reported only for
// buffers made with DSBCAPS_LOCDEFER.
TEST_F(DirectSoundConformance, AStoppedBufferReportsNoStatusAtAll) {
  SKIP_ON_PLATFORM("reports DSBSTATUS_LOCSOFTWARE for a buffer made without DSBCAPS_LOCDEFER");
  IDirectSoundBuffer *buffer = Secondary(kAllControls);
  ASSERT_NE(buffer, nullptr);
  DWORD status = 1;
  ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
  EXPECT_EQ(status, 0u);
}

TEST_F(DirectSoundConformance, DuplicatesShareDataButNotSettings) {
  IDirectSoundBuffer *original = Secondary(kAllControls);
  ASSERT_NE(original, nullptr);
  IDirectSoundBuffer *duplicate = nullptr;
  ASSERT_EQ(ds_->DuplicateSoundBuffer(original, &duplicate), DS_OK);
  made_.push_back(duplicate);

  LPVOID data = nullptr;
  DWORD bytes = 0;
  ASSERT_EQ(original->Lock(0, 8, &data, &bytes, nullptr, nullptr, 0), DS_OK);
  memcpy(data, "KORVANE!", 8);
  ASSERT_EQ(original->Unlock(data, bytes, nullptr, 0), DS_OK);
  ASSERT_EQ(duplicate->Lock(0, 8, &data, &bytes, nullptr, nullptr, 0), DS_OK);
  EXPECT_EQ(std::string(static_cast<char *>(data), bytes), "KORVANE!");
  ASSERT_EQ(duplicate->Unlock(data, bytes, nullptr, 0), DS_OK);

  ASSERT_EQ(duplicate->SetVolume(-2000), DS_OK);
  LONG volume = 0;
  ASSERT_EQ(original->GetVolume(&volume), DS_OK);
  EXPECT_EQ(volume, 0) << "the original keeps its volume";
  DSBCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(duplicate->GetCaps(&caps), DS_OK);
  EXPECT_EQ(caps.dwBufferBytes, kBytes);

  // The data outlives the original.
  EXPECT_EQ(original->Release(), 0u);
  made_.erase(made_.begin());
  ASSERT_EQ(duplicate->Lock(0, 8, &data, &bytes, nullptr, nullptr, 0), DS_OK);
  EXPECT_EQ(std::string(static_cast<char *>(data), bytes), "KORVANE!");
  duplicate->Unlock(data, bytes, nullptr, 0);
}

}  // namespace
