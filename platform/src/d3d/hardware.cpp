// The default 3D hardware and its capability records: a software rasteriser
// offered as a HAL and as an RGB device, which differ only in memory placement
// and the lights they report.
#include "d3d/hardware.h"

#include "base/reset.h"

namespace platform::d3d {

namespace {

DDPIXELFORMAT Format(DWORD flags, DWORD bits, DWORD first, DWORD second, DWORD third, DWORD fourth) {
  DDPIXELFORMAT format{};
  format.dwSize = sizeof(DDPIXELFORMAT);
  format.dwFlags = flags;
  format.dwRGBBitCount = bits;
  format.dwRBitMask = first;
  format.dwGBitMask = second;
  format.dwBBitMask = third;
  format.dwRGBAlphaBitMask = fourth;
  return format;
}

// Z-buffers: the second word is the stencil depth, the third the depth mask,
// the fourth the stencil mask.
std::vector<DDPIXELFORMAT> DefaultZBufferFormats() {
  return {
      Format(DDPF_ZBUFFER, 16, 0, 0xFFFF, 0, 0),
      Format(DDPF_ZBUFFER, 24, 0, 0xFFFFFF, 0, 0),
      Format(DDPF_ZBUFFER | DDPF_STENCILBUFFER, 32, 8, 0xFFFFFF, 0xFF000000, 0),
      Format(DDPF_ZBUFFER, 32, 0, 0xFFFFFFFF, 0, 0),
  };
}

std::vector<DDPIXELFORMAT> DefaultTextureFormats() {
  constexpr DWORD kRgbAlpha = DDPF_RGB | DDPF_ALPHAPIXELS;
  constexpr DWORD kLuminanceAlpha = DDPF_LUMINANCE | DDPF_ALPHAPIXELS;
  return {
      Format(DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F, 0),
      Format(DDPF_RGB, 16, 0x7C00, 0x03E0, 0x001F, 0),
      Format(kRgbAlpha, 16, 0x7C00, 0x03E0, 0x001F, 0x8000),
      Format(kRgbAlpha, 16, 0x0F00, 0x00F0, 0x000F, 0xF000),
      Format(DDPF_RGB, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0),
      Format(kRgbAlpha, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000),
      Format(DDPF_RGB | DDPF_PALETTEINDEXED8, 8, 0, 0, 0, 0),
      Format(DDPF_LUMINANCE, 8, 0xFF, 0, 0, 0),
      Format(kLuminanceAlpha, 16, 0xFF, 0, 0, 0xFF00),
      Format(kLuminanceAlpha, 8, 0x0F, 0, 0, 0xF0),
  };
}

// What the rasteriser does for lines and triangles alike.
D3DPRIMCAPS PrimitiveCaps() {
  D3DPRIMCAPS caps{};
  caps.dwSize = sizeof(D3DPRIMCAPS);
  caps.dwMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;
  caps.dwRasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SUBPIXEL |
                      D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_MIPMAPLODBIAS |
                      D3DPRASTERCAPS_ZBIAS | D3DPRASTERCAPS_FOGRANGE | D3DPRASTERCAPS_WBUFFER |
                      D3DPRASTERCAPS_WFOG | D3DPRASTERCAPS_ZFOG;
  constexpr DWORD kAllCompares = 0xFF;  // NEVER … ALWAYS
  constexpr DWORD kAllBlends = 0x1FFF;  // ZERO … BOTHINVSRCALPHA
  caps.dwZCmpCaps = kAllCompares;
  caps.dwAlphaCmpCaps = kAllCompares;
  caps.dwSrcBlendCaps = kAllBlends;
  caps.dwDestBlendCaps = kAllBlends;
  caps.dwShadeCaps = D3DPSHADECAPS_COLORFLATRGB | D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARFLATRGB |
                     D3DPSHADECAPS_SPECULARGOURAUDRGB | D3DPSHADECAPS_ALPHAFLATBLEND |
                     D3DPSHADECAPS_ALPHAGOURAUDBLEND | D3DPSHADECAPS_FOGFLAT | D3DPSHADECAPS_FOGGOURAUD;
  caps.dwTextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_ALPHA |
                       D3DPTEXTURECAPS_TRANSPARENCY | D3DPTEXTURECAPS_BORDER | D3DPTEXTURECAPS_ALPHAPALETTE;
  caps.dwTextureFilterCaps = D3DPTFILTERCAPS_NEAREST | D3DPTFILTERCAPS_LINEAR | D3DPTFILTERCAPS_MIPNEAREST |
                             D3DPTFILTERCAPS_MIPLINEAR | D3DPTFILTERCAPS_LINEARMIPNEAREST |
                             D3DPTFILTERCAPS_LINEARMIPLINEAR | D3DPTFILTERCAPS_MINFPOINT |
                             D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR |
                             D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  caps.dwTextureBlendCaps = D3DPTBLENDCAPS_DECAL | D3DPTBLENDCAPS_MODULATE | D3DPTBLENDCAPS_DECALALPHA |
                            D3DPTBLENDCAPS_MODULATEALPHA | D3DPTBLENDCAPS_COPY | D3DPTBLENDCAPS_ADD;
  caps.dwTextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                              D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV;
  return caps;
}

D3DDEVICEDESC7 DeviceCaps(bool hal) {
  D3DDEVICEDESC7 desc{};
  desc.dwDevCaps = D3DDEVCAPS_FLOATTLVERTEX | D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                   D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP |
                   D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX;
  if (hal) {
    desc.dwDevCaps |= D3DDEVCAPS_EXECUTEVIDEOMEMORY | D3DDEVCAPS_TLVERTEXVIDEOMEMORY |
                      D3DDEVCAPS_TEXTUREVIDEOMEMORY | D3DDEVCAPS_HWRASTERIZATION;
  }
  desc.dpcLineCaps = PrimitiveCaps();
  desc.dpcTriCaps = PrimitiveCaps();
  desc.dwDeviceRenderBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  desc.dwDeviceZBufferBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  desc.dwMinTextureWidth = desc.dwMinTextureHeight = 1;
  desc.dwMaxTextureWidth = desc.dwMaxTextureHeight = 2048;
  desc.dwMaxTextureRepeat = 2048;
  desc.dwMaxTextureAspectRatio = 2048;
  desc.dwMaxAnisotropy = 1;
  desc.dwStencilCaps = 0xFF;  // KEEP … DECR
  desc.dwFVFCaps = 8;         // texture coordinate sets
  desc.dwTextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                         D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_MODULATE4X |
                         D3DTEXOPCAPS_ADD | D3DTEXOPCAPS_ADDSIGNED | D3DTEXOPCAPS_SUBTRACT |
                         D3DTEXOPCAPS_BLENDDIFFUSEALPHA | D3DTEXOPCAPS_BLENDTEXTUREALPHA |
                         D3DTEXOPCAPS_BLENDCURRENTALPHA | D3DTEXOPCAPS_DOTPRODUCT3;
  desc.wMaxTextureBlendStages = 8;
  desc.wMaxSimultaneousTextures = 2;
  desc.dwMaxActiveLights = hal ? 8 : 0xFFFFFFFF;
  desc.dvMaxVertexW = 1e10f;
  desc.deviceGUID = hal ? IID_IDirect3DHALDevice : IID_IDirect3DRGBDevice;
  desc.dwVertexProcessingCaps = D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_VERTEXFOG |
                                D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_POSITIONALLIGHTS |
                                D3DVTXPCAPS_LOCALVIEWER;
  return desc;
}

void ResetHardware() { Hardware3D() = DefaultHardware(); }

ResetHook gResetHardware(ResetHardware);

}  // namespace

Hardware &Hardware3D() {
  static Hardware hardware = DefaultHardware();
  return hardware;
}

Hardware DefaultHardware() {
  Hardware hardware;
  hardware.zbufferFormats = DefaultZBufferFormats();
  hardware.textureFormats = DefaultTextureFormats();
  hardware.halCaps = DeviceCaps(true);
  hardware.rgbCaps = DeviceCaps(false);
  return hardware;
}

std::vector<GUID> DeviceTypes() {
  std::vector<GUID> types{IID_IDirect3DRGBDevice};
  if (Hardware3D().hal) types.push_back(IID_IDirect3DHALDevice);
  return types;
}

bool DeviceTypeExists(const GUID &type) {
  for (const GUID &known : DeviceTypes()) {
    if (IsEqualGUID(known, type)) return true;
  }
  return false;
}

bool DescribeDevice(const GUID &type, D3DDEVICEDESC7 *desc) {
  if (!DeviceTypeExists(type)) return false;
  const bool hal = IsEqualGUID(type, IID_IDirect3DHALDevice);
  *desc = hal ? Hardware3D().halCaps : Hardware3D().rgbCaps;
  desc->deviceGUID = type;
  return true;
}

}  // namespace platform::d3d
