#include "taskbar/AppItemReorderDrag.h"

#include <QDrag>
#include <QMimeData>
#include <QPointer>
#include <cmath>

#include "taskbar/AppItemView.h"
#include "tracking/TrackedApp.h"
#include "ui/WidgetOpacity.h"

namespace pelko {

namespace {
constexpr double kReorderDragThreshold = 3.0;
constexpr double kDragFadeOutDuration = 0.08;
constexpr double kDragFadeInDuration = 0.2;
}  // namespace

AppItemReorderDrag::AppItemReorderDrag(AppItemView& button, Scheduler& scheduler)
    : button_(button), animator_(scheduler) {}

void AppItemReorderDrag::commandPressed(const QPointF& position) {
  commandPress_ = position;
}

bool AppItemReorderDrag::released() {
  if (!commandPress_) return false;
  commandPress_.reset();
  return true;
}

bool AppItemReorderDrag::mouseDragged(const QPointF& position) {
  if (!commandPress_ || !button_.trackedApp()) return false;
  const QPointF delta = position - *commandPress_;
  if (!(std::hypot(delta.x(), delta.y()) > kReorderDragThreshold)) return true;
  start();
  return true;
}

std::unique_ptr<QMimeData> AppItemReorderDrag::makeMimeData() const {
  auto data = std::make_unique<QMimeData>();
  if (const auto& app = button_.trackedApp())
    data->setData(QString::fromLatin1(AppItemView::kReorderPasteboardType),
                  QByteArray::fromStdString(app->bundleID));
  return data;
}

void AppItemReorderDrag::start() {
  const QPointF pressedAt = commandPress_.value_or(QPointF());
  commandPress_.reset();
  auto* drag = new QDrag(&button_);
  drag->setMimeData(makeMimeData().release());
  QPixmap image = button_.grab();
  if (image.isNull()) image = button_.iconPixmap();
  if (!image.isNull()) {
    drag->setPixmap(image);
    drag->setHotSpot(pressedAt.toPoint());
  }

  dragging_ = true;
  // The button owns this drag: while it lives, so does the drag.
  QPointer<AppItemView> self(&button_);
  animator_.animate({.from = widgetOpacity(button_), .to = 0, .duration = kDragFadeOutDuration},
                    [self](double alpha) {
                      if (self) setWidgetOpacity(*self, alpha);
                    });
  // Moves within this application only; the bar refuses drops from anywhere else.
  QPointer<QDrag> dragGuard(drag);
  if (button_.runReorderDrag) {
    button_.runReorderDrag(*drag);
  } else {
    drag->exec(Qt::MoveAction, Qt::MoveAction);
  }
  if (dragGuard) dragGuard->deleteLater();
  if (!self) return;
  dragging_ = false;
  if (button_.onReorderDragEnded) {
    auto ended = button_.onReorderDragEnded;
    ended(&button_);
  }
  if (!self) return;
  if (deleteAfterDrag_) {
    button_.deleteLater();
    return;
  }
  animator_.animate(
      {.from = widgetOpacity(button_), .to = 1, .duration = kDragFadeInDuration, .easing = Easing::easeOut},
      [self](double alpha) {
        if (self) setWidgetOpacity(*self, alpha);
      });
}

bool AppItemReorderDrag::detachIfDragging() {
  if (!dragging_) return false;
  deleteAfterDrag_ = true;
  button_.hide();
  button_.setParent(nullptr);
  return true;
}

}  // namespace pelko
