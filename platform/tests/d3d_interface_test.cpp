// The platform's Direct3D 7 through COM, as a host sees it: the object from
// DirectDraw, device and format enumeration, z-buffer and texture surfaces,
// device creation rules, state defaults and round trips, scene rules, input
// checks, state blocks and every fault-injection row.
#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "support/d3d_test.h"

namespace {

using PlatformD3DTest = Direct3DTest;

std::vector<std::string> DeviceNames(IDirect3D7 *d3d) {
  std::vector<std::string> names;
  auto callback = [](LPSTR, LPSTR name, LPD3DDEVICEDESC7 desc, LPVOID context) -> HRESULT {
    auto *seen = static_cast<std::vector<std::string> *>(context);
    seen->push_back(name);
    // Each description names its own device type.
    const bool hal = IsEqualGUID(desc->deviceGUID, IID_IDirect3DHALDevice);
    EXPECT_EQ(hal, std::string(name) == "Direct3D HAL");
    return D3DENUMRET_OK;
  };
  EXPECT_EQ(d3d->EnumDevices(callback, &names), D3D_OK);
  return names;
}

std::vector<DDPIXELFORMAT> ZFormats(IDirect3D7 *d3d, const GUID &type) {
  std::vector<DDPIXELFORMAT> formats;
  auto callback = [](LPDDPIXELFORMAT format, LPVOID context) -> HRESULT {
    static_cast<std::vector<DDPIXELFORMAT> *>(context)->push_back(*format);
    return D3DENUMRET_OK;
  };
  EXPECT_EQ(d3d->EnumZBufferFormats(type, callback, &formats), D3D_OK);
  return formats;
}

std::vector<DDPIXELFORMAT> TextureFormats(IDirect3DDevice7 *device) {
  std::vector<DDPIXELFORMAT> formats;
  auto callback = [](LPDDPIXELFORMAT format, LPVOID context) -> HRESULT {
    static_cast<std::vector<DDPIXELFORMAT> *>(context)->push_back(*format);
    return D3DENUMRET_OK;
  };
  EXPECT_EQ(device->EnumTextureFormats(callback, &formats), D3D_OK);
  return formats;
}

TEST_F(PlatformD3DTest, ObjectComesFromDirectDrawAndKnowsItsDevices) {
  IDirectDraw7 *owner = nullptr;
  IDirectDrawSurface7 *target = Target(8, 8, 16);
  ASSERT_EQ(target->GetDDInterface(reinterpret_cast<void **>(&owner)), DD_OK);
  EXPECT_EQ(owner, dd_);
  owner->Release();

  EXPECT_EQ(DeviceNames(d3d_), (std::vector<std::string>{"RGB Emulation", "Direct3D HAL"}));
  machine::set_direct3d_hal_present(false);
  EXPECT_EQ(DeviceNames(d3d_), (std::vector<std::string>{"RGB Emulation"}));
  IDirect3DDevice7 *device = nullptr;
  EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DHALDevice, target, &device), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device, nullptr);
  ASSERT_NE(Device(target, IID_IDirect3DRGBDevice), nullptr);

  IDirect3DVertexBuffer7 *buffer = reinterpret_cast<IDirect3DVertexBuffer7 *>(1);
  D3DVERTEXBUFFERDESC desc{sizeof desc, 0, D3DFVF_TLVERTEX, 16};
  EXPECT_EQ(d3d_->CreateVertexBuffer(&desc, &buffer, 0), DDERR_UNSUPPORTED);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(d3d_->EvictManagedTextures(), D3D_OK);
}

TEST_F(PlatformD3DTest, ZBufferFormatsOfferEachDepthWithPlainFlagsAndCanBeReplaced) {
  const std::vector<DDPIXELFORMAT> formats = ZFormats(d3d_, IID_IDirect3DHALDevice);
  ASSERT_EQ(formats.size(), 4u);
  std::vector<DWORD> plainDepths;
  for (const DDPIXELFORMAT &format : formats) {
    if (format.dwFlags == DDPF_ZBUFFER) plainDepths.push_back(format.dwZBufferBitDepth);
  }
  EXPECT_EQ(plainDepths, (std::vector<DWORD>{16, 24, 32}));
  EXPECT_EQ(formats[2].dwFlags, static_cast<DWORD>(DDPF_ZBUFFER | DDPF_STENCILBUFFER));
  EXPECT_EQ(formats[2].dwStencilBitMask, 0xFF000000u);

  machine::set_zbuffer_formats({formats[0]});
  EXPECT_EQ(ZFormats(d3d_, IID_IDirect3DRGBDevice).size(), 1u);
  EXPECT_EQ(d3d_->EnumZBufferFormats(IID_IDirect3DTnLHalDevice, [](LPDDPIXELFORMAT, LPVOID) -> HRESULT { return D3DENUMRET_OK; },
                                     nullptr),
            DDERR_INVALIDPARAMS);
}

TEST_F(PlatformD3DTest, ZBufferSurfacesDescribeTheirDepthAndStencil) {
  struct Row {
    DWORD bits, stencil;
    HRESULT made;
    DWORD depthMask, stencilMask;
  };
  const Row rows[] = {
      {16, 0, DD_OK, 0xFFFF, 0},
      {24, 0, DD_OK, 0xFFFFFF, 0},
      {32, 8, DD_OK, 0xFFFFFF, 0xFF000000},
      {32, 0, DD_OK, 0xFFFFFFFF, 0},
      {8, 0, DDERR_INVALIDPIXELFORMAT, 0, 0},
      {24, 8, DDERR_INVALIDPIXELFORMAT, 0, 0},
      {16, 4, DDERR_INVALIDPIXELFORMAT, 0, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(std::to_string(row.bits) + "+" + std::to_string(row.stencil));
    HRESULT result;
    IDirectDrawSurface7 *z = Make(4, 4, ZFormat(row.bits, row.stencil), DDSCAPS_ZBUFFER, &result);
    EXPECT_EQ(result, row.made);
    if (z == nullptr) continue;
    DDPIXELFORMAT format{};
    ASSERT_EQ(z->GetPixelFormat(&format), DD_OK);
    EXPECT_EQ(format.dwZBufferBitDepth, row.bits);
    EXPECT_EQ(format.dwZBitMask, row.depthMask);
    EXPECT_EQ(format.dwStencilBitMask, row.stencilMask);
  }
  // A z-buffer format needs z-buffer caps, and z-buffer caps a z-buffer format.
  HRESULT result;
  EXPECT_EQ(Make(4, 4, ZFormat(16), DDSCAPS_OFFSCREENPLAIN, &result), nullptr);
  EXPECT_EQ(result, DDERR_INVALIDPIXELFORMAT);
  EXPECT_EQ(Make(4, 4, RgbFormat(16), DDSCAPS_ZBUFFER, &result), nullptr);
  EXPECT_EQ(result, DDERR_INVALIDPIXELFORMAT);
}

TEST_F(PlatformD3DTest, ZBufferAttachesOnceToATargetOfItsSizeAndDetaches) {
  IDirectDrawSurface7 *target = Target(16, 8, 16);
  IDirectDrawSurface7 *z = Make(16, 8, ZFormat(16), DDSCAPS_ZBUFFER);
  IDirectDrawSurface7 *other = Make(16, 8, ZFormat(24), DDSCAPS_ZBUFFER);
  IDirectDrawSurface7 *small = Make(8, 8, ZFormat(16), DDSCAPS_ZBUFFER);
  EXPECT_EQ(target->AddAttachedSurface(small), DDERR_CANNOTATTACHSURFACE);
  ASSERT_EQ(target->AddAttachedSurface(z), DD_OK);
  EXPECT_EQ(target->AddAttachedSurface(z), DDERR_SURFACEALREADYATTACHED);
  EXPECT_EQ(target->AddAttachedSurface(other), DDERR_CANNOTATTACHSURFACE);
  EXPECT_EQ(z->AddAttachedSurface(other), DDERR_CANNOTATTACHSURFACE);

  DDSCAPS2 caps{DDSCAPS_ZBUFFER, 0, 0, {0}};
  IDirectDrawSurface7 *found = nullptr;
  ASSERT_EQ(target->GetAttachedSurface(&caps, &found), DD_OK);
  EXPECT_EQ(found, z);
  found->Release();

  EXPECT_EQ(target->DeleteAttachedSurface(0, other), DDERR_SURFACENOTATTACHED);
  EXPECT_EQ(target->DeleteAttachedSurface(0, z), DD_OK);
  EXPECT_EQ(target->GetAttachedSurface(&caps, &found), DDERR_NOTFOUND);
  ASSERT_EQ(target->AddAttachedSurface(other), DD_OK);
  EXPECT_EQ(target->DeleteAttachedSurface(0, nullptr), DD_OK);
  EXPECT_EQ(target->GetAttachedSurface(&caps, &found), DDERR_NOTFOUND);
}

// Each offered texture format: made as a managed texture, filled through
// GetDC and BitBlt from an RGB surface, and holding the colour converted.
TEST_F(PlatformD3DTest, TexturesOfEveryOfferedFormatTakeGdiUploads) {
  IDirect3DDevice7 *device = Device(Target(8, 8, 16));
  const std::vector<DDPIXELFORMAT> formats = TextureFormats(device);
  ASSERT_EQ(formats.size(), 10u);
  // A reddish orange: RGB (255, 128, 0), luminance 0.299·255 + 0.587·128 ≈ 152.
  IDirectDrawSurface7 *source = Make(4, 4, RgbFormat(32), DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
  Paint(source, [](int, int) { return 0xFF8000u; });
  const DWORD expected[] = {0xFC00,     0x7E00,     0xFE00, 0xFF80, 0x00FF8000, 0xFFFF8000,
                            0xFFFFFFFF, 0x98,       0xFF98, 0xF9};
  for (size_t i = 0; i < formats.size(); ++i) {
    SCOPED_TRACE("format " + std::to_string(i));
    HRESULT result;
    IDirectDrawSurface7 *texture =
        Make(4, 4, formats[i], DDSCAPS_TEXTURE, &result, DDSCAPS2_TEXTUREMANAGE);
    ASSERT_EQ(result, DD_OK);
    DDPIXELFORMAT described{};
    ASSERT_EQ(texture->GetPixelFormat(&described), DD_OK);
    EXPECT_EQ(memcmp(&described, &formats[i], sizeof described), 0);
    HDC from = nullptr, to = nullptr;
    ASSERT_EQ(source->GetDC(&from), DD_OK);
    ASSERT_EQ(texture->GetDC(&to), DD_OK);
    EXPECT_TRUE(BitBlt(to, 0, 0, 4, 4, from, 0, 0, SRCCOPY));
    texture->ReleaseDC(to);
    source->ReleaseDC(from);
    if (expected[i] == 0xFFFFFFFF) continue;  // palettised: the nearest grey of the default ramp
    EXPECT_EQ(Pixel(texture, 3, 3), expected[i]);
  }
  // Managed textures survive a loss of surfaces; the target does not.
  IDirectDrawSurface7 *managed = Make(4, 4, formats[0], DDSCAPS_TEXTURE, nullptr, DDSCAPS2_TEXTUREMANAGE);
  IDirectDrawSurface7 *plain = Make(4, 4, formats[0], DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY);
  machine::lose_all_surfaces();
  EXPECT_EQ(managed->IsLost(), DD_OK);
  EXPECT_EQ(plain->IsLost(), DDERR_SURFACELOST);
}

TEST_F(PlatformD3DTest, MipmapChainsHalveToOnePixelAndAreWalkedByCaps) {
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.dwWidth = 8;
  desc.dwHeight = 2;
  desc.ddpfPixelFormat = RgbFormat(16);
  desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
  IDirectDrawSurface7 *top = nullptr;
  ASSERT_EQ(dd_->CreateSurface(&desc, &top, nullptr), DD_OK);
  Keep(top);
  std::vector<std::pair<DWORD, DWORD>> sizes;
  IDirectDrawSurface7 *level = top;
  level->AddRef();
  while (level != nullptr) {
    DDSURFACEDESC2 levelDesc{};
    levelDesc.dwSize = sizeof levelDesc;
    level->GetSurfaceDesc(&levelDesc);
    sizes.emplace_back(levelDesc.dwWidth, levelDesc.dwHeight);
    DDSCAPS2 caps{DDSCAPS_TEXTURE | DDSCAPS_MIPMAP, 0, 0, {0}};
    IDirectDrawSurface7 *next = nullptr;
    level->GetAttachedSurface(&caps, &next);
    level->Release();
    level = next;
  }
  EXPECT_EQ(sizes, (std::vector<std::pair<DWORD, DWORD>>{{8, 2}, {4, 1}, {2, 1}, {1, 1}}));
  desc.dwFlags |= DDSD_MIPMAPCOUNT;
  desc.dwMipMapCount = 5;
  EXPECT_EQ(dd_->CreateSurface(&desc, &top, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(PlatformD3DTest, DevicesNeedAThreeDimensionalRgbTarget) {
  IDirect3DDevice7 *device = nullptr;
  IDirectDrawSurface7 *eightBit = Make(8, 8, RgbFormat(8), DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
  EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DHALDevice, eightBit, &device), DDERR_INVALIDPIXELFORMAT);
  EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DRGBDevice, eightBit, &device), DDERR_INVALIDPIXELFORMAT);
  IDirectDrawSurface7 *flat = Make(8, 8, RgbFormat(16), DDSCAPS_OFFSCREENPLAIN);
  EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DHALDevice, flat, &device), DDERR_INVALIDCAPS);
  IDirectDrawSurface7 *system =
      Make(8, 8, RgbFormat(16), DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_SYSTEMMEMORY);
  EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DHALDevice, system, &device), D3DERR_SURFACENOTINVIDMEM);
  EXPECT_NE(Device(system, IID_IDirect3DRGBDevice), nullptr);
  EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DHALDevice, nullptr, &device), DDERR_INVALIDPARAMS);
  EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DHALDevice, Target(8, 8, 32), nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device, nullptr);

  for (DWORD bits : {16u, 24u, 32u}) EXPECT_NE(Device(Target(8, 8, bits)), nullptr) << bits;
  IDirectDrawSurface7 *lost = Target(8, 8, 16);
  machine::lose_all_surfaces();
  EXPECT_EQ(d3d_->CreateDevice(IID_IDirect3DHALDevice, lost, &device), DDERR_SURFACELOST);
}

TEST_F(PlatformD3DTest, CapsReportTheDefaultMachineAndFollowTheControlInterface) {
  IDirect3DDevice7 *device = Device(Target(8, 8, 16));
  D3DDEVICEDESC7 caps{};
  ASSERT_EQ(device->GetCaps(&caps), D3D_OK);
  EXPECT_TRUE(IsEqualGUID(caps.deviceGUID, IID_IDirect3DHALDevice));
  EXPECT_TRUE(caps.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_POW2);
  EXPECT_FALSE(caps.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY);
  EXPECT_FALSE(caps.dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_ZBUFFERLESSHSR);
  EXPECT_EQ(caps.dpcTriCaps.dwSize, sizeof(D3DPRIMCAPS));

  D3DDEVICEDESC7 changed = machine::direct3d_device_caps(IID_IDirect3DHALDevice);
  changed.dpcTriCaps.dwRasterCaps |= D3DPRASTERCAPS_ZBUFFERLESSHSR;
  machine::set_direct3d_device_caps(IID_IDirect3DHALDevice, changed);
  ASSERT_EQ(device->GetCaps(&caps), D3D_OK);
  EXPECT_TRUE(caps.dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_ZBUFFERLESSHSR);
  EXPECT_EQ(device->GetCaps(nullptr), DDERR_INVALIDPARAMS);

  DDPIXELFORMAT only = RgbFormat(16);
  machine::set_texture_formats({only});
  EXPECT_EQ(TextureFormats(device).size(), 1u);
}

TEST_F(PlatformD3DTest, NewDevicesStartAtTheDocumentedDefaults) {
  IDirectDrawSurface7 *withZ = Target(8, 8, 16);
  AttachZ(withZ, 16);
  IDirect3DDevice7 *device = Device(withZ);
  IDirect3DDevice7 *noZ = Device(Target(8, 8, 16));
  struct Row {
    D3DRENDERSTATETYPE state;
    DWORD value;
  };
  const Row rows[] = {
      {D3DRENDERSTATE_ZENABLE, D3DZB_TRUE},          {D3DRENDERSTATE_ZWRITEENABLE, TRUE},
      {D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL},      {D3DRENDERSTATE_CULLMODE, D3DCULL_CCW},
      {D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD},  {D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID},
      {D3DRENDERSTATE_TEXTUREPERSPECTIVE, TRUE},     {D3DRENDERSTATE_SPECULARENABLE, FALSE},
      {D3DRENDERSTATE_FOGENABLE, FALSE},             {D3DRENDERSTATE_ALPHATESTENABLE, FALSE},
      {D3DRENDERSTATE_ALPHABLENDENABLE, FALSE},      {D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE},
      {D3DRENDERSTATE_DESTBLEND, D3DBLEND_ZERO},     {D3DRENDERSTATE_ALPHAFUNC, D3DCMP_ALWAYS},
      {D3DRENDERSTATE_LIGHTING, TRUE},               {D3DRENDERSTATE_CLIPPING, TRUE},
      {D3DRENDERSTATE_COLORVERTEX, TRUE},            {D3DRENDERSTATE_LOCALVIEWER, TRUE},
      {D3DRENDERSTATE_AMBIENT, 0},                   {D3DRENDERSTATE_TEXTUREFACTOR, 0xFFFFFFFF},
      {D3DRENDERSTATE_STENCILMASK, 0xFFFFFFFF},      {D3DRENDERSTATE_FOGEND, 0x3F800000},
      {D3DRENDERSTATE_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
  };
  for (const Row &row : rows) {
    DWORD value = 0xBAD;
    ASSERT_EQ(device->GetRenderState(row.state, &value), D3D_OK);
    EXPECT_EQ(value, row.value) << "render state " << row.state;
  }
  DWORD value = 0;
  ASSERT_EQ(noZ->GetRenderState(D3DRENDERSTATE_ZENABLE, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DZB_FALSE));

  struct StageRow {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE state;
    DWORD value;
  };
  const StageRow stageRows[] = {
      {0, D3DTSS_COLOROP, D3DTOP_MODULATE},   {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
      {0, D3DTSS_COLORARG2, D3DTA_CURRENT},   {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
      {1, D3DTSS_COLOROP, D3DTOP_DISABLE},    {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
      {3, D3DTSS_TEXCOORDINDEX, 3},           {0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP},
      {0, D3DTSS_MAGFILTER, D3DTFG_POINT},    {0, D3DTSS_MIPFILTER, D3DTFP_NONE},
  };
  for (const StageRow &row : stageRows) {
    ASSERT_EQ(device->GetTextureStageState(row.stage, row.state, &value), D3D_OK);
    EXPECT_EQ(value, row.value) << "stage " << row.stage << " state " << row.state;
  }
  D3DVIEWPORT7 viewport{};
  ASSERT_EQ(device->GetViewport(&viewport), D3D_OK);
  EXPECT_EQ(viewport.dwWidth, 8u);
  EXPECT_EQ(viewport.dvMaxZ, 1.0f);
  D3DMATRIX world{};
  ASSERT_EQ(device->GetTransform(D3DTRANSFORMSTATE_WORLD, &world), D3D_OK);
  EXPECT_EQ(world._11, 1.0f);
  EXPECT_EQ(world._12, 0.0f);
}

TEST_F(PlatformD3DTest, StateSettersRoundTripAndRefuseBadArguments) {
  IDirect3DDevice7 *device = Device(Target(16, 16, 32));
  DWORD value = 0;
  EXPECT_EQ(device->SetRenderState(D3DRENDERSTATE_ALPHAREF, 0x80), D3D_OK);
  EXPECT_EQ(device->GetRenderState(D3DRENDERSTATE_ALPHAREF, &value), D3D_OK);
  EXPECT_EQ(value, 0x80u);
  // The address state of earlier versions sets stage 0's.
  EXPECT_EQ(device->SetRenderState(D3DRENDERSTATE_TEXTUREADDRESS, D3DTADDRESS_CLAMP), D3D_OK);
  EXPECT_EQ(device->GetTextureStageState(0, D3DTSS_ADDRESSV, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_CLAMP));
  EXPECT_EQ(device->SetTextureStageState(1, D3DTSS_ADDRESS, D3DTADDRESS_MIRROR), D3D_OK);
  EXPECT_EQ(device->GetTextureStageState(1, D3DTSS_ADDRESSU, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_MIRROR));

  D3DMATRIX scale{};
  scale._11 = 2.0f, scale._22 = 3.0f, scale._33 = 4.0f, scale._44 = 1.0f;
  D3DMATRIX move{};
  move._11 = move._22 = move._33 = move._44 = 1.0f;
  move._41 = 5.0f;
  ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_VIEW, &move), D3D_OK);
  ASSERT_EQ(device->MultiplyTransform(D3DTRANSFORMSTATE_VIEW, &scale), D3D_OK);
  D3DMATRIX product{};
  ASSERT_EQ(device->GetTransform(D3DTRANSFORMSTATE_VIEW, &product), D3D_OK);
  EXPECT_EQ(product._11, 2.0f);
  EXPECT_EQ(product._41, 5.0f);  // scale first, then the move

  D3DVIEWPORT7 viewport{2, 3, 10, 12, 0.25f, 0.75f}, back{};
  ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
  ASSERT_EQ(device->GetViewport(&back), D3D_OK);
  EXPECT_EQ(memcmp(&viewport, &back, sizeof back), 0);

  D3DMATERIAL7 material{};
  material.diffuse.r = 0.5f;
  material.power = 8.0f;
  D3DMATERIAL7 material2{};
  ASSERT_EQ(device->SetMaterial(&material), D3D_OK);
  ASSERT_EQ(device->GetMaterial(&material2), D3D_OK);
  EXPECT_EQ(memcmp(&material, &material2, sizeof material), 0);

  D3DLIGHT7 light{};
  light.dltType = D3DLIGHT_POINT;
  light.dvRange = 10.0f;
  light.dvAttenuation0 = 1.0f;
  D3DLIGHT7 lightBack{};
  BOOL enabled = TRUE;
  ASSERT_EQ(device->SetLight(70000, &light), D3D_OK);
  ASSERT_EQ(device->GetLight(70000, &lightBack), D3D_OK);
  EXPECT_EQ(memcmp(&light, &lightBack, sizeof light), 0);
  ASSERT_EQ(device->GetLightEnable(70000, &enabled), D3D_OK);
  EXPECT_FALSE(enabled);
  // Enabling a light never set makes the default white directional light.
  ASSERT_EQ(device->LightEnable(3, 7), D3D_OK);
  ASSERT_EQ(device->GetLightEnable(3, &enabled), D3D_OK);
  EXPECT_TRUE(enabled);
  ASSERT_EQ(device->GetLight(3, &lightBack), D3D_OK);
  EXPECT_EQ(lightBack.dltType, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(lightBack.dvDirection.z, 1.0f);
  EXPECT_EQ(lightBack.dcvDiffuse.g, 1.0f);

  D3DCLIPSTATUS status{D3DCLIPSTATUS_STATUS, D3DSTATUS_DEFAULT, 0, 0, 0, 0, 0, 0}, statusBack{};
  ASSERT_EQ(device->SetClipStatus(&status), D3D_OK);
  ASSERT_EQ(device->GetClipStatus(&statusBack), D3D_OK);
  EXPECT_EQ(statusBack.dwStatus, static_cast<DWORD>(D3DSTATUS_DEFAULT));

  D3DLIGHT7 badType = light, nanRange = light, farRange = light;
  badType.dltType = static_cast<D3DLIGHTTYPE>(9);
  nanRange.dvRange = std::numeric_limits<float>::quiet_NaN();
  farRange.dvRange = 1e30f;
  D3DVIEWPORT7 outside{10, 10, 10, 10, 0.0f, 1.0f}, empty{0, 0, 0, 4, 0.0f, 1.0f},
      badDepth{0, 0, 4, 4, 0.0f, std::numeric_limits<float>::quiet_NaN()};
  const std::vector<std::pair<const char *, std::function<HRESULT()>>> refused = {
      {"render state 0", [&] { return device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(0), 1); }},
      {"render state 256", [&] { return device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(256), 1); }},
      {"null render value", [&] { return device->GetRenderState(D3DRENDERSTATE_ZENABLE, nullptr); }},
      {"stage 8", [&] { return device->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_ADD); }},
      {"stage state 25", [&] { return device->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(25), 0); }},
      {"transform 7", [&] { return device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(7), &move); }},
      {"null matrix", [&] { return device->SetTransform(D3DTRANSFORMSTATE_WORLD, nullptr); }},
      {"viewport outside", [&] { return device->SetViewport(&outside); }},
      {"empty viewport", [&] { return device->SetViewport(&empty); }},
      {"NaN depth range", [&] { return device->SetViewport(&badDepth); }},
      {"light type", [&] { return device->SetLight(0, &badType); }},
      {"NaN range", [&] { return device->SetLight(0, &nanRange); }},
      {"range too far", [&] { return device->SetLight(0, &farRange); }},
      {"unset light", [&] { return device->GetLight(5, &lightBack); }},
      {"unset light enable", [&] { return device->GetLightEnable(5, &enabled); }},
      {"texture stage 8", [&] { return device->SetTexture(8, nullptr); }},
      {"non-texture surface", [&] { return device->SetTexture(0, Target(4, 4, 16)); }},
      {"clip plane 32", [&] { return device->SetClipPlane(32, reinterpret_cast<float *>(&scale)); }},
  };
  for (const auto &[name, call] : refused) EXPECT_EQ(call(), DDERR_INVALIDPARAMS) << name;
}

TEST_F(PlatformD3DTest, TexturesAreHeldWhileBound) {
  IDirect3DDevice7 *device = Device(Target(8, 8, 16));
  IDirectDrawSurface7 *texture = Make(4, 4, RgbFormat(16), DDSCAPS_TEXTURE);
  ASSERT_EQ(device->SetTexture(1, texture), D3D_OK);
  IDirectDrawSurface7 *bound = nullptr;
  ASSERT_EQ(device->GetTexture(1, &bound), D3D_OK);
  EXPECT_EQ(bound, texture);
  bound->Release();
  // Two references: the test's and the device's.
  texture->AddRef();
  EXPECT_EQ(texture->Release(), 2u);
  ASSERT_EQ(device->SetTexture(1, nullptr), D3D_OK);
  ASSERT_EQ(device->GetTexture(1, &bound), D3D_OK);
  EXPECT_EQ(bound, nullptr);
  texture->AddRef();
  EXPECT_EQ(texture->Release(), 1u);
}

TEST_F(PlatformD3DTest, SceneRulesAndDrawingOutsideAScene) {
  IDirectDrawSurface7 *target = Target(8, 8, 16);
  IDirect3DDevice7 *device = Device(target);
  ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE), D3D_OK);
  D3DTLVERTEX triangle[] = {Tl(0, 0, 0, 0xFFFFFFFF), Tl(8, 0, 0, 0xFFFFFFFF), Tl(0, 8, 0, 0xFFFFFFFF)};
  EXPECT_EQ(device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, triangle, 3, 0), D3DERR_SCENE_NOT_IN_SCENE);
  EXPECT_EQ(Pixel(target, 1, 1), 0u);
  // Clear is allowed outside a scene.
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000, 0.0f, 0), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_SCENE_IN_SCENE);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, triangle, 3, 0), D3D_OK);
  EXPECT_EQ(Pixel(target, 1, 1), 0xFFFFu);
  EXPECT_EQ(device->EndScene(), D3D_OK);
  EXPECT_EQ(device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
}

// Inputs a careless or hostile host may pass: each refused with a clear
// code before the pipeline reads anything, or drawn without harm.
TEST_F(PlatformD3DTest, DrawInputsAreCheckedBeforeThePipelineSeesThem) {
  IDirectDrawSurface7 *target = Target(16, 16, 16);
  AttachZ(target, 16);
  IDirect3DDevice7 *device = Device(target);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  D3DTLVERTEX quad[] = {Tl(0, 0, 0.5f, 0xFFFFFFFF), Tl(16, 0, 0.5f, 0xFFFFFFFF), Tl(0, 16, 0.5f, 0xFFFFFFFF),
                        Tl(16, 16, 0.5f, 0xFFFFFFFF)};
  WORD past[] = {0, 1, 4};
  WORD huge[] = {0, 1, 65535};
  WORD fine[] = {0, 1, 2};
  const float nan = std::numeric_limits<float>::quiet_NaN();
  D3DTLVERTEX hostile[] = {Tl(nan, 0, 0, 0xFF), Tl(1e30f, -1e30f, 0, 0xFF), Tl(0, 16, nan, 0xFF),
                           Tl(4, 4, 0, 0xFF),   Tl(4, 4, 0, 0xFF),          Tl(4, 4, 0, 0xFF),
                           Tl(-1e9f, 1e9f, 2, 0xFF), Tl(3e38f, 3e38f, -5, 0xFF), Tl(8, 8, 0.5f, 0xFF)};
  for (D3DTLVERTEX &vertex : hostile) vertex.rhw = vertex.sz == 2 ? std::numeric_limits<float>::infinity() : 1.0f;
  D3DDRAWPRIMITIVESTRIDEDDATA missing{};
  missing.position = {quad, sizeof(D3DTLVERTEX)};
  struct Row {
    const char *name;
    std::function<HRESULT()> call;
    HRESULT expected;
  };
  const Row rows[] = {
      {"index past the vertices",
       [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad, 4, past, 3, 0); },
       DDERR_INVALIDPARAMS},
      {"largest index",
       [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad, 4, huge, 3, 0); },
       DDERR_INVALIDPARAMS},
      {"null indices",
       [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad, 4, nullptr, 3, 0); },
       DDERR_INVALIDPARAMS},
      {"null vertices",
       [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, nullptr, 3, 0); },
       DDERR_INVALIDPARAMS},
      {"primitive 0", [&] { return device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(0), D3DFVF_TLVERTEX, quad, 3, 0); },
       D3DERR_INVALIDPRIMITIVETYPE},
      {"primitive 7", [&] { return device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(7), D3DFVF_TLVERTEX, quad, 3, 0); },
       D3DERR_INVALIDPRIMITIVETYPE},
      {"no position", [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_DIFFUSE, quad, 3, 0); },
       D3DERR_INVALIDVERTEXFORMAT},
      {"too many vertices",
       [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad, 70000, 0); },
       DDERR_INVALIDPARAMS},
      {"strided without diffuse",
       [&] { return device->DrawPrimitiveStrided(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, &missing, 3, 0); },
       DDERR_INVALIDPARAMS},
      {"no vertex buffers",
       [&] { return device->DrawPrimitiveVB(D3DPT_TRIANGLELIST, nullptr, 0, 3, 0); }, DDERR_INVALIDPARAMS},
      {"zero vertices", [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad, 0, 0); },
       D3D_OK},
      {"NaN, huge, degenerate and behind",
       [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, hostile, 9, 0); }, D3D_OK},
      {"hostile strip and fan",
       [&] { return device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, hostile, 9, 0) |
                    device->DrawPrimitive(D3DPT_LINESTRIP, D3DFVF_TLVERTEX, hostile, 9, 0) |
                    device->DrawPrimitive(D3DPT_POINTLIST, D3DFVF_TLVERTEX, hostile, 9, 0); },
       D3D_OK},
  };
  for (const Row &row : rows) EXPECT_EQ(row.call(), row.expected) << row.name;
  // Refused draws wrote nothing: only the hostile ones could have.
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 0.0f, 0), D3D_OK);
  for (const Row &row : rows) {
    if (row.expected != D3D_OK) row.call();
  }
  for (DWORD value : Pixels(target)) ASSERT_EQ(value, 0u);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad, 4, fine, 3, 0), D3D_OK);
  EXPECT_EQ(device->EndScene(), D3D_OK);
}

TEST_F(PlatformD3DTest, ClearChecksWhatItIsAskedToClear) {
  IDirectDrawSurface7 *target = Target(8, 8, 32);
  IDirect3DDevice7 *device = Device(target);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_ZBUFFER_NOTPRESENT);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_STENCILBUFFER_NOTPRESENT);
  EXPECT_EQ(device->Clear(2, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->Clear(0, nullptr, 0, 0, 1.0f, 0), DDERR_INVALIDPARAMS);
  D3DRECT corner{{0}, {0}, {2}, {2}};
  ASSERT_EQ(device->Clear(1, &corner, D3DCLEAR_TARGET, 0x00123456, 1.0f, 0), D3D_OK);
  EXPECT_EQ(Pixel(target, 1, 1) & 0xFFFFFF, 0x123456u);
  EXPECT_EQ(Pixel(target, 2, 2), 0u);
  machine::lose_all_surfaces();
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), DDERR_SURFACELOST);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  D3DTLVERTEX triangle[] = {Tl(0, 0, 0, 0xFFFFFFFF), Tl(8, 0, 0, 0xFFFFFFFF), Tl(0, 8, 0, 0xFFFFFFFF)};
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, triangle, 3, 0), DDERR_SURFACELOST);
  EXPECT_EQ(device->EndScene(), D3D_OK);
}

TEST_F(PlatformD3DTest, StateBlocksRecordCaptureAndApply) {
  IDirect3DDevice7 *device = Device(Target(8, 8, 16));
  DWORD recorded = 0, value = 0;
  ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
  EXPECT_EQ(device->BeginStateBlock(), D3DERR_INBEGINSTATEBLOCK);
  ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE), D3D_OK);
  ASSERT_EQ(device->EndStateBlock(&recorded), D3D_OK);
  // Recording does not change the device.
  ASSERT_EQ(device->GetRenderState(D3DRENDERSTATE_CULLMODE, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CCW));
  ASSERT_EQ(device->ApplyStateBlock(recorded), D3D_OK);
  ASSERT_EQ(device->GetRenderState(D3DRENDERSTATE_CULLMODE, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_NONE));

  DWORD whole = 0;
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, &whole), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CW), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD), D3D_OK);
  ASSERT_EQ(device->ApplyStateBlock(whole), D3D_OK);
  ASSERT_EQ(device->GetRenderState(D3DRENDERSTATE_CULLMODE, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_NONE));
  ASSERT_EQ(device->GetTextureStageState(0, D3DTSS_COLOROP, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
  EXPECT_EQ(device->DeleteStateBlock(whole), D3D_OK);
  EXPECT_EQ(device->ApplyStateBlock(whole), D3DERR_INVALIDSTATEBLOCK);
  EXPECT_EQ(device->EndStateBlock(&value), D3DERR_NOTINBEGINSTATEBLOCK);
}

TEST_F(PlatformD3DTest, ValidateDeviceChecksTheStageOperations) {
  IDirect3DDevice7 *device = Device(Target(8, 8, 16));
  DWORD passes = 0;
  ASSERT_EQ(device->ValidateDevice(&passes), D3D_OK);
  EXPECT_EQ(passes, 1u);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP), D3D_OK);
  EXPECT_EQ(device->ValidateDevice(&passes), D3DERR_UNSUPPORTEDCOLOROPERATION);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_PREMODULATE), D3D_OK);
  EXPECT_EQ(device->ValidateDevice(&passes), D3DERR_UNSUPPORTEDALPHAOPERATION);
}

TEST_F(PlatformD3DTest, SphereVisibilityAgainstTheViewVolume) {
  // Identity transforms: the view volume is -1 … 1 in x and y, 0 … 1 in z.
  IDirect3DDevice7 *device = Device(Target(8, 8, 16));
  D3DVECTOR centres[] = {{{0.0f}, {0.0f}, {0.5f}}, {{5.0f}, {0.0f}, {0.5f}}, {{1.0f}, {0.0f}, {0.5f}},
                         {{0.0f}, {0.0f}, {-3.0f}}};
  float radii[] = {0.1f, 0.1f, 0.5f, 1.0f};
  DWORD results[4] = {};
  ASSERT_EQ(device->ComputeSphereVisibility(centres, radii, 4, 0, results), D3D_OK);
  EXPECT_EQ(results[0], static_cast<DWORD>(D3DVIS_INSIDE_FRUSTUM));
  EXPECT_EQ(results[1], static_cast<DWORD>(D3DVIS_OUTSIDE_FRUSTUM | D3DVIS_OUTSIDE_RIGHT));
  EXPECT_EQ(results[2], static_cast<DWORD>(D3DVIS_INTERSECT_FRUSTUM | D3DVIS_INTERSECT_RIGHT));
  EXPECT_EQ(results[3] & D3DVIS_MASK_NEAR, static_cast<DWORD>(D3DVIS_OUTSIDE_NEAR));
  EXPECT_EQ(device->ComputeSphereVisibility(centres, radii, 1, 1, results), DDERR_INVALIDPARAMS);
}

TEST_F(PlatformD3DTest, LoadCopiesATextureAndItsMipmapLevels) {
  IDirect3DDevice7 *device = Device(Target(8, 8, 16));
  auto mipmapped = [&](DWORD side) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = desc.dwHeight = side;
    desc.ddpfPixelFormat = RgbFormat(16);
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
    IDirectDrawSurface7 *top = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&desc, &top, nullptr), DD_OK);
    return Keep(top);
  };
  auto secondLevel = [](IDirectDrawSurface7 *top) {
    DDSCAPS2 caps{DDSCAPS_TEXTURE | DDSCAPS_MIPMAP, 0, 0, {0}};
    IDirectDrawSurface7 *next = nullptr;
    EXPECT_EQ(top->GetAttachedSurface(&caps, &next), DD_OK);
    if (next != nullptr) next->Release();  // the chain keeps it alive
    return next;
  };
  IDirectDrawSurface7 *from = mipmapped(4), *to = mipmapped(4);
  Paint(from, [](int x, int y) { return static_cast<DWORD>(x + 4 * y + 1); });
  Paint(secondLevel(from), [](int, int) { return 0x1234u; });
  ASSERT_EQ(device->Load(to, nullptr, from, nullptr, 0), D3D_OK);
  EXPECT_EQ(Pixels(to), Pixels(from));
  EXPECT_EQ(Pixel(secondLevel(to), 1, 1), 0x1234u);
  IDirectDrawSurface7 *other = Make(4, 4, RgbFormat(32), DDSCAPS_TEXTURE);
  EXPECT_EQ(device->Load(other, nullptr, from, nullptr, 0), DDERR_INVALIDPARAMS);
  RECT tooWide{0, 0, 5, 4};
  EXPECT_EQ(device->Load(to, nullptr, from, &tooWide, 0), DDERR_INVALIDPARAMS);

  // Mipmap levels a host attached in a cycle are walked a bounded number
  // of times, by Load and by drawing.
  IDirectDrawSurface7 *a = Make(2, 2, RgbFormat(16), DDSCAPS_TEXTURE | DDSCAPS_MIPMAP);
  IDirectDrawSurface7 *b = Make(2, 2, RgbFormat(16), DDSCAPS_TEXTURE | DDSCAPS_MIPMAP);
  ASSERT_EQ(a->AddAttachedSurface(b), DD_OK);
  ASSERT_EQ(b->AddAttachedSurface(a), DD_OK);
  EXPECT_EQ(device->Load(a, nullptr, b, nullptr, 0), D3D_OK);
  ASSERT_EQ(device->SetTexture(0, a), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  D3DTLVERTEX triangle[] = {Tl(0, 0, 0, 0xFFFFFFFF, 0, 0), Tl(8, 0, 0, 0xFFFFFFFF, 9, 0),
                            Tl(0, 8, 0, 0xFFFFFFFF, 0, 9)};
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, triangle, 3, 0), D3D_OK);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
  ASSERT_EQ(a->DeleteAttachedSurface(0, b), DD_OK);  // so that both can go
}

// Every method fails with an injected fault, before doing anything.
TEST_F(PlatformD3DTest, EveryMethodAnswersAnInjectedFault) {
  IDirectDrawSurface7 *target = Target(8, 8, 16);
  AttachZ(target, 16);
  IDirect3DDevice7 *device = Device(target);
  IDirectDrawSurface7 *texture = Make(4, 4, RgbFormat(16), DDSCAPS_TEXTURE);
  D3DTLVERTEX triangle[] = {Tl(0, 0, 0, 0xFFFFFFFF), Tl(8, 0, 0, 0xFFFFFFFF), Tl(0, 8, 0, 0xFFFFFFFF)};
  WORD indices[] = {0, 1, 2};
  D3DDRAWPRIMITIVESTRIDEDDATA strided{};
  strided.position = {triangle, sizeof(D3DTLVERTEX)};
  strided.diffuse = {&triangle[0].color, sizeof(D3DTLVERTEX)};
  strided.specular = {&triangle[0].specular, sizeof(D3DTLVERTEX)};
  strided.textureCoords[0] = {&triangle[0].tu, sizeof(D3DTLVERTEX)};
  D3DMATRIX matrix{};
  D3DVIEWPORT7 viewport{0, 0, 8, 8, 0.0f, 1.0f};
  D3DMATERIAL7 material{};
  D3DLIGHT7 light{};
  light.dltType = D3DLIGHT_DIRECTIONAL;
  light.dvDirection.z = 1.0f;
  D3DCLIPSTATUS status{};
  D3DDEVICEDESC7 caps{};
  float plane[4] = {};
  DWORD value = 0, block = 0;
  BOOL enabled = FALSE;
  IDirectDrawSurface7 *surface = nullptr;
  IDirect3DDevice7 *made = nullptr;
  IDirect3D7 *object = nullptr;
  void *unknown = nullptr;
  D3DVECTOR centre{};
  float radius = 1.0f;
  auto formats = [](LPDDPIXELFORMAT, LPVOID) -> HRESULT { return D3DENUMRET_OK; };
  auto devices = [](LPSTR, LPSTR, LPD3DDEVICEDESC7, LPVOID) -> HRESULT { return D3DENUMRET_OK; };
  const std::vector<std::pair<std::string, std::function<HRESULT()>>> rows = {
      {"IDirectDraw7::QueryInterface", [&] { return dd_->QueryInterface(IID_IDirect3D7, &unknown); }},
      {"IDirect3D7::QueryInterface", [&] { return d3d_->QueryInterface(IID_IDirect3D7, &unknown); }},
      {"IDirect3D7::EnumDevices", [&] { return d3d_->EnumDevices(devices, nullptr); }},
      {"IDirect3D7::CreateDevice", [&] { return d3d_->CreateDevice(IID_IDirect3DRGBDevice, target, &made); }},
      {"IDirect3D7::CreateVertexBuffer", [&] { return d3d_->CreateVertexBuffer(nullptr, nullptr, 0); }},
      {"IDirect3D7::EnumZBufferFormats",
       [&] { return d3d_->EnumZBufferFormats(IID_IDirect3DHALDevice, formats, nullptr); }},
      {"IDirect3D7::EvictManagedTextures", [&] { return d3d_->EvictManagedTextures(); }},
      {"IDirectDrawSurface7::DeleteAttachedSurface", [&] { return target->DeleteAttachedSurface(0, nullptr); }},
      {"IDirect3DDevice7::QueryInterface", [&] { return device->QueryInterface(IID_IDirect3DDevice7, &unknown); }},
      {"IDirect3DDevice7::GetCaps", [&] { return device->GetCaps(&caps); }},
      {"IDirect3DDevice7::EnumTextureFormats", [&] { return device->EnumTextureFormats(formats, nullptr); }},
      {"IDirect3DDevice7::BeginScene", [&] { return device->BeginScene(); }},
      {"IDirect3DDevice7::EndScene", [&] { return device->EndScene(); }},
      {"IDirect3DDevice7::GetDirect3D", [&] { return device->GetDirect3D(&object); }},
      {"IDirect3DDevice7::SetRenderTarget", [&] { return device->SetRenderTarget(target, 0); }},
      {"IDirect3DDevice7::GetRenderTarget", [&] { return device->GetRenderTarget(&surface); }},
      {"IDirect3DDevice7::Clear", [&] { return device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0); }},
      {"IDirect3DDevice7::SetTransform", [&] { return device->SetTransform(D3DTRANSFORMSTATE_WORLD, &matrix); }},
      {"IDirect3DDevice7::GetTransform", [&] { return device->GetTransform(D3DTRANSFORMSTATE_WORLD, &matrix); }},
      {"IDirect3DDevice7::SetViewport", [&] { return device->SetViewport(&viewport); }},
      {"IDirect3DDevice7::MultiplyTransform",
       [&] { return device->MultiplyTransform(D3DTRANSFORMSTATE_WORLD, &matrix); }},
      {"IDirect3DDevice7::GetViewport", [&] { return device->GetViewport(&viewport); }},
      {"IDirect3DDevice7::SetMaterial", [&] { return device->SetMaterial(&material); }},
      {"IDirect3DDevice7::GetMaterial", [&] { return device->GetMaterial(&material); }},
      {"IDirect3DDevice7::SetLight", [&] { return device->SetLight(0, &light); }},
      {"IDirect3DDevice7::GetLight", [&] { return device->GetLight(0, &light); }},
      {"IDirect3DDevice7::SetRenderState", [&] { return device->SetRenderState(D3DRENDERSTATE_ZENABLE, 0); }},
      {"IDirect3DDevice7::GetRenderState", [&] { return device->GetRenderState(D3DRENDERSTATE_ZENABLE, &value); }},
      {"IDirect3DDevice7::BeginStateBlock", [&] { return device->BeginStateBlock(); }},
      {"IDirect3DDevice7::EndStateBlock", [&] { return device->EndStateBlock(&block); }},
      {"IDirect3DDevice7::PreLoad", [&] { return device->PreLoad(texture); }},
      {"IDirect3DDevice7::DrawPrimitive",
       [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, triangle, 3, 0); }},
      {"IDirect3DDevice7::DrawIndexedPrimitive",
       [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, triangle, 3, indices, 3, 0); }},
      {"IDirect3DDevice7::SetClipStatus", [&] { return device->SetClipStatus(&status); }},
      {"IDirect3DDevice7::GetClipStatus", [&] { return device->GetClipStatus(&status); }},
      {"IDirect3DDevice7::DrawPrimitiveStrided",
       [&] { return device->DrawPrimitiveStrided(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, &strided, 3, 0); }},
      {"IDirect3DDevice7::DrawIndexedPrimitiveStrided",
       [&] {
         return device->DrawIndexedPrimitiveStrided(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, &strided, 3, indices, 3, 0);
       }},
      {"IDirect3DDevice7::DrawPrimitiveVB", [&] { return device->DrawPrimitiveVB(D3DPT_TRIANGLELIST, nullptr, 0, 3, 0); }},
      {"IDirect3DDevice7::DrawIndexedPrimitiveVB",
       [&] { return device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, nullptr, 0, 3, indices, 3, 0); }},
      {"IDirect3DDevice7::ComputeSphereVisibility",
       [&] { return device->ComputeSphereVisibility(&centre, &radius, 1, 0, &value); }},
      {"IDirect3DDevice7::GetTexture", [&] { return device->GetTexture(0, &surface); }},
      {"IDirect3DDevice7::SetTexture", [&] { return device->SetTexture(0, texture); }},
      {"IDirect3DDevice7::GetTextureStageState",
       [&] { return device->GetTextureStageState(0, D3DTSS_COLOROP, &value); }},
      {"IDirect3DDevice7::SetTextureStageState",
       [&] { return device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD); }},
      {"IDirect3DDevice7::ValidateDevice", [&] { return device->ValidateDevice(&value); }},
      {"IDirect3DDevice7::ApplyStateBlock", [&] { return device->ApplyStateBlock(block); }},
      {"IDirect3DDevice7::CaptureStateBlock", [&] { return device->CaptureStateBlock(block); }},
      {"IDirect3DDevice7::DeleteStateBlock", [&] { return device->DeleteStateBlock(block); }},
      {"IDirect3DDevice7::CreateStateBlock", [&] { return device->CreateStateBlock(D3DSBT_ALL, &block); }},
      {"IDirect3DDevice7::Load", [&] { return device->Load(texture, nullptr, texture, nullptr, 0); }},
      {"IDirect3DDevice7::LightEnable", [&] { return device->LightEnable(0, TRUE); }},
      {"IDirect3DDevice7::GetLightEnable", [&] { return device->GetLightEnable(0, &enabled); }},
      {"IDirect3DDevice7::SetClipPlane", [&] { return device->SetClipPlane(0, plane); }},
      {"IDirect3DDevice7::GetClipPlane", [&] { return device->GetClipPlane(0, plane); }},
      {"IDirect3DDevice7::GetInfo", [&] { return device->GetInfo(D3DDEVINFOID_TEXTURING, &caps, 4); }},
  };
  constexpr HRESULT kFault = static_cast<HRESULT>(0x887600FF);
  for (const auto &[operation, call] : rows) {
    machine::fail_next(operation, 1, kFault);
    EXPECT_EQ(call(), kFault) << operation;
    EXPECT_EQ(machine::pending_faults(operation), 0) << operation;
  }
  EXPECT_EQ(made, nullptr);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(surface, nullptr);
}

}  // namespace
