#pragma once

#include <cstdint>
#include <unordered_map>

#include "taskbar/WindowThumbnailCache.h"

namespace pelko {

namespace platform {
class EventMonitors;
class MemoryPressure;
class OwnWindows;
class Screens;
class WindowServer;
}  // namespace platform

// What the thumbnails of every bar share: the window server they capture from, the screens they are
// placed on, the event monitors that keep or end them, the memory-pressure events, the listing of the
// panels among this process's windows, the picture cache and the times single windows were last shown.
// One per process; it outlives every bar.
struct ThumbnailServices {
  ThumbnailServices(Scheduler& scheduler, platform::WindowServer& windowServer, platform::Screens& screens,
                    platform::EventMonitors& eventMonitors, platform::MemoryPressure& memoryPressure,
                    platform::OwnWindows* ownWindows = nullptr)
      : windowServer(windowServer),
        screens(screens),
        eventMonitors(eventMonitors),
        memoryPressure(memoryPressure),
        ownWindows(ownWindows),
        cache(scheduler) {}
  ThumbnailServices(const ThumbnailServices&) = delete;
  ThumbnailServices& operator=(const ThumbnailServices&) = delete;

  platform::WindowServer& windowServer;
  platform::Screens& screens;
  platform::EventMonitors& eventMonitors;
  platform::MemoryPressure& memoryPressure;
  platform::OwnWindows* ownWindows;
  WindowThumbnailCache cache;
  // Window number to the wall-clock time a panel of that one window was last shown. Main thread only.
  std::unordered_map<int64_t, double> lastCaptureTimestamps;
};

}  // namespace pelko
