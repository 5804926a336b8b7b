// The demo's own video: a short AVI with sound, encoded with FFmpeg's
// libraries, so the media part always has a file to play. Not built for
// Windows, where the demo plays only a video given as `--video FILE`.
#pragma once

#include <string>

// The file the demo writes in the working directory, beside its sounds,
// module and MIDI tune.
constexpr const char *kDemoVideoFile = "demo_video.avi";

// Writes a 2.5 second, 160x120, 20 frames a second video to `path`: a
// coloured bar sweeping over a dark gradient with a white star crossing it,
// MPEG-4 part 2 pictures and a C major chord as 16-bit PCM sound. Answers
// "" when the file was written, otherwise what failed (the partial file is
// then removed).
std::string WriteDemoVideo(const char *path);

// Writes kDemoVideoFile and says so on the output. Answers its name, or ""
// (after saying why) when it could not be written.
std::string MakeDemoVideo();
