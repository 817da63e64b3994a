#include "ui/SegmentedControl.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/AccessibleControls.h"
#include "ui/FocusRing.h"
#include "ui/PlainText.h"
#include "ui/QtColor.h"
#include "ui/SemanticColors.h"

namespace pelko {

namespace {
constexpr int kPadding = 12;
constexpr int kHeight = 24;
constexpr double kCornerRadius = 6;
}  // namespace

SegmentedControl::SegmentedControl(const QStringList& labels, QWidget* parent) : QWidget(parent) {
  installAccessibleControls();
  for (const QString& label : labels) labels_ << singleLine(label);
  setFocusPolicy(Qt::StrongFocus);
  new FocusRing(*this, kCornerRadius);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  QFont small = font();
  small.setPixelSize(12);
  setFont(small);
}

void SegmentedControl::setSelectedSegment(int segment) {
  if (segment < -1 || segment >= segmentCount()) return;
  setSelected(segment);
}

bool SegmentedControl::selectByUser(int segment) {
  if (!isEnabled() || segment < 0 || segment >= segmentCount() || segment == selected_) return false;
  setSelected(segment);
  emit segmentSelectedByUser(segment);
  return true;
}

void SegmentedControl::setSelected(int segment) {
  const int before = selected_;
  selected_ = segment;
  update();
  if (before == segment) return;
  // A screen reader hears of both segments whose selected state changed.
  QAccessible::State changed;
  changed.selected = true;
  for (int index : {before, segment}) {
    if (index < 0) continue;
    QAccessibleStateChangeEvent event(this, changed);
    event.setChild(index);
    QAccessible::updateAccessibility(&event);
  }
}

QSize SegmentedControl::sizeHint() const {
  int widest = 0;
  for (const QString& label : labels_) widest = std::max(widest, fontMetrics().horizontalAdvance(label));
  return {segmentCount() * (widest + 2 * kPadding) + 2, kHeight};
}

QRect SegmentedControl::segmentRect(int segment) const {
  if (segmentCount() == 0) return {};
  const double width = (this->width() - 2) / static_cast<double>(segmentCount());
  return QRect(1 + qRound(segment * width), 1, qRound((segment + 1) * width) - qRound(segment * width),
               height() - 2);
}

void SegmentedControl::mousePressEvent(QMouseEvent* event) {
  // The control acts on the release; taking the press keeps the press from reaching the window's
  // background, which would hand the pointer to the window system to move the window.
  event->setAccepted(event->button() == Qt::LeftButton);
}

void SegmentedControl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  for (int i = 0; i < segmentCount(); ++i)
    if (segmentRect(i).contains(event->position().toPoint())) selectByUser(i);
}

void SegmentedControl::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      selectByUser(selected_ - 1);
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      selectByUser(selected_ + 1);
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

void SegmentedControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (!isEnabled()) painter.setOpacity(0.4);
  painter.setPen(toQColor(semanticColor(SemanticColor::separator, 0.3)));
  painter.setBrush(toQColor(semanticColor(SemanticColor::label, 0.06)));
  painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
  for (int i = 0; i < segmentCount(); ++i) {
    const QRect area = segmentRect(i);
    if (i == selected_) {
      painter.setPen(Qt::NoPen);
      painter.setBrush(toQColor(semanticColor(SemanticColor::label, 0.22)));
      painter.drawRoundedRect(QRectF(area).adjusted(1, 1, -1, -1), 5, 5);
    } else if (i > 0 && i - 1 != selected_) {
      painter.setPen(toQColor(semanticColor(SemanticColor::separator, 0.3)));
      painter.drawLine(area.left(), area.top() + 5, area.left(), area.bottom() - 5);
    }
    painter.setPen(toQColor(semanticColor(SemanticColor::label)));
    painter.drawText(area, Qt::AlignCenter, labels_[i]);
  }
}

}  // namespace pelko
