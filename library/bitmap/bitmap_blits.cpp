// The blit family: unscaled copies through BltFast and stretched copies
// through Blt, of a bitmap onto the back buffer or onto another bitmap,
// opaque or through the source's transparent colour, clipped first.
#include "bitmap/bitmap_clip.h"
#include "bitmap/bitmap_registry.h"
#include "core/critical.h"
#include "core/report.h"
#include "display/display_state.h"
#include "korvane.h"

namespace {

constexpr DWORD kFast = DDBLTFAST_WAIT;
constexpr DWORD kFastKeyed = DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY;
constexpr DWORD kStretch = DDBLT_WAIT | DDBLT_DDFX;
constexpr DWORD kStretchKeyed = DDBLT_WAIT | DDBLT_KEYSRC | DDBLT_DDFX;

// Where a copy goes: a surface and the size it is clipped against.
struct CopyTarget {
  LPDIRECTDRAWSURFACE7 surface;
  int width;
  int height;
};

// The back buffer at the screen size of the mode last set; false (with the
// "??? No Surface ???" line) before a mode was set.
bool BackBufferTarget(CopyTarget *target) {
  if (glpDDSBack == nullptr) {
    RefuseWithoutSurface();
    return false;
  }
  *target = CopyTarget{glpDDSBack, gScreenWidth, gScreenHeight};
  return true;
}

CopyTarget BitmapTarget(const BitmapRecord &bitmap) {
  return CopyTarget{bitmap.lpDDSBack, bitmap.nWidth, bitmap.nHeight};
}

RECT WholeBitmap(const BitmapRecord &bitmap) { return RECT{0, 0, bitmap.nWidth, bitmap.nHeight}; }

int RefuseNullRect(const char *exportName) {
  ReportLine(" ! - %s = No RECT given", exportName);
  return 1;
}

// A failed copy: the critical report, then the export's own lines.
int CopyFailed(HRESULT result, const char *failureLine, const RECT *reportedSource) {
  DDCritical(result);
  if (reportedSource != nullptr) {
    ReportLine("left=%d", static_cast<int>(reportedSource->left));
    ReportLine("top=%d", static_cast<int>(reportedSource->top));
    ReportLine("right=%d", static_cast<int>(reportedSource->right));
    ReportLine("bottom=%d", static_cast<int>(reportedSource->bottom));
  }
  ReportLine("%s", failureLine);
  return 1;
}

// An unscaled copy of `source` (clipped in place) to (x, y) of the target.
int CopyUnscaled(const BitmapRecord &from, RECT *source, const CopyTarget &target, int x, int y, DWORD flags,
                 const char *failureLine, bool reportSource) {
  if (!ClipUnscaled(source, &x, &y, target.width, target.height)) return 0;
  const HRESULT result =
      target.surface->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), from.lpDDSBack, source, flags);
  if (FAILED(result)) return CopyFailed(result, failureLine, reportSource ? source : nullptr);
  return 0;
}

// A stretched copy of the whole bitmap into `dest` (clipped in place).
int CopyStretched(const BitmapRecord &from, RECT *dest, const CopyTarget &target, int fx, DWORD flags,
                  StretchRule rule) {
  RECT source = WholeBitmap(from);
  // Both rules clip against the screen, also for a bitmap target.
  if (!ClipStretched(dest, &source, gScreenWidth, gScreenHeight, rule)) return 0;
  DDBLTFX effects{};
  effects.dwSize = sizeof effects;
  effects.dwDDFX = static_cast<DWORD>(fx);
  const HRESULT result = target.surface->Blt(dest, from.lpDDSBack, &source, flags, &effects);
  if (FAILED(result)) return CopyFailed(result, " ! - DDS7_Blt Failed", nullptr);
  return 0;
}

// The bitmap-to-screen unscaled members: the whole bitmap or a part of it.
int ToScreenUnscaled(const char *exportName, int id, RECT *part, int x, int y, DWORD flags, const char *failureLine,
                     bool reportSource) {
  const BitmapRecord *from = FindBitmapFor(exportName, id);
  CopyTarget target;
  if (from == nullptr || !BackBufferTarget(&target)) return 1;
  RECT whole = WholeBitmap(*from);
  return CopyUnscaled(*from, part != nullptr ? part : &whole, target, x, y, flags, failureLine, reportSource);
}

// The bitmap-to-bitmap unscaled members.
int ToBitmapUnscaled(const char *exportName, int sourceId, RECT *part, int targetId, int x, int y, DWORD flags,
                     const char *failureLine) {
  const BitmapRecord *from = FindBitmapFor(exportName, sourceId);
  const BitmapRecord *to = from != nullptr ? FindBitmapFor(exportName, targetId) : nullptr;
  if (to == nullptr) return 1;
  RECT whole = WholeBitmap(*from);
  return CopyUnscaled(*from, part != nullptr ? part : &whole, BitmapTarget(*to), x, y, flags, failureLine, false);
}

int ToScreenStretched(const char *exportName, int id, RECT *dest, int fx, DWORD flags) {
  if (dest == nullptr) return RefuseNullRect(exportName);
  const BitmapRecord *from = FindBitmapFor(exportName, id);
  CopyTarget target;
  if (from == nullptr || !BackBufferTarget(&target)) return 1;
  return CopyStretched(*from, dest, target, fx, flags, StretchRule::kA);
}

int ToBitmapStretched(const char *exportName, int sourceId, RECT *dest, int targetId, int fx, DWORD flags) {
  if (dest == nullptr) return RefuseNullRect(exportName);
  const BitmapRecord *from = FindBitmapFor(exportName, sourceId);
  const BitmapRecord *to = from != nullptr ? FindBitmapFor(exportName, targetId) : nullptr;
  if (to == nullptr) return 1;
  return CopyStretched(*from, dest, BitmapTarget(*to), fx, flags, StretchRule::kB);
}

}  // namespace

extern "C" int BLIT_BITMAP(int id, RECT *dest, int fx) {
  return ToScreenStretched("BLIT_BITMAP", id, dest, fx, kStretch);
}

extern "C" int TRANS_BLIT_BITMAP(int id, RECT *dest, int fx) {
  return ToScreenStretched("TRANS_BLIT_BITMAP", id, dest, fx, kStretchKeyed);
}

extern "C" int BITMAP_BLIT_BITMAP(int sourceId, RECT *dest, int targetId, int fx) {
  return ToBitmapStretched("BITMAP_BLIT_BITMAP", sourceId, dest, targetId, fx, kStretch);
}

extern "C" int TRANS_BITMAP_BLIT_BITMAP(int sourceId, RECT *dest, int targetId, int fx) {
  return ToBitmapStretched("TRANS_BITMAP_BLIT_BITMAP", sourceId, dest, targetId, fx, kStretchKeyed);
}

extern "C" int BLITFAST(int id, int x, int y) {
  return ToScreenUnscaled("BLITFAST", id, nullptr, x, y, kFast, " ! - DDS7_BltFast Failed", false);
}

extern "C" int TRANS_BLITFAST(int id, int x, int y) {
  return ToScreenUnscaled("TRANS_BLITFAST", id, nullptr, x, y, kFastKeyed, " ! - DDS7_BltFast Failed", false);
}

extern "C" int RECT_BLITFAST(int id, RECT *source, int x, int y) {
  if (source == nullptr) return RefuseNullRect("RECT_BLITFAST");
  return ToScreenUnscaled("RECT_BLITFAST", id, source, x, y, kFast, " ! - RECT_BLITFAST Failed", true);
}

extern "C" int TRANS_RECT_BLITFAST(int id, RECT *source, int x, int y) {
  if (source == nullptr) return RefuseNullRect("TRANS_RECT_BLITFAST");
  return ToScreenUnscaled("TRANS_RECT_BLITFAST", id, source, x, y, kFastKeyed, " ! - TRANS_RECT_BLITFAST Failed",
                          false);
}

extern "C" int BITMAP_BLITFAST(int sourceId, int targetId, int x, int y) {
  return ToBitmapUnscaled("BITMAP_BLITFAST", sourceId, nullptr, targetId, x, y, kFast, " ! - BITMAP_BLITFAST Failed");
}

extern "C" int TRANS_BITMAP_BLITFAST(int sourceId, int targetId, int x, int y) {
  return ToBitmapUnscaled("TRANS_BITMAP_BLITFAST", sourceId, nullptr, targetId, x, y, kFastKeyed,
                          " ! - TRANS_BITMAP_BLITFAST Failed");
}

extern "C" int BITMAP_RECT_BLITFAST(int sourceId, RECT *source, int targetId, int x, int y) {
  if (source == nullptr) return RefuseNullRect("BITMAP_RECT_BLITFAST");
  return ToBitmapUnscaled("BITMAP_RECT_BLITFAST", sourceId, source, targetId, x, y, kFast,
                          " ! - BITMAP_RECT_BLITFAST Failed");
}

extern "C" int TRANS_BITMAP_RECT_BLITFAST(int sourceId, RECT *source, int targetId, int x, int y) {
  if (source == nullptr) return RefuseNullRect("TRANS_BITMAP_RECT_BLITFAST");
  return ToBitmapUnscaled("TRANS_BITMAP_RECT_BLITFAST", sourceId, source, targetId, x, y, kFastKeyed,
                          " ! - TRANS_BITMAP_RECT_BLITFAST Failed");
}
