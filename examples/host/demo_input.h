// The demo's input part: keyboard, mouse and joystick read every frame.
#pragma once

// Opens the devices, reads them for `frames` frames and logs what each frame
// saw; on the portable platform a short scripted input sequence plays.
void RunInputDemo(int frames);
