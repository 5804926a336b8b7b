// Reset hooks of the platform's modules, called by machine::reset().
#pragma once

namespace platform {

void ResetFaults();
void ResetMessageBoxes();
void ResetWindows();
void ResetClock();
void ResetVersion();
void ResetCom();

}  // namespace platform
