// Paces every playing media window on the machine clock: under real time a
// thread of its own wakes when the next frame is due; under the virtual
// clock each advance stops at every frame's instant. One pacer lives for the
// whole process, so an advance in progress never calls a window that went.
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

class Paced {
 public:
  virtual ~Paced() = default;
  // Machine nanoseconds at which the next frame (or the end) is due;
  // kNever when nothing is.
  virtual uint64_t NextDue() = 0;
  // Shows what is due by `now`.
  virtual void CatchUp(uint64_t now) = 0;
};

void StartPacing(const std::shared_ptr<Paced> &paced);
void StopPacing(const Paced *paced);
// A paced window's next due time changed (it began or stopped playing).
void PacingChanged();

}  // namespace platform
