#include "ui/InfoPopover.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/Labels.h"
#include "ui/QtColor.h"
#include "ui/SemanticColors.h"
#include "ui/X11WindowType.h"

namespace pelko {

InfoPopover::InfoPopover(const QString& text, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_TranslucentBackground);
  label_ =
      new WrappingLabel(text, LabelStyle{12, QFont::Normal, semanticColor(SemanticColor::label)}, 0, this);
  label_->setFixedWidth(kTextWidth);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 8);
  layout->addWidget(label_);
  keepOutOfTaskbars(*this);
}

QString InfoPopover::text() const {
  return label_->fullText();
}

void InfoPopover::showBelow(QWidget* anchor) {
  adjustSize();
  resize(kTextWidth + 20, label_->heightForWidth(kTextWidth) + 16);
  if (anchor) {
    QPoint origin = anchor->mapToGlobal(QPoint(anchor->width() / 2 - width() / 2, anchor->height() + 4));
    if (QScreen* screen = anchor->screen()) {
      const QRect area = screen->availableGeometry();
      origin.setX(std::clamp(origin.x(), area.left(), std::max(area.left(), area.right() - width())));
    }
    move(origin);
  }
  show();
}

void InfoPopover::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(toQColor(semanticColor(SemanticColor::separator, 0.3)));
  painter.setBrush(toQColor(Color::fromWhite(0.22)));
  painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

}  // namespace pelko
