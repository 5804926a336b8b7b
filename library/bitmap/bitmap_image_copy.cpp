// The GDI copy of an image into a bitmap surface: a memory DC holding the
// image, BitBlt onto the surface's DC, and every handle given back in the
// reverse order, also after a failing step.
#include "bitmap/bitmap_image_copy.h"

#include "core/lifecycle.h"

HBITMAP LoadBitmapImage(const char *name, bool fromFile) {
  const UINT flags = LR_CREATEDIBSECTION | (fromFile ? LR_LOADFROMFILE : 0);
  return static_cast<HBITMAP>(LoadImageA(ghInstance, name, IMAGE_BITMAP, 0, 0, flags));
}

namespace {

// Undoes what a copy acquired, quietly, for a copy stopped by a failure.
struct CopyCleanup {
  HBITMAP image;
  HDC memoryDC = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  LPDIRECTDRAWSURFACE7 surface = nullptr;
  HDC surfaceDC = nullptr;

  ~CopyCleanup() {
    if (surfaceDC != nullptr) surface->ReleaseDC(surfaceDC);
    if (oldBitmap != nullptr) SelectObject(memoryDC, oldBitmap);
    if (memoryDC != nullptr) DeleteDC(memoryDC);
    if (image != nullptr) DeleteObject(image);
  }
};

}  // namespace

ImageCopyStep CopyImageToSurface(HBITMAP image, LPDIRECTDRAWSURFACE7 surface, int width, int height) {
  CopyCleanup held{image};
  held.surface = surface;
  held.memoryDC = CreateCompatibleDC(nullptr);
  if (held.memoryDC == nullptr) return ImageCopyStep::kCreateCompatibleDC;
  held.oldBitmap = SelectObject(held.memoryDC, image);
  if (held.oldBitmap == nullptr) return ImageCopyStep::kSelectImage;
  if (FAILED(surface->GetDC(&held.surfaceDC))) {
    held.surfaceDC = nullptr;
    return ImageCopyStep::kSurfaceGetDC;
  }
  if (!BitBlt(held.surfaceDC, 0, 0, width, height, held.memoryDC, 0, 0, SRCCOPY)) return ImageCopyStep::kBitBlt;
  // Each handle is forgotten only once given back; after a failing step the
  // cleanup tries the rest again.
  if (FAILED(surface->ReleaseDC(held.surfaceDC))) return ImageCopyStep::kSurfaceReleaseDC;
  held.surfaceDC = nullptr;
  if (SelectObject(held.memoryDC, held.oldBitmap) == nullptr) return ImageCopyStep::kSelectOldBitmap;
  held.oldBitmap = nullptr;
  if (!DeleteDC(held.memoryDC)) return ImageCopyStep::kDeleteDC;
  held.memoryDC = nullptr;
  if (!DeleteObject(image)) return ImageCopyStep::kDeleteObject;
  held.image = nullptr;
  return ImageCopyStep::kCopied;
}
