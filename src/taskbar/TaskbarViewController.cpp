#include "taskbar/TaskbarViewController.h"

#include <algorithm>

#include "settings/SettingsManager.h"
#include "taskbar/AppItemScrollCycling.h"
#include "taskbar/AppItemView.h"
#include "taskbar/CustomAppOrder.h"
#include "taskbar/SystemTrayManager.h"
#include "taskbar/SystemTrayView.h"
#include "taskbar/TaskbarContainerView.h"
#include "taskbar/TaskbarContextMenu.h"
#include "taskbar/ThumbnailPanel.h"
#include "taskbar/TrashIconView.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"
#include "ui/StackView.h"
#include "ui/VisualEffectView.h"

namespace pelko {

TaskbarViewController::TaskbarViewController(std::shared_ptr<AppTracker> appTracker,
                                             std::shared_ptr<WindowManager> windowManager,
                                             std::shared_ptr<SystemTrayManager> systemTrayManager,
                                             std::shared_ptr<SettingsManager> settingsManager,
                                             bool externallyManaged, const Environment& environment)
    : appTracker_(std::move(appTracker)),
      windowManager_(std::move(windowManager)),
      systemTrayManager_(std::move(systemTrayManager)),
      settingsManager_(std::move(settingsManager)),
      externallyManaged_(externallyManaged),
      env_(environment),
      fades_(environment.scheduler),
      itemHoverAnimator_(std::make_shared<Animator>(environment.scheduler)) {
  ReorderDropTarget::Host host;
  QPointer<TaskbarViewController> weak(this);
  host.stack = [weak]() -> StackView* { return weak ? weak->appStackView_.data() : nullptr; };
  host.root = [weak]() -> QWidget* { return weak ? weak->view_.data() : nullptr; };
  host.applyList = [weak](const ReorderDropTarget::AppList& apps) {
    if (weak) weak->updateAppItems(apps);
  };
  host.storeOrder = [weak](const std::vector<std::string>& order) {
    return weak ? weak->storeReorderedOrder(order) : std::vector<std::string>{};
  };
  reorderTarget_ = std::make_shared<ReorderDropTarget>(env_.scheduler, std::move(host));
}

TaskbarViewController::~TaskbarViewController() {
  cancellables_.clear();
  // A tray kept off the bar belongs to nobody else.
  if (systemTrayView_ && !systemTrayView_->parent()) delete systemTrayView_.data();
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
  root->setAcceptDrops(true);
  root->reorderDelegate = reorderTarget_;
  root->onContextMenu = [weak](const QPoint& at) {
    if (weak && weak->contextMenu_) weak->contextMenu_->popup(at);
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
}

void TaskbarViewController::buildLayout(TaskbarPosition position) {
  if (!view_) return;
  // The old stack takes its buttons (fading ones included) with it; the blurred background stays. It
  // goes on a later pass: a rebuild can be asked for from inside one of its buttons' own event handlers
  // (a click or a menu that changes a setting), and that button must outlive its handler.
  // A drag over the old stack ends with it; the list it parked is the newest, and the caller applies
  // that list (the tracker's or the monitor manager's last one) to the new stack.
  reorderTarget_->endForRebuild();
  if (appStackView_) {
    // A button being dragged must outlive its drag: it leaves the stack and goes once the drag is over.
    for (auto& [id, item] : appItemViews_)
      if (item) item->detachIfDragging();
    appStackView_->hide();
    appStackView_->deleteLater();
    appStackView_ = nullptr;
  }
  appItemViews_.clear();
  fades_.forgetFadingOut();
  hasShownItems_ = false;
  builtPosition_ = position;

  auto* stack = new StackView(isHorizontal(position) ? Qt::Horizontal : Qt::Vertical, view_);
  stack->setSpacing(settingsManager_->itemSpacing.get());
  stack->installEventFilter(this);
  stack->show();
  appStackView_ = stack;
  stackLeading_ = kBarEndInset;
  buildAccessories(position);
  if (vibrancyView_) vibrancyView_->lower();

  equalWidthApplied_ = false;
  lastEqualWidthItemCount_ = 0;
  lastEqualWidthMaxWidth_ = 0;
  contextMenu_ =
      std::make_unique<TaskbarContextMenu>(env_.scheduler, settingsManager_, appTracker_, shellActions);
  layoutSubviews();
}

void TaskbarViewController::buildAccessories(TaskbarPosition position) {
  // Like the stack, the old tray and trash may be inside one of their own handlers (a drop on the trash).
  for (QWidget* old :
       {static_cast<QWidget*>(systemTrayView_.data()), static_cast<QWidget*>(trashIconView_)}) {
    if (!old) continue;
    old->hide();
    old->deleteLater();
  }
  trashIconView_ = nullptr;
  systemTrayView_ = nullptr;
  const SettingsManager& s = *settingsManager_;

  if (s.showTrashIcon.get()) {
    const double side = s.barThickness() - 8;
    trashIconView_ = new TrashIconView(
        TrashIconEnvironment{env_.scheduler, env_.workspace, env_.trash, env_.alerts}, side, view_);
    trashIconView_->updateColors(s.backgroundColor.get());
    trashIconView_->show();
  }
  // A program without a tray manager (no clock or power sources to show) has no tray.
  if (!systemTrayManager_) return;
  // The tray is made and bound even when it stays off the bar.
  auto* tray = new SystemTrayView(env_.scheduler);
  tray->bind(*systemTrayManager_, settingsManager_.get());
  if (!isHorizontal(position)) tray->configureForVerticalLayout();
  QPointer<TaskbarViewController> weak(this);
  tray->onSizeHintChanged = [weak] {
    if (weak && weak->isTrayShown()) weak->layoutSubviews();
  };
  systemTrayView_ = tray;
  if (s.showSystemTray.get()) {
    tray->setParent(view_);
    tray->show();
  }
}

SystemTrayView* TaskbarViewController::systemTrayView() const {
  return systemTrayView_;
}

TrashIconView* TaskbarViewController::trashIconView() const {
  return trashIconView_;
}

bool TaskbarViewController::isTrashShown() const {
  return trashIconView_ != nullptr;
}

bool TaskbarViewController::isTrayShown() const {
  return systemTrayView_ && view_ && systemTrayView_->parentWidget() == view_ &&
         settingsManager_->showSystemTray.get();
}

double TaskbarViewController::trayLength() const {
  if (!systemTrayView_) return 0;
  const QSize natural = systemTrayView_->sizeHint();
  return isHorizontal(builtPosition_) ? natural.width() : natural.height();
}

void TaskbarViewController::bindData() {
  cancellables_.clear();
  QPointer<TaskbarViewController> weak(this);
  // A window of a grouped application opening or closing changes no entry, so no list says so.
  appTracker_->windowsChanged.publisher()
      .sink([weak](int32_t pid) {
        if (weak) weak->windowsChanged(pid);
      })
      .store(cancellables_);
  if (externallyManaged_) return;
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
  updateBorder();
  updateCornerRadius();
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
  viewDidLayout();
}

void TaskbarViewController::reconfigureItemSizes() {
  if (appItemViews_.empty()) return;
  ItemSettings settings = readItemSettings();
  for (auto& [id, item] : appItemViews_)
    if (item) applyLayoutMode(*item, settings);
  applyEqualWidthConstraints();
  if (appStackView_) appStackView_->layoutArrangedSubviews();
  viewDidLayout();
}

void TaskbarViewController::refreshActiveIndicators() {
  for (auto& [id, item] : appItemViews_)
    if (item) item->updateActiveIndicatorAppearance();
}

void TaskbarViewController::updateVibrancy() {
  if (vibrancyView_) vibrancyView_->setVisible(settingsManager_->useVibrancy.get());
  applyBackground();
}

void TaskbarViewController::refreshDimming() {
  for (auto& [id, item] : appItemViews_)
    if (item) item->refreshDimming();
}

void TaskbarViewController::refreshWindowCounts() {
  const bool group = settingsManager_->groupWindows.get();
  std::unordered_map<int32_t, int64_t> counts;
  for (auto& [id, item] : appItemViews_) {
    if (!item) continue;
    const auto& app = item->trackedApp();
    item->updateWindowCount(group && app && !app->isWindowEntry() ? windowCountFor(*app, counts) : 0);
  }
}

void TaskbarViewController::updateBackgroundOpacity() {
  applyBackground();
  for (auto& [id, item] : appItemViews_)
    if (item) item->updateTextColor();
  if (trashIconView_) trashIconView_->updateColors(settingsManager_->backgroundColor.get());
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

size_t TaskbarViewController::fadingOutCount() const {
  return fades_.fadingOutCount();
}

// ---- Reordering ----

void TaskbarViewController::reorderDragEntered(const ReorderDrag& drag) {
  reorderTarget_->dragEntered(drag);
}

void TaskbarViewController::reorderDragUpdated(const ReorderDrag& drag) {
  reorderTarget_->dragMoved(drag);
}

void TaskbarViewController::reorderDragExited() {
  reorderTarget_->dragExited();
}

bool TaskbarViewController::reorderPerformDrag(const ReorderDrag& drag) {
  return reorderTarget_->performDrop(drag);
}

std::vector<std::string> TaskbarViewController::storeReorderedOrder(
    const std::vector<std::string>& barOrder) {
  settingsManager_->customAppOrder = mergedCustomAppOrder(settingsManager_->customAppOrder.get(), barOrder);
  lastEqualWidthItemCount_ = 0;
  lastEqualWidthMaxWidth_ = 0;
  applyEqualWidthConstraints();
  QPointer<TaskbarViewController> weak(this);
  env_.scheduler.mainAfter(kRefreshAfterDropDelay, [weak] {
    if (weak) weak->appTracker_->forceRefresh();
  });
  return settingsManager_->customAppOrder.get();
}

// ---- Clicks and scrolls ----

void TaskbarViewController::bindClick(AppItemView& item, const std::shared_ptr<TrackedApp>& app) {
  QPointer<TaskbarViewController> weak(this);
  item.onClick = [weak, app] {
    if (weak) weak->optimisticallyActivate(*app);
    if (weak) weak->windowManager_->toggleApp(*app, weak->displayID);
  };
  // One thumbnail per bar: the others go before a button shows its own.
  QPointer<AppItemView> showing(&item);
  item.onThumbnailWillShow = [weak, showing] {
    if (!weak) return;
    for (auto& [id, other] : weak->appItemViews_)
      if (other && other != showing) other->cancelThumbnail();
  };
}

bool TaskbarViewController::itemScrolled(const AppItemView& item, AppItemScrollCycling& cycling,
                                         double deltaY) {
  const auto& app = item.trackedApp();
  if (!app) return false;
  return cycling.scroll(
      {env_.scheduler, *settingsManager_, *appTracker_, *windowManager_, env_.accessibilityHelper}, *app,
      deltaY);
}

void TaskbarViewController::dismissAllThumbnails() {
  for (auto& [id, item] : appItemViews_)
    if (item) item->cancelThumbnail();
}

ThumbnailPanel* TaskbarViewController::visibleThumbnailPanel() const {
  for (const auto& [id, item] : appItemViews_) {
    ThumbnailPanel* panel = item ? item->activeThumbnailPanel() : nullptr;
    if (panel && panel->isPanelVisible()) return panel;
  }
  return nullptr;
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
