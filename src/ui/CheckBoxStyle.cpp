#include "ui/CheckBoxStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOption>

#include "ui/FocusVisibility.h"
#include "ui/QtColor.h"
#include "ui/SemanticColors.h"

namespace pelko {

namespace {

// The box is 14 points; the indicator is larger by the focus ring drawn around it.
constexpr int kBox = 14;
constexpr int kRing = 2;

class CheckBoxStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) return kBox + 2 * kRing;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element == PE_FrameFocusRect && qobject_cast<const QCheckBox*>(widget)) return;  // the ring says it
    if (element != PE_IndicatorCheckBox) {
      QProxyStyle::drawPrimitive(element, option, painter, widget);
      return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (!(option->state & State_Enabled)) painter->setOpacity(0.4);
    const QRectF area = QRectF(option->rect);
    const QRectF box = QRectF(area.center().x() - kBox / 2.0, area.center().y() - kBox / 2.0, kBox, kBox);
    const bool on = option->state & (State_On | State_NoChange);
    if (on) {
      painter->setPen(Qt::NoPen);
      painter->setBrush(toQColor(semanticColor(SemanticColor::controlAccent)));
    } else {
      painter->setPen(QPen(toQColor(semanticColor(SemanticColor::label, 0.5)), 1));
      painter->setBrush(
          toQColor(semanticColor(SemanticColor::label, (option->state & State_Sunken) ? 0.2 : 0.08)));
    }
    painter->drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3.5, 3.5);
    if (option->state & State_On) {
      QPainterPath mark;
      mark.moveTo(box.left() + 0.24 * kBox, box.top() + 0.52 * kBox);
      mark.lineTo(box.left() + 0.42 * kBox, box.top() + 0.70 * kBox);
      mark.lineTo(box.left() + 0.76 * kBox, box.top() + 0.30 * kBox);
      painter->setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter->setBrush(Qt::NoBrush);
      painter->drawPath(mark);
    } else if (option->state & State_NoChange) {
      painter->setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
      painter->drawLine(QPointF(box.left() + 0.25 * kBox, box.center().y()),
                        QPointF(box.right() - 0.25 * kBox, box.center().y()));
    }
    // The ring follows the rule of every other (the keyboard moved the focus here).
    if ((option->state & State_HasFocus) && widget && FocusVisibility::isShown(*widget)) {
      painter->setOpacity(1);
      painter->setPen(QPen(toQColor(semanticColor(SemanticColor::controlAccent)), kRing));
      painter->setBrush(Qt::NoBrush);
      const double half = kRing / 2.0;
      const QRectF ring = box.adjusted(-kRing + half, -kRing + half, kRing - half, kRing - half);
      painter->drawRoundedRect(ring, 3.5 + half, 3.5 + half);
    }
    painter->restore();
  }
};

}  // namespace

void applyCheckBoxStyle(QCheckBox& box) {
  // One style for every check box; the application owns it, so it goes with the application.
  static QPointer<CheckBoxStyle> shared;
  if (!shared) {
    shared = new CheckBoxStyle();
    shared->setParent(qApp);
  }
  box.setStyle(shared);
  FocusVisibility::follow();
}

}  // namespace pelko
