// The size of the screen in the display's current mode, kept on the ground
// floor so that windows (which cover the screen when a host makes them) and
// the display that sets the mode both reach it. Any thread.
#pragma once

namespace platform {

struct ScreenSize {
  int width;
  int height;
};

// The power-on desktop is 1024 x 768.
ScreenSize CurrentScreenSize();
void SetCurrentScreenSize(int width, int height);

}  // namespace platform
