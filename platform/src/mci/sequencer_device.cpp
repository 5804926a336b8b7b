// The "sequencer" device: one standard MIDI file, its events sent to the
// synthesiser at their times as the mixer pulls sound, positions in
// milliseconds or SMPTE time, and the end of the file ending playback.
#include <algorithm>
#include <cmath>
#include <vector>

#include "mci/mci_devices.h"
#include "mci/midi_file.h"
#include "mci/midi_synth.h"

namespace platform {

namespace {

constexpr double kMicrosecondsPerSecond = 1e6;

// SMPTE times pack hours, minutes, seconds and frames from the low byte up.
double SmpteFramesPerSecond(DWORD format) {
  switch (format) {
    case MCI_FORMAT_SMPTE_24:
      return 24;
    case MCI_FORMAT_SMPTE_25:
      return 25;
    case MCI_FORMAT_SMPTE_30DROP:
      return 29.97;
    default:
      return 30;
  }
}

uint64_t ToMicroseconds(DWORD format, DWORD value) {
  if (format == MCI_FORMAT_MILLISECONDS) return uint64_t{value} * 1000;
  const uint64_t seconds = ((value & 0xFF) * 3600ull) + (((value >> 8) & 0xFF) * 60ull) + ((value >> 16) & 0xFF);
  const double frames = (value >> 24) & 0xFF;
  return seconds * 1000000ull + static_cast<uint64_t>(frames * kMicrosecondsPerSecond / SmpteFramesPerSecond(format));
}

DWORD FromMicroseconds(DWORD format, uint64_t microseconds) {
  if (format == MCI_FORMAT_MILLISECONDS) return static_cast<DWORD>(std::min<uint64_t>(microseconds / 1000, 0xFFFFFFFFu));
  const uint64_t seconds = microseconds / 1000000;
  const uint64_t frame = static_cast<uint64_t>((microseconds % 1000000) * SmpteFramesPerSecond(format) / kMicrosecondsPerSecond);
  const uint64_t hours = std::min<uint64_t>(seconds / 3600, 255);
  return static_cast<DWORD>(hours | ((seconds / 60 % 60) << 8) | ((seconds % 60) << 16) | (frame << 24));
}

class SequencerDevice : public MciDevice {
 public:
  SequencerDevice(MidiSong song, std::unique_ptr<MidiSynth> synth)
      : song_(std::move(song)), synth_(std::move(synth)), rate_(synth_->sampleRate()) {
    endFrame_ = FrameAt(song_.lengthMicroseconds);
  }

  bool MixInto(int32_t *accumulator, uint32_t frames, uint32_t outputRate) override {
    if (ModeLocked() != Mode::kPlay) return false;
    // Synthesiser frames due for this block, counted over the whole play so
    // that a different output rate never drifts.
    outputFrames_ += frames;
    const uint64_t due = outputFrames_ * rate_ / outputRate;
    const uint32_t count = static_cast<uint32_t>(due > synthFrames_ ? due - synthFrames_ : 0);
    synthFrames_ = due;
    staging_.assign(2 * static_cast<size_t>(count), 0.0f);
    const bool more = RenderLocked(staging_.data(), count);
    for (uint32_t i = 0; i < frames; ++i) {
      // Nearest frame of the synthesiser's block; the same frame when rates agree.
      const uint32_t at = count == 0 ? 0 : std::min<uint32_t>(count - 1, static_cast<uint32_t>(uint64_t{i} * count / frames));
      if (count == 0) break;
      accumulator[2 * i] += static_cast<int32_t>(std::lrint(std::clamp(staging_[2 * at], -1.0f, 1.0f) * 32767.0f));
      accumulator[2 * i + 1] += static_cast<int32_t>(std::lrint(std::clamp(staging_[2 * at + 1], -1.0f, 1.0f) * 32767.0f));
    }
    if (!more) FinishedLocked();
    return more;
  }

 protected:
  bool TimeFormatSupported(DWORD format) const override {
    return format == MCI_FORMAT_MILLISECONDS || (format >= MCI_FORMAT_SMPTE_24 && format <= MCI_FORMAT_SMPTE_30DROP);
  }

  MCIERROR Play(DWORD flags, const MCI_PLAY_PARMS *params) override {
    {
      std::lock_guard<std::mutex> hold(MixLock());
      const uint64_t from = (flags & MCI_FROM) ? ToMicroseconds(timeFormat_, params->dwFrom) : 0;
      const uint64_t to = (flags & MCI_TO) ? ToMicroseconds(timeFormat_, params->dwTo) : song_.lengthMicroseconds;
      if (from > song_.lengthMicroseconds || to > song_.lengthMicroseconds) return MCIERR_OUTOFRANGE;
      const uint64_t start = (flags & MCI_FROM) ? FrameAt(from) : position_;
      if (FrameAt(to) < start) return MCIERR_OUTOFRANGE;
      if (flags & MCI_FROM) MoveToLocked(start);
      endFrame_ = FrameAt(to);
      StartLocked((flags & MCI_NOTIFY) ? reinterpret_cast<HWND>(params->dwCallback) : nullptr);
      outputFrames_ = synthFrames_ = 0;
      if (position_ >= endFrame_) {
        FinishedLocked();
        return 0;
      }
    }
    JoinMix();
    return 0;
  }

  MCIERROR Seek(DWORD flags, const MCI_SEEK_PARMS *params) override {
    std::lock_guard<std::mutex> hold(MixLock());
    uint64_t to = 0;
    if (flags & MCI_SEEK_TO_END) {
      to = song_.lengthMicroseconds;
    } else if (flags & MCI_TO) {
      to = ToMicroseconds(timeFormat_, params->dwTo);
      if (to > song_.lengthMicroseconds) return MCIERR_OUTOFRANGE;
    } else if (!(flags & MCI_SEEK_TO_START)) {
      return MCIERR_MISSING_PARAMETER;
    }
    HaltLocked(Mode::kStop);
    MoveToLocked(FrameAt(to));
    return 0;
  }

  MCIERROR Status(DWORD flags, MCI_STATUS_PARMS *params) override {
    std::lock_guard<std::mutex> hold(MixLock());
    if (CommonStatusLocked(params)) return 0;
    if ((flags & MCI_TRACK) && params->dwTrack != 1) return MCIERR_OUTOFRANGE;
    switch (params->dwItem) {
      case MCI_STATUS_LENGTH:
        params->dwReturn = FromMicroseconds(timeFormat_, song_.lengthMicroseconds);
        return 0;
      case MCI_STATUS_POSITION:
        params->dwReturn = FromMicroseconds(timeFormat_, (flags & MCI_STATUS_START) ? 0 : MicrosecondsAt(position_));
        return 0;
      case MCI_STATUS_NUMBER_OF_TRACKS:
      case MCI_STATUS_CURRENT_TRACK:
        params->dwReturn = 1;
        return 0;
      case MCI_SEQ_STATUS_DIVTYPE:
        params->dwReturn = song_.ticksPerQuarter != 0 ? MCI_SEQ_DIV_PPQN : MCI_SEQ_DIV_SMPTE_30;
        return 0;
      case MCI_SEQ_STATUS_TEMPO:
        // Beats per minute at the start.
        params->dwReturn = 60000000u / std::max<uint32_t>(song_.firstTempo, 1);
        return 0;
      default:
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
  }

  void SilenceLocked() override { synth_->AllNotesOff(); }

 private:
  uint64_t FrameAt(uint64_t microseconds) const {
    return static_cast<uint64_t>(std::ceil(static_cast<double>(microseconds) * rate_ / kMicrosecondsPerSecond));
  }
  uint64_t MicrosecondsAt(uint64_t frame) const {
    return static_cast<uint64_t>(static_cast<double>(frame) * kMicrosecondsPerSecond / rate_);
  }

  // A new position: the synthesiser starts afresh with every program,
  // controller and bend that the song set before it, so that the music goes
  // on with the right instruments.
  void MoveToLocked(uint64_t frame) {
    synth_->Reset();
    position_ = frame;
    next_ = 0;
    while (next_ < song_.events.size() && FrameAt(song_.events[next_].microseconds) < frame) {
      const MidiEvent &event = song_.events[next_++];
      const uint8_t kind = event.status & 0xF0;
      if (kind != 0x80 && kind != 0x90 && kind != 0xA0) synth_->Send(event);
    }
  }

  // Renders `frames` frames from the position, sending each event at its
  // frame; false once the end of the play is reached (the rest is silent).
  bool RenderLocked(float *out, uint32_t frames) {
    uint32_t done = 0;
    while (done < frames && position_ < endFrame_) {
      while (next_ < song_.events.size() && FrameAt(song_.events[next_].microseconds) <= position_) {
        synth_->Send(song_.events[next_++]);
      }
      uint64_t until = std::min<uint64_t>(endFrame_, position_ + (frames - done));
      if (next_ < song_.events.size()) until = std::min(until, FrameAt(song_.events[next_].microseconds));
      const uint32_t chunk = static_cast<uint32_t>(until - position_);
      synth_->Render(out + 2 * static_cast<size_t>(done), chunk);
      done += chunk;
      position_ += chunk;
    }
    return position_ < endFrame_;
  }

  const MidiSong song_;
  std::unique_ptr<MidiSynth> synth_;
  const uint32_t rate_;
  // Under the mix lock: the position in synthesiser frames, the next event,
  // the end of the current play and the frames rendered for it.
  uint64_t position_ = 0;
  size_t next_ = 0;
  uint64_t endFrame_ = 0;
  uint64_t outputFrames_ = 0;
  uint64_t synthFrames_ = 0;
  std::vector<float> staging_;
};

}  // namespace

MCIERROR OpenSequencerDevice(DWORD flags, const MCI_OPEN_PARMSA &params, std::unique_ptr<MciDevice> *device) {
  if (!(flags & MCI_OPEN_ELEMENT)) return MCIERR_FILENAME_REQUIRED;
  MidiSong song;
  const MCIERROR error = LoadMidiFile(params.lpstrElementName, &song);
  if (error != 0) return error;
  uint32_t rate;
  {
    std::lock_guard<std::mutex> hold(AudioEngine::Get().lock());
    rate = AudioEngine::Get().format().nSamplesPerSec;
  }
  std::unique_ptr<MidiSynth> synth = MidiSynth::Create(rate);
  if (synth == nullptr) return MCIERR_SEQ_NOMIDIPRESENT;
  *device = std::make_unique<SequencerDevice>(std::move(song), std::move(synth));
  return 0;
}

}  // namespace platform
