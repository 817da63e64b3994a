#include "settingswindow/SettingsWindowFrame.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace pelko {

namespace {

std::string number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

// `size` shrunk to fit `visible`, never below the window's minimum size there.
Size fitted(Size size, const Rect& visible) {
  const Size minimum = SettingsWindowFrame::minimumSizeIn(visible);
  return {std::max(minimum.width, std::min(size.width, visible.width())),
          std::max(minimum.height, std::min(size.height, visible.height()))};
}

// `size`, fitted to `on`, in the middle of it and kept on it.
Rect centred(Size size, const Rect& on) {
  const Size fit = fitted(size, on);
  const Rect middle(std::round(on.midX() - fit.width / 2), std::round(on.midY() - fit.height / 2), fit.width,
                    fit.height);
  return SettingsWindowFrame::keptOnScreen(middle, on);
}

}  // namespace

std::string SettingsWindowFrame::format(const Rect& frame) {
  const Rect r = frame.standardized();
  return number(r.minX()) + " " + number(r.minY()) + " " + number(r.width()) + " " + number(r.height());
}

std::optional<Rect> SettingsWindowFrame::parse(const std::string& text) {
  double values[4];
  const char* cursor = text.data();
  const char* end = text.data() + text.size();
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (cursor == end || *cursor != ' ') return std::nullopt;
      ++cursor;
    }
    auto [next, error] = std::from_chars(cursor, end, values[i]);
    if (error != std::errc() || next == cursor || !std::isfinite(values[i])) return std::nullopt;
    cursor = next;
  }
  if (cursor != end) return std::nullopt;
  if (values[2] <= 0 || values[3] <= 0) return std::nullopt;
  return Rect(values[0], values[1], values[2], values[3]);
}

Rect SettingsWindowFrame::restored(const std::optional<Rect>& saved, const std::vector<Rect>& visibleFrames) {
  if (!saved) {
    return visibleFrames.empty() ? Rect(0, 0, kContentSize.width, kContentSize.height)
                                 : centred(kContentSize, visibleFrames.front());
  }
  const Size size{std::clamp(saved->width(), kMinimumSize.width, kMaximumSize.width),
                  std::clamp(saved->height(), kMinimumSize.height, kMaximumSize.height)};
  const Rect frame(saved->minX(), saved->minY(), size.width, size.height);
  if (visibleFrames.empty()) return frame;
  if (auto own = screenHolding(frame, visibleFrames)) return keptOnScreen(frame, visibleFrames[*own]);
  return centred(size, visibleFrames.front());
}

Size SettingsWindowFrame::minimumSizeIn(const Rect& visible) {
  // Never nothing at all, even in a visible frame that has no room.
  return {std::max(1.0, std::min(kMinimumSize.width, visible.width())),
          std::max(1.0, std::min(kMinimumSize.height, visible.height()))};
}

Rect SettingsWindowFrame::keptOnScreen(const Rect& frame, const Rect& visible) {
  const auto [width, height] = fitted(frame.size, visible);
  // Shrinking keeps the top edge where it was (screen coordinates grow upwards); then the top edge comes
  // down onto the visible frame and the bottom edge up onto it.
  double x = frame.minX();
  double y = frame.maxY() - height;
  if (y + height > visible.maxY()) y = visible.maxY() - height;
  if (y < visible.minY() && height <= visible.height()) y = visible.minY();
  if (width > visible.width()) x = visible.minX();
  return Rect(x, y, width, height);
}

Rect SettingsWindowFrame::clearOfBars(const Rect& visible, const std::vector<Rect>& bars) {
  double minX = visible.minX(), maxX = visible.maxX(), minY = visible.minY(), maxY = visible.maxY();
  for (const Rect& bar : bars) {
    if (!bar.intersects(visible)) continue;
    if (bar.width() >= bar.height()) {
      if (bar.midY() < visible.midY()) {
        minY = std::max(minY, bar.maxY());
      } else {
        maxY = std::min(maxY, bar.minY());
      }
    } else if (bar.midX() < visible.midX()) {
      minX = std::max(minX, bar.maxX());
    } else {
      maxX = std::min(maxX, bar.minX());
    }
  }
  return Rect(minX, minY, std::max(0.0, maxX - minX), std::max(0.0, maxY - minY));
}

Rect SettingsWindowFrame::roomForContent(const Rect& visible, Size decoration) {
  // The content hangs below the outer frame's top edge: the decoration takes its room at the bottom and
  // the right of the area.
  return Rect(visible.minX(), visible.minY() + decoration.height,
              std::max(0.0, visible.width() - decoration.width),
              std::max(0.0, visible.height() - decoration.height));
}

std::optional<size_t> SettingsWindowFrame::screenHolding(const Rect& frame,
                                                         const std::vector<Rect>& visibleFrames) {
  std::optional<size_t> best;
  double bestArea = 0;
  for (size_t index = 0; index < visibleFrames.size(); ++index) {
    const double area = frame.intersectionArea(visibleFrames[index]);
    if (area > bestArea) {
      bestArea = area;
      best = index;
    }
  }
  return best;
}

}  // namespace pelko
