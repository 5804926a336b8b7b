// The GDI text exports on the back buffer, left-aligned or centred, opaque
// or transparent, in the font USE_FONT set; the drawing on any surface that
// the bitmap text exports share; and the width of one character in the host
// window's font.
#include "core/critical.h"
#include "core/lifecycle.h"
#include "core/report.h"
#include "core/state_reset.h"
#include "display/display_state.h"
#include "display/gdi_text.h"
#include "korvane.h"

HFONT gFont = nullptr;

namespace {

// The font is the host's: the reset forgets it, it does not delete it.
void ForgetFont() { gFont = nullptr; }
const korvane::StateResetHook gResetFont(korvane::ResetStage::kDisplay, ForgetFont);

// How one export draws and how it answers each failure. The centred exports
// raise the critical report for DirectDraw failures and do not examine the
// GDI calls; the others write a line per failed step.
struct TextStyle {
  UINT align;
  bool critical;
  bool checkSetup;  // SetBkMode and SetTextAlign examined (bitmap exports)
  const char *getDcFailed;
  const char *releaseDcFailed;
};

const TextStyle kBackBufferText{TA_LEFT | TA_TOP, false, false, " ! - DDS7_GetDC Failed", " ! - DDS7_ReleaseDC Failed"};
const TextStyle kBitmapText{TA_LEFT | TA_TOP, false, true, " ! - IDDS_GetDC Failed", " ! - IDDS_ReleaseDC Failed"};
const TextStyle kCentredText{TA_CENTER | TA_TOP, true, false, nullptr, nullptr};

int DirectDrawFailed(const TextStyle &style, const char *line, HRESULT result) {
  if (style.critical)
    DDCritical(result);
  else
    ReportLine("%s", line);
  return 1;
}

// Steps 2 to 6 of drawing on a device context; false (with its line
// written) when a step the style examines fails.
bool DrawOnDC(const TextStyle &style, HDC dc, int x, int y, const char *text, int colour, int transparent) {
  const int mode = transparent == 0 ? OPAQUE : TRANSPARENT;
  if (SetBkMode(dc, mode) == 0 && style.checkSetup) {
    ReportLine(mode == OPAQUE ? " ! - SetBkMode(hdc,OPAQUE) on Bitmap failed"
                              : " ! - SetBkMode(hdc,TRANSPARENT) on Bitmap failed");
    return false;
  }
  SetBkColor(dc, 0);
  SetTextColor(dc, TextColorref(colour));
  if (SetTextAlign(dc, style.align) == GDI_ERROR && style.checkSetup) {
    ReportLine(" ! - SetTextAlign(hdc,TA_LEFT) on Bitmap failed");
    return false;
  }
  if (gFont != nullptr) SelectObject(dc, gFont);  // the previous font is not put back
  if (!TextOutA(dc, x, y, text, lstrlenA(text)) && !style.critical) {
    ReportLine(" ! - TextOut Failed");
    return false;
  }
  return true;
}

// The common drawing sequence on a surface. The device context is given
// back on every path, failures included, so that the surface stays usable.
int WriteText(const TextStyle &style, LPDIRECTDRAWSURFACE7 surface, int x, int y, const char *text, int colour,
             int transparent) {
  if (text == nullptr) {
    ReportLine(" ! - TextOut Failed");
    return 1;
  }
  HDC dc = nullptr;
  HRESULT result = surface->GetDC(&dc);
  if (FAILED(result)) return DirectDrawFailed(style, style.getDcFailed, result);
  const bool drawn = DrawOnDC(style, dc, x, y, text, colour, transparent);
  result = surface->ReleaseDC(dc);
  if (FAILED(result)) return DirectDrawFailed(style, style.releaseDcFailed, result);
  return drawn ? 0 : 1;
}

int DrawOnBackBuffer(const TextStyle &style, int x, int y, const char *text, int colour, int transparent) {
  if (glpDDSBack == nullptr) return RefuseWithoutSurface();
  return WriteText(style, glpDDSBack, x, y, text, colour, transparent);
}

const TextStyle &StyleOf(TextStyleKind kind) {
  switch (kind) {
    case TextStyleKind::kBitmap: return kBitmapText;
    case TextStyleKind::kCentred: return kCentredText;
    default: return kBackBufferText;
  }
}

}  // namespace

int WriteSurfaceText(TextStyleKind kind, LPDIRECTDRAWSURFACE7 surface, int x, int y, const char *text, int colour,
                     int transparent) {
  return WriteText(StyleOf(kind), surface, x, y, text, colour, transparent);
}

extern "C" HFONT USE_FONT(HFONT font) {
  gFont = font;
  return font;
}

extern "C" int GDI_TEXTOUT(int x, int y, const char *text, int colour, int transparent) {
  return DrawOnBackBuffer(kBackBufferText, x, y, text, colour, transparent);
}

extern "C" int GDI_TEXTOUT_CENTER(int x, int y, const char *text, int colour, int transparent) {
  return DrawOnBackBuffer(kCentredText, x, y, text, colour, transparent);
}

extern "C" int GDI_GET_CHARWIDTH(const char *text) {
  if (text == nullptr) {
    ReportLine(" ! - GetCharWidth Failed");
    return 0;
  }
  HDC dc = GetDC(ghWnd);
  if (dc == nullptr) {
    ReportLine(" ! - GetDC Failed");
    return 0;
  }
  // The character as its byte value, so that characters above 127 measure
  // as themselves rather than as negative codes.
  const UINT c = static_cast<unsigned char>(text[0]);
  INT width = 0;
  if (!GetCharWidthA(dc, c, c, &width)) {
    ReportLine(" ! - GetCharWidth Failed");
    width = 0;
  }
  ReleaseDC(ghWnd, dc);
  return width;
}
