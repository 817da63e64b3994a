#include "settingswindow/SettingsSurfacePainter.h"

#include <QPainter>

#include "ui/QtColor.h"

namespace pelko {

void paintSettingsSurface(QPainter& painter, const QRectF& bounds, double cornerRadius, const Color& fill,
                          const Color& border, const SurfaceShadow& shadow) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QRectF body = bounds.adjusted(0.5, 0.5, -0.5, -0.5);
  if (shadow.opacity > 0) {
    body.setBottom(body.bottom() - shadow.offsetY);
    // A few widening rings stand in for the blur.
    painter.setPen(Qt::NoPen);
    for (int ring = 3; ring >= 1; --ring) {
      const double spread = ring * 0.8;
      painter.setBrush(QColor(0, 0, 0, qRound(255 * shadow.opacity * 0.45 / ring)));
      painter.drawRoundedRect(body.translated(0, shadow.offsetY).adjusted(-spread / 2, 0, spread / 2, 0),
                              cornerRadius + spread, cornerRadius + spread);
    }
  }
  painter.setPen(QPen(toQColor(border), 1));
  painter.setBrush(toQColor(fill));
  painter.drawRoundedRect(body, cornerRadius, cornerRadius);
  painter.restore();
}

}  // namespace pelko
