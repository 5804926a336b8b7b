// The demo's display part: a video mode, an animated frame of fills and
// pixels each frame, and flips.
#pragma once

// Sets 640x480 at 16 bits, draws and flips `frames` frames, logs each to the
// report and (on the portable platform) saves the last one as last_frame.bmp.
void RunDisplayDemo(int frames);
