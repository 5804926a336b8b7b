// Font matching through fontconfig: the face name first, then the generic
// family the pitch-and-family byte suggests, so that a Windows face name the
// machine does not have still finds a font of the right kind.
#include "gdi/text/font_matcher.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace text {

namespace {

std::mutex gFontconfigLock;

// The generic family fontconfig knows for the request's pitch and family.
const char *GenericFamily(const LOGFONTA &request) {
  const int family = request.lfPitchAndFamily & 0xF0;
  if ((request.lfPitchAndFamily & 0x03) == FIXED_PITCH || family == FF_MODERN) return "monospace";
  if (family == FF_ROMAN) return "serif";
  return "sans-serif";
}

// Fontconfig is loaded once and let go of at exit, so that its caches are
// freed with the process's other memory.
bool Started() {
  static const bool started = [] {
    if (!FcInit()) return false;
    std::atexit(FcFini);
    return true;
  }();
  return started;
}

FcPattern *RequestPattern(const LOGFONTA &request) {
  FcPattern *pattern = FcPatternCreate();
  if (pattern == nullptr) return nullptr;
  // The face name need not be terminated inside its 32 bytes.
  const std::string face(request.lfFaceName, strnlen(request.lfFaceName, LF_FACESIZE));
  if (!face.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(face.c_str()));
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(GenericFamily(request)));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(RequestedWeight(request)));
  FcPatternAddInteger(pattern, FC_SLANT, request.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  return pattern;
}

bool DescribeFile(FcPattern *font, FontFile *file) {
  FcChar8 *path = nullptr;
  FcBool scalable = FcFalse;
  if (FcPatternGetString(font, FC_FILE, 0, &path) != FcResultMatch || path == nullptr) return false;
  if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable) return false;
  int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(font, FC_INDEX, 0, &index);
  FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(font, FC_SLANT, 0, &slant);
  file->path = reinterpret_cast<const char *>(path);
  file->index = index;
  file->weight = FcWeightToOpenType(weight);
  file->italic = slant != FC_SLANT_ROMAN;
  return true;
}

}  // namespace

int RequestedWeight(const LOGFONTA &request) {
  if (request.lfWeight <= FW_DONTCARE || request.lfWeight > 1000) return FW_NORMAL;
  return request.lfWeight;
}

std::vector<FontFile> MatchFontFiles(const LOGFONTA &request) {
  // A handful of candidates is plenty: the first that opens is taken.
  constexpr int kMostCandidates = 8;
  std::vector<FontFile> files;
  std::lock_guard<std::mutex> hold(gFontconfigLock);
  if (!Started()) return files;
  FcPattern *pattern = RequestPattern(request);
  if (pattern == nullptr) return files;
  FcResult result = FcResultNoMatch;
  FcFontSet *sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  for (int i = 0; sorted != nullptr && i < sorted->nfont && static_cast<int>(files.size()) < kMostCandidates; ++i) {
    FontFile file;
    if (DescribeFile(sorted->fonts[i], &file)) files.push_back(file);
  }
  if (sorted != nullptr) FcFontSetDestroy(sorted);
  FcPatternDestroy(pattern);
  return files;
}

}  // namespace text
