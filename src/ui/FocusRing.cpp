#include "ui/FocusRing.h"

#include <QEvent>
#include <QPainter>

#include "ui/FocusVisibility.h"
#include "ui/QtColor.h"
#include "ui/SemanticColors.h"

namespace pelko {

namespace {

constexpr const char* kRinged = "pelkoFocusRing";

}  // namespace

FocusRing::FocusRing(QWidget& control, double cornerRadius)
    : QFocusFrame(&control), control_(&control), cornerRadius_(cornerRadius) {
  FocusVisibility::follow();
  hide();
  control.installEventFilter(this);
  control.setProperty(kRinged, true);
  // Laid over an ancestor, the ring outlives a control that is deleted on its own.
  connect(&control, &QObject::destroyed, this, &QObject::deleteLater);
}

FocusRing::~FocusRing() {
  if (control_) control_->setProperty(kRinged, {});
}

bool FocusRing::isRinged(const QWidget& control) {
  return control.property(kRinged).toBool();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
  if (watched == control_) {
    if (event->type() == FocusVisibility::changeEventType()) place();
    switch (event->type()) {
      case QEvent::FocusIn:
      case QEvent::FocusOut:
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::ParentChange:
      // A container between the control and the ring's host can move without telling the control;
      // the control is repainted when that happens.
      case QEvent::Paint:
        place();
        break;
      default:
        break;
    }
  }
  return false;
}

void FocusRing::place() {
  if (!control_ || !FocusVisibility::isShown(*control_) || !control_->isVisible()) {
    hide();
    return;
  }
  const QRect ring = control_->rect().adjusted(-kOutset, -kOutset, kOutset, kOutset);
  QWidget* host = control_->parentWidget();
  QRect inHost;
  for (; host; host = host->parentWidget()) {
    inHost = QRect(control_->mapTo(host, ring.topLeft()), ring.size());
    if (host->rect().contains(inHost) || host->isWindow()) break;
  }
  if (!host) {
    hide();
    return;
  }
  if (parentWidget() != host) setParent(host);
  if (geometry() != inHost) setGeometry(inHost);
  raise();
  show();
}

void FocusRing::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  constexpr double kWidth = 2;
  painter.setPen(QPen(toQColor(semanticColor(SemanticColor::controlAccent)), kWidth));
  painter.setBrush(Qt::NoBrush);
  const double inset = kWidth / 2;
  const double radius = cornerRadius_ + kOutset - inset;
  painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), radius, radius);
}

}  // namespace pelko
