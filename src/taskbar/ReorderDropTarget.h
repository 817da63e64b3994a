#pragma once

#include <QPointF>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Scheduler.h"

class QObject;
class QWidget;

namespace pelko {

class AppItemView;
class StackView;
class TrackedApp;

// One reorder drag as the bar sees it, taken from the toolkit's drag event.
struct ReorderDrag {
  // The drag's source; null for a drag from another process.
  QObject* source = nullptr;
  // Tells one drag from the next (the drag's data object).
  const void* session = nullptr;
  // The string the drag carries for the reorder type, if any.
  std::optional<std::string> reorderString;
  // The pointer in the coordinates of the bar's root view.
  QPointF position;
};

// The receiving side of reordering a bar's buttons by dragging one: moves the dragged button live in the
// bar's stack, puts it back when the drag leaves, and on a drop hands the bar's new order to its owner.
// While a drag from one of this process's buttons is over the bar it is "dragging", and the owner parks
// incoming entry lists here instead of applying them; every way a drag can end (drop, leave, cancel, a
// drag from another bar, the source button gone, a rebuild) ends that state and applies the newest
// parked list, so the bar never stops following its entries. Main thread only.
class ReorderDropTarget {
 public:
  using AppList = std::vector<std::shared_ptr<TrackedApp>>;
  struct Host {
    std::function<StackView*()> stack;
    std::function<QWidget*()> root;
    // Applies an entry list to the bar (the list update).
    std::function<void(const AppList&)> applyList;
    // Stores the bar's order (bundle identifiers in visual order, each once); answers the whole stored
    // custom order afterwards.
    std::function<std::vector<std::string>(const std::vector<std::string>&)> storeOrder;
  };

  ReorderDropTarget(Scheduler& scheduler, Host host);
  ~ReorderDropTarget();
  ReorderDropTarget(const ReorderDropTarget&) = delete;
  ReorderDropTarget& operator=(const ReorderDropTarget&) = delete;

  // The drag handlers, in the order the toolkit calls them.
  void dragEntered(const ReorderDrag& drag);
  void dragMoved(const ReorderDrag& drag);
  // The toolkit sends a leave and an enter whenever the pointer crosses a button's edge; the leave is
  // acted on a moment later unless an enter of the same drag follows at once.
  void dragExited();
  // Answers whether the drop was taken.
  bool performDrop(const ReorderDrag& drag);
  // The source button's drag finished, whatever became of it (dropped elsewhere, cancelled).
  void sourceDragEnded(QObject* source);

  // The list update's question: parks `apps` and answers true while dragging.
  bool parkIfDragging(const AppList& apps);
  // The bar is rebuilt: ends a drag without moving anything and answers the parked list, if any, which
  // the rebuild is to apply.
  std::optional<AppList> endForRebuild();

  bool isDraggingReorder() const { return isDraggingReorder_; }
  QObject* draggingSourceView() const { return draggingSourceView_.data(); }
  std::optional<size_t> originalDragIndex() const { return originalDragIndex_; }
  bool hasParkedList() const { return pendingDragApps_.has_value(); }

  // Where a button dragged from `current` lands for the pointer at `target` (the index of the first
  // button the pointer is before); none when it would stay where it is.
  static std::optional<size_t> landingIndex(size_t current, size_t target);

 private:
  void exitNow();
  // Leaves the dragging state and applies the parked list, ordered by `order` when one is given.
  void finish(const std::optional<std::vector<std::string>>& order);
  void moveButton(QWidget* button, size_t newIndex);
  std::optional<size_t> indexInStack(const QObject* view) const;

  Scheduler& scheduler_;
  Host host_;
  bool isDraggingReorder_ = false;
  QPointer<QObject> draggingSourceView_;
  std::optional<size_t> originalDragIndex_;
  std::optional<AppList> pendingDragApps_;
  const void* session_ = nullptr;
  WorkItemPtr pendingExit_;
};

}  // namespace pelko
