#include "taskbar/TaskbarContainerView.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <algorithm>
#include <cmath>

namespace pelko {

namespace {
QColor toQColor(const Color& c) {
  return QColor::fromRgbF(
      static_cast<float>(std::clamp(c.red, 0.0, 1.0)), static_cast<float>(std::clamp(c.green, 0.0, 1.0)),
      static_cast<float>(std::clamp(c.blue, 0.0, 1.0)), static_cast<float>(std::clamp(c.alpha, 0.0, 1.0)));
}
}  // namespace

TaskbarContainerView::TaskbarContainerView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TranslucentBackground);
  setAutoFillBackground(false);
}

void TaskbarContainerView::setBackgroundColor(std::optional<Color> color) {
  if (color == background_) return;
  background_ = color;
  update();
}

void TaskbarContainerView::setCornerRadius(double radius) {
  if (!std::isfinite(radius) || radius < 0) radius = 0;
  if (radius == cornerRadius_) return;
  cornerRadius_ = radius;
  updateMask();
  update();
}

void TaskbarContainerView::layoutNow() {
  if (onLayout) onLayout();
}

void TaskbarContainerView::paintEvent(QPaintEvent*) {
  if (!background_ || background_->alpha <= 0) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(toQColor(*background_));
  painter.drawRoundedRect(QRectF(rect()), cornerRadius_, cornerRadius_);
}

void TaskbarContainerView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  updateMask();
  layoutNow();
}

void TaskbarContainerView::updateMask() {
  if (cornerRadius_ <= 0) {
    clearMask();
    return;
  }
  // Children are clipped to the rounded shape as well (masks to bounds).
  QPainterPath path;
  path.addRoundedRect(QRectF(rect()), cornerRadius_, cornerRadius_);
  setMask(QRegion(path.toFillPolygon().toPolygon()));
}

}  // namespace pelko
