// The demo's text part: a title and a frame counter drawn with GDI text in
// a font the host creates, and a label written on a bitmap.
#pragma once

// Runs in the video mode the display part set: draws and flips `frames`
// frames with text, then saves the screen as korvane_demo_text.bmp.
void RunTextDemo(int frames);
