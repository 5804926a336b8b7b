// Rendering state and drawing through the exports: values that travel to
// the device and back, every failure row (its line, its critical report or
// none), and the pixels of small scenes drawn only through exports.
#include <cstring>
#include <functional>

#include "d3d/d3d_state.h"
#include "machine_faults.h"
#include "support/d3d_library_test.h"

namespace {

class D3DRender : public D3DLibraryTest {
 protected:
  static D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
  }

  // A camera at the origin looking down +z with a 90-degree view.
  void SetCamera() {
    D3DMATRIX identity = Identity(), projection{};
    projection._11 = 480.0f / 640.0f;
    projection._22 = 1.0f;
    projection._33 = 100.0f / 99.0f;
    projection._34 = 1.0f;
    projection._43 = -100.0f / 99.0f;
    ASSERT_EQ(SET_TRANSFORM_WORLD(&identity), 0);
    ASSERT_EQ(SET_TRANSFORM_VIEW(&identity), 0);
    ASSERT_EQ(SET_TRANSFORM_PROJECTION(&projection), 0);
  }

  static D3DTLVERTEX Screen(float x, float y, float z, D3DCOLOR colour, float u = 0, float v = 0) {
    D3DTLVERTEX vertex{};
    vertex.sx = x;
    vertex.sy = y;
    vertex.sz = z;
    vertex.rhw = 1.0f;
    vertex.color = colour;
    vertex.tu = u;
    vertex.tv = v;
    return vertex;
  }

  // A screen rectangle as a strip of four vertices.
  static std::vector<D3DTLVERTEX> Rect(float left, float top, float right, float bottom, float z, D3DCOLOR colour) {
    return {Screen(left, top, z, colour, 0, 0), Screen(right, top, z, colour, 1, 0),
            Screen(left, bottom, z, colour, 0, 1), Screen(right, bottom, z, colour, 1, 1)};
  }

  int DrawStrip(std::vector<D3DTLVERTEX> &vertices) {
    return DRAW_PRIMITIVE(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, vertices.data(), static_cast<DWORD>(vertices.size()),
                          0);
  }
};

TEST_F(D3DRender, ValuesTravelToTheDeviceAndBack) {
  StartDevice(0, 16);
  Mark();
  ASSERT_EQ(CREATE_VIEWPORT(10, 20, 300, 200, 0.0f, 1.0f), 0);
  EXPECT_EQ(NewLines(), std::vector<std::string>{"MinZ:0.00 -- MaxZ:1.00"});
  const D3DVIEWPORT7 *viewport = GET_VIEWPORT();
  EXPECT_EQ(viewport->dwX, 10u);
  EXPECT_EQ(viewport->dwY, 20u);
  EXPECT_EQ(viewport->dwWidth, 300u);
  EXPECT_EQ(viewport->dvMaxZ, 1.0f);
  EXPECT_EQ(GET_VIEWPORT(), viewport);  // the library's own record

  D3DMATRIX world = Identity(), back{};
  world._41 = 3.5f;
  ASSERT_EQ(SET_TRANSFORM_WORLD(&world), 0);
  EXPECT_EQ(GET_TRANSFORM_WORLD(&back), &back);
  EXPECT_EQ(memcmp(&back, &world, sizeof back), 0);
  EXPECT_EQ(GET_TRANSFORM_VIEW(&back), &back);
  EXPECT_EQ(back._41, 0.0f);

  // The mip-map bias travels as the float's bits.
  const float bias = 1.0f;
  DWORD bits;
  memcpy(&bits, &bias, sizeof bits);
  ASSERT_EQ(SET_TEXTURE_STAGE_STATE(0, D3DTSS_MIPMAPLODBIAS, bits), 0);
  EXPECT_EQ(GET_TEXTURE_STAGE_STATE(0, D3DTSS_MIPMAPLODBIAS, 0), 0x3F800000u);
  DWORD value = 0;
  ASSERT_EQ(SET_TEXTURE_STAGE_STATE(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), 0);
  EXPECT_EQ(GET_TEXTURE_STAGE_STATE(0, D3DTSS_COLOROP, reinterpret_cast<DWORD_PTR>(&value)),
            reinterpret_cast<DWORD_PTR>(&value));
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_SELECTARG1));

  D3DLIGHT7 light{}, read{};
  light.dltType = D3DLIGHT_POINT;
  light.dvRange = 10.0f;
  light.dvAttenuation0 = 1.0f;
  light.dcvDiffuse.r = 0.5f;
  ASSERT_EQ(SET_LIGHT(2, &light), 0);
  EXPECT_EQ(GET_LIGHT(2, &read), &read);
  EXPECT_EQ(memcmp(&read, &light, sizeof read), 0);
  for (int enable : {7, 0, 1}) {
    ASSERT_EQ(LIGHT_ENABLE(2, enable), 0);
    BOOL enabled = -1;
    ASSERT_EQ(glpD3DDevice->GetLightEnable(2, &enabled), D3D_OK);
    EXPECT_EQ(enabled != 0, enable != 0);
  }
}

// The failure rows: each export's device call made to fail, its line and
// whether a critical box follows.
TEST_F(D3DRender, FailingDeviceCallsWriteTheirLineAndCriticalReport) {
  struct Row {
    const char *operation;
    std::function<int()> call;
    const char *line;
    bool critical;
  };
  static D3DMATRIX matrix = Identity();
  static D3DMATERIAL7 material{};
  static D3DLIGHT7 light{};
  static std::vector<D3DTLVERTEX> vertices = {Screen(0, 0, 0, 0), Screen(1, 0, 0, 0), Screen(0, 1, 0, 0)};
  static WORD indices[3] = {0, 1, 2};
  const std::vector<Row> rows = {
      {"IDirect3DDevice7::SetViewport", [] { return CREATE_VIEWPORT(0, 0, 640, 480, 0.0f, 1.0f); }, nullptr, true},
      {"IDirect3DDevice7::SetTransform", [] { return SET_TRANSFORM_WORLD(&matrix); },
       " !!! SET_TRANSFORM_WORLD FAILED !!!", false},
      {"IDirect3DDevice7::SetTransform", [] { return SET_TRANSFORM_VIEW(&matrix); },
       " !!! SET_TRANSFORM_VIEW FAILED !!!", false},
      {"IDirect3DDevice7::SetTransform", [] { return SET_TRANSFORM_PROJECTION(&matrix); },
       " !!! SET_TRANSFORM_PROJECTION FAILED !!!", false},
      {"IDirect3DDevice7::SetMaterial", [] { return SET_MATERIALS(&material); }, " !!! SET_MATERIALS FAILED !!!",
       false},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_ANTIALIAS_SORTDEPENDENT(); },
       " !!! RS_ANTIALIAS_SORTDEPENDENT FAILED !!!", true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_ANTIALIAS_SORTINDEPENDENT(); },
       " !!! RS_ANTIALIAS_SORTINDEPENDENT FAILED !!!", true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_ANTIALIAS_NONE(); }, " !!! RS_ANTIALIAS_NONE FAILED !!!",
       true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_SRCBLEND(D3DBLEND_ONE); }, " !!! RS_SRCBLEND FAILED !!!",
       true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_DESTBLEND(D3DBLEND_ONE); }, " !!! RS_DESTBLEND FAILED !!!",
       true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_ENABLE_ALPHABLEND(); },
       " !!! RS_ENABLE_ALPHABLEND FAILED !!!", true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_DISABLE_ALPHABLEND(); },
       " !!! RS_DISABLE_ALPHABLEND FAILED !!!", true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_ENABLE_Z_BUFFERING(); },
       " !!! RS_ENABLE_Z_BUFFERING FAILED !!!", true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_ENABLE_W_BUFFERING(); },
       " !!! RS_ENABLE_W_BUFFERING FAILED !!!", true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_DISABLE_DEPTH_BUFFERING(); }, nullptr, true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_ENABLE_LIGHTING(); }, " !!! RS_ENABLE_LIGHTING FAILED !!!",
       true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_DISABLE_LIGHTING(); },
       " !!! RS_DISABLE_LIGHTING FAILED !!!", true},
      {"IDirect3DDevice7::SetRenderState", [] { return RS_SET_AMBIENT_COLOR(0x404040); },
       " !!! RS_SET_AMBIENT_COLOR FAILED !!!", true},
      {"IDirect3DDevice7::Clear", [] { return CLEAR_VIEWPORT(D3DCLEAR_TARGET, 0, 1.0f, 0); },
       " !!! CLEAR_VIEWPORT FAILED !!!", true},
      {"IDirect3DDevice7::BeginScene", [] { return BEGIN_SCENE(); }, " !!! BEGIN_SCENE FAILED !!!", true},
      {"IDirect3DDevice7::EndScene", [] { return END_SCENE(); }, " !!! END_SCENE FAILED !!!", true},
      {"IDirect3DDevice7::SetLight", [] { return SET_LIGHT(0, &light); }, " !!! SET_LIGHT FAILED !!!", true},
      {"IDirect3DDevice7::LightEnable", [] { return LIGHT_ENABLE(0, 1); }, " !!! LIGHT_ENABLE FAILED !!!", true},
      {"IDirect3DDevice7::SetTextureStageState", [] { return SET_TEXTURE_STAGE_STATE(0, D3DTSS_COLOROP, 4); },
       " !!! SET_TEXTURE_STAGE_STATE FAILED !!!", true},
      {"IDirect3DDevice7::SetTextureStageState",
       [] { return SET_TEXTURE_STAGE_STATE(0, D3DTSS_MIPMAPLODBIAS, 0x3F800000); },
       " !!! SET_TEXTURE_STAGE_STATE D3DTSS_MIPMAPLODBIAS FAILED !!!", true},
      {"IDirect3DDevice7::GetTextureStageState",
       [] { return GET_TEXTURE_STAGE_STATE(0, D3DTSS_MIPMAPLODBIAS, 0) == 0 ? 1 : 0; },
       " !!! GET_TEXTURE_STAGE_STATE D3DTSS_MIPMAPLODBIAS FAILED !!!", true},
      {"IDirect3DDevice7::GetLight", [] { return GET_LIGHT(0, &light) == nullptr ? 1 : 0; },
       " !!! GET_LIGHT FAILED !!!", true},
      {"IDirect3DDevice7::DrawPrimitive",
       [] { return DRAW_PRIMITIVE(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, vertices.data(), 3, 0); },
       " !!! DRAW_PRIMITIVE FAILED !!!", true},
      {"IDirect3DDevice7::DrawIndexedPrimitive",
       [] { return DRAW_INDEXED_PRIMITIVE(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, vertices.data(), 3, indices, 3, 0); },
       " !!! DRAW_INDEXED_PRIMITIVE FAILED !!!", true},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.line != nullptr ? row.line : row.operation);
    StartDevice(0, 16);
    ASSERT_EQ(BEGIN_SCENE(), 0);  // drawing needs a scene, ending one too
    const size_t boxesBefore = Boxes();
    machine::fail_next(row.operation, 1, D3DERR_INVALIDMATRIX);
    Mark();
    EXPECT_EQ(row.call(), 1);
    std::vector<std::string> expected;
    if (row.line != nullptr) expected.push_back(row.line);
    if (row.critical) expected.push_back("!!! D3DERR_INVALIDMATRIX !!!");
    const std::vector<std::string> lines = NewLines();
    ASSERT_GE(lines.size(), expected.size());
    const size_t skip = std::string(row.operation) == "IDirect3DDevice7::SetViewport" ? 1 : 0;  // the MinZ line
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(skip),
                                       lines.begin() + static_cast<long>(skip + expected.size())),
              expected);
    EXPECT_EQ(Boxes() - boxesBefore, row.critical ? 1u : 0u);
    EndRun();
  }
}

// Arguments the device could not read safely are refused as it refuses them.
TEST_F(D3DRender, UnreadableDrawArgumentsAreRefused) {
  StartDevice(0, 16);
  std::vector<D3DTLVERTEX> vertices = Rect(0, 0, 10, 10, 0.5f, 0xFFFFFFFF);
  WORD outside[3] = {0, 1, 4};
  ASSERT_EQ(BEGIN_SCENE(), 0);
  EXPECT_EQ(DRAW_INDEXED_PRIMITIVE(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, vertices.data(), 4, outside, 3, 0), 1);
  EXPECT_EQ(DRAW_PRIMITIVE(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, vertices.data(), 0x7FFFFFFF, 0), 1);
  EXPECT_EQ(DRAW_PRIMITIVE(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, nullptr, 3, 0), 1);
  EXPECT_EQ(SET_MATERIALS(nullptr), 1);
  EXPECT_EQ(GET_TRANSFORM_WORLD(nullptr), nullptr);
  EXPECT_EQ(GET_TEXTURE_STAGE_STATE(0, D3DTSS_COLOROP, 0), 0u);
  EXPECT_TRUE(HasLine(" !!! DRAW_INDEXED_PRIMITIVE FAILED !!!"));
}

TEST_F(D3DRender, FailingGetLightLeavesTheHostRecord) {
  StartDevice(0, 16);
  D3DLIGHT7 light{};
  light.dvRange = 42.0f;
  machine::fail_next("IDirect3DDevice7::GetLight", 1, DDERR_INVALIDPARAMS);
  EXPECT_EQ(GET_LIGHT(0, &light), nullptr);
  EXPECT_EQ(light.dvRange, 42.0f);
}

TEST_F(D3DRender, UnknownTextureIdLeavesTheStageAlone) {
  StartDevice(0, 16);
  WriteBytes("t.bmp", Bmp24(4, 4, [](int, int) { return 0xFF0000u; }));
  ASSERT_EQ(LOAD_TEXTURE_BITMAP("t.bmp", 1, 32, DDPF_RGB, 0, 0), 0);
  ASSERT_EQ(SET_TEXTURE(0, 1), 0);
  EXPECT_EQ(SET_TEXTURE(0, 2), 1);
  LPDIRECTDRAWSURFACE7 bound = nullptr;
  ASSERT_EQ(glpD3DDevice->GetTexture(0, &bound), D3D_OK);
  EXPECT_NE(bound, nullptr);
  if (bound != nullptr) bound->Release();
  EXPECT_EQ(Boxes(), 0u);
}

// Scenes: a cleared viewport; a lit triangle brighter facing the light; a
// near square hiding a far one drawn later; a textured quad the right way
// up; a half-transparent square over a coloured background.
TEST_F(D3DRender, ClearedViewportCoversOnlyTheViewport) {
  StartDevice(0, 16, 16);
  ASSERT_EQ(CLEAR_VIEWPORT(D3DCLEAR_TARGET, 0x00000000, 1.0f, 0), 0);
  ASSERT_EQ(CREATE_VIEWPORT(100, 100, 50, 50, 0.0f, 1.0f), 0);
  ASSERT_EQ(CLEAR_VIEWPORT(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF0000, 1.0f, 0), 0);
  EXPECT_EQ(Colour(120, 120), 0xF80000u);  // 5-6-5 red read back
  EXPECT_EQ(Colour(99, 120), 0u);
  EXPECT_EQ(Colour(150, 120), 0u);
}

TEST_F(D3DRender, LitTriangleIsBrighterFacingTheLight) {
  StartDevice(0, 16);
  SetCamera();
  D3DMATERIAL7 material{};
  material.diffuse = {{1.0f}, {1.0f}, {1.0f}, {1.0f}};
  ASSERT_EQ(SET_MATERIALS(&material), 0);
  D3DLIGHT7 light{};
  light.dltType = D3DLIGHT_DIRECTIONAL;
  light.dcvDiffuse = {{1.0f}, {1.0f}, {1.0f}, {1.0f}};
  light.dvDirection = {{0.0f}, {0.0f}, {1.0f}};
  ASSERT_EQ(SET_LIGHT(0, &light), 0);
  ASSERT_EQ(LIGHT_ENABLE(0, 1), 0);
  ASSERT_EQ(RS_ENABLE_LIGHTING(), 0);
  ASSERT_EQ(RS_SET_AMBIENT_COLOR(0), 0);
  ASSERT_EQ(RS_DISABLE_DEPTH_BUFFERING(), 0);
  // Two triangles, left one facing the light, right one turned away by 60
  // degrees (normals set, positions the same distance away).
  auto triangle = [](float x, float nx, float nz) {
    std::vector<D3DVERTEX> t(3);
    const float corners[3][2] = {{-1, -1}, {0, 1}, {1, -1}};
    for (int i = 0; i < 3; ++i) {
      t[i] = D3DVERTEX{};
      t[i].x = x + corners[i][0] * 0.8f;
      t[i].y = corners[i][1] * 0.8f;
      t[i].z = 5.0f;
      t[i].nx = nx;
      t[i].nz = nz;
    }
    return t;
  };
  std::vector<D3DVERTEX> facing = triangle(-1.5f, 0.0f, -1.0f), turned = triangle(1.5f, 0.8660254f, -0.5f);
  ASSERT_EQ(CLEAR_VIEWPORT(D3DCLEAR_TARGET, 0, 1.0f, 0), 0);
  ASSERT_EQ(BEGIN_SCENE(), 0);
  ASSERT_EQ(DRAW_PRIMITIVE(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, facing.data(), 3, 0), 0);
  ASSERT_EQ(DRAW_PRIMITIVE(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, turned.data(), 3, 0), 0);
  ASSERT_EQ(END_SCENE(), 0);
  // Triangle centres on screen: 320 -/+ 1.5 * 0.75 * 240 = 50 and 590... use
  // the projection: x_screen = 320 + 320 * (x * 0.75 / 5).
  const unsigned left = Colour(320 - 72, 240), right = Colour(320 + 72, 240);
  EXPECT_GT(Brightness(left), 700);
  EXPECT_GT(Brightness(right), 300);
  EXPECT_LT(Brightness(right), Brightness(left) - 200);
}

TEST_F(D3DRender, NearSquareHidesAFarOneDrawnLater) {
  for (int depth : {16, 24, 32}) {
    SCOPED_TRACE(depth);
    StartDevice(0, depth);
    ASSERT_EQ(RS_ENABLE_Z_BUFFERING(), 0);
    ASSERT_EQ(CLEAR_VIEWPORT(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), 0);
    std::vector<D3DTLVERTEX> nearSquare = Rect(10, 10, 50, 50, 0.3f, 0xFF00FF00);
    std::vector<D3DTLVERTEX> farSquare = Rect(30, 30, 70, 70, 0.6f, 0xFFFF0000);
    ASSERT_EQ(BEGIN_SCENE(), 0);
    ASSERT_EQ(DrawStrip(nearSquare), 0);
    ASSERT_EQ(DrawStrip(farSquare), 0);
    ASSERT_EQ(END_SCENE(), 0);
    EXPECT_EQ(Colour(40, 40), 0x00FF00u);  // overlap: the near one
    EXPECT_EQ(Colour(60, 60), 0xFF0000u);  // the far one outside the overlap
    ASSERT_EQ(RS_DISABLE_DEPTH_BUFFERING(), 0);
    ASSERT_EQ(BEGIN_SCENE(), 0);
    ASSERT_EQ(DrawStrip(farSquare), 0);
    ASSERT_EQ(END_SCENE(), 0);
    EXPECT_EQ(Colour(40, 40), 0xFF0000u);  // without depth, the last one wins
    EndRun();
  }
}

TEST_F(D3DRender, TexturedQuadIsTheRightWayUp) {
  StartDevice(0, 0);
  // Top half red, bottom half blue; left column green.
  WriteBytes("t.bmp", Bmp24(8, 8, [](int x, int y) { return x == 0 ? 0x00FF00u : (y < 4 ? 0xFF0000u : 0x0000FFu); }));
  ASSERT_EQ(LOAD_TEXTURE_BITMAP("t.bmp", 1, 32, DDPF_RGB, 0, 0), 0);
  ASSERT_EQ(SET_TEXTURE(0, 1), 0);
  ASSERT_EQ(SET_TEXTURE_STAGE_STATE(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), 0);
  ASSERT_EQ(CLEAR_VIEWPORT(D3DCLEAR_TARGET, 0, 1.0f, 0), 0);
  std::vector<D3DTLVERTEX> quad = Rect(100, 100, 180, 180, 0.5f, 0xFFFFFFFF);
  ASSERT_EQ(BEGIN_SCENE(), 0);
  ASSERT_EQ(DrawStrip(quad), 0);
  ASSERT_EQ(END_SCENE(), 0);
  EXPECT_EQ(Colour(140, 110), 0xFF0000u);
  EXPECT_EQ(Colour(140, 170), 0x0000FFu);
  EXPECT_EQ(Colour(103, 140), 0x00FF00u);
  EXPECT_EQ(Colour(175, 140) & 0x00FF00u, 0u);
}

TEST_F(D3DRender, AlphaBlendMixesWithTheBackground) {
  StartDevice(0, 0);
  ASSERT_EQ(CLEAR_VIEWPORT(D3DCLEAR_TARGET, 0x000000FF, 1.0f, 0), 0);
  ASSERT_EQ(RS_ENABLE_ALPHABLEND(), 0);
  ASSERT_EQ(RS_SRCBLEND(D3DBLEND_SRCALPHA), 0);
  ASSERT_EQ(RS_DESTBLEND(D3DBLEND_INVSRCALPHA), 0);
  std::vector<D3DTLVERTEX> square = Rect(10, 10, 50, 50, 0.5f, 0x80FF0000);
  ASSERT_EQ(BEGIN_SCENE(), 0);
  ASSERT_EQ(DrawStrip(square), 0);
  ASSERT_EQ(END_SCENE(), 0);
  const unsigned mixed = Colour(30, 30);
  EXPECT_NEAR(static_cast<int>(mixed >> 16), 0x80, 2);
  EXPECT_NEAR(static_cast<int>(mixed & 0xFF), 0x7F, 2);
  ASSERT_EQ(RS_DISABLE_ALPHABLEND(), 0);
  ASSERT_EQ(BEGIN_SCENE(), 0);
  ASSERT_EQ(DrawStrip(square), 0);
  ASSERT_EQ(END_SCENE(), 0);
  EXPECT_EQ(Colour(30, 30), 0xFF0000u);
}

}  // namespace
