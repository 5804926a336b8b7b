// Fault injection beyond machine::fail_next: faults that begin only after a
// number of calls have succeeded, for operations a caller makes more than
// once in one sequence (the second SelectObject of a copy, for example).
#pragma once

#include "machine_api.h"

#include <windows.h>

#include <string>

namespace machine MACHINE_API {

// Lets the next `passing` calls of `operation` succeed, then fails the `count`
// calls after them with `result` (kAlways: every later call).
void fail_after(const std::string &operation, int passing, int count, HRESULT result);

}  // namespace machine
