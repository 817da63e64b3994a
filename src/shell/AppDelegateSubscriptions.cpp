#include "foundation/DebugLog.h"
#include "settings/SettingsManager.h"
#include "shell/AppDelegate.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"

namespace pelko {

namespace {

// Every row reacts to changes only: the value current at subscription is skipped.
template <class T>
Publisher<std::monostate> changes(const Setting<T>& setting) {
  return setting.publisher().dropFirst().asSignal();
}

template <class T>
Publisher<std::monostate> throttledChanges(const Setting<T>& setting, Scheduler& scheduler) {
  return setting.publisher().dropFirst().throttle(scheduler, AppDelegate::kThrottle, true).asSignal();
}

}  // namespace

void AppDelegate::react(Publisher<std::monostate> trigger, bool skipInBatch, Handler handler) {
  trigger
      .sink([weak = weakSelf(), skipInBatch, handler = std::move(handler)](const std::monostate&) {
        auto self = weak.lock();
        if (!self) return;
        // Read when the reaction runs, not when the setting changed: a reaction delivered after the
        // batch ended runs normally.
        if (skipInBatch && self->settingsManager_->isBatchingUpdates) return;
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
  constexpr bool skipInBatch = true;

  // Delivered on the main queue in every case: a reaction never runs inside the assignment, where the
  // setting does not hold its new value yet.
  auto debounced = [&s](Publisher<std::monostate> p) { return p.debounce(s, kDebounce); };
  auto onMain = [&s](Publisher<std::monostate> p) { return p.receiveOnMain(s); };
  auto throttled = [&s](const auto& setting) { return throttledChanges(setting, s).receiveOnMain(s); };

  // 1
  react(debounced(changes(m.position)), skipInBatch, [](AppDelegate& d) {
    if (d.taskbars_) d.taskbars_->rebuildAll();
  });
  // 2
  react(debounced(merge<std::monostate>(
            {changes(m.showSystemTray), changes(m.centerItems), changes(m.itemAlignment)})),
        skipInBatch, [](AppDelegate& d) {
          if (!d.taskbars_) return;
          TaskbarPosition position = d.settingsManager_->position;
          d.taskbars_->repositionAllPanels();
          d.taskbars_->updateLayout(position);
        });
  // 3
  react(onMain(changes(m.floatingBar)), skipInBatch, [](AppDelegate& d) {
    if (d.taskbars_) d.taskbars_->rebuildAll();
  });
  // 4
  react(throttled(m.itemSpacing), skipInBatch, [](AppDelegate& d) { d.updateLayoutForCurrentPosition(); });
  // 5
  react(
      debounced(merge<std::monostate>({changes(m.showTrashIcon), changes(m.groupWindows), changes(m.style)})),
      skipInBatch, [](AppDelegate& d) { d.updateLayoutForCurrentPosition(); });
  // 6
  react(onMain(
            merge<std::monostate>({throttledChanges(m.marginHorizontal, s),
                                   throttledChanges(m.marginVertical, s), throttledChanges(m.windowGap, s)})),
        skipInBatch, [](AppDelegate& d) {
          if (d.taskbars_) d.taskbars_->repositionAllPanels();
        });
  // 7
  react(throttled(m.taskbarSize), skipInBatch, [](AppDelegate& d) {
    if (!d.taskbars_) return;
    d.taskbars_->repositionAllPanels();
    d.taskbars_->updateEveryBar(BarUpdate::itemSizes);
  });
  // 8
  react(throttled(m.iconSize), skipInBatch, [](AppDelegate& d) { d.forEachBar(BarUpdate::itemSizes); });
  // 9
  react(onMain(merge<std::monostate>({changes(m.equalWidth), throttledChanges(m.maxTaskWidth, s)})),
        skipInBatch, [](AppDelegate& d) { d.forEachBar(BarUpdate::itemSizes); });
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
  react(onMain(merge<std::monostate>({changes(m.showWindowTitle), changes(m.itemTextSize)})), skipInBatch,
        [](AppDelegate& d) { d.forEachBar(BarUpdate::items); });
  // 12
  react(debounced(merge<std::monostate>({changes(m.showWindowCount), changes(m.windowCountStyle),
                                         changes(m.badgeColor), changes(m.badgeTextColor),
                                         changes(m.badgeOpacity)})),
        skipInBatch, [](AppDelegate& d) { d.forEachBar(BarUpdate::windowCounts); });
  // 13
  react(onMain(changes(m.groupByApp)), skipInBatch, [](AppDelegate& d) { d.appTracker_->forceRefresh(); });
  // 14
  react(onMain(merge<std::monostate>({changes(m.indicateMinimized), changes(m.indicateHidden)})), skipInBatch,
        [](AppDelegate& d) { d.forEachBar(BarUpdate::dimming); });
  // 15
  react(onMain(changes(m.blacklistedBundleIDs)), skipInBatch, [](AppDelegate& d) {
    d.appTracker_->forceRefresh();
    if (!d.taskbars_) return;
    d.taskbars_->updateBlacklistedBundleIDs(d.settingsManager_->blacklistedBundleIDs.get());
    d.taskbars_->removeBlacklistedObservers();
  });
  // 16
  react(onMain(merge<std::monostate>({changes(m.showActiveIndicator), changes(m.activeIndicatorColor)})),
        skipInBatch, [](AppDelegate& d) { d.forEachBar(BarUpdate::activeIndicators); });
  // 17
  react(onMain(changes(m.activeIndicatorPosition)), skipInBatch,
        [](AppDelegate& d) { d.forEachBar(BarUpdate::itemSizes); });
  // 18
  react(debounced(merge<std::monostate>(
            {changes(m.borderTop), changes(m.borderBottom), changes(m.borderLeft), changes(m.borderRight)})),
        skipInBatch, [](AppDelegate& d) { d.forEachBar(BarUpdate::border); });
  // 19
  react(throttled(m.backgroundOpacity), skipInBatch,
        [](AppDelegate& d) { d.forEachBar(BarUpdate::backgroundOpacity); });
  // 20
  react(onMain(changes(m.backgroundColor)), skipInBatch,
        [](AppDelegate& d) { d.forEachBar(BarUpdate::backgroundOpacity); });
  // 21
  react(onMain(changes(m.useVibrancy)), skipInBatch,
        [](AppDelegate& d) { d.forEachBar(BarUpdate::vibrancy); });
  // 22
  react(onMain(merge<std::monostate>({changes(m.borderColor), throttledChanges(m.borderOpacity, s),
                                      throttledChanges(m.borderWidth, s)})),
        skipInBatch, [](AppDelegate& d) { d.forEachBar(BarUpdate::border); });
  // 23
  react(throttled(m.cornerRadius), skipInBatch, [](AppDelegate& d) {
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
