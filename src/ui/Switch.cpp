#include "ui/Switch.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/AccessibleControls.h"
#include "ui/FocusRing.h"
#include "ui/QtColor.h"
#include "ui/SemanticColors.h"

namespace pelko {

Switch::Switch(QWidget* parent) : QWidget(parent) {
  installAccessibleControls();
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  new FocusRing(*this, sizeHint().height() / 2.0);
}

void Switch::setOn(bool on) {
  if (on_ == on) return;
  on_ = on;
  update();
  announceState();
}

void Switch::toggleByUser() {
  if (!isEnabled()) return;
  on_ = !on_;
  update();
  announceState();
  emit toggledByUser(on_);
}

void Switch::announceState() {
  QAccessible::State changed;
  changed.checked = true;
  QAccessibleStateChangeEvent event(this, changed);
  QAccessible::updateAccessibility(&event);
}

void Switch::mousePressEvent(QMouseEvent* event) {
  // The control acts on the release; taking the press keeps the press from reaching the window's
  // background, which would hand the pointer to the window system to move the window.
  event->setAccepted(event->button() == Qt::LeftButton);
}

void Switch::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) toggleByUser();
}

void Switch::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) {
    toggleByUser();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Switch::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (!isEnabled()) painter.setOpacity(0.4);
  const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
  const double radius = track.height() / 2;
  painter.setPen(Qt::NoPen);
  painter.setBrush(toQColor(on_ ? semanticColor(SemanticColor::controlAccent)
                                : semanticColor(SemanticColor::label, 0.16)));
  painter.drawRoundedRect(track, radius, radius);
  const double knob = track.height() - 4;
  const double x = on_ ? track.right() - 2 - knob : track.left() + 2;
  painter.setBrush(Qt::white);
  painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

}  // namespace pelko
