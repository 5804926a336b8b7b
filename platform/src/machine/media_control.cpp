// The media-control part of the machine interface: the virtual CD drive and
// the records of MCI requests and notifications.
#include "machine_media.h"
#include "mci/mci_devices.h"
#include "mci/mci_log.h"
#include "mci/midi_synth.h"
#include "mci/virtual_disc.h"

namespace machine {

bool insert_cd_folder(const std::string &folder) { return platform::InsertDiscFolder(folder); }
bool insert_cd_tracks(const std::vector<std::string> &waveFiles) { return platform::InsertDiscFiles(waveFiles); }
void eject_cd() { platform::EjectDisc(); }

int cd_track_count() {
  std::shared_ptr<const platform::VirtualDisc> disc = platform::CurrentDisc();
  return disc == nullptr ? 0 : static_cast<int>(disc->tracks.size());
}

DWORD cd_track_frames(int track) {
  std::shared_ptr<const platform::VirtualDisc> disc = platform::CurrentDisc();
  if (disc == nullptr || track < 1 || static_cast<size_t>(track) > disc->tracks.size()) return 0;
  return disc->tracks[static_cast<size_t>(track) - 1].frames;
}

std::vector<MciRequest> mci_requests() {
  std::vector<MciRequest> requests;
  for (const platform::MciRequestEntry &entry : platform::MciRequests()) {
    requests.push_back(MciRequest{entry.device, entry.message, entry.flags, entry.result, entry.from, entry.to,
                                  entry.item, entry.track, entry.timeFormat, entry.answer, entry.deviceType,
                                  entry.element, entry.opened, entry.callback});
  }
  return requests;
}

void clear_mci_requests() { platform::ClearMciRequests(); }

std::vector<MciNotification> mci_notifications() {
  std::vector<MciNotification> notifications;
  for (const platform::MciNotificationEntry &entry : platform::MciNotifications()) {
    notifications.push_back(MciNotification{entry.window, entry.flag, entry.device});
  }
  return notifications;
}

void clear_mci_notifications() { platform::ClearMciNotifications(); }

int open_mci_devices() { return platform::OpenMciDeviceCount(); }

std::string midi_sound_font() { return platform::MidiSynth::SoundFontPath(); }

}  // namespace machine
