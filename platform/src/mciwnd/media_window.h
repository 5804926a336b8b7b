// An MCIWnd window: the media it opened, its mode, and the playing of its
// video into the window's rectangle of the screen with its sound in the
// mix. Messages come from any thread; the file is used by one at a time.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mciwnd/video_file.h"
#include "mciwnd/video_pacer.h"
#include "mciwnd/video_sound.h"
#include "user/windows.h"

namespace platform {

class MediaWindow final : public WindowProcedure, public Paced {
 public:
  explicit MediaWindow(DWORD style) : style_(style) {}

  void Attach(HWND self) { self_ = self; }

  LRESULT Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void Destroyed() override;
  uint64_t NextDue() override { return nextDue_.load(); }
  void CatchUp(uint64_t now) override;

 private:
  LRESULT Open(WPARAM flags, LPARAM name);
  LRESULT SendString(LPARAM command);
  LRESULT Play();
  LRESULT GetMode(WPARAM length, LPARAM text) const;
  void Close();

  // Under the file lock.
  void StopLocked(int mode);
  void ShowDueLocked(uint64_t now);
  void UpdateDueLocked();
  uint64_t MachineTimeOf(int64_t mediaNs) const;

  DWORD style_;
  HWND self_ = nullptr;
  std::atomic<int> mode_{MCI_MODE_NOT_READY};
  std::atomic<uint64_t> nextDue_{UINT64_MAX};

  // The file, its sound and where playing stands: one user at a time.
  std::mutex fileLock_;
  std::unique_ptr<VideoFile> file_;
  std::unique_ptr<VideoSound> sound_;
  bool gone_ = false;
  uint64_t playStartedAt_ = 0;  // machine time the play began
  int64_t playedFrom_ = 0;      // media time it began at
  int64_t position_ = 0;        // media time shown last
  bool framePending_ = false;   // a decoded frame waits for its time
  int64_t pendingAt_ = 0;
  int64_t soundNs_ = 0;
  std::vector<uint32_t> picture_;
};

}  // namespace platform
