/* Direct3D 7 record types: values, vectors, vertices and matrices. */
#ifndef PLATFORM_D3DTYPES_H
#define PLATFORM_D3DTYPES_H

#include "windows.h"

typedef float D3DVALUE, *LPD3DVALUE;

typedef struct _D3DVECTOR {
  union {
    D3DVALUE x;
    D3DVALUE dvX;
  };
  union {
    D3DVALUE y;
    D3DVALUE dvY;
  };
  union {
    D3DVALUE z;
    D3DVALUE dvZ;
  };
} D3DVECTOR, *LPD3DVECTOR;

typedef struct _D3DVERTEX {
  union {
    D3DVALUE x;
    D3DVALUE dvX;
  };
  union {
    D3DVALUE y;
    D3DVALUE dvY;
  };
  union {
    D3DVALUE z;
    D3DVALUE dvZ;
  };
  union {
    D3DVALUE nx;
    D3DVALUE dvNX;
  };
  union {
    D3DVALUE ny;
    D3DVALUE dvNY;
  };
  union {
    D3DVALUE nz;
    D3DVALUE dvNZ;
  };
  union {
    D3DVALUE tu;
    D3DVALUE dvTU;
  };
  union {
    D3DVALUE tv;
    D3DVALUE dvTV;
  };
} D3DVERTEX, *LPD3DVERTEX;

typedef struct _D3DMATRIX {
  D3DVALUE _11, _12, _13, _14;
  D3DVALUE _21, _22, _23, _24;
  D3DVALUE _31, _32, _33, _34;
  D3DVALUE _41, _42, _43, _44;
} D3DMATRIX, *LPD3DMATRIX;

#endif
