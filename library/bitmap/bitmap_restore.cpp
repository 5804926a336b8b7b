// RESTORE_VIDEO_BITMAPS: after the display surfaces were lost, every surface
// of the DirectDraw object is restored, and video-memory bitmaps that came
// from an image get it back; empty ones must be redrawn by the host.
#include "bitmap/bitmap_image_copy.h"
#include "bitmap/bitmap_registry.h"
#include "core/report.h"
#include "display/display_state.h"
#include "korvane.h"

namespace {

// Loads the bitmap's image again and copies it in; nothing is reported.
void ReloadBitmap(const BitmapRecord &bitmap) {
  ReportDetail(" --- Trying to reload %s ---", bitmap.lpFileLocation);
  HBITMAP image = LoadBitmapImage(bitmap.lpFileLocation, bitmap.nSource == kBitmapFromFile);
  if (image == nullptr) return;
  CopyImageToSurface(image, bitmap.lpDDSBack, bitmap.nWidth, bitmap.nHeight);
}

}  // namespace

extern "C" void RESTORE_VIDEO_BITMAPS(void) {
  if (glpDD == nullptr) return;
  if (FAILED(glpDD->RestoreAllSurfaces())) ReportLine("!!! RestoreAll Failed !!!");
  ReportDetail("### Video Bitmap RestoreAll begin ###");
  for (const BitmapNode *node = gBitmapList; node != nullptr; node = node->next) {
    const BitmapRecord &bitmap = *node->bitmap;
    if (bitmap.bVideoMemory != 1) continue;
    if (bitmap.lpFileLocation != nullptr) {
      ReloadBitmap(bitmap);
    } else {
      ReportLine(" id %d Bitmap needs user to redraw it. ", bitmap.nId);
    }
  }
  ReportDetail("### Video Bitmap RestoreAll end ###");
}
