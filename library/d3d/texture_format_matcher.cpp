// The texture format matcher: fifteen rules in a fixed order, grouped by the
// requested flags. The first rule that holds for an offered format writes its
// line, copies the format and stops the enumeration.
#include "d3d/texture_format_matcher.h"

#include "core/report.h"
#include "d3d/d3d_state.h"

int gRequestedTextureDepth = 0;
DWORD gRequestedTextureFlags = 0;
int gRequestedTextureCode = 0;

namespace {

const char kFound[] = " -- Texture Format Found";

// How a rule compares the requested flags and the offered flags.
enum class FlagTest { kExactly, kHas };

struct MatchRule {
  FlagTest requestTest;
  DWORD requestFlags;
  int depth;
  int code;  // 0: any requested code
  FlagTest offerTest;
  DWORD offerFlags;
  int colourCode;  // red, green, blue digits of the offer; -1: not looked at
  int alphaBits;   // -1: not looked at
  int luminanceBits;  // -1: not looked at
  const char *line;
};

constexpr FlagTest kExactly = FlagTest::kExactly;
constexpr FlagTest kHas = FlagTest::kHas;
constexpr DWORD kRGB = DDPF_RGB;
constexpr DWORD kRGBA = DDPF_RGB | DDPF_ALPHAPIXELS;
constexpr DWORD kPal8 = DDPF_RGB | DDPF_PALETTEINDEXED8;
constexpr DWORD kLum = DDPF_LUMINANCE;
constexpr DWORD kLumA = DDPF_LUMINANCE | DDPF_ALPHAPIXELS;

const MatchRule kRules[] = {
    {kExactly, kRGB, 32, 0, kExactly, kRGB, -1, -1, -1, kFound},
    {kExactly, kRGB, 16, 565, kExactly, kRGB, 565, -1, -1, " -- 16bit RGB 565 Texture Format Found"},
    {kExactly, kRGB, 16, 555, kExactly, kRGB, 555, -1, -1, " -- 16bit RGB 555 Texture Format Found"},
    {kExactly, kRGB, 8, 0, kExactly, kRGB, -1, -1, -1, kFound},
    {kHas, kRGBA, 32, 0, kHas, kRGBA, -1, -1, -1, kFound},
    {kHas, kRGBA, 16, 1555, kHas, kRGBA, 555, 1, -1, kFound},
    {kHas, kRGBA, 16, 4444, kHas, kRGBA, 444, 4, -1, kFound},
    {kHas, kRGBA, 16, 8332, kHas, kRGBA, 332, 8, -1, kFound},
    {kHas, kPal8, 8, 0, kHas, kPal8, -1, -1, -1, kFound},
    {kHas, kPal8, 4, 0, kHas, DDPF_RGB | DDPF_PALETTEINDEXED4, -1, -1, -1, kFound},
    {kHas, kPal8, 2, 0, kHas, DDPF_RGB | DDPF_PALETTEINDEXED2, -1, -1, -1, kFound},
    {kHas, kPal8, 1, 0, kHas, DDPF_RGB | DDPF_PALETTEINDEXED1, -1, -1, -1, kFound},
    {kExactly, kLum, 8, 0, kExactly, kLum, -1, -1, -1, kFound},
    {kHas, kLumA, 16, 0, kHas, kLumA, -1, 8, 8, kFound},
    {kHas, kLumA, 8, 0, kHas, kLumA, -1, 4, 4, kFound},
};

bool FlagsPass(FlagTest test, DWORD flags, DWORD wanted) {
  return test == kExactly ? flags == wanted : (flags & wanted) == wanted;
}

bool RuleHolds(const MatchRule &rule, const DDPIXELFORMAT &offer) {
  if (!FlagsPass(rule.requestTest, gRequestedTextureFlags, rule.requestFlags)) return false;
  if (gRequestedTextureDepth != rule.depth) return false;
  if (rule.code != 0 && gRequestedTextureCode != rule.code) return false;
  if (!FlagsPass(rule.offerTest, offer.dwFlags, rule.offerFlags)) return false;
  if (static_cast<int>(offer.dwRGBBitCount) != rule.depth) return false;
  const int colourCode =
      CountBits(offer.dwRBitMask) * 100 + CountBits(offer.dwGBitMask) * 10 + CountBits(offer.dwBBitMask);
  if (rule.colourCode >= 0 && colourCode != rule.colourCode) return false;
  if (rule.alphaBits >= 0 && CountBits(offer.dwRGBAlphaBitMask) != rule.alphaBits) return false;
  if (rule.luminanceBits >= 0 && CountBits(offer.dwLuminanceBitMask) != rule.luminanceBits) return false;
  return true;
}

HRESULT CALLBACK MatchTextureFormat(LPDDPIXELFORMAT offer, LPVOID context) {
  if (offer == nullptr) return DDENUMRET_OK;
  for (const MatchRule &rule : kRules) {
    if (!RuleHolds(rule, *offer)) continue;
    ReportLine("%s", rule.line);
    *static_cast<DDPIXELFORMAT *>(context) = *offer;
    return DDENUMRET_CANCEL;
  }
  return DDENUMRET_OK;
}

}  // namespace

void SetTextureFormatRequest(int depth, DWORD flags, int code) {
  gRequestedTextureDepth = depth;
  gRequestedTextureFlags = flags;
  gRequestedTextureCode = code;
}

bool FindRequestedTextureFormat(LPDIRECT3DDEVICE7 device, DDPIXELFORMAT *format) {
  *format = DDPIXELFORMAT{};
  device->EnumTextureFormats(MatchTextureFormat, format);
  return format->dwRGBBitCount != 0;
}
