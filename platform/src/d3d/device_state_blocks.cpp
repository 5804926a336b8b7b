// State blocks: recorded between BeginStateBlock and EndStateBlock (the
// setters then fill the block instead of the device), or made from the
// device's current state for all of it, its pixel part or its vertex part;
// applied and captured again by handle.
#include <algorithm>

#include "base/faults.h"
#include "d3d/device.h"
#include "d3d/state_block.h"
#include "ddraw/surface.h"

namespace platform::d3d {

namespace {


// The render states that belong to vertex processing.
constexpr DWORD kVertexRenderStates[] = {
    D3DRENDERSTATE_SHADEMODE,        D3DRENDERSTATE_SPECULARENABLE,         D3DRENDERSTATE_CULLMODE,
    D3DRENDERSTATE_FOGSTART,         D3DRENDERSTATE_FOGEND,                 D3DRENDERSTATE_FOGDENSITY,
    D3DRENDERSTATE_FOGTABLEMODE,     D3DRENDERSTATE_RANGEFOGENABLE,         D3DRENDERSTATE_CLIPPING,
    D3DRENDERSTATE_LIGHTING,         D3DRENDERSTATE_AMBIENT,                D3DRENDERSTATE_FOGVERTEXMODE,
    D3DRENDERSTATE_COLORVERTEX,      D3DRENDERSTATE_LOCALVIEWER,            D3DRENDERSTATE_NORMALIZENORMALS,
    D3DRENDERSTATE_VERTEXBLEND,      D3DRENDERSTATE_DIFFUSEMATERIALSOURCE,  D3DRENDERSTATE_SPECULARMATERIALSOURCE,
    D3DRENDERSTATE_CLIPPLANEENABLE,  D3DRENDERSTATE_AMBIENTMATERIALSOURCE,  D3DRENDERSTATE_EMISSIVEMATERIALSOURCE,
};

bool VertexRenderState(DWORD state) {
  return std::find(std::begin(kVertexRenderStates), std::end(kVertexRenderStates), state) !=
         std::end(kVertexRenderStates);
}

bool VertexStageState(DWORD state) {
  return state == D3DTSS_TEXCOORDINDEX || state == D3DTSS_TEXTURETRANSFORMFLAGS;
}

}  // namespace

StateBlock::~StateBlock() {
  for (Surface *texture : textureValues) {
    if (texture != nullptr) texture->Release();
  }
}

void StateBlock::SetTexture(DWORD index, Surface *texture) {
  if (texture != nullptr) texture->AddRef();
  if (textureValues[index] != nullptr) textureValues[index]->Release();
  textureValues[index] = texture;
  textures.set(index);
}

HRESULT Device7::BeginStateBlock() {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::BeginStateBlock", &fault)) return fault;
  if (recording_) return D3DERR_INBEGINSTATEBLOCK;
  recording_ = std::make_unique<StateBlock>();
  return D3D_OK;
}

HRESULT Device7::EndStateBlock(LPDWORD block) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::EndStateBlock", &fault)) return fault;
  if (block == nullptr) return DDERR_INVALIDPARAMS;
  if (!recording_) return D3DERR_NOTINBEGINSTATEBLOCK;
  *block = nextStateBlock_++;
  stateBlocks_[*block] = std::move(recording_);
  return D3D_OK;
}

HRESULT Device7::CreateStateBlock(D3DSTATEBLOCKTYPE type, LPDWORD block) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::CreateStateBlock", &fault)) return fault;
  if (block == nullptr || (type != D3DSBT_ALL && type != D3DSBT_PIXELSTATE && type != D3DSBT_VERTEXSTATE)) {
    return DDERR_INVALIDPARAMS;
  }
  if (recording_) return D3DERR_INBEGINSTATEBLOCK;
  auto made = std::make_unique<StateBlock>();
  const bool all = type == D3DSBT_ALL, pixel = type == D3DSBT_PIXELSTATE, vertex = type == D3DSBT_VERTEXSTATE;
  for (DWORD state = 1; state < kRenderStateCount; ++state) {
    if (all || (vertex == VertexRenderState(state))) made->render.set(state);
  }
  for (DWORD stage = 0; stage < kStages; ++stage) {
    for (DWORD state = 1; state < kStageStateCount; ++state) {
      if (all || (vertex == VertexStageState(state))) made->stage[stage].set(state);
    }
  }
  if (!pixel) {
    for (const auto &[index, slot] : state_.lights) made->lights.insert(index);
  }
  if (all) {
    made->transforms.set();
    made->viewport = made->material = true;
    made->clipPlanes.set();
    made->textures.set();
  }
  *block = nextStateBlock_++;
  stateBlocks_[*block] = std::move(made);
  return CaptureStateBlock(*block);
}

HRESULT Device7::CaptureStateBlock(DWORD handle) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::CaptureStateBlock", &fault)) return fault;
  if (recording_) return D3DERR_INBEGINSTATEBLOCK;
  auto found = stateBlocks_.find(handle);
  if (found == stateBlocks_.end()) return D3DERR_INVALIDSTATEBLOCK;
  StateBlock &block = *found->second;
  DeviceState &values = block.values;
  for (DWORD state = 0; state < kRenderStateCount; ++state) {
    if (block.render[state]) values.render[state] = state_.render[state];
  }
  for (DWORD stage = 0; stage < kStages; ++stage) {
    for (DWORD state = 0; state < kStageStateCount; ++state) {
      if (block.stage[stage][state]) values.stage[stage][state] = state_.stage[stage][state];
    }
    if (block.textures[stage]) block.SetTexture(stage, textures_[stage]);
  }
  for (DWORD transform = 0; transform < kTransformCount; ++transform) {
    if (block.transforms[transform]) values.transforms[transform] = state_.transforms[transform];
  }
  if (block.viewport) values.viewport = state_.viewport;
  if (block.material) values.material = state_.material;
  for (DWORD index : block.lights) {
    auto light = state_.lights.find(index);
    if (light != state_.lights.end()) {
      values.lights[index] = light->second;
    } else {
      values.lights.erase(index);
    }
  }
  for (DWORD plane = 0; plane < kClipPlanes; ++plane) {
    if (block.clipPlanes[plane]) std::copy_n(state_.clipPlanes[plane], 4, values.clipPlanes[plane]);
  }
  return D3D_OK;
}

HRESULT Device7::ApplyStateBlock(DWORD handle) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::ApplyStateBlock", &fault)) return fault;
  if (recording_) return D3DERR_INBEGINSTATEBLOCK;
  auto found = stateBlocks_.find(handle);
  if (found == stateBlocks_.end()) return D3DERR_INVALIDSTATEBLOCK;
  const StateBlock &block = *found->second;
  const DeviceState &values = block.values;
  for (DWORD state = 0; state < kRenderStateCount; ++state) {
    if (block.render[state]) state_.render[state] = values.render[state];
  }
  for (DWORD stage = 0; stage < kStages; ++stage) {
    for (DWORD state = 0; state < kStageStateCount; ++state) {
      if (block.stage[stage][state]) state_.stage[stage][state] = values.stage[stage][state];
    }
    if (block.textures[stage]) {
      Surface *texture = block.textureValues[stage];
      if (texture != nullptr) texture->AddRef();
      if (textures_[stage] != nullptr) textures_[stage]->Release();
      textures_[stage] = texture;
    }
  }
  for (DWORD transform = 0; transform < kTransformCount; ++transform) {
    if (block.transforms[transform]) state_.transforms[transform] = values.transforms[transform];
  }
  if (block.viewport) state_.viewport = values.viewport;
  if (block.material) state_.material = values.material;
  for (DWORD index : block.lights) {
    auto light = values.lights.find(index);
    if (light != values.lights.end()) state_.lights[index] = light->second;
  }
  for (DWORD plane = 0; plane < kClipPlanes; ++plane) {
    if (block.clipPlanes[plane]) std::copy_n(values.clipPlanes[plane], 4, state_.clipPlanes[plane]);
  }
  return D3D_OK;
}

HRESULT Device7::DeleteStateBlock(DWORD handle) {
  HRESULT fault;
  if (platform::TakeFault("IDirect3DDevice7::DeleteStateBlock", &fault)) return fault;
  if (recording_) return D3DERR_INBEGINSTATEBLOCK;
  return stateBlocks_.erase(handle) == 1 ? D3D_OK : D3DERR_INVALIDSTATEBLOCK;
}

}  // namespace platform::d3d
