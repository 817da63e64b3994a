#include "taskbar/BatteryFillView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "taskbar/BatteryIconView.h"

namespace pelko {

namespace {
constexpr double kInset = 3;
constexpr double kSegmentGap = 3;
constexpr int kSegmentCount = 5;
constexpr double kBarRadius = 4;
constexpr double kSegmentRadius = 3;
}  // namespace

BatteryFillView::BatteryFillView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BatteryFillView::setStyle(BatteryIconStyle style) {
  if (style == style_) return;
  style_ = style;
  update();
}

void BatteryFillView::setLevel(int level) {
  if (level == level_) return;
  level_ = level;
  update();
}

void BatteryFillView::setCharging(bool charging) {
  if (charging == isCharging_) return;
  isCharging_ = charging;
  update();
}

void BatteryFillView::setColorCoded(bool colorCoded) {
  if (colorCoded == colorCoded_) return;
  colorCoded_ = colorCoded;
  update();
}

Color BatteryFillView::fillColor(int level, bool charging, bool colorCoded) {
  return colorCoded ? batteryLevelColor(level, charging).withAlpha(0.2) : Color::white().withAlpha(0.15);
}

std::vector<Rect> BatteryFillView::fillRects(BatteryIconStyle style, const Rect& bounds, int level) {
  const double l = std::clamp(level, 0, 100);
  const Rect r = bounds.insetBy(kInset, kInset);
  std::vector<Rect> rects;
  if (style == BatteryIconStyle::bar) {
    const double width = r.width() * l / 100;
    if (width > 0) rects.emplace_back(r.origin.x, r.origin.y, width, r.height());
  } else if (style == BatteryIconStyle::segments) {
    const double segment = (r.width() - kSegmentGap * (kSegmentCount - 1)) / kSegmentCount;
    for (int i = 0; i < kSegmentCount; ++i) {
      const double x = r.origin.x + i * (segment + kSegmentGap);
      if (l >= 20.0 * (i + 1))
        rects.emplace_back(x, r.origin.y, segment, r.height());
      else if (l > 20.0 * i)
        rects.emplace_back(x, r.origin.y, (l - 20.0 * i) / 20 * segment, r.height());
    }
  }
  return rects;
}

void BatteryFillView::paintEvent(QPaintEvent*) {
  if (style_ == BatteryIconStyle::battery) return;
  const Color c = fillColor(level_, isCharging_, colorCoded_);
  const QColor colour = QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green),
                                         static_cast<float>(c.blue), static_cast<float>(c.alpha));
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const Rect bounds(0, 0, width(), height());
  const double radius = style_ == BatteryIconStyle::bar ? kBarRadius : kSegmentRadius;
  if (style_ == BatteryIconStyle::segments) {
    const Rect r = bounds.insetBy(kInset, kInset);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height), kBarRadius, kBarRadius);
    painter.setClipPath(clip);
  }
  for (const Rect& rect : fillRects(style_, bounds, level_)) {
    QPainterPath path;
    path.addRoundedRect(QRectF(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height), radius,
                        radius);
    painter.fillPath(path, colour);
  }
}

}  // namespace pelko
