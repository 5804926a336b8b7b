// The demo's sound part: sound effects on input events over a streamed
// background wave.
#pragma once

// Starts DirectSound, plays for at least `frames` frames (three seconds at
// the least) and frees its sounds; headless, the card's output is recorded
// as korvane_demo.wav beside the screenshot.
void RunSoundDemo(int frames);
