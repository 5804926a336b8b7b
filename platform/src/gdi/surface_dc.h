// What GDI offers DirectDraw: a device context drawing on a canvas of its
// own (a surface's memory), closed with CloseKernelHandle. DirectDraw
// includes nothing else of GDI.
#pragma once

#include <windows.h>

#include <memory>

#include "gdi/canvas.h"

namespace gdi {

// Registers a new device context that owns `canvas` and gives its handle.
HDC OpenCanvasDC(std::unique_ptr<Canvas> canvas);

}  // namespace gdi
