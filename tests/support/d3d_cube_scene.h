/* One scene drawn only through the exports, shared by the Linux test and the
   Windows host under Wine so their pictures can be compared: a lit,
   textured, z-buffered cube turned towards the viewer, drawn with
   DRAW_INDEXED_PRIMITIVE. The includer defines KV(name) as the way it
   reaches an export (the function itself, or a pointer looked up in the
   DLL). Every number is a constant, so both builds feed the device the
   very same floats. */
#ifndef D3D_CUBE_SCENE_H
#define D3D_CUBE_SCENE_H

#include <stdio.h>
#include <string.h>

#include "cube_mesh.h"

#define CUBE_SCENE_BACKGROUND 0x00203040u
#define CUBE_TEXTURE_SIZE 64

/* The texture: an 8 x 8 checkerboard of orange and blue squares with a
   white top row, so that orientation shows. */
static unsigned CubeTextureColour(int x, int y) {
  if (y < 8) return 0xFFFFFF;
  return ((x / 8 + y / 8) & 1) ? 0xF08020 : 0x2040C0;
}

/* Writes the texture as a 24-bit BMP file; 0 when written. */
static int WriteCubeTexture(const char *path) {
  const int size = CUBE_TEXTURE_SIZE, rowBytes = CUBE_TEXTURE_SIZE * 3;
  unsigned char header[54];
  unsigned char row[CUBE_TEXTURE_SIZE * 3];
  const unsigned fileSize = 54u + (unsigned)(rowBytes * size);
  FILE *out;
  int x, y, i;
  memset(header, 0, sizeof header);
  header[0] = 'B';
  header[1] = 'M';
  for (i = 0; i < 4; ++i) {
    header[2 + i] = (unsigned char)(fileSize >> (8 * i));
    header[18 + i] = (unsigned char)((unsigned)size >> (8 * i));
    header[22 + i] = (unsigned char)((unsigned)size >> (8 * i));
  }
  header[10] = 54;
  header[14] = 40;
  header[26] = 1;
  header[28] = 24;
  out = fopen(path, "wb");
  if (out == NULL) return 1;
  fwrite(header, 1, sizeof header, out);
  for (y = size - 1; y >= 0; --y) {
    for (x = 0; x < size; ++x) {
      const unsigned colour = CubeTextureColour(x, y);
      row[x * 3] = (unsigned char)colour;
      row[x * 3 + 1] = (unsigned char)(colour >> 8);
      row[x * 3 + 2] = (unsigned char)(colour >> 16);
    }
    fwrite(row, 1, sizeof row, out);
  }
  fclose(out);
  return 0;
}

static void SetMatrix(D3DMATRIX *m, const float values[16]) { memcpy(m, values, sizeof *m); }

/* Sets viewport, transforms, material, light and states, then clears and
   draws the cube textured with texture `textureId`; 0 when every export
   succeeded. */
static int DrawCubeScene(int width, int height, int textureId) {
  /* World: 30 degrees about y, then 25 degrees about x (cosines and sines
     written out). View: the camera 5 units in front of the cube. */
  static const float kWorld[16] = {0.8660254f,  0.2113249f, 0.4531539f, 0, 0,         0.9063078f,
                                   -0.4226183f, 0,          -0.5f,      0.3660254f, 0.7848855f, 0,
                                   0,           0,          0,          1};
  static const float kView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1};
  D3DMATRIX world, view, projection;
  D3DMATERIAL7 material;
  D3DLIGHT7 light;
  D3DVERTEX vertices[CUBE_MESH_VERTICES];
  WORD indices[CUBE_MESH_INDICES];
  /* 60-degree vertical field, near 1, far 100. */
  const float yScale = 1.7320508f, xScale = yScale * (float)height / (float)width;
  const float q = 100.0f / 99.0f;
  float projectionValues[16] = {0};
  int failures = 0;
  projectionValues[0] = xScale;
  projectionValues[5] = yScale;
  projectionValues[10] = q;
  projectionValues[11] = 1;
  projectionValues[14] = -q;

  SetMatrix(&world, kWorld);
  SetMatrix(&view, kView);
  SetMatrix(&projection, projectionValues);
  memset(&material, 0, sizeof material);
  material.diffuse.r = material.diffuse.g = material.diffuse.b = material.diffuse.a = 1.0f;
  material.ambient.r = material.ambient.g = material.ambient.b = material.ambient.a = 1.0f;
  memset(&light, 0, sizeof light);
  light.dltType = D3DLIGHT_DIRECTIONAL;
  light.dcvDiffuse.r = light.dcvDiffuse.g = light.dcvDiffuse.b = 1.0f;
  light.dvDirection.x = 0.4f;
  light.dvDirection.y = -0.5f;
  light.dvDirection.z = 0.7681146f;
  CubeVertices(vertices, indices);

  failures += KV(CREATE_VIEWPORT)(0, 0, (DWORD)width, (DWORD)height, 0.0f, 1.0f);
  failures += KV(SET_TRANSFORM_WORLD)(&world);
  failures += KV(SET_TRANSFORM_VIEW)(&view);
  failures += KV(SET_TRANSFORM_PROJECTION)(&projection);
  failures += KV(SET_MATERIALS)(&material);
  failures += KV(SET_LIGHT)(0, &light);
  failures += KV(LIGHT_ENABLE)(0, 1);
  failures += KV(RS_ENABLE_LIGHTING)();
  failures += KV(RS_SET_AMBIENT_COLOR)(0x00404040);
  failures += KV(RS_ENABLE_Z_BUFFERING)();
  failures += KV(RS_DISABLE_ALPHABLEND)();
  failures += KV(CLEAR_VIEWPORT)(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, CUBE_SCENE_BACKGROUND, 1.0f, 0);
  failures += KV(BEGIN_SCENE)();
  failures += KV(SET_TEXTURE)(0, textureId);
  failures += KV(DRAW_INDEXED_PRIMITIVE)(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, vertices, CUBE_MESH_VERTICES,
                                         indices, CUBE_MESH_INDICES, 0);
  failures += KV(END_SCENE)();
  return failures;
}

#endif
