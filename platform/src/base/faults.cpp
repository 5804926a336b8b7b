// Pending faults per operation name, consumed one by one by the platform's
// implementations; safe to use from any thread.
#include "control/faults.h"

#include <atomic>
#include <map>
#include <mutex>

#include "control/reset.h"
#include "machine.h"
#include "machine_faults.h"

namespace {

struct PendingFault {
  int count;
  HRESULT result;
  int passing = 0;  // calls that still succeed before the faults begin
};

std::mutex gFaultLock;
std::map<std::string, PendingFault> gFaults;

// The number of armed operations, read without the lock: every platform
// call asks, and on a machine without faults the answer costs one load.
std::atomic<size_t> gArmed{0};

void NoteArmed() { gArmed.store(gFaults.size(), std::memory_order_release); }

}  // namespace

namespace platform {

bool TakeFault(const char *operation, HRESULT *result) {
  if (gArmed.load(std::memory_order_acquire) == 0) return false;
  std::lock_guard<std::mutex> hold(gFaultLock);
  auto found = gFaults.find(operation);
  if (found == gFaults.end() || found->second.count == 0) return false;
  if (found->second.passing > 0) {
    --found->second.passing;
    return false;
  }
  *result = found->second.result;
  if (found->second.count > 0 && --found->second.count == 0) {
    gFaults.erase(found);
    NoteArmed();
  }
  return true;
}

bool TakeWin32Fault(const char *operation) {
  HRESULT result;
  if (!TakeFault(operation, &result)) return false;
  SetLastError(static_cast<DWORD>(result));
  return true;
}

void ResetFaults() {
  std::lock_guard<std::mutex> hold(gFaultLock);
  gFaults.clear();
  NoteArmed();
}

}  // namespace platform

namespace {
platform::ResetHook gResetFaults(platform::ResetFaults);
}

namespace machine {

void fail_next(const std::string &operation, int count, HRESULT result) {
  std::lock_guard<std::mutex> hold(gFaultLock);
  if (count == 0) {
    gFaults.erase(operation);
  } else {
    gFaults[operation] = PendingFault{count < 0 ? kAlways : count, result};
  }
  NoteArmed();
}

void fail_after(const std::string &operation, int passing, int count, HRESULT result) {
  fail_next(operation, count, result);
  std::lock_guard<std::mutex> hold(gFaultLock);
  auto found = gFaults.find(operation);
  if (found != gFaults.end()) found->second.passing = passing > 0 ? passing : 0;
}

int pending_faults(const std::string &operation) {
  std::lock_guard<std::mutex> hold(gFaultLock);
  auto found = gFaults.find(operation);
  return found == gFaults.end() ? 0 : found->second.count;
}

}  // namespace machine
