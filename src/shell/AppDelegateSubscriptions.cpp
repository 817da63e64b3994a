#include "foundation/DebugLog.h"
#include "settings/SettingsManager.h"
#include "shell/AppDelegate.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"

namespace pelko {

namespace {

// Every row reacts to changes only: the value current at subscription is skipped. Each change carries
// whether a batch (a preset or a reset) made it: the batch's own rebuild covers it, also when its
// debounced or throttled delivery comes after the batch has ended.
template <class T>
Publisher<bool> changes(const Setting<T>& setting, const SettingsManager& manager) {
  return setting.publisher().dropFirst().map([&manager](const T&) { return manager.isBatchingUpdates; });
}

template <class T>
Publisher<bool> throttledChanges(const Setting<T>& setting, const SettingsManager& manager,
                                 Scheduler& scheduler) {
  return changes(setting, manager).throttle(scheduler, AppDelegate::kThrottle, true);
}

}  // namespace

void AppDelegate::react(Publisher<bool> trigger, Handler handler) {
  trigger
      .sink([weak = weakSelf(), handler = std::move(handler)](const bool& madeInBatch) {
        auto self = weak.lock();
        if (!self) return;
        // Skipped while a batch runs, and when the batch made the change this delivery reports: the
        // batch ends with one rebuild of every bar.
        if (madeInBatch || self->settingsManager_->isBatchingUpdates) return;
        handler(*self);
      })
      .store(cancellables_);
}

void AppDelegate::forEachBar(BarUpdate update) {
  if (taskbars_) taskbars_->updateEveryBar(update);
}

void AppDelegate::updateLayoutForCurrentPosition() {
  if (taskbars_) taskbars_->updateLayout(settingsManager_->position);
}

void AppDelegate::subscribeToSettings() {
  Scheduler& s = env_.scheduler;
  SettingsManager& m = *settingsManager_;

  // Delivered on the main queue in every case: a reaction never runs inside the assignment, where the
  // setting does not hold its new value yet.
  auto debounced = [&s](Publisher<bool> p) { return p.debounce(s, kDebounce); };
  auto onMain = [&s](Publisher<bool> p) { return p.receiveOnMain(s); };
  auto changed = [&m](const auto& setting) { return changes(setting, m); };
  auto throttledChange = [&m, &s](const auto& setting) { return throttledChanges(setting, m, s); };
  auto throttled = [&](const auto& setting) { return throttledChange(setting).receiveOnMain(s); };

  // 1
  react(debounced(changed(m.position)), [](AppDelegate& d) {
    if (d.taskbars_) d.taskbars_->rebuildAll();
  });
  // 2
  react(debounced(merge<bool>({changed(m.showSystemTray), changed(m.centerItems), changed(m.itemAlignment)})),
        [](AppDelegate& d) {
          if (!d.taskbars_) return;
          TaskbarPosition position = d.settingsManager_->position;
          d.taskbars_->repositionAllPanels();
          d.taskbars_->updateLayout(position);
        });
  // 3
  react(onMain(changed(m.floatingBar)), [](AppDelegate& d) {
    if (d.taskbars_) d.taskbars_->rebuildAll();
  });
  // 4
  react(throttled(m.itemSpacing), [](AppDelegate& d) { d.updateLayoutForCurrentPosition(); });
  // 5
  react(debounced(merge<bool>({changed(m.showTrashIcon), changed(m.groupWindows), changed(m.style)})),
        [](AppDelegate& d) { d.updateLayoutForCurrentPosition(); });
  // 6
  react(onMain(merge<bool>({throttledChange(m.marginHorizontal), throttledChange(m.marginVertical),
                            throttledChange(m.windowGap)})),
        [](AppDelegate& d) {
          if (d.taskbars_) d.taskbars_->repositionAllPanels();
        });
  // 7
  react(throttled(m.taskbarSize), [](AppDelegate& d) {
    if (!d.taskbars_) return;
    d.taskbars_->repositionAllPanels();
    d.taskbars_->updateEveryBar(BarUpdate::itemSizes);
  });
  // 8
  react(throttled(m.iconSize), [](AppDelegate& d) { d.forEachBar(BarUpdate::itemSizes); });
  // 9
  react(onMain(merge<bool>({changed(m.equalWidth), throttledChange(m.maxTaskWidth)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::itemSizes); });
  // 10
  m.showThumbnails.publisher()
      .dropFirst()
      .receiveOnMain(s)
      .sink([weak = weakSelf()](const bool& enabled) {
        auto self = weak.lock();
        if (!self) return;
        if (!enabled) {
          self->forEachBar(BarUpdate::dismissThumbnails);
        } else if (!self->accessibilityHelper_->hasScreenRecordingPermission()) {
          self->settingsManager_->showThumbnails = false;
          debugLog("AppDelegate: ignoring thumbnail enable while Screen Recording permission is missing");
        }
      })
      .store(cancellables_);
  // 11
  react(onMain(merge<bool>({changed(m.showWindowTitle), changed(m.itemTextSize)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::items); });
  // 12
  react(debounced(merge<bool>({changed(m.showWindowCount), changed(m.windowCountStyle), changed(m.badgeColor),
                               changed(m.badgeTextColor), changed(m.badgeOpacity)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::windowCounts); });
  // 13
  react(onMain(changed(m.groupByApp)), [](AppDelegate& d) { d.appTracker_->forceRefresh(); });
  // 14
  react(onMain(merge<bool>({changed(m.indicateMinimized), changed(m.indicateHidden)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::dimming); });
  // 15
  react(onMain(changed(m.blacklistedBundleIDs)), [](AppDelegate& d) {
    d.appTracker_->forceRefresh();
    if (!d.taskbars_) return;
    d.taskbars_->updateBlacklistedBundleIDs(d.settingsManager_->blacklistedBundleIDs.get());
    d.taskbars_->removeBlacklistedObservers();
  });
  // 16
  react(onMain(merge<bool>({changed(m.showActiveIndicator), changed(m.activeIndicatorColor)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::activeIndicators); });
  // 17
  react(onMain(changed(m.activeIndicatorPosition)),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::itemSizes); });
  // 18
  react(debounced(merge<bool>(
            {changed(m.borderTop), changed(m.borderBottom), changed(m.borderLeft), changed(m.borderRight)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::border); });
  // 19
  react(throttled(m.backgroundOpacity), [](AppDelegate& d) { d.forEachBar(BarUpdate::backgroundOpacity); });
  // 20
  react(onMain(changed(m.backgroundColor)),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::backgroundOpacity); });
  // 21
  react(onMain(changed(m.useVibrancy)), [](AppDelegate& d) { d.forEachBar(BarUpdate::vibrancy); });
  // 22
  react(onMain(merge<bool>(
            {changed(m.borderColor), throttledChange(m.borderOpacity), throttledChange(m.borderWidth)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::border); });
  // 23
  react(throttled(m.cornerRadius), [](AppDelegate& d) {
    d.forEachBar(BarUpdate::cornerRadius);
    if (d.taskbars_) d.taskbars_->repositionAllPanels();
  });
  // 24
  m.fullyHideDock.publisher()
      .dropFirst()
      .receiveOnMain(s)
      .sink([weak = weakSelf()](const bool& hidden) {
        if (auto self = weak.lock()) self->setDockHidden(hidden);
      })
      .store(cancellables_);
  // 25
  m.excludeFromCapture.publisher()
      .dropFirst()
      .receiveOnMain(s)
      .sink([weak = weakSelf()](const bool& excluded) {
        auto self = weak.lock();
        if (self && self->taskbars_) self->taskbars_->setExcludedFromCapture(excluded);
      })
      .store(cancellables_);

  m.onBatchResetComplete = [weak = weakSelf()] {
    auto self = weak.lock();
    if (self && self->taskbars_) self->taskbars_->rebuildAll();
  };
}

}  // namespace pelko
