// The state of a freshly created device, as Direct3D 7 documents it.
#include <cstring>

#include "d3d/pipeline/pipeline_internal.h"

namespace raster {

namespace {

Matrix Identity() {
  Matrix matrix{};
  for (int i = 0; i < 4; ++i) matrix.m[i][i] = 1.0f;
  return matrix;
}

// D3DTA_ selectors.
constexpr TextureArgument kArgDiffuse = 0, kArgCurrent = 1, kArgTexture = 2;

}  // namespace

void SetDefaults(State &state, uint32_t targetWidth, uint32_t targetHeight) {
  std::memset(&state, 0, sizeof state);
  state.world = state.view = state.projection = Identity();
  state.viewport = Viewport{0, 0, targetWidth, targetHeight, 0.0f, 1.0f};
  state.material = Material{};  // all black, power 0
  state.lights = nullptr;
  state.lightCount = 0;

  state.lighting = true;
  state.localViewer = true;
  state.specularEnable = false;
  state.normalizeNormals = false;
  state.colorVertex = true;
  state.clipping = true;
  state.ambient = 0;
  state.diffuseSource = MaterialSource::kColor1;
  state.specularSource = MaterialSource::kColor2;
  state.ambientSource = MaterialSource::kMaterial;
  state.emissiveSource = MaterialSource::kMaterial;

  state.depth = DepthMode::kZ;  // the device turns it off when no depth buffer is attached
  state.depthFunc = Compare::kLessEqual;
  state.depthWrite = true;
  state.depthBias = 0;

  state.alphaBlend = false;
  state.srcBlend = BlendFactor::kOne;
  state.destBlend = BlendFactor::kZero;
  state.alphaTest = false;
  state.alphaFunc = Compare::kAlways;
  state.alphaRef = 0;

  state.cull = Cull::kCounterClockwise;
  state.shade = Shade::kGouraud;
  state.fill = FillMode::kSolid;
  state.perspective = true;
  state.dither = false;
  state.colorKeyEnable = false;
  state.lastPixel = true;
  state.textureFactor = 0xFFFFFFFF;

  state.fogEnable = false;
  state.rangeFog = false;
  state.fogColour = 0;
  state.fogVertexMode = FogMode::kNone;
  state.fogTableMode = FogMode::kNone;
  state.fogStart = 0.0f;
  state.fogEnd = 1.0f;
  state.fogDensity = 1.0f;

  state.stencilEnable = false;
  state.stencilFunc = Compare::kAlways;
  state.stencilRef = 0;
  state.stencilMask = 0xFFFFFFFF;
  state.stencilWriteMask = 0xFFFFFFFF;
  state.stencilFail = state.stencilDepthFail = state.stencilPass = StencilOp::kKeep;

  for (int i = 0; i < kTextureStages; ++i) {
    TextureStage &stage = state.stages[i];
    stage.colorOp = i == 0 ? TextureOp::kModulate : TextureOp::kDisable;
    stage.alphaOp = i == 0 ? TextureOp::kSelectArg1 : TextureOp::kDisable;
    stage.colorArg1 = stage.alphaArg1 = kArgTexture;
    stage.colorArg2 = stage.alphaArg2 = kArgCurrent;
    stage.texCoordIndex = static_cast<uint32_t>(i);
    stage.addressU = stage.addressV = TextureAddress::kWrap;
    stage.borderColour = 0;
    stage.magFilter = stage.minFilter = TextureFilter::kPoint;
    stage.mipFilter = MipFilter::kNone;
    stage.mipLodBias = 0.0f;
    stage.maxMipLevel = 0;
    stage.texture = nullptr;
  }
  (void)kArgDiffuse;
}

}  // namespace raster
