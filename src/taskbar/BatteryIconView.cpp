#include "taskbar/BatteryIconView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "ui/QtColor.h"

namespace pelko {

namespace {
QRectF toQRectF(const Rect& r) {
  return QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height);
}
}  // namespace

Color batteryLevelColor(int level, bool charging) {
  if (charging) return battery_colors::kGreen;
  if (level <= 20) return battery_colors::kRed;
  if (level < 50) return battery_colors::kOrange;
  return battery_colors::kGreen;
}

BatteryGlyphGeometry batteryGlyphGeometry(double h, double viewHeight, int level) {
  BatteryGlyphGeometry g;
  const double bodyWidth = 1.6 * h;
  const double nubWidth = 0.12 * h;
  g.cornerRadius = std::max(0.15 * h, 2.0);
  g.lineWidth = std::max(0.08 * h, 1.0);
  g.body = Rect(0, (viewHeight - h) / 2, bodyWidth, h);
  const double nubHeight = 0.35 * h;
  g.nub = Rect(bodyWidth, g.body.midY() - nubHeight / 2, nubWidth, nubHeight);
  g.nubCornerRadius = 0.3 * nubWidth;

  const double inset = g.lineWidth + g.lineWidth / 2;
  const Rect inner = g.body.insetBy(inset, inset);
  const double fillWidth = inner.width() * std::clamp(level, 0, 100) / 100.0;
  if (fillWidth > 0) g.levelFill = Rect(inner.origin.x, inner.origin.y, fillWidth, inner.height());
  g.levelCornerRadius = std::max(g.cornerRadius - inset, 1.0);

  // The bolt is described with y up; the view's y runs down, so its offsets are mirrored.
  const double x = g.body.midX(), y = g.body.midY();
  const double b = 0.55 * h, a = b / 2;
  g.bolt = {Point{x + 0.05 * a, y - a}, Point{x - 0.35 * a, y - 0.02 * b}, Point{x + 0.05 * a, y - 0.02 * b},
            Point{x - 0.05 * a, y + a}, Point{x + 0.35 * a, y + 0.02 * b}, Point{x - 0.05 * a, y + 0.02 * b}};
  return g;
}

BatteryIconView::BatteryIconView(QWidget* parent) : QWidget(parent) {
  updateAccessibilityLabel();
}

void BatteryIconView::setLevel(int level) {
  if (level == level_) return;
  level_ = level;
  update();
  updateAccessibilityLabel();
}

void BatteryIconView::setCharging(bool charging) {
  if (charging == isCharging_) return;
  isCharging_ = charging;
  update();
  updateAccessibilityLabel();
}

void BatteryIconView::setColorCoded(bool colorCoded) {
  if (colorCoded == colorCoded_) return;
  colorCoded_ = colorCoded;
  update();
}

void BatteryIconView::setIconColor(Color color) {
  iconColor_ = color;
  update();
}

void BatteryIconView::setIconHeight(double height) {
  if (height == iconHeight_) return;
  iconHeight_ = height;
  updateGeometry();
  update();
}

std::string BatteryIconView::accessibilityLabel(int level, bool charging) {
  return "Battery " + std::to_string(level) + "%, " + (charging ? "charging" : "discharging");
}

void BatteryIconView::updateAccessibilityLabel() {
  setAccessibleName(QString::fromStdString(accessibilityLabel(level_, isCharging_)));
}

Size BatteryIconView::intrinsicSize() const {
  return {1.6 * iconHeight_ + 0.12 * iconHeight_ + 1, iconHeight_};
}

QSize BatteryIconView::sizeHint() const {
  const Size size = intrinsicSize();
  return QSize(static_cast<int>(std::ceil(size.width)), static_cast<int>(std::ceil(size.height)));
}

void BatteryIconView::paintEvent(QPaintEvent*) {
  const auto g = batteryGlyphGeometry(iconHeight_, height(), level_);
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);

  QPainterPath body;
  body.addRoundedRect(toQRectF(g.body), g.cornerRadius, g.cornerRadius);
  painter.strokePath(body, QPen(toQColor(iconColor_.withAlpha(0.5)), g.lineWidth));

  QPainterPath nub;
  nub.addRoundedRect(toQRectF(g.nub), g.nubCornerRadius, g.nubCornerRadius);
  painter.fillPath(nub, toQColor(iconColor_.withAlpha(0.5)));

  if (g.levelFill) {
    QPainterPath fill;
    fill.addRoundedRect(toQRectF(*g.levelFill), g.levelCornerRadius, g.levelCornerRadius);
    painter.fillPath(fill, toQColor(colorCoded_ ? batteryLevelColor(level_, isCharging_) : iconColor_));
  }

  if (isCharging_) {
    QPainterPath bolt;
    bolt.moveTo(g.bolt[0].x, g.bolt[0].y);
    for (size_t i = 1; i < g.bolt.size(); ++i) bolt.lineTo(g.bolt[i].x, g.bolt[i].y);
    bolt.closeSubpath();
    painter.fillPath(bolt, toQColor(colorCoded_ ? Color::white().withAlpha(0.9) : iconColor_.withAlpha(0.9)));
  }
}

}  // namespace pelko
