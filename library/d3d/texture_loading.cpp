// Textures made from BMP images: IS_TEXTURE_FORMAT and LOAD_TEXTURE_BITMAP.
// The image comes from a bitmap resource of the host executable or a file,
// the surface is sized as the device's texture caps demand, and GDI copies
// (and converts) the image into the surface's top-left corner.
#include <ddraw.h>
#include <d3d.h>

#include "bitmap/bitmap_image_copy.h"
#include "core/allocation.h"
#include "core/report.h"
#include "d3d/d3d_state.h"
#include "d3d/texture_format_matcher.h"
#include "d3d/texture_registry.h"
#include "korvane.h"

namespace {

// The smallest power of two that is at least `size` (sizes past 2^30 stay
// as they are: no surface can be that large, and CreateSurface says so).
DWORD PowerOfTwoAtLeast(DWORD size) {
  DWORD power = 1;
  while (power < size && power < 0x40000000u) power <<= 1;
  return power < size ? size : power;
}

// The image as a resource of the host executable, else as a BMP file.
HBITMAP LoadTextureImage(const char *name) {
  if (name == nullptr) return nullptr;
  auto image = static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (image == nullptr) {
    image = static_cast<HBITMAP>(
        LoadImageA(nullptr, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE));
  }
  return image;
}

// The DirectDraw object behind the device's render target (a reference the
// caller releases), or null.
LPDIRECTDRAW7 DirectDrawOfDevice(LPDIRECT3DDEVICE7 device) {
  LPDIRECTDRAWSURFACE7 target = nullptr;
  if (FAILED(device->GetRenderTarget(&target)) || target == nullptr) return nullptr;
  LPVOID directDraw = nullptr;
  const HRESULT result = target->GetDDInterface(&directDraw);
  target->Release();
  return SUCCEEDED(result) ? static_cast<LPDIRECTDRAW7>(directDraw) : nullptr;
}

// Frees what a failed creation made: the surface, if any, and the record.
int Abandon(TextureRecord *texture) {
  if (texture->lpDDSBack != nullptr) texture->lpDDSBack->Release();
  delete texture;
  return 1;
}

// Creates the texture of `id` from `image` (which it deletes) on `device`.
int CreateTextureFromBitmap(int id, LPDIRECT3DDEVICE7 device, HBITMAP image, int placement) {
  ReportDetail(" --- Creating texture for texture id %d ---", id);
  D3DDEVICEDESC7 caps{};
  if (FAILED(device->GetCaps(&caps))) {
    DeleteObject(image);
    return 1;
  }
  BITMAP info{};
  GetObjectA(image, sizeof info, &info);
  const int width = info.bmWidth;
  const int height = info.bmHeight;

  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE;
  desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
  desc.dwWidth = static_cast<DWORD>(width);
  desc.dwHeight = static_cast<DWORD>(height);
  desc.dwTextureStage = 0;

  TextureRecord *texture = korvane::New<TextureRecord>();
  if (texture == nullptr) {
    DeleteObject(image);
    ReportLine(" Out of Memory to store texture into linked list.");
    return 1;
  }
  texture->nWidth = width;
  texture->nHeight = height;
  if (placement == 1) {
    desc.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
  } else {
    desc.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
  }
  const DWORD textureCaps = caps.dpcTriCaps.dwTextureCaps;
  if (textureCaps & D3DPTEXTURECAPS_POW2) {
    desc.dwWidth = PowerOfTwoAtLeast(desc.dwWidth);
    desc.dwHeight = PowerOfTwoAtLeast(desc.dwHeight);
  }
  if (textureCaps & D3DPTEXTURECAPS_SQUAREONLY) {
    desc.dwWidth = desc.dwHeight = desc.dwWidth > desc.dwHeight ? desc.dwWidth : desc.dwHeight;
  }

  if (!FindRequestedTextureFormat(device, &desc.ddpfPixelFormat)) {
    ReportLine(" !!! Texture Format not found !!!");
    DeleteObject(image);
    return Abandon(texture);
  }
  LPDIRECTDRAW7 directDraw = DirectDrawOfDevice(device);
  const HRESULT created =
      directDraw != nullptr ? directDraw->CreateSurface(&desc, &texture->lpDDSBack, nullptr) : DDERR_INVALIDOBJECT;
  if (directDraw != nullptr) directDraw->Release();
  if (FAILED(created)) {
    texture->lpDDSBack = nullptr;
    DeleteObject(image);
    return Abandon(texture);
  }
  // A surface that gives no DC stays unfilled, without a line; every other
  // failing GDI step also leaves the texture as CreateSurface made it.
  if (CopyImageToSurface(image, texture->lpDDSBack, width, height) == ImageCopyStep::kCreateCompatibleDC) {
    return Abandon(texture);
  }
  texture->bManaged = placement;
  texture->nId = id;
  if (!LinkTexture(texture)) {
    ReportLine(" Out of Memory to store texture into linked list.");
    return Abandon(texture);
  }
  ReportDetail(" Bitmap id '%d' has been stored into linked list", id);
  ReportDetail("  > Texture Created <");
  return 0;
}

}  // namespace

extern "C" int IS_TEXTURE_FORMAT(int depth, int flags, int code) {
  LPDIRECT3DDEVICE7 device = DeviceFor("IS_TEXTURE_FORMAT");
  if (device == nullptr) return 1;
  SetTextureFormatRequest(depth, static_cast<DWORD>(flags), code);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  return FindRequestedTextureFormat(device, &desc.ddpfPixelFormat) ? 0 : 1;
}

extern "C" int LOAD_TEXTURE_BITMAP(const char *name, int id, int depth, int flags, int code, int placement) {
  ReportLine("LOAD_TEXTURE_BITMAP");
  if (FindTexture(id) != nullptr) {
    ReportLine(" !!! Texture id '%d' has already been assigned to a texture !!!", id);
    return 1;
  }
  LPDIRECT3DDEVICE7 device = DeviceFor("LOAD_TEXTURE_BITMAP");
  if (device == nullptr) return 1;
  HBITMAP image = LoadTextureImage(name);
  if (image == nullptr) {
    ReportLine(" !!! Bitmap File Location for texture id not found !!!");
    return 1;
  }
  SetTextureFormatRequest(depth, static_cast<DWORD>(flags), code);
  ReportLine("CreateTextureFromBitmap");
  return CreateTextureFromBitmap(id, device, image, placement);
}
