#pragma once

#include <memory>

#include "foundation/Scheduler.h"
#include "taskbar/AppItemEnvironment.h"

namespace pelko {

class AppItemThumbnails;
class AppItemView;

// Files, links, text or images dragged over an item button. Resting there for 0.3 s shows the panel of
// an application with several windows (when thumbnails are available), else brings the entry's window,
// or the application's first, forward. A panel already shown stays while the drag rests on the button.
// Owned by its button, with the button's thumbnails; main thread only.
class AppItemDragHover : public std::enable_shared_from_this<AppItemDragHover> {
 public:
  AppItemDragHover(AppItemView& button, AppItemThumbnails& thumbnails, const AppItemEnvironment& environment);
  ~AppItemDragHover();
  AppItemDragHover(const AppItemDragHover&) = delete;
  AppItemDragHover& operator=(const AppItemDragHover&) = delete;

  void entered();
  // The drag moved off the button, or ended on it.
  void exited();
  void ended();
  bool isHovering() const { return hovering_; }
  // Forgets the drag and what its rest would do (the button's thumbnail was ended).
  void forget();

 private:
  void scheduleRestAction();
  void restAction();

  AppItemView& button_;
  AppItemThumbnails& thumbnails_;
  const AppItemEnvironment env_;
  bool hovering_ = false;
  WorkItemPtr restWorkItem_;
};

}  // namespace pelko
