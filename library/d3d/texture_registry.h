// The texture registry: texture records and the list that runs from the
// newest texture to the oldest.
#pragma once

#include <windows.h>
#include <ddraw.h>

struct TextureRecord {
  int nWidth;   // of the source image; the surface may be larger
  int nHeight;
  LPDIRECTDRAWSURFACE7 lpDDSBack;  // the texture surface, owned
  char *lpFileLocation;            // owned when set; nothing sets it yet
  int bManaged;                    // 1: a managed texture, else system memory
  int nId;
};

struct TextureNode {
  TextureRecord *texture;
  TextureNode *next;
};

// The head of the texture list (newest first); null when empty.
extern TextureNode *gTextureList;

// The first record with the id, or null.
TextureRecord *FindTexture(int id);

// Puts a record at the head of the list; false (nothing changed) when
// memory for the node runs out.
bool LinkTexture(TextureRecord *texture);

// Frees every texture, newest first.
void Texture_FreeAll();
