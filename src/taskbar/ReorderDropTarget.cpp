#include "taskbar/ReorderDropTarget.h"

#include <QWidget>
#include <algorithm>
#include <unordered_set>

#include "foundation/DebugLog.h"
#include "taskbar/AppItemView.h"
#include "taskbar/CustomAppOrder.h"
#include "tracking/TrackedApp.h"
#include "ui/StackView.h"

namespace pelko {

ReorderDropTarget::ReorderDropTarget(Scheduler& scheduler, Host host)
    : scheduler_(scheduler), host_(std::move(host)) {}

ReorderDropTarget::~ReorderDropTarget() {
  if (pendingExit_) pendingExit_->cancel();
}

std::optional<size_t> ReorderDropTarget::indexInStack(const QObject* view) const {
  StackView* stack = host_.stack();
  if (!stack || !view) return std::nullopt;
  const auto views = stack->arrangedSubviews();
  auto it = std::find(views.begin(), views.end(), view);
  if (it == views.end()) return std::nullopt;
  return static_cast<size_t>(it - views.begin());
}

std::optional<size_t> ReorderDropTarget::landingIndex(size_t current, size_t target) {
  if (target == current || target == current + 1) return std::nullopt;
  return current < target ? target - 1 : target;
}

void ReorderDropTarget::dragEntered(const ReorderDrag& drag) {
  if (pendingExit_) {
    pendingExit_->cancel();
    pendingExit_.reset();
    // The pointer only crossed a button's edge: the drag goes on as it was.
    if (isDraggingReorder_ && drag.session == session_) return;
    exitNow();
  }
  // A new drag over a bar still in an old one's state (whose end never arrived) ends the old one first.
  if (isDraggingReorder_ && drag.session != session_) exitNow();
  auto* source = qobject_cast<AppItemView*>(drag.source);
  if (!source) return;
  draggingSourceView_ = source;
  originalDragIndex_ = indexInStack(source);
  isDraggingReorder_ = true;
  session_ = drag.session;
}

void ReorderDropTarget::dragMoved(const ReorderDrag& drag) {
  QWidget* button = qobject_cast<QWidget*>(draggingSourceView_.data());
  StackView* stack = host_.stack();
  QWidget* root = host_.root();
  if (!button || !stack || !root) return;
  const auto current = indexInStack(button);
  if (!current) return;
  const QPointF p = stack->mapFrom(root, drag.position.toPoint());
  const auto views = stack->arrangedSubviews();
  const bool horizontal = stack->orientation() == Qt::Horizontal;
  size_t target = views.size();
  for (size_t i = 0; i < views.size(); ++i) {
    const QRectF frame = views[i]->geometry();
    // Qt's y grows downwards: on a column the pointer is before a view when it is above its middle.
    const bool before = horizontal ? frame.center().x() > p.x() : frame.center().y() > p.y();
    if (before) {
      target = i;
      break;
    }
  }
  if (auto newIndex = landingIndex(*current, target)) moveButton(button, *newIndex);
}

void ReorderDropTarget::moveButton(QWidget* button, size_t newIndex) {
  StackView* stack = host_.stack();
  auto views = stack->arrangedSubviews();
  views.erase(std::remove(views.begin(), views.end(), button), views.end());
  views.insert(views.begin() + static_cast<std::ptrdiff_t>(std::min(newIndex, views.size())), button);
  stack->setArrangedSubviews(views);
}

void ReorderDropTarget::dragExited() {
  if (!isDraggingReorder_) return;
  if (pendingExit_) pendingExit_->cancel();
  pendingExit_ = std::make_shared<WorkItem>([this] {
    pendingExit_.reset();
    exitNow();
  });
  // Owned by this target, which cancels it when it goes.
  scheduler_.mainQueue().async(pendingExit_);
}

void ReorderDropTarget::exitNow() {
  if (!isDraggingReorder_) return;
  QWidget* button = qobject_cast<QWidget*>(draggingSourceView_.data());
  if (button && originalDragIndex_ && indexInStack(button)) moveButton(button, *originalDragIndex_);
  finish(std::nullopt);
}

void ReorderDropTarget::sourceDragEnded(QObject* source) {
  if (!isDraggingReorder_ || (source && source != draggingSourceView_.data() && draggingSourceView_)) return;
  // A drag that ended without a leave reaching this bar (cancelled in place): put the button back.
  if (pendingExit_) {
    pendingExit_->cancel();
    pendingExit_.reset();
  }
  exitNow();
}

bool ReorderDropTarget::performDrop(const ReorderDrag& drag) {
  if (pendingExit_) {
    pendingExit_->cancel();
    pendingExit_.reset();
  }
  if (!drag.reorderString || !qobject_cast<AppItemView*>(drag.source)) {
    if (!drag.reorderString) return false;
    // Not one of this process's buttons: nothing of this bar changes, but a drag still over it ends.
    debugLog("Reorder drop refused: the drag does not come from one of Pelko's buttons");
    finish(std::nullopt);
    return false;
  }
  std::vector<std::string> order;
  std::unordered_set<std::string> seen;
  if (StackView* stack = host_.stack()) {
    for (QWidget* view : stack->arrangedSubviews()) {
      auto* item = qobject_cast<AppItemView*>(view);
      if (!item || !item->trackedApp()) continue;
      const std::string& bundleID = item->trackedApp()->bundleID;
      if (seen.insert(bundleID).second) order.push_back(bundleID);
    }
  }
  const std::vector<std::string> stored = host_.storeOrder(order);
  finish(stored);
  return true;
}

void ReorderDropTarget::finish(const std::optional<std::vector<std::string>>& order) {
  isDraggingReorder_ = false;
  draggingSourceView_ = nullptr;
  originalDragIndex_.reset();
  session_ = nullptr;
  if (!pendingDragApps_) return;
  AppList parked = std::move(*pendingDragApps_);
  pendingDragApps_.reset();
  // A parked list is in the order from before the drop; the tracker's next list follows the new one.
  if (order) parked = sortedByCustomOrder(std::move(parked), *order);
  host_.applyList(parked);
}

bool ReorderDropTarget::parkIfDragging(const AppList& apps) {
  if (!isDraggingReorder_) return false;
  pendingDragApps_ = apps;
  return true;
}

std::optional<ReorderDropTarget::AppList> ReorderDropTarget::endForRebuild() {
  if (pendingExit_) {
    pendingExit_->cancel();
    pendingExit_.reset();
  }
  isDraggingReorder_ = false;
  draggingSourceView_ = nullptr;
  originalDragIndex_.reset();
  session_ = nullptr;
  auto parked = std::move(pendingDragApps_);
  pendingDragApps_.reset();
  return parked;
}

}  // namespace pelko
