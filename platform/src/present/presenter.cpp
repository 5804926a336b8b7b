// The driver in use. It starts on the first frame, so that a program that
// never draws to the front buffer never opens a window; frames are handed
// over outside the lock, as a window driver may wait on its display.
#include "present/presenter.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace present {

namespace {

struct InUse {
  std::mutex lock;
  std::string name;  // empty: the environment's choice, not yet started
  std::shared_ptr<Presenter> presenter;
  std::atomic<unsigned> frames{0};
};

InUse &Current() {
  static InUse inUse;
  return inUse;
}

const Driver *Find(const std::string &name) {
  for (const Driver &driver : Drivers()) {
    if (name == driver.name) return &driver;
  }
  return nullptr;
}

// The driver KORVANE_VIDEO names, else the first of the table.
const Driver &EnvironmentDriver() {
  const char *asked = std::getenv("KORVANE_VIDEO");
  if (asked != nullptr && asked[0] != '\0') {
    if (const Driver *driver = Find(asked)) return *driver;
    fprintf(stderr, "KORVANE_VIDEO: no video driver \"%s\"; using \"%s\"\n", asked, Drivers().front().name);
  }
  return Drivers().front();
}

// The environment's driver started, or the default when that one cannot run.
std::unique_ptr<Presenter> StartDefault(const Driver **started) {
  *started = &EnvironmentDriver();
  std::unique_ptr<Presenter> presenter = (*started)->start();
  if (presenter == nullptr) {
    *started = &Drivers().front();
    presenter = (*started)->start();
  }
  return presenter;
}

// The presenter in use, started first if need be. Drivers start and stop
// outside the lock.
std::shared_ptr<Presenter> Active() {
  InUse &inUse = Current();
  {
    std::lock_guard<std::mutex> hold(inUse.lock);
    if (inUse.presenter != nullptr) return inUse.presenter;
  }
  const Driver *driver = nullptr;
  std::shared_ptr<Presenter> started = StartDefault(&driver);
  std::lock_guard<std::mutex> hold(inUse.lock);
  if (inUse.presenter == nullptr && started != nullptr) {
    inUse.presenter = started;
    inUse.name = driver->name;
  }
  return inUse.presenter;  // a presenter started meanwhile wins; `started` then closes unused
}

}  // namespace

void Present(const Frame &frame) {
  std::shared_ptr<Presenter> presenter = Active();
  ++Current().frames;
  if (presenter != nullptr) presenter->Present(frame);
}

void DisplayClosed() {
  std::shared_ptr<Presenter> presenter;
  {
    InUse &inUse = Current();
    std::lock_guard<std::mutex> hold(inUse.lock);
    presenter = inUse.presenter;
  }
  if (presenter != nullptr) presenter->DisplayClosed();
}

Refresh DisplayRefresh() {
  std::shared_ptr<Presenter> presenter;
  {
    InUse &inUse = Current();
    std::lock_guard<std::mutex> hold(inUse.lock);
    presenter = inUse.presenter;
  }
  return presenter != nullptr ? presenter->DisplayRefresh() : Refresh{};
}

bool UseDriver(const std::string &name) {
  const Driver *driver = Find(name);
  if (driver == nullptr) return false;
  std::shared_ptr<Presenter> started = driver->start();
  if (started == nullptr) return false;
  InUse &inUse = Current();
  std::shared_ptr<Presenter> replaced;
  {
    std::lock_guard<std::mutex> hold(inUse.lock);
    replaced = std::move(inUse.presenter);
    inUse.presenter = std::move(started);
    inUse.name = driver->name;
  }
  return true;  // `replaced` stops here, outside the lock
}

std::string DriverName() {
  InUse &inUse = Current();
  {
    std::lock_guard<std::mutex> hold(inUse.lock);
    if (!inUse.name.empty()) return inUse.name;
  }
  return EnvironmentDriver().name;
}

unsigned FramesPresented() { return Current().frames.load(); }

void ResetPresenting() {
  InUse &inUse = Current();
  std::shared_ptr<Presenter> replaced;
  {
    std::lock_guard<std::mutex> hold(inUse.lock);
    replaced = std::move(inUse.presenter);
    inUse.name.clear();
  }
  inUse.frames = 0;
}

}  // namespace present
