// The GDI text functions: colours, background mode and alignment of a device
// context, TextOutA on whatever the context draws on (a surface, the bitmap
// of a memory context; a window context has no pixels and draws nothing),
// and the measurements GetTextExtentPoint32A and GetCharWidthA.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <utility>

#include "base/faults.h"
#include "gdi/device_context.h"
#include "gdi/text/font_object.h"
#include "gdi/text/text_renderer.h"

namespace {

// Every function here starts the same way: a pending fault fails it, and a
// handle that is not a live device context fails it.
gdi::DeviceContext *Enter(const char *operation, HDC dc) {
  if (platform::TakeWin32Fault(operation)) {
    return nullptr;
  }
  return gdi::LookUpDC(dc);
}

uint32_t RgbOf(COLORREF colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

// The pixel value a COLORREF stands for on a canvas: the colour itself, or
// on 8-bit canvases the nearest colour of the canvas's palette. A COLORREF
// with 0x01 in its top byte (PALETTEINDEX) names an index directly.
uint32_t PixelOf(const gdi::Canvas &canvas, const pixels::Format &format, COLORREF colour) {
  const uint32_t rgb = RgbOf(colour);
  if (!pixels::Indexed(format)) return pixels::FromRgb(format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  if ((colour >> 24) == 0x01) return colour & 0xFF;
  uint32_t palette[256];
  if (!canvas.Palette(palette)) {
    for (uint32_t i = 0; i < 256; ++i) palette[i] = pixels::ToRgb(format, i, nullptr);
  }
  return pixels::NearestIndex(palette, rgb);
}

bool ValidText(LPCSTR text, int count) { return count >= 0 && (text != nullptr || count == 0); }

}  // namespace

extern "C" int WINAPI SetBkMode(HDC dc, int mode) {
  gdi::DeviceContext *context = Enter("SetBkMode", dc);
  if (context == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  return std::exchange(context->text.backgroundMode, mode);
}

extern "C" COLORREF WINAPI SetBkColor(HDC dc, COLORREF color) {
  gdi::DeviceContext *context = Enter("SetBkColor", dc);
  if (context == nullptr) return CLR_INVALID;
  return std::exchange(context->text.backgroundColor, color);
}

extern "C" COLORREF WINAPI SetTextColor(HDC dc, COLORREF color) {
  gdi::DeviceContext *context = Enter("SetTextColor", dc);
  if (context == nullptr) return CLR_INVALID;
  return std::exchange(context->text.textColor, color);
}

extern "C" UINT WINAPI SetTextAlign(HDC dc, UINT align) {
  gdi::DeviceContext *context = Enter("SetTextAlign", dc);
  if (context == nullptr) return GDI_ERROR;
  return std::exchange(context->text.align, align);
}

extern "C" BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
  gdi::DeviceContext *context = Enter("TextOutA", dc);
  if (context == nullptr || !ValidText(text, count)) return FALSE;
  const std::shared_ptr<text::Font> font = gdi::FontOf(*context);
  if (font == nullptr) return FALSE;
  gdi::Canvas *canvas = context->Target();
  if (canvas == nullptr || count == 0) return TRUE;
  const gdi::DcTextState &state = context->text;
  const pixels::Format format = canvas->PixelFormat();
  const text::TextPaint paint{PixelOf(*canvas, format, state.textColor), RgbOf(state.textColor),
                              state.backgroundMode == OPAQUE, PixelOf(*canvas, format, state.backgroundColor)};
  text::DrawText(canvas->Pixels(), format, *font, x, y, state.align, text, count, paint);
  return TRUE;
}

extern "C" BOOL WINAPI GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size) {
  gdi::DeviceContext *context = Enter("GetTextExtentPoint32A", dc);
  if (context == nullptr || size == nullptr || !ValidText(text, count)) return FALSE;
  const std::shared_ptr<text::Font> font = gdi::FontOf(*context);
  if (font == nullptr) return FALSE;
  size->cx = static_cast<LONG>(std::min<int64_t>(text::TextWidth(*font, text, count), INT_MAX));
  size->cy = font->metrics().height();
  return TRUE;
}

extern "C" BOOL WINAPI GetCharWidthA(HDC dc, UINT first, UINT last, LPINT widths) {
  gdi::DeviceContext *context = Enter("GetCharWidthA", dc);
  // The ANSI code page has single-byte characters only.
  if (context == nullptr || widths == nullptr || first > last || last > 0xFF) return FALSE;
  const std::shared_ptr<text::Font> font = gdi::FontOf(*context);
  if (font == nullptr) return FALSE;
  for (UINT c = first; c <= last; ++c) widths[c - first] = font->Advance(static_cast<unsigned char>(c));
  return TRUE;
}
