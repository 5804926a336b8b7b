// The records of MCI requests and notifications, each behind a lock of its
// own that is never held while another lock is taken.
#include "mci/mci_log.h"

#include <mutex>

#include "base/reset.h"

namespace platform {

namespace {

// Enough for any test or host session; the oldest half goes when full so
// that a long-running host does not grow without bound.
constexpr size_t kMaxEntries = 1u << 16;

std::mutex gLogLock;
std::vector<MciRequestEntry> gRequests;
std::vector<MciNotificationEntry> gNotifications;

template <typename T>
void Append(std::vector<T> *entries, const T &entry) {
  if (entries->size() >= kMaxEntries) entries->erase(entries->begin(), entries->begin() + kMaxEntries / 2);
  entries->push_back(entry);
}

void ResetLog() {
  std::lock_guard<std::mutex> hold(gLogLock);
  gRequests.clear();
  gNotifications.clear();
}
ResetHook gResetLog(ResetLog);

}  // namespace

void RecordMciRequest(const MciRequestEntry &entry) {
  std::lock_guard<std::mutex> hold(gLogLock);
  Append(&gRequests, entry);
}

std::vector<MciRequestEntry> MciRequests() {
  std::lock_guard<std::mutex> hold(gLogLock);
  return gRequests;
}

void ClearMciRequests() {
  std::lock_guard<std::mutex> hold(gLogLock);
  gRequests.clear();
}

void PostMciNotification(HWND window, UINT flag, MCIDEVICEID device) {
  if (window == nullptr) return;
  std::lock_guard<std::mutex> hold(gLogLock);
  Append(&gNotifications, MciNotificationEntry{window, flag, device});
}

std::vector<MciNotificationEntry> MciNotifications() {
  std::lock_guard<std::mutex> hold(gLogLock);
  return gNotifications;
}

void ClearMciNotifications() {
  std::lock_guard<std::mutex> hold(gLogLock);
  gNotifications.clear();
}

}  // namespace platform
