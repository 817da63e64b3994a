#include "taskbar/BadgeView.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
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
  setWidgetOpacity(*this, badgeOpacity_);
  update();
}

QSize BadgeView::sizeHint() const {
  const double width = std::max(textSize().width() + 8, kHeight);
  return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(kHeight));
}

void BadgeView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
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
  // Laid out once per count: repaints during the button's hover fades only draw the glyphs.
  if (!laidOutDigits_) {
    laidOutDigits_.emplace(countString());
    laidOutDigits_->setTextFormat(Qt::PlainText);
    laidOutDigits_->prepare(QTransform(), font);
  }
  // The digits' box (as measured for the size hint) centred on whole points.
  const QPointF textOrigin(std::round((bounds.width() - text.width()) / 2),
                           std::round((bounds.height() - text.height()) / 2));
  painter.drawStaticText(textOrigin, *laidOutDigits_);
}

}  // namespace pelko
