// Flag-name lists and the z-buffer and texture format lines of the report.
#include "d3d/d3d_format_report.h"

#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "d3d/d3d_state.h"

namespace {

struct FlagName {
  DWORD bit;
  const char *text;
};

// Report order, not bit order.
const FlagName kFlagNames[] = {
    {DDPF_ALPHA, " DDPF_ALPHA"},
    {DDPF_ALPHAPIXELS, " DDPF_ALPHAPIXELS"},
    {DDPF_ALPHAPREMULT, " DDPF_ALPHAPREMULT"},
    {DDPF_BUMPLUMINANCE, " DDPF_BUMPLUMINANCE"},
    {DDPF_BUMPDUDV, " DDPF_BUMPDUDV"},
    {DDPF_COMPRESSED, " DDPF_COMPRESSED"},
    {DDPF_FOURCC, " DDPF_FOURCC"},
    {DDPF_LUMINANCE, " DDPF_LUMINANCE"},
    {DDPF_PALETTEINDEXED1, " DDPF_PALETTEINDEXED1"},
    {DDPF_PALETTEINDEXED2, " DDPF_PALETTEINDEXED2"},
    {DDPF_PALETTEINDEXED4, " DDPF_PALETTEINDEXED4"},
    {DDPF_PALETTEINDEXED8, " DDPF_PALETTEINDEXED8"},
    {DDPF_PALETTEINDEXEDTO8, " DDPF_PALETTEINDEXEDTO8"},
    {DDPF_RGB, " DDPF_RGB"},
    {DDPF_RGBTOYUV, " DDPF_RGBTOYUV"},
    {DDPF_STENCILBUFFER, " DDPF_STENCILBUFFER"},
    {DDPF_YUV, " DDPF_YUV"},
    {DDPF_ZBUFFER, " DDPF_ZBUFFER"},
    {DDPF_ZPIXELS, " DDPF_ZPIXELS"},
};

constexpr DWORD kAnyPalette =
    DDPF_PALETTEINDEXED1 | DDPF_PALETTEINDEXED2 | DDPF_PALETTEINDEXED4 | DDPF_PALETTEINDEXED8 | DDPF_PALETTEINDEXEDTO8;

bool Has(DWORD flags, DWORD bits) { return (flags & bits) == bits; }

}  // namespace

void FormatFlagNames(DWORD flags, char *text, int size) {
  if (size <= 0) return;
  text[0] = '\0';
  size_t used = 0;
  for (const FlagName &name : kFlagNames) {
    if ((flags & name.bit) == 0) continue;
    const size_t length = strlen(name.text);
    if (used + length >= static_cast<size_t>(size)) break;
    memcpy(text + used, name.text, length + 1);
    used += length;
  }
  if (used == 0) snprintf(text, static_cast<size_t>(size), "DDPF_UNKNOWN");
}

void WriteZBufferFormatLine(const DDPIXELFORMAT &format) {
  char names[kFormatTextSize];
  FormatFlagNames(format.dwFlags, names, sizeof names);
  ReportLine("ZBufferBitDepth: %d bit -- DDPF_FLAG: %s", static_cast<int>(format.dwZBufferBitDepth), names);
}

void WriteTextureFormatLine(const DDPIXELFORMAT &format) {
  const DWORD flags = format.dwFlags;
  const int bits = static_cast<int>(format.dwRGBBitCount);
  char names[kFormatTextSize];
  FormatFlagNames(flags, names, sizeof names);

  int code = 0;
  if (Has(flags, DDPF_ALPHAPIXELS)) code = CountBits(format.dwRGBAlphaBitMask) * 1000;
  if (Has(flags, DDPF_RGB)) {
    code += CountBits(format.dwRBitMask) * 100 + CountBits(format.dwGBitMask) * 10 + CountBits(format.dwBBitMask);
  }

  if (Has(flags, DDPF_RGB) && (flags & kAnyPalette) == 0) {
    ReportLine("FORMAT: %d bit %d -- DDPF_FLAG: %s", bits, code, names);
  } else if (flags == DDPF_LUMINANCE || Has(flags, DDPF_LUMINANCE | DDPF_ALPHA)) {
    code = Has(flags, DDPF_ALPHA) ? bits * 11 : bits;
    ReportLine("FORMAT: %d bit %d -- DDPF_FLAG: %s", bits, code, names);
  } else if (Has(flags, DDPF_LUMINANCE | DDPF_ALPHAPIXELS)) {
    code = code / 100 + CountBits(format.dwLuminanceBitMask);
    ReportLine("FORMAT: %d bit %d -- DDPF_FLAG: %s", bits, code, names);
  } else {
    ReportLine("FORMAT: %d bit -- DDPF_FLAG: %s", bits, names);
  }
}
