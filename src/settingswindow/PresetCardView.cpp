#include "settingswindow/PresetCardView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsSurfacePainter.h"
#include "ui/FocusRing.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/ReturnClicksButton.h"
#include "ui/SymbolIcon.h"

namespace pelko {

PresetCardView::PresetCardView(const std::string& symbolName, const QString& title, const QString& features,
                               std::function<void()> action, PointerLocationSource pointer, QWidget* parent)
    : QWidget(parent), pointer_(std::move(pointer)) {
  setCursor(Qt::PointingHandCursor);
  setPlainToolTip(*this, title + ": " + features);
  setMinimumHeight(150);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(14, 14, 14, 14);
  column->setSpacing(10);

  headerRow_ = new QWidget(this);
  auto* header = new QHBoxLayout(headerRow_);
  header->setContentsMargins(0, 0, 0, 0);
  header->setSpacing(10);
  if (symbolExists(symbolName)) {
    iconBadge_ = new SettingsChromeView(kSettingsBrandColor.withAlpha(0.12),
                                        kSettingsBrandColor.withAlpha(0.18), 10, false, headerRow_);
    iconBadge_->setFixedSize(36, 36);
    auto* icon = new QLabel(iconBadge_);
    icon->setPixmap(symbolImage(symbolName, 18, kSettingsBrandColor, true));
    icon->setGeometry(9, 9, 18, 18);
    icon->setAccessibleName(title);
    header->addWidget(iconBadge_);
  }
  auto* titles = new QVBoxLayout();
  titles->setSpacing(2);
  titles->addWidget(
      makePlainLabel(title, {13, QFont::DemiBold, semanticColor(SemanticColor::label)}, headerRow_));
  titles->addWidget(makePlainLabel(
      "Starter preset", {10, QFont::Medium, semanticColor(SemanticColor::tertiaryLabel)}, headerRow_));
  header->addLayout(titles);
  header->addStretch(1);
  column->addWidget(headerRow_);

  column->addWidget(new WrappingLabel(
      features, {11, QFont::Normal, semanticColor(SemanticColor::secondaryLabel)}, 3, this));
  column->addStretch(1);

  auto* footer = new QHBoxLayout();
  footer->setSpacing(8);
  auto* note = new ElidingLabel("Applies multiple appearance and behavior values.",
                                {10, QFont::Normal, semanticColor(SemanticColor::tertiaryLabel)}, this);
  note->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  footer->addWidget(note, 1);
  applyButton_ = new QPushButton(plainButtonTitle("Apply"), this);
  // Every card has an "Apply": a screen reader hears which preset each one applies.
  applyButton_->setAccessibleName("Apply " + title);
  applyButton_->setFixedWidth(64);
  // Reached by Tab only: a click leaves the keyboard where it was, as the platform's buttons do.
  applyButton_->setFocusPolicy(Qt::TabFocus);
  clickOnReturn(*applyButton_);
  new FocusRing(*applyButton_, 4);
  applyButton_->setCursor(Qt::PointingHandCursor);
  connect(applyButton_, &QPushButton::clicked, this, [action] {
    if (action) action();
  });
  footer->addWidget(applyButton_);
  column->addLayout(footer);
}

Color PresetCardView::fillColor() const {
  return settingsSurfaceColor(isHovered_ ? semanticColor(SemanticColor::label, 0.045)
                                         : semanticColor(SemanticColor::windowBackground, 0.88),
                              mode_);
}

Color PresetCardView::borderColor() const {
  return settingsSurfaceColor(semanticColor(SemanticColor::separator, isHovered_ ? 0.24 : 0.12), mode_);
}

void PresetCardView::applyRenderingMode(SettingsRenderingMode mode) {
  mode_ = mode;
  if (iconBadge_) iconBadge_->applyRenderingMode(mode);
  update();
}

void PresetCardView::setHovered(bool hovered) {
  isHovered_ = hovered;
  update();
}

void PresetCardView::refreshHoverState(const std::optional<QPoint>& globalPointer) {
  if (!isVisible() || !globalPointer) {
    setHovered(false);
    return;
  }
  setHovered(rect().contains(mapFromGlobal(*globalPointer)));
}

void PresetCardView::enterEvent(QEnterEvent* event) {
  setHovered(true);
  QWidget::enterEvent(event);
}

void PresetCardView::leaveEvent(QEvent* event) {
  setHovered(false);
  QWidget::leaveEvent(event);
}

void PresetCardView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A card that appears under a resting pointer gets no enter event.
  refreshHoverState(pointer_ ? pointer_() : std::nullopt);
}

// A card laid out again (a page shown before its final layout, a window resized) moves under a resting
// pointer without an enter or leave event: it looks again where the pointer is.
void PresetCardView::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (pointer_ && isVisible()) refreshHoverState(pointer_());
}

void PresetCardView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (pointer_ && isVisible()) refreshHoverState(pointer_());
}

void PresetCardView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintSettingsSurface(painter, rect(), 0, fillColor(), borderColor(), {});
}

}  // namespace pelko
