#pragma once

#include <QPointer>
#include <cstddef>
#include <vector>

#include "foundation/Scheduler.h"
#include "ui/Animator.h"

namespace pelko {

class AppItemView;

// The fades of one bar's buttons: a new button fades in, a button whose entry went fades out and is
// then deleted. A button that starts fading out is left to that fade alone, and one whose reorder drag
// still runs deletes itself once the drag is over instead. Main thread only; the fades stop with it.
class ItemFades {
 public:
  static constexpr double kFadeInDuration = 0.15;
  static constexpr double kFadeOutDuration = 0.1;

  explicit ItemFades(Scheduler& scheduler) : animator_(scheduler) {}

  // From the button's current opacity to none; it takes no clicks on the way.
  void fadeOut(AppItemView* item);
  void fadeIn(const std::vector<AppItemView*>& items);
  bool isFadingOut(const AppItemView* item) const;
  // Buttons still fading out.
  size_t fadingOutCount() const;
  // Forgets the buttons fading out (their stack takes them with it).
  void forgetFadingOut() { fadingOut_.clear(); }

 private:
  Animator animator_;
  std::vector<QPointer<AppItemView>> fadingOut_;
};

}  // namespace pelko
