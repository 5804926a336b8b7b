// Fills and scrolling inside one bitmap: CLEAR_BITMAP, BITMAP_RECT_BLIT and
// SCROLL_BITMAP, each one Blt on the bitmap's own surface, unclipped.
#include <cstdint>

#include "bitmap/bitmap_registry.h"
#include "core/critical.h"
#include "core/report.h"
#include "display/display_surfaces.h"
#include "korvane.h"

namespace {

// A failing Blt: the critical report, then the export's line (if any).
int BltFailed(HRESULT result, const char *failureLine) {
  DDCritical(result);
  if (failureLine != nullptr) ReportLine("%s", failureLine);
  return 1;
}

int FillBitmap(const char *exportName, int id, RECT *rect, int colour, const char *failureLine) {
  const BitmapRecord *bitmap = FindBitmapFor(exportName, id);
  if (bitmap == nullptr) return 1;
  const HRESULT result = FillSurface(bitmap->lpDDSBack, rect, static_cast<DWORD>(colour));
  return FAILED(result) ? BltFailed(result, failureLine) : 0;
}

// A coordinate moved by an offset; sums beyond 32 bits are held at the edge,
// which DirectDraw then refuses as outside the surface.
LONG Moved(int value, int offset) {
  const int64_t sum = static_cast<int64_t>(value) + offset;
  return static_cast<LONG>(sum < INT32_MIN ? INT32_MIN : sum > INT32_MAX ? INT32_MAX : sum);
}

}  // namespace

extern "C" int CLEAR_BITMAP(int id, int colour) { return FillBitmap("CLEAR_BITMAP", id, nullptr, colour, nullptr); }

extern "C" int BITMAP_RECT_BLIT(int id, RECT *rect, int colour) {
  return FillBitmap("BITMAP_RECT_BLIT", id, rect, colour, " ! - DDS7_Blt Failed");
}

extern "C" int SCROLL_BITMAP(int id, int left, int top, int right, int bottom, int dx, int dy) {
  const BitmapRecord *bitmap = FindBitmapFor("SCROLL_BITMAP", id);
  if (bitmap == nullptr) return 1;
  RECT source{left, top, right, bottom};
  RECT dest{Moved(left, dx), Moved(top, dy), Moved(right, dx), Moved(bottom, dy)};
  const HRESULT result = bitmap->lpDDSBack->Blt(&dest, bitmap->lpDDSBack, &source, DDBLT_WAIT, nullptr);
  return FAILED(result) ? BltFailed(result, " ! - Scroll Failed") : 0;
}
