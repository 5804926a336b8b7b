// The media window: an MCIWnd window owned by the host window, in which
// video files play while the library has given up its display surfaces.
#pragma once

#include <windows.h>

// The MCIWnd window; null when there is none.
extern HWND ghMediaWindow;
// 1 from a successful OPEN_MEDIA until CLOSE_MEDIA, a failed open or
// CLOSE_MEDIA_WINDOW.
extern int gMediaOpen;
// 1 after a successful PLAY_MEDIA until IS_MEDIA_READY finds the media
// stopped, and 0 after OPEN_MEDIA and CLOSE_MEDIA_WINDOW.
extern int gMediaPlaying;
