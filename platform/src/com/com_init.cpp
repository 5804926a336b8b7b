// CoInitialize / CoUninitialize: a count of initialisations, S_FALSE when
// COM was already initialised, as the COM library answers.
#include "com/com_init.h"

#include <atomic>

#include "base/faults.h"
#include "base/reset.h"

namespace {
std::atomic<int> gInitialisations{0};
}

extern "C" HRESULT WINAPI CoInitialize(LPVOID) {
  HRESULT fault;
  if (platform::TakeFault("CoInitialize", &fault)) return fault;
  return gInitialisations.fetch_add(1) == 0 ? S_OK : S_FALSE;
}

extern "C" void WINAPI CoUninitialize(void) {
  int count = gInitialisations.load();
  while (count > 0 && !gInitialisations.compare_exchange_weak(count, count - 1)) {
  }
}

int platform::ComInitialisations() { return gInitialisations.load(); }

namespace {
void ResetCom() { gInitialisations.store(0); }
platform::ResetHook gResetCom(ResetCom);
}  // namespace
