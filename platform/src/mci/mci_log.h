// What MCI did, kept for hosts and tests: every request sent to
// mciSendCommandA with its result, and every MM_MCINOTIFY notification
// posted to a callback window (the platform has no message queue, so the
// record is where a host without a message loop finds them).
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

namespace platform {

struct MciRequestEntry {
  MCIDEVICEID device;
  UINT message;
  DWORD flags;
  MCIERROR result;
  // The fields of the parameter record that the command reads (0 or empty
  // when absent): play from/to, seek to, status item/track and the value
  // answered, the time format set, the device type and element opened and
  // the id the open gave.
  DWORD from, to, item, track, timeFormat;
  DWORD_PTR answer;
  std::string deviceType, element;
  MCIDEVICEID opened;
  HWND callback;
};

struct MciNotificationEntry {
  HWND window;
  UINT flag;  // MCI_NOTIFY_SUCCESSFUL, _SUPERSEDED, _ABORTED or _FAILURE
  MCIDEVICEID device;
};

void RecordMciRequest(const MciRequestEntry &entry);
std::vector<MciRequestEntry> MciRequests();
void ClearMciRequests();

// Safe under the mix lock: the record has a lock of its own, taken last.
void PostMciNotification(HWND window, UINT flag, MCIDEVICEID device);
std::vector<MciNotificationEntry> MciNotifications();
void ClearMciNotifications();

}  // namespace platform
