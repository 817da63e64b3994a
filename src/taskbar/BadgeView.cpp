#include "taskbar/BadgeView.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>

#include "ui/QtColor.h"
#include "ui/WidgetOpacity.h"

namespace pelko {

BadgeView::BadgeView(QWidget* parent) : QWidget(parent), badgeColor_{0, 122.0 / 255, 1, 1} {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  // Read out as part of its button's label, not on its own.
  setAccessibleName(QString());
}

QFont BadgeView::digitFont() const {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(static_cast<int>(kFontSize));
  font.setBold(true);
  return font;
}

const QString& BadgeView::countString() const {
  if (!cachedCountString_) cachedCountString_ = QString::number(count_);
  return *cachedCountString_;
}

QSizeF BadgeView::textSize() const {
  if (!cachedTextSize_) {
    const QFontMetricsF metrics(digitFont());
    cachedTextSize_ = QSizeF(metrics.horizontalAdvance(countString()), metrics.height());
    ++measureCount_;
  }
  return *cachedTextSize_;
}

void BadgeView::setCount(int64_t count) {
  if (count == count_) return;
  count_ = count;
  cachedCountString_.reset();
  cachedTextSize_.reset();
  laidOutDigits_.reset();
  updateGeometry();
  update();
}

void BadgeView::setBadgeColor(const Color& color) {
  badgeColor_ = color;
  update();
}

void BadgeView::setTextColor(const Color& color) {
  textColor_ = color;
  update();
}

void BadgeView::setBadgeOpacity(double opacity) {
  badgeOpacity_ = std::isfinite(opacity) ? std::clamp(opacity, 0.0, 1.0) : 1.0;
  // A parent that draws the badge applies the opacity itself.
  if (!drawnByParent_) setWidgetOpacity(*this, badgeOpacity_);
  update();
}

QSize BadgeView::sizeHint() const {
  const double width = std::max(textSize().width() + 8, kHeight);
  return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(kHeight));
}

void BadgeView::paintEvent(QPaintEvent*) {
  if (drawnByParent_) return;
  QPainter painter(this);
  // The widget's own opacity effect applies the opacity here.
  paintOpaque(painter);
}

void BadgeView::paintBadge(QPainter& painter) {
  if (badgeOpacity_ >= 1) {
    paintOpaque(painter);
    return;
  }
  // Faded as a whole, as the widget's opacity fades it: the digits do not show the capsule through.
  const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  QPixmap picture(size() * ratio);
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::transparent);
  {
    QPainter inner(&picture);
    paintOpaque(inner);
  }
  painter.save();
  painter.setOpacity(painter.opacity() * badgeOpacity_);
  painter.drawPixmap(0, 0, picture);
  painter.restore();
}

void BadgeView::paintOpaque(QPainter& painter) {
  painter.save();
  painter.setClipRect(rect(), Qt::IntersectClip);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF bounds(rect());
  const double radius = bounds.height() / 2;
  painter.setPen(Qt::NoPen);
  painter.setBrush(toQColor(badgeColor_));
  painter.drawRoundedRect(bounds, radius, radius);
  const QSizeF text = textSize();
  const QFont font = digitFont();
  painter.setFont(font);
  painter.setPen(toQColor(textColor_));
  // Laid out once per count: the digits are shaped when the count changes, not on every paint.
  if (!laidOutDigits_) {
    laidOutDigits_.emplace(countString());
    laidOutDigits_->setTextFormat(Qt::PlainText);
    laidOutDigits_->prepare(QTransform(), font);
  }
  // The digits' box (as measured for the size hint) centred on whole points.
  const QPointF textOrigin(std::round((bounds.width() - text.width()) / 2),
                           std::round((bounds.height() - text.height()) / 2));
  painter.drawStaticText(textOrigin, *laidOutDigits_);
  painter.restore();
}

}  // namespace pelko
