#include "taskbar/ThumbnailCaptureJob.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/WindowServer.h"
#include "taskbar/WindowThumbnailCache.h"
#include "tracking/AccessibilityHelper.h"

namespace pelko::thumbnail_capture {

namespace {
// Captures smaller than this many pixels on a side are not worth showing.
constexpr int kMinimumCaptureSide = 10;
}  // namespace

std::pair<int, int> keptPixelSize(int pixelWidth, int pixelHeight, double scale) {
  const double pointWidth = pixelWidth / scale, pointHeight = pixelHeight / scale;
  const double factor = std::min({kMaxPictureWidth / pointWidth, kMaxPictureHeight / pointHeight, 1.0});
  return {std::max(1, static_cast<int>(std::lround(pixelWidth * factor))),
          std::max(1, static_cast<int>(std::lround(pixelHeight * factor)))};
}

std::optional<QImage> captureWindowOffMain(const Sources& sources, int64_t windowNumber,
                                           const std::optional<QImage>& fallbackIcon, double scale) {
  if (windowNumber < 1 || windowNumber > std::numeric_limits<uint32_t>::max()) return fallbackIcon;
  if (auto cached = sources.cache.freshImage(windowNumber)) return cached;
  // After the cache: a picture taken while the permission was granted still serves its few seconds.
  if (!sources.accessibilityHelper.hasScreenRecordingPermission()) return fallbackIcon;

  const auto captured = sources.windowServer.createWindowImage(static_cast<platform::WindowID>(windowNumber));
  if (!captured || captured->width < kMinimumCaptureSide || captured->height < kMinimumCaptureSide)
    return fallbackIcon;
  if (!(scale > 0)) scale = 1;
  // A view of the capture's pixels, scaled down into an image of its own: a full-resolution picture of a
  // large window would keep tens of megabytes for a card that shows 300 by 200 points.
  const QImage full(reinterpret_cast<const uchar*>(captured->pixels.data()), captured->width,
                    captured->height, captured->width * 4, QImage::Format_ARGB32_Premultiplied);
  const auto [width, height] = keptPixelSize(captured->width, captured->height, scale);
  QImage kept = width == captured->width && height == captured->height
                    ? full.copy()
                    : full.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  kept.setDevicePixelRatio(scale);
  sources.cache.insert(windowNumber, kept);
  return kept;
}

GroupCapture captureGroupOffMain(const Sources& sources, const std::vector<int64_t>& windowNumbers,
                                 const std::string& appName, const std::optional<QImage>& fallbackIcon,
                                 double scale) {
  GroupCapture result;
  const auto rows = sources.windowServer.copyWindowListRows(
      platform::kWindowListOptionOnScreenOnly | platform::kWindowListExcludeDesktopElements,
      platform::kNullWindowID);
  if (rows) {
    for (const auto& row : *rows) {
      if (!row.number) continue;
      if (std::find(windowNumbers.begin(), windowNumbers.end(), *row.number) == windowNumbers.end()) continue;
      result.titles[*row.number] = row.name && !row.name->empty() ? *row.name : appName;
    }
  }
  const size_t count = std::min(windowNumbers.size(), kMaxGroupSize);
  for (size_t i = 0; i < count; ++i)
    result.captures.emplace_back(windowNumbers[i],
                                 captureWindowOffMain(sources, windowNumbers[i], fallbackIcon, scale));
  for (size_t i = 0; i < count; ++i) result.titles.try_emplace(windowNumbers[i], appName);
  return result;
}

}  // namespace pelko::thumbnail_capture
