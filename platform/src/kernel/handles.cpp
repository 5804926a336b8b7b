// The table of live kernel handles and CloseHandle.
#include "kernel/handles.h"

#include <mutex>
#include <unordered_set>

namespace {

std::mutex gHandleLock;
std::unordered_set<platform::KernelObject *> gLiveObjects;

}  // namespace

namespace platform {

HANDLE RegisterHandle(KernelObject *object) {
  std::lock_guard<std::mutex> hold(gHandleLock);
  gLiveObjects.insert(object);
  return object;
}

KernelObject *LookUpHandle(HANDLE handle) {
  std::lock_guard<std::mutex> hold(gHandleLock);
  auto found = gLiveObjects.find(static_cast<KernelObject *>(handle));
  return found == gLiveObjects.end() ? nullptr : *found;
}

bool CloseKernelHandle(HANDLE handle) {
  KernelObject *object;
  {
    std::lock_guard<std::mutex> hold(gHandleLock);
    auto found = gLiveObjects.find(static_cast<KernelObject *>(handle));
    if (found == gLiveObjects.end()) return false;
    object = *found;
    gLiveObjects.erase(found);
  }
  delete object;
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
