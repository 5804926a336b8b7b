// CreateFontIndirectA and CreateFontA: a font object keeps the request as
// given; matching it to an installed font waits until it is first used, so
// creating a font never fails for want of one, as on Windows.
#include "gdi/text/font_object.h"

#include <cstring>

#include "base/faults.h"

namespace gdi {

int FontObject::Describe(int size, void *buffer) const {
  if (buffer == nullptr) return static_cast<int>(sizeof(LOGFONTA));
  if (size < static_cast<int>(sizeof(LOGFONTA))) return 0;
  memcpy(buffer, &request_, sizeof request_);
  return static_cast<int>(sizeof request_);
}

std::shared_ptr<text::Font> FontObject::Font() {
  std::lock_guard<std::mutex> hold(lock_);
  if (opened_ == nullptr) opened_ = text::Font::Open(request_);
  return opened_;
}

std::shared_ptr<text::Font> FontOf(const DeviceContext &context) {
  HGDIOBJ selected = context.Selected(ObjectSlot::kFont);
  auto *font = selected != nullptr ? dynamic_cast<FontObject *>(LookUpObject(selected)) : nullptr;
  return font != nullptr ? font->Font() : text::Font::System();
}

}  // namespace gdi

extern "C" HFONT WINAPI CreateFontIndirectA(const LOGFONTA *font) {
  if (platform::TakeWin32Fault("CreateFontIndirectA")) {
    return nullptr;
  }
  if (font == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return static_cast<HFONT>(platform::RegisterHandle(new gdi::FontObject(*font)));
}

extern "C" HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                                    DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                                    DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
  if (platform::TakeWin32Fault("CreateFontA")) {
    return nullptr;
  }
  LOGFONTA font{};
  font.lfHeight = height;
  font.lfWidth = width;
  font.lfEscapement = escapement;
  font.lfOrientation = orientation;
  font.lfWeight = weight;
  font.lfItalic = static_cast<BYTE>(italic != 0);
  font.lfUnderline = static_cast<BYTE>(underline != 0);
  font.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
  font.lfCharSet = static_cast<BYTE>(charSet);
  font.lfOutPrecision = static_cast<BYTE>(outPrecision);
  font.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  font.lfQuality = static_cast<BYTE>(quality);
  font.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  // A longer face name is cut to the 31 characters LOGFONTA holds.
  if (faceName != nullptr) strncpy(font.lfFaceName, faceName, LF_FACESIZE - 1);
  return CreateFontIndirectA(&font);
}
