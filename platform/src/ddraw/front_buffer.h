// The front buffer: the visible primary surface, handed to the presenter
// each time it changes and read back by the machine interface, both as the
// same frame.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <cstdint>
#include <memory>

#include "present/frame.h"

namespace platform {

class Surface;

// The visible primary as a frame whose changed part is `area` (all when
// null); `colours` holds the palette the frame points to. Without a visible
// primary, the screen windows drew on (screen.h) when `screen` is given to
// hold its image while the frame is used. False when neither is shown.
bool FrontFrame(const RECT *area, uint32_t colours[256], present::Frame *frame,
                std::shared_ptr<const void> *screen = nullptr);

// Presents the front buffer when `drawn` is the visible primary; `area` is
// the part drawn, null for all of it.
void PresentIfFront(const Surface *drawn, const RECT *area);

// Presents the front buffer when `palette` is the visible primary's.
void PresentIfFrontPalette(const IDirectDrawPalette *palette);

}  // namespace platform
