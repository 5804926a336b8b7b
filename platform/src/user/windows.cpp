// Windows: a host's non-null handle is a live window until DestroyWindow,
// and the platform remembers which were destroyed; where each window is,
// whether it is shown, what was invalidated and repainted, the messages sent
// to it, and the windows the platform makes itself, which answer them.
#include "user/windows.h"

#include <map>
#include <mutex>
#include <unordered_set>

#include "base/faults.h"
#include "base/reset.h"
#include "base/screen_size.h"
#include "user/window_text.h"

namespace {

struct WindowRecord {
  HWND parent = nullptr;
  // In the parent's coordinates; a host window's parent is the screen.
  RECT rect{};
  bool visible = false;
  bool invalid = false;
  int lastShowCommand = -1;  // the last ShowWindow command, -1 before any
  unsigned invalidations = 0;
  unsigned updates = 0;
  std::shared_ptr<platform::WindowProcedure> procedure;  // null for a host window
};

std::mutex gPlacementLock;
std::map<HWND, WindowRecord> gRecords;
// Messages sent to each window, kept after it is destroyed.
std::map<HWND, std::vector<UINT>> gMessages;
// Handles of the platform's own windows: a range a host's made-up handle
// values are unlikely to reach, never handed out twice.
uintptr_t gNextHandle = 0x7E000000u;

// The record of a live window, made on first use for a host's window (shown,
// covering the screen). Null for a destroyed or null handle. Under the lock.
WindowRecord *RecordOf(HWND window) {
  auto found = gRecords.find(window);
  if (found != gRecords.end()) return &found->second;
  if (window == nullptr || platform::WindowDestroyed(window)) return nullptr;
  WindowRecord &made = gRecords[window];
  const platform::ScreenSize screen = platform::CurrentScreenSize();
  made.rect = RECT{0, 0, screen.width, screen.height};
  made.visible = true;
  return &made;
}

// The top-left corner of a window's parent on the screen. Under the lock.
POINT ParentOrigin(const WindowRecord &record) {
  POINT origin{0, 0};
  HWND parent = record.parent;
  for (int depth = 0; parent != nullptr && depth < 64; ++depth) {
    auto found = gRecords.find(parent);
    if (found == gRecords.end()) break;
    origin.x += found->second.rect.left;
    origin.y += found->second.rect.top;
    parent = found->second.parent;
  }
  return origin;
}

BOOL InvalidHandle() {
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return FALSE;
}

}  // namespace

namespace platform {

HWND MakeWindow(HWND parent, const RECT &rect, bool visible, std::shared_ptr<WindowProcedure> procedure) {
  std::lock_guard<std::mutex> hold(gPlacementLock);
  const HWND window = reinterpret_cast<HWND>(gNextHandle);
  gNextHandle += 0x10;
  WindowCreated(window);
  WindowRecord &record = gRecords[window];
  record.parent = parent;
  record.rect = rect;
  record.visible = visible;
  record.procedure = std::move(procedure);
  return window;
}

bool PlacementOf(HWND window, WindowPlacement *placement) {
  std::lock_guard<std::mutex> hold(gPlacementLock);
  const WindowRecord *record = RecordOf(window);
  if (record == nullptr) return false;
  const POINT origin = ParentOrigin(*record);
  placement->rect = RECT{record->rect.left + origin.x, record->rect.top + origin.y, record->rect.right + origin.x,
                         record->rect.bottom + origin.y};
  placement->visible = record->visible;
  return true;
}

void ResizeWindow(HWND window, int width, int height) {
  std::lock_guard<std::mutex> hold(gPlacementLock);
  WindowRecord *record = RecordOf(window);
  if (record == nullptr) return;
  record->rect.right = record->rect.left + (width > 0 ? width : 0);
  record->rect.bottom = record->rect.top + (height > 0 ? height : 0);
}

int WindowShowCommand(HWND window) {
  std::lock_guard<std::mutex> hold(gPlacementLock);
  auto found = gRecords.find(window);
  return found == gRecords.end() ? -1 : found->second.lastShowCommand;
}

std::vector<HWND> WindowsGone(HWND window) {
  std::vector<HWND> gone{window};
  std::vector<std::shared_ptr<WindowProcedure>> told;
  {
    std::lock_guard<std::mutex> hold(gPlacementLock);
    // Children first found by walking the list of windows gone so far.
    for (size_t i = 0; i < gone.size(); ++i) {
      for (const auto &entry : gRecords) {
        if (entry.second.parent == gone[i]) gone.push_back(entry.first);
      }
    }
    for (HWND each : gone) {
      auto found = gRecords.find(each);
      if (found == gRecords.end()) continue;
      if (found->second.procedure != nullptr) told.push_back(found->second.procedure);
      gRecords.erase(found);
    }
  }
  for (const auto &procedure : told) procedure->Destroyed();
  gone.erase(gone.begin());
  return gone;
}

}  // namespace platform

extern "C" LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<platform::WindowProcedure> procedure;
  {
    std::lock_guard<std::mutex> hold(gPlacementLock);
    WindowRecord *record = RecordOf(window);
    if (record == nullptr) return InvalidHandle();
    gMessages[window].push_back(message);
    procedure = record->procedure;
  }
  // A host's window has no procedure here: the message is only recorded.
  return procedure != nullptr ? procedure->Message(window, message, wParam, lParam) : 0;
}

extern "C" BOOL WINAPI ShowWindow(HWND window, int command) {
  std::lock_guard<std::mutex> hold(gPlacementLock);
  WindowRecord *record = RecordOf(window);
  if (record == nullptr) return InvalidHandle();
  const bool wasVisible = record->visible;
  record->lastShowCommand = command;
  record->visible = command != SW_HIDE;
  if (record->visible && !wasVisible) record->invalid = true;
  return wasVisible ? TRUE : FALSE;
}

extern "C" BOOL WINAPI SetWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags) {
  std::lock_guard<std::mutex> hold(gPlacementLock);
  WindowRecord *record = RecordOf(window);
  if (record == nullptr) return InvalidHandle();
  RECT &rect = record->rect;
  const LONG width = (flags & SWP_NOSIZE) ? rect.right - rect.left : (cx > 0 ? cx : 0);
  const LONG height = (flags & SWP_NOSIZE) ? rect.bottom - rect.top : (cy > 0 ? cy : 0);
  if (!(flags & SWP_NOMOVE)) {
    rect.left = x;
    rect.top = y;
  }
  // Positions near the ends of LONG keep their size without overflowing.
  rect.right = static_cast<LONG>(static_cast<int64_t>(rect.left) + width > INT32_MAX ? INT32_MAX : rect.left + width);
  rect.bottom = static_cast<LONG>(static_cast<int64_t>(rect.top) + height > INT32_MAX ? INT32_MAX : rect.top + height);
  if (flags & SWP_SHOWWINDOW) record->visible = true;
  if (flags & SWP_HIDEWINDOW) record->visible = false;
  if (!(flags & SWP_NOREDRAW)) record->invalid = true;
  return TRUE;
}

extern "C" BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
  platform::WindowPlacement placement;
  if (!platform::PlacementOf(window, &placement)) return InvalidHandle();
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *rect = placement.rect;
  return TRUE;
}

extern "C" BOOL WINAPI InvalidateRect(HWND window, const RECT *, BOOL) {
  std::lock_guard<std::mutex> hold(gPlacementLock);
  // A null window invalidates every window.
  if (window == nullptr) {
    for (auto &entry : gRecords) {
      entry.second.invalid = true;
      ++entry.second.invalidations;
    }
    return TRUE;
  }
  WindowRecord *record = RecordOf(window);
  if (record == nullptr) return InvalidHandle();
  record->invalid = true;
  ++record->invalidations;
  return TRUE;
}

extern "C" BOOL WINAPI UpdateWindow(HWND window) {
  std::lock_guard<std::mutex> hold(gPlacementLock);
  WindowRecord *record = RecordOf(window);
  if (record == nullptr) return InvalidHandle();
  // Repainting happens only where something was invalidated.
  if (record->invalid) {
    record->invalid = false;
    ++record->updates;
  }
  return TRUE;
}

std::vector<unsigned> platform::WindowMessages(HWND window) {
  std::lock_guard<std::mutex> hold(gPlacementLock);
  auto found = gMessages.find(window);
  if (found == gMessages.end()) return {};
  return std::vector<unsigned>(found->second.begin(), found->second.end());
}

unsigned platform::WindowInvalidations(HWND window) {
  std::lock_guard<std::mutex> hold(gPlacementLock);
  auto found = gRecords.find(window);
  return found == gRecords.end() ? 0 : found->second.invalidations;
}

unsigned platform::WindowRepaints(HWND window) {
  std::lock_guard<std::mutex> hold(gPlacementLock);
  auto found = gRecords.find(window);
  return found == gRecords.end() ? 0 : found->second.updates;
}

namespace {

// Power-on: the platform's windows are destroyed, the host's forgotten.
void ResetPlacement() {
  std::vector<HWND> own;
  {
    std::lock_guard<std::mutex> hold(gPlacementLock);
    for (const auto &entry : gRecords) {
      if (entry.second.procedure != nullptr) own.push_back(entry.first);
    }
  }
  for (HWND window : own) platform::WindowsGone(window);
  std::lock_guard<std::mutex> hold(gPlacementLock);
  gRecords.clear();
  gMessages.clear();
}

platform::ResetHook gResetPlacement(ResetPlacement);

}  // namespace

// Window handles.

namespace {

std::mutex gWindowLock;
std::unordered_set<HWND> gDestroyed;

}  // namespace

extern "C" BOOL WINAPI IsWindow(HWND window) {
  std::lock_guard<std::mutex> hold(gWindowLock);
  return window != nullptr && gDestroyed.count(window) == 0;
}

extern "C" BOOL WINAPI DestroyWindow(HWND window) {
  if (platform::TakeWin32Fault("DestroyWindow")) {
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> hold(gWindowLock);
    if (window == nullptr || !gDestroyed.insert(window).second) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
  }
  // Its children go with it; the platform's own windows among them stop.
  const std::vector<HWND> children = platform::WindowsGone(window);
  for (HWND gone : children) platform::ForgetWindowText(gone);
  std::lock_guard<std::mutex> hold(gWindowLock);
  gDestroyed.insert(children.begin(), children.end());
  return TRUE;
}

void platform::WindowCreated(HWND window) {
  std::lock_guard<std::mutex> hold(gWindowLock);
  gDestroyed.erase(window);
}

bool platform::WindowDestroyed(HWND window) {
  std::lock_guard<std::mutex> hold(gWindowLock);
  return gDestroyed.count(window) != 0;
}

namespace {

void ResetWindows() {
  std::lock_guard<std::mutex> hold(gWindowLock);
  gDestroyed.clear();
}
platform::ResetHook gResetWindows(ResetWindows);
}  // namespace
