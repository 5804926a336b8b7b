// Pixel kernels of the software display: fills, copies, keyed copies and
// nearest-neighbour stretches with mirroring, on plain memory. They know
// nothing of surfaces or COM; callers pass pointers, pitches, sizes, bytes
// per pixel (1 to 4) and colour keys, already clipped and validated. Each
// call runs the specialised kernel, or the reference one when forced.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pixels {

// A rectangle of pixels in memory: the address of its top-left pixel, the
// distance in bytes from one row to the next, its size and bytes per pixel.
struct Block {
  uint8_t *bits;
  long pitch;
  int width;
  int height;
  int bytes;
};

// An inclusive range of pixel values that keyed copies skip.
struct ColorKey {
  uint32_t low;
  uint32_t high;
};

// Reads or writes one pixel of 1 to 4 bytes, little-endian.
uint32_t ReadPixel(const uint8_t *at, int bytes);
void WritePixel(uint8_t *at, int bytes, uint32_t value);

// Sets every pixel of the block to `value` (masked to the pixel size).
void Fill(const Block &target, uint32_t value);

// Copies a source block onto a target of the same size and pixel size. The
// two may overlap in one piece of memory: rows are taken in the order that
// reads every source row before it is overwritten.
void Copy(const Block &target, const Block &source);

// As Copy, but source pixels inside the key's range leave the target as it
// was. Source and target must not overlap.
void CopyKeyed(const Block &target, const Block &source, ColorKey key);

class KeyedSpans;

// As CopyKeyed, through the opaque runs and their pixels found beforehand
// in the whole source, which must be unchanged since: `source` is the part
// of it whose top-left pixel is (left, top). Runs too short to pay for
// themselves go through CopyKeyed from `source` instead.
void CopyKeyedRuns(const Block &target, const Block &source, const KeyedSpans &spans, int left, int top);

struct StretchOptions {
  bool mirrorLeftRight;
  bool mirrorUpDown;
  bool keyed;
  ColorKey key;
};

// Scales the source onto the target by nearest neighbour (any sizes, same
// pixel size), optionally mirrored and keyed. Source and target must not
// overlap.
void Stretch(const Block &target, const Block &source, const StretchOptions &options);

// As a keyed Stretch, with the source rows' opaque runs read from runs found
// beforehand in the whole source (with the options' key), which must be
// unchanged since: `source` is the part of it whose top-left pixel is
// (left, top).
void StretchKeyedRuns(const Block &target, const Block &source, const StretchOptions &options,
                      const KeyedSpans &spans, int left, int top);

}  // namespace pixels
