#include "taskbar/WindowThumbnailCache.h"

#include "foundation/DebugLog.h"
#include "platform/MemoryPressure.h"

namespace pelko {

std::optional<QImage> WindowThumbnailCache::freshImage(int64_t windowNumber) const {
  const double now = scheduler_.wallClockNow();
  std::lock_guard<std::mutex> guard(lock_);
  auto it = entries_.find(windowNumber);
  if (it == entries_.end() || !(now - it->second.timestamp < kFreshness)) return std::nullopt;
  return it->second.image;
}

void WindowThumbnailCache::insert(int64_t windowNumber, const QImage& image) {
  const double now = scheduler_.wallClockNow();
  std::lock_guard<std::mutex> guard(lock_);
  entries_[windowNumber] = Entry{image, now};
  std::erase_if(entries_, [now](const auto& entry) { return !(now - entry.second.timestamp < kFreshness); });
}

void WindowThumbnailCache::clear() {
  std::lock_guard<std::mutex> guard(lock_);
  entries_.clear();
}

size_t WindowThumbnailCache::entryCount() const {
  std::lock_guard<std::mutex> guard(lock_);
  return entries_.size();
}

size_t WindowThumbnailCache::byteCount() const {
  std::lock_guard<std::mutex> guard(lock_);
  size_t bytes = 0;
  for (const auto& [number, entry] : entries_) bytes += static_cast<size_t>(entry.image.sizeInBytes());
  return bytes;
}

void WindowThumbnailCache::watchMemoryPressure(platform::MemoryPressure& source) {
  if (pressureWatch_) return;
  pressureWatch_ = source.watch([this](platform::MemoryPressureLevel level) {
    if (level == platform::MemoryPressureLevel::normal) return;
    std::lock_guard<std::mutex> guard(lock_);
    entries_.clear();
    debugLog("ThumbnailPanel: cleared cache due to memory pressure");
  });
}

}  // namespace pelko
