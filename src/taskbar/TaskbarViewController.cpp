#include "taskbar/TaskbarViewController.h"

#include <QEvent>
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "settings/SettingsManager.h"
#include "taskbar/AppItemView.h"
#include "taskbar/CustomAppOrder.h"
#include "taskbar/ItemListDiff.h"
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
#include "ui/WidgetOpacity.h"

namespace pelko {

namespace {
QRect toQRect(const Rect& r) {
  return QRect(static_cast<int>(std::lround(r.minX())), static_cast<int>(std::lround(r.minY())),
               static_cast<int>(std::lround(r.width())), static_cast<int>(std::lround(r.height())));
}
}  // namespace

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
                                             std::shared_ptr<SystemTrayManager> systemTrayManager,
                                             std::shared_ptr<SettingsManager> settingsManager,
                                             bool externallyManaged, const Environment& environment)
    : appTracker_(std::move(appTracker)),
      windowManager_(std::move(windowManager)),
      systemTrayManager_(std::move(systemTrayManager)),
      settingsManager_(std::move(settingsManager)),
      externallyManaged_(externallyManaged),
      env_(environment),
      animator_(environment.scheduler) {
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
  fadingOut_.clear();
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

BarContentLayout TaskbarViewController::contentLayout() const {
  BarContentOptions options;
  options.position = builtPosition_;
  if (view_)
    options.rootSize = Size{static_cast<double>(view_->width()), static_cast<double>(view_->height())};
  options.barThickness = settingsManager_->barThickness();
  options.minTrayLength = kMinTrayWidth;
  options.showTrash = isTrashShown();
  options.showTray = isTrayShown();
  options.trayLength = trayLength();
  return layoutBarContent(options);
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

void TaskbarViewController::layoutSubviews() {
  if (!view_) return;
  if (vibrancyView_) {
    vibrancyView_->setGeometry(view_->rect());
    vibrancyView_->setClipShape(view_->shape());
  }
  if (appStackView_) {
    // The stack starts at its offset and may reach to the end of its room; the buttons are placed
    // from its start.
    Rect frame = contentLayout().stack;
    const double leading = stackLeading_.value_or(kBarEndInset);
    if (isHorizontal(builtPosition_)) {
      frame = Rect(leading, frame.minY(), std::max(0.0, frame.maxX() - leading), frame.height());
    } else {
      frame = Rect(frame.minX(), leading, frame.width(), std::max(0.0, frame.maxY() - leading));
    }
    const QRect target = toQRect(frame);
    if (appStackView_->geometry() != target) appStackView_->setGeometry(target);
  }
  if (trashIconView_ || systemTrayView_) {
    const BarContentLayout layout = contentLayout();
    if (trashIconView_ && layout.trash) trashIconView_->setGeometry(toQRect(*layout.trash));
    if (systemTrayView_ && layout.tray) systemTrayView_->setGeometry(toQRect(*layout.tray));
  }
  viewDidLayout();
}

bool TaskbarViewController::eventFilter(QObject* watched, QEvent* event) {
  // A button whose natural size changed asks the stack for a new layout; the bar follows. The type is
  // checked first: the stack also sends events while it is being destroyed, when it is no StackView.
  if (event->type() == QEvent::LayoutRequest && watched == appStackView_) viewDidLayout();
  return QObject::eventFilter(watched, event);
}

// ---- Layout pass ----

void TaskbarViewController::viewDidLayout() {
  if (!view_) return;
  if (lastBorderBounds_ != view_->size()) updateBorder();
  updateCornerRadius();
  if (layoutPassScheduled_) return;
  layoutPassScheduled_ = true;
  QPointer<TaskbarViewController> weak(this);
  env_.scheduler.mainAsync([weak] {
    if (weak) weak->runLayoutPass();
  });
}

void TaskbarViewController::runLayoutPass() {
  layoutPassScheduled_ = false;
  ++layoutPasses_;
  // Only a bar in its panel has a size worth measuring.
  if (!view_ || !view_->parentWidget()) return;
  updateCenteringOffset();
  if (settingsManager_->floatingBar.get() && !isReportingContentSize_) reportContentSize();
}

size_t TaskbarViewController::arrangedCount() const {
  return appStackView_ ? appStackView_->arrangedSubviews().size() : 0;
}

void TaskbarViewController::updateCenteringOffset() {
  if (isUpdatingCenteringOffset_) return;
  isUpdatingCenteringOffset_ = true;
  if (!stackLeading_ || !appStackView_) {
    isUpdatingCenteringOffset_ = false;
    return;
  }
  const SettingsManager& s = *settingsManager_;
  const ItemAlignment alignment = s.itemAlignment.get();
  const size_t n = arrangedCount();
  double target = kBarEndInset;
  bool measured = false;
  if (alignment != ItemAlignment::left && n > 0) {
    // The room runs up to whatever follows the stack: the trash when shown, else the tray, else the end.
    const BarContentLayout layout = contentLayout();
    const bool horizontal = isHorizontal(builtPosition_);
    double room = horizontal ? view_->width() : view_->height();
    const std::optional<Rect>& next = layout.trash ? layout.trash : layout.tray;
    if (next) room = horizontal ? next->minX() : next->minY();
    // Natural lengths: a stack squeezed once must not keep measuring its squeezed size.
    target = stackOffset(alignment, s.floatingBar.get(), false, appStackView_->naturalContentLength(), room);
    measured = true;
  }
  const double current = *stackLeading_;
  const bool change = measured ? std::abs(target - current) >= 1 : target != current;
  if (change) {
    stackLeading_ = target;
    layoutSubviews();
  }
  isUpdatingCenteringOffset_ = false;
}

double TaskbarViewController::insets() const {
  const int shown = (isTrashShown() ? 1 : 0) + (isTrayShown() ? 1 : 0);
  return 8 + 4 * shown;
}

void TaskbarViewController::reportContentSize() {
  isReportingContentSize_ = true;
  const SettingsManager& s = *settingsManager_;
  const double thickness = s.barThickness();
  const size_t n = arrangedCount();
  const double spacing = appStackView_ ? appStackView_->spacing() : s.itemSpacing.get();
  const double gaps = spacing * static_cast<double>(n > 0 ? n - 1 : 0);
  // The buttons' natural lengths, not their current ones: a floating bar that was once too short for
  // its buttons must grow back when it gets the room.
  double items = appStackView_ && n > 0 ? appStackView_->naturalContentLength() - gaps : 0;
  if (n == 0 || items <= 0) {
    const double perButton = isHorizontal(s.position.get()) && s.style.get() == TaskbarStyle::iconsTextRight
                                 ? (s.equalWidth.get() ? s.maxTaskWidth.get() : thickness + 60)
                                 : thickness;
    items = static_cast<double>(n) * perButton;
  }
  const double tray = isTrayShown() ? std::max(kMinTrayWidth, trayLength()) : 0;
  const double trash = isTrashShown() ? thickness - 8 : 0;
  const double size = std::max(thickness, insets() + trash + gaps + items + tray);
  if (std::abs(size - lastReportedContentSize_) > 4) {
    lastReportedContentSize_ = size;
    if (onContentSizeChanged) onContentSizeChanged(size);
  }
  isReportingContentSize_ = false;
}

double TaskbarViewController::estimatedContentSize() const {
  const SettingsManager& s = *settingsManager_;
  const double thickness = s.barThickness();
  const double perButton = isHorizontal(s.position.get()) && s.style.get() == TaskbarStyle::iconsTextRight
                               ? (s.equalWidth.get() ? s.maxTaskWidth.get() : thickness + 60)
                               : thickness;
  const auto n = static_cast<double>(arrangedCount());
  const double spacing = appStackView_ ? appStackView_->spacing() : s.itemSpacing.get();
  return std::max(thickness, insets() + (isTrashShown() ? thickness - 8 : 0) +
                                 (isTrayShown() ? kMinTrayWidth : 0) + n * perButton +
                                 spacing * std::max(n - 1, 0.0));
}

void TaskbarViewController::resetContentSizeTracking() {
  lastReportedContentSize_ = 0;
  layoutPassScheduled_ = false;
}

// ---- Borders and corners ----

void TaskbarViewController::updateBorder() {
  if (!view_) return;
  lastBorderBounds_ = view_->size();
  const SettingsManager& s = *settingsManager_;
  const BorderEdges edges{s.borderTop.get(), s.borderBottom.get(), s.borderLeft.get(), s.borderRight.get()};
  const Size size{static_cast<double>(view_->width()), static_cast<double>(view_->height())};
  view_->setBorderLines(borderRects(size, s.borderWidth.get(), edges),
                        s.borderColor.get().withAlpha(s.borderOpacity.get() / 100));
}

void TaskbarViewController::updateCornerRadius() {
  if (!view_) return;
  const SettingsManager& s = *settingsManager_;
  view_->setCorners(s.cornerRadius.get(), roundedCorners(s.position.get(), s.floatingBar.get(),
                                                         s.marginHorizontal.get(), s.marginVertical.get()));
  if (vibrancyView_) vibrancyView_->setClipShape(view_->shape());
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

int64_t TaskbarViewController::windowCountFor(const TrackedApp& app,
                                              std::unordered_map<int32_t, int64_t>& cache) const {
  auto it = cache.find(app.pid);
  if (it != cache.end()) return it->second;
  const auto count = static_cast<int64_t>(appTracker_->windowNumbers(app.pid).size());
  cache.emplace(app.pid, count);
  return count;
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
  for (AppItemView* item : toRemove) fadeOut(item);
  if (!fadeIns.empty()) fadeIn(fadeIns);
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
  auto* item =
      new AppItemView(AppItemEnvironment{env_.scheduler, env_.workspace, env_.appearance,
                                         env_.accessibilityHelper, nullptr, &env_.alerts, env_.thumbnails},
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
        if (target && target->parentWidget() && !target->detachIfDragging()) delete target.data();
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

// ---- Clicks ----

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
