#include "ui/ColorWell.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/AccessibleControls.h"
#include "ui/ColorPanel.h"
#include "ui/FocusRing.h"
#include "ui/QtColor.h"
#include "ui/SemanticColors.h"

namespace pelko {

namespace {
constexpr double kCornerRadius = 5;
}

ColorWell::ColorWell(QWidget* parent) : QWidget(parent) {
  installAccessibleControls();
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  new FocusRing(*this, kCornerRadius);
}

ColorWell::~ColorWell() {
  if (auto* panel = ColorPanel::sharedIfExists()) panel->release(this);
}

void ColorWell::setColor(const Color& color) {
  color_ = color;
  if (active_)
    if (auto* panel = ColorPanel::sharedIfExists()) panel->showColor(color);
  update();
}

void ColorWell::setActive(bool active) {
  active_ = active;
  update();
}

void ColorWell::takeColorFromPanel(const Color& color) {
  if (!isEnabled()) return;
  color_ = color;
  update();
  emit colorChangedByUser(color);
}

void ColorWell::mousePressEvent(QMouseEvent* event) {
  // The control acts on the release; taking the press keeps the press from reaching the window's
  // background, which would hand the pointer to the window system to move the window.
  event->setAccepted(event->button() == Qt::LeftButton);
}

void ColorWell::openPanelByUser() {
  if (isEnabled()) ColorPanel::shared().activate(this);
}

void ColorWell::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) openPanelByUser();
}

void ColorWell::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      openPanelByUser();
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

void ColorWell::changeEvent(QEvent* event) {
  // A disabled well lets go of the panel, so no pick reaches a setting that is switched off.
  if (event->type() == QEvent::EnabledChange && !isEnabled() && active_) {
    if (auto* panel = ColorPanel::sharedIfExists()) panel->release(this);
    setActive(false);
  }
  QWidget::changeEvent(event);
}

void ColorWell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (!isEnabled()) painter.setOpacity(0.4);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  painter.setPen(toQColor(active_ ? semanticColor(SemanticColor::controlAccent)
                                  : semanticColor(SemanticColor::separator, 0.4)));
  painter.setBrush(toQColor(semanticColor(SemanticColor::label, 0.08)));
  painter.drawRoundedRect(frame, kCornerRadius, kCornerRadius);
  painter.setPen(Qt::NoPen);
  painter.setBrush(toQColor(color_));
  painter.drawRoundedRect(frame.adjusted(4, 4, -4, -4), 3, 3);
}

}  // namespace pelko
