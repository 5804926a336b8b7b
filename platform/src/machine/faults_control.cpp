// The fault side of the machine interface: arming and reading the pending
// faults that the platform's implementations take.
#include "base/faults.h"
#include "machine.h"
#include "machine_faults.h"

static_assert(machine::kAlways == platform::kEveryCall, "one value for faults armed on every call");

namespace machine {

void fail_next(const std::string &operation, int count, HRESULT result) { platform::ArmFault(operation, count, result); }

void fail_after(const std::string &operation, int passing, int count, HRESULT result) {
  platform::ArmFault(operation, count, result, passing);
}

int pending_faults(const std::string &operation) { return platform::PendingFaults(operation); }

}  // namespace machine
