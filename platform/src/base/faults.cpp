// Pending faults per operation name, consumed one by one by the platform's
// implementations; safe to use from any thread.
#include "base/faults.h"

#include <atomic>
#include <map>
#include <mutex>

#include "base/reset.h"

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

bool TakeFault(const char *operation, MMRESULT *result) {
  HRESULT fault;
  if (!TakeFault(operation, &fault)) return false;
  *result = static_cast<MMRESULT>(fault);
  return true;
}

bool TakeWin32Fault(const char *operation) {
  HRESULT result;
  if (!TakeFault(operation, &result)) return false;
  SetLastError(static_cast<DWORD>(result));
  return true;
}

void ArmFault(const std::string &operation, int count, HRESULT result, int passing) {
  std::lock_guard<std::mutex> hold(gFaultLock);
  if (count == 0) {
    gFaults.erase(operation);
  } else {
    gFaults[operation] = PendingFault{count < 0 ? kEveryCall : count, result, passing > 0 ? passing : 0};
  }
  NoteArmed();
}

int PendingFaults(const std::string &operation) {
  std::lock_guard<std::mutex> hold(gFaultLock);
  auto found = gFaults.find(operation);
  return found == gFaults.end() ? 0 : found->second.count;
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
