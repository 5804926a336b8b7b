// The two forms of every pixel operation: the specialised kernels the display
// runs, and plain per-pixel reference kernels that say what each operation
// does. The entry points of pixel_kernels.h and pixel_format.h pick one per
// call; tests compare the two.
#pragma once

#include "pixels/pixel_format.h"
#include "pixels/pixel_kernels.h"

namespace pixels {

namespace specialised {
void Fill(const Block &target, uint32_t value);
void Copy(const Block &target, const Block &source);
void CopyKeyed(const Block &target, const Block &source, ColorKey key);
void Stretch(const Block &target, const Block &source, const StretchOptions &options);
void StretchKeyedRuns(const Block &target, const Block &source, const StretchOptions &options,
                      const KeyedSpans &spans, int left, int top);
void ConvertBlock(const Block &target, const Format &targetFormat, const uint32_t *targetPalette,
                  const Block &source, const Format &sourceFormat, const uint32_t *sourcePalette);
}  // namespace specialised

namespace reference {
void Fill(const Block &target, uint32_t value);
void Copy(const Block &target, const Block &source);
void CopyKeyed(const Block &target, const Block &source, ColorKey key);
void Stretch(const Block &target, const Block &source, const StretchOptions &options);
void ConvertBlock(const Block &target, const Format &targetFormat, const uint32_t *targetPalette,
                  const Block &source, const Format &sourceFormat, const uint32_t *sourcePalette);
}  // namespace reference

}  // namespace pixels
