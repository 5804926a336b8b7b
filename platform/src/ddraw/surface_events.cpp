// Surface events: the listeners, and the set of live surfaces that losing
// the display walks. When no listener is registered, losing surfaces is one
// counter increment, as it always was.
#include "ddraw/surface_events.h"

#include <algorithm>
#include <mutex>
#include <unordered_set>
#include <utility>

#include "ddraw/display_device.h"
#include "ddraw/surface.h"

namespace platform {

namespace {

using Registration = std::pair<SurfaceListener, void *>;

struct Registry {
  std::mutex lock;
  std::vector<Registration> listeners;
  std::unordered_set<Surface *> live;
};

Registry &Events() {
  static Registry registry;
  return registry;
}

std::vector<Registration> Listeners() {
  Registry &registry = Events();
  std::lock_guard<std::mutex> hold(registry.lock);
  return registry.listeners;
}

bool Registered(const Registration &registration) {
  Registry &registry = Events();
  std::lock_guard<std::mutex> hold(registry.lock);
  return std::find(registry.listeners.begin(), registry.listeners.end(), registration) != registry.listeners.end();
}

bool Alive(Surface *surface) {
  Registry &registry = Events();
  std::lock_guard<std::mutex> hold(registry.lock);
  return registry.live.count(surface) != 0;
}

// Calls every listener still registered when its turn comes, about a
// surface still alive then.
void Tell(Surface *surface, SurfaceEvent event, const std::vector<Registration> &listeners) {
  for (const Registration &registration : listeners) {
    if (!Registered(registration)) continue;
    if (!Alive(surface)) return;
    registration.first(registration.second, static_cast<IDirectDrawSurface7 *>(surface), event);
  }
}

}  // namespace

void AddSurfaceListener(SurfaceListener listener, void *context) {
  if (listener == nullptr) return;
  Registry &registry = Events();
  std::lock_guard<std::mutex> hold(registry.lock);
  const Registration registration{listener, context};
  if (std::find(registry.listeners.begin(), registry.listeners.end(), registration) == registry.listeners.end()) {
    registry.listeners.push_back(registration);
  }
}

void RemoveSurfaceListener(SurfaceListener listener, void *context) {
  Registry &registry = Events();
  std::lock_guard<std::mutex> hold(registry.lock);
  const Registration registration{listener, context};
  registry.listeners.erase(std::remove(registry.listeners.begin(), registry.listeners.end(), registration),
                           registry.listeners.end());
}

void SurfaceMade(Surface *surface) {
  Registry &registry = Events();
  std::lock_guard<std::mutex> hold(registry.lock);
  registry.live.insert(surface);
}

void SurfaceReleased(Surface *surface) {
  const std::vector<Registration> listeners = Listeners();
  if (!listeners.empty()) Tell(surface, SurfaceEvent::kReleased, listeners);
  Registry &registry = Events();
  std::lock_guard<std::mutex> hold(registry.lock);
  registry.live.erase(surface);
}

void LoseDisplaySurfaces() {
  const std::vector<Registration> listeners = Listeners();
  std::vector<Surface *> keptUntilNow;
  if (!listeners.empty()) {
    Registry &registry = Events();
    std::lock_guard<std::mutex> hold(registry.lock);
    for (Surface *surface : registry.live) {
      if (!surface->lost()) keptUntilNow.push_back(surface);
    }
  }
  ++Display().generation;
  for (Surface *surface : keptUntilNow) {
    if (Alive(surface) && surface->lost()) Tell(surface, SurfaceEvent::kLost, listeners);
  }
}

void TellRestored(const std::vector<Surface *> &restored) {
  if (restored.empty()) return;
  const std::vector<Registration> listeners = Listeners();
  for (Surface *surface : restored) Tell(surface, SurfaceEvent::kRestored, listeners);
}

namespace {

// Every surface is counted among the live ones while it lives, and its
// listeners are told of its release and restoration.
struct Watching {
  Watching() {
    Watchers().made = SurfaceMade;
    Watchers().released = SurfaceReleased;
    Watchers().restored = TellRestored;
  }
} gWatching;

}  // namespace

}  // namespace platform
