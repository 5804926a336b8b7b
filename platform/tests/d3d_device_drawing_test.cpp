// Small scenes drawn through the platform's Direct3D 7 device, each row of
// the table varying one thing (target depth, shading, depth test, cull mode,
// blend factors, alpha test, fog, stage operation, filter, address mode,
// primitive type, lighting), with the expected colours at sample pixels
// computed here from the scene's own numbers. Then the fill convention and
// clipping to the viewport.
#include <cmath>
#include <functional>
#include <string>

#include "support/d3d_test.h"

namespace {

constexpr int kSize = 32;

struct Rgb {
  int r, g, b;
};

// A sample pixel and the colour expected there, within `tolerance` per
// channel (the target's rounding, or the arithmetic of a blend).
struct Probe {
  int x, y;
  Rgb colour;
  int tolerance;
};

class RenderTest : public Direct3DTest {
 protected:
  // A target of `bits` (5-5-5 when asked) with a 16-bit z-buffer, a device,
  // the target cleared to `background` and the depth to 1, culling off.
  IDirect3DDevice7 *Scene(DWORD bits, bool rgb555, D3DCOLOR background) {
    target_ = Target(kSize, kSize, bits, rgb555);
    AttachZ(target_, 16);
    IDirect3DDevice7 *device = Device(target_);
    EXPECT_EQ(device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0), D3D_OK);
    return device;
  }

  // The colour of a target pixel, each channel widened to 8 bits.
  Rgb ColourAt(int x, int y) {
    DDPIXELFORMAT format{};
    target_->GetPixelFormat(&format);
    const DWORD value = Pixel(target_, x, y);
    auto channel = [&](DWORD mask) {
      int shift = 0, width = 0;
      while (mask != 0 && !(mask & 1)) mask >>= 1, ++shift;
      while (mask & (1u << width)) ++width;
      const DWORD raw = (value >> shift) & ((1u << width) - 1);
      return static_cast<int>(width >= 8 ? raw >> (width - 8) : (raw << (8 - width)) | (raw >> (2 * width - 8)));
    };
    return {channel(format.dwRBitMask), channel(format.dwGBitMask), channel(format.dwBBitMask)};
  }

  IDirectDrawSurface7 *target_ = nullptr;
};

// Draws a rectangle as a two-triangle strip with one colour and depth, and
// texture coordinates from (u0, v0) to (u1, v1).
void Quad(IDirect3DDevice7 *device, float left, float top, float right, float bottom, float z, D3DCOLOR colour,
          float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1, D3DCOLOR specular = 0xFF000000) {
  D3DTLVERTEX strip[] = {Tl(left, top, z, colour, u0, v0), Tl(right, top, z, colour, u1, v0),
                         Tl(left, bottom, z, colour, u0, v1),
                         Tl(right, bottom, z, colour, u1, v1)};
  for (D3DTLVERTEX &vertex : strip) vertex.specular = specular;
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, strip, 4, 0), D3D_OK);
}

void Full(IDirect3DDevice7 *device, float z, D3DCOLOR colour) { Quad(device, 0, 0, kSize, kSize, z, colour); }

void Set(IDirect3DDevice7 *device, D3DRENDERSTATETYPE state, DWORD value) {
  EXPECT_EQ(device->SetRenderState(state, value), D3D_OK);
}

void Stage(IDirect3DDevice7 *device, DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
  EXPECT_EQ(device->SetTextureStageState(stage, state, value), D3D_OK);
}

struct Case {
  std::string name;
  DWORD bits;
  bool rgb555;
  D3DCOLOR background;
  // Draws the scene; the fixture passes itself for textures and surfaces.
  std::function<void(RenderTest &, IDirect3DDevice7 *)> draw;
  std::vector<Probe> probes;
};

class RenderCases : public RenderTest {
 public:
  IDirectDrawSurface7 *MakeTexture(DWORD width, DWORD height, const std::function<DWORD(int, int)> &texel) {
    DDPIXELFORMAT argb = RgbFormat(32);
    argb.dwFlags |= DDPF_ALPHAPIXELS;
    argb.dwRGBAlphaBitMask = 0xFF000000;
    IDirectDrawSurface7 *texture = Make(width, height, argb, DDSCAPS_TEXTURE);
    EXPECT_NE(texture, nullptr);
    if (texture != nullptr) Paint(texture, texel);
    return texture;
  }
  // A 2×2 ARGB texture: red, green on top; blue, white at half alpha below.
  IDirectDrawSurface7 *CheckerTexture() {
    return MakeTexture(2, 2, [](int x, int y) {
      const DWORD texels[2][2] = {{0xFFFF0000, 0xFF00FF00}, {0xFF0000FF, 0x80FFFFFF}};
      return texels[y][x];
    });
  }
  void Bind(IDirect3DDevice7 *device, IDirectDrawSurface7 *texture) {
    EXPECT_EQ(device->SetTexture(0, texture), D3D_OK);
  }
};

// A lit square facing the viewer: identity transforms put x, y in -1 … 1 on
// the viewport and z at 0.5, normals towards the viewer.
void LitSquare(IDirect3DDevice7 *device) {
  D3DVERTEX strip[4] = {};
  const float corners[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
  for (int i = 0; i < 4; ++i) {
    strip[i].x = corners[i][0];
    strip[i].y = corners[i][1];
    strip[i].z = 0.5f;
    strip[i].nz = -1.0f;
  }
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_VERTEX, strip, 4, 0), D3D_OK);
}

D3DMATERIAL7 Material(float r, float g, float b, float ambient = 0.0f, float emissiveGreen = 0.0f) {
  D3DMATERIAL7 material{};
  material.diffuse = {{r}, {g}, {b}, {1.0f}};
  material.ambient = {{ambient}, {ambient}, {ambient}, {1.0f}};
  material.emissive.g = emissiveGreen;
  return material;
}

D3DLIGHT7 Light(D3DLIGHTTYPE type) {
  D3DLIGHT7 light{};
  light.dltType = type;
  light.dcvDiffuse = {{1.0f}, {1.0f}, {1.0f}, {1.0f}};
  light.dvDirection = {{0.0f}, {0.0f}, {1.0f}};
  light.dvPosition = {{0.0f}, {0.0f}, {-10.0f}};
  light.dvRange = 100.0f;
  light.dvAttenuation0 = 1.0f;
  light.dvFalloff = 1.0f;
  light.dvTheta = 0.5f;
  light.dvPhi = 1.0f;
  return light;
}

void LightScene(IDirect3DDevice7 *device, const D3DMATERIAL7 &material, const D3DLIGHT7 *light, DWORD ambient) {
  EXPECT_EQ(device->SetMaterial(const_cast<D3DMATERIAL7 *>(&material)), D3D_OK);
  if (light != nullptr) {
    EXPECT_EQ(device->SetLight(0, const_cast<D3DLIGHT7 *>(light)), D3D_OK);
    EXPECT_EQ(device->LightEnable(0, TRUE), D3D_OK);
  }
  Set(device, D3DRENDERSTATE_AMBIENT, ambient);
  LitSquare(device);
}

std::vector<Case> Cases() {
  const Rgb red{255, 0, 0}, blue{0, 0, 255}, green{0, 255, 0}, white{255, 255, 255}, black{0, 0, 0};
  std::vector<Case> cases;
  // Target depths: one red full-target quad.
  for (auto [bits, rgb555] : {std::pair{16u, false}, {16u, true}, {24u, false}, {32u, false}}) {
    cases.push_back({"red quad at " + std::to_string(bits) + (rgb555 ? " (5-5-5)" : ""), bits, rgb555, 0,
                     [](RenderTest &, IDirect3DDevice7 *d) { Full(d, 0.5f, 0xFFFF0000); },
                     {{0, 0, red, 0}, {31, 31, red, 0}, {16, 5, red, 0}}});
  }
  // Shading: flat takes the first vertex's colour, Gouraud blends.
  auto shadedTriangle = [](RenderTest &, IDirect3DDevice7 *d) {
    D3DTLVERTEX triangle[] = {Tl(0, 0, 0.5f, 0xFFFF0000), Tl(32, 0, 0.5f, 0xFF0000FF),
                              Tl(0, 32, 0.5f, 0xFF0000FF)};
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, triangle, 3, 0), D3D_OK);
  };
  cases.push_back({"flat shading", 32, false, 0,
                   [=](RenderTest &t, IDirect3DDevice7 *d) {
                     Set(d, D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
                     shadedTriangle(t, d);
                   },
                   {{2, 2, red, 0}, {14, 14, red, 0}}});
  // At (8, 8) the red vertex weighs 1 - 8.5/32 - 8.5/32 (pixel centres at
  // integer coordinates plus the half-pixel the rasteriser samples at is
  // within the tolerance).
  cases.push_back({"Gouraud shading", 32, false, 0, shadedTriangle, {{8, 8, {128, 0, 128}, 12}, {1, 1, {240, 0, 15}, 12}}});
  // Depth test: red near, then blue far.
  auto nearFar = [](std::function<void(IDirect3DDevice7 *)> between) {
    return [=](RenderTest &, IDirect3DDevice7 *d) {
      Full(d, 0.25f, 0xFFFF0000);
      between(d);
      Full(d, 0.75f, 0xFF0000FF);
    };
  };
  cases.push_back({"depth LESSEQUAL keeps the near", 16, false, 0, nearFar([](IDirect3DDevice7 *) {}), {{10, 10, red, 0}}});
  cases.push_back({"depth GREATER takes the far", 16, false, 0,
                   nearFar([](IDirect3DDevice7 *d) { Set(d, D3DRENDERSTATE_ZFUNC, D3DCMP_GREATER); }),
                   {{10, 10, blue, 0}}});
  cases.push_back({"depth off draws in order", 16, false, 0,
                   nearFar([](IDirect3DDevice7 *d) { Set(d, D3DRENDERSTATE_ZENABLE, D3DZB_FALSE); }),
                   {{10, 10, blue, 0}}});
  cases.push_back({"no depth writes", 16, false, 0,
                   [](RenderTest &, IDirect3DDevice7 *d) {
                     Set(d, D3DRENDERSTATE_ZWRITEENABLE, FALSE);
                     Full(d, 0.25f, 0xFFFF0000);
                     Set(d, D3DRENDERSTATE_ZWRITEENABLE, TRUE);
                     Full(d, 0.75f, 0xFF0000FF);
                   },
                   {{10, 10, blue, 0}}});
  // Culling of a triangle clockwise on screen.
  for (auto [cull, drawn] : {std::pair{D3DCULL_NONE, true}, {D3DCULL_CCW, true}, {D3DCULL_CW, false}}) {
    cases.push_back({"cull mode " + std::to_string(cull), 16, false, 0,
                     [cull = cull](RenderTest &, IDirect3DDevice7 *d) {
                       Set(d, D3DRENDERSTATE_CULLMODE, cull);
                       D3DTLVERTEX clockwise[] = {Tl(0, 0, 0.5f, 0xFFFFFFFF),
                                                  Tl(32, 0, 0.5f, 0xFFFFFFFF),
                                                  Tl(0, 32, 0.5f, 0xFFFFFFFF)};
                       EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, clockwise, 3, 0), D3D_OK);
                     },
                     {{4, 4, drawn ? white : black, 0}}});
  }
  // Blending over a known background.
  auto blended = [](DWORD source, DWORD dest, D3DCOLOR colour) {
    return [=](RenderTest &, IDirect3DDevice7 *d) {
      Set(d, D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
      Set(d, D3DRENDERSTATE_SRCBLEND, source);
      Set(d, D3DRENDERSTATE_DESTBLEND, dest);
      Full(d, 0.5f, colour);
    };
  };
  cases.push_back({"blend SRCALPHA, INVSRCALPHA", 32, false, 0x0000FF,
                   blended(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0x80FF0000), {{5, 5, {128, 0, 127}, 2}}});
  cases.push_back({"blend ONE, ONE", 32, false, 0x404040, blended(D3DBLEND_ONE, D3DBLEND_ONE, 0xFF202020),
                   {{5, 5, {0x60, 0x60, 0x60}, 1}}});
  cases.push_back({"blend DESTCOLOR, ZERO", 32, false, 0x808080, blended(D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, 0xFF80FF40),
                   {{5, 5, {64, 128, 32}, 2}}});
  cases.push_back({"blend ZERO, SRCCOLOR", 32, false, 0xFFFFFF, blended(D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, 0xFF4080C0),
                   {{5, 5, {0x40, 0x80, 0xC0}, 2}}});
  cases.push_back({"blend INVDESTCOLOR, ZERO", 32, false, 0x00FF80,
                   blended(D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, 0xFFFFFFFF), {{5, 5, {255, 0, 127}, 2}}});
  cases.push_back({"blend BOTHSRCALPHA", 32, false, 0x0000FF, blended(D3DBLEND_BOTHSRCALPHA, D3DBLEND_ZERO, 0x40FF0000),
                   {{5, 5, {64, 0, 191}, 2}}});
  // Alpha test against 0x80.
  for (auto [alpha, passes] : {std::pair{0x40u, false}, {0xC0u, true}}) {
    cases.push_back({"alpha test " + std::to_string(alpha), 16, false, 0,
                     [alpha = alpha](RenderTest &, IDirect3DDevice7 *d) {
                       Set(d, D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
                       Set(d, D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATER);
                       Set(d, D3DRENDERSTATE_ALPHAREF, 0x80);
                       Full(d, 0.5f, (alpha << 24) | 0xFFFFFF);
                     },
                     {{8, 8, passes ? white : black, 0}}});
  }
  // Vertex fog of pre-transformed vertices: the specular alpha is the fog
  // factor (255 none, 0 all fog).
  for (auto [factor, seen] : {std::pair{0xFFu, red}, {0x00u, green}}) {
    cases.push_back({"vertex fog factor " + std::to_string(factor), 32, false, 0,
                     [factor = factor](RenderTest &, IDirect3DDevice7 *d) {
                       Set(d, D3DRENDERSTATE_FOGENABLE, TRUE);
                       Set(d, D3DRENDERSTATE_FOGCOLOR, 0x00FF00);
                       Quad(d, 0, 0, kSize, kSize, 0.5f, 0xFFFF0000, 0, 0, 1, 1, factor << 24);
                     },
                     {{8, 8, seen, 1}}});
  }
  // Texture-stage operations with the 2×2 checker over the target: pixel
  // (8, 8) reads red, (24, 8) green, (8, 24) blue; the diffuse is grey.
  auto textured = [](std::function<void(IDirect3DDevice7 *)> stages, D3DCOLOR diffuse) {
    return [=](RenderTest &test, IDirect3DDevice7 *d) {
      auto &fixture = static_cast<RenderCases &>(test);
      fixture.Bind(d, fixture.CheckerTexture());
      stages(d);
      Quad(d, 0, 0, kSize, kSize, 0.5f, diffuse);
    };
  };
  const D3DCOLOR grey = 0xFF808080;
  cases.push_back({"stage SELECTARG1 texture", 32, false, 0,
                   textured([](IDirect3DDevice7 *d) { Stage(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1); }, grey),
                   {{8, 8, red, 0}, {24, 8, green, 0}, {8, 24, blue, 0}}});
  cases.push_back({"stage SELECTARG2 diffuse", 32, false, 0,
                   textured([](IDirect3DDevice7 *d) { Stage(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG2); }, grey),
                   {{8, 8, {128, 128, 128}, 1}}});
  cases.push_back({"stage MODULATE (the default)", 32, false, 0, textured([](IDirect3DDevice7 *) {}, grey),
                   {{8, 8, {128, 0, 0}, 2}, {24, 24, {128, 128, 128}, 2}}});
  cases.push_back({"stage MODULATE2X", 32, false, 0,
                   textured([](IDirect3DDevice7 *d) { Stage(d, 0, D3DTSS_COLOROP, D3DTOP_MODULATE2X); }, grey),
                   {{8, 8, {255, 0, 0}, 2}}});
  cases.push_back({"stage ADD", 32, false, 0,
                   textured([](IDirect3DDevice7 *d) { Stage(d, 0, D3DTSS_COLOROP, D3DTOP_ADD); }, 0xFF400040),
                   {{8, 8, {255, 0, 0x40}, 1}, {24, 8, {0x40, 255, 0x40}, 1}}});
  cases.push_back({"stage SUBTRACT", 32, false, 0,
                   textured([](IDirect3DDevice7 *d) { Stage(d, 0, D3DTSS_COLOROP, D3DTOP_SUBTRACT); }, 0xFF400040),
                   {{8, 8, {255 - 0x40, 0, 0}, 1}}});
  cases.push_back({"stage BLENDTEXTUREALPHA", 32, false, 0,
                   textured([](IDirect3DDevice7 *d) {
                     Stage(d, 0, D3DTSS_COLOROP, D3DTOP_BLENDTEXTUREALPHA);
                     Stage(d, 0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
                   }, 0xFF000000),
                   {{8, 8, red, 1}, {24, 24, {128, 128, 128}, 2}}});
  cases.push_back({"stage DISABLE leaves the diffuse", 32, false, 0,
                   textured([](IDirect3DDevice7 *d) { Stage(d, 0, D3DTSS_COLOROP, D3DTOP_DISABLE); }, grey),
                   {{8, 8, {128, 128, 128}, 1}}});
  cases.push_back({"second stage adds the factor", 32, false, 0,
                   textured([](IDirect3DDevice7 *d) {
                     Stage(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
                     Stage(d, 1, D3DTSS_COLOROP, D3DTOP_ADD);
                     Stage(d, 1, D3DTSS_COLORARG1, D3DTA_TFACTOR);
                     Set(d, D3DRENDERSTATE_TEXTUREFACTOR, 0xFF0000FF);
                   }, grey),
                   {{8, 8, {255, 0, 255}, 1}}});
  // Filters: a black-white 2×1 texture stretched over the target; at the
  // middle pixel the bilinear filter weighs both texels alike.
  auto stretched = [](DWORD filter) {
    return [=](RenderTest &test, IDirect3DDevice7 *d) {
      auto &fixture = static_cast<RenderCases &>(test);
      fixture.Bind(d, fixture.MakeTexture(2, 1, [](int x, int) { return x == 0 ? 0xFF000000u : 0xFFFFFFFFu; }));
      Stage(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
      Stage(d, 0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
      Stage(d, 0, D3DTSS_MAGFILTER, filter);
      Stage(d, 0, D3DTSS_MINFILTER, filter);
      Quad(d, 0, 0, kSize, kSize, 0.5f, 0xFFFFFFFF);
    };
  };
  cases.push_back({"point filter", 32, false, 0, stretched(D3DTFG_POINT),
                   {{4, 4, black, 0}, {12, 4, black, 0}, {20, 4, white, 0}, {28, 4, white, 0}}});
  cases.push_back({"bilinear filter", 32, false, 0, stretched(D3DTFG_LINEAR),
                   {{4, 4, black, 0}, {16, 4, {128, 128, 128}, 12}, {28, 4, white, 0}}});
  // Address modes: texture coordinates 0 … 2 across the target, so pixel 20
  // reads u = 1.25 + half a pixel.
  auto addressed = [](DWORD mode) {
    return [=](RenderTest &test, IDirect3DDevice7 *d) {
      auto &fixture = static_cast<RenderCases &>(test);
      fixture.Bind(d, fixture.CheckerTexture());
      Stage(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
      Stage(d, 0, D3DTSS_ADDRESS, mode);
      Stage(d, 0, D3DTSS_BORDERCOLOR, 0xFFFFFF00);
      Quad(d, 0, 0, kSize, kSize, 0.5f, 0xFFFFFFFF, 0, 0, 2, 1);
    };
  };
  cases.push_back({"address WRAP", 32, false, 0, addressed(D3DTADDRESS_WRAP), {{4, 4, red, 0}, {20, 4, red, 0}}});
  cases.push_back({"address MIRROR", 32, false, 0, addressed(D3DTADDRESS_MIRROR), {{4, 4, red, 0}, {20, 4, green, 0}}});
  cases.push_back({"address CLAMP", 32, false, 0, addressed(D3DTADDRESS_CLAMP), {{4, 4, red, 0}, {20, 4, green, 0}}});
  cases.push_back({"address BORDER", 32, false, 0, addressed(D3DTADDRESS_BORDER),
                   {{4, 4, red, 0}, {20, 4, {255, 255, 0}, 0}}});
  // Colour key: the green texel is the key and is not drawn.
  cases.push_back({"colour-keyed texture", 32, false, 0x0000FF,
                   [](RenderTest &test, IDirect3DDevice7 *d) {
                     auto &fixture = static_cast<RenderCases &>(test);
                     IDirectDrawSurface7 *texture = fixture.CheckerTexture();
                     DDCOLORKEY key{0xFF00FF00, 0xFF00FF00};
                     EXPECT_EQ(texture->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
                     fixture.Bind(d, texture);
                     Set(d, D3DRENDERSTATE_COLORKEYENABLE, TRUE);
                     Stage(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
                     Quad(d, 0, 0, kSize, kSize, 0.5f, 0xFFFFFFFF);
                   },
                   {{8, 8, red, 0}, {24, 8, blue, 0}}});
  // Primitive types.
  cases.push_back({"point list", 32, false, 0,
                   [](RenderTest &, IDirect3DDevice7 *d) {
                     D3DTLVERTEX points[] = {Tl(5, 5, 0.5f, 0xFFFFFFFF), Tl(20, 9, 0.5f, 0xFFFFFFFF)};
                     EXPECT_EQ(d->DrawPrimitive(D3DPT_POINTLIST, D3DFVF_TLVERTEX, points, 2, 0), D3D_OK);
                   },
                   {{5, 5, white, 0}, {20, 9, white, 0}, {6, 5, black, 0}, {5, 6, black, 0}}});
  cases.push_back({"line list", 32, false, 0,
                   [](RenderTest &, IDirect3DDevice7 *d) {
                     D3DTLVERTEX line[] = {Tl(2, 10, 0.5f, 0xFFFFFFFF), Tl(20, 10, 0.5f, 0xFFFFFFFF)};
                     EXPECT_EQ(d->DrawPrimitive(D3DPT_LINELIST, D3DFVF_TLVERTEX, line, 2, 0), D3D_OK);
                   },
                   {{10, 10, white, 0}, {10, 12, black, 0}, {25, 10, black, 0}}});
  cases.push_back({"triangle fan", 32, false, 0,
                   [](RenderTest &, IDirect3DDevice7 *d) {
                     D3DTLVERTEX fan[] = {Tl(16, 16, 0.5f, 0xFF00FF00), Tl(0, 0, 0.5f, 0xFF00FF00),
                                          Tl(32, 0, 0.5f, 0xFF00FF00), Tl(32, 32, 0.5f, 0xFF00FF00)};
                     EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, fan, 4, 0), D3D_OK);
                   },
                   {{16, 4, green, 0}, {28, 16, green, 0}, {4, 16, black, 0}}});
  // Lighting of untransformed vertices, one light type at a time.
  const D3DLIGHT7 directional = Light(D3DLIGHT_DIRECTIONAL), point = Light(D3DLIGHT_POINT), spot = Light(D3DLIGHT_SPOT);
  cases.push_back({"directional light", 32, false, 0,
                   [=](RenderTest &, IDirect3DDevice7 *d) { LightScene(d, Material(1, 0, 0), &directional, 0); },
                   {{16, 16, red, 2}}});
  cases.push_back({"point light", 32, false, 0,
                   [=](RenderTest &, IDirect3DDevice7 *d) { LightScene(d, Material(0, 1, 0), &point, 0); },
                   {{16, 16, {0, 250, 0}, 6}}});
  cases.push_back({"spot light", 32, false, 0,
                   [=](RenderTest &, IDirect3DDevice7 *d) { LightScene(d, Material(0, 0, 1), &spot, 0); },
                   {{16, 16, {0, 0, 250}, 6}}});
  cases.push_back({"ambient only", 32, false, 0,
                   [=](RenderTest &, IDirect3DDevice7 *d) { LightScene(d, Material(1, 1, 1, 1.0f), nullptr, 0x404040); },
                   {{16, 16, {0x40, 0x40, 0x40}, 1}}});
  cases.push_back({"emissive material", 32, false, 0,
                   [=](RenderTest &, IDirect3DDevice7 *d) { LightScene(d, Material(0, 0, 0, 0, 1.0f), nullptr, 0); },
                   {{16, 16, green, 1}}});
  cases.push_back({"lighting off takes the vertex colour", 32, false, 0,
                   [](RenderTest &, IDirect3DDevice7 *d) {
                     Set(d, D3DRENDERSTATE_LIGHTING, FALSE);
                     D3DLVERTEX strip[4] = {};
                     const float corners[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
                     for (int i = 0; i < 4; ++i) {
                       strip[i].x = corners[i][0], strip[i].y = corners[i][1], strip[i].z = 0.5f;
                       strip[i].color = 0xFFFF8000;
                     }
                     EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_LVERTEX, strip, 4, 0), D3D_OK);
                   },
                   {{16, 16, {255, 128, 0}, 0}, {1, 30, {255, 128, 0}, 0}}});
  return cases;
}

TEST_F(RenderCases, SmallScenesMatchTheirComputedColours) {
  for (const Case &row : Cases()) {
    SCOPED_TRACE(row.name);
    for (auto it = released_.rbegin(); it != released_.rend(); ++it) (*it)->Release();
    released_.clear();
    IDirect3DDevice7 *device = Scene(row.bits, row.rgb555, row.background);
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    row.draw(*this, device);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    for (const Probe &probe : row.probes) {
      const Rgb seen = ColourAt(probe.x, probe.y);
      EXPECT_NEAR(seen.r, probe.colour.r, probe.tolerance) << "red at " << probe.x << "," << probe.y;
      EXPECT_NEAR(seen.g, probe.colour.g, probe.tolerance) << "green at " << probe.x << "," << probe.y;
      EXPECT_NEAR(seen.b, probe.colour.b, probe.tolerance) << "blue at " << probe.x << "," << probe.y;
    }
  }
}

// Two triangles sharing a diagonal, each added once: every covered pixel
// holds exactly one contribution, and the rectangle's right and bottom edges
// are left out by the top-left rule.
TEST_F(RenderCases, SharedEdgesAreDrawnExactlyOnce) {
  for (bool strip : {false, true}) {
    SCOPED_TRACE(strip ? "strip" : "list");
    for (auto it = released_.rbegin(); it != released_.rend(); ++it) (*it)->Release();
    released_.clear();
    IDirect3DDevice7 *device = Scene(32, false, 0);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    Set(device, D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    Set(device, D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    Set(device, D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    const D3DCOLOR c = 0xFF404040;
    D3DTLVERTEX list[] = {Tl(4, 4, 0.5f, c),  Tl(28, 4, 0.5f, c),  Tl(4, 28, 0.5f, c),
                          Tl(28, 4, 0.5f, c), Tl(28, 28, 0.5f, c), Tl(4, 28, 0.5f, c)};
    D3DTLVERTEX quad[] = {Tl(4, 4, 0.5f, c), Tl(28, 4, 0.5f, c), Tl(4, 28, 0.5f, c), Tl(28, 28, 0.5f, c)};
    if (strip) {
      ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, quad, 4, 0), D3D_OK);
    } else {
      ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, list, 6, 0), D3D_OK);
    }
    ASSERT_EQ(device->EndScene(), D3D_OK);
    const std::vector<DWORD> pixels = Pixels(target_);
    int wrong = 0;
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const bool inside = x >= 4 && x < 28 && y >= 4 && y < 28;
        if ((pixels[y * kSize + x] & 0xFFFFFF) != (inside ? 0x404040u : 0u)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// Triangles far beyond the target and through the near plane are clipped
// to the viewport: everything inside is drawn, nothing outside is touched.
TEST_F(RenderCases, DrawingIsClippedToTheViewport) {
  IDirect3DDevice7 *device = Scene(16, false, 0x0000FF);
  D3DVIEWPORT7 viewport{8, 8, 16, 16, 0.0f, 1.0f};
  ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  D3DTLVERTEX huge[] = {Tl(-1000, -1000, 0.5f, 0xFFFF0000), Tl(3000, -1000, 0.5f, 0xFFFF0000),
                        Tl(-1000, 3000, 0.5f, 0xFFFF0000)};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, huge, 3, 0), D3D_OK);
  // An untransformed triangle with one corner behind the viewer, under a
  // perspective projection.
  D3DMATRIX projection{};
  projection._11 = projection._22 = 1.0f;
  projection._33 = 1.0f;
  projection._34 = 1.0f;
  projection._43 = -0.1f;
  ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection), D3D_OK);
  Set(device, D3DRENDERSTATE_LIGHTING, FALSE);
  D3DLVERTEX behind[3] = {};
  behind[0].x = -1, behind[0].y = -1, behind[0].z = 2;
  behind[1].x = 1, behind[1].y = -1, behind[1].z = 2;
  behind[2].x = 0, behind[2].y = 1, behind[2].z = -2;
  for (D3DLVERTEX &vertex : behind) vertex.color = 0xFF00FF00;
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, behind, 3, 0), D3D_OK);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  const std::vector<DWORD> pixels = Pixels(target_);
  int outsideTouched = 0, insideMissed = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool inside = x >= 8 && x < 24 && y >= 8 && y < 24;
      const DWORD value = pixels[y * kSize + x];
      if (!inside && value != 0x001F) ++outsideTouched;
      if (inside && value == 0x001F) ++insideMissed;
    }
  }
  EXPECT_EQ(outsideTouched, 0);
  EXPECT_EQ(insideMissed, 0);
}

}  // namespace
