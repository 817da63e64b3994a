#include "settingswindow/SettingsSidebarButton.h"

#include <QLabel>
#include <QPainter>

#include "settingswindow/SettingsViewStyle.h"
#include "ui/FocusRing.h"
#include "ui/Labels.h"
#include "ui/QtColor.h"
#include "ui/ReturnClicksButton.h"
#include "ui/SymbolIcon.h"

namespace pelko {

SettingsSidebarButton::SettingsSidebarButton(const std::string& symbolName, const QString& title,
                                             const QString& summary, QWidget* parent)
    : QAbstractButton(parent), symbolName_(symbolName) {
  setCursor(Qt::PointingHandCursor);
  // Reached by Tab only, as the platform's buttons are; Space (as for every button) and Return choose
  // the page.
  setFocusPolicy(Qt::TabFocus);
  clickOnReturn(*this);
  new FocusRing(*this, 0);
  setAccessibleName(title);
  iconView_ = new QLabel(this);
  iconView_->setAttribute(Qt::WA_TransparentForMouseEvents);
  titleLabel_ =
      new ElidingLabel(title, LabelStyle{13, QFont::DemiBold, semanticColor(SemanticColor::label)}, this);
  titleLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  summaryLabel_ = new WrappingLabel(
      summary, LabelStyle{10, QFont::Normal, semanticColor(SemanticColor::secondaryLabel)}, 2, this);
  summaryLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  setMinimumHeight(58);
  updateAppearance();
}

const QString& SettingsSidebarButton::summaryText() const {
  return summaryLabel_->fullText();
}

QSize SettingsSidebarButton::sizeHint() const {
  return {196, 58};
}

void SettingsSidebarButton::setCurrentSelection(bool selected) {
  isCurrentSelection_ = selected;
  updateAppearance();
}

SettingsSidebarButton::Appearance SettingsSidebarButton::appearance() const {
  if (isCurrentSelection_)
    return {kSettingsBrandColor.withAlpha(0.16), kSettingsBrandColor.withAlpha(0.26), kSettingsBrandColor,
            semanticColor(SemanticColor::label), 1};
  if (isHovered_)
    return {semanticColor(SemanticColor::label, 0.05), semanticColor(SemanticColor::separator, 0.12),
            semanticColor(SemanticColor::label), semanticColor(SemanticColor::secondaryLabel), 0};
  return {semanticColor(SemanticColor::clear), semanticColor(SemanticColor::clear),
          semanticColor(SemanticColor::secondaryLabel), semanticColor(SemanticColor::secondaryLabel), 0};
}

void SettingsSidebarButton::updateAppearance() {
  const Appearance look = appearance();
  iconView_->setPixmap(symbolImage(symbolName_, 18, look.iconTint, true));
  applyLabelStyle(*summaryLabel_, LabelStyle{10, QFont::Normal, look.summaryText});
  update();
}

void SettingsSidebarButton::resizeEvent(QResizeEvent* event) {
  QAbstractButton::resizeEvent(event);
  iconView_->setGeometry(18, 11, 18, 18);
  const int textLeft = 18 + 18 + 10;
  const int textWidth = std::max(0, width() - textLeft - 12);
  const int titleHeight = titleLabel_->sizeHint().height();
  titleLabel_->setGeometry(textLeft, 9, textWidth, titleHeight);
  summaryLabel_->setGeometry(textLeft, 9 + titleHeight + 2, textWidth,
                             summaryLabel_->heightForWidth(textWidth));
}

void SettingsSidebarButton::enterEvent(QEnterEvent* event) {
  isHovered_ = true;
  updateAppearance();
  QAbstractButton::enterEvent(event);
}

void SettingsSidebarButton::leaveEvent(QEvent* event) {
  isHovered_ = false;
  updateAppearance();
  QAbstractButton::leaveEvent(event);
}

void SettingsSidebarButton::paintEvent(QPaintEvent*) {
  const Appearance look = appearance();
  QPainter painter(this);
  painter.fillRect(rect(), toQColor(look.background));
  painter.setPen(toQColor(look.border));
  painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
  if (look.barAlpha > 0) {
    // The accent bar at the leading edge.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(toQColor(kSettingsBrandColor.withAlpha(look.barAlpha)));
    painter.drawRoundedRect(QRectF(7, 12, 3, std::max(0, height() - 24)), 1.5, 1.5);
  }
}

}  // namespace pelko
