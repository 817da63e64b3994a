#include "ui/Stepper.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/AccessibleControls.h"
#include "ui/FocusRing.h"
#include "ui/QtColor.h"
#include "ui/SemanticColors.h"
#include "ui/SymbolIcon.h"

namespace pelko {

namespace {
constexpr double kCornerRadius = 5;
}

Stepper::Stepper(QWidget* parent) : QWidget(parent) {
  installAccessibleControls();
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  new FocusRing(*this, kCornerRadius);
  connect(this, &Stepper::valueChangedByUser, this, &Stepper::announceValue);
}

double Stepper::clamped(double value) const {
  if (!std::isfinite(value)) return minimum_;
  return std::clamp(value, minimum_, maximum_);
}

void Stepper::setRange(double minimum, double maximum, double increment) {
  minimum_ = minimum;
  maximum_ = std::max(minimum, maximum);
  increment_ = increment > 0 ? increment : 1;
  value_ = clamped(value_);
  update();
}

void Stepper::setValue(double value) {
  const double before = value_;
  value_ = clamped(value);
  update();
  if (value_ != before) announceValue();
}

bool Stepper::setValueByUser(double value) {
  if (!isEnabled()) return false;
  const double next = clamped(value);
  if (next == value_) return false;
  value_ = next;
  update();
  emit valueChangedByUser(value_);
  return true;
}

void Stepper::announceValue() {
  QAccessibleValueChangeEvent event(this, value_);
  QAccessible::updateAccessibility(&event);
}

bool Stepper::stepByUser(int direction) {
  if (direction == 0) return false;
  // One increment from wherever the value stands (92 goes to 87 by 5, not to the 90 of a grid). The sum
  // is cut to nine decimals, so 0.1 + 0.2 is 0.3 and a hundred clicks up and down land where they began.
  const double moved = value_ + (direction > 0 ? increment_ : -increment_);
  return setValueByUser(std::round(moved * 1e9) / 1e9);
}

void Stepper::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  stepByUser(event->position().y() < height() / 2.0 ? 1 : -1);
}

void Stepper::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up) {
    stepByUser(1);
  } else if (event->key() == Qt::Key_Down) {
    stepByUser(-1);
  } else {
    QWidget::keyPressEvent(event);
  }
}

void Stepper::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (!isEnabled()) painter.setOpacity(0.4);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  painter.setPen(toQColor(semanticColor(SemanticColor::separator, 0.3)));
  painter.setBrush(toQColor(semanticColor(SemanticColor::label, 0.08)));
  painter.drawRoundedRect(frame, kCornerRadius, kCornerRadius);
  painter.drawLine(QPointF(frame.left() + 3, frame.center().y()),
                   QPointF(frame.right() - 3, frame.center().y()));
  const double arrow = std::min(width(), height() / 2) - 4;
  const Color tint = semanticColor(SemanticColor::label);
  painter.drawPixmap(QRectF((width() - arrow) / 2, (height() / 2.0 - arrow) / 2, arrow, arrow),
                     symbolImage("chevron.up", arrow, tint, true), QRectF());
  painter.drawPixmap(
      QRectF((width() - arrow) / 2, height() / 2.0 + (height() / 2.0 - arrow) / 2, arrow, arrow),
      symbolImage("chevron.down", arrow, tint, true), QRectF());
}

}  // namespace pelko
