// CD_* exports: opening the drive in TMSF time, playing the disc or a track
// to the end of the disc, stepping between tracks with wrap-around, pause,
// resume and stop.
#include "media/cd_audio.h"

#include <cstdint>
#include <cstring>

#include "core/state_reset.h"
#include "korvane.h"
#include "media/mci_request.h"

MCIDEVICEID gCDDeviceID = 0;
int gCDNumberOfTracks = 0;

namespace {

MCI_STATUS_PARMS gCDStatus;
MCI_PLAY_PARMS gCDPlay;

MCIERROR SetTmsf() {
  MCI_SET_PARMS set;
  std::memset(&set, 0, sizeof set);
  set.dwTimeFormat = MCI_FORMAT_TMSF;
  return SendMCI(gCDDeviceID, MCI_SET, MCI_SET_TIME_FORMAT, &set);
}

// Plays from the start of `track` to the end of the disc, which is the
// start of the last track's final whole second; a track outside the disc
// ends after the length query, whose result is returned.
int PlayTrackToEnd(int track) {
  CD_STOP();
  gCDStatus.dwCallback = 0;
  gCDStatus.dwReturn = 0;
  gCDStatus.dwItem = MCI_STATUS_LENGTH;
  gCDStatus.dwTrack = static_cast<DWORD>(gCDNumberOfTracks);
  const MCIERROR lengthResult = SendMCI(gCDDeviceID, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, &gCDStatus);
  const DWORD length = static_cast<DWORD>(gCDStatus.dwReturn);
  const int16_t total = static_cast<int16_t>(MCI_MSF_MINUTE(length) * 60 + MCI_MSF_SECOND(length));
  if (track < 1 || track > gCDNumberOfTracks) return static_cast<int>(lengthResult);
  gCDPlay.dwCallback = 0;
  gCDPlay.dwTo = MCI_MAKE_TMSF(gCDNumberOfTracks, total / 60, total % 60, 0);
  gCDPlay.dwFrom = MCI_MAKE_TMSF(track, 0, 0, 0);
  return static_cast<int>(SendMCI(gCDDeviceID, MCI_PLAY, MCI_FROM | MCI_TO, &gCDPlay));
}

void ResetCDState() {
  if (gCDDeviceID != 0) mciSendCommandA(gCDDeviceID, MCI_CLOSE, 0, 0);
  gCDDeviceID = 0;
  gCDNumberOfTracks = 0;
  gLastMCIResult = 0;
  std::memset(&gCDStatus, 0, sizeof gCDStatus);
  std::memset(&gCDPlay, 0, sizeof gCDPlay);
}
const korvane::StateResetHook gResetCD(korvane::ResetStage::kSound, ResetCDState);

}  // namespace

extern "C" int CD_OPEN(void) {
  MCI_OPEN_PARMSA open;
  std::memset(&open, 0, sizeof open);
  open.lpstrDeviceType = "cdaudio";
  const MCIERROR opened = SendMCI(0, MCI_OPEN, MCI_OPEN_TYPE, &open);
  // A failed open keeps no id: requests would otherwise reach whatever
  // device MCI gives that id next.
  if (opened != 0) {
    gCDDeviceID = 0;
    return static_cast<int>(opened);
  }
  gCDDeviceID = open.wDeviceID;
  MCIERROR result = SetTmsf();
  if (result == 0) {
    gCDStatus.dwCallback = 0;
    gCDStatus.dwReturn = 0;
    gCDStatus.dwItem = MCI_STATUS_NUMBER_OF_TRACKS;
    result = SendMCI(gCDDeviceID, MCI_STATUS, MCI_STATUS_ITEM, &gCDStatus);
    if (result == 0) gCDNumberOfTracks = static_cast<int>(gCDStatus.dwReturn);
  }
  if (result != 0) {
    // The half-opened device is closed; the first failure is the answer.
    SendMCI(gCDDeviceID, MCI_CLOSE, 0, nullptr);
    gCDDeviceID = 0;
  }
  return static_cast<int>(result);
}

extern "C" int CD_CLOSE(void) {
  const MCIERROR result = SendMCI(gCDDeviceID, MCI_CLOSE, 0, nullptr);
  if (result == 0) gCDDeviceID = 0;
  return static_cast<int>(result);
}

extern "C" int CD_PLAY(void) {
  CD_STOP();
  MCI_SEEK_PARMS seek;
  std::memset(&seek, 0, sizeof seek);
  SendMCI(gCDDeviceID, MCI_SEEK, MCI_SEEK_TO_START, &seek);
  MCI_PLAY_PARMS play;
  std::memset(&play, 0, sizeof play);
  return static_cast<int>(SendMCI(gCDDeviceID, MCI_PLAY, 0, &play));
}

extern "C" int CD_STOP(void) {
  MCI_GENERIC_PARMS stop;
  std::memset(&stop, 0, sizeof stop);
  return static_cast<int>(SendMCI(gCDDeviceID, MCI_STOP, 0, &stop));
}

extern "C" int CD_PAUSE(void) {
  MCI_GENERIC_PARMS pause;
  std::memset(&pause, 0, sizeof pause);
  return static_cast<int>(SendMCI(gCDDeviceID, MCI_PAUSE, 0, &pause));
}

extern "C" int CD_RESUME(void) {
  MCI_GENERIC_PARMS resume;
  std::memset(&resume, 0, sizeof resume);
  SendMCI(gCDDeviceID, MCI_RESUME, 0, &resume);
  return static_cast<int>(SendMCI(gCDDeviceID, MCI_PLAY, 0, nullptr));
}

extern "C" int CD_GETCURRENTTRACK(void) {
  SetTmsf();
  gCDStatus.dwCallback = 0;
  // A failed query answers 0 rather than whatever an earlier query left.
  gCDStatus.dwReturn = 0;
  gCDStatus.dwItem = MCI_STATUS_CURRENT_TRACK;
  SendMCI(gCDDeviceID, MCI_STATUS, MCI_STATUS_ITEM, &gCDStatus);
  return static_cast<int>(gCDStatus.dwReturn);
}

extern "C" int CD_GETNUMTRACKS(void) { return gCDNumberOfTracks; }

extern "C" int CD_PLAYTRACK(int track) { return PlayTrackToEnd(track); }

extern "C" int CD_TRACKNEXT(void) {
  const int current = CD_GETCURRENTTRACK();
  const int next = current + 1 > gCDNumberOfTracks ? 1 : current + 1;
  return PlayTrackToEnd(next);
}

extern "C" int CD_TRACKPREVIOUS(void) {
  const int current = CD_GETCURRENTTRACK();
  const int previous = current >= 2 ? current - 1 : gCDNumberOfTracks;
  return PlayTrackToEnd(previous);
}
