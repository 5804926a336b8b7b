// A careless host: every export called with null pointers, unknown ids,
// out-of-range indices, coordinates at both ends of the 32-bit range and
// absurd sizes, before initialisation, with every device up, and after exit.
// The exports come from the one export list, so an export added later is
// attacked too. Nothing may crash, hang or write out of bounds (the
// sanitizer build runs this too), and the library must stay usable.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "korvane.h"
#include "machine.h"
#include "support/test_machine.h"
#include "support/wave_builder.h"

namespace {

HWND TestWindow() { return reinterpret_cast<HWND>(0x4000); }

// The values each parameter type is attacked with. The first of each list
// is a plausible value (id 1, a small rectangle, a file name), so that a
// sweep of one parameter reaches past the checks of the others.
const std::string &LongText() {
  static const std::string text(20000, 'x');
  return text;
}

template <typename T>
struct Hostile;

template <>
struct Hostile<int> {
  static std::vector<int> Values() {
    return {1, 0, -1, INT_MIN, INT_MAX, INT_MIN + 1, INT_MAX - 4, 2, 16, 255, 256, 480, 640, -100000, 100000};
  }
};

template <>
struct Hostile<unsigned int> {
  static std::vector<unsigned int> Values() { return {1, 0, 2, 3, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF}; }
};

template <>
struct Hostile<float> {
  static std::vector<float> Values() {
    return {1.0f, 0.0f, -1.0f, NAN, INFINITY, -INFINITY, 1e30f, -1e-30f, 3.4e38f};
  }
};

template <>
struct Hostile<const char *> {
  static std::vector<const char *> Values() {
    return {"missing.file", nullptr, "", LongText().c_str(), "/dev/zero", ".", "hostile"};
  }
};

// Pointer-sized integers carry a host variable's address (or the bits of a
// float): the values are the addresses of the pattern blocks and null,
// defined after them.
template <>
struct Hostile<unsigned long> {
  static std::vector<unsigned long> Values();
};

// Memory a pointer parameter points at, large enough for any record an
// export takes (a palette of 256 entries, a matrix, a rectangle), filled
// with one repeating pattern of 32-bit words: as rectangles these are a
// small one, empty ones, one spanning the whole range and an inverted one;
// as floats, zeros, NaNs and negative zeros.
struct PatternBlock {
  alignas(16) uint32_t words[1024];
  explicit PatternBlock(std::vector<uint32_t> pattern) {
    for (size_t i = 0; i < 1024; ++i) words[i] = pattern[i % pattern.size()];
  }
};

std::vector<PatternBlock> &Blocks() {
  static std::vector<PatternBlock> blocks = {
      PatternBlock({0, 0, 16, 16}),
      PatternBlock({0}),
      PatternBlock({0xFFFFFFFF}),
      PatternBlock({0x80000000, 0x80000000, 0x7FFFFFFF, 0x7FFFFFFF}),
      PatternBlock({0x7FFFFFFF, 0x7FFFFFFF, 0x80000000, 0x80000000}),
      PatternBlock({0x7FFFFFFB, 0xFFFFFFFB, 0x7FFFFFFF, 0x7FFFFFFF}),
  };
  return blocks;
}

template <typename T>
struct Hostile<T *> {
  static std::vector<T *> Values() {
    std::vector<T *> values;
    for (PatternBlock &block : Blocks()) values.push_back(reinterpret_cast<T *>(block.words));
    values.insert(values.begin() + 1, nullptr);
    return values;
  }
};

std::vector<unsigned long> Hostile<unsigned long>::Values() {
  std::vector<unsigned long> values;
  for (void *address : Hostile<void *>::Values()) values.push_back(reinterpret_cast<uintptr_t>(address));
  return values;
}

// Calls `function` with the value `pick(i)` (modulo its list) of each
// parameter i.
template <typename R, typename... Args, typename Lists, typename Pick, size_t... I>
void CallPicking(R (*function)(Args...), Lists &lists, [[maybe_unused]] Pick pick, std::index_sequence<I...>) {
  function(std::get<I>(lists)[pick(I) % std::get<I>(lists).size()]...);
}

// One export: the plausible call, each parameter swept through its values
// with the others plausible, and every parameter hostile at once.
template <typename R, typename... Args>
void Attack(R (*function)(Args...)) {
  auto lists = std::make_tuple(Hostile<Args>::Values()...);
  constexpr size_t kCount = sizeof...(Args);
  const auto order = std::index_sequence_for<Args...>{};
  CallPicking(function, lists, [](size_t) { return size_t{0}; }, order);
  size_t longest = 0;
  std::apply([&](auto &...list) { ((longest = std::max(longest, list.size())), ...); }, lists);
  for (size_t parameter = 0; parameter < kCount; ++parameter) {
    for (size_t value = 1; value < longest; ++value) {
      CallPicking(function, lists, [&](size_t i) { return i == parameter ? value : size_t{0}; }, order);
    }
  }
  for (size_t value = 1; value < longest; ++value) {
    CallPicking(function, lists, [&](size_t i) { return value + i; }, order);
  }
}

struct ExportAttack {
  const char *name;
  void (*attack)();
};

// Every export of the list, in its order.
const std::vector<ExportAttack> &EveryExport() {
  static const std::vector<ExportAttack> exports = {
#define KV_EXPORT(result, name, parameters) {#name, [] { Attack(&name); }},
#include "korvane_exports.inc"
#undef KV_EXPORT
  };
  return exports;
}

// Exports that end something (a device, the library, a record): attacked
// after all the others, so that those meet a library still standing.
bool EndsSomething(const std::string &name) {
  return name.rfind("FREE_", 0) == 0 || name.find("RELEASE") != std::string::npos ||
         name.find("EXIT") != std::string::npos || name == "KORVANE_INIT";
}

void AttackEveryExport() {
  for (bool ending : {false, true}) {
    for (const ExportAttack &each : EveryExport()) {
      if (EndsSomething(each.name) == ending) each.attack();
    }
  }
}

// Argument combinations the sweep does not form: two ids that name
// different bitmaps, rectangles with ids, chosen corner cases.
void CallHandPickedCombinations() {
  const std::string longText(20000, 'x');
  const char *texts[] = {nullptr, "", longText.c_str(), "no such file.bmp"};
  const int ids[] = {0, -1, 0x7FFFFFFF, static_cast<int>(0x80000000)};
  RECT inverted = {100, 100, -50, -50};
  RECT huge = {-0x40000000, -0x40000000, 0x40000000, 0x40000000};
  RECT *rects[] = {nullptr, &inverted, &huge};

  for (const char *text : texts) {
    FILE_REPORT(text);
    LOAD_PALETTE(text);
    GDI_TEXTOUT(-5, 100000, text, -1, 2);
    GDI_TEXTOUT_CENTER(0x7FFFFFFF, -0x7FFFFFFF, text, 0x1000000, 0);
    GDI_GET_CHARWIDTH(text);
    SAVE_BMP(text);
    for (int id : ids) {
      LOAD_BITMAP(text, id, 1);
      GDI_TEXTOUT_BITMAP(id, 0, 0, text, 1, 1);
      GDI_TEXTOUT_CENTER_BITMAP(id, 0, 0, text, 1, 0);
      LOAD_SOUND(text, id, -5, 7);
      SETUP_STREAM_BUFFER(text, id, 3);
    }
  }
  for (int id : ids) {
    CREATE_BITMAP(id, -1, 0x7FFFFFFF, 5);
    CREATE_BITMAP(id, 0, 0, 0);
    SET_BITMAP_TRANS_COLOR(id, -1);
    for (RECT *rect : rects) {
      BLIT_BITMAP(id, rect, -1);
      TRANS_BLIT_BITMAP(id, rect, 0x7FFFFFFF);
      BITMAP_BLIT_BITMAP(id, rect, id, 3);
      TRANS_BITMAP_BLIT_BITMAP(id, rect, ~id, 3);
      RECT_BLITFAST(id, rect, -100000, 100000);
      TRANS_RECT_BLITFAST(id, rect, 0, 0);
      BITMAP_RECT_BLITFAST(id, rect, id, 5, 5);
      TRANS_BITMAP_RECT_BLITFAST(id, rect, id, -5, -5);
      BITMAP_RECT_BLIT(id, rect, 7);
      SURFACE_RECT_BLIT(rect, id);
    }
    BLITFAST(id, 0x7FFFFFFF, -0x7FFFFFFF);
    TRANS_BLITFAST(id, -1, -1);
    BITMAP_BLITFAST(id, id, 1, 1);
    TRANS_BITMAP_BLITFAST(id, id, -1, -1);
    CLEAR_BITMAP(id, -1);
    SCROLL_BITMAP(id, 10, 10, -10, -10, 0x7FFFFFFF, static_cast<int>(0x80000000));
    BITMAP_WIDTH(id);
    BITMAP_HEIGHT(id);
    BITMAP_LOCK(id);
    BITMAP_PITCH(id);
    BITMAP_POINTER(id);
    BITMAP_PAL_PUT_PIXEL(id, -1, 100000, 300);
    BITMAP_RGB_PUT_PIXEL(id, 100000, -1, -1, 256, 1000);
    BITMAP_UNLOCK(id);
    FREE_BITMAP(id);
    PLAY_SOUND(id, 100000, -100000, 0x7FFFFFFF, 2);
    SET_VOL(id, static_cast<int>(0x80000000));
    SET_PAN(id, 0x7FFFFFFF);
    SET_FREQ(id, 0x7FFFFFFF);
    GET_VOL(id);
    GET_PAN(id);
    GET_FREQ(id);
    FREE_SOUND(id);
    STREAM_BUFFER_PLAY(id);
    STREAM_BUFFER_RESUME(id);
    STREAM_BUFFER_STOP(id);
    STREAM_BUFFER_VOLUME(id, -100000);
    FREE_STREAMWAVE(id);
    GET_VIDEO_MODE_DESC(id);
    SWITCH_TO_VMODE(id);
    SET_RGB_ENTRY(id, -1, 256, 0x7FFFFFFF);
    KEYBOARD_KEYSTATE(id);
    GET_KB_BUFFER_DATA(id, id);
    KEYBOARD_INIT(id);
    JOY_SLIDER_RANGE(id, 10, -10);
    JOY_SLIDER_DEADZONE(id, -1);
    JOY_SLIDER_SATURATION(id, 100000);
    JOY_SLIDER(id);
    JOY_POV(id);
    JOY_BUTTON(id);
    JOY_X_RANGE(id, ~id);
    JOY_X_DEADZONE(id);
    JOY_X_SATURATION(id);
    PAL_PUT_PIXEL(id, id, id);
    RGB_PUT_PIXEL(id, ~id, 1, 2, 3);
    PAL_GET_PIXEL(~id, id);
    RGB_GET_PIXEL(id, id);
    WAIT_FOR_VB(id);
    IS_VMODE(id, id, id);
    SET_VIDEO_MODE(id, ~id, id);
    CLEAR_SURFACE(id);
    CLEAR_PRIM_SURFACE(id);
  }
  SET_PALETTE(nullptr);
  SET_SYSTEM_PALETTE();
  SET_ALL_BITMAPS_TRANS_COLOR(-1);
  RESTORE_VIDEO_BITMAPS();
  GET_SURFACE_PIXEL_FORMAT();
  SURFACE_LOCK();
  SURFACE_POINTER();
  SURFACE_PITCH();
  SURFACE_UNLOCK();
  PRIM_SURFACE_LOCK();
  PRIM_SURFACE_UNLOCK();
  SURFACE_FLIP();
  RESTORE_VMODE();
  USE_FONT(nullptr);
  STREAM_BUFFER_UPDATE();
  DINPUT_UPDATE();
  REAQUIRE_INPUT();
  MOUSE_X();
  MOUSE_B7();
  SET_FFB();
  JOYSTICK_CONTROL_PANEL();
  RESET_JINFO();
  ERROR_MESSAGE(nullptr);
  REPORT_MODE(nullptr, 0x7FFFFFFF);
}

// Every export with hostile arguments. Results are ignored: what is checked
// is that the library survives and still works afterwards.
void CallEverythingBadly() {
  CallHandPickedCombinations();
  AttackEveryExport();
}

// A small frame that must work after the barrage: a mode, a bitmap, a blit
// and a pixel read back.
void ExpectAWorkingFrame() {
  ASSERT_EQ(SET_VIDEO_MODE(640, 480, 16), 0);
  ASSERT_EQ(CLEAR_SURFACE(0), 0);
  ASSERT_EQ(CREATE_BITMAP(77, 8, 8, 1), 0);
  ASSERT_EQ(CLEAR_BITMAP(77, MAKE_RGB(255, 0, 0)), 0);
  ASSERT_EQ(BLITFAST(77, 10, 10), 0);
  ASSERT_EQ(SURFACE_LOCK(), 0);
  EXPECT_EQ(RGB_GET_PIXEL(12, 12), MAKE_RGB(255, 0, 0));
  EXPECT_EQ(RGB_GET_PIXEL(30, 30), 0);
  EXPECT_EQ(SURFACE_UNLOCK(), 0);
}

class HostileHostTest : public MachineTest {
 protected:
  // The barrage ends with the exports that end things, KORVANE_EXIT among
  // them: a host starts again with a new window and must find a working
  // library.
  void ExpectAFreshStartToWork(HWND window) {
    KORVANE_EXIT();
    REPORT_MODE("after", 1);
    ASSERT_EQ(KORVANE_INIT(window, nullptr), 0);
    ASSERT_EQ(DDRAW_INIT(), 0);
    ExpectAWorkingFrame();
    KORVANE_EXIT();
    EXPECT_NE(ReadWholeFile("after.txt").find("$$$ End of File Report $$$\n\n"), std::string::npos);
  }
};

TEST_F(HostileHostTest, BeforeInitialisationNothingBreaks) {
  CallEverythingBadly();
  ExpectAFreshStartToWork(reinterpret_cast<HWND>(0x5000));
}

TEST_F(HostileHostTest, WithEveryDeviceUpNothingBreaks) {
  REPORT_MODE("hostile", 1);
  ASSERT_EQ(KORVANE_INIT(TestWindow(), nullptr), 0);
  ASSERT_EQ(DDRAW_INIT(), 0);
  ASSERT_EQ(SET_VIDEO_MODE(640, 480, 8), 0);
  DSOUND_INIT(1, 2, 44100, 16);
  DINPUT_INIT();
  KEYBOARD_INIT(1);
  MOUSE_INIT();
  JOYSTICK_INIT();
  // Id 1, the plausible id of the sweep, names a bitmap, a sound and a
  // stream, so that the sweep reaches them with hostile arguments.
  WaveRecipe recipe;
  recipe.data = Samples16(Ramp16(2000));
  WriteWholeFile("one.wav", BuildWave(recipe));
  ASSERT_EQ(CREATE_BITMAP(1, 16, 16, 1), 0);
  ASSERT_EQ(LOAD_SOUND("one.wav", 1, 2, 0), 0);
  ASSERT_EQ(SETUP_STREAM_BUFFER("one.wav", 1, 1), 0);
  STREAM_BUFFER_PLAY(1);
  CallEverythingBadly();
  ExpectAFreshStartToWork(reinterpret_cast<HWND>(0x5000));
}

TEST_F(HostileHostTest, WithADirect3DDeviceUpNothingBreaks) {
  REPORT_MODE("hostile", 1);
  ASSERT_EQ(KORVANE_INIT(TestWindow(), nullptr), 0);
  ASSERT_EQ(DDRAW_INIT(), 0);
  ASSERT_EQ(SET_VIDEO_MODE(640, 480, 16), 0);
  ASSERT_EQ(D3D_INIT(), 0);
  ASSERT_EQ(CREATE3D_DEVICE(0, 16), 0);
  ASSERT_EQ(CREATE_BITMAP(1, 16, 16, 1), 0);
  CallEverythingBadly();
  ExpectAFreshStartToWork(reinterpret_cast<HWND>(0x5000));
}

TEST_F(HostileHostTest, AfterExitNothingBreaks) {
  ASSERT_EQ(KORVANE_INIT(TestWindow(), nullptr), 0);
  ASSERT_EQ(DDRAW_INIT(), 0);
  ASSERT_EQ(SET_VIDEO_MODE(640, 480, 32), 0);
  KORVANE_EXIT();
  CallEverythingBadly();
  // The first window was destroyed by KORVANE_EXIT: the host makes a new one.
  ExpectAFreshStartToWork(reinterpret_cast<HWND>(0x5000));
}

}  // namespace
