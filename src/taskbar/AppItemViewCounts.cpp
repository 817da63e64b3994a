// The item button's window count of a grouped application, in the style the settings name: a count
// beside the title or over the icon, a badge, dots in the indicator's place, or stacked copies of the
// icon.

#include <QLabel>
#include <algorithm>

#include "settings/SettingsManager.h"
#include "taskbar/AppItemView.h"
#include "taskbar/BadgeView.h"
#include "tracking/TrackedApp.h"
#include "ui/PlainText.h"
#include "ui/QtColor.h"

namespace pelko {

Color AppItemView::secondaryLabelColor() const {
  // The secondary label colour of the bar's appearance: the label colour, half transparent.
  return cachedOverlayColor_.withAlpha(0.55);
}

void AppItemView::updateWindowCount(int64_t count) {
  const int64_t old = windowCount_;
  windowCount_ = count;
  auto s = settings();
  if (!s) {
    hideAllCountElements();
    lastCountVisible_ = false;
    lastCountStyle_.reset();
    if (trackedApp_) updateAccessibility(trackedApp_->windowTitle.get());
    return;
  }
  const bool visible =
      s->showWindowCount.get() && count > 1 && (!trackedApp_ || !trackedApp_->isWindowEntry());
  const WindowCountStyle style = s->windowCountStyle.get();
  const bool textMode = currentLayoutMode_ == LayoutMode::iconsTextRight;

  if (visible && lastCountVisible_ && lastCountStyle_ == style) {
    if (count == old && style != WindowCountStyle::badge) return;
    switch (style) {
      case WindowCountStyle::inlineLeft:
        if (textMode && trackedApp_) {
          updateLabel(s->showWindowTitle.get(), count, std::nullopt);
        } else {
          setPlainText(*trailingCountLabel_, QString::number(count));
          trailingCountLabel_->adjustSize();
        }
        break;
      case WindowCountStyle::inlineRight:
        setPlainText(*trailingCountLabel_, QString::number(count));
        trailingCountLabel_->adjustSize();
        break;
      case WindowCountStyle::dots:
        hideAllCountElements();
        setupDots(count);
        break;
      case WindowCountStyle::badge: {
        const QSize before = countBadge_->sizeHint();
        updateBadge(count);
        if (trackedApp_) updateAccessibility(trackedApp_->windowTitle.get());
        // A repaint in new colours needs no new place.
        if (countBadge_->sizeHint() == before) return;
        break;
      }
      case WindowCountStyle::stacked:
        shadowCount_ = count >= 3 ? 2 : 1;
        break;
    }
    if (trackedApp_) updateAccessibility(trackedApp_->windowTitle.get());
    updateGeometry();
    applyGeometry();
    return;
  }

  lastCountVisible_ = visible;
  lastCountStyle_ = visible ? std::optional<WindowCountStyle>(style) : std::nullopt;
  hideAllCountElements();
  if (visible) {
    switch (style) {
      case WindowCountStyle::inlineLeft:
        if (textMode) {
          if (trackedApp_) updateLabel(s->showWindowTitle.get(), count, std::nullopt);
        } else {
          setupSuperscriptCount(count);
        }
        break;
      case WindowCountStyle::inlineRight:
        if (textMode) {
          setupTrailingCount(count);
          updateLabelWithoutCount();
        } else {
          setupSuperscriptCount(count);
        }
        break;
      case WindowCountStyle::dots:
        setupDots(count);
        break;
      case WindowCountStyle::badge:
        countBadge_->show();
        updateBadge(count);
        countPlacement_ = textMode ? CountPlacement::badgeTrailing : CountPlacement::badgeOnIcon;
        updateLabelWithoutCount();
        break;
      case WindowCountStyle::stacked:
        if (trackedApp_) {
          shadowCount_ = count >= 3 ? 2 : 1;
          countPlacement_ = CountPlacement::stacked;
          updateLabelWithoutCount();
        }
        break;
    }
  } else {
    updateLabelWithoutCount();
  }
  if (trackedApp_) updateAccessibility(trackedApp_->windowTitle.get());
  updateGeometry();
  applyGeometry();
}

void AppItemView::hideAllCountElements() {
  countBadge_->hide();
  trailingCountLabel_->hide();
  dotCount_ = 0;
  shadowCount_ = 0;
  countPlacement_ = CountPlacement::none;
  indicatorHidden_ = false;
  update();
}

void AppItemView::updateBadge(int64_t count) {
  auto s = settings();
  countBadge_->setCount(count);
  if (s) {
    countBadge_->setBadgeColor(s->badgeColor.get());
    countBadge_->setTextColor(s->badgeTextColor.get());
    countBadge_->setBadgeOpacity(s->badgeOpacity.get() / 100);
  }
}

void AppItemView::setupSuperscriptCount(int64_t count) {
  QFont font = systemFontOfSize(8);
  font.setWeight(QFont::DemiBold);
  showCountLabel(font, count, CountPlacement::superscript);
}

void AppItemView::showCountLabel(const QFont& font, int64_t count, CountPlacement placement) {
  trailingCountLabel_->setFont(font);
  QPalette palette = trailingCountLabel_->palette();
  palette.setColor(QPalette::WindowText, toQColor(secondaryLabelColor()));
  trailingCountLabel_->setPalette(palette);
  setPlainText(*trailingCountLabel_, QString::number(count));
  trailingCountLabel_->adjustSize();
  trailingCountLabel_->show();
  countPlacement_ = placement;
}

void AppItemView::setupTrailingCount(int64_t count) {
  auto s = settings();
  double size = 10;
  if (s) {
    const double textSize = s->itemTextSize.get();
    size = textSize <= 9 ? 9 : textSize > 16 ? 15 : std::max(textSize - 1, 9.0);
  }
  QFont font = systemFontOfSize(size);
  font.setWeight(QFont::Medium);
  showCountLabel(font, count, CountPlacement::textTrailing);
}

void AppItemView::setupDots(int64_t count) {
  dotCount_ = static_cast<int>(std::min<int64_t>(count, kMaxDots));
  dotsActive_ = trackedApp_ && trackedApp_->isActive.get();
  countPlacement_ = CountPlacement::dots;
  // The dots take the indicator's place.
  indicatorHidden_ = true;
  if (trackedApp_ && settings()) updateLabelWithoutCount();
  update();
}

void AppItemView::updateDotsColor(bool active) {
  if (dotCount_ == 0) return;
  dotsActive_ = active;
  update();
}

Color AppItemView::dotColor() const {
  return dotsActive_ ? env_.appearance.controlAccentColor() : secondaryLabelColor();
}

QRect AppItemView::dotsFrame() const {
  if (dotCount_ == 0) return {};
  const int length = static_cast<int>(dotCount_ * kDotSide + (dotCount_ - 1) * kDotSpacing);
  const int side = static_cast<int>(kDotSide);
  if (currentLayoutMode_ != LayoutMode::vertical)
    return QRect((width() - length) / 2, height() - 1 - side, length, side);
  auto s = settings();
  const int y = (height() - length) / 2;
  if (s && s->position.get() == TaskbarPosition::right) return QRect(2, y, side, length);
  return QRect(width() - 2 - side, y, side, length);
}

double AppItemView::trailingCountRoom() const {
  switch (countPlacement_) {
    case CountPlacement::textTrailing:
      return 6 + trailingCountLabel_->sizeHint().width() + 4;
    case CountPlacement::badgeTrailing:
      return 4 + countBadge_->sizeHint().width() + 4;
    default:
      return 0;
  }
}

void AppItemView::placeCountDecoration(const QRect& icon) {
  switch (countPlacement_) {
    case CountPlacement::superscript: {
      const QSize size = trailingCountLabel_->sizeHint();
      trailingCountLabel_->setGeometry(icon.x() + icon.width() + 5 - size.width(), icon.y() - 3, size.width(),
                                       size.height());
      break;
    }
    case CountPlacement::textTrailing: {
      const QSize size = trailingCountLabel_->sizeHint();
      trailingCountLabel_->setGeometry(width() - 6 - size.width(), (height() - size.height()) / 2,
                                       size.width(), size.height());
      break;
    }
    case CountPlacement::badgeTrailing: {
      const QSize size = countBadge_->sizeHint();
      countBadge_->setGeometry(width() - 4 - size.width(), (height() - size.height()) / 2, size.width(),
                               size.height());
      break;
    }
    case CountPlacement::badgeOnIcon: {
      // The badge overhangs the icon's bottom trailing corner.
      const QSize size = countBadge_->sizeHint();
      countBadge_->setGeometry(icon.x() + icon.width() + 5 - size.width(),
                               icon.y() + icon.height() + 5 - size.height(), size.width(), size.height());
      break;
    }
    default:
      break;
  }
}

}  // namespace pelko
