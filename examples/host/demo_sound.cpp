// The demo's sound part: two effects synthesised into wave files (a laser on
// the space key, a pop on the left mouse button) and a looping background
// wave streamed through STREAM_BUFFER_UPDATE once per frame, with a module
// tune playing on top (demo_music.cpp). Headless on the
// portable platform, a scripted player presses the keys, the audio clock is
// virtual (20 ms per frame, so the run is quick and repeatable) and the card
// records what it plays to korvane_demo.wav; on Windows, and on a desktop's
// sound card, the frames are real and so is the player.
#include "demo_sound.h"

#include "demo_music.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "demo_desktop.h"
#include "korvane.h"

#ifdef _WIN32
#include <dsound.h>
#else
#include <cstdlib>

#include <dsound.h>

#include "machine_input.h"
#include "machine_sound.h"
#endif

namespace {

constexpr int kFrameMilliseconds = 20;
constexpr int kMinimumFrames = 150;
constexpr int kKeySpace = 0x39;
constexpr int kLaser = 1, kPop = 2, kMusic = 1;

// Writes 16-bit mono PCM samples as a RIFF WAVE file.
bool WriteWave(const char *path, uint32_t rate, const std::vector<int16_t> &samples) {
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&out](uint32_t value) { out.write(reinterpret_cast<const char *>(&value), 4); };
  auto u16 = [&out](uint16_t value) { out.write(reinterpret_cast<const char *>(&value), 2); };
  const auto bytes = static_cast<uint32_t>(samples.size() * 2);
  out.write("RIFF", 4);
  u32(36 + bytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(bytes);
  out.write(reinterpret_cast<const char *>(samples.data()), bytes);
  return static_cast<bool>(out);
}

// A falling chirp with a quick decay.
std::vector<int16_t> Laser(uint32_t rate) {
  std::vector<int16_t> samples(rate / 4);
  double phase = 0.0;
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    phase += 2.0 * M_PI * (1800.0 - 5000.0 * t) / rate;
    samples[i] = static_cast<int16_t>(12000.0 * std::exp(-8.0 * t) * (std::sin(phase) > 0 ? 1.0 : -1.0));
  }
  return samples;
}

// A short decaying sine burst.
std::vector<int16_t> Pop(uint32_t rate) {
  std::vector<int16_t> samples(rate / 10);
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    samples[i] = static_cast<int16_t>(16000.0 * std::exp(-40.0 * t) * std::sin(2.0 * M_PI * 440.0 * t));
  }
  return samples;
}

// Four bars of a soft arpeggio, 2.4 seconds, made to loop.
std::vector<int16_t> Music(uint32_t rate) {
  static const double kNotes[] = {261.63, 329.63, 392.00, 523.25, 220.00, 261.63, 329.63, 440.00};
  const size_t noteLength = rate * 3 / 10;
  std::vector<int16_t> samples(noteLength * 8);
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = static_cast<double>(i % noteLength) / rate;
    const double frequency = kNotes[i / noteLength];
    const double envelope = std::exp(-4.0 * t);
    samples[i] = static_cast<int16_t>(5000.0 * envelope * std::sin(2.0 * M_PI * frequency * t));
  }
  return samples;
}

#ifndef _WIN32
// The scripted player's presses before frame `frame` is read.
void PlayScript(int frame) {
  switch (frame % 100) {
    case 10: machine::key_down(kKeySpace); break;
    case 13: machine::key_up(kKeySpace); break;
    case 40: machine::mouse_button(0, true); break;
    case 42: machine::mouse_button(0, false); break;
    case 70: machine::key_down(kKeySpace); break;
    case 72: machine::key_up(kKeySpace); break;
    default: break;
  }
}

void PrepareHeadlessCard() {
  machine::use_virtual_audio_clock();
  // KORVANE_AUDIO_WAV, when set, already names the recording.
  const char *named = std::getenv("KORVANE_AUDIO_WAV");
  if (named == nullptr || named[0] == '\0') machine::record_audio_wav("korvane_demo.wav");
}
#endif

void WaitOneFrame(bool real) {
#ifdef _WIN32
  (void)real;
  Sleep(kFrameMilliseconds);
#else
  if (real) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kFrameMilliseconds));
  } else {
    machine::advance_audio_clock(kFrameMilliseconds);
  }
#endif
}

}  // namespace

void RunSoundDemo(int frames) {
  // The sound card pulls the mix in real time; the scripted player stays
  // with the headless run, whose virtual clock it is timed by.
  const bool real = SoundCardOnDesktop();
#ifndef _WIN32
  if (!real) PrepareHeadlessCard();
#endif
  if (DSOUND_INIT(DSSCL_PRIORITY, 2, 44100, 16) != 0) {
    printf("demo: sound is not available\n");
    return;
  }
  const bool written = WriteWave("demo_laser.wav", 22050, Laser(22050)) && WriteWave("demo_pop.wav", 44100, Pop(44100)) &&
                       WriteWave("demo_music.wav", 22050, Music(22050));
  if (!written || LOAD_SOUND("demo_laser.wav", kLaser, 3, 1) != 0 || LOAD_SOUND("demo_pop.wav", kPop, 2, 0) != 0 ||
      SETUP_STREAM_BUFFER("demo_music.wav", kMusic, 1) != 0) {
    printf("demo: the demo sounds could not be loaded\n");
    return;
  }
  STREAM_BUFFER_VOLUME(kMusic, -600);
  STREAM_BUFFER_PLAY(kMusic);
  const bool moduleMusic = StartDemoMusic();

  if (frames < kMinimumFrames) frames = kMinimumFrames;
  if (WindowOnDesktop()) {
    printf("demo: sound for %d frames: space fires a laser, the left mouse button pops\n", frames);
    fflush(stdout);
  }
  int lasers = 0, pops = 0, spaceBefore = 0, buttonBefore = 0;
  int frame = 0;
  for (; frame < frames && !DemoWindowClosed(); ++frame) {
#ifndef _WIN32
    if (!real) PlayScript(frame);
#endif
    DINPUT_UPDATE();
    const int space = KEYBOARD_KEYSTATE(kKeySpace) != 0;
    const int button = MOUSE_B0() != 0;
    // Each new press fires the next copy, panned across as the shots go.
    if (space && !spaceBefore) PLAY_SOUND(kLaser, 0, (lasers++ % 3 - 1) * 3000, 0, 0);
    if (button && !buttonBefore) PLAY_SOUND(kPop, -300, 0, 2000 * (pops++ % 2), 0);
    spaceBefore = space;
    buttonBefore = button;
    STREAM_BUFFER_UPDATE();
    WaitOneFrame(real);
  }
  char line[128];
  snprintf(line, sizeof line, "demo: sound over %d frames: %d lasers, %d pops, music streamed", frame, lasers, pops);
  FILE_REPORT(line);
  printf("%s\n", line);

  if (moduleMusic) StopDemoMusic();
  STREAM_BUFFER_EXIT();
  FREE_SOUND(kLaser);
  FREE_SOUND(kPop);
#ifndef _WIN32
  const char *named = std::getenv("KORVANE_AUDIO_WAV");
  if (named != nullptr && named[0] != '\0') {
    printf("demo: audio recorded to %s\n", named);
  } else if (!real) {
    printf("demo: audio recorded to korvane_demo.wav\n");
  }
#endif
}
