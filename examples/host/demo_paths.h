// Where the demo finds its sprites and a video given to it: nothing is tied
// to the folder the demo was built from, so a built demo can be moved or run
// from anywhere.
#pragma once

#include <string>

// The sprite folder: the one given as `--sprites DIR` on the command line;
// otherwise the first of "sprites" beside the executable (the build puts a
// copy there), "sprites" in the working directory and "examples/sprites"
// (the source tree's root as working directory) that holds the sprites.
// Falls back to "sprites" when none does; loading then reports the failure.
std::string FindSpriteFolder(int argc, char **argv);

// The video given as `--video FILE`, "" when none is given (the demo then
// plays the video it writes itself, demo_video_file.h).
std::string FindVideo(int argc, char **argv);
