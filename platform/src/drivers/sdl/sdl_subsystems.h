// SDL2, shared by the window driver, its input and the sound card driver:
// each starts and stops the subsystems it needs here, one at a time, so that
// SDL's reference counts stay right when drivers start on different threads.
// Nothing of SDL is initialised until a driver asks.
#pragma once

#include <cstdint>

namespace platform::sdl {

// Starts the subsystems (SDL_INIT_* flags); false, with SDL's reason on
// stderr, when they cannot start here (no display, no audio device).
bool Start(uint32_t subsystems);
void Stop(uint32_t subsystems);

}  // namespace platform::sdl
