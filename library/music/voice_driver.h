// The module voices on DirectSound: every sample uploaded once into master
// buffers, every voice sounding on a master or a duplicate of it, with the
// player's volume, pan and frequency applied by the timer steps.
#pragma once

#include <cstdint>

#include "sound/sound_device.h"

namespace music {

constexpr int kSampleHandles = 128;
constexpr int kVoices = 32;
// Samples of repeated loop body written after a looped sample's loop end.
constexpr uint32_t kLoopPad = 6144;

// Sample flags as the driver knows them.
enum : uint16_t { kSample16Bit = 0x1, kSampleSigned = 0x2, kSampleLooped = 0x10 };
// Voice state bits.
enum : uint8_t { kVoiceDuplicate = 0x1, kVoiceWrapPending = 0x2, kVoiceSoftware = 0x4 };

struct Voice {
  uint8_t startPending;
  uint16_t sampleFlags;
  int16_t handle;
  uint32_t start;
  uint32_t size;
  uint32_t loopStart;
  uint32_t loopEnd;
  int32_t frequency;
  int32_t appliedFrequency;
  uint8_t volume;
  int16_t appliedVolume;
  uint8_t pan;
  int16_t appliedPan;
  IDirectSoundBuffer *buffer;
  uint8_t state;
};

struct SampleMasters {
  IDirectSoundBuffer *hardware[kSampleHandles];
  IDirectSoundBuffer *software[kSampleHandles];
  // A handle is taken from its upload to its unload, even when neither of
  // its masters could be made.
  bool taken[kSampleHandles];
};

extern SampleMasters gSampleMasters;
extern Voice gVoices[kVoices];
extern int gVoiceCount;

// Where a sample's data comes from: signed 16-bit samples, read in order.
class SampleSource {
 public:
  virtual ~SampleSource() = default;
  // Whether `count` more samples can be read.
  virtual bool Holds(uint32_t count) = 0;
  virtual bool Read(int16_t *out, uint32_t count) = 0;
};

// The driver's operations (the host-facing adapter calls these).
bool DriverPresent();
int16_t SampleLoad(SampleSource &source, uint32_t length, uint32_t loopStart, uint32_t loopEnd, uint16_t flags);
void SampleUnload(int16_t handle);
bool DriverInit();
// Playback starting: every voice record back to its start (silent, no note,
// panned right and left in turn, on no buffer). The tick timer that steps
// the voices is started after this.
void PlayStart();
// Playback stopping: every voice's buffer released. The tick timer is
// stopped before this.
void PlayStop();
void VoiceSetVolume(uint8_t voice, uint8_t volume);
void VoiceSetFrequency(uint8_t voice, uint32_t frequency);
void VoiceSetPanning(uint8_t voice, uint8_t pan);
void VoicePlay(uint8_t voice, int16_t handle, uint32_t start, uint32_t size, uint32_t loopStart, uint32_t loopEnd,
               uint16_t flags);

// The timer steps' work on the voices: after a player tick (step 0) and the
// apply step (step 1).
void MarkVoicesAfterTick();
void ApplyVoices();

// Stops every voice and releases every master buffer while DirectSound
// goes away; the handles stay taken until their modules are freed.
void ReleaseAllMasters();

// Tests: the staging size of a sample upload, in bytes.
uint64_t StagingBytes(uint32_t length, uint16_t flags);

}  // namespace music
