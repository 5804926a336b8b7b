// Shared pieces of the input suites: a started library with a detailed
// report, the report's body, and the DirectInput property identifiers bound
// the way DirectInput's headers do.
#pragma once

#define DIRECTINPUT_VERSION 0x0700
#include <windows.h>
#include <dinput.h>

#include <string>

#include "korvane.h"
#include "machine.h"
#include "machine_input.h"
#include "support/test_machine.h"

class InputTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    REPORT_MODE("run", 1);
    ASSERT_EQ(KORVANE_INIT(Window(), reinterpret_cast<HINSTANCE>(0x4000)), 0);
  }

  static HWND Window() { return reinterpret_cast<HWND>(0x2000); }

  // The report's lines after its first one.
  std::string ReportBody() {
    std::string all = ReadWholeFile("run.txt");
    size_t firstEnd = all.find('\n');
    return firstEnd == std::string::npos ? std::string() : all.substr(firstEnd + 1);
  }

  // The report lines written since the last call.
  std::string NewLines() {
    std::string body = ReportBody();
    std::string fresh = body.substr(seen_ < body.size() ? seen_ : body.size());
    seen_ = body.size();
    return fresh;
  }

 private:
  size_t seen_ = 0;
};

// SetProperty / GetProperty with a DIPROP_ identifier (a small integer that
// DirectInput passes where a GUID reference is expected).
__attribute__((no_sanitize("alignment"))) inline HRESULT SetProp(IDirectInputDevice7A *device, const GUID *property,
                                                                 const DIPROPHEADER *header) {
  return device->SetProperty(*property, header);
}
__attribute__((no_sanitize("alignment"))) inline HRESULT GetProp(IDirectInputDevice7A *device, const GUID *property,
                                                                 DIPROPHEADER *header) {
  return device->GetProperty(*property, header);
}
