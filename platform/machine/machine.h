// The machine interface of the portable platform: what the Win32 API has no
// word for. Tests, the demo and Linux hosts use it to configure the simulated
// machine, inject faults and observe what the platform was asked to do.
#pragma once

#include "machine_api.h"

#include <windows.h>

#include <string>
#include <vector>

namespace machine MACHINE_API {

// Puts the whole machine back in its power-on state: no pending faults, no
// recorded boxes, windows alive again, the real clock.
void reset();

// Fault injection: the next `count` calls of `operation` fail with `result`
// (kAlways: every call until reset or cleared with count 0). Operations are
// named as the API names them: "CreateFileA", "WriteFile",
// "DirectDrawCreateEx", "IDirectDraw7::SetDisplayMode", ... For Win32
// functions the result is the error GetLastError then reports; for COM
// methods it is the HRESULT returned.
constexpr int kAlways = -1;
void fail_next(const std::string &operation, int count, HRESULT result);
int pending_faults(const std::string &operation);

// Message boxes shown so far, oldest first. MessageBoxA never blocks: it
// prints the box to stderr, records it here and answers IDOK.
struct MessageBoxRecord {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};
std::vector<MessageBoxRecord> message_boxes();

// Windows: any non-null handle a host passes is a window until destroyed.
bool window_destroyed(HWND window);

// Local time: a fixed time (for reproducible reports) or the real clock.
void set_local_time(const SYSTEMTIME &time);
void use_real_clock();

// The value GetVersion reports (low byte major, next byte minor, high word
// build). The default machine runs version 5.1, build 2600.
void set_version(DWORD version);

// COM: CoInitialize calls not yet balanced by CoUninitialize.
int com_initialisations();

// Live objects made by the DirectDraw factory (not yet fully released).
int live_directdraw_objects();

}  // namespace machine
