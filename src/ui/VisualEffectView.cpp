#include "ui/VisualEffectView.h"

#include <QPainter>

namespace pelko {

VisualEffectView::VisualEffectView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);  // a background: clicks go to what is on it
}

void VisualEffectView::setMaterial(VisualEffectMaterial material) {
  material_ = material;
  update();
}

void VisualEffectView::setState(VisualEffectState state) {
  state_ = state;
  update();
}

Color VisualEffectView::tintOf(VisualEffectMaterial material, VisualEffectState state) {
  Color tint;
  switch (material) {
    case VisualEffectMaterial::hudWindow:
      tint = {0.11, 0.11, 0.12, 0.78};
      break;
    case VisualEffectMaterial::menu:
    case VisualEffectMaterial::popover:
      tint = {0.16, 0.16, 0.17, 0.85};
      break;
    case VisualEffectMaterial::sidebar:
      tint = {0.18, 0.18, 0.19, 0.8};
      break;
    case VisualEffectMaterial::underWindowBackground:
      tint = {0.14, 0.14, 0.15, 0.9};
      break;
    case VisualEffectMaterial::windowBackground:
      tint = {0.196, 0.196, 0.196, 1.0};  // the window background itself, drawn opaque
      break;
  }
  // An inactive material loses its translucency, as an inactive window's does.
  if (state == VisualEffectState::inactive) tint.alpha = 1;
  return tint;
}

void VisualEffectView::paintEvent(QPaintEvent*) {
  Color tint = tintOf(material_, state_);
  QPainter painter(this);
  const QColor color = QColor::fromRgbF(static_cast<float>(tint.red), static_cast<float>(tint.green),
                                        static_cast<float>(tint.blue), static_cast<float>(tint.alpha));
  if (clipShape_.isEmpty()) {
    painter.fillRect(rect(), color);
    return;
  }
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(clipShape_, color);
}

void VisualEffectView::setClipShape(const QPainterPath& shape) {
  if (shape == clipShape_) return;
  clipShape_ = shape;
  update();
}

}  // namespace pelko
