#include "settingswindow/InfoPopoverButton.h"

#include <QPainter>

#include "ui/FocusRing.h"
#include "ui/InfoPopover.h"
#include "ui/PlainText.h"
#include "ui/ReturnClicksButton.h"
#include "ui/SemanticColors.h"
#include "ui/SymbolIcon.h"

namespace pelko {

InfoPopoverButton::InfoPopoverButton(const QString& helpText, QWidget* parent) : QAbstractButton(parent) {
  helpText_ = helpText.trimmed();
  if (helpText_.isEmpty()) helpText_ = kNoDetails;
  setFixedSize(20, 20);
  // Reached by Tab only: a click leaves the keyboard where it was, as the platform's buttons do.
  setFocusPolicy(Qt::TabFocus);
  clickOnReturn(*this);
  new FocusRing(*this, 10);
  setPlainToolTip(*this, helpText_);
  setAccessibleName("Info: " + helpText_);
  connect(this, &QAbstractButton::clicked, this, &InfoPopoverButton::togglePopover);
}

void InfoPopoverButton::togglePopover() {
  if (popover_ && popover_->isVisible()) {
    popover_->close();
    return;
  }
  if (!popover_) popover_ = new InfoPopover(helpText_, this);
  popover_->showBelow(this);
}

void InfoPopoverButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!isEnabled()) painter.setOpacity(0.4);
  const QPixmap icon = symbolImage("info.circle", 14, semanticColor(SemanticColor::tertiaryLabel));
  painter.drawPixmap(QRectF(3, 3, 14, 14), icon, QRectF());
}

}  // namespace pelko
