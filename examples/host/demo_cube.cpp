// The demo's Direct3D part. The cube's mesh is the one every Direct3D scene
// of the project uses (cube_mesh.h). Its texture is the star sprite, added
// to the lit material colour so the sprite's black background shows as a
// shaded face rather than a hole. Each frame spins the tilted cube a little
// further with the library's quaternion maths and draws it inside one scene.
#include "demo_cube.h"

#include <cstdio>
#include <string>

#include <d3d.h>

#include "cube_mesh.h"
#include "korvane.h"

namespace {

enum { kCubeTexture = 1 };

constexpr float kCameraDistance = 5.0f;
constexpr float kTurnPerFrame = 0.12f;  // radians
constexpr float kFirstTurn = 0.3f;      // so frame 0 already shows two sides
constexpr float kTilt = 0.45f;          // top towards the viewer

bool gCubeReady = false;
D3DVERTEX gVertices[CUBE_MESH_VERTICES];
WORD gIndices[CUBE_MESH_INDICES];

D3DCOLORVALUE Colour(float r, float g, float b) {
  D3DCOLORVALUE colour{};
  colour.r = r;
  colour.g = g;
  colour.b = b;
  colour.a = 1.0f;
  return colour;
}

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

// A left-handed perspective with a 60-degree vertical field, near 1, far 100.
D3DMATRIX Projection(int width, int height) {
  const float yScale = 1.7320508f, nearZ = 1.0f, farZ = 100.0f;
  const float q = farZ / (farZ - nearZ);
  D3DMATRIX m{};
  m._11 = yScale * static_cast<float>(height) / static_cast<float>(width);
  m._22 = yScale;
  m._33 = q;
  m._34 = 1.0f;
  m._43 = -q * nearZ;
  return m;
}

// Camera, light, material and the states the cube is drawn with; the count
// of exports that failed.
int SetUpScene(int width, int height) {
  D3DMATRIX view = Identity();
  view._43 = kCameraDistance;
  const D3DMATRIX projection = Projection(width, height);

  D3DMATERIAL7 material{};
  material.diffuse = material.ambient = Colour(0.2f, 0.3f, 0.7f);
  D3DLIGHT7 light{};
  light.dltType = D3DLIGHT_DIRECTIONAL;
  light.dcvDiffuse = Colour(1.0f, 1.0f, 1.0f);
  light.dvDirection.x = 0.5f;  // from the upper left, in front of the cube
  light.dvDirection.y = -0.6f;
  light.dvDirection.z = 0.62f;

  int failures = 0;
  failures += CREATE_VIEWPORT(0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0.0f, 1.0f);
  failures += SET_TRANSFORM_VIEW(&view);
  failures += SET_TRANSFORM_PROJECTION(&projection);
  failures += SET_MATERIALS(&material);
  failures += SET_LIGHT(0, &light);
  failures += LIGHT_ENABLE(0, 1);
  failures += RS_ENABLE_LIGHTING();
  failures += RS_SET_AMBIENT_COLOR(0x00303030);
  failures += RS_ENABLE_Z_BUFFERING();
  failures += RS_DISABLE_ALPHABLEND();
  failures += SET_TEXTURE_STAGE_STATE(0, D3DTSS_COLOROP, D3DTOP_ADD);
  failures += SET_TEXTURE_STAGE_STATE(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  failures += SET_TEXTURE_STAGE_STATE(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  return failures;
}

// A turn of `angle` radians about `axis` (of unit length), as a matrix.
D3DMATRIX Turn(D3DVECTOR axis, float angle) {
  float x, y, z, w;
  QUATERNION_FROM_ROTATION(&x, &y, &z, &w, &axis, angle);
  D3DMATRIX turn;
  MATRIX_FROM_QUATERNION(&turn, x, y, z, w);
  return turn;
}

// The cube's world matrix for `frame`: a spin about its own vertical axis,
// then a fixed tilt of its top towards the viewer, so that the top and at
// least one side show in every frame.
D3DMATRIX CubeWorld(int frame) {
  const D3DMATRIX spin = Turn({{0.0f}, {1.0f}, {0.0f}}, kFirstTurn + kTurnPerFrame * static_cast<float>(frame));
  const D3DMATRIX tilt = Turn({{1.0f}, {0.0f}, {0.0f}}, kTilt);
  D3DMATRIX world;
  MATRIX_MULTIPLY(&world, &spin, &tilt);
  return world;
}

}  // namespace

bool StartCubeDemo(const char *spriteFolder) {
  const int width = SURFACE_WIDTH(), height = SURFACE_HEIGHT();
  if (width <= 0 || height <= 0) return false;
  if (D3D_INIT() != 0 || CREATE3D_DEVICE(1, 16) != 0) {
    printf("demo: no Direct3D device, the cube is left out\n");
    return false;
  }
  const std::string texture = std::string(spriteFolder) + "/star.bmp";
  if (LOAD_TEXTURE_BITMAP(texture.c_str(), kCubeTexture, 16, DDPF_RGB, 565, 0) != 0) {
    printf("demo: could not make a texture of %s, the cube is left out\n", texture.c_str());
    return false;
  }
  if (SetUpScene(width, height) != 0) {
    printf("demo: the cube's scene could not be set up, the cube is left out\n");
    return false;
  }
  CubeVertices(gVertices, gIndices);
  gCubeReady = true;
  printf("demo: Direct3D cube ready, textured with star.bmp, z-buffered\n");
  return true;
}

void DrawCubeFrame(int frame) {
  if (!gCubeReady) return;
  const D3DMATRIX world = CubeWorld(frame);
  if (BEGIN_SCENE() != 0) return;
  CLEAR_VIEWPORT(D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  SET_TRANSFORM_WORLD(&world);
  SET_TEXTURE(0, kCubeTexture);
  DRAW_INDEXED_PRIMITIVE(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, gVertices, CUBE_MESH_VERTICES, gIndices,
                         CUBE_MESH_INDICES, 0);
  END_SCENE();
}
