#include "taskbar/TaskbarViewController.h"

#include <unordered_set>

#include "settings/SettingsManager.h"
#include "taskbar/AppItemScrollCycling.h"
#include "taskbar/AppItemView.h"
#include "taskbar/ItemListDiff.h"
#include "taskbar/TaskbarContainerView.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "ui/StackView.h"
#include "ui/WidgetOpacity.h"

namespace pelko {

// ---- Item list ----

void TaskbarViewController::updateAppItems(const std::vector<std::shared_ptr<TrackedApp>>& input) {
  if (!appStackView_) return;
  if (reorderTarget_->parkIfDragging(input)) return;
  std::vector<TrackedAppPtr> apps;
  apps.reserve(input.size());
  for (const auto& app : input)
    if (app) apps.push_back(app);

  // The buttons as they stand along the bar, keyed as stored.
  std::unordered_map<const QWidget*, const std::string*> keyOf;
  keyOf.reserve(appItemViews_.size());
  for (const auto& [id, item] : appItemViews_)
    if (item) keyOf.emplace(item.data(), &id);
  std::vector<ExistingItem> existing;
  existing.reserve(appItemViews_.size());
  for (QWidget* view : appStackView_->arrangedSubviews()) {
    auto it = keyOf.find(view);
    if (it == keyOf.end()) continue;
    const auto& bound = static_cast<AppItemView*>(view)->trackedApp();
    existing.push_back({*it->second, bound ? std::optional<int32_t>(bound->pid) : std::nullopt});
  }
  std::vector<IncomingEntry> entries;
  entries.reserve(apps.size());
  for (const auto& app : apps) entries.push_back({app->id, app->pid});

  ItemListDiff diff = diffItemList(existing, entries);
  std::unordered_map<int32_t, int64_t> counts;
  if (!diff.changesMembership() && !diff.needsReorder) {
    updateWindowCounts(apps, counts);
    return;
  }

  ItemSettings settings = readItemSettings();

  // A vanished button goes to a new entry of the same process and keeps its place, without fading.
  for (const auto& handOver : diff.handOvers) {
    QPointer<AppItemView> item = appItemViews_[handOver.oldID];
    appItemViews_.erase(handOver.oldID);
    if (!item) continue;
    const auto& app = apps[handOver.entryIndex];
    item->configure(app, settings.showWindowTitle);
    bindClick(*item, app);
    applyLayoutMode(*item, settings);
    appItemViews_[app->id] = item;
  }

  std::vector<AppItemView*> toRemove;
  for (const auto& id : diff.removed) {
    auto it = appItemViews_.find(id);
    if (it == appItemViews_.end()) continue;
    if (it->second) toRemove.push_back(it->second.data());
    appItemViews_.erase(it);
  }

  // A bar's first buttons since it was built appear with the bar; buttons added later fade in.
  const bool appearWithBar = !hasShownItems_;
  std::vector<AppItemView*> added, fadeIns;
  for (size_t index : diff.added) {
    AppItemView* item = makeItem(apps[index], settings);
    if (settingsManager_->groupWindows.get() && !apps[index]->isWindowEntry())
      item->updateWindowCount(windowCountFor(*apps[index], counts));
    appItemViews_[apps[index]->id] = item;
    added.push_back(item);
    if (appearWithBar) continue;
    setWidgetOpacity(*item, 0);
    fadeIns.push_back(item);
  }

  // One pass puts the kept, handed-over and new buttons in list order; removed ones leave the
  // arrangement but stay where they were for their fade-out.
  std::vector<QWidget*> desired;
  desired.reserve(diff.shownEntries.size());
  for (size_t index : diff.shownEntries) {
    auto it = appItemViews_.find(apps[index]->id);
    if (it != appItemViews_.end() && it->second) desired.push_back(it->second.data());
  }
  appStackView_->setArrangedSubviews(desired);
  if (!desired.empty()) hasShownItems_ = true;

  if (!toRemove.empty() || !added.empty()) applyEqualWidthConstraints();
  for (AppItemView* item : toRemove) fades_.fadeOut(item);
  if (!fadeIns.empty()) fades_.fadeIn(fadeIns);
  updateWindowCounts(apps, counts);
  viewDidLayout();
}

void TaskbarViewController::updateWindowCounts(const std::vector<TrackedAppPtr>& apps,
                                               std::unordered_map<int32_t, int64_t>& counts) {
  const SettingsManager& s = *settingsManager_;
  const bool counted = s.showWindowCount.get() && s.groupWindows.get();
  for (const auto& app : apps) {
    AppItemView* item = itemView(app->id);
    if (!item) continue;
    item->updateWindowCount(counted && !app->isWindowEntry() ? windowCountFor(*app, counts) : 0);
  }
}

AppItemView* TaskbarViewController::makeItem(const std::shared_ptr<TrackedApp>& app,
                                             const ItemSettings& settings) {
  auto* item = new AppItemView(
      AppItemEnvironment{env_.scheduler, env_.workspace, env_.appearance, env_.accessibilityHelper, nullptr,
                         &env_.alerts, env_.thumbnails, itemHoverAnimator_},
      appStackView_);
  item->settingsManager = settingsManager_;
  item->appTracker = appTracker_;
  item->windowManager = windowManager_;
  item->configure(app, settings.showWindowTitle);
  bindClick(*item, app);
  applyLayoutMode(*item, settings);
  if (auto open = shellActions.openSettings) {
    Scheduler* scheduler = &env_.scheduler;
    // After the button's menu has closed.
    item->onSettingsRequested = [scheduler, open] { scheduler->mainAsync(open); };
  }
  // Made once per button: a flick over a button handed to another entry is still one flick.
  auto cycling = std::make_shared<AppItemScrollCycling>();
  QPointer<TaskbarViewController> weak(this);
  QPointer<AppItemView> scrolled(item);
  item->onScroll = [weak, scrolled, cycling](double deltaY) {
    return weak && scrolled && weak->itemScrolled(*scrolled, *cycling, deltaY);
  };
  std::weak_ptr<ReorderDropTarget> target = reorderTarget_;
  item->onReorderDragEnded = [target](AppItemView* source) {
    if (auto locked = target.lock()) locked->sourceDragEnded(source);
  };
  return item;
}

void TaskbarViewController::applyLayoutMode(AppItemView& item, const ItemSettings& settings) {
  if (isVertical(settings.position)) {
    item.configureVertical(settings.barThickness, settings.position, settings.iconSize);
  } else if (settings.style == TaskbarStyle::iconsTextRight) {
    item.configureIconsTextRight(settings.barThickness, settings.equalWidth, settings.iconSize);
  } else {
    item.configureIconsOnly(settings.barThickness, settings.equalWidth, settings.iconSize);
  }
}

void TaskbarViewController::applyEqualWidthConstraints() {
  if (!appStackView_) return;
  const SettingsManager& s = *settingsManager_;
  if (!s.equalWidth.get() || isVertical(s.position.get())) {
    if (equalWidthApplied_) {
      appStackView_->setEqualLengthRule(std::nullopt);
      equalWidthApplied_ = false;
      lastEqualWidthItemCount_ = 0;
      lastEqualWidthMaxWidth_ = 0;
    }
    return;
  }
  size_t count = appStackView_->arrangedSubviews().size();
  if (count == 0) return;
  double maxWidth = s.style.get() == TaskbarStyle::iconsOnly ? s.barThickness() : s.maxTaskWidth.get();
  if (count == lastEqualWidthItemCount_ && maxWidth == lastEqualWidthMaxWidth_ && equalWidthApplied_) return;
  lastEqualWidthItemCount_ = count;
  lastEqualWidthMaxWidth_ = maxWidth;
  // Left-aligned bars let the buttons grow to the maximum; centred and right-aligned ones keep them at
  // their natural width.
  appStackView_->setEqualLengthRule(EqualLengthRule{maxWidth, s.itemAlignment.get() == ItemAlignment::left});
  equalWidthApplied_ = true;
  ++equalWidthRebuilds_;
}

void TaskbarViewController::windowsChanged(int32_t pid) {
  // What a list update would give the application's buttons, asking the tracker once.
  const SettingsManager& s = *settingsManager_;
  const bool counted = s.showWindowCount.get() && s.groupWindows.get();
  std::unordered_map<int32_t, int64_t> counts;
  for (auto& [id, item] : appItemViews_) {
    if (!item) continue;
    const auto& app = item->trackedApp();
    if (!app || app->pid != pid || app->isWindowEntry()) continue;
    item->updateWindowCount(counted ? windowCountFor(*app, counts) : 0);
  }
}

int64_t TaskbarViewController::windowCountFor(const TrackedApp& app,
                                              std::unordered_map<int32_t, int64_t>& cache) const {
  auto it = cache.find(app.pid);
  if (it != cache.end()) return it->second;
  const auto count = static_cast<int64_t>(appTracker_->windowNumbers(app.pid).size());
  cache.emplace(app.pid, count);
  return count;
}

}  // namespace pelko
