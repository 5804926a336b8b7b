// The voice driver's record for libmikmod: each operation translates
// libmikmod's units and flag bits into the driver's own, and the sample
// reader turns a sample's file data (8- or 16-bit, signed or not, either byte
// order, delta-coded) into signed 16-bit samples.
#include "music/mikmod_driver.h"

#include <windows.h>

#include <mikmod.h>

#include <cstdio>

#include "music/module_player.h"
#include "music/tick_timer.h"
#include "music/voice_driver.h"

namespace music {

namespace {

// libmikmod's per-sample upload record (not in its public header).
struct MikModSampleLoad {
  MikModSampleLoad *next;
  ULONG length;
  ULONG loopstart;
  ULONG loopend;
  UWORD infmt;
  UWORD outfmt;
  int scalefactor;
  SAMPLE *sample;
  MREADER *reader;
};

// Reads one sample's data from the module file.
class MikModSampleSource : public SampleSource {
 public:
  MikModSampleSource(MREADER *reader, UWORD format) : reader_(reader), format_(format) {}

  bool Holds(uint32_t count) override {
    if (format_ & SF_ITPACKED) return false;  // no loader the library registers writes it
    const long here = reader_->Tell(reader_);
    if (here < 0 || reader_->Seek(reader_, 0, SEEK_END) != 0) return false;
    const long end = reader_->Tell(reader_);
    reader_->Seek(reader_, here, SEEK_SET);
    return end >= here && static_cast<uint64_t>(end - here) >= static_cast<uint64_t>(count) * BytesPerSample();
  }

  bool Read(int16_t *out, uint32_t count) override {
    unsigned char chunk[4096];
    const uint32_t perSample = BytesPerSample();
    while (count > 0) {
      const uint32_t take = count < sizeof chunk / perSample ? count : static_cast<uint32_t>(sizeof chunk / perSample);
      if (!reader_->Read(reader_, chunk, take * perSample)) return false;
      for (uint32_t i = 0; i < take; ++i) *out++ = Convert(chunk + i * perSample);
      count -= take;
    }
    return true;
  }

 private:
  uint32_t BytesPerSample() const { return (format_ & SF_16BITS) ? 2 : 1; }

  int16_t Convert(const unsigned char *bytes) {
    uint16_t value;
    if (format_ & SF_16BITS) {
      value = (format_ & SF_BIG_ENDIAN) ? static_cast<uint16_t>(bytes[0] << 8 | bytes[1])
                                        : static_cast<uint16_t>(bytes[1] << 8 | bytes[0]);
    } else {
      value = static_cast<uint16_t>(bytes[0] << 8);
    }
    if (format_ & SF_DELTA) {
      value = static_cast<uint16_t>(value + previous_);
      previous_ = value;
    }
    if (!(format_ & SF_SIGNED)) value ^= 0x8000;
    return static_cast<int16_t>(value);
  }

  MREADER *reader_;
  UWORD format_;
  uint16_t previous_ = 0;
};

void (*gAdvancePlayer)() = nullptr;
// What each voice was last given, in libmikmod's units, for its queries.
struct VoiceQueries {
  UWORD volume;
  ULONG frequency;
  ULONG pan;
};
VoiceQueries gVoiceQueries[kVoices];

void IgnoreCommandLine(const CHAR *) {}
BOOL IsPresent() { return DriverPresent() ? 1 : 0; }

SWORD LoadSample(struct SAMPLOAD *record, int) {
  MikModSampleLoad *load = reinterpret_cast<MikModSampleLoad *>(record);
  if (!DriverPresent() || load == nullptr || load->reader == nullptr || load->sample == nullptr) return -1;
  // The data arrives as signed 16-bit samples whatever the file holds.
  load->outfmt = static_cast<UWORD>(load->infmt | SF_16BITS | SF_SIGNED);
  MikModSampleSource source(load->reader, load->infmt);
  const SWORD handle = SampleLoad(source, load->length, load->loopstart, load->loopend,
                                  DriverSampleFlags(load->sample->flags));
  if (handle >= 0) {
    // libmikmod skips what it believes is still unread of the sample when
    // the upload returns (all of it, as its own reader did not run); the
    // reader is moved back by as much so the next sample is read in place.
    const long unread = (load->infmt & SF_16BITS) ? static_cast<long>(load->length >> 1) : static_cast<long>(load->length);
    if (unread > 0) load->reader->Seek(load->reader, -unread, SEEK_CUR);
  }
  return handle;
}

void UnloadSample(SWORD handle) { SampleUnload(handle); }
ULONG FreeSampleSpace(int) { return 0; }  // no limit: samples are never reduced
ULONG RealSampleLength(int, SAMPLE *sample) { return sample == nullptr ? 0 : sample->length * 2; }
int Init() {
  for (VoiceQueries &each : gVoiceQueries) each = VoiceQueries{0, 0, 0};
  return DriverInit() ? 0 : 1;
}
void Exit() {}
int Reset() { return 0; }
int SetNumVoices() { return 0; }
// The voices are made ready before the timer that steps them starts, and
// the timer stops before their buffers go.
int StartPlaying() {
  PlayStart();
  StartTickTimer();
  return 0;
}
void StopPlaying() {
  StopTickTimer();
  PlayStop();
}
void Update() {}
void Pause() {}

void SetVolume(UBYTE voice, UWORD volume) {
  if (voice >= kVoices) return;
  gVoiceQueries[voice].volume = volume;
  VoiceSetVolume(voice, DriverVolume(volume, GlobalVolumePercent()));
}
UWORD GetVolume(UBYTE voice) { return voice < kVoices ? gVoiceQueries[voice].volume : 0; }
void SetFrequency(UBYTE voice, ULONG frequency) {
  if (voice >= kVoices) return;
  gVoiceQueries[voice].frequency = frequency;
  VoiceSetFrequency(voice, frequency);
}
ULONG GetFrequency(UBYTE voice) { return voice < kVoices ? gVoiceQueries[voice].frequency : 0; }
void SetPanning(UBYTE voice, ULONG pan) {
  if (voice >= kVoices) return;
  gVoiceQueries[voice].pan = pan;
  VoiceSetPanning(voice, DriverPan(pan));
}
ULONG GetPanning(UBYTE voice) { return voice < kVoices ? gVoiceQueries[voice].pan : 0; }
void Play(UBYTE voice, SWORD handle, ULONG start, ULONG size, ULONG loopStart, ULONG loopEnd, UWORD flags) {
  VoicePlay(voice, handle, start, size, loopStart, loopEnd, DriverSampleFlags(flags));
}
// A voice the player stops is silenced; its buffer sounds on muted until
// the voice's next note replaces it.
void Stop(UBYTE voice) {
  if (voice < kVoices) VoiceSetVolume(voice, 0);
}
BOOL Stopped(UBYTE voice) {
  return voice < kVoices && gVoices[voice].buffer == nullptr && !gVoices[voice].startPending;
}
SLONG GetPosition(UBYTE) { return -1; }
ULONG RealVolume(UBYTE) { return 0; }

MDRIVER gDriver;

void FillDriverRecord() {
  gDriver.next = nullptr;
  gDriver.Name = "DirectSound";
  gDriver.Version = "DirectSound Driver";
  gDriver.HardVoiceLimit = kVoices;
  gDriver.SoftVoiceLimit = 0;
  gDriver.Alias = "dsvoices";
  gDriver.CmdLineHelp = nullptr;
  gDriver.CommandLine = IgnoreCommandLine;
  gDriver.IsPresent = IsPresent;
  gDriver.SampleLoad = LoadSample;
  gDriver.SampleUnload = UnloadSample;
  gDriver.FreeSampleSpace = FreeSampleSpace;
  gDriver.RealSampleLength = RealSampleLength;
  gDriver.Init = Init;
  gDriver.Exit = Exit;
  gDriver.Reset = Reset;
  gDriver.SetNumVoices = SetNumVoices;
  gDriver.PlayStart = StartPlaying;
  gDriver.PlayStop = StopPlaying;
  gDriver.Update = Update;
  gDriver.Pause = Pause;
  gDriver.VoiceSetVolume = SetVolume;
  gDriver.VoiceGetVolume = GetVolume;
  gDriver.VoiceSetFrequency = SetFrequency;
  gDriver.VoiceGetFrequency = GetFrequency;
  gDriver.VoiceSetPanning = SetPanning;
  gDriver.VoiceGetPanning = GetPanning;
  gDriver.VoicePlay = Play;
  gDriver.VoiceStop = Stop;
  gDriver.VoiceStopped = Stopped;
  gDriver.VoiceGetPosition = GetPosition;
  gDriver.VoiceRealVolume = RealVolume;
}

// The player hook: one player tick, then the timer follows the player.
void PlayerHook() {
  if (gAdvancePlayer != nullptr) gAdvancePlayer();
  AfterPlayerTick();
}

}  // namespace

uint16_t DriverSampleFlags(unsigned mikmodFlags) {
  uint16_t flags = 0;
  if (mikmodFlags & SF_16BITS) flags |= kSample16Bit;
  if (mikmodFlags & SF_SIGNED) flags |= kSampleSigned;
  if (mikmodFlags & SF_LOOP) flags |= kSampleLooped;
  return flags;
}

uint8_t DriverVolume(unsigned mikmodVolume, int globalPercent) {
  unsigned volume = mikmodVolume / 4;
  if (volume > 64) volume = 64;
  return static_cast<uint8_t>(volume * static_cast<unsigned>(globalPercent) / 100);
}

uint8_t DriverPan(unsigned long mikmodPan) {
  // Surround has no place on a stereo pan: it sounds centred.
  return mikmodPan > 255 ? static_cast<uint8_t>(PAN_CENTER) : static_cast<uint8_t>(mikmodPan);
}

void PrepareModulePlayer() {
  md_mixfreq = 44100;
  md_mode = 7;
  md_device = 0;
  static bool registered = false;
  if (registered) return;
  registered = true;
  // libmikmod tries loaders in the order they were registered: XM, UNI,
  // S3M, then the 31- and the 15-instrument MOD, whose test is the loosest.
  MikMod_RegisterLoader(&load_xm);
  MikMod_RegisterLoader(&load_uni);
  MikMod_RegisterLoader(&load_s3m);
  MikMod_RegisterLoader(&load_mod);
  MikMod_RegisterLoader(&load_m15);
  FillDriverRecord();
  MikMod_RegisterDriver(&gDriver);
  gAdvancePlayer = MikMod_RegisterPlayer(PlayerHook);
  gPlayerTick = PlayerHook;
}

}  // namespace music
