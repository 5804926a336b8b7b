// The window driver. The display's thread only copies the changed part of a
// frame into a mailbox and wakes the window's thread; that thread converts
// the frame to colours, uploads it as one texture, paints it scaled into the
// window, pumps the window's events (input, focus, close, expose) and keeps
// the joysticks' rumble motors on what their effects ask.
#include "drivers/sdl/sdl_window_presenter.h"

#include <windows.h>

#include <SDL.h>
#include <SDL_syswm.h>

#include <atomic>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/machine_time.h"
#include "drivers/sdl/sdl_window_layout.h"
#include "drivers/sdl/sdl_subsystems.h"
#include "drivers/sdl/sdl_window_input.h"
#include "user/window_text.h"

namespace present {

namespace {

// How long the window's thread sleeps when nothing happens; events and
// frames wake it at once.
constexpr int kIdleWaitMs = 50;
// How soon it looks again while a key or button release waits for a read.
constexpr int kHeldReleaseWaitMs = 2;

bool EnvironmentFullscreen() {
  const char *value = std::getenv("KORVANE_FULLSCREEN");
  return value != nullptr && value[0] == '1';
}

std::atomic<bool> gIntegerScaling{false};
std::atomic<bool> gFullscreen{EnvironmentFullscreen()};

struct StatusStore {
  std::mutex lock;
  WindowStatus status;
};

StatusStore &Published() {
  static StatusStore store;
  return store;
}

bool SameFormat(const pixels::Format &a, const pixels::Format &b) {
  return a.bits == b.bits && a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}

// A frame as the display's thread hands it over, rows packed.
struct HeldFrame {
  int width = 0;
  int height = 0;
  int bytes = 0;
  pixels::Format format{};
  std::vector<uint8_t> pixels;
  std::vector<uint32_t> palette;  // 256 colours, or empty
};

// The changed area cut to the frame; all of it when it says nothing sane.
Area ClippedChange(const Frame &frame) {
  const Area &area = frame.changed;
  const Area cut{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, frame.pixels.width),
                 std::min(area.bottom, frame.pixels.height)};
  if (cut.left >= cut.right || cut.top >= cut.bottom) return Area{0, 0, frame.pixels.width, frame.pixels.height};
  return cut;
}

// Copies `frame` into `held`: only the changed rows and columns when `held`
// holds the frame before in the same shape, all of it otherwise.
void HoldFrame(const Frame &frame, bool heldIsCurrent, HeldFrame *held) {
  const pixels::Block &from = frame.pixels;
  const bool sameShape = heldIsCurrent && held->width == from.width && held->height == from.height && held->bytes == from.bytes &&
                         SameFormat(held->format, frame.format);
  const Area area = sameShape ? ClippedChange(frame) : Area{0, 0, from.width, from.height};
  if (!sameShape) {
    held->width = from.width;
    held->height = from.height;
    held->bytes = from.bytes;
    held->format = frame.format;
    held->pixels.assign(static_cast<size_t>(from.width) * from.height * from.bytes, 0);
  }
  const size_t rowBytes = static_cast<size_t>(from.width) * from.bytes;
  const size_t spanBytes = static_cast<size_t>(area.right - area.left) * from.bytes;
  for (int y = area.top; y < area.bottom; ++y) {
    std::memcpy(held->pixels.data() + y * rowBytes + static_cast<size_t>(area.left) * from.bytes,
                from.bits + y * from.pitch + static_cast<long>(area.left) * from.bytes, spanBytes);
  }
  if (frame.palette != nullptr) {
    held->palette.assign(frame.palette, frame.palette + 256);
  } else {
    held->palette.clear();
  }
}

// The window's title: the text of the host window the display belongs to,
// or, while it has none, the host program's name.
std::string WindowTitle(void *hostWindow) {
  std::string title = hostWindow != nullptr ? platform::WindowText(static_cast<HWND>(hostWindow)) : std::string();
  if (!title.empty()) return title;
  return program_invocation_short_name != nullptr ? program_invocation_short_name : "Korvane";
}

// Frames handed over, counted across every window driver of the process:
// each frame's number, so that a reader can tell when a frame is painted.
std::atomic<uint64_t> gFramesGiven{0};

class SdlWindowPresenter final : public Presenter {
 public:
  bool Start() {
    std::promise<bool> started;
    std::future<bool> result = started.get_future();
    thread_ = std::thread([this, &started] { ThreadMain(&started); });
    if (result.get()) return true;
    thread_.join();
    return false;
  }

  ~SdlWindowPresenter() override {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> hold(mailbox_);
      stopping_ = true;
    }
    Wake();
    thread_.join();
  }

  void Present(const Frame &frame) override {
    const auto begin = std::chrono::steady_clock::now();
    if (frame.pixels.width <= 0 || frame.pixels.height <= 0 || frame.pixels.bytes <= 0) return;
    {
      std::lock_guard<std::mutex> hold(mailbox_);
      HoldFrame(frame, givenIsCurrent_, &given_);
      givenIsCurrent_ = true;
      givenHostWindow_ = frame.hostWindow;
      givenGeneration_ = ++gFramesGiven;
    }
    Wake();
    const auto spent = std::chrono::steady_clock::now() - begin;
    std::lock_guard<std::mutex> hold(Published().lock);
    Published().status.hostNanoseconds +=
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count());
  }

  Refresh DisplayRefresh() const override { return Refresh{refreshPeriodMs_, blankAtNs_}; }

  void DisplayClosed() override {
    {
      std::lock_guard<std::mutex> hold(mailbox_);
      closeAsked_ = true;
      closedAtGeneration_ = givenGeneration_;
    }
    Wake();
  }

 private:
  // Wakes the window's thread; one wake event at a time is enough.
  void Wake() {
    if (wakePosted_.exchange(true)) return;
    SDL_Event event{};
    event.type = wakeEvent_;
    if (SDL_PushEvent(&event) != 1) wakePosted_ = false;
  }

  void ThreadMain(std::promise<bool> *started) {
    if (!platform::sdl::Start(SDL_INIT_VIDEO)) {
      started->set_value(false);
      return;
    }
    wakeEvent_ = SDL_RegisterEvents(1);
    platform::sdl::TheWindowInput().Start();
    started->set_value(true);
    for (;;) {
      SDL_Event event;
      if (SDL_WaitEventTimeout(&event, platform::sdl::TheWindowInput().WantsEarlyTurn() ? kHeldReleaseWaitMs : kIdleWaitMs)) {
        Handle(event);
        while (SDL_PollEvent(&event)) Handle(event);
      }
      platform::sdl::TheWindowInput().Turn();
      if (!TakeMailbox()) break;
      ApplySettings();
      FollowTitle();
      FollowMouseCapture();
      if (needsPaint_) Paint();
      PublishStatus();
    }
    platform::sdl::TheWindowInput().Stop();
    CloseWindow();
    PublishStatus();
    platform::sdl::Stop(SDL_INIT_VIDEO);
  }

  void Handle(const SDL_Event &event) {
    if (event.type == wakeEvent_) {
      wakePosted_ = false;
      return;
    }
    if (event.type == SDL_WINDOWEVENT && window_ != nullptr && event.window.windowID == SDL_GetWindowID(window_)) {
      HandleWindowEvent(event.window.event);
      return;
    }
    if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_RETURN && (event.key.keysym.mod & KMOD_ALT) &&
        !event.key.repeat) {
      gFullscreen = !gFullscreen;
    }
    platform::sdl::TheWindowInput().Event(event);
  }

  void HandleWindowEvent(Uint8 what) {
    switch (what) {
      case SDL_WINDOWEVENT_SHOWN:
      case SDL_WINDOWEVENT_EXPOSED:
      case SDL_WINDOWEVENT_RESIZED:
      case SDL_WINDOWEVENT_SIZE_CHANGED:
      case SDL_WINDOWEVENT_RESTORED:
        needsPaint_ = true;
        break;
      case SDL_WINDOWEVENT_CLOSE:
        // The host decides what closing means, as with any window of its own.
        if (hostWindow_ != nullptr) PostMessageA(static_cast<HWND>(hostWindow_), WM_CLOSE, 0, 0);
        break;
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        focused_ = true;
        platform::sdl::TheWindowInput().FocusChanged(true);
        break;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        focused_ = false;
        platform::sdl::TheWindowInput().FocusChanged(false);
        break;
      default:
        break;
    }
  }

  // Takes what the display's thread left: a close, then a frame given after
  // it; false once the driver stops.
  bool TakeMailbox() {
    bool close = false;
    {
      std::lock_guard<std::mutex> hold(mailbox_);
      if (stopping_) return false;
      if (closeAsked_) {
        closeAsked_ = false;
        close = true;
        // Frames of the closed display are not shown; later ones reopen.
        shownGeneration_ = std::max(shownGeneration_, closedAtGeneration_);
        framePending_ = false;
      }
      if (givenGeneration_ != shownGeneration_) {
        // Swapped, not copied, so that the display's thread never waits
        // for a copy; the frame it writes next is then written whole.
        std::swap(held_, given_);
        givenIsCurrent_ = false;
        hostWindow_ = givenHostWindow_;
        shownGeneration_ = givenGeneration_;
        framePending_ = true;
      }
    }
    if (close) CloseWindow();
    if (framePending_) UploadFrame();
    return true;
  }

  void UploadFrame() {
    framePending_ = false;
    if (window_ == nullptr && !OpenWindow(held_.width, held_.height)) return;
    if (held_.width != textureWidth_ || held_.height != textureHeight_) FollowMode();
    const Frame frame{pixels::Block{held_.pixels.data(), static_cast<long>(held_.width) * held_.bytes, held_.width,
                                    held_.height, held_.bytes},
                      held_.format, held_.palette.empty() ? nullptr : held_.palette.data(),
                      Area{0, 0, held_.width, held_.height}};
    rgb_ = FrameToRgb(frame);
    if (texture_ != nullptr) SDL_UpdateTexture(texture_, nullptr, rgb_.data(), held_.width * 4);
    paintedGeneration_ = shownGeneration_;
    needsPaint_ = true;
  }

  // The largest size of `width` x `height` with its aspect that the
  // screen's usable area holds (the size itself when it fits).
  static void FitToScreen(int *width, int *height) {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0) return;
    if (*width <= usable.w && *height <= usable.h) return;
    const Placement fit = PlaceFrame(*width, *height, usable.w, usable.h, false);
    *width = std::max(fit.width, 1);
    *height = std::max(fit.height, 1);
  }

  bool OpenWindow(int width, int height) {
    FitToScreen(&width, &height);
    fullscreen_ = gFullscreen;
    const Uint32 flags = SDL_WINDOW_RESIZABLE | (fullscreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    title_ = WindowTitle(hostWindow_);
    titleWindow_ = hostWindow_;
    titleChanges_ = platform::WindowTextChanges();
    window_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (window_ == nullptr) {
      std::fprintf(stderr, "window: cannot open (%s)\n", SDL_GetError());
      return false;
    }
    // Presenting with the display's vsync where the renderer can: the
    // vertical blank then follows the real display. Otherwise any renderer.
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_PRESENTVSYNC);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) {
      std::fprintf(stderr, "window: cannot draw (%s)\n", SDL_GetError());
      CloseWindow();
      return false;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    nativeWindow_ = 0;
    if (SDL_GetWindowWMInfo(window_, &info) && info.subsystem == SDL_SYSWM_X11) {
      nativeWindow_ = static_cast<unsigned long>(info.info.x11.window);
    }
    SDL_RendererInfo renderer{};
    vsync_ = SDL_GetRendererInfo(renderer_, &renderer) == 0 && (renderer.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    textureWidth_ = 0;
    textureHeight_ = 0;
    return true;
  }

  // The period of the display the window is on, when presenting waits for
  // its blank and it tells its refresh rate; 0 otherwise.
  double VsyncPeriodMs() const {
    if (!vsync_ || window_ == nullptr) return 0;
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0 || mode.refresh_rate <= 0) return 0;
    return 1000.0 / mode.refresh_rate;
  }

  // A new frame size: a new texture, and a windowed window takes the mode's
  // size (never larger than the screen).
  void FollowMode() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, held_.width,
                                 held_.height);
    const bool firstFrame = textureWidth_ == 0;
    textureWidth_ = held_.width;
    textureHeight_ = held_.height;
    if (firstFrame || fullscreen_) return;
    int width = held_.width;
    int height = held_.height;
    FitToScreen(&width, &height);
    SDL_SetWindowSize(window_, width, height);
  }

  void CloseWindow() {
    if (mouseCaptured_) SDL_SetRelativeMouseMode(SDL_FALSE);
    mouseCaptured_ = false;
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    nativeWindow_ = 0;
    textureWidth_ = 0;
    textureHeight_ = 0;
    vsync_ = false;
    refreshPeriodMs_ = 0;
    needsPaint_ = false;
    if (focused_) platform::sdl::TheWindowInput().FocusChanged(false);
    focused_ = false;
  }

  void ApplySettings() {
    const bool integer = gIntegerScaling;
    if (integer != integerScaling_) {
      integerScaling_ = integer;
      needsPaint_ = true;
    }
    const bool fullscreen = gFullscreen;
    if (window_ == nullptr || fullscreen == fullscreen_) return;
    if (SDL_SetWindowFullscreen(window_, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0) {
      fullscreen_ = fullscreen;
      needsPaint_ = true;
    }
  }

  // The title follows the host window's text (and another host window);
  // looked at again only when some window's text changed.
  void FollowTitle() {
    if (window_ == nullptr) return;
    const uint64_t changes = platform::WindowTextChanges();
    if (hostWindow_ == titleWindow_ && changes == titleChanges_) return;
    titleWindow_ = hostWindow_;
    titleChanges_ = changes;
    std::string title = WindowTitle(hostWindow_);
    if (title == title_) return;
    title_ = std::move(title);
    SDL_SetWindowTitle(window_, title_.c_str());
  }

  // The pointer is hidden and held by the window while the host holds the
  // mouse exclusively and the window has the focus.
  void FollowMouseCapture() {
    const bool capture = window_ != nullptr && focused_ && platform::sdl::TheWindowInput().HoldsPointer();
    if (capture == mouseCaptured_) return;
    if (SDL_SetRelativeMouseMode(capture ? SDL_TRUE : SDL_FALSE) == 0) mouseCaptured_ = capture;
  }

  void Paint() {
    needsPaint_ = false;
    if (renderer_ == nullptr) return;
    int width = 0;
    int height = 0;
    SDL_GetRendererOutputSize(renderer_, &width, &height);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (texture_ != nullptr) {
      const Placement place = PlaceFrame(textureWidth_, textureHeight_, width, height, integerScaling_);
      const SDL_Rect target{place.x, place.y, place.width, place.height};
      SDL_RenderCopy(renderer_, texture_, nullptr, &target);
    }
    const double period = VsyncPeriodMs();
    SDL_RenderPresent(renderer_);
    // With vsync, presenting returns just after a blank of the display.
    if (period > 0) blankAtNs_ = platform::MachineClock::Get().Now();
    refreshPeriodMs_ = period;
    outputWidth_ = width;
    outputHeight_ = height;
    paintedShown_ = paintedGeneration_;
    ++paints_;
  }

  void PublishStatus() {
    std::lock_guard<std::mutex> hold(Published().lock);
    WindowStatus &status = Published().status;
    status.open = window_ != nullptr;
    status.nativeWindow = nativeWindow_;
    status.width = window_ != nullptr ? outputWidth_ : 0;
    status.height = window_ != nullptr ? outputHeight_ : 0;
    status.fullscreen = window_ != nullptr && fullscreen_;
    status.focused = focused_;
    status.framesShown = paintedShown_;
    status.paints = paints_;
    status.refreshPeriodMs = refreshPeriodMs_;
  }

  // Shared with the display's thread, under mailbox_.
  std::mutex mailbox_;
  HeldFrame given_;
  bool givenIsCurrent_ = false;  // given_ holds the last frame handed over
  void *givenHostWindow_ = nullptr;
  uint64_t givenGeneration_ = 0;
  bool closeAsked_ = false;
  uint64_t closedAtGeneration_ = 0;
  bool stopping_ = false;
  uint64_t shownGeneration_ = 0;  // the newest generation taken by the window's thread

  std::thread thread_;
  std::atomic<bool> wakePosted_{false};
  // The display's blanks, read by the display's thread.
  std::atomic<double> refreshPeriodMs_{0};
  std::atomic<uint64_t> blankAtNs_{0};
  std::atomic<uint32_t> wakeEvent_{0};

  // The window's thread's own.
  SDL_Window *window_ = nullptr;
  SDL_Renderer *renderer_ = nullptr;
  SDL_Texture *texture_ = nullptr;
  unsigned long nativeWindow_ = 0;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  int outputWidth_ = 0;
  int outputHeight_ = 0;
  HeldFrame held_;
  std::vector<uint32_t> rgb_;
  void *hostWindow_ = nullptr;
  std::string title_;
  void *titleWindow_ = nullptr;  // the host window title_ was taken from
  uint64_t titleChanges_ = 0;
  bool framePending_ = false;
  bool needsPaint_ = false;
  bool integerScaling_ = false;
  bool fullscreen_ = false;
  bool focused_ = false;
  bool mouseCaptured_ = false;
  bool vsync_ = false;  // presenting waits for the display's blank
  uint64_t paintedGeneration_ = 0;
  uint64_t paintedShown_ = 0;
  uint64_t paints_ = 0;
};

}  // namespace

std::unique_ptr<Presenter> StartSdlWindowPresenter() {
  auto presenter = std::make_unique<SdlWindowPresenter>();
  if (!presenter->Start()) return nullptr;
  return presenter;
}

void SetWindowIntegerScaling(bool on) { gIntegerScaling = on; }
bool WindowIntegerScaling() { return gIntegerScaling; }
void SetWindowFullscreen(bool on) { gFullscreen = on; }
bool WindowFullscreen() { return gFullscreen; }

void ResetWindowSettings() {
  gIntegerScaling = false;
  gFullscreen = EnvironmentFullscreen();
}

WindowStatus WindowDriverStatus() {
  std::lock_guard<std::mutex> hold(Published().lock);
  WindowStatus status = Published().status;
  status.framesGiven = gFramesGiven;
  return status;
}

}  // namespace present
