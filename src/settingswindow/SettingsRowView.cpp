#include "settingswindow/SettingsRowView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QPainter>
#include <QPointer>

#include "settingswindow/SettingsViewStyle.h"
#include "ui/PlainText.h"
#include "ui/QtColor.h"
#include "ui/SegmentedControl.h"
#include "ui/SemanticColors.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"

namespace pelko {

SettingsRowView::SettingsRowView(Scheduler& scheduler, std::string title, std::optional<std::string> helpText,
                                 QWidget* parent)
    : QWidget(parent),
      scheduler_(scheduler),
      searchTitle_(std::move(title)),
      searchHelpText_(std::move(helpText)) {
  setAttribute(Qt::WA_Hover);
  if (searchHelpText_) setPlainToolTip(*this, QString::fromStdString(*searchHelpText_));
}

SettingsRowView::~SettingsRowView() {
  if (highlightResetWorkItem_) highlightResetWorkItem_->cancel();
}

SettingsRowView::Look SettingsRowView::look() const {
  if (isSearchHighlighted_) return Look::highlighted;
  return isHovered_ ? Look::hovered : Look::clear;
}

void SettingsRowView::setHovered(bool hovered) {
  isHovered_ = hovered;
  update();
}

void SettingsRowView::enterEvent(QEnterEvent* event) {
  setHovered(true);
  QWidget::enterEvent(event);
}

void SettingsRowView::leaveEvent(QEvent* event) {
  setHovered(false);
  QWidget::leaveEvent(event);
}

void SettingsRowView::refreshHoverState(const std::optional<QPoint>& globalPointer) {
  if (!isVisible() || !window() || !globalPointer) {
    setHovered(false);
    return;
  }
  setHovered(rect().contains(mapFromGlobal(*globalPointer)));
}

void SettingsRowView::flashSearchHighlight() {
  if (highlightResetWorkItem_) highlightResetWorkItem_->cancel();
  isSearchHighlighted_ = true;
  update();
  QPointer<SettingsRowView> weakRow(this);
  highlightResetWorkItem_ = scheduler_.mainAfter(kSearchFlashDuration, [weakRow] {
    if (!weakRow) return;
    weakRow->isSearchHighlighted_ = false;
    weakRow->update();
  });
}

void SettingsRowView::addHandCursors(QWidget* view) {
  if (!view) return;
  for (QObject* child : view->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (!widget || widget->isWindow()) continue;
    const bool isControl = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget) ||
                           qobject_cast<Switch*>(widget) || qobject_cast<SegmentedControl*>(widget) ||
                           qobject_cast<Stepper*>(widget);
    if (isControl) {
      widget->setCursor(Qt::PointingHandCursor);
    } else {
      addHandCursors(widget);
    }
  }
}

void SettingsRowView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  switch (look()) {
    case Look::clear:
      return;
    case Look::hovered:
      painter.fillRect(rect(), toQColor(semanticColor(SemanticColor::label, 0.035)));
      return;
    case Look::highlighted:
      painter.fillRect(rect(), toQColor(kSettingsBrandColor.withAlpha(0.12)));
      painter.setPen(toQColor(kSettingsBrandColor.withAlpha(0.28)));
      painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
      return;
  }
}

}  // namespace pelko
