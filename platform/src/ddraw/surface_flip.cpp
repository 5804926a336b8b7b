// Flip and GetFlipStatus: the primary's chain rotates its memory so that
// the first back buffer is shown; a flip stays pending for the display's
// flip latency.
#include "control/faults.h"
#include "ddraw/display_device.h"
#include "ddraw/front_buffer.h"
#include "ddraw/surface.h"

namespace platform {

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE7 targetOverride, DWORD flags) {
  HRESULT fault;
  if (TakeFault("IDirectDrawSurface7::Flip", &fault)) return fault;
  if (chainRoot_ != nullptr || chain_.empty()) return DDERR_NOTFLIPPABLE;
  Surface *target = nullptr;
  if (targetOverride != nullptr) {
    target = From(targetOverride);
    if (target == nullptr || target->chainRoot_ != this) return DDERR_INVALIDPARAMS;
  }
  if (lost()) return DDERR_SURFACELOST;
  if (locked_) return DDERR_SURFACEBUSY;
  for (const Surface *member : chain_) {
    if (member->locked_) return DDERR_SURFACEBUSY;
  }
  if (DisplayNowMs() < flipDoneAtMs_) {
    if (!(flags & DDFLIP_WAIT)) return DDERR_WASSTILLDRAWING;
    DisplayWaitUntilMs(flipDoneAtMs_);
  }
  if (target != nullptr) {
    std::swap(memory_, target->memory_);
  } else {
    // Front takes the first back buffer's memory, each back buffer the next
    // one's, and the last back buffer the old front.
    PixelMemory shown = std::move(memory_);
    memory_ = std::move(chain_.front()->memory_);
    for (size_t i = 0; i + 1 < chain_.size(); ++i) chain_[i]->memory_ = std::move(chain_[i + 1]->memory_);
    chain_.back()->memory_ = std::move(shown);
  }
  // Every member of the chain now holds other pixels.
  PixelsMayChange();
  for (Surface *member : chain_) member->PixelsMayChange();
  flipDoneAtMs_ = DisplayNowMs() + Display().flipLatencyMs;
  ++Display().flipsDone;
  PresentIfFront(this, nullptr);
  return DD_OK;
}

HRESULT Surface::GetFlipStatus(DWORD flags) {
  HRESULT fault;
  if (TakeFault("IDirectDrawSurface7::GetFlipStatus", &fault)) return fault;
  if (flags != DDGFS_CANFLIP && flags != DDGFS_ISFLIPDONE) return DDERR_INVALIDPARAMS;
  const Surface *root = chainRoot_ != nullptr ? chainRoot_ : this;
  if (root->chain_.empty()) return DDERR_NOTFLIPPABLE;
  if (lost()) return DDERR_SURFACELOST;
  if (DisplayNowMs() < root->flipDoneAtMs_) return DDERR_WASSTILLDRAWING;
  return DD_OK;
}

}  // namespace platform
