// The demo's Direct3D part: a lit cube wearing one of the sprites as its
// texture, turning a little each frame behind the bitmap part's sprites.
#pragma once

// Starts Direct3D in the video mode already set: a hardware device with a
// 16-bit z-buffer (the library falls back to software itself), star.bmp from
// `spriteFolder` as texture, a directional light, a material and the camera.
// Prints what failed and returns false if any step did; the demo then draws
// its frames without the cube. Direct3D is released by KORVANE_EXIT.
bool StartCubeDemo(const char *spriteFolder);

// Draws the cube turned for `frame` into the back buffer, over whatever is
// already there (only the z-buffer is cleared), so a backdrop blitted before
// stays visible and sprites blitted after lie on top. Draws nothing when
// StartCubeDemo did not succeed.
void DrawCubeFrame(int frame);
