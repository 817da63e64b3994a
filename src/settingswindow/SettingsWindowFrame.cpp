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

Rect centred(Size size, const Rect& on) {
  return Rect(std::round(on.midX() - size.width / 2), std::round(on.midY() - size.height / 2), size.width,
              size.height);
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
  for (const Rect& visible : visibleFrames)
    if (frame.intersects(visible)) return frame;
  return centred(size, visibleFrames.front());
}

}  // namespace pelko
