// The demo's MIDI part: a short tune between the scenes.
#pragma once

// Writes a small MIDI tune, plays it to its end through the MIDI exports and
// closes it; headless, the tune is synthesised into the same recording as
// the sound part (korvane_demo.wav).
void RunMidiDemo();
