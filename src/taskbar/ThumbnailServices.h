#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <unordered_map>
#include <vector>

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
  // A panel let go by its creator deletes itself when its fade-out ends; once the event loop has stopped
  // no fade ends, so whatever is still waiting goes with the services.
  ~ThumbnailServices() {
    for (const QPointer<QObject>& panel : droppedPanels) delete panel.data();
  }
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
  // The panels their creators have dropped that may not have deleted themselves yet. Main thread only.
  std::vector<QPointer<QObject>> droppedPanels;
};

}  // namespace pelko
