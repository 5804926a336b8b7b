// The Direct3D 7 device: the state a host sets (render and texture-stage
// states, transforms, viewport, material, lights, textures, clip status) and
// the scene, clear and draw calls that hand it to the software pipeline.
// Each concern lives in a file of its own (device_*.cpp).
#pragma once

#include <windows.h>
#include <d3d.h>

#include <atomic>
#include <map>
#include <memory>

#include "d3d/pipeline/pipeline.h"
#include "d3d/state_values.h"

namespace platform {
class Surface;
}

namespace platform::d3d {

struct StateBlock;

class Device7 final : public IDirect3DDevice7 {
 public:
  // Whether a device of `type` can draw into `target`: a 3D-capable surface
  // of 16, 24 or 32 bits (in video memory for the HAL) that is not lost.
  static HRESULT CheckTarget(Surface *target, const GUID &type);

  Device7(IDirect3D7 *direct3d, Surface *target, const GUID &type);

  // IUnknown (device.cpp)
  STDMETHOD(QueryInterface)(REFIID riid, void **object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  // Capabilities, the object and its target (device.cpp)
  STDMETHOD(GetCaps)(LPD3DDEVICEDESC7 desc) override;
  STDMETHOD(EnumTextureFormats)(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) override;
  STDMETHOD(GetDirect3D)(LPDIRECT3D7 *direct3d) override;
  STDMETHOD(SetRenderTarget)(LPDIRECTDRAWSURFACE7 target, DWORD flags) override;
  STDMETHOD(GetRenderTarget)(LPDIRECTDRAWSURFACE7 *target) override;
  STDMETHOD(ValidateDevice)(LPDWORD passes) override;
  STDMETHOD(GetInfo)(DWORD id, LPVOID info, DWORD size) override;
  STDMETHOD(ComputeSphereVisibility)(LPD3DVECTOR centres, LPD3DVALUE radii, DWORD sphereCount, DWORD flags,
                                     LPDWORD results) override;

  // Scene, clear and drawing (device_draw.cpp)
  STDMETHOD(BeginScene)() override;
  STDMETHOD(EndScene)() override;
  STDMETHOD(Clear)(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR colour, D3DVALUE z, DWORD stencil) override;
  STDMETHOD(DrawPrimitive)(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertexCount,
                           DWORD flags) override;
  STDMETHOD(DrawIndexedPrimitive)(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertexCount,
                                  LPWORD indices, DWORD indexCount, DWORD flags) override;
  STDMETHOD(DrawPrimitiveStrided)(D3DPRIMITIVETYPE type, DWORD fvf, LPD3DDRAWPRIMITIVESTRIDEDDATA data,
                                  DWORD vertexCount, DWORD flags) override;
  STDMETHOD(DrawIndexedPrimitiveStrided)(D3DPRIMITIVETYPE type, DWORD fvf, LPD3DDRAWPRIMITIVESTRIDEDDATA data,
                                         DWORD vertexCount, LPWORD indices, DWORD indexCount,
                                         DWORD flags) override;
  STDMETHOD(DrawPrimitiveVB)(D3DPRIMITIVETYPE type, LPDIRECT3DVERTEXBUFFER7 buffer, DWORD startVertex,
                             DWORD vertexCount, DWORD flags) override;
  STDMETHOD(DrawIndexedPrimitiveVB)(D3DPRIMITIVETYPE type, LPDIRECT3DVERTEXBUFFER7 buffer, DWORD startVertex,
                                    DWORD vertexCount, LPWORD indices, DWORD indexCount, DWORD flags) override;

  // Render states, transforms, viewport, clip status and planes (device_state.cpp)
  STDMETHOD(SetRenderState)(D3DRENDERSTATETYPE state, DWORD value) override;
  STDMETHOD(GetRenderState)(D3DRENDERSTATETYPE state, LPDWORD value) override;
  STDMETHOD(SetTransform)(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) override;
  STDMETHOD(GetTransform)(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) override;
  STDMETHOD(MultiplyTransform)(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) override;
  STDMETHOD(SetViewport)(LPD3DVIEWPORT7 viewport) override;
  STDMETHOD(GetViewport)(LPD3DVIEWPORT7 viewport) override;
  STDMETHOD(SetClipStatus)(LPD3DCLIPSTATUS status) override;
  STDMETHOD(GetClipStatus)(LPD3DCLIPSTATUS status) override;
  STDMETHOD(SetClipPlane)(DWORD index, LPD3DVALUE plane) override;
  STDMETHOD(GetClipPlane)(DWORD index, LPD3DVALUE plane) override;

  // Material and lights (device_lighting.cpp)
  STDMETHOD(SetMaterial)(LPD3DMATERIAL7 material) override;
  STDMETHOD(GetMaterial)(LPD3DMATERIAL7 material) override;
  STDMETHOD(SetLight)(DWORD index, LPD3DLIGHT7 light) override;
  STDMETHOD(GetLight)(DWORD index, LPD3DLIGHT7 light) override;
  STDMETHOD(LightEnable)(DWORD index, BOOL enable) override;
  STDMETHOD(GetLightEnable)(DWORD index, BOOL *enabled) override;

  // Textures and their stage states (device_textures.cpp)
  STDMETHOD(GetTexture)(DWORD stage, LPDIRECTDRAWSURFACE7 *texture) override;
  STDMETHOD(SetTexture)(DWORD stage, LPDIRECTDRAWSURFACE7 texture) override;
  STDMETHOD(GetTextureStageState)(DWORD stage, D3DTEXTURESTAGESTATETYPE state, LPDWORD value) override;
  STDMETHOD(SetTextureStageState)(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) override;
  STDMETHOD(PreLoad)(LPDIRECTDRAWSURFACE7 texture) override;
  STDMETHOD(Load)(LPDIRECTDRAWSURFACE7 destination, LPPOINT destinationPoint, LPDIRECTDRAWSURFACE7 source,
                  LPRECT sourceRect, DWORD flags) override;

  // State blocks (device_state_blocks.cpp)
  STDMETHOD(BeginStateBlock)() override;
  STDMETHOD(EndStateBlock)(LPDWORD block) override;
  STDMETHOD(ApplyStateBlock)(DWORD block) override;
  STDMETHOD(CaptureStateBlock)(DWORD block) override;
  STDMETHOD(DeleteStateBlock)(DWORD block) override;
  STDMETHOD(CreateStateBlock)(D3DSTATEBLOCKTYPE type, LPDWORD block) override;

 private:
  ~Device7();

  // device_state.cpp: Direct3D 7's defaults for a new device.
  void SetDefaultStates(bool hasDepthBuffer);
  void FullViewport();
  // device_draw.cpp: the checks every draw makes, then the pipeline.
  HRESULT Draw(D3DPRIMITIVETYPE type, const raster::Vertices &vertices, const WORD *indices, DWORD indexCount,
               DWORD flags);
  HRESULT DrawChecked(const char *operation, D3DPRIMITIVETYPE type, DWORD fvf, const void *vertices,
                      DWORD vertexCount, bool indexed, const WORD *indices, DWORD indexCount, DWORD flags);
  HRESULT DrawStridedChecked(const char *operation, D3DPRIMITIVETYPE type, DWORD fvf,
                             const D3DDRAWPRIMITIVESTRIDEDDATA *data, DWORD vertexCount, bool indexed,
                             const WORD *indices, DWORD indexCount, DWORD flags);
  Surface *DepthSurface() const;
  // Stage state after the checks SetTextureStageState makes.
  void StoreStageState(DWORD stage, DWORD state, DWORD value);
  void StoreRenderState(DWORD state, DWORD value);

  std::atomic<ULONG> references_{1};
  IDirect3D7 *direct3d_;
  Surface *target_;
  GUID type_;
  bool inScene_ = false;
  DeviceState state_;
  Surface *textures_[kStages] = {};
  D3DCLIPSTATUS clipStatus_{};

  // State blocks: handle → captured state and which parts it holds.
  std::map<DWORD, std::unique_ptr<StateBlock>> stateBlocks_;
  DWORD nextStateBlock_ = 1;
  std::unique_ptr<StateBlock> recording_;
};

int LiveDevices();

}  // namespace platform::d3d
