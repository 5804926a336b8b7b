// The machine interface of media control: the virtual CD drive (insert a
// disc made of WAVE files, eject it) and what MCI was asked and told (the
// requests issued through mciSendCommandA, the MM_MCINOTIFY notifications
// posted to callback windows, the devices open).
#pragma once

#include "machine_api.h"

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

namespace machine MACHINE_API {

// Inserts an audio disc whose tracks are the folder's .wav files in name
// order (or the files given, in that order); files that are not PCM WAVE
// files are left out. False, and the drive unchanged, when no track is
// left. The environment variable KORVANE_CD=folder inserts one at power-on.
bool insert_cd_folder(const std::string &folder);
bool insert_cd_tracks(const std::vector<std::string> &waveFiles);
void eject_cd();
// Tracks of the disc in the drive (0: none) and a track's length in CD
// frames (75 a second).
int cd_track_count();
DWORD cd_track_frames(int track);

struct MciRequest {
  UINT device;
  UINT message;  // MCI_OPEN, MCI_PLAY, ...
  DWORD flags;
  DWORD result;
  // From the parameter record, as the message defines it (0 or "" when it
  // does not): play from and to, seek to, status item and track and the
  // value answered, time format set, device type and element opened, the
  // id given by an open, and the callback window.
  DWORD from, to, item, track, timeFormat;
  DWORD_PTR answer;
  std::string deviceType, element;
  UINT opened;
  HWND callback;
};
std::vector<MciRequest> mci_requests();
void clear_mci_requests();

struct MciNotification {
  HWND window;
  UINT flag;  // MCI_NOTIFY_SUCCESSFUL, _SUPERSEDED, _ABORTED, _FAILURE
  UINT device;
};
std::vector<MciNotification> mci_notifications();
void clear_mci_notifications();

int open_mci_devices();

// The General MIDI sound font the sequencer plays with ("" when none is
// installed; KORVANE_SOUNDFONT=path chooses another).
std::string midi_sound_font();

}  // namespace machine
