// Where the demo finds its sprites: nothing is tied to the folder the demo
// was built from, so a built demo can be moved or run from anywhere.
#pragma once

#include <string>

// The sprite folder: the one given as `--sprites DIR` on the command line;
// otherwise the first of "sprites" beside the executable (the build puts a
// copy there), "sprites" in the working directory and "examples/sprites"
// (the source tree's root as working directory) that holds the sprites.
// Falls back to "sprites" when none does; loading then reports the failure.
std::string FindSpriteFolder(int argc, char **argv);

// The video the media part plays: the one given as `--video FILE`;
// otherwise the test data's AVI, found through KORVANE_TESTDATA or in the
// shared test data beside the checkout (the source tree's root or
// build/demo-output as working directory). "" when there is none.
std::string FindVideo(int argc, char **argv);
