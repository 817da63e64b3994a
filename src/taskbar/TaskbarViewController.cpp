#include "taskbar/TaskbarViewController.h"

#include <algorithm>
#include <unordered_set>

#include "settings/SettingsManager.h"
#include "taskbar/AppItemView.h"
#include "taskbar/ItemListDiff.h"
#include "taskbar/TaskbarContainerView.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"
#include "ui/StackView.h"
#include "ui/VisualEffectView.h"
#include "ui/WidgetOpacity.h"

namespace pelko {

// The settings that decide how a button is laid out, read once per operation.
struct TaskbarViewController::ItemSettings {
  TaskbarPosition position = TaskbarPosition::bottom;
  TaskbarStyle style = TaskbarStyle::iconsTextRight;
  double barThickness = 34;
  bool equalWidth = false;
  bool showWindowTitle = false;
  double iconSize = 100;
};

TaskbarViewController::TaskbarViewController(std::shared_ptr<AppTracker> appTracker,
                                             std::shared_ptr<WindowManager> windowManager,
                                             std::shared_ptr<SettingsManager> settingsManager,
                                             bool externallyManaged, const Environment& environment)
    : appTracker_(std::move(appTracker)),
      windowManager_(std::move(windowManager)),
      settingsManager_(std::move(settingsManager)),
      externallyManaged_(externallyManaged),
      env_(environment),
      animator_(environment.scheduler) {}

TaskbarViewController::~TaskbarViewController() {
  cancellables_.clear();
  // Once a panel holds the root view it owns it; a view never installed goes with its controller.
  if (view_ && !view_->parent()) delete view_.data();
}

TaskbarContainerView* TaskbarViewController::view() {
  if (!view_) {
    loadView();
    viewDidLoad();
  }
  return view_;
}

TaskbarViewController::ItemSettings TaskbarViewController::readItemSettings() const {
  const SettingsManager& s = *settingsManager_;
  ItemSettings settings;
  settings.position = s.position.get();
  settings.style = s.style.get();
  settings.barThickness = s.barThickness();
  settings.equalWidth = s.equalWidth.get();
  settings.showWindowTitle = s.showWindowTitle.get();
  settings.iconSize = s.iconSize.get();
  return settings;
}

// ---- Root view ----

void TaskbarViewController::loadView() {
  auto* root = new TaskbarContainerView;
  view_ = root;
  QPointer<TaskbarViewController> weak(this);
  root->onLayout = [weak] {
    if (weak) weak->layoutSubviews();
  };
  applyBackground();

  auto* vibrancy = new VisualEffectView(root);
  vibrancy->setMaterial(VisualEffectMaterial::hudWindow);
  vibrancy->setBlendingMode(VisualEffectBlending::behindWindow);
  vibrancy->setState(VisualEffectState::active);
  vibrancy->setVisible(settingsManager_->useVibrancy.get());
  vibrancyView_ = vibrancy;
}

void TaskbarViewController::viewDidLoad() {
  buildLayout(settingsManager_->position.get());
  bindData();
}

void TaskbarViewController::applyBackground() {
  if (!view_) return;
  const SettingsManager& s = *settingsManager_;
  if (s.useVibrancy.get()) {
    view_->setBackgroundColor(std::nullopt);
  } else {
    view_->setBackgroundColor(s.backgroundColor.get().withAlpha(s.backgroundOpacity.get() / 100));
  }
  view_->setCornerRadius(s.cornerRadius.get());
}

void TaskbarViewController::buildLayout(TaskbarPosition position) {
  if (!view_) return;
  // The old stack takes its buttons (fading ones included) with it; the blurred background stays. It
  // goes on a later pass: a rebuild can be asked for from inside one of its buttons' own event handlers
  // (a click or a menu that changes a setting), and that button must outlive its handler.
  if (appStackView_) {
    appStackView_->hide();
    appStackView_->deleteLater();
    appStackView_ = nullptr;
  }
  appItemViews_.clear();
  fadingOut_.clear();
  hasShownItems_ = false;
  builtPosition_ = position;

  auto* stack = new StackView(isHorizontal(position) ? Qt::Horizontal : Qt::Vertical, view_);
  stack->setSpacing(settingsManager_->itemSpacing.get());
  stack->show();
  appStackView_ = stack;
  if (vibrancyView_) vibrancyView_->lower();

  equalWidthApplied_ = false;
  lastEqualWidthItemCount_ = 0;
  lastEqualWidthMaxWidth_ = 0;
  layoutSubviews();
}

BarContentLayout TaskbarViewController::contentLayout() const {
  BarContentOptions options;
  options.position = builtPosition_;
  if (view_)
    options.rootSize = Size{static_cast<double>(view_->width()), static_cast<double>(view_->height())};
  options.barThickness = settingsManager_->barThickness();
  options.minTrayLength = kMinTrayWidth;
  // The trash icon and the tray are not part of this bar yet; the stack has the whole length.
  return layoutBarContent(options);
}

void TaskbarViewController::layoutSubviews() {
  if (!view_) return;
  if (vibrancyView_) vibrancyView_->setGeometry(view_->rect());
  if (!appStackView_) return;
  Rect frame = contentLayout().stack;
  appStackView_->setGeometry(QRect(static_cast<int>(frame.minX()), static_cast<int>(frame.minY()),
                                   static_cast<int>(frame.width()), static_cast<int>(frame.height())));
}

void TaskbarViewController::bindData() {
  if (externallyManaged_) return;
  cancellables_.clear();
  QPointer<TaskbarViewController> weak(this);
  appTracker_->apps.publisher()
      .sink([weak](const std::vector<TrackedAppPtr>& apps) {
        if (weak) weak->updateAppItems(apps);
      })
      .store(cancellables_);
}

// ---- Operations ----

void TaskbarViewController::updateLayout(TaskbarPosition position) {
  view();
  buildLayout(position);
  applyBackground();
  updateAppItems(externallyManaged_ ? lastFilteredApps_ : appTracker_->apps.get());
  appTracker_->forceRefresh();
}

void TaskbarViewController::updateFilteredApps(const std::vector<std::shared_ptr<TrackedApp>>& apps) {
  lastFilteredApps_ = apps;
  updateAppItems(apps);
}

void TaskbarViewController::reconfigureItems() {
  if (appItemViews_.empty()) return;
  ItemSettings settings = readItemSettings();
  std::unordered_map<std::string, TrackedAppPtr> byID;
  for (const auto& app : appTracker_->apps.get())
    if (app) byID.emplace(app->id, app);  // the first entry of an identifier wins
  for (auto& [id, item] : appItemViews_) {
    if (!item) continue;
    if (auto it = byID.find(id); it != byID.end()) item->configure(it->second, settings.showWindowTitle);
    applyLayoutMode(*item, settings);
  }
  applyEqualWidthConstraints();
  // The buttons asked for a new layout; place them now rather than on a later pass, so the bar never
  // paints new sizes in old places.
  if (appStackView_) appStackView_->layoutArrangedSubviews();
}

void TaskbarViewController::reconfigureItemSizes() {
  if (appItemViews_.empty()) return;
  ItemSettings settings = readItemSettings();
  for (auto& [id, item] : appItemViews_)
    if (item) applyLayoutMode(*item, settings);
  applyEqualWidthConstraints();
  if (appStackView_) appStackView_->layoutArrangedSubviews();
}

void TaskbarViewController::refreshActiveIndicators() {
  for (auto& [id, item] : appItemViews_)
    if (item) item->updateActiveIndicatorAppearance();
}

void TaskbarViewController::updateVibrancy() {
  if (vibrancyView_) vibrancyView_->setVisible(settingsManager_->useVibrancy.get());
  applyBackground();
}

void TaskbarViewController::updateBackgroundOpacity() {
  applyBackground();
  for (auto& [id, item] : appItemViews_)
    if (item) item->updateTextColor();
}

// ---- Queries ----

AppItemView* TaskbarViewController::itemView(const std::string& id) const {
  auto it = appItemViews_.find(id);
  return it == appItemViews_.end() ? nullptr : it->second.data();
}

std::vector<AppItemView*> TaskbarViewController::arrangedItems() const {
  std::vector<AppItemView*> items;
  if (!appStackView_) return items;
  for (QWidget* view : appStackView_->arrangedSubviews())
    if (auto* item = qobject_cast<AppItemView*>(view)) items.push_back(item);
  return items;
}

bool TaskbarViewController::isFadingOut(const AppItemView* item) const {
  return std::any_of(fadingOut_.begin(), fadingOut_.end(),
                     [item](const auto& p) { return p.data() == item; });
}

size_t TaskbarViewController::fadingOutCount() const {
  return static_cast<size_t>(
      std::count_if(fadingOut_.begin(), fadingOut_.end(), [](const auto& item) { return !item.isNull(); }));
}

// ---- Item list ----

void TaskbarViewController::updateAppItems(const std::vector<std::shared_ptr<TrackedApp>>& input) {
  if (!appStackView_) return;
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
  if (!diff.changesMembership() && !diff.needsReorder) return;

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
  for (AppItemView* item : toRemove) fadeOut(item);
  if (!fadeIns.empty()) fadeIn(fadeIns);
}

AppItemView* TaskbarViewController::makeItem(const std::shared_ptr<TrackedApp>& app,
                                             const ItemSettings& settings) {
  auto* item = new AppItemView(
      AppItemEnvironment{env_.scheduler, env_.workspace, env_.appearance, env_.accessibilityHelper},
      appStackView_);
  item->settingsManager = settingsManager_;
  item->appTracker = appTracker_;
  item->windowManager = windowManager_;
  item->configure(app, settings.showWindowTitle);
  bindClick(*item, app);
  applyLayoutMode(*item, settings);
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

void TaskbarViewController::fadeOut(AppItemView* item) {
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
        if (target && target->parentWidget()) delete target.data();
      });
}

void TaskbarViewController::fadeIn(const std::vector<AppItemView*>& items) {
  std::vector<QPointer<AppItemView>> targets(items.begin(), items.end());
  QPointer<TaskbarViewController> weak(this);
  animator_.animate({.from = 0, .to = 1, .duration = kFadeInDuration, .easing = Easing::easeOut},
                    [weak, targets](double alpha) {
                      if (!weak) return;
                      for (const auto& target : targets) {
                        // A button that started fading out meanwhile is left to that animation.
                        if (target && !weak->isFadingOut(target.data())) setWidgetOpacity(*target, alpha);
                      }
                    });
}

// ---- Clicks ----

void TaskbarViewController::bindClick(AppItemView& item, const std::shared_ptr<TrackedApp>& app) {
  QPointer<TaskbarViewController> weak(this);
  item.onClick = [weak, app] {
    if (weak) weak->optimisticallyActivate(*app);
    if (weak) weak->windowManager_->toggleApp(*app, weak->displayID);
  };
}

void TaskbarViewController::optimisticallyActivate(const TrackedApp& app) {
  if (app.isActive.get()) return;
  bool groupWindows = settingsManager_->groupWindows.get();
  for (auto& [id, item] : appItemViews_) {
    if (!item || id == app.id) continue;
    const auto& bound = item->trackedApp();
    if (groupWindows && bound && bound->bundleID == app.bundleID) continue;
    item->setActiveImmediate(false);
  }
}

}  // namespace pelko
