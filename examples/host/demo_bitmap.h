// The demo's bitmap part: sprites loaded from the BMP files of
// examples/sprites (see demo_paths.h for where they are found), moved with transparent blits each frame, and a screenshot.
#pragma once

// Runs in the video mode the display part set: loads the sprites from
// `spriteFolder`, draws and flips `frames` frames (the cube of demo_cube.h
// between the backdrop and the sprites), and saves the screen as
// korvane_demo_shot.bmp with SAVE_BMP.
void RunBitmapDemo(const char *spriteFolder, int frames);
