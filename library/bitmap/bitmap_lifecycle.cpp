// Making and freeing bitmaps: CREATE_BITMAP (video memory first when asked,
// then system memory), LOAD_BITMAP (resource or file, copied in through
// GDI), FREE_BITMAP and Bitmap_FreeAll.
#include "bitmap/bitmap_image_copy.h"
#include "bitmap/bitmap_registry.h"
#include "core/allocation.h"
#include "core/error_names.h"
#include "core/report.h"
#include "display/display_state.h"
#include "korvane.h"

namespace {

constexpr DWORD kVideoBitmapCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
constexpr DWORD kSystemBitmapCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;

void EndOfCreate() { ReportDetail("  > End of CreateBitmap <"); }

// Creates the record's surface, in video memory first when asked; false
// after both tries failed (with their lines).
bool CreateBitmapSurface(DDSURFACEDESC2 *desc, BitmapRecord *bitmap, bool video) {
  if (video) {
    desc->ddsCaps.dwCaps = kVideoBitmapCaps;
    const HRESULT result = glpDD->CreateSurface(desc, &bitmap->lpDDSBack, nullptr);
    if (result == DD_OK) {
      bitmap->bVideoMemory = 1;
      return true;
    }
    ReportLine(" %s - Video Bitmap failed", DDErrorName(result));
    bitmap->lpDDSBack = nullptr;
  }
  desc->ddsCaps.dwCaps = kSystemBitmapCaps;
  const HRESULT result = glpDD->CreateSurface(desc, &bitmap->lpDDSBack, nullptr);
  if (FAILED(result)) {
    ReportLine(" %s - System Bitmap failed", DDErrorName(result));
    bitmap->lpDDSBack = nullptr;
    return false;
  }
  bitmap->bVideoMemory = 0;
  return true;
}

// Makes colour 0 the new bitmap's transparent colour, under a read-only lock
// as the bitmap's creation always did. A failure after the lock still
// unlocks, so that the bitmap stays usable.
int SetInitialColorKey(LPDIRECTDRAWSURFACE7 surface) {
  DDSURFACEDESC2 lockDesc{};
  lockDesc.dwSize = sizeof lockDesc;
  if (FAILED(surface->Lock(nullptr, &lockDesc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) {
    ReportLine(" DDS7_Lock Bitmap for Trans failed.");
    return 1;
  }
  DDCOLORKEY key{0, 0};
  if (FAILED(surface->SetColorKey(DDCKEY_SRCBLT, &key))) {
    ReportLine(" DDS7_SetColorKey Bitmap for Trans failed.");
    surface->Unlock(nullptr);
    return 1;
  }
  if (FAILED(surface->Unlock(nullptr))) {
    ReportLine(" DDS7_Unlock Bitmap for trans failed.");
    return 1;
  }
  return 0;
}

// The failure line of a GDI copy step, and whether it comes before the
// bitmap is freed.
struct CopyFailure {
  const char *line;
  bool beforeFree;
};

CopyFailure DescribeCopyFailure(ImageCopyStep step) {
  switch (step) {
    case ImageCopyStep::kCreateCompatibleDC: return {" !!! CreateCompatibleDC Failed !!!", false};
    case ImageCopyStep::kSelectImage: return {" !!! SelectObject() Failed !!!", false};
    case ImageCopyStep::kSurfaceGetDC: return {" !!! DDS7_GetDC for bitmap Failed!!!", true};
    case ImageCopyStep::kBitBlt: return {" !!! BitBlit for bitmap failed !!!", false};
    case ImageCopyStep::kSurfaceReleaseDC: return {" !!! DDS7_ReleaseDC for bitmap failed !!!", true};
    case ImageCopyStep::kSelectOldBitmap: return {" !!! SelectObject for hOldBitmap Failed !!!", false};
    case ImageCopyStep::kDeleteDC: return {" !!! DeleteDC(hdcBitmap) Failed !!!", false};
    default: return {" !!! DeleteObject(hBitmap) Failed !!!", false};
  }
}

}  // namespace

extern "C" int CREATE_BITMAP(int id, int width, int height, int video) {
  if (FindBitmap(id) != nullptr) {
    ReportLine(" !!! Bitmap id '%d' has already been assigned to a bitmap !!!", id);
    return 1;
  }
  if (glpDD == nullptr) {
    ReportLine(" !!! DirectDraw7 has not been initialized for creating a bitmap!!! ");
    return 1;
  }
  ReportDetail(" --- Creating bitmap for bitmap id %d ---", id);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_CKSRCBLT;
  desc.dwWidth = static_cast<DWORD>(width);
  desc.dwHeight = static_cast<DWORD>(height);
  auto *bitmap = korvane::New<BitmapRecord>();
  if (bitmap == nullptr) {
    ReportLine(video ? " Out of Memory to store video bitmap into linked list."
                     : " Out of Memory to store system bitmap into linked list.");
    EndOfCreate();
    return 1;
  }
  bitmap->nWidth = width;
  bitmap->nHeight = height;
  if (!CreateBitmapSurface(&desc, bitmap, video != 0)) {
    delete bitmap;
    EndOfCreate();
    return 1;
  }
  bitmap->nId = id;
  if (!LinkBitmap(bitmap)) {
    ReportLine(bitmap->bVideoMemory ? " Out of Memory to store video bitmap into linked list."
                                    : " Out of Memory to store system bitmap into linked list.");
    bitmap->lpDDSBack->Release();
    delete bitmap;
    EndOfCreate();
    return 1;
  }
  if (bitmap->bVideoMemory) {
    ReportDetail(" Bitmap id '%d' has been stored in video memory", id);
  } else {
    ReportDetail(" Bitmap id '%d' has been stored in system memory", id);
  }
  if (SetInitialColorKey(bitmap->lpDDSBack) != 0) return 1;
  bitmap->lpDDSBack->SetPalette(glpDDPalette);
  EndOfCreate();
  return 0;
}

extern "C" int LOAD_BITMAP(const char *name, int id, int video) {
  if (FindBitmap(id) != nullptr) {
    ReportLine(" !!! Bitmap id '%d' has already been assigned to a bitmap !!!", id);
    return 1;
  }
  ReportDetail("### Trying to load bitmap id %d ###", id);
  int source = kBitmapFromResource;
  HBITMAP image = name != nullptr ? LoadBitmapImage(name, false) : nullptr;
  if (image == nullptr && name != nullptr) {
    source = kBitmapFromFile;
    image = LoadBitmapImage(name, true);
  }
  if (image == nullptr) {
    ReportLine(" !!! LoadImage() Failed !!!");
    return 1;
  }
  DIBSECTION section{};
  if (GetObjectA(image, sizeof section, &section) == 0) {
    ReportLine(" !!! GetObject Failed !!!");
    DeleteObject(image);
    return 1;
  }
  if (CREATE_BITMAP(id, section.dsBm.bmWidth, section.dsBm.bmHeight, video) != 0) {
    ReportLine(" !!! DDCreate_MLBitmap Failed !!!");
    DeleteObject(image);
    // A creation that registered the bitmap before failing leaves it
    // half made: the load frees it, so the id is free again.
    if (FindBitmap(id) != nullptr) FREE_BITMAP(id);
    return 1;
  }
  BitmapRecord *bitmap = FindBitmap(id);
  bitmap->nSource = source;
  bitmap->lpFileLocation = korvane::CopyText(name);
  const ImageCopyStep step = CopyImageToSurface(image, bitmap->lpDDSBack, bitmap->nWidth, bitmap->nHeight);
  if (step == ImageCopyStep::kCopied) return 0;
  const CopyFailure failure = DescribeCopyFailure(step);
  if (failure.beforeFree) ReportLine("%s", failure.line);
  FREE_BITMAP(id);
  if (!failure.beforeFree) ReportLine("%s", failure.line);
  return 1;
}

extern "C" void FREE_BITMAP(int id) {
  ReportDetail("   --- Attempting to free bitmap id %d ---", id);
  BitmapRecord *bitmap = FindBitmap(id);
  if (bitmap == nullptr) return;
  ReportDetail(bitmap->bVideoMemory ? "   Trying to free Video Memory Bitmap" : "   Trying to free System Memory Bitmap");
  UnlinkBitmap(bitmap);
  if (bitmap->lpFileLocation != nullptr) {
    delete[] bitmap->lpFileLocation;
    ReportDetail("   id %d : lpFileLocation freed ", id);
  }
  if (bitmap->lpDDSBack != nullptr) {
    // A lock still open is given back first, so that nothing keeps the
    // surface's memory after the bitmap is gone.
    if (bitmap->pixelView.bits != nullptr) bitmap->lpDDSBack->Unlock(nullptr);
    const HRESULT result = static_cast<HRESULT>(bitmap->lpDDSBack->Release());
    if (FAILED(result)) {
      ReportLine("   !!! %s : - Couldn't release back surface !!!", DDErrorName(result));
    } else {
      ReportDetail("   Released bitmap->lpDDSBack.");
    }
  }
  delete bitmap;
  ReportDetail("   Bitmap freed...");
}

void Bitmap_FreeAll() {
  ReportDetail(" +++ Bitmap_FreeAll begin +++");
  while (gBitmapList != nullptr) FREE_BITMAP(gBitmapList->bitmap->nId);
  ReportDetail(" +++ Bitmap_FreeAll end +++");
}
