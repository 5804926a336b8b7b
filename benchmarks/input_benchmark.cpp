// What reading the input costs a host each frame: DINPUT_UPDATE with the
// keyboard (immediate or buffered), the mouse and a joystick open, with a
// little input arriving between frames.
#include <benchmark/benchmark.h>

#include "korvane.h"
#include "machine.h"
#include "machine_input.h"

namespace {

constexpr int kSpace = 0x39;

void OpenDevices(int keyboardMode, bool joystick) {
  machine::reset();
  static int window;
  KORVANE_INIT(reinterpret_cast<HWND>(&window), nullptr);
  if (joystick) {
    machine::JoystickModel model;
    model.axes = machine::kAllAxes;
    model.sliders = 2;
    model.povs = 1;
    model.buttons = 32;
    machine::attach_joystick(model);
  }
  DINPUT_INIT();
  KEYBOARD_INIT(keyboardMode);
  MOUSE_INIT();
  if (joystick) {
    JOYSTICK_INIT();
    JOY_X_RANGE(-1000, 1000);
    JOY_X_DEADZONE(1500);
  }
}

void BM_InputFrame(benchmark::State &state) {
  OpenDevices(static_cast<int>(state.range(0)), state.range(1) != 0);
  int frame = 0;
  for (auto _ : state) {
    machine::mouse_move(1, -1);
    (++frame & 1) ? machine::key_down(kSpace) : machine::key_up(kSpace);
    if (state.range(1) != 0) machine::joystick_axis(1, machine::kAxisX, frame & 0xFFFF);
    DINPUT_UPDATE();
    benchmark::DoNotOptimize(KEYBOARD_KEYSTATE(kSpace) + GET_KB_BUFFER_DATA(0, kSpace) + MOUSE_X() + JOY_X_AXIS());
  }
  state.SetItemsProcessed(state.iterations());
  KORVANE_EXIT();
}
// Arguments: keyboard mode (0 immediate, 1 buffered), joystick open.
BENCHMARK(BM_InputFrame)->Args({0, 0})->Args({1, 0})->Args({0, 1});

}  // namespace
