/* The cube every Direct3D scene of the project draws: 24 lit, textured
   vertices (four per face, each face with its own normal and the whole
   texture on it) and 36 indices of a triangle list. Plain C, so C hosts
   can include it as well as C++ ones. */
#ifndef KORVANE_CUBE_MESH_H
#define KORVANE_CUBE_MESH_H

#include <d3dtypes.h>

#define CUBE_MESH_VERTICES 24
#define CUBE_MESH_INDICES 36

/* Fills the cube of half-size 1 about the origin. */
static void CubeVertices(D3DVERTEX vertices[CUBE_MESH_VERTICES], WORD indices[CUBE_MESH_INDICES]) {
  static const float kFaces[6][3][3] = {
      /* normal, then the face's right and up directions */
      {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},
      {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
      {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},   {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},
  };
  static const float kCorners[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
  int face, corner;
  for (face = 0; face < 6; ++face) {
    const float *n = kFaces[face][0], *r = kFaces[face][1], *u = kFaces[face][2];
    for (corner = 0; corner < 4; ++corner) {
      D3DVERTEX *v = &vertices[face * 4 + corner];
      const float a = kCorners[corner][0], b = kCorners[corner][1];
      v->x = n[0] + a * r[0] + b * u[0];
      v->y = n[1] + a * r[1] + b * u[1];
      v->z = n[2] + a * r[2] + b * u[2];
      v->nx = n[0];
      v->ny = n[1];
      v->nz = n[2];
      v->tu = (a + 1) * 0.5f;
      v->tv = (1 - b) * 0.5f;
    }
    indices[face * 6 + 0] = (WORD)(face * 4);
    indices[face * 6 + 1] = (WORD)(face * 4 + 1);
    indices[face * 6 + 2] = (WORD)(face * 4 + 2);
    indices[face * 6 + 3] = (WORD)(face * 4);
    indices[face * 6 + 4] = (WORD)(face * 4 + 2);
    indices[face * 6 + 5] = (WORD)(face * 4 + 3);
  }
}

#endif
