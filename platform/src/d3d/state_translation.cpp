// Translation of the device state into the pipeline's records. Enumerations
// share Direct3D's numbers, so each is a range check and a cast.
#include "d3d/state_translation.h"

#include <cmath>
#include <cstring>

#include "ddraw/palette.h"
#include "ddraw/surface.h"

namespace platform::d3d {

namespace {

// `value` as the enumeration when it lies in first … last, else `fallback`.
template <typename Enum>
Enum InRange(DWORD value, Enum first, Enum last, Enum fallback) {
  if (value < static_cast<DWORD>(first) || value > static_cast<DWORD>(last)) return fallback;
  return static_cast<Enum>(value);
}

float FloatOf(DWORD bits, float fallback) {
  float value;
  memcpy(&value, &bits, sizeof value);
  return std::isfinite(value) ? value : fallback;
}

raster::Matrix MatrixOf(const D3DMATRIX &matrix) {
  raster::Matrix out;
  memcpy(out.m, &matrix._11, sizeof out.m);
  return out;
}

raster::Colour ColourOf(const D3DCOLORVALUE &colour) { return {colour.r, colour.g, colour.b, colour.a}; }

raster::Vector3 VectorOf(const D3DVECTOR &vector) { return {vector.x, vector.y, vector.z}; }

raster::Light LightOf(const D3DLIGHT7 &light) {
  raster::Light out{};
  out.type = InRange(static_cast<DWORD>(light.dltType), raster::LightType::kPoint, raster::LightType::kDirectional,
                     raster::LightType::kDirectional);
  out.diffuse = ColourOf(light.dcvDiffuse);
  out.specular = ColourOf(light.dcvSpecular);
  out.ambient = ColourOf(light.dcvAmbient);
  out.position = VectorOf(light.dvPosition);
  out.direction = VectorOf(light.dvDirection);
  out.range = light.dvRange;
  out.falloff = light.dvFalloff;
  out.attenuation0 = light.dvAttenuation0;
  out.attenuation1 = light.dvAttenuation1;
  out.attenuation2 = light.dvAttenuation2;
  out.theta = light.dvTheta;
  out.phi = light.dvPhi;
  return out;
}

// A texture-stage argument: a known selector with the two modifier bits.
raster::TextureArgument ArgumentOf(DWORD value) {
  const DWORD selector = value & D3DTA_SELECTMASK;
  const DWORD modifiers = value & (D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE);
  return (selector <= D3DTA_SPECULAR ? selector : D3DTA_CURRENT) | modifiers;
}

raster::TextureFilter MagnificationOf(DWORD value) {
  return value == D3DTFG_POINT ? raster::TextureFilter::kPoint : raster::TextureFilter::kLinear;
}

raster::TextureFilter MinificationOf(DWORD value) {
  return value == D3DTFN_POINT ? raster::TextureFilter::kPoint : raster::TextureFilter::kLinear;
}

void DescribeTexture(Surface *surface, BoundTexture *bound) {
  bound->levels.clear();
  for (Surface *level = surface; level != nullptr; level = level->AttachedWith(DDSCAPS_TEXTURE | DDSCAPS_MIPMAP)) {
    const pixels::Block block = level->WholeBlock();
    bound->levels.push_back({block.bits, block.pitch, block.width, block.height});
    if (bound->levels.size() >= 16) break;  // a 2048-pixel side has 12 levels
  }
  const pixels::Format &format = surface->format();
  raster::Texture &texture = bound->texture;
  texture = raster::Texture{};
  texture.format = raster::TexelFormat{format.bits, format.red, format.green, format.blue, format.alpha,
                                       pixels::Indexed(format)};
  texture.levels = bound->levels.data();
  texture.levelCount = static_cast<int>(bound->levels.size());
  if (texture.format.palettised) {
    // Opaque palette colours; without a palette, the grey ramp GDI assumes.
    const auto *palette = dynamic_cast<const Palette *>(surface->palette());
    if (palette != nullptr) {
      palette->ToRgb(bound->palette);
    } else {
      for (uint32_t i = 0; i < 256; ++i) bound->palette[i] = i * 0x010101u;
    }
    for (uint32_t &entry : bound->palette) entry |= 0xFF000000u;
    texture.palette = bound->palette;
  }
  DDCOLORKEY key;
  if (surface->SourceKey(&key)) {
    texture.hasColourKey = true;
    texture.keyLow = key.dwColorSpaceLowValue;
    texture.keyHigh = key.dwColorSpaceHighValue;
  }
}

void TranslateStage(const DWORD *values, Surface *surface, BoundTexture *bound, raster::TextureStage *stage) {
  using raster::TextureOp;
  stage->colorOp = InRange(values[D3DTSS_COLOROP], TextureOp::kDisable, TextureOp::kDotProduct3, TextureOp::kDisable);
  stage->alphaOp = InRange(values[D3DTSS_ALPHAOP], TextureOp::kDisable, TextureOp::kDotProduct3, TextureOp::kDisable);
  stage->colorArg1 = ArgumentOf(values[D3DTSS_COLORARG1]);
  stage->colorArg2 = ArgumentOf(values[D3DTSS_COLORARG2]);
  stage->alphaArg1 = ArgumentOf(values[D3DTSS_ALPHAARG1]);
  stage->alphaArg2 = ArgumentOf(values[D3DTSS_ALPHAARG2]);
  // The low word picks the coordinate set; generated coordinates (the high
  // word) are not offered.
  stage->texCoordIndex = (values[D3DTSS_TEXCOORDINDEX] & 0xFFFF) % kStages;
  using raster::TextureAddress;
  stage->addressU = InRange(values[D3DTSS_ADDRESSU], TextureAddress::kWrap, TextureAddress::kBorder, TextureAddress::kWrap);
  stage->addressV = InRange(values[D3DTSS_ADDRESSV], TextureAddress::kWrap, TextureAddress::kBorder, TextureAddress::kWrap);
  stage->borderColour = values[D3DTSS_BORDERCOLOR];
  stage->magFilter = MagnificationOf(values[D3DTSS_MAGFILTER]);
  stage->minFilter = MinificationOf(values[D3DTSS_MINFILTER]);
  stage->mipFilter = InRange(values[D3DTSS_MIPFILTER], raster::MipFilter::kNone, raster::MipFilter::kLinear,
                             raster::MipFilter::kNone);
  stage->mipLodBias = FloatOf(values[D3DTSS_MIPMAPLODBIAS], 0.0f);
  stage->maxMipLevel = values[D3DTSS_MAXMIPLEVEL];
  stage->texture = nullptr;
  if (surface != nullptr) {
    DescribeTexture(surface, bound);
    stage->texture = &bound->texture;
  }
}

}  // namespace

void TranslateState(const DeviceState &device, Surface *const textures[kStages], DWORD targetWidth,
                    DWORD targetHeight, bool hasDepth, DrawInputs *inputs) {
  raster::State &state = inputs->state;
  raster::SetDefaults(state, targetWidth, targetHeight);
  const DWORD *render = device.render;

  state.world = MatrixOf(device.transforms[D3DTRANSFORMSTATE_WORLD]);
  state.view = MatrixOf(device.transforms[D3DTRANSFORMSTATE_VIEW]);
  state.projection = MatrixOf(device.transforms[D3DTRANSFORMSTATE_PROJECTION]);
  const D3DVIEWPORT7 &viewport = device.viewport;
  state.viewport = raster::Viewport{viewport.dwX, viewport.dwY, viewport.dwWidth, viewport.dwHeight, viewport.dvMinZ,
                                    viewport.dvMaxZ};
  const D3DMATERIAL7 &material = device.material;
  state.material = raster::Material{ColourOf(material.diffuse), ColourOf(material.ambient),
                                    ColourOf(material.specular), ColourOf(material.emissive), material.power};
  inputs->lights.clear();
  for (const auto &[index, slot] : device.lights) {
    if (slot.enabled) inputs->lights.push_back(LightOf(slot.light));
  }
  state.lights = inputs->lights.data();
  state.lightCount = inputs->lights.size();

  state.lighting = render[D3DRENDERSTATE_LIGHTING] != 0;
  state.localViewer = render[D3DRENDERSTATE_LOCALVIEWER] != 0;
  state.specularEnable = render[D3DRENDERSTATE_SPECULARENABLE] != 0;
  state.normalizeNormals = render[D3DRENDERSTATE_NORMALIZENORMALS] != 0;
  state.colorVertex = render[D3DRENDERSTATE_COLORVERTEX] != 0;
  state.clipping = render[D3DRENDERSTATE_CLIPPING] != 0;
  state.ambient = render[D3DRENDERSTATE_AMBIENT];
  using raster::MaterialSource;
  const auto source = [&](DWORD value, MaterialSource fallback) {
    return InRange(value, MaterialSource::kMaterial, MaterialSource::kColor2, fallback);
  };
  state.diffuseSource = source(render[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE], MaterialSource::kColor1);
  state.specularSource = source(render[D3DRENDERSTATE_SPECULARMATERIALSOURCE], MaterialSource::kColor2);
  state.ambientSource = source(render[D3DRENDERSTATE_AMBIENTMATERIALSOURCE], MaterialSource::kMaterial);
  state.emissiveSource = source(render[D3DRENDERSTATE_EMISSIVEMATERIALSOURCE], MaterialSource::kMaterial);

  using raster::Compare;
  const DWORD zEnable = render[D3DRENDERSTATE_ZENABLE];
  state.depth = !hasDepth || zEnable == D3DZB_FALSE ? raster::DepthMode::kOff
                : zEnable == D3DZB_USEW             ? raster::DepthMode::kW
                                                    : raster::DepthMode::kZ;
  state.depthFunc = InRange(render[D3DRENDERSTATE_ZFUNC], Compare::kNever, Compare::kAlways, Compare::kLessEqual);
  state.depthWrite = render[D3DRENDERSTATE_ZWRITEENABLE] != 0;
  state.depthBias = render[D3DRENDERSTATE_ZBIAS];

  using raster::BlendFactor;
  state.alphaBlend = render[D3DRENDERSTATE_ALPHABLENDENABLE] != 0;
  state.srcBlend = InRange(render[D3DRENDERSTATE_SRCBLEND], BlendFactor::kZero, BlendFactor::kBothInvSrcAlpha,
                           BlendFactor::kOne);
  state.destBlend = InRange(render[D3DRENDERSTATE_DESTBLEND], BlendFactor::kZero, BlendFactor::kBothInvSrcAlpha,
                            BlendFactor::kZero);
  state.alphaTest = render[D3DRENDERSTATE_ALPHATESTENABLE] != 0;
  state.alphaFunc = InRange(render[D3DRENDERSTATE_ALPHAFUNC], Compare::kNever, Compare::kAlways, Compare::kAlways);
  state.alphaRef = render[D3DRENDERSTATE_ALPHAREF] > 255 ? 255 : render[D3DRENDERSTATE_ALPHAREF];

  state.cull = InRange(render[D3DRENDERSTATE_CULLMODE], raster::Cull::kNone, raster::Cull::kCounterClockwise,
                       raster::Cull::kCounterClockwise);
  state.shade = InRange(render[D3DRENDERSTATE_SHADEMODE], raster::Shade::kFlat, raster::Shade::kPhong,
                        raster::Shade::kGouraud);
  state.fill = InRange(render[D3DRENDERSTATE_FILLMODE], raster::FillMode::kPoint, raster::FillMode::kSolid,
                       raster::FillMode::kSolid);
  state.perspective = render[D3DRENDERSTATE_TEXTUREPERSPECTIVE] != 0;
  state.dither = render[D3DRENDERSTATE_DITHERENABLE] != 0;
  state.colorKeyEnable = render[D3DRENDERSTATE_COLORKEYENABLE] != 0;
  state.lastPixel = render[D3DRENDERSTATE_LASTPIXEL] != 0;
  state.textureFactor = render[D3DRENDERSTATE_TEXTUREFACTOR];
  for (int i = 0; i < 8; ++i) state.wrap[i] = render[D3DRENDERSTATE_WRAP0 + i];

  using raster::FogMode;
  state.fogEnable = render[D3DRENDERSTATE_FOGENABLE] != 0;
  state.rangeFog = render[D3DRENDERSTATE_RANGEFOGENABLE] != 0;
  state.fogColour = render[D3DRENDERSTATE_FOGCOLOR] & 0xFFFFFF;
  state.fogVertexMode = InRange(render[D3DRENDERSTATE_FOGVERTEXMODE], FogMode::kNone, FogMode::kLinear, FogMode::kNone);
  state.fogTableMode = InRange(render[D3DRENDERSTATE_FOGTABLEMODE], FogMode::kNone, FogMode::kLinear, FogMode::kNone);
  state.fogStart = FloatOf(render[D3DRENDERSTATE_FOGSTART], 0.0f);
  state.fogEnd = FloatOf(render[D3DRENDERSTATE_FOGEND], 1.0f);
  state.fogDensity = FloatOf(render[D3DRENDERSTATE_FOGDENSITY], 1.0f);

  using raster::StencilOp;
  const auto stencilOp = [&](DWORD value) {
    return InRange(value, StencilOp::kKeep, StencilOp::kDecrement, StencilOp::kKeep);
  };
  state.stencilEnable = render[D3DRENDERSTATE_STENCILENABLE] != 0;
  state.stencilFunc = InRange(render[D3DRENDERSTATE_STENCILFUNC], Compare::kNever, Compare::kAlways, Compare::kAlways);
  state.stencilRef = render[D3DRENDERSTATE_STENCILREF];
  state.stencilMask = render[D3DRENDERSTATE_STENCILMASK];
  state.stencilWriteMask = render[D3DRENDERSTATE_STENCILWRITEMASK];
  state.stencilFail = stencilOp(render[D3DRENDERSTATE_STENCILFAIL]);
  state.stencilDepthFail = stencilOp(render[D3DRENDERSTATE_STENCILZFAIL]);
  state.stencilPass = stencilOp(render[D3DRENDERSTATE_STENCILPASS]);

  for (DWORD i = 0; i < kStages; ++i) {
    TranslateStage(device.stage[i], textures[i], &inputs->textures[i], &state.stages[i]);
  }
}

raster::Target TargetOf(Surface *target) {
  const pixels::Block block = target->WholeBlock();
  const pixels::Format &format = target->format();
  return raster::Target{block.bits, block.pitch, block.width, block.height, format.bits,
                        format.red, format.green, format.blue, format.alpha};
}

raster::DepthBuffer DepthOf(Surface *depth) {
  const pixels::Block block = depth->WholeBlock();
  return raster::DepthBuffer{block.bits, block.pitch, block.width, block.height, block.bytes,
                             DepthMask(depth->described()), StencilMask(depth->described())};
}

}  // namespace platform::d3d
