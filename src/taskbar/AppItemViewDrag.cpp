// The item button as the source of a reorder drag, and its reaction to files, links, text and images
// dragged over it.

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "settings/SettingsManager.h"
#include "taskbar/AppItemThumbnails.h"
#include "taskbar/AppItemView.h"
#include "taskbar/WindowFocusing.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"
#include "ui/WidgetOpacity.h"

namespace pelko {

namespace {
constexpr double kReorderDragThreshold = 3.0;
constexpr double kDragFadeOutDuration = 0.08;
constexpr double kDragFadeInDuration = 0.2;
constexpr double kDragHoverFadeDuration = 0.08;
constexpr double kDragHoverDelay = 0.3;
constexpr Color kClear{0, 0, 0, 0};

bool isReorderDrag(const QMimeData* data) {
  return data && data->hasFormat(QString::fromLatin1(AppItemView::kReorderPasteboardType));
}

// What a drag may carry for the button to light up: files, links, text and images.
bool isHoverDrag(const QMimeData* data) {
  return data && !isReorderDrag(data) &&
         (data->hasUrls() || data->hasText() || data->hasImage() || data->hasFormat("image/png") ||
          data->hasFormat("image/tiff"));
}
}  // namespace

void AppItemView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || !mouseDragged(event->position())) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  event->accept();
}

bool AppItemView::mouseDragged(const QPointF& position) {
  if (!cmdMouseDown_ || !trackedApp_) return false;
  const QPointF delta = position - cmdMouseDown_->position;
  if (!(std::hypot(delta.x(), delta.y()) > kReorderDragThreshold)) return true;
  startReorderDrag();
  return true;
}

std::unique_ptr<QMimeData> AppItemView::makeReorderMimeData() const {
  auto data = std::make_unique<QMimeData>();
  if (trackedApp_)
    data->setData(QString::fromLatin1(kReorderPasteboardType),
                  QByteArray::fromStdString(trackedApp_->bundleID));
  return data;
}

void AppItemView::startReorderDrag() {
  const QPointF pressedAt = cmdMouseDown_ ? cmdMouseDown_->position : QPointF();
  cmdMouseDown_.reset();
  auto* drag = new QDrag(this);
  drag->setMimeData(makeReorderMimeData().release());
  QPixmap image = grab();
  if (image.isNull()) image = iconPixmap_;
  if (!image.isNull()) {
    drag->setPixmap(image);
    drag->setHotSpot(pressedAt.toPoint());
  }

  reorderDragging_ = true;
  QPointer<AppItemView> self(this);
  animator_.animate({.from = widgetOpacity(*this), .to = 0, .duration = kDragFadeOutDuration},
                    [self](double alpha) {
                      if (self) setWidgetOpacity(*self, alpha);
                    });
  // Moves within this application only; the bar refuses drops from anywhere else.
  QPointer<QDrag> dragGuard(drag);
  if (runReorderDrag) {
    runReorderDrag(*drag);
  } else {
    drag->exec(Qt::MoveAction, Qt::MoveAction);
  }
  if (dragGuard) dragGuard->deleteLater();
  if (!self) return;
  reorderDragging_ = false;
  if (onReorderDragEnded) {
    auto ended = onReorderDragEnded;
    ended(this);
  }
  if (!self) return;
  if (deleteAfterDrag_) {
    deleteLater();
    return;
  }
  animator_.animate(
      {.from = widgetOpacity(*this), .to = 1, .duration = kDragFadeInDuration, .easing = Easing::easeOut},
      [self](double alpha) {
        if (self) setWidgetOpacity(*self, alpha);
      });
}

bool AppItemView::detachIfDragging() {
  if (!reorderDragging_) return false;
  deleteAfterDrag_ = true;
  hide();
  setParent(nullptr);
  return true;
}

// ---- Drag hover ----

void AppItemView::dragEnterEvent(QDragEnterEvent* event) {
  if (!isHoverDrag(event->mimeData())) {
    event->ignore();  // a reorder drag goes on to the bar
    return;
  }
  dragHoverEntered();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void AppItemView::dragMoveEvent(QDragMoveEvent* event) {
  if (!isDragHovering_) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void AppItemView::dragLeaveEvent(QDragLeaveEvent*) {
  if (isDragHovering_) dragHoverExited();
}

void AppItemView::dropEvent(QDropEvent* event) {
  // The button takes nothing; the drag is over.
  dragHoverEnded();
  event->ignore();
}

void AppItemView::dragHoverEntered() {
  isDragHovering_ = true;
  thumbnails_->dropPendingShow();
  animateBackgroundColor(cachedHoverColor_, kDragHoverFadeDuration);
  // A panel already shown stays while the drag rests on its button.
  if (activeThumbnailPanel())
    thumbnails_->stopWatchingPointer();
  else
    scheduleDragThumbnail();
}

void AppItemView::dragHoverExited() {
  isDragHovering_ = false;
  if (dragThumbnailWorkItem_) dragThumbnailWorkItem_->cancel();
  dragThumbnailWorkItem_.reset();
  if (!trackedApp_ || !trackedApp_->isActive.get()) animateBackgroundColor(kClear, kDragHoverFadeDuration);
  // The panel stays while the drag moves onto it, and goes once it is left.
  if (activeThumbnailPanel()) thumbnails_->watchPointer();
}

void AppItemView::dragHoverEnded() {
  isDragHovering_ = false;
  if (dragThumbnailWorkItem_) dragThumbnailWorkItem_->cancel();
  dragThumbnailWorkItem_.reset();
  if (!trackedApp_ || !trackedApp_->isActive.get()) animateBackgroundColor(kClear, kDragHoverFadeDuration);
  cancelThumbnail();
}

void AppItemView::scheduleDragThumbnail() {
  if (dragThumbnailWorkItem_) dragThumbnailWorkItem_->cancel();
  QPointer<AppItemView> self(this);
  dragThumbnailWorkItem_ = env_.scheduler.mainAfter(kDragHoverDelay, [self] {
    if (self) self->performDragHoverAction();
  });
}

void AppItemView::performDragHoverAction() {
  dragThumbnailWorkItem_.reset();
  if (!trackedApp_ || !settings()) return;
  const TrackedAppPtr app = trackedApp_;
  std::vector<int64_t> windows;
  if (!app->isWindowEntry()) {
    if (auto tracker = appTracker.lock()) windows = tracker->windowNumbers(app->pid);
    if (windows.size() > 1 && env_.thumbnails) {
      showThumbnailsForDragHover();
      return;
    }
  }
  if (auto manager = windowManager.lock()) manager->activate(app->pid);
  std::optional<int64_t> target = app->windowNumber;
  if (!target && !windows.empty()) target = windows.front();
  if (target) focusSpecificWindow(env_.accessibilityHelper, app->pid, *target);
}

}  // namespace pelko
