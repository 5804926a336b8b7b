// MCIWndCreateA and the messages of an MCIWnd window: opening a file,
// command strings, play, mode and close. The picture is drawn where the
// window is on the screen, at the file's frame times on the machine clock;
// the mode goes to stopped when the media ends.
#include "mciwnd/media_window.h"

#include <vfw.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

#include "base/machine_time.h"
#include "base/faults.h"
#include "ddraw/screen.h"

namespace platform {

namespace {

// A sound track longer than this plays its first ten minutes only.
constexpr size_t kLongestSoundFrames = static_cast<size_t>(kVideoSoundRate) * 600;

const char *ModeName(int mode) {
  switch (mode) {
    case MCI_MODE_STOP:
      return "stopped";
    case MCI_MODE_PLAY:
      return "playing";
    default:
      return "not ready";
  }
}

}  // namespace

LRESULT MediaWindow::Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case MCIWNDM_OPENA:
      return Open(wParam, lParam);
    case MCIWNDM_SENDSTRINGA:
      return SendString(lParam);
    case MCI_PLAY:
      return Play();
    case MCIWNDM_GETMODEA:
      return GetMode(wParam, lParam);
    case MCI_CLOSE:
      Close();
      return 0;
    case WM_CLOSE:
      Close();
      DestroyWindow(window);
      return 0;
    default:
      return 0;
  }
}

LRESULT MediaWindow::Open(WPARAM flags, LPARAM name) {
  // The open dialog (a name of -1) and a new empty device are not offered.
  if ((flags & MCIWNDOPENF_NEW) || name == -1) return MCIERR_UNSUPPORTED_FUNCTION;
  if (name == 0) return MCIERR_MISSING_PARAMETER;
  Close();
  const std::string path(reinterpret_cast<const char *>(name));
  std::unique_ptr<VideoFile> opened;
  const unsigned result = VideoFile::Open(path, &opened);
  if (result != 0) return static_cast<LRESULT>(result);
  std::vector<int16_t> stereo;
  if (opened->audioStreams() > 0) opened->DecodeSound(1, kLongestSoundFrames, &stereo);
  const int width = opened->width(), height = opened->height();
  const bool hasVideo = opened->hasVideo();
  {
    std::lock_guard<std::mutex> hold(fileLock_);
    if (gone_) return MCIERR_NO_WINDOW;
    soundNs_ = static_cast<int64_t>(stereo.size() / 2) * 1000000000ll / kVideoSoundRate;
    if (sound_ == nullptr) sound_ = std::make_unique<VideoSound>();
    sound_->Load(std::move(stereo));
    file_ = std::move(opened);
    position_ = 0;
    framePending_ = false;
    mode_ = MCI_MODE_STOP;
  }
  // The window takes the movie's size unless told to keep its own.
  if (hasVideo && !(style_ & MCIWNDF_NOAUTOSIZEWINDOW)) ResizeWindow(self_, width, height);
  return 0;
}

LRESULT MediaWindow::SendString(LPARAM command) {
  if (command == 0) return MCIERR_MISSING_COMMAND_STRING;
  std::string text(reinterpret_cast<const char *>(command));
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  std::istringstream words(text);
  std::vector<std::string> said;
  for (std::string word; words >> word;) said.push_back(word);
  if (said.empty()) return MCIERR_MISSING_COMMAND_STRING;
  if (said[0] == "play" && said.size() == 1) return Play();
  if (said[0] == "close" && said.size() == 1) {
    Close();
    return 0;
  }
  if (said[0] != "setaudio") return MCIERR_UNRECOGNIZED_COMMAND;
  if (said.size() != 4 || said[1] != "stream" || said[2] != "to") return MCIERR_MISSING_PARAMETER;
  char *end = nullptr;
  const long number = std::strtol(said[3].c_str(), &end, 10);
  if (end == said[3].c_str() || *end != '\0') return MCIERR_BAD_INTEGER;
  std::lock_guard<std::mutex> hold(fileLock_);
  if (file_ == nullptr) return MCIERR_INVALID_DEVICE_ID;
  if (number < 1 || number > file_->audioStreams()) return MCIERR_OUTOFRANGE;
  std::vector<int16_t> stereo;
  file_->DecodeSound(static_cast<int>(number), kLongestSoundFrames, &stereo);
  soundNs_ = static_cast<int64_t>(stereo.size() / 2) * 1000000000ll / kVideoSoundRate;
  sound_->Load(std::move(stereo));
  if (mode_ == MCI_MODE_PLAY) sound_->Play(position_);
  return 0;
}

uint64_t MediaWindow::MachineTimeOf(int64_t mediaNs) const {
  return playStartedAt_ + static_cast<uint64_t>(std::max<int64_t>(mediaNs - playedFrom_, 0));
}

LRESULT MediaWindow::Play() {
  {
    std::lock_guard<std::mutex> hold(fileLock_);
    if (file_ == nullptr) return MCIERR_INVALID_DEVICE_ID;
    if (mode_ == MCI_MODE_PLAY) return 0;
    const int64_t length = file_->hasVideo() ? file_->durationNs() : soundNs_;
    // Played to the end: play again from the start.
    if (position_ >= length || !framePending_) {
      position_ = 0;
      file_->Rewind();
      framePending_ = file_->DecodeNext(&pendingAt_);
    }
    playStartedAt_ = MachineClock::Get().Now();
    playedFrom_ = position_;
    mode_ = MCI_MODE_PLAY;
    sound_->Play(position_);
    ShowDueLocked(playStartedAt_);
  }
  PacingChanged();
  return 0;
}

LRESULT MediaWindow::GetMode(WPARAM length, LPARAM text) const {
  const int mode = mode_.load();
  if (text != 0 && length > 0) {
    char *out = reinterpret_cast<char *>(text);
    const size_t room = static_cast<size_t>(length);
    std::strncpy(out, ModeName(mode), room - 1);
    out[room - 1] = '\0';
  }
  return mode;
}

void MediaWindow::Close() {
  {
    std::lock_guard<std::mutex> hold(fileLock_);
    StopLocked(MCI_MODE_NOT_READY);
    file_.reset();
    if (sound_ != nullptr) sound_->Load({});
    framePending_ = false;
    position_ = 0;
  }
  PacingChanged();
}

void MediaWindow::Destroyed() {
  StopPacing(this);
  std::lock_guard<std::mutex> hold(fileLock_);
  gone_ = true;
  StopLocked(MCI_MODE_NOT_READY);
  file_.reset();
  sound_.reset();
}

void MediaWindow::StopLocked(int mode) {
  if (sound_ != nullptr) sound_->Stop();
  mode_ = mode;
  nextDue_ = kNever;
}

void MediaWindow::CatchUp(uint64_t now) {
  std::lock_guard<std::mutex> hold(fileLock_);
  ShowDueLocked(now);
}

void MediaWindow::ShowDueLocked(uint64_t now) {
  if (mode_ != MCI_MODE_PLAY || file_ == nullptr) return;
  WindowPlacement placement{};
  const bool placed = PlacementOf(self_, &placement);
  const int width = placed ? static_cast<int>(placement.rect.right - placement.rect.left) : 0;
  const int height = placed ? static_cast<int>(placement.rect.bottom - placement.rect.top) : 0;
  bool drawn = false;
  // Frames whose time has passed are decoded in turn; the latest shows.
  while (framePending_ && MachineTimeOf(pendingAt_) <= now) {
    position_ = pendingAt_;
    drawn = file_->ScaleFrame(width, height, &picture_);
    framePending_ = file_->DecodeNext(&pendingAt_);
  }
  if (drawn && placement.visible) {
    DrawOnScreen(static_cast<int>(placement.rect.left), static_cast<int>(placement.rect.top), width, height,
                 picture_.data());
  }
  const int64_t length = file_->hasVideo() ? file_->durationNs() : soundNs_;
  if (!framePending_ && now >= MachineTimeOf(length)) {
    position_ = length;
    StopLocked(MCI_MODE_STOP);
    return;
  }
  UpdateDueLocked();
}

void MediaWindow::UpdateDueLocked() {
  const int64_t length = file_->hasVideo() ? file_->durationNs() : soundNs_;
  nextDue_ = MachineTimeOf(framePending_ ? pendingAt_ : length);
}

}  // namespace platform

extern "C" HWND WINAPI MCIWndCreateA(HWND parent, HINSTANCE, DWORD style, LPCSTR file) {
  if (platform::TakeWin32Fault("MCIWndCreateA")) return nullptr;
  auto window = std::make_shared<platform::MediaWindow>(style);
  // An MCIWnd window is visible from the start, with or without a parent,
  // as Windows makes it: a host's first ShowWindow finds it shown.
  const HWND handle = platform::MakeWindow(parent, RECT{0, 0, 0, 0}, true, window);
  window->Attach(handle);
  platform::StartPacing(window);
  if (file != nullptr) SendMessageA(handle, MCIWNDM_OPENA, 0, reinterpret_cast<LPARAM>(file));
  return handle;
}
