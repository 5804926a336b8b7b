// The message boxes shown so far, as the control interface reads them.
#pragma once

#include <windows.h>

#include <vector>

#include "machine.h"

namespace platform {

// Every box MessageBoxA has shown since reset, oldest first.
std::vector<machine::MessageBoxRecord> MessageBoxesShown();

}  // namespace platform
