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

  // A new edge needs new panels: the bars are rebuilt.
  react(debounced(changed(m.position)), [](AppDelegate& d) {
    if (d.taskbars_) d.taskbars_->rebuildAll();
  });
  // The tray, centring and alignment move the bar's contents within the same panels.
  react(debounced(merge<bool>({changed(m.showSystemTray), changed(m.centerItems), changed(m.itemAlignment)})),
        [](AppDelegate& d) {
          if (!d.taskbars_) return;
          TaskbarPosition position = d.settingsManager_->position;
          d.taskbars_->repositionAllPanels();
          d.taskbars_->updateLayout(position);
        });
  // A floating bar is a different panel (inset, rounded, no reserved space): rebuilt.
  react(onMain(changed(m.floatingBar)), [](AppDelegate& d) {
    if (d.taskbars_) d.taskbars_->rebuildAll();
  });
  // Spacing changes while the stepper is held: throttled, then one layout.
  react(throttled(m.itemSpacing), [](AppDelegate& d) { d.updateLayoutForCurrentPosition(); });
  // The trash, grouping and style change which items a bar holds and how wide they are.
  react(debounced(merge<bool>({changed(m.showTrashIcon), changed(m.groupWindows), changed(m.style)})),
        [](AppDelegate& d) { d.updateLayoutForCurrentPosition(); });
  // Margins and the window gap move the panels, not their contents.
  react(onMain(merge<bool>({throttledChange(m.marginHorizontal), throttledChange(m.marginVertical),
                            throttledChange(m.windowGap)})),
        [](AppDelegate& d) {
          if (d.taskbars_) d.taskbars_->repositionAllPanels();
        });
  // A new thickness resizes the panels and then every button.
  react(throttled(m.taskbarSize), [](AppDelegate& d) {
    if (!d.taskbars_) return;
    d.taskbars_->repositionAllPanels();
    d.taskbars_->updateEveryBar(BarUpdate::itemSizes);
  });
  // Icon and button sizes only re-lay the buttons.
  react(throttled(m.iconSize), [](AppDelegate& d) { d.forEachBar(BarUpdate::itemSizes); });
  react(onMain(merge<bool>({changed(m.equalWidth), throttledChange(m.maxTaskWidth)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::itemSizes); });
  // Thumbnails need the screen-recording permission: turning them on without it is undone here.
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
  // Titles and their text size change every button's label.
  react(onMain(merge<bool>({changed(m.showWindowTitle), changed(m.itemTextSize)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::items); });
  // Every window-count setting repaints the badges only.
  react(debounced(merge<bool>({changed(m.showWindowCount), changed(m.windowCountStyle), changed(m.badgeColor),
                               changed(m.badgeTextColor), changed(m.badgeOpacity)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::windowCounts); });
  // Grouping changes what the tracker lists, so it lists again.
  react(onMain(changed(m.groupByApp)), [](AppDelegate& d) { d.appTracker_->forceRefresh(); });
  // Minimized and hidden windows dim their buttons.
  react(onMain(merge<bool>({changed(m.indicateMinimized), changed(m.indicateHidden)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::dimming); });
  // Excluded applications leave the list and their observers end.
  react(onMain(changed(m.blacklistedBundleIDs)), [](AppDelegate& d) {
    d.appTracker_->forceRefresh();
    if (!d.taskbars_) return;
    d.taskbars_->updateBlacklistedBundleIDs(d.settingsManager_->blacklistedBundleIDs.get());
    d.taskbars_->removeBlacklistedObservers();
  });
  // The active indicator's look.
  react(onMain(merge<bool>({changed(m.showActiveIndicator), changed(m.activeIndicatorColor)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::activeIndicators); });
  // The indicator's edge changes the buttons' insets, so they are sized again.
  react(onMain(changed(m.activeIndicatorPosition)),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::itemSizes); });
  // Which edges have a border.
  react(debounced(merge<bool>(
            {changed(m.borderTop), changed(m.borderBottom), changed(m.borderLeft), changed(m.borderRight)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::border); });
  // Background opacity changes while the stepper is held: throttled.
  react(throttled(m.backgroundOpacity), [](AppDelegate& d) { d.forEachBar(BarUpdate::backgroundOpacity); });
  react(onMain(changed(m.backgroundColor)),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::backgroundOpacity); });
  react(onMain(changed(m.useVibrancy)), [](AppDelegate& d) { d.forEachBar(BarUpdate::vibrancy); });
  // The border's colour, opacity and width.
  react(onMain(merge<bool>(
            {changed(m.borderColor), throttledChange(m.borderOpacity), throttledChange(m.borderWidth)})),
        [](AppDelegate& d) { d.forEachBar(BarUpdate::border); });
  // The corner radius reshapes the bar's background and, for a floating bar, its panel.
  react(throttled(m.cornerRadius), [](AppDelegate& d) {
    d.forEachBar(BarUpdate::cornerRadius);
    if (d.taskbars_) d.taskbars_->repositionAllPanels();
  });
  // Fully hiding the Dock writes its preferences now, not at the next start.
  m.fullyHideDock.publisher()
      .dropFirst()
      .receiveOnMain(s)
      .sink([weak = weakSelf()](const bool& hidden) {
        if (auto self = weak.lock()) self->setDockHidden(hidden);
      })
      .store(cancellables_);
  // Screen-capture exclusion is a property of every panel window.
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
