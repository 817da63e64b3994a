#include "taskbar/TrashIconView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QUrl>
#include <algorithm>

#include "foundation/DebugLog.h"
#include "platform/Alerts.h"
#include "platform/Trash.h"
#include "platform/Workspace.h"
#include "taskbar/SystemTrayView.h"
#include "ui/AccessibleRole.h"
#include "ui/QtColor.h"

namespace pelko {

namespace {

constexpr double kCornerRadius = 4;
constexpr Color kClear = Color::black().withAlpha(0);

std::vector<std::string> fileURLPaths(const QMimeData& data) {
  std::vector<std::string> paths;
  if (!data.hasUrls()) return paths;
  for (const QUrl& url : data.urls())
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  return paths;
}

// A trash can in `r`: a lid with a handle over a body narrowing towards its foot, with three ribs.
// The filled can shows its ribs cut out of the body.
void drawTrashSymbol(QPainter& painter, const QRectF& r, const QColor& colour, bool filled) {
  const double side = std::min(r.width(), r.height());
  const QRectF box(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
  const double line = std::max(1.0, side * 0.08);
  const double left = box.left() + side * 0.12, right = box.right() - side * 0.12;
  const double lidY = box.top() + side * 0.2;
  const QRectF body(box.left() + side * 0.2, lidY + line * 1.5, side * 0.6, box.bottom() - lidY - line * 2);

  QPen pen(colour, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawLine(QPointF(left, lidY), QPointF(right, lidY));
  painter.drawRoundedRect(QRectF(box.center().x() - side * 0.12, box.top() + side * 0.06, side * 0.24,
                                 lidY - box.top() - side * 0.06),
                          line, line);

  QPainterPath can;
  const double foot = side * 0.05;
  can.moveTo(body.left(), body.top());
  can.lineTo(body.right(), body.top());
  can.lineTo(body.right() - foot, body.bottom());
  can.lineTo(body.left() + foot, body.bottom());
  can.closeSubpath();
  if (filled) {
    painter.fillPath(can, colour);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
  } else {
    painter.drawPath(can);
  }
  const double ribTop = body.top() + body.height() * 0.22, ribBottom = body.bottom() - body.height() * 0.18;
  painter.setPen(QPen(colour, line * 0.8, Qt::SolidLine, Qt::RoundCap));
  for (double f : {0.3, 0.5, 0.7}) {
    const double x = body.left() + body.width() * f;
    painter.drawLine(QPointF(x, ribTop), QPointF(x, ribBottom));
  }
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace

TrashIconView::TrashIconView(const TrashIconEnvironment& environment, double size, QWidget* parent)
    : QWidget(parent), env_(environment), inset_(symbolInset(size)) {
  setAccessibleRole(*this, QAccessible::Button, [this] { openTrash(); });
  setAccessibleName("Trash");
  setAccessibleDescription("Click to open Trash, or drop files to move them to Trash");
  setAcceptDrops(true);
  // Qt shows a widget's own cursor while the pointer is over it; nothing to undo on the way out.
  setCursor(Qt::PointingHandCursor);
}

double TrashIconView::symbolInset(double size) {
  return std::max(size * 0.15, 4.0);
}

void TrashIconView::setBackground(Color color) {
  background_ = color;
  update();
}

void TrashIconView::updateColors(const Color& barBackground) {
  lightContent_ = SystemTrayView::wantsLightText(barBackground);
  update();
}

void TrashIconView::mouseEntered() {
  setBackground(lightContent_ ? kHoverColor : kHoverColorOnLight);
}

void TrashIconView::mouseExited() {
  if (!isDragTarget_) setBackground(kClear);
}

bool TrashIconView::draggingEntered(const QMimeData& data) {
  if (fileURLPaths(data).empty()) return false;
  isDragTarget_ = true;
  setBackground(kDragTargetColor);
  return true;
}

void TrashIconView::resetDragLook() {
  isDragTarget_ = false;
  setBackground(kClear);
}

void TrashIconView::draggingExited() {
  resetDragLook();
}

std::optional<Qt::DropAction> TrashIconView::performDrop(const QMimeData& data) {
  resetDragLook();
  const auto paths = fileURLPaths(data);
  size_t moved = 0;
  for (const auto& path : paths) {
    if (auto error = env_.trash.moveToTrash(path))
      reportFailure(path, error->localizedDescription);
    else
      ++moved;
  }
  if (moved == 0) return std::nullopt;
  return moved == paths.size() ? Qt::MoveAction : Qt::CopyAction;
}

void TrashIconView::reportFailure(const std::string& path, const std::string& reason) {
  debugLog("TrashIconView: failed to recycle " + path + ": " + reason);
  platform::AlertContent alert;
  alert.style = platform::AlertContent::Style::warning;
  alert.messageText = "Could not move to Trash";
  alert.informativeText = QFileInfo(QString::fromStdString(path)).fileName().toStdString() + ": " + reason;
  alert.buttons = {"OK"};
  // Each alert is modal and waits for the previous one; the drop itself is answered first. The
  // application's own alert: above the bar, which stays on top.
  platform::Alerts& alerts = env_.alerts;
  env_.scheduler.mainAsync([&alerts, alert] { alerts.runModal(alert, {}); });
}

void TrashIconView::openTrash() {
  env_.workspace.openURL(env_.trash.filesFolder());
}

void TrashIconView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath clip;
  clip.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
  painter.setClipPath(clip);
  if (background_.alpha > 0) painter.fillPath(clip, toQColor(background_));
  const QRectF symbol = QRectF(rect()).adjusted(inset_, inset_, -inset_, -inset_);
  if (symbol.isEmpty()) return;
  // The symbol goes through its own layer, so the filled can's ribs are cut from the can alone.
  QImage layer(size() * devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
  layer.setDevicePixelRatio(devicePixelRatioF());
  layer.fill(Qt::transparent);
  {
    QPainter symbolPainter(&layer);
    symbolPainter.setRenderHint(QPainter::Antialiasing);
    drawTrashSymbol(symbolPainter, symbol, toQColor(symbolColor()), showsFilledSymbol());
  }
  painter.drawImage(QPointF(0, 0), layer);
}

void TrashIconView::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  mouseEntered();
}

void TrashIconView::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  mouseExited();
}

void TrashIconView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) openTrash();
  QWidget::mouseReleaseEvent(event);
}

void TrashIconView::dragEnterEvent(QDragEnterEvent* event) {
  if (!event->mimeData() || !draggingEntered(*event->mimeData())) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::MoveAction);
  event->accept();
}

void TrashIconView::dragMoveEvent(QDragMoveEvent* event) {
  event->setDropAction(Qt::MoveAction);
  event->accept();
}

void TrashIconView::dragLeaveEvent(QDragLeaveEvent* event) {
  draggingExited();
  event->accept();
}

void TrashIconView::dropEvent(QDropEvent* event) {
  const auto answer = event->mimeData() ? performDrop(*event->mimeData()) : std::nullopt;
  if (!answer) {
    event->ignore();
    return;
  }
  event->setDropAction(*answer);
  event->accept();
}

}  // namespace pelko
