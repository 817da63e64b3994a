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
      case BarUpdate::windowCounts:
        bar.refreshWindowCounts();
        break;
      case BarUpdate::dimming:
        bar.refreshDimming();
        break;
      case BarUpdate::border:
        bar.updateBorder();
        break;
      case BarUpdate::cornerRadius:
        bar.updateCornerRadius();
        break;
      case BarUpdate::dismissThumbnails:
        bar.dismissAllThumbnails();
        break;
    }
  });
}

void MonitorManagerTaskbars::setExcludedFromCapture(bool excluded) {
  monitorManager_->updateSharingType(excluded ? WindowSharingType::none : WindowSharingType::readOnly);
}

}  // namespace pelko
