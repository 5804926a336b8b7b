// Windows as handles and their placement. A host's non-null handle is a
// live window until DestroyWindow, which the platform takes as covering the
// screen from (0, 0); windows the platform makes
// itself (media windows) answer messages through a procedure of their own
// and go when destroyed, with their parent or at reset.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

namespace platform {

// A window the platform made is live under `window`.
void WindowCreated(HWND window);
// True once DestroyWindow has succeeded for `window` (until reset).
bool WindowDestroyed(HWND window);

// A window the platform makes: it answers the messages sent to it and is
// told when it is destroyed.
class WindowProcedure {
 public:
  virtual ~WindowProcedure() = default;
  // Called on the sender's thread with no window lock held.
  virtual LRESULT Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // The window is gone: stop what runs for it. Called once.
  virtual void Destroyed() = 0;
};

// A new window of the platform's own at `rect` in its parent, shown or
// hidden.
HWND MakeWindow(HWND parent, const RECT &rect, bool visible, std::shared_ptr<WindowProcedure> procedure);

// Where a window is and whether it is shown; false for a destroyed window.
struct WindowPlacement {
  RECT rect;
  bool visible;
};
bool PlacementOf(HWND window, WindowPlacement *placement);

// Changes a platform window's size (as an MCIWnd sizes itself to a movie).
void ResizeWindow(HWND window, int width, int height);

// Forgets a destroyed window and its children, telling the platform's own
// windows among them; answers the children (called by DestroyWindow).
std::vector<HWND> WindowsGone(HWND window);

// What was done to a window, for the machine interface: the last ShowWindow
// command (-1 before any), the messages sent to it (kept after it is
// destroyed), how often it was invalidated and repainted.
int WindowShowCommand(HWND window);
std::vector<unsigned> WindowMessages(HWND window);
unsigned WindowInvalidations(HWND window);
unsigned WindowRepaints(HWND window);

}  // namespace platform
