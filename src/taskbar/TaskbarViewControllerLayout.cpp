#include "taskbar/TaskbarViewController.h"

#include <QEvent>
#include <algorithm>
#include <cmath>

#include "settings/SettingsManager.h"
#include "taskbar/SystemTrayView.h"
#include "taskbar/TaskbarContainerView.h"
#include "taskbar/TrashIconView.h"
#include "ui/StackView.h"
#include "ui/VisualEffectView.h"

namespace pelko {

// ---- Placing the parts ----

namespace {
QRect toQRect(const Rect& r) {
  return QRect(static_cast<int>(std::lround(r.minX())), static_cast<int>(std::lround(r.minY())),
               static_cast<int>(std::lround(r.width())), static_cast<int>(std::lround(r.height())));
}
}  // namespace

void TaskbarViewController::layoutSubviews() {
  if (!view_) return;
  if (vibrancyView_) {
    vibrancyView_->setGeometry(view_->rect());
    vibrancyView_->setClipShape(view_->shape());
  }
  if (appStackView_) {
    // The stack starts at its offset and may reach to the end of its room; the buttons are placed
    // from its start.
    Rect frame = contentLayout().stack;
    const double leading = stackLeading_.value_or(kBarEndInset);
    if (isHorizontal(builtPosition_)) {
      frame = Rect(leading, frame.minY(), std::max(0.0, frame.maxX() - leading), frame.height());
    } else {
      frame = Rect(frame.minX(), leading, frame.width(), std::max(0.0, frame.maxY() - leading));
    }
    const QRect target = toQRect(frame);
    if (appStackView_->geometry() != target) appStackView_->setGeometry(target);
  }
  if (trashIconView_ || systemTrayView_) {
    const BarContentLayout layout = contentLayout();
    if (trashIconView_ && layout.trash) trashIconView_->setGeometry(toQRect(*layout.trash));
    if (systemTrayView_ && layout.tray) systemTrayView_->setGeometry(toQRect(*layout.tray));
  }
  viewDidLayout();
}

bool TaskbarViewController::eventFilter(QObject* watched, QEvent* event) {
  // A button whose natural size changed asks the stack for a new layout; the bar follows. The type is
  // checked first: the stack also sends events while it is being destroyed, when it is no StackView.
  if (event->type() == QEvent::LayoutRequest && watched == appStackView_) viewDidLayout();
  return QObject::eventFilter(watched, event);
}

// ---- Layout pass ----

void TaskbarViewController::viewDidLayout() {
  if (!view_) return;
  if (lastBorderBounds_ != view_->size()) updateBorder();
  updateCornerRadius();
  if (layoutPassScheduled_) return;
  layoutPassScheduled_ = true;
  QPointer<TaskbarViewController> weak(this);
  env_.scheduler.mainAsync([weak] {
    if (weak) weak->runLayoutPass();
  });
}

void TaskbarViewController::runLayoutPass() {
  layoutPassScheduled_ = false;
  ++layoutPasses_;
  // Only a bar in its panel has a size worth measuring.
  if (!view_ || !view_->parentWidget()) return;
  updateCenteringOffset();
  if (settingsManager_->floatingBar.get() && !isReportingContentSize_) reportContentSize();
}

size_t TaskbarViewController::arrangedCount() const {
  return appStackView_ ? appStackView_->arrangedSubviews().size() : 0;
}

void TaskbarViewController::updateCenteringOffset() {
  if (isUpdatingCenteringOffset_) return;
  isUpdatingCenteringOffset_ = true;
  if (!stackLeading_ || !appStackView_) {
    isUpdatingCenteringOffset_ = false;
    return;
  }
  const SettingsManager& s = *settingsManager_;
  const ItemAlignment alignment = s.itemAlignment.get();
  const size_t n = arrangedCount();
  double target = kBarEndInset;
  bool measured = false;
  if (alignment != ItemAlignment::left && n > 0) {
    // The room runs up to whatever follows the stack: the trash when shown, else the tray, else the end.
    const BarContentLayout layout = contentLayout();
    const bool horizontal = isHorizontal(builtPosition_);
    double room = horizontal ? view_->width() : view_->height();
    const std::optional<Rect>& next = layout.trash ? layout.trash : layout.tray;
    if (next) room = horizontal ? next->minX() : next->minY();
    // Natural lengths: a stack squeezed once must not keep measuring its squeezed size.
    target = stackOffset(alignment, s.floatingBar.get(), false, appStackView_->naturalContentLength(), room);
    measured = true;
  }
  const double current = *stackLeading_;
  const bool change = measured ? std::abs(target - current) >= 1 : target != current;
  if (change) {
    stackLeading_ = target;
    layoutSubviews();
  }
  isUpdatingCenteringOffset_ = false;
}

double TaskbarViewController::insets() const {
  const int shown = (isTrashShown() ? 1 : 0) + (isTrayShown() ? 1 : 0);
  return 8 + 4 * shown;
}

void TaskbarViewController::reportContentSize() {
  isReportingContentSize_ = true;
  const SettingsManager& s = *settingsManager_;
  const double thickness = s.barThickness();
  const size_t n = arrangedCount();
  const double spacing = appStackView_ ? appStackView_->spacing() : s.itemSpacing.get();
  const double gaps = spacing * static_cast<double>(n > 0 ? n - 1 : 0);
  // The buttons' natural lengths, not their current ones: a floating bar that was once too short for
  // its buttons must grow back when it gets the room.
  double items = appStackView_ && n > 0 ? appStackView_->naturalContentLength() - gaps : 0;
  if (n == 0 || items <= 0) {
    const double perButton = isHorizontal(s.position.get()) && s.style.get() == TaskbarStyle::iconsTextRight
                                 ? (s.equalWidth.get() ? s.maxTaskWidth.get() : thickness + 60)
                                 : thickness;
    items = static_cast<double>(n) * perButton;
  }
  const double tray = isTrayShown() ? std::max(kMinTrayWidth, trayLength()) : 0;
  const double trash = isTrashShown() ? thickness - 8 : 0;
  const double size = std::max(thickness, insets() + trash + gaps + items + tray);
  if (std::abs(size - lastReportedContentSize_) > 4) {
    lastReportedContentSize_ = size;
    if (onContentSizeChanged) onContentSizeChanged(size);
  }
  isReportingContentSize_ = false;
}

double TaskbarViewController::estimatedContentSize() const {
  const SettingsManager& s = *settingsManager_;
  const double thickness = s.barThickness();
  const double perButton = isHorizontal(s.position.get()) && s.style.get() == TaskbarStyle::iconsTextRight
                               ? (s.equalWidth.get() ? s.maxTaskWidth.get() : thickness + 60)
                               : thickness;
  const auto n = static_cast<double>(arrangedCount());
  const double spacing = appStackView_ ? appStackView_->spacing() : s.itemSpacing.get();
  return std::max(thickness, insets() + (isTrashShown() ? thickness - 8 : 0) +
                                 (isTrayShown() ? kMinTrayWidth : 0) + n * perButton +
                                 spacing * std::max(n - 1, 0.0));
}

void TaskbarViewController::resetContentSizeTracking() {
  lastReportedContentSize_ = 0;
  layoutPassScheduled_ = false;
}

// ---- Borders and corners ----

void TaskbarViewController::updateBorder() {
  if (!view_) return;
  lastBorderBounds_ = view_->size();
  const SettingsManager& s = *settingsManager_;
  const BorderEdges edges{s.borderTop.get(), s.borderBottom.get(), s.borderLeft.get(), s.borderRight.get()};
  const Size size{static_cast<double>(view_->width()), static_cast<double>(view_->height())};
  view_->setBorderLines(borderRects(size, s.borderWidth.get(), edges),
                        s.borderColor.get().withAlpha(s.borderOpacity.get() / 100));
}

void TaskbarViewController::updateCornerRadius() {
  if (!view_) return;
  const SettingsManager& s = *settingsManager_;
  view_->setCorners(s.cornerRadius.get(), roundedCorners(s.position.get(), s.floatingBar.get(),
                                                         s.marginHorizontal.get(), s.marginVertical.get()));
  if (vibrancyView_) vibrancyView_->setClipShape(view_->shape());
}

BarContentLayout TaskbarViewController::contentLayout() const {
  BarContentOptions options;
  options.position = builtPosition_;
  if (view_)
    options.rootSize = Size{static_cast<double>(view_->width()), static_cast<double>(view_->height())};
  options.barThickness = settingsManager_->barThickness();
  options.minTrayLength = kMinTrayWidth;
  options.showTrash = isTrashShown();
  options.showTray = isTrayShown();
  options.trayLength = trayLength();
  return layoutBarContent(options);
}

}  // namespace pelko
