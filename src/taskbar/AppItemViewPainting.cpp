// The item button's painting: the picture of its contents (icon, stacked copies, dots, indicator,
// title and badge), kept until something it is drawn from changes, under the rounded background of the
// hover and active looks.

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStaticText>
#include <algorithm>

#include "taskbar/AppItemView.h"
#include "taskbar/BadgeView.h"
#include "ui/QtColor.h"

namespace pelko {

namespace {

// A one-line title that truncates at its tail instead of growing the button. The button draws it
// (paintTitle) into the picture of its contents; the label itself paints nothing.
class ItemLabel final : public QLabel {
 public:
  explicit ItemLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

  // Draws the title with the label's top left at the painter's origin, clipped to the label.
  void paintTitle(QPainter& painter) {
    painter.save();
    painter.setClipRect(rect(), Qt::IntersectClip);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QStaticText& title = laidOutTitle();
    // Vertically centred as a one-line text drawn in the label's rectangle would be.
    painter.drawStaticText(QPointF(0, (height() - title.size().height()) / 2), title);
    painter.restore();
  }

 protected:
  void paintEvent(QPaintEvent*) override {}

 private:
  // The shortening and the text layout (shaping the glyphs is most of the cost) are redone only when
  // the text, the width or the font changed.
  const QStaticText& laidOutTitle() {
    const QString source = text();
    if (source != laidOutSource_ || width() != laidOutWidth_ || font() != laidOutFont_) {
      laidOutSource_ = source;
      laidOutWidth_ = width();
      laidOutFont_ = font();
      laidOut_.setTextFormat(Qt::PlainText);
      laidOut_.setText(fontMetrics().elidedText(source, Qt::ElideRight, laidOutWidth_));
      laidOut_.prepare(QTransform(), laidOutFont_);
    }
    return laidOut_;
  }

  QString laidOutSource_;
  int laidOutWidth_ = -1;
  QFont laidOutFont_;
  QStaticText laidOut_;
};

QRectF toQRectF(const Rect& r) {
  return QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height);
}

}  // namespace

QLabel* AppItemView::makeTitleLabel() {
  return new ItemLabel(this);
}

// A hover fade changes the background alone: each of its frames fills the rounded background and blits
// the picture of everything else, which is drawn again only when something in it changed.
void AppItemView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const Color shownBackground = presentedBackgroundColor();
  if (shownBackground.alpha > 0) {
    // A hover fade changes only the alpha of the colour: its frames blit the shape instead of
    // rasterising the rounded outline again.
    painter.setOpacity(std::min(shownBackground.alpha, 1.0));
    painter.drawPixmap(0, 0, backgroundShape(shownBackground));
    painter.setOpacity(1);
  }
  // Normally made at the last layout; this only catches a move to a screen of another pixel density
  // (comparing the size alone).
  if (hasLayout_ && (!iconKey_ || iconKey_->pixels != iconPixels(iconFrame()))) refreshIcon();
  const ContentKey key = contentKey();
  if (!contentKey_ || *contentKey_ != key) {
    contentKey_ = key;
    content_ = paintContent();
    ++contentRebuildCount_;
  }
  painter.drawPixmap(0, 0, content_);
}

const QPixmap& AppItemView::backgroundShape(const Color& color) {
  const qreal ratio = devicePixelRatioF();
  const Color opaque = color.withAlpha(1);
  const ShapeKey key{size(), ratio, toQColor(opaque).rgb()};
  if (backgroundShapeKey_ == key) return backgroundShape_;
  backgroundShapeKey_ = key;
  ++backgroundShapeBuildCount_;
  backgroundShape_ = QPixmap(size() * ratio);
  backgroundShape_.setDevicePixelRatio(ratio);
  backgroundShape_.fill(Qt::transparent);
  QPainter painter(&backgroundShape_);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(toQColor(opaque));
  painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
  return backgroundShape_;
}

AppItemView::ContentKey AppItemView::contentKey() const {
  ContentKey key;
  key.size = size();
  key.pixelRatio = devicePixelRatioF();
  key.hasLayout = hasLayout_;
  key.mode = currentLayoutMode_;
  key.indicatorPosition = lastIndicatorPosition_;
  key.iconSide = iconSide_;
  key.icon = iconPixmap_.cacheKey();
  key.shadows = shadowCount_;
  key.dimmedAlpha = lastDimmedAlpha_;
  key.dots = dotCount_;
  if (dotCount_ > 0) key.dotColor = dotColor();
  key.indicatorAlpha = indicatorHidden_ ? 0 : indicatorAlpha_;
  key.indicatorColor = indicatorColor_;
  if (labelView_->isVisibleTo(this)) {
    key.title = labelView_->text();
    key.titleFrame = labelView_->geometry();
    key.titleFont = labelView_->font();
    key.titleColor = labelView_->palette().color(QPalette::WindowText).rgba64();
  }
  if (countBadge_->isVisibleTo(this)) {
    key.badgeFrame = countBadge_->geometry();
    key.badgeCount = countBadge_->count();
    key.badgeColor = countBadge_->badgeColor();
    key.badgeTextColor = countBadge_->textColor();
    key.badgeOpacity = countBadge_->badgeOpacity();
  }
  return key;
}

QPixmap AppItemView::paintContent() {
  const qreal ratio = devicePixelRatioF();
  QPixmap picture(size() * ratio);
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  if (hasLayout_) paintIconAndMarks(painter);
  // The title and the badge, above the icon as child views would be, each at its own place.
  const auto paintAt = [this, &painter](QWidget* child, const auto& paint) {
    if (!child->isVisibleTo(this) || child->geometry().isEmpty()) return;
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform, false);
    painter.translate(child->pos());
    paint();
    painter.restore();
  };
  paintAt(labelView_, [&] { static_cast<ItemLabel*>(labelView_)->paintTitle(painter); });
  paintAt(countBadge_, [&] { countBadge_->paintBadge(painter); });
  return picture;
}

void AppItemView::paintIconAndMarks(QPainter& painter) {
  const QRect icon = iconFrame();
  if (!iconPixmap_.isNull()) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The pixmap may be larger than the frame in points (dense screens) or keep the file's aspect
    // ratio: centred and fitted in the frame.
    QSizeF shown = QSizeF(iconPixmap_.size()).scaled(QSizeF(icon.size()), Qt::KeepAspectRatio);
    QRectF target(QPointF(0, 0), shown);
    target.moveCenter(QRectF(icon).center());
    // Faint copies of the icon peek out behind it toward the top trailing corner, one per extra
    // window (two at most), the further one fainter.
    for (int i = shadowCount_; i >= 1; --i) {
      painter.save();
      const QRectF copy = target.translated(2.0 * i, -2.0 * i);
      QPainterPath clip;
      clip.addRoundedRect(copy, 2, 2);
      painter.setClipPath(clip);
      painter.setOpacity(i == 1 ? 0.25 : 0.15);
      painter.drawPixmap(copy, iconPixmap_, QRectF(iconPixmap_.rect()));
      painter.restore();
    }
    painter.setOpacity(lastDimmedAlpha_);
    painter.drawPixmap(target, iconPixmap_, QRectF(iconPixmap_.rect()));
    painter.restore();
  }
  if (dotCount_ > 0) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(toQColor(dotColor()));
    const QRect dots = dotsFrame();
    const bool across = currentLayoutMode_ != LayoutMode::vertical;
    for (int i = 0; i < dotCount_; ++i) {
      const double step = i * (kDotSide + kDotSpacing);
      const QRectF dot(dots.x() + (across ? step : 0), dots.y() + (across ? 0 : step), kDotSide, kDotSide);
      painter.drawRoundedRect(dot, 2, 2);
    }
  }
  if (indicatorAlpha_ > 0 && !indicatorHidden_) {
    const QRectF indicator = toQRectF(item_layout::indicatorFrame(
        indicatorEdgeFromSetting(lastIndicatorPosition_), currentLayoutMode_ != LayoutMode::iconsTextRight,
        Size{static_cast<double>(width()), static_cast<double>(height())}));
    painter.setPen(Qt::NoPen);
    painter.setBrush(toQColor(indicatorColor_.withAlpha(indicatorColor_.alpha * indicatorAlpha_)));
    painter.drawRoundedRect(indicator, 1, 1);
  }
}

}  // namespace pelko
