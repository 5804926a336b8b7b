// Resolves a draw's state into the pixel stage's set-up: the writer for the
// target format and blend, the depth test for the buffer's word and compare
// function, the texture stages actually in use and their samplers, fog.
#include <cmath>
#include <cstring>

#include "d3d/pipeline/pixel_setup.h"
#include "pixels/pixel_format.h"

namespace raster {

namespace {

constexpr uint32_t kSelectMask = 0x0F, kArgCurrent = 1, kArgTexture = 2, kArgSpecular = 4;

bool ReadsTexture(TextureOp op, TextureArgument arg1, TextureArgument arg2) {
  if (op == TextureOp::kDisable) return false;
  if (op == TextureOp::kBlendTextureAlpha || op == TextureOp::kBlendTextureAlphaPremultiplied) return true;
  const bool first = (arg1 & kSelectMask) == kArgTexture, second = (arg2 & kSelectMask) == kArgTexture;
  if (op == TextureOp::kSelectArg1) return first;
  if (op == TextureOp::kSelectArg2) return second;
  return first || second;
}

bool ReadsSpecular(TextureOp op, TextureArgument arg1, TextureArgument arg2) {
  if (op == TextureOp::kDisable) return false;
  return (arg1 & kSelectMask) == kArgSpecular || (arg2 & kSelectMask) == kArgSpecular;
}

bool PassesCurrent(TextureOp op, TextureArgument arg1) {
  return op == TextureOp::kSelectArg1 && arg1 == kArgCurrent;
}

// The far plane's w of a perspective projection, or 0 when there is none.
float FarW(const Matrix &projection) {
  const float q = projection.m[2][2], offset = projection.m[3][2];
  if (q == 0.0f || q == 1.0f) return 0.0f;
  const float nearW = -offset / q;
  const float farW = q * nearW / (q - 1.0f);
  return std::isfinite(farW) && farW > 0.0f ? farW : 0.0f;
}

}  // namespace

bool PrepareDraw(const State &state, const Target &target, const DepthBuffer *depth, DrawSetup &s) {
  SpanScratch *scratch = s.scratch;
  std::memset(static_cast<void *>(&s), 0, sizeof s);
  s.scratch = scratch;
  s.write = ChooseWriter(target, state.alphaBlend);
  if (s.write == nullptr) return false;
  s.pixels = target.pixels;
  s.pitch = target.pitch;
  s.bytesPerPixel = target.bits / 8;
  s.masks[0] = target.red, s.masks[1] = target.green, s.masks[2] = target.blue, s.masks[3] = target.alpha;
  s.blend = state.alphaBlend;
  s.srcBlend = state.srcBlend;
  s.destBlend = state.destBlend;

  // Depth and stencil.
  const bool hasDepth = depth && depth->bits && (depth->bytesPerPixel == 2 || depth->bytesPerPixel == 4) &&
                        depth->depthMask != 0;
  if (hasDepth) {
    s.depthBits = depth->bits;
    s.depthPitch = depth->pitch;
    s.depthBytes = depth->bytesPerPixel;
    s.depthMask = depth->depthMask;
    s.depthShift = pixels::MaskShift(depth->depthMask);
    s.depthScale = static_cast<double>(depth->depthMask >> s.depthShift);
    s.depthMode = state.depth;
    s.stencil = state.stencilEnable && depth->stencilMask != 0;
    if (s.stencil) {
      s.stencilMask = depth->stencilMask;
      s.stencilShift = pixels::MaskShift(depth->stencilMask);
      s.stencilFunc = state.stencilFunc;
      s.stencilRef = state.stencilRef;
      s.stencilReadMask = state.stencilMask;
      s.stencilWriteMask = state.stencilWriteMask;
      s.stencilFail = state.stencilFail;
      s.stencilDepthFail = state.stencilDepthFail;
      s.stencilPass = state.stencilPass;
    }
  }
  const bool depthOn = hasDepth && state.depth != DepthMode::kOff;
  s.depthFunc = state.depthFunc;
  s.depthWrite = depthOn && state.depthWrite;
  s.depthTest = depthOn && !s.stencil && state.depthFunc != Compare::kAlways;
  if (s.depthTest) s.depthTestFn = ChooseDepthTest(s.depthBytes, state.depthFunc);
  if (!depthOn) s.depthMode = DepthMode::kOff;
  s.depthValues = depthOn;
  const float farW = FarW(state.projection);
  s.wScale = farW > 0.0f ? 1.0f / farW : 1.0f;

  // Texture stages up to the first disabled one. A stage without a usable
  // texture passes the current colour (or alpha) where it would read it.
  s.perspective = state.perspective;
  s.textureFactor = state.textureFactor;
  int count = 0;
  for (; count < kActiveStages; ++count) {
    const TextureStage &stage = state.stages[count];
    if (stage.colorOp == TextureOp::kDisable) break;
    StageSetup &out = s.stages[count];
    out.colorOp = stage.colorOp, out.alphaOp = stage.alphaOp;
    out.colorArg1 = stage.colorArg1, out.colorArg2 = stage.colorArg2;
    out.alphaArg1 = stage.alphaArg1, out.alphaArg2 = stage.alphaArg2;
    const bool colourReads = ReadsTexture(stage.colorOp, stage.colorArg1, stage.colorArg2);
    const bool alphaReads = ReadsTexture(stage.alphaOp, stage.alphaArg1, stage.alphaArg2);
    const bool usable = stage.texture != nullptr && (colourReads || alphaReads) &&
                        PrepareSampler(stage, *stage.texture, state.colorKeyEnable, s.samplers[count]);
    if (usable && s.samplers[count].keyed) s.keyKill = true;
    if (!usable) {
      if (colourReads) out.colorOp = TextureOp::kSelectArg1, out.colorArg1 = kArgCurrent;
      if (alphaReads) out.alphaOp = TextureOp::kSelectArg1, out.alphaArg1 = kArgCurrent;
    }
    s.sampled[count] = usable;
    out.usesTexture = usable;
    s.stagesReadSpecular = s.stagesReadSpecular || ReadsSpecular(out.colorOp, out.colorArg1, out.colorArg2) ||
                           ReadsSpecular(out.alphaOp, out.alphaArg1, out.alphaArg2);
  }
  // Trailing stages that only pass the current colour change nothing.
  while (count > 0) {
    const StageSetup &last = s.stages[count - 1];
    const bool alphaPasses = last.alphaOp == TextureOp::kDisable || PassesCurrent(last.alphaOp, last.alphaArg1);
    if (!(PassesCurrent(last.colorOp, last.colorArg1) && alphaPasses)) break;
    s.sampled[--count] = false;
  }
  s.stageCount = count;
  s.specular = state.specularEnable;

  s.alphaTest = state.alphaTest;
  s.alphaFunc = state.alphaFunc;
  s.alphaRef = static_cast<int>(state.alphaRef & 0xFF);

  if (state.fogEnable) {
    s.tableFog = state.fogTableMode != FogMode::kNone;
    s.vertexFog = !s.tableFog;
    s.tableMode = state.fogTableMode;
    s.fogFromW = state.projection.m[2][3] != 0.0f;  // a perspective projection: fog by eye distance
    s.fogStart = state.fogStart, s.fogEnd = state.fogEnd, s.fogDensity = state.fogDensity;
    s.fogColour[0] = static_cast<int>((state.fogColour >> 16) & 0xFF);
    s.fogColour[1] = static_cast<int>((state.fogColour >> 8) & 0xFF);
    s.fogColour[2] = static_cast<int>(state.fogColour & 0xFF);
  }

  const bool sampling = s.sampled[0] || s.sampled[1];
  auto need = [&s](int interpolant) { s.interpolants[s.interpolantCount++] = interpolant; };
  if (s.depthValues || (s.tableFog && !s.fogFromW)) need(kInterpZ);
  if (sampling || s.depthMode == DepthMode::kW || (s.tableFog && s.fogFromW)) need(kInterpRhw);
  for (int c = kDiffuseR; c <= kDiffuseA; ++c) need(kInterpAttr0 + c);
  if (s.specular || s.stagesReadSpecular)
    for (int c = kSpecularR; c <= kSpecularB; ++c) need(kInterpAttr0 + c);
  if (s.vertexFog) need(kInterpAttr0 + kFog);
  for (int stage = 0; stage < kActiveStages; ++stage)
    if (s.sampled[stage]) need(kInterpAttr0 + kStage0U + 2 * stage), need(kInterpAttr0 + kStage0V + 2 * stage);
  return true;
}

}  // namespace raster
