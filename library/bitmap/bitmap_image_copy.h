// Loading a bitmap image through GDI and copying it into a bitmap's surface:
// the path LOAD_BITMAP takes and RESTORE_VIDEO_BITMAPS takes again.
#pragma once

#include <windows.h>
#include <ddraw.h>

// LoadImageA of a bitmap resource of the host module, or of a BMP file.
HBITMAP LoadBitmapImage(const char *name, bool fromFile);

// The GDI calls of the copy, in order; the result names the first that
// failed (kCopied when all succeeded).
enum class ImageCopyStep {
  kCopied,
  kCreateCompatibleDC,
  kSelectImage,
  kSurfaceGetDC,
  kBitBlt,
  kSurfaceReleaseDC,
  kSelectOldBitmap,
  kDeleteDC,
  kDeleteObject,
};

// Copies `width` x `height` of the image to the surface's top-left corner and
// deletes the image. A failing step stops the copy; what was acquired before
// it is still given back (the surface's DC, the memory DC, the image).
ImageCopyStep CopyImageToSurface(HBITMAP image, LPDIRECTDRAWSURFACE7 surface, int width, int height);
