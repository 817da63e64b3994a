#pragma once

#include <QImage>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pelko {

class AccessibilityHelper;
class WindowThumbnailCache;

namespace platform {
class WindowServer;
}

// The background half of showing thumbnails: capturing windows off the main thread through the cache.
// Everything here may run on any thread; it touches no widget and no pixmap.
namespace thumbnail_capture {

// A card shows at most this many points of a picture; pictures are scaled to fit before they are kept.
inline constexpr double kMaxPictureWidth = 300;
inline constexpr double kMaxPictureHeight = 200;
// A group shows at most this many windows.
inline constexpr size_t kMaxGroupSize = 6;

struct Sources {
  platform::WindowServer& windowServer;
  AccessibilityHelper& accessibilityHelper;  // the screen-recording permission
  WindowThumbnailCache& cache;
};

// The picture of one window: a fresh cached one, else a new capture (scaled to what a card shows, with
// `scale` pixels per point, and cached), else `fallbackIcon`. Without the screen-recording permission
// only the cache answers. A window number the window server cannot name (outside 1 to 2^32 - 1) is never
// captured.
std::optional<QImage> captureWindowOffMain(const Sources& sources, int64_t windowNumber,
                                           const std::optional<QImage>& fallbackIcon, double scale);

// The pixel size a capture of `pixelWidth` by `pixelHeight` at `scale` is kept at: its point size fitted
// into 300 by 200 points (never enlarged), times the scale.
std::pair<int, int> keptPixelSize(int pixelWidth, int pixelHeight, double scale);

struct GroupCapture {
  // At most six, in the order asked for.
  std::vector<std::pair<int64_t, std::optional<QImage>>> captures;
  // Window number to the window's title, the application name for untitled windows.
  std::map<int64_t, std::string> titles;
};

// The pictures of the first six of `windowNumbers` and the titles the on-screen window list gives them.
GroupCapture captureGroupOffMain(const Sources& sources, const std::vector<int64_t>& windowNumbers,
                                 const std::string& appName, const std::optional<QImage>& fallbackIcon,
                                 double scale);

}  // namespace thumbnail_capture
}  // namespace pelko
