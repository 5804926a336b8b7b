// An open MCI device and the part every playing device shares: the command
// switch with its parameter checks, the mode (stopped, playing, paused),
// the pending play notification, and the device's place in the audio
// engine. Playback state is guarded by the mix lock, because the mixer
// moves the position and ends playback.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <mutex>

#include "audio/audio_engine.h"
#include "audio/audio_source.h"

namespace platform {

class MciDevice : public AudioSource {
 public:
  enum class Mode { kStop, kPlay, kPause };

  ~MciDevice() override = default;
  MCIDEVICEID id = 0;

  // Any command but open and close. `params` is the parameter record the
  // message takes, or null. Called from the host's thread, one command of
  // a device at a time.
  MCIERROR Command(UINT message, DWORD flags, DWORD_PTR params);
  // Leaves the mix and aborts a pending notification; the device is then
  // destroyed.
  void Close();

 protected:
  // Per device (the mix lock is not held unless the name says Locked).
  virtual MCIERROR Play(DWORD flags, const MCI_PLAY_PARMS *params) = 0;
  virtual MCIERROR Seek(DWORD flags, const MCI_SEEK_PARMS *params) = 0;
  virtual MCIERROR Status(DWORD flags, MCI_STATUS_PARMS *params) = 0;
  virtual bool TimeFormatSupported(DWORD format) const = 0;
  // The device can play now (a CD device answers false once its disc is gone).
  virtual bool Ready() { return true; }
  // The playing sound stops where it is (paused or stopped).
  virtual void SilenceLocked() {}

  // Starts playing, under the mix lock: a notification still pending is
  // superseded (or aborted, if this play asks for none) and `notify`, when
  // not null, is told when playback reaches its end.
  void StartLocked(HWND notify);
  // Stops or pauses, aborting a pending notification.
  void HaltLocked(Mode mode);
  // The mixer reached the end of what was asked: stopped, notification sent.
  void FinishedLocked();
  Mode ModeLocked() const { return mode_; }
  // Answers the status items every device shares (mode, ready, time
  // format, media present); false for any other item.
  bool CommonStatusLocked(MCI_STATUS_PARMS *params);
  std::mutex &MixLock() { return AudioEngine::Get().lock(); }
  // Joins the mix (after StartLocked, without the mix lock).
  void JoinMix() { AudioEngine::Get().Attach(this); }

  DWORD timeFormat_ = MCI_FORMAT_MILLISECONDS;

 private:
  MCIERROR Set(DWORD flags, const MCI_SET_PARMS *params);
  MCIERROR Resume();
  MCIERROR Pause();
  MCIERROR Stop();

  Mode mode_ = Mode::kStop;
  HWND notifyWindow_ = nullptr;
};

// The device's result when a command reads a record it was not given.
inline bool NeedsRecord(DWORD flags) { return (flags & ~(MCI_WAIT | MCI_NOTIFY)) != 0; }

}  // namespace platform
