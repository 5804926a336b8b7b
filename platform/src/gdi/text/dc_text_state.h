// The text state every device context carries: colours, background mode and
// alignment, with the values a new Windows device context starts with.
#pragma once

#include <windows.h>

namespace gdi {

struct DcTextState {
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF backgroundColor = RGB(255, 255, 255);
  int backgroundMode = OPAQUE;
  UINT align = TA_LEFT | TA_TOP;
};

}  // namespace gdi
