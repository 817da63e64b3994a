#include "shell/MonitorManagerTaskbars.h"

namespace pelko {

void MonitorManagerTaskbars::updateLayout(TaskbarPosition position) {
  monitorManager_->forEachViewController(
      [position](TaskbarViewController& bar) { bar.updateLayout(position); });
}

void MonitorManagerTaskbars::updateEveryBar(BarUpdate update) {
  monitorManager_->forEachViewController([update](TaskbarViewController& bar) {
    switch (update) {
      case BarUpdate::itemSizes:
        bar.reconfigureItemSizes();
        break;
      case BarUpdate::items:
        bar.reconfigureItems();
        break;
      case BarUpdate::activeIndicators:
        bar.refreshActiveIndicators();
        break;
      case BarUpdate::backgroundOpacity:
        bar.updateBackgroundOpacity();
        break;
      case BarUpdate::vibrancy:
        bar.updateVibrancy();
        break;
      case BarUpdate::dismissThumbnails:
      case BarUpdate::windowCounts:
      case BarUpdate::dimming:
      case BarUpdate::border:
      case BarUpdate::cornerRadius:
        // The bars do not show thumbnails, window-count badges, dimming, borders or rounded corners
        // yet, so there is nothing of them to bring up to date.
        break;
    }
  });
}

void MonitorManagerTaskbars::setExcludedFromCapture(bool excluded) {
  monitorManager_->updateSharingType(excluded ? WindowSharingType::none : WindowSharingType::readOnly);
}

}  // namespace pelko
