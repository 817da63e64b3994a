#pragma once

#include <QPointF>
#include <memory>
#include <optional>

#include "ui/Animator.h"

class QMimeData;

namespace pelko {

class AppItemView;
class Scheduler;

// An item button as the source of a reorder drag. A Command press never clicks: moved more than 3
// points it becomes a drag that carries the entry's bundle identifier, during which the button fades
// out, and after which it fades back in (or deletes itself, when it was removed from the bar meanwhile).
// Owned by its button; main thread only.
class AppItemReorderDrag {
 public:
  AppItemReorderDrag(AppItemView& button, Scheduler& scheduler);
  AppItemReorderDrag(const AppItemReorderDrag&) = delete;
  AppItemReorderDrag& operator=(const AppItemReorderDrag&) = delete;

  // A Command press at `position` (the button's coordinates): waits to become a drag or to end.
  void commandPressed(const QPointF& position);
  // The button was released: answers whether it ends a Command press (and so is no click).
  bool released();
  // The pointer moved while pressed; false when the move is not the drag's (no Command press or no
  // entry), for the toolkit's default handling.
  bool mouseDragged(const QPointF& position);
  std::unique_ptr<QMimeData> makeMimeData() const;
  bool isDragging() const { return dragging_; }
  // A button removed while its drag runs is hidden and taken off its parent, and deletes itself once the
  // drag is over; answers whether it did so (false: not dragging, the caller may delete it).
  bool detachIfDragging();

 private:
  friend struct AppItemViewTestAccess;

  void start();

  AppItemView& button_;
  Animator animator_;
  // Where the Command press went down, while it waits.
  std::optional<QPointF> commandPress_;
  bool dragging_ = false;
  bool deleteAfterDrag_ = false;
};

}  // namespace pelko
