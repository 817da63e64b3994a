#include "taskbar/ItemFades.h"

#include <algorithm>

#include "taskbar/AppItemView.h"
#include "ui/WidgetOpacity.h"

namespace pelko {

void ItemFades::fadeOut(AppItemView* item) {
  QPointer<AppItemView> target(item);
  // A button on its way out no longer takes clicks for an entry that is gone.
  item->setAttribute(Qt::WA_TransparentForMouseEvents);
  fadingOut_.erase(
      std::remove_if(fadingOut_.begin(), fadingOut_.end(), [](const auto& p) { return p.isNull(); }),
      fadingOut_.end());
  fadingOut_.push_back(target);
  animator_.animate(
      {.from = widgetOpacity(*item), .to = 0, .duration = kFadeOutDuration, .easing = Easing::easeIn},
      [target](double alpha) {
        if (target) setWidgetOpacity(*target, alpha);
      },
      [target] {
        // A rebuild in between may have taken the button already.
        if (target && target->parentWidget() && !target->detachIfDragging()) delete target.data();
      });
}

void ItemFades::fadeIn(const std::vector<AppItemView*>& items) {
  std::vector<QPointer<AppItemView>> targets(items.begin(), items.end());
  // The animator stops with this object, so the frames may use it.
  animator_.animate({.from = 0, .to = 1, .duration = kFadeInDuration, .easing = Easing::easeOut},
                    [this, targets](double alpha) {
                      for (const auto& target : targets) {
                        // A button that started fading out meanwhile is left to that animation.
                        if (target && !isFadingOut(target.data())) setWidgetOpacity(*target, alpha);
                      }
                    });
}

bool ItemFades::isFadingOut(const AppItemView* item) const {
  return std::any_of(fadingOut_.begin(), fadingOut_.end(),
                     [item](const auto& p) { return p.data() == item; });
}

size_t ItemFades::fadingOutCount() const {
  return static_cast<size_t>(
      std::count_if(fadingOut_.begin(), fadingOut_.end(), [](const auto& item) { return !item.isNull(); }));
}

}  // namespace pelko
