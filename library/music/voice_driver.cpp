// The voice driver's sample uploads and voice records: masters made from a
// staging copy of each sample (looped samples padded with their loop body),
// voices put on a master or a duplicate, and the apply step that hands the
// stored volume, pan and frequency to DirectSound.
#include "music/voice_driver.h"

#include <cstring>
#include <initializer_list>
#include <new>

#include "core/allocation.h"
#include "core/error_names.h"
#include "core/report.h"
#include "korvane.h"
#include "music/volume_pan_tables.h"

namespace music {

SampleMasters gSampleMasters;
Voice gVoices[kVoices];
int gVoiceCount = 0;

namespace {

constexpr DWORD kMasterRate = 44100;
// The largest secondary buffer DirectSound makes (DSBSIZE_MAX).
constexpr uint64_t kLargestBuffer = 0x0FFFFFFF;
constexpr LONG kSilence = -10000;

bool FreeHardwareBuffers() { return FREE_DSHWBUFFERS() > 0; }

// Copies the staging data into a new buffer; a lost buffer is restored and
// locked once more, and a buffer that cannot be locked stays unfilled.
void FillMaster(IDirectSoundBuffer *buffer, const BYTE *data, DWORD bytes) {
  void *first = nullptr, *second = nullptr;
  DWORD firstBytes = 0, secondBytes = 0;
  HRESULT result = buffer->Lock(0, bytes, &first, &firstBytes, &second, &secondBytes, 0);
  if (result == DSERR_BUFFERLOST) {
    buffer->Restore();
    result = buffer->Lock(0, bytes, &first, &firstBytes, &second, &secondBytes, 0);
  }
  if (FAILED(result)) return;
  const DWORD head = firstBytes < bytes ? firstBytes : bytes;
  std::memcpy(first, data, head);
  if (second != nullptr && bytes > head) {
    const DWORD tail = bytes - head < secondBytes ? bytes - head : secondBytes;
    std::memcpy(second, data + head, tail);
  }
  buffer->Unlock(first, firstBytes, second, secondBytes);
}

IDirectSoundBuffer *CreateMaster(const BYTE *data, DWORD bytes, DWORD placement) {
  WAVEFORMATEX format;
  std::memset(&format, 0, sizeof format);
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = kMasterRate;
  format.nAvgBytesPerSec = kMasterRate * 2;
  format.nBlockAlign = 2;
  format.wBitsPerSample = 16;
  DSBUFFERDESC description;
  std::memset(&description, 0, sizeof description);
  description.dwSize = sizeof(DSBUFFERDESC);
  description.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | placement;
  description.dwBufferBytes = bytes;
  description.lpwfxFormat = &format;
  IDirectSoundBuffer *buffer = nullptr;
  HRESULT result = glpDS->CreateSoundBuffer(&description, &buffer, nullptr);
  if (FAILED(result) || buffer == nullptr) {
    ReportLine("%s", DSErrorName(result));
    return nullptr;
  }
  FillMaster(buffer, data, bytes);
  return buffer;
}

// After the sample: two silent samples, or the loop body repeated from the
// loop end to the end of the staging buffer.
void PadSample(int16_t *samples, uint32_t total, uint32_t length, uint32_t loopStart, uint32_t loopEnd, bool looped) {
  if (!looped) {
    samples[length] = 0;
    samples[length + 1] = 0;
    return;
  }
  if (loopEnd > length) loopEnd = length;
  if (loopStart >= loopEnd) {
    // An empty loop has no body to repeat.
    std::memset(samples + length, 0, (total - length) * sizeof(int16_t));
    return;
  }
  uint32_t k = loopStart;
  for (uint32_t j = loopEnd; j < total; ++j) {
    samples[j] = samples[k];
    if (++k == loopEnd) k = loopStart;
  }
}

void ReleaseVoiceBuffer(Voice &voice, bool stop) {
  if (voice.buffer == nullptr) return;
  if (stop) voice.buffer->Stop();
  if (voice.state & kVoiceDuplicate) voice.buffer->Release();
  voice.buffer = nullptr;
  voice.state &= static_cast<uint8_t>(~(kVoiceDuplicate | kVoiceSoftware));
}

bool IsPlaying(IDirectSoundBuffer *buffer) {
  DWORD status = 0;
  return SUCCEEDED(buffer->GetStatus(&status)) && (status & DSBSTATUS_PLAYING) != 0;
}

// The voice takes the master itself when it is silent, or a duplicate of it
// when it already sounds for another voice.
void TakeMaster(Voice &voice, IDirectSoundBuffer *master, bool requireFreeHardware) {
  if (!IsPlaying(master)) {
    voice.buffer = master;
    return;
  }
  if (requireFreeHardware && !FreeHardwareBuffers()) return;
  IDirectSoundBuffer *duplicate = nullptr;
  if (SUCCEEDED(glpDS->DuplicateSoundBuffer(master, &duplicate)) && duplicate != nullptr) {
    voice.buffer = duplicate;
    voice.state |= kVoiceDuplicate;
  }
}

DWORD PlayCursorSamples(IDirectSoundBuffer *buffer) {
  DWORD play = 0, write = 0;
  if (FAILED(buffer->GetCurrentPosition(&play, &write))) return 0;
  return play / 2;
}

bool Looped(const Voice &voice) { return (voice.sampleFlags & kSampleLooped) != 0; }
bool OnSoftwareMaster(const Voice &voice) { return (voice.state & kVoiceSoftware) != 0; }

void ApplyVoice(Voice &voice) {
  if (voice.buffer != nullptr && Looped(voice) && (voice.state & kVoiceWrapPending)) {
    const uint32_t loopLength = voice.loopEnd - voice.loopStart;
    if (voice.loopEnd > voice.loopStart) {
      const DWORD cursor = PlayCursorSamples(voice.buffer);
      // A cursor before the loop start cannot be past the loop end; it is
      // left alone rather than wrapped through unsigned arithmetic.
      if (cursor >= voice.loopStart) {
        const DWORD wrapped = (cursor - voice.loopStart) % loopLength + voice.loopStart;
        voice.buffer->SetCurrentPosition(wrapped * 2);
      }
    }
    if (!OnSoftwareMaster(voice)) voice.appliedVolume = -1;
  }
  if (voice.buffer != nullptr && !IsPlaying(voice.buffer)) ReleaseVoiceBuffer(voice, false);
  if (voice.startPending) {
    ReleaseVoiceBuffer(voice, true);
    const int handle = voice.handle;
    if (handle >= 0 && handle < kSampleHandles) {
      if (gSampleMasters.hardware[handle] != nullptr) TakeMaster(voice, gSampleMasters.hardware[handle], true);
      if (voice.buffer == nullptr && gSampleMasters.software[handle] != nullptr) {
        TakeMaster(voice, gSampleMasters.software[handle], false);
        voice.state |= kVoiceSoftware;
      }
    }
    if (voice.buffer == nullptr) voice.state &= static_cast<uint8_t>(~kVoiceSoftware);
    if (voice.buffer != nullptr) voice.buffer->SetCurrentPosition(voice.start * 2);
    voice.appliedVolume = -1;
    voice.appliedPan = -1;
    voice.appliedFrequency = -1;
  }
  if (voice.buffer != nullptr) {
    if (voice.frequency != voice.appliedFrequency) voice.buffer->SetFrequency(static_cast<DWORD>(voice.frequency));
    if (voice.volume != voice.appliedVolume) voice.buffer->SetVolume(gVolumePanTables.volume[voice.volume]);
    if (voice.pan != voice.appliedPan) voice.buffer->SetPan(gVolumePanTables.pan[voice.pan]);
    if (voice.startPending) voice.buffer->Play(0, 0, 0);
  }
  voice.startPending = 0;
  voice.state &= static_cast<uint8_t>(~kVoiceWrapPending);
  voice.appliedPan = voice.pan;
  voice.appliedVolume = voice.volume;
  voice.appliedFrequency = voice.frequency;
}

Voice *VoiceAt(uint8_t voice) { return voice < kVoices ? &gVoices[voice] : nullptr; }

}  // namespace

uint64_t StagingBytes(uint32_t length, uint16_t flags) {
  uint64_t bytes = static_cast<uint64_t>(length) * 2 + 4;
  if (flags & kSampleLooped) bytes += kLoopPad * 2;
  return bytes;
}

bool DriverPresent() { return glpDS != nullptr; }

int16_t SampleLoad(SampleSource &source, uint32_t length, uint32_t loopStart, uint32_t loopEnd, uint16_t flags) {
  int handle = 0;
  while (handle < kSampleHandles && gSampleMasters.taken[handle]) ++handle;
  if (handle == kSampleHandles) {
    ReportLine("ERROR_OUT_OF_HANDLES");
    return -1;
  }
  // A sample the file cannot supply in full fails here, before anything is
  // sized from its claimed length.
  if (!source.Holds(length)) return -1;
  const uint64_t bytes = StagingBytes(length, flags);
  int16_t *staging = nullptr;
  if (bytes <= kLargestBuffer && korvane::AllocationAllowed()) {
    staging = new (std::nothrow) int16_t[bytes / 2];
  }
  if (staging == nullptr) {
    ReportLine(" ERROR_SAMPLE_TOO_BIG");
    return -1;
  }
  if (!source.Read(staging, length)) {
    delete[] staging;
    return -1;
  }
  PadSample(staging, static_cast<uint32_t>(bytes / 2), length, loopStart, loopEnd, (flags & kSampleLooped) != 0);
  const BYTE *data = reinterpret_cast<const BYTE *>(staging);
  gSampleMasters.hardware[handle] =
      FreeHardwareBuffers() ? CreateMaster(data, static_cast<DWORD>(bytes), DSBCAPS_LOCHARDWARE) : nullptr;
  gSampleMasters.software[handle] = CreateMaster(data, static_cast<DWORD>(bytes), DSBCAPS_LOCSOFTWARE);
  gSampleMasters.taken[handle] = true;
  delete[] staging;
  return static_cast<int16_t>(handle);
}

void SampleUnload(int16_t handle) {
  if (handle < 0 || handle >= kSampleHandles) return;
  for (IDirectSoundBuffer **slot : {&gSampleMasters.hardware[handle], &gSampleMasters.software[handle]}) {
    if (*slot == nullptr) continue;
    (*slot)->Stop();
    (*slot)->Release();
    *slot = nullptr;
  }
  gSampleMasters.taken[handle] = false;
}

bool DriverInit() {
  if (glpDS == nullptr) return false;
  BuildVolumePanTables();
  return true;
}

void PlayStart() {
  for (int i = 0; i < gVoiceCount; ++i) {
    Voice &voice = gVoices[i];
    voice.sampleFlags = 0;
    voice.handle = 0;
    voice.startPending = 0;
    voice.frequency = 10000;
    voice.volume = 0;
    voice.pan = (i % 2 == 0) ? 255 : 0;
    voice.buffer = nullptr;
  }
}

void PlayStop() {
  for (int i = 0; i < gVoiceCount; ++i) ReleaseVoiceBuffer(gVoices[i], true);
}

void VoiceSetVolume(uint8_t voice, uint8_t volume) {
  if (Voice *record = VoiceAt(voice)) record->volume = volume > 64 ? 64 : volume;
}

void VoiceSetFrequency(uint8_t voice, uint32_t frequency) {
  if (Voice *record = VoiceAt(voice)) record->frequency = static_cast<int32_t>(frequency);
}

void VoiceSetPanning(uint8_t voice, uint8_t pan) {
  if (Voice *record = VoiceAt(voice)) record->pan = pan;
}

void VoicePlay(uint8_t voice, int16_t handle, uint32_t start, uint32_t size, uint32_t loopStart, uint32_t loopEnd,
               uint16_t flags) {
  Voice *record = VoiceAt(voice);
  if (record == nullptr || start >= size) return;
  if ((flags & kSampleLooped) && loopEnd > size) loopEnd = size;
  record->sampleFlags = flags;
  record->handle = handle;
  record->start = start;
  record->size = size;
  record->loopStart = loopStart;
  record->loopEnd = loopEnd;
  record->startPending = 1;
}

void MarkVoicesAfterTick() {
  for (int i = 0; i < gVoiceCount; ++i) {
    Voice &voice = gVoices[i];
    if (voice.buffer == nullptr) continue;
    if (Looped(voice) && PlayCursorSamples(voice.buffer) > voice.loopEnd + kLoopPad / 2) {
      if (!OnSoftwareMaster(voice)) voice.buffer->SetVolume(kSilence);
      voice.state |= kVoiceWrapPending;
    }
    // The old note is muted just before a new one replaces it.
    if (voice.startPending && !OnSoftwareMaster(voice)) voice.buffer->SetVolume(kSilence);
  }
}

void ApplyVoices() {
  for (int i = 0; i < gVoiceCount; ++i) ApplyVoice(gVoices[i]);
}

void ReleaseAllMasters() {
  for (int i = 0; i < kVoices; ++i) ReleaseVoiceBuffer(gVoices[i], true);
  for (int handle = 0; handle < kSampleHandles; ++handle) {
    const bool taken = gSampleMasters.taken[handle];
    SampleUnload(static_cast<int16_t>(handle));
    gSampleMasters.taken[handle] = taken;
  }
}

}  // namespace music
