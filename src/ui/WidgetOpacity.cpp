#include "ui/WidgetOpacity.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace pelko {

namespace {
constexpr const char* kEffectName = "pelkoOpacity";

QGraphicsOpacityEffect* ownEffect(const QWidget& widget) {
  auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget.graphicsEffect());
  return effect && effect->objectName() == QLatin1String(kEffectName) ? effect : nullptr;
}
}  // namespace

void setWidgetOpacity(QWidget& widget, double alpha) {
  if (!std::isfinite(alpha)) alpha = 1;
  alpha = std::clamp(alpha, 0.0, 1.0);
  auto* effect = ownEffect(widget);
  if (alpha >= 1) {
    if (effect) widget.setGraphicsEffect(nullptr);  // deletes the effect
    return;
  }
  if (!effect) {
    if (widget.graphicsEffect()) return;  // someone else's effect: leave the widget alone
    effect = new QGraphicsOpacityEffect(&widget);
    effect->setObjectName(QLatin1String(kEffectName));
    widget.setGraphicsEffect(effect);
  }
  effect->setOpacity(alpha);
}

double widgetOpacity(const QWidget& widget) {
  auto* effect = ownEffect(widget);
  return effect ? effect->opacity() : 1.0;
}

}  // namespace pelko
