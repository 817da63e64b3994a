#include "ui/SymbolIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <map>

#include "ui/QtColor.h"

namespace pelko {

namespace {

// Each drawing works in a 24 x 24 box; the painter's pen and brush carry the tint.
using Drawing = std::function<void(QPainter&)>;

void fillWithPen(QPainter& p, const QPainterPath& path) {
  p.fillPath(path, p.pen().color());
}

void circle(QPainter& p, bool filled) {
  if (filled) {
    QPainterPath path;
    path.addEllipse(QRectF(2, 2, 20, 20));
    fillWithPen(p, path);
  } else {
    p.drawEllipse(QRectF(3, 3, 18, 18));
  }
}

void infoMark(QPainter& p, const QColor& color) {
  QPen pen = p.pen();
  QPen mark(color, pen.widthF() + 0.5, Qt::SolidLine, Qt::RoundCap);
  p.setPen(mark);
  p.drawLine(QPointF(12, 11), QPointF(12, 17));
  p.drawPoint(QPointF(12, 7.5));
  p.setPen(pen);
}

void slash(QPainter& p) {
  p.drawLine(QPointF(4, 3), QPointF(20, 21));
}

const std::map<std::string, Drawing>& drawings() {
  static const std::map<std::string, Drawing> table = {
      {"paintbrush.pointed",
       [](QPainter& p) {
         p.drawLine(QPointF(20, 3), QPointF(10, 13));
         QPainterPath tip;
         tip.moveTo(10, 12);
         tip.quadTo(4, 12, 4, 20);
         tip.quadTo(11, 20, 12, 14);
         tip.closeSubpath();
         fillWithPen(p, tip);
       }},
      {"square.grid.2x2",
       [](QPainter& p) {
         for (double x : {3.0, 13.0})
           for (double y : {3.0, 13.0}) p.drawRoundedRect(QRectF(x, y, 8, 8), 2, 2);
       }},
      {"switch.2",
       [](QPainter& p) {
         p.drawRoundedRect(QRectF(2, 4, 20, 7), 3.5, 3.5);
         p.drawRoundedRect(QRectF(2, 13, 20, 7), 3.5, 3.5);
         QPainterPath knobs;
         knobs.addEllipse(QRectF(15, 5, 5, 5));
         knobs.addEllipse(QRectF(4, 14, 5, 5));
         fillWithPen(p, knobs);
       }},
      {"eye.slash",
       [](QPainter& p) {
         QPainterPath eye;
         eye.moveTo(2, 12);
         eye.quadTo(12, 2, 22, 12);
         eye.quadTo(12, 22, 2, 12);
         p.drawPath(eye);
         p.drawEllipse(QRectF(9, 9, 6, 6));
         slash(p);
       }},
      {"sparkles.rectangle.stack",
       [](QPainter& p) {
         p.drawRoundedRect(QRectF(3, 9, 18, 12), 2, 2);
         p.drawLine(QPointF(5, 6), QPointF(19, 6));
         p.drawLine(QPointF(7, 3), QPointF(17, 3));
         QPainterPath star;
         star.moveTo(12, 11);
         star.quadTo(12, 15, 16, 15);
         star.quadTo(12, 15, 12, 19);
         star.quadTo(12, 15, 8, 15);
         star.quadTo(12, 15, 12, 11);
         fillWithPen(p, star);
       }},
      {"info.circle",
       [](QPainter& p) {
         circle(p, false);
         infoMark(p, p.pen().color());
       }},
      {"info.circle.fill",
       [](QPainter& p) {
         circle(p, true);
         infoMark(p, Qt::white);
       }},
      {"exclamationmark.triangle.fill",
       [](QPainter& p) {
         QPainterPath triangle;
         triangle.moveTo(12, 2.5);
         triangle.lineTo(22.5, 21);
         triangle.lineTo(1.5, 21);
         triangle.closeSubpath();
         fillWithPen(p, triangle);
         QPen pen = p.pen();
         p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(12, 9), QPointF(12, 14));
         p.drawPoint(QPointF(12, 18));
         p.setPen(pen);
       }},
      {"square.stack.3d.up.slash.fill",
       [](QPainter& p) {
         QPainterPath top;
         top.addRoundedRect(QRectF(5, 10, 14, 10), 2, 2);
         fillWithPen(p, top);
         p.drawLine(QPointF(7, 7), QPointF(17, 7));
         p.drawLine(QPointF(9, 4), QPointF(15, 4));
         slash(p);
       }},
      {"lightbulb.fill",
       [](QPainter& p) {
         QPainterPath bulb;
         bulb.addEllipse(QRectF(5, 1.5, 14, 14));
         bulb.addRoundedRect(QRectF(8.5, 12, 7, 5), 1, 1);
         p.fillPath(bulb.simplified(), p.pen().color());
         p.drawLine(QPointF(9, 19.5), QPointF(15, 19.5));
         p.drawLine(QPointF(10, 22), QPointF(14, 22));
       }},
      {"clock.badge.xmark",
       [](QPainter& p) {
         p.drawEllipse(QRectF(2, 4, 16, 16));
         p.drawLine(QPointF(10, 8), QPointF(10, 12));
         p.drawLine(QPointF(10, 12), QPointF(13, 14));
         p.drawLine(QPointF(17, 2), QPointF(22, 7));
         p.drawLine(QPointF(22, 2), QPointF(17, 7));
       }},
      {"dock.rectangle",
       [](QPainter& p) {
         p.drawRoundedRect(QRectF(2, 4, 20, 16), 2.5, 2.5);
         QPainterPath dock;
         dock.addRoundedRect(QRectF(6, 15, 12, 3), 1.5, 1.5);
         fillWithPen(p, dock);
       }},
      {"rectangle.bottomthird.inset.filled",
       [](QPainter& p) {
         p.drawRoundedRect(QRectF(2, 4, 20, 16), 2.5, 2.5);
         QPainterPath band;
         band.addRoundedRect(QRectF(4.5, 14, 15, 3.5), 1, 1);
         fillWithPen(p, band);
       }},
      {"square.grid.3x1.below.line.grid.1x2",
       [](QPainter& p) {
         for (double x : {3.0, 10.0, 17.0}) p.drawRect(QRectF(x, 3, 4.5, 4.5));
         p.drawLine(QPointF(3, 12), QPointF(21, 12));
         p.drawRect(QRectF(3, 15.5, 8, 5));
         p.drawRect(QRectF(13, 15.5, 8, 5));
       }},
      {"text.below.photo",
       [](QPainter& p) {
         p.drawRoundedRect(QRectF(4, 2, 16, 12), 2, 2);
         p.drawLine(QPointF(6, 12), QPointF(10, 8));
         p.drawLine(QPointF(10, 8), QPointF(14, 12));
         p.drawLine(QPointF(5, 18), QPointF(19, 18));
         p.drawLine(QPointF(8, 21.5), QPointF(16, 21.5));
       }},
      {"square.bottomhalf.filled",
       [](QPainter& p) {
         p.drawRoundedRect(QRectF(3, 3, 18, 18), 3, 3);
         QPainterPath half;
         half.addRoundedRect(QRectF(3, 12, 18, 9), 3, 3);
         fillWithPen(p, half);
       }},
      {"checklist",
       [](QPainter& p) {
         for (double y : {5.0, 12.0, 19.0}) {
           p.drawLine(QPointF(2.5, y), QPointF(4.5, y + 2));
           p.drawLine(QPointF(4.5, y + 2), QPointF(8, y - 2));
           p.drawLine(QPointF(11, y), QPointF(22, y));
         }
       }},
      {"rectangle.on.rectangle",
       [](QPainter& p) {
         p.drawRoundedRect(QRectF(7, 3, 15, 12), 2, 2);
         p.drawRoundedRect(QRectF(2, 9, 15, 12), 2, 2);
       }},
      {"rectangle.tophalf.filled",
       [](QPainter& p) {
         p.drawRoundedRect(QRectF(2, 4, 20, 16), 2.5, 2.5);
         QPainterPath half;
         half.addRoundedRect(QRectF(2, 4, 20, 8), 2.5, 2.5);
         fillWithPen(p, half);
       }},
      {"sidebar.left",
       [](QPainter& p) {
         p.drawRoundedRect(QRectF(2, 4, 20, 16), 2.5, 2.5);
         p.drawLine(QPointF(9, 4), QPointF(9, 20));
         for (double y : {8.0, 11.0, 14.0}) p.drawLine(QPointF(4.5, y), QPointF(6.5, y));
       }},
      {"chevron.up",
       [](QPainter& p) {
         p.drawLine(QPointF(5, 15), QPointF(12, 8));
         p.drawLine(QPointF(12, 8), QPointF(19, 15));
       }},
      {"chevron.down",
       [](QPainter& p) {
         p.drawLine(QPointF(5, 9), QPointF(12, 16));
         p.drawLine(QPointF(12, 16), QPointF(19, 9));
       }},
      {"magnifyingglass",
       [](QPainter& p) {
         p.drawEllipse(QRectF(3, 3, 13, 13));
         p.drawLine(QPointF(14, 14), QPointF(21, 21));
       }},
      {"sparkles",
       [](QPainter& p) {
         auto star = [&p](double x, double y, double r) {
           QPainterPath path;
           path.moveTo(x, y - r);
           path.quadTo(x, y, x + r, y);
           path.quadTo(x, y, x, y + r);
           path.quadTo(x, y, x - r, y);
           path.quadTo(x, y, x, y - r);
           fillWithPen(p, path);
         };
         star(10, 13, 8);
         star(18.5, 5.5, 3.5);
         star(19, 18.5, 2.5);
       }},
      {"xmark",
       [](QPainter& p) {
         p.drawLine(QPointF(6, 6), QPointF(18, 18));
         p.drawLine(QPointF(18, 6), QPointF(6, 18));
       }},
      {"checkmark.circle.fill",
       [](QPainter& p) {
         circle(p, true);
         QPen pen = p.pen();
         p.setPen(QPen(Qt::white, pen.widthF() + 0.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
         p.drawLine(QPointF(7.5, 12.5), QPointF(10.5, 15.5));
         p.drawLine(QPointF(10.5, 15.5), QPointF(16.5, 8.5));
         p.setPen(pen);
       }},
      {"xmark.circle.fill",
       [](QPainter& p) {
         circle(p, true);
         QPen pen = p.pen();
         p.setPen(QPen(Qt::white, pen.widthF() + 0.4, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(8.5, 8.5), QPointF(15.5, 15.5));
         p.drawLine(QPointF(15.5, 8.5), QPointF(8.5, 15.5));
         p.setPen(pen);
       }},
  };
  return table;
}

}  // namespace

bool symbolExists(const std::string& name) {
  return drawings().count(name) > 0;
}

std::vector<std::string> symbolNames() {
  std::vector<std::string> names;
  for (const auto& [name, drawing] : drawings()) names.push_back(name);
  return names;
}

QPixmap symbolImage(const std::string& name, double pointSize, const Color& tint, bool semibold,
                    double devicePixelRatio) {
  auto found = drawings().find(name);
  if (found == drawings().end() || pointSize <= 0) return {};
  const int pixels = std::max(1, qRound(pointSize * devicePixelRatio));
  QPixmap image(pixels, pixels);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(pixels / 24.0, pixels / 24.0);
  QPen pen(toQColor(tint), semibold ? 2.2 : 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  found->second(painter);
  painter.end();
  image.setDevicePixelRatio(devicePixelRatio);
  return image;
}

}  // namespace pelko
