// The "cdaudio" device on the virtual drive: positions in milliseconds, MSF
// or TMSF, play from/to across tracks, seek, the current track, and the
// tracks' sound mixed at the output rate as the mixer pulls it.
#include <algorithm>
#include <map>
#include <vector>

#include "mci/mci_devices.h"
#include "mci/virtual_disc.h"

namespace platform {

namespace {

class CdAudioDevice : public MciDevice {
 public:
  explicit CdAudioDevice(std::shared_ptr<const VirtualDisc> disc) : disc_(std::move(disc)) {
    timeFormat_ = MCI_FORMAT_MSF;
  }

  bool MixInto(int32_t *accumulator, uint32_t frames, uint32_t outputRate) override {
    if (ModeLocked() != Mode::kPlay) return false;
    for (uint32_t i = 0; i < frames; ++i) {
      if (FrameLocked() >= endFrame_) {
        FinishedLocked();
        return false;
      }
      const DiscTrack &track = disc_->tracks[track_];
      const uint64_t sample = static_cast<uint64_t>(sample_);
      if (sample >= track.Samples()) {
        // The next track follows without a gap.
        if (track_ + 1 >= disc_->tracks.size()) {
          sample_ = static_cast<double>(track.Samples());
          FinishedLocked();
          return false;
        }
        ++track_;
        sample_ = 0;
        --i;
        continue;
      }
      const auto found = sound_.find(track_);
      if (found != sound_.end() && 2 * sample + 1 < found->second->size()) {
        accumulator[2 * i] += (*found->second)[2 * sample];
        accumulator[2 * i + 1] += (*found->second)[2 * sample + 1];
      }
      sample_ += static_cast<double>(track.format.nSamplesPerSec) / outputRate;
    }
    return true;
  }

 protected:
  bool Ready() override { return CurrentDisc() == disc_; }

  bool TimeFormatSupported(DWORD format) const override {
    return format == MCI_FORMAT_MILLISECONDS || format == MCI_FORMAT_MSF || format == MCI_FORMAT_TMSF;
  }

  MCIERROR Play(DWORD flags, const MCI_PLAY_PARMS *params) override {
    uint32_t from = 0, to = disc_->totalFrames;
    DWORD format;
    {
      std::lock_guard<std::mutex> hold(MixLock());
      format = timeFormat_;
      from = FrameLocked();
    }
    if ((flags & MCI_FROM) && !ToFrame(format, params->dwFrom, &from)) return MCIERR_OUTOFRANGE;
    if ((flags & MCI_TO) && !ToFrame(format, params->dwTo, &to)) return MCIERR_OUTOFRANGE;
    if (to < from) return MCIERR_OUTOFRANGE;
    // The tracks' sound is read here, before the mixer may need it.
    std::map<size_t, std::shared_ptr<const std::vector<int16_t>>> sound;
    for (size_t t = TrackAt(from); t <= TrackAt(to); ++t) {
      auto frames = std::make_shared<std::vector<int16_t>>();
      if (sound_.count(t) == 0 && !LoadTrackSound(disc_->tracks[t], frames.get())) return MCIERR_FILE_READ;
      if (!frames->empty()) sound[t] = frames;
    }
    {
      std::lock_guard<std::mutex> hold(MixLock());
      sound_.insert(sound.begin(), sound.end());
      MoveToLocked(from);
      endFrame_ = to;
      StartLocked((flags & MCI_NOTIFY) ? reinterpret_cast<HWND>(params->dwCallback) : nullptr);
      if (from >= to) {
        FinishedLocked();
        return 0;
      }
    }
    JoinMix();
    return 0;
  }

  MCIERROR Seek(DWORD flags, const MCI_SEEK_PARMS *params) override {
    std::lock_guard<std::mutex> hold(MixLock());
    uint32_t to = 0;
    if (flags & MCI_SEEK_TO_END) {
      to = disc_->totalFrames;
    } else if (flags & MCI_TO) {
      if (!ToFrame(timeFormat_, params->dwTo, &to)) return MCIERR_OUTOFRANGE;
    } else if (!(flags & MCI_SEEK_TO_START)) {
      return MCIERR_MISSING_PARAMETER;
    }
    HaltLocked(Mode::kStop);
    MoveToLocked(to);
    return 0;
  }

  MCIERROR Status(DWORD flags, MCI_STATUS_PARMS *params) override {
    std::lock_guard<std::mutex> hold(MixLock());
    if (CommonStatusLocked(params)) return 0;
    if (!Ready()) return MCIERR_DEVICE_NOT_READY;
    const size_t count = disc_->tracks.size();
    const bool oneTrack = (flags & MCI_TRACK) != 0;
    if (oneTrack && (params->dwTrack < 1 || params->dwTrack > count)) return MCIERR_OUTOFRANGE;
    const DiscTrack *track = oneTrack ? &disc_->tracks[params->dwTrack - 1] : nullptr;
    switch (params->dwItem) {
      case MCI_STATUS_LENGTH:
        params->dwReturn = Length(track != nullptr ? track->frames : disc_->totalFrames);
        return 0;
      case MCI_STATUS_POSITION:
        if (track != nullptr) {
          params->dwReturn = Position(track->start);
        } else {
          params->dwReturn = Position((flags & MCI_STATUS_START) ? 0 : FrameLocked());
        }
        return 0;
      case MCI_STATUS_NUMBER_OF_TRACKS:
        params->dwReturn = count;
        return 0;
      case MCI_STATUS_CURRENT_TRACK:
        params->dwReturn = TrackAt(FrameLocked()) + 1;
        return 0;
      case MCI_CDA_STATUS_TYPE_TRACK:
        if (!oneTrack) return MCIERR_MISSING_PARAMETER;
        params->dwReturn = MCI_CDA_TRACK_AUDIO;
        return 0;
      default:
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
  }

 private:
  // The track holding a frame; the disc's end belongs to the last track.
  size_t TrackAt(uint32_t frame) const {
    size_t t = 0;
    while (t + 1 < disc_->tracks.size() && disc_->tracks[t + 1].start <= frame) ++t;
    return t;
  }

  uint32_t FrameLocked() const {
    const DiscTrack &track = disc_->tracks[track_];
    const uint64_t inTrack = static_cast<uint64_t>(sample_) * kCdFramesPerSecond / track.format.nSamplesPerSec;
    return track.start + static_cast<uint32_t>(std::min<uint64_t>(inTrack, track.frames));
  }

  void MoveToLocked(uint32_t frame) {
    track_ = TrackAt(frame);
    const DiscTrack &track = disc_->tracks[track_];
    sample_ = static_cast<double>(uint64_t{frame - track.start} * track.format.nSamplesPerSec / kCdFramesPerSecond);
  }

  // A position in the time format into a disc frame; false past the disc.
  bool ToFrame(DWORD format, DWORD value, uint32_t *frame) const {
    uint64_t at;
    switch (format) {
      case MCI_FORMAT_MILLISECONDS:
        at = uint64_t{value} * kCdFramesPerSecond / 1000;
        break;
      case MCI_FORMAT_TMSF: {
        const DWORD track = MCI_TMSF_TRACK(value);
        if (track < 1 || track > disc_->tracks.size()) return false;
        at = disc_->tracks[track - 1].start +
             (uint64_t{MCI_TMSF_MINUTE(value)} * 60 + MCI_TMSF_SECOND(value)) * kCdFramesPerSecond + MCI_TMSF_FRAME(value);
        break;
      }
      default:
        at = (uint64_t{MCI_MSF_MINUTE(value)} * 60 + MCI_MSF_SECOND(value)) * kCdFramesPerSecond + MCI_MSF_FRAME(value);
        break;
    }
    if (at > disc_->totalFrames) return false;
    *frame = static_cast<uint32_t>(at);
    return true;
  }

  static DWORD Msf(uint32_t frames) {
    const uint32_t seconds = frames / kCdFramesPerSecond;
    return MCI_MAKE_MSF(std::min<uint32_t>(seconds / 60, 255), seconds % 60, frames % kCdFramesPerSecond);
  }

  // Lengths are durations: in TMSF they are packed as MSF.
  DWORD Length(uint32_t frames) const {
    if (timeFormat_ == MCI_FORMAT_MILLISECONDS) return static_cast<DWORD>(uint64_t{frames} * 1000 / kCdFramesPerSecond);
    return Msf(frames);
  }

  DWORD Position(uint32_t frame) const {
    if (timeFormat_ == MCI_FORMAT_MILLISECONDS) return static_cast<DWORD>(uint64_t{frame} * 1000 / kCdFramesPerSecond);
    if (timeFormat_ == MCI_FORMAT_MSF) return Msf(frame);
    const size_t t = TrackAt(frame);
    const DWORD msf = Msf(frame - disc_->tracks[t].start);
    return MCI_MAKE_TMSF(t + 1, MCI_MSF_MINUTE(msf), MCI_MSF_SECOND(msf), MCI_MSF_FRAME(msf));
  }

  const std::shared_ptr<const VirtualDisc> disc_;
  // Under the mix lock: the playing track, the position in its samples,
  // the frame where play ends, and the sound of the tracks read so far.
  size_t track_ = 0;
  double sample_ = 0;
  uint32_t endFrame_ = 0;
  std::map<size_t, std::shared_ptr<const std::vector<int16_t>>> sound_;
};

}  // namespace

MCIERROR OpenCdAudioDevice(DWORD flags, const MCI_OPEN_PARMSA &, std::unique_ptr<MciDevice> *device) {
  if (flags & MCI_OPEN_ELEMENT) return MCIERR_NO_ELEMENT_ALLOWED;
  std::shared_ptr<const VirtualDisc> disc = CurrentDisc();
  // As with a real drive that holds no disc.
  if (disc == nullptr) return MCIERR_DEVICE_NOT_READY;
  *device = std::make_unique<CdAudioDevice>(std::move(disc));
  return 0;
}

}  // namespace platform
