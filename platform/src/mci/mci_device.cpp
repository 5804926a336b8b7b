// The commands every playing MCI device answers the same way: stop, pause,
// resume, the time format, the mode and the notification that ends a play.
#include "mci/mci_device.h"

#include "mci/mci_log.h"

namespace platform {

MCIERROR MciDevice::Command(UINT message, DWORD flags, DWORD_PTR params) {
  switch (message) {
    case MCI_PLAY:
      if (params == 0 && (flags & (MCI_FROM | MCI_TO | MCI_NOTIFY)) != 0) return MCIERR_NULL_PARAMETER_BLOCK;
      if (!Ready()) return MCIERR_DEVICE_NOT_READY;
      return Play(flags, reinterpret_cast<const MCI_PLAY_PARMS *>(params));
    case MCI_SEEK:
      if (params == 0 && (flags & MCI_TO) != 0) return MCIERR_NULL_PARAMETER_BLOCK;
      if ((flags & MCI_TO) && (flags & (MCI_SEEK_TO_START | MCI_SEEK_TO_END))) return MCIERR_FLAGS_NOT_COMPATIBLE;
      if ((flags & MCI_SEEK_TO_START) && (flags & MCI_SEEK_TO_END)) return MCIERR_FLAGS_NOT_COMPATIBLE;
      if (!Ready()) return MCIERR_DEVICE_NOT_READY;
      return Seek(flags, reinterpret_cast<const MCI_SEEK_PARMS *>(params));
    case MCI_STATUS:
      if (params == 0) return MCIERR_NULL_PARAMETER_BLOCK;
      if ((flags & MCI_STATUS_ITEM) == 0) return MCIERR_MISSING_PARAMETER;
      return Status(flags, reinterpret_cast<MCI_STATUS_PARMS *>(params));
    case MCI_SET:
      if (params == 0 && NeedsRecord(flags)) return MCIERR_NULL_PARAMETER_BLOCK;
      return Set(flags, reinterpret_cast<const MCI_SET_PARMS *>(params));
    case MCI_STOP:
      return Stop();
    case MCI_PAUSE:
      return Pause();
    case MCI_RESUME:
      return Resume();
    default:
      return MCIERR_UNRECOGNIZED_COMMAND;
  }
}

void MciDevice::Close() {
  {
    std::lock_guard<std::mutex> hold(MixLock());
    HaltLocked(Mode::kStop);
  }
  AudioEngine::Get().Detach(this);
}

MCIERROR MciDevice::Set(DWORD flags, const MCI_SET_PARMS *params) {
  if ((flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED | MCI_SET_AUDIO | MCI_SET_VIDEO)) != 0) {
    return MCIERR_UNSUPPORTED_FUNCTION;
  }
  if (flags & MCI_SET_TIME_FORMAT) {
    if (!TimeFormatSupported(params->dwTimeFormat)) return MCIERR_BAD_TIME_FORMAT;
    std::lock_guard<std::mutex> hold(MixLock());
    timeFormat_ = params->dwTimeFormat;
  }
  return 0;
}

MCIERROR MciDevice::Stop() {
  std::lock_guard<std::mutex> hold(MixLock());
  HaltLocked(Mode::kStop);
  return 0;
}

MCIERROR MciDevice::Pause() {
  if (!Ready()) return MCIERR_DEVICE_NOT_READY;
  std::lock_guard<std::mutex> hold(MixLock());
  if (mode_ == Mode::kPlay) HaltLocked(Mode::kPause);
  return 0;
}

MCIERROR MciDevice::Resume() {
  if (!Ready()) return MCIERR_DEVICE_NOT_READY;
  {
    std::lock_guard<std::mutex> hold(MixLock());
    if (mode_ == Mode::kPlay) return 0;
    if (mode_ != Mode::kPause) return MCIERR_NONAPPLICABLE_FUNCTION;
    mode_ = Mode::kPlay;
  }
  JoinMix();
  return 0;
}

bool MciDevice::CommonStatusLocked(MCI_STATUS_PARMS *params) {
  switch (params->dwItem) {
    case MCI_STATUS_MODE:
      if (!Ready()) {
        params->dwReturn = MCI_MODE_OPEN;
      } else {
        params->dwReturn = mode_ == Mode::kPlay ? MCI_MODE_PLAY : mode_ == Mode::kPause ? MCI_MODE_PAUSE : MCI_MODE_STOP;
      }
      return true;
    case MCI_STATUS_READY:
    case MCI_STATUS_MEDIA_PRESENT:
      params->dwReturn = Ready() ? TRUE : FALSE;
      return true;
    case MCI_STATUS_TIME_FORMAT:
      params->dwReturn = timeFormat_;
      return true;
    default:
      return false;
  }
}

void MciDevice::StartLocked(HWND notify) {
  if (notifyWindow_ != nullptr) {
    PostMciNotification(notifyWindow_, notify != nullptr ? MCI_NOTIFY_SUPERSEDED : MCI_NOTIFY_ABORTED, id);
  }
  notifyWindow_ = notify;
  mode_ = Mode::kPlay;
}

void MciDevice::HaltLocked(Mode mode) {
  if (notifyWindow_ != nullptr) PostMciNotification(notifyWindow_, MCI_NOTIFY_ABORTED, id);
  notifyWindow_ = nullptr;
  if (mode_ == Mode::kPlay) SilenceLocked();
  mode_ = mode;
}

void MciDevice::FinishedLocked() {
  if (notifyWindow_ != nullptr) PostMciNotification(notifyWindow_, MCI_NOTIFY_SUCCESSFUL, id);
  notifyWindow_ = nullptr;
  mode_ = Mode::kStop;
}

}  // namespace platform
