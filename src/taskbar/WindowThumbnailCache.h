#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "foundation/Scheduler.h"

namespace pelko {

namespace platform {
class MemoryPressure;
}

// Window pictures captured in the last few seconds, shared by every thumbnail panel of the process, so
// that moving the pointer back and forth between items does not capture the same window again and again.
// Ages are on the wall clock. Safe to use from any thread: every read and write holds one lock, which is
// never held while a window is captured.
class WindowThumbnailCache {
 public:
  // An entry is fresh while its age is below this many seconds.
  static constexpr double kFreshness = 3.0;

  explicit WindowThumbnailCache(Scheduler& scheduler) : scheduler_(scheduler) {}
  WindowThumbnailCache(const WindowThumbnailCache&) = delete;
  WindowThumbnailCache& operator=(const WindowThumbnailCache&) = delete;

  // The picture of the window when a fresh one is cached; a stale entry is ignored (and left).
  std::optional<QImage> freshImage(int64_t windowNumber) const;
  // Stores the picture as captured now, replacing an older one, and drops every stale entry, so the cache
  // never holds more than the windows captured in the last few seconds.
  void insert(int64_t windowNumber, const QImage& image);
  void clear();

  size_t entryCount() const;
  // The pixel bytes the cached pictures hold.
  size_t byteCount() const;

  // From now on, a warning or critical memory-pressure event empties the cache. Only the first call
  // installs the watch; it is kept as long as the cache.
  void watchMemoryPressure(platform::MemoryPressure& source);
  bool isWatchingMemoryPressure() const { return pressureWatch_ != nullptr; }

 private:
  struct Entry {
    QImage image;
    double timestamp = 0;
  };

  Scheduler& scheduler_;
  mutable std::mutex lock_;
  std::unordered_map<int64_t, Entry> entries_;
  std::shared_ptr<void> pressureWatch_;
};

}  // namespace pelko
