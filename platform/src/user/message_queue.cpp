// The message queue: messages posted to the host's windows (a window
// driver's WM_CLOSE, the host's own PostMessageA), read back in the order
// they were posted with PeekMessageA and GetMessageA. Host windows have no
// window procedures here, so dispatching a message does nothing.
#include <windows.h>
#include <mmsystem.h>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "base/faults.h"
#include "base/reset.h"

namespace {

struct Queue {
  std::mutex lock;
  std::condition_variable posted;
  // Every window's messages in posting order; a read for one window takes
  // the oldest of that window's, which keeps each window's queue in order.
  std::deque<MSG> messages;
};

Queue &Messages() {
  static Queue queue;
  return queue;
}

// A filter of 0..0 takes every message, otherwise the range it names.
bool Matches(const MSG &message, HWND window, UINT filterMin, UINT filterMax) {
  if (window != nullptr && message.hwnd != window) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return message.message >= filterMin && message.message <= filterMax;
}

// The oldest matching message, or end(); callers hold the lock.
std::deque<MSG>::iterator FindMessage(Queue &queue, HWND window, UINT filterMin, UINT filterMax) {
  for (auto it = queue.messages.begin(); it != queue.messages.end(); ++it) {
    if (Matches(*it, window, filterMin, filterMax)) return it;
  }
  return queue.messages.end();
}

void ResetMessages() {
  Queue &queue = Messages();
  std::lock_guard<std::mutex> hold(queue.lock);
  queue.messages.clear();
}
platform::ResetHook gResetMessages(ResetMessages);

}  // namespace

extern "C" BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (platform::TakeWin32Fault("PostMessageA")) return FALSE;
  // A null window posts to the thread: here, the one queue every read sees.
  if (window != nullptr && !IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  MSG posted{};
  posted.hwnd = window;
  posted.message = message;
  posted.wParam = wParam;
  posted.lParam = lParam;
  posted.time = timeGetTime();
  Queue &queue = Messages();
  {
    std::lock_guard<std::mutex> hold(queue.lock);
    queue.messages.push_back(posted);
  }
  queue.posted.notify_all();
  return TRUE;
}

extern "C" BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Queue &queue = Messages();
  std::lock_guard<std::mutex> hold(queue.lock);
  auto found = FindMessage(queue, window, filterMin, filterMax);
  if (found == queue.messages.end()) return FALSE;
  *msg = *found;
  if (removeFlags & PM_REMOVE) queue.messages.erase(found);
  return TRUE;
}

extern "C" BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  // A window that is not (or no longer) a window is an error, not a wait
  // that could never end.
  if (window != nullptr && !IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  Queue &queue = Messages();
  std::unique_lock<std::mutex> hold(queue.lock);
  auto found = queue.messages.end();
  queue.posted.wait(hold, [&] {
    found = FindMessage(queue, window, filterMin, filterMax);
    return found != queue.messages.end();
  });
  *msg = *found;
  queue.messages.erase(found);
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

// Key messages would become character messages; the platform's windows
// receive no key messages (DirectInput reads the keyboard), so none do.
extern "C" BOOL WINAPI TranslateMessage(const MSG *) { return FALSE; }

// The host's windows have no window procedure the platform could call.
extern "C" LRESULT WINAPI DispatchMessageA(const MSG *) { return 0; }
