// Mode setting: the 16-bit format probe shared with surface creation.
#pragma once

// Counts the 16-bit channel widths from the primary's pixel format into
// gBlueBits, gGreenBits and gRedBits (blue lowest, then green, then red).
void Probe16BitFormat();
