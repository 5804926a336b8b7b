// The table of live kernel handles and CloseHandle. The table shares each
// object with the calls using it, so closing a handle never frees an object
// another thread is working with; objects are destroyed outside the table's
// lock, so their clean-up (closing a descriptor) never holds it.
#include "kernel/handles.h"

#include <mutex>
#include <unordered_map>
#include <utility>

namespace {

using LiveObjects = std::unordered_map<platform::KernelObject *, std::shared_ptr<platform::KernelObject>>;

std::mutex gHandleLock;

// Never destroyed: handles still open when the process ends are left as
// they are, since their objects may refer to others already gone by then.
LiveObjects &Live() {
  static LiveObjects *live = new LiveObjects;
  return *live;
}

}  // namespace

namespace platform {

HANDLE RegisterHandle(KernelObject *object) {
  std::shared_ptr<KernelObject> shared(object);
  std::lock_guard<std::mutex> hold(gHandleLock);
  Live().emplace(object, std::move(shared));
  return object;
}

KernelObject *LookUpHandle(HANDLE handle) {
  std::lock_guard<std::mutex> hold(gHandleLock);
  auto found = Live().find(static_cast<KernelObject *>(handle));
  return found == Live().end() ? nullptr : found->first;
}

std::shared_ptr<KernelObject> ShareHandle(HANDLE handle) {
  std::lock_guard<std::mutex> hold(gHandleLock);
  auto found = Live().find(static_cast<KernelObject *>(handle));
  return found == Live().end() ? nullptr : found->second;
}

bool CloseKernelHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> closing;
  {
    std::lock_guard<std::mutex> hold(gHandleLock);
    LiveObjects &live = Live();
    auto found = live.find(static_cast<KernelObject *>(handle));
    if (found == live.end()) return false;
    closing = std::move(found->second);
    live.erase(found);
  }
  // The object goes here, or when the last call sharing it returns.
  return true;
}

}  // namespace platform

extern "C" BOOL WINAPI CloseHandle(HANDLE object) {
  if (!platform::CloseKernelHandle(object)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
