// The entry points of the pixel operations and of single-pixel access. Each
// operation reads the reference switch once and runs one kernel over the
// whole block, so the choice costs nothing per pixel.
#include "pixels/kernel_variants.h"
#include "pixels/keyed_spans.h"
#include "pixels/pixel_access.h"
#include "pixels/reference_switch.h"

namespace pixels {

uint32_t ReadPixel(const uint8_t *at, int bytes) {
  uint32_t value = 0;
  WithPixelSize(bytes, [&](auto pixel) { value = decltype(pixel)::Load(at); });
  return value;
}

void WritePixel(uint8_t *at, int bytes, uint32_t value) {
  WithPixelSize(bytes, [&](auto pixel) { decltype(pixel)::Store(at, value); });
}

namespace {

// Runs the reference kernel when the switch is set, the specialised one
// otherwise.
template <typename Kernel, typename... Args>
void Run(Kernel referenceKernel, Kernel specialisedKernel, const Args &...args) {
  (ReferenceKernelsForced() ? referenceKernel : specialisedKernel)(args...);
}

}  // namespace

void Fill(const Block &target, uint32_t value) { Run(reference::Fill, specialised::Fill, target, value); }

void Copy(const Block &target, const Block &source) { Run(reference::Copy, specialised::Copy, target, source); }

void CopyKeyed(const Block &target, const Block &source, ColorKey key) {
  Run(reference::CopyKeyed, specialised::CopyKeyed, target, source, key);
}

void CopyKeyedRuns(const Block &target, const Block &source, const KeyedSpans &spans, int left, int top) {
  if (ReferenceKernelsForced()) {
    reference::CopyKeyed(target, source, spans.key());
  } else if (spans.Worthwhile()) {
    spans.CopyPart(target, left, top);
  } else {
    specialised::CopyKeyed(target, source, spans.key());
  }
}

void Stretch(const Block &target, const Block &source, const StretchOptions &options) {
  Run(reference::Stretch, specialised::Stretch, target, source, options);
}

void StretchKeyedRuns(const Block &target, const Block &source, const StretchOptions &options,
                      const KeyedSpans &spans, int left, int top) {
  if (ReferenceKernelsForced()) {
    reference::Stretch(target, source, options);
  } else {
    specialised::StretchKeyedRuns(target, source, options, spans, left, top);
  }
}

void ConvertBlock(const Block &target, const Format &targetFormat, const uint32_t *targetPalette,
                  const Block &source, const Format &sourceFormat, const uint32_t *sourcePalette) {
  Run(reference::ConvertBlock, specialised::ConvertBlock, target, targetFormat, targetPalette, source,
      sourceFormat, sourcePalette);
}

}  // namespace pixels
