#include "taskbar/TaskbarContainerView.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>

#include "taskbar/AppItemView.h"
#include "taskbar/TaskbarGeometry.h"
#include "ui/QtColor.h"

namespace pelko {

namespace {
// A rectangle with the chosen corners rounded (y down here: the "top" bits are the small-y corners).
QPainterPath roundedPath(const QRectF& r, double radius, unsigned corners) {
  QPainterPath path;
  radius = std::min({radius, r.width() / 2, r.height() / 2});
  if (radius <= 0 || corners == 0) {
    path.addRect(r);
    return path;
  }
  if (corners == kAllCorners) {
    path.addRoundedRect(r, radius, radius);
    return path;
  }
  const double d = radius * 2;
  const bool tl = corners & kCornerTopLeft, tr = corners & kCornerTopRight;
  const bool bl = corners & kCornerBottomLeft, br = corners & kCornerBottomRight;
  path.moveTo(r.left() + (tl ? radius : 0), r.top());
  if (tr) {
    path.lineTo(r.right() - radius, r.top());
    path.arcTo(QRectF(r.right() - d, r.top(), d, d), 90, -90);
  } else {
    path.lineTo(r.right(), r.top());
  }
  if (br) {
    path.lineTo(r.right(), r.bottom() - radius);
    path.arcTo(QRectF(r.right() - d, r.bottom() - d, d, d), 0, -90);
  } else {
    path.lineTo(r.right(), r.bottom());
  }
  if (bl) {
    path.lineTo(r.left() + radius, r.bottom());
    path.arcTo(QRectF(r.left(), r.bottom() - d, d, d), 270, -90);
  } else {
    path.lineTo(r.left(), r.bottom());
  }
  if (tl) {
    path.lineTo(r.left(), r.top() + radius);
    path.arcTo(QRectF(r.left(), r.top(), d, d), 180, -90);
  } else {
    path.lineTo(r.left(), r.top());
  }
  path.closeSubpath();
  return path;
}
// The reorder drag an event carries, in the bar's coordinates.
ReorderDrag reorderDragOf(const QDropEvent& event) {
  ReorderDrag drag;
  drag.source = event.source();
  drag.session = event.mimeData();
  const QString type = QString::fromLatin1(AppItemView::kReorderPasteboardType);
  if (event.mimeData() && event.mimeData()->hasFormat(type))
    drag.reorderString = QString::fromUtf8(event.mimeData()->data(type)).toStdString();
  drag.position = event.position();
  return drag;
}

bool carriesReorderType(const QMimeData* data) {
  return data && data->hasFormat(QString::fromLatin1(AppItemView::kReorderPasteboardType));
}
}  // namespace

// Draws the border lines on top of the bar's other children, within the bar's rounded outline.
class TaskbarContainerView::BorderOverlay final : public QWidget {
 public:
  explicit BorderOverlay(TaskbarContainerView* bar) : QWidget(bar), bar_(bar) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
  }

  // The outline or the lines changed: the drawn path is built again on the next paint.
  void invalidate() {
    path_.reset();
    update();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (bar_->borderLines_.empty() || bar_->borderColor_.alpha <= 0) return;
    if (!path_) {
      QPainterPath lines;
      for (const Rect& line : bar_->borderLines_)
        lines.addRect(QRectF(line.origin.x, line.origin.y, line.size.width, line.size.height));
      // Intersected as paths rather than clipped: a clip path would cut the corners with hard steps.
      path_ = bar_->shape().intersected(lines.simplified());
    }
    // A hover fade repaints one button at a time, mostly away from the lines.
    if (!event->region().intersects(path_->boundingRect().toAlignedRect())) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(*path_, toQColor(bar_->borderColor_));
  }

 private:
  TaskbarContainerView* bar_;
  std::optional<QPainterPath> path_;
};

TaskbarContainerView::TaskbarContainerView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TranslucentBackground);
  setAutoFillBackground(false);
  overlay_ = new BorderOverlay(this);
}

void TaskbarContainerView::setBackgroundColor(std::optional<Color> color) {
  if (color == background_) return;
  background_ = color;
  update();
}

void TaskbarContainerView::setCorners(double radius, unsigned corners) {
  if (!std::isfinite(radius) || radius < 0) radius = 0;
  if (radius == cornerRadius_ && corners == corners_) return;
  cornerRadius_ = radius;
  corners_ = corners;
  shapeChanged();
}

QPainterPath TaskbarContainerView::shape() const {
  return roundedPath(QRectF(rect()), cornerRadius_, corners_);
}

void TaskbarContainerView::setBorderLines(const std::vector<Rect>& lines, const Color& color) {
  borderLines_ = lines;
  borderColor_ = color;
  overlay_->raise();
  overlay_->invalidate();
}

void TaskbarContainerView::layoutNow() {
  if (onLayout) onLayout();
}

void TaskbarContainerView::paintEvent(QPaintEvent* event) {
  if (!background_ || background_->alpha <= 0) return;
  QPainter painter(this);
  const QColor color = toQColor(*background_);
  // A hover fade repaints one button at a time, away from the rounded corners: there the shape is a
  // plain rectangle, filled without rasterising the whole outline.
  const int radius =
      static_cast<int>(std::ceil(std::min(cornerRadius_, static_cast<double>(std::max(width(), height())))));
  const QRect clearOfCornersAcross = rect().adjusted(radius, 0, -radius, 0);
  const QRect clearOfCornersAlong = rect().adjusted(0, radius, 0, -radius);
  const QRegion& dirty = event->region();
  if (std::all_of(dirty.begin(), dirty.end(), [&](const QRect& part) {
        return clearOfCornersAcross.contains(part) || clearOfCornersAlong.contains(part);
      })) {
    // The bar is the lowest thing its translucent window paints, onto a region the backing store has
    // just cleared: copying the colour in leaves the same pixels as blending it over nothing, and costs
    // a plain fill instead of a blend per pixel.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& part : dirty) painter.fillRect(part, color);
    return;
  }
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(shape(), color);
}

void TaskbarContainerView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  overlay_->setGeometry(rect());
  shapeChanged();
  layoutNow();
}

void TaskbarContainerView::childEvent(QChildEvent* event) {
  QWidget::childEvent(event);
  // The lines stay above whatever the controller adds later (a rebuilt stack, the tray).
  if (event->added() && overlay_ && event->child() != overlay_ && event->child()->isWidgetType())
    overlay_->raise();
}

void TaskbarContainerView::dragEnterEvent(QDragEnterEvent* event) {
  auto target = reorderDelegate.lock();
  if (!target || !carriesReorderType(event->mimeData())) {
    event->ignore();
    return;
  }
  target->dragEntered(reorderDragOf(*event));
  event->setDropAction(Qt::MoveAction);
  event->accept();
}

void TaskbarContainerView::dragMoveEvent(QDragMoveEvent* event) {
  auto target = reorderDelegate.lock();
  if (!target || !carriesReorderType(event->mimeData())) {
    event->ignore();
    return;
  }
  target->dragMoved(reorderDragOf(*event));
  event->setDropAction(Qt::MoveAction);
  event->accept();
}

void TaskbarContainerView::dragLeaveEvent(QDragLeaveEvent*) {
  if (auto target = reorderDelegate.lock()) target->dragExited();
}

void TaskbarContainerView::dropEvent(QDropEvent* event) {
  auto target = reorderDelegate.lock();
  if (target && target->performDrop(reorderDragOf(*event))) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void TaskbarContainerView::contextMenuEvent(QContextMenuEvent* event) {
  if (!onContextMenu) {
    event->ignore();
    return;
  }
  onContextMenu(event->globalPos());
  event->accept();
}

void TaskbarContainerView::shapeChanged() {
  update();
  overlay_->invalidate();
}

}  // namespace pelko
