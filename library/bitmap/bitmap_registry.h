// The bitmap registry: the bitmap records, the list that runs from the
// newest bitmap to the oldest, and the id index that finds a record without
// walking the list.
#pragma once

#include <windows.h>
#include <ddraw.h>

// Where a bitmap's image came from (nSource).
enum { kBitmapCreated = 0, kBitmapFromResource = 1, kBitmapFromFile = 2 };

// The part of a locked bitmap the put-pixel exports may touch: only pixels
// of the mode's depth that lie inside both the surface and its rows.
struct BitmapPixelView {
  BYTE *bits;
  LONG pitch;
  DWORD width;
  DWORD height;
};

struct BitmapRecord {
  int nWidth;
  int nHeight;
  LPDIRECTDRAWSURFACE7 lpDDSBack;
  DDSURFACEDESC2 ddsd;  // filled by BITMAP_LOCK
  int nSource;
  char *lpFileLocation;  // the library's own copy of the name given to LOAD_BITMAP
  int bVideoMemory;
  int nId;
  BitmapPixelView pixelView;  // open from BITMAP_LOCK to BITMAP_UNLOCK
};

struct BitmapNode {
  BitmapRecord *bitmap;
  BitmapNode *next;
};

// The head of the bitmap list (newest first); null when empty.
extern BitmapNode *gBitmapList;

// The record with the id, or null.
BitmapRecord *FindBitmap(int id);

// The record with the id; when there is none, writes " ! - <export> =
// Invalid ID <id>" and gives null.
BitmapRecord *FindBitmapFor(const char *exportName, int id);

// Puts a record at the head of the list under its nId; false (nothing
// changed) when memory for the node runs out.
bool LinkBitmap(BitmapRecord *bitmap);

// Takes the record's node out of the list; the record itself stays.
void UnlinkBitmap(BitmapRecord *bitmap);

// Frees every bitmap, newest first.
void Bitmap_FreeAll();
