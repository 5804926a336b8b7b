// The colour table of a bitmap with at most 8 bits per pixel, read from a
// bitmap resource of the host program or from a BMP file, for palettes.
// Every read is bounded by what the resource holds or the file gave.
#pragma once

#include <windows.h>

struct BmpColorTable {
  int count;
  RGBQUAD colours[256];
};

enum class ColorTableRead {
  kRead,       // the bitmap was found; `count` colours were taken (maybe 0)
  kNotFound,   // no such resource, or the file cannot be opened
  kTruncated,  // the file ends inside its headers
};

// FindResourceA(the program's module, name, RT_BITMAP): a packed bitmap whose
// info header is at least 40 bytes; its colour table follows the header.
ColorTableRead ReadResourceColorTable(const char *name, BmpColorTable *table);

// A BMP file: the 14-byte file header (not examined), a 40-byte info header
// (exactly 40), then up to 256 colours.
ColorTableRead ReadFileColorTable(const char *name, BmpColorTable *table);
