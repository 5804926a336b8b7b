// Sleep: gives up the processor for at least the given time (0: lets any
// other ready thread run first). It waits in real time whatever the machine
// clock: a virtual clock moves only when advanced, so a thread waiting on it
// would never wake.
#include <windows.h>

#include <chrono>
#include <thread>

extern "C" void WINAPI Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
