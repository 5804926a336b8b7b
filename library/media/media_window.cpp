// The media window's exports. The MCI requests are window messages to the
// MCIWnd window; while the window exists the display surfaces are released
// so that it can draw, and closing the media brings them back.
#include "media/media_window.h"

#include <mmsystem.h>
#include <vfw.h>

#include <cstdio>

#include "core/lifecycle.h"
#include "core/state_reset.h"
#include "display/display_state.h"
#include "display/display_surfaces.h"
#include "korvane.h"

HWND ghMediaWindow = nullptr;
int gMediaOpen = 0;
int gMediaPlaying = 0;

namespace {

constexpr DWORD kMediaWindowStyle = MCIWNDF_NOPLAYBAR | MCIWNDF_NOMENU | MCIWNDF_NOERRORDLG | MCIWNDF_NOOPEN;
constexpr int kAudioStream = 1;

LRESULT SendToMediaWindow(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageA(ghMediaWindow, message, wParam, lParam);
}

// The media window moved with its top-left corner to (x, y), at the size
// its window rectangle gives; then the host window is repainted. Answers
// UpdateWindow's result.
int PlaceMediaWindow(int x, int y, const RECT &rect) {
  SetWindowPos(ghMediaWindow, nullptr, x, y, static_cast<int>(rect.right - rect.left),
               static_cast<int>(rect.bottom - rect.top), SWP_NOZORDER);
  InvalidateRect(ghWnd, nullptr, TRUE);
  return UpdateWindow(ghWnd);
}

RECT MediaWindowRect() {
  RECT rect{0, 0, 0, 0};
  GetWindowRect(ghMediaWindow, &rect);
  return rect;
}

}  // namespace

extern "C" int CREATE_MEDIA_WINDOW(void) {
  ghMediaWindow = MCIWndCreateA(ghWnd, ghInstance, kMediaWindowStyle, nullptr);
  ReleaseDisplaySurfaces();
  if (ghMediaWindow == nullptr) {
    // The host is expected to end.
    DestroyWindow(ghWnd);
    return 1;
  }
  return 0;
}

extern "C" int OPEN_MEDIA(const char *name) {
  gMediaPlaying = 0;
  if (gMediaOpen) SendToMediaWindow(MCI_CLOSE);
  gMediaOpen = 1;
  // A null name is refused here rather than handed to MCIWnd, which would
  // take it as a request for its open dialog. Without a media window there
  // is nothing to open in: a message to no window answers 0, which would
  // pass for a successful open.
  LRESULT opened = MCIERR_MISSING_PARAMETER;
  if (ghMediaWindow == nullptr) {
    opened = MCIERR_NO_WINDOW;
  } else if (name != nullptr) {
    opened = SendToMediaWindow(MCIWNDM_OPENA, 0, reinterpret_cast<LPARAM>(name));
  }
  if (opened == 0) return ShowWindow(ghMediaWindow, SW_SHOWNORMAL);
  gMediaOpen = 0;
  return MessageBoxA(ghWnd, "Unable to open Media", nullptr, MB_ICONWARNING);
}

extern "C" int PLAY_MEDIA(void) {
  // No window: no play, and IS_MEDIA_READY must not wait for one.
  if (ghMediaWindow == nullptr) return MCIERR_NO_WINDOW;
  char command[64];
  std::snprintf(command, sizeof command, "setaudio stream to %d", kAudioStream);
  SendToMediaWindow(MCIWNDM_SENDSTRINGA, 0, reinterpret_cast<LPARAM>(command));
  const LRESULT played = SendToMediaWindow(MCI_PLAY);
  // Only a play that started makes IS_MEDIA_READY wait for its end.
  if (played == 0) gMediaPlaying = 1;
  return static_cast<int>(played);
}

extern "C" int IS_MEDIA_READY(void) {
  char mode[64] = "";
  if (SendToMediaWindow(MCIWNDM_GETMODEA, sizeof mode, reinterpret_cast<LPARAM>(mode)) == MCI_MODE_STOP) {
    gMediaPlaying = 0;
  }
  return gMediaPlaying == 1 ? 1 : 0;
}

extern "C" int CLOSE_MEDIA(void) {
  gMediaOpen = 0;
  SendToMediaWindow(MCI_CLOSE);
  ShowWindow(ghMediaWindow, SW_HIDE);
  // Only surfaces that were released are made again: a second close in the
  // same media window must not replace a working display.
  if (glpDDSPrimary != nullptr) return 0;
  return RebuildDisplaySurfaces();
}

extern "C" int SET_MEDIA_WINDOWPOS(int x, int y) { return PlaceMediaWindow(x, y, MediaWindowRect()); }

extern "C" int CENTER_MEDIA_WINDOW(void) {
  const RECT rect = MediaWindowRect();
  const int width = static_cast<int>(rect.right - rect.left);
  const int height = static_cast<int>(rect.bottom - rect.top);
  return PlaceMediaWindow(gScreenWidth / 2 - width / 2, gScreenHeight / 2 - height / 2, rect);
}

extern "C" int CLOSE_MEDIA_WINDOW(void) {
  if (gMediaOpen) SendToMediaWindow(MCI_CLOSE);
  const int closed = static_cast<int>(SendToMediaWindow(WM_CLOSE));
  // The window is gone: later requests must not reach a stale handle, and
  // nothing is open or playing in it any more (IS_MEDIA_READY would
  // otherwise answer 1 for ever).
  ghMediaWindow = nullptr;
  gMediaOpen = 0;
  gMediaPlaying = 0;
  return closed;
}

namespace {

void ResetMediaWindow() {
  if (ghMediaWindow != nullptr) DestroyWindow(ghMediaWindow);
  ghMediaWindow = nullptr;
  gMediaOpen = 0;
  gMediaPlaying = 0;
}

// The media window goes with the other devices, before the display.
const korvane::StateResetHook gResetMediaWindow(korvane::ResetStage::kSound, ResetMediaWindow);

}  // namespace
