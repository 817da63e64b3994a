#include "taskbar/AppItemThumbnails.h"

#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/Screens.h"
#include "platform/WindowServer.h"
#include "settings/SettingsManager.h"
#include "taskbar/AppItemView.h"
#include "taskbar/ThumbnailPanel.h"
#include "taskbar/ThumbnailServices.h"
#include "taskbar/WindowFocusing.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"
#include "ui/IconCache.h"
#include "ui/ScreenCoordinates.h"

namespace pelko {

namespace {
// A single window shown again within this many seconds shows without the hover delay.
constexpr double kRecentlyShown = 3.0;
// The recorded times are pruned once they reach this many, and never kept above the cap.
constexpr size_t kTimestampPruneThreshold = 21;
constexpr size_t kTimestampCap = 50;
// The pointer may stray this far outside the panel before it counts as gone.
constexpr double kPanelHoverSlack = 8;
constexpr double kRefreshDelay = 0.05;
// The application icon a card shows when no picture can be taken.
constexpr double kFallbackIconSide = 128;
// Windows the search finds must be larger than this on both sides.
constexpr double kMinimumWindowSide = 50;

// Takes the panel off the screen and lets it go once its fade is over.
void dismissPanel(ThumbnailPanel& panel) {
  panel.dismiss();
  panel.drop();
}
}  // namespace

AppItemThumbnails::AppItemThumbnails(AppItemView& button, const AppItemEnvironment& environment)
    : button_(button), env_(environment) {}

AppItemThumbnails::~AppItemThumbnails() {
  cancel();
}

ThumbnailPanel* AppItemThumbnails::activePanel() const {
  return activePanel_.data();
}

void AppItemThumbnails::pruneCaptureTimestamps(std::unordered_map<int64_t, double>& timestamps, double now) {
  if (timestamps.size() < kTimestampPruneThreshold) return;
  std::erase_if(timestamps, [now](const auto& entry) { return !(entry.second > now - kRecentlyShown); });
  if (timestamps.size() <= kTimestampCap) return;
  std::vector<std::pair<int64_t, double>> byAge(timestamps.begin(), timestamps.end());
  std::sort(byAge.begin(), byAge.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
  for (size_t i = 0; i < byAge.size() - kTimestampCap; ++i) timestamps.erase(byAge[i].first);
}

void AppItemThumbnails::pointerEntered() {
  if (activePanel_) {
    // Back on the button: its own exit event governs again.
    stopWatchingPointer();
    return;
  }
  auto s = button_.settingsManager.lock();
  if (s && s->showThumbnails.get()) schedule();
}

void AppItemThumbnails::pointerExited() {
  if (activePanel_) {
    dropPendingShow();
    watchPointer();
    // A pointer that left in one leap (a fast flick, a warp) may already rest outside both and send no
    // further move to be watched.
    checkPointer();
  } else {
    button_.cancelThumbnail();
  }
}

void AppItemThumbnails::schedule() {
  auto s = button_.settingsManager.lock();
  if (!s || !s->showThumbnails.get() || !env_.thumbnails) return;
  ThumbnailServices& services = *env_.thumbnails;
  const auto& app = button_.trackedApp();
  double delay = s->thumbnailDelay.get();
  if (app && app->windowNumber) {
    auto it = services.lastCaptureTimestamps.find(*app->windowNumber);
    if (it != services.lastCaptureTimestamps.end() &&
        env_.scheduler.wallClockNow() - it->second < kRecentlyShown)
      delay = 0;
  }
  // A show replaced by a newer one must not run: left queued, it would show a panel after the pointer
  // has gone, since leaving cancels only the newest.
  if (showWorkItem_) showWorkItem_->cancel();
  std::weak_ptr<AppItemThumbnails> weak = weak_from_this();
  const int64_t generation = generation_;
  showWorkItem_ = std::make_shared<WorkItem>([weak, generation] {
    auto self = weak.lock();
    if (!self || self->generation_ != generation) return;
    self->showWorkItem_.reset();
    self->show();
  });
  env_.scheduler.mainQueue().asyncAfter(delay, showWorkItem_);

  if (!scrollMonitor_) {
    scrollMonitor_ = services.eventMonitors.addLocalMonitor(
        platform::event_mask::kScrollWheel,
        [weak](const platform::Event& event) -> std::optional<platform::Event> {
          if (auto self = weak.lock()) self->button_.cancelThumbnail();
          return event;
        });
  }
}

void AppItemThumbnails::dropPendingShow() {
  if (showWorkItem_) showWorkItem_->cancel();
  showWorkItem_.reset();
}

void AppItemThumbnails::watchPointer() {
  stopWatchingPointer();
  if (!env_.thumbnails) return;
  auto& monitors = env_.thumbnails->eventMonitors;
  std::weak_ptr<AppItemThumbnails> weak = weak_from_this();
  hoverLocalMonitor_ =
      monitors.addLocalMonitor(platform::event_mask::kMouseMoved,
                               [weak](const platform::Event& event) -> std::optional<platform::Event> {
                                 if (auto self = weak.lock()) self->checkPointer();
                                 return event;
                               });
  hoverGlobalMonitor_ =
      monitors.addGlobalMonitor(platform::event_mask::kMouseMoved, [weak](const platform::Event&) {
        if (auto self = weak.lock()) self->checkPointer();
      });
}

void AppItemThumbnails::stopWatchingPointer() {
  if (!env_.thumbnails) return;
  auto& monitors = env_.thumbnails->eventMonitors;
  if (hoverLocalMonitor_) monitors.removeMonitor(*std::exchange(hoverLocalMonitor_, {}));
  if (hoverGlobalMonitor_) monitors.removeMonitor(*std::exchange(hoverGlobalMonitor_, {}));
}

void AppItemThumbnails::checkPointer() {
  const Point pointer = env_.thumbnails->eventMonitors.mouseLocation();
  if (activePanel_ && activePanel_->isPanelVisible() &&
      activePanel_->frame().insetBy(-kPanelHoverSlack, -kPanelHoverSlack).contains(pointer))
    return;
  if (button_.isVisible() && buttonScreenRect().contains(pointer)) return;
  button_.cancelThumbnail();
}

void AppItemThumbnails::cancel() {
  ++generation_;
  dropPendingShow();
  stopWatchingPointer();
  if (ThumbnailPanel* panel = activePanel_.data()) {
    activePanel_.clear();
    dismissPanel(*panel);
  }
  if (scrollMonitor_ && env_.thumbnails) env_.thumbnails->eventMonitors.removeMonitor(*scrollMonitor_);
  scrollMonitor_.reset();
}

Rect AppItemThumbnails::buttonScreenRect() const {
  const auto screens = env_.thumbnails->screens.screens();
  const double mainHeight = screens.empty() ? 0 : screens.front().frame.size.height;
  return fromQtGlobal(QRect(button_.mapToGlobal(QPoint(0, 0)), button_.size()), mainHeight);
}

void AppItemThumbnails::show() {
  auto s = button_.settingsManager.lock();
  const TrackedAppPtr app = button_.trackedApp();
  if (!app || !s || !button_.isVisible() || !env_.thumbnails) return;
  ThumbnailServices& services = *env_.thumbnails;
  if (button_.onThumbnailWillShow) {
    auto callback = button_.onThumbnailWillShow;
    callback();
  }
  if (ThumbnailPanel* old = activePanel_.data()) {
    activePanel_.clear();
    dismissPanel(*old);
  }
  const double now = env_.scheduler.wallClockNow();
  pruneCaptureTimestamps(services.lastCaptureTimestamps, now);

  const TaskbarPosition position = s->position.get();
  const Rect itemRect = buttonScreenRect();
  auto* panel = new ThumbnailPanel({env_.scheduler, env_.workspace, env_.accessibilityHelper, services});
  if (auto current = button_.settingsManager.lock())
    panel->setSharingType(current->excludeFromCapture.get() ? WindowSharingType::none
                                                            : WindowSharingType::readOnly);
  std::weak_ptr<AppItemThumbnails> weak = weak_from_this();
  panel->onWindowClicked = [weak](int64_t number) {
    if (auto self = weak.lock()) self->cardClicked(number);
  };
  panel->onWindowClosed = [weak](int64_t number) {
    if (auto self = weak.lock()) self->cardClosed(number);
  };
  panel->onDragHovered = [weak](int64_t number) {
    if (auto self = weak.lock()) self->cardDragHovered(number);
  };
  // The entry's icon at its own size, for windows that cannot be captured.
  const auto main = services.screens.mainScreen();
  const double scale = main ? main->backingScaleFactor : 2.0;
  const int pixels = static_cast<int>(std::lround(kFallbackIconSide * scale));
  QPixmap icon;
  if (!app->icon.source.source.empty()) {
    IconCache& cache = env_.iconCache ? *env_.iconCache : IconCache::shared();
    icon = cache.pixmap(QString::fromStdString(app->icon.source.source), pixels);
  }
  if (icon.isNull() && !button_.iconPixmap().isNull())
    icon = button_.iconPixmap().scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  if (!icon.isNull()) {
    QImage image = icon.toImage();
    image.setDevicePixelRatio(scale);
    panel->fallbackIcon = image;
  }

  if (app->windowNumber) {
    services.lastCaptureTimestamps[*app->windowNumber] = now;
    // An untitled window's card carries the application's name, as in a group.
    const std::string title = app->displayName();
    panel->show(*app->windowNumber, title.empty() ? app->name : title, itemRect, position);
  } else {
    // The name cards fall back on for minimized and untitled windows: the application's own, not the
    // entry's display name, which is the title of whichever window has the focus.
    const std::string appName = app->name;
    auto tracker = button_.appTracker.lock();
    if (!tracker) {
      panel->drop();
      return;
    }
    const auto windows = tracker->windowNumbers(app->pid);
    if (windows.empty()) {
      searchWindowsAndShow(panel, appName, itemRect, position);
      return;
    }
    panel->showGrouped(windows, appName, itemRect, position);
  }
  activePanel_ = panel;
  hideButtonToolTip();
}

void AppItemThumbnails::hideButtonToolTip() {
  // The button keeps further tooltips away while its panel is there (AppItemView::event).
  if (QToolTip::isVisible() && QToolTip::text() == button_.toolTip()) QToolTip::hideText();
}

void AppItemThumbnails::searchWindowsAndShow(ThumbnailPanel* panel, const std::string& appName,
                                             const Rect& itemRect, TaskbarPosition position) {
  const int64_t generation = ++generation_;
  std::weak_ptr<AppItemThumbnails> weak = weak_from_this();
  QPointer<ThumbnailPanel> weakPanel(panel);
  const int32_t pid = button_.trackedApp()->pid;
  const int32_t ownPID = env_.accessibilityHelper.ownPID();
  platform::WindowServer& windowServer = env_.thumbnails->windowServer;
  Scheduler& scheduler = env_.scheduler;
  scheduler.globalQueue().async([&scheduler, &windowServer, weak, weakPanel, generation, pid, ownPID, appName,
                                 itemRect, position] {
    std::vector<int64_t> found;
    const auto rows = windowServer.copyWindowListRows(
        platform::kWindowListOptionOnScreenOnly | platform::kWindowListExcludeDesktopElements,
        platform::kNullWindowID);
    for (const auto& row : rows.value_or(std::vector<platform::WindowListRow>{})) {
      if (!row.ownerPID || *row.ownerPID != pid || pid == ownPID) continue;
      if (row.layer != platform::window_layer::kNormal || !row.number || !row.bounds) continue;
      if (row.bounds->size.width > kMinimumWindowSide && row.bounds->size.height > kMinimumWindowSide)
        found.push_back(*row.number);
    }
    std::sort(found.begin(), found.end());
    scheduler.mainAsync([weak, weakPanel, generation, found = std::move(found), appName, itemRect, position] {
      if (!weakPanel) return;
      auto self = weak.lock();
      if (!self || self->generation_ != generation || found.empty()) {
        weakPanel->closePanel();
        return;
      }
      weakPanel->showGrouped(found, appName, itemRect, position);
      self->activePanel_ = weakPanel.data();
      self->hideButtonToolTip();
    });
  });
}

// ---------------------------------------------------------------------------------------------------
// Card actions

void AppItemThumbnails::refreshTrackerSoon() {
  std::weak_ptr<AppItemThumbnails> weak = weak_from_this();
  env_.scheduler.mainAfter(kRefreshDelay, [weak] {
    auto self = weak.lock();
    if (!self) return;
    if (auto tracker = self->button_.appTracker.lock()) tracker->forceRefresh();
  });
}

void AppItemThumbnails::cardClicked(int64_t windowNumber) {
  const auto& entry = button_.trackedApp();
  if (!entry) return;
  const int32_t pid = entry->pid;
  button_.cancelThumbnail();
  auto manager = button_.windowManager.lock();
  auto activate = [&manager, pid] {
    if (manager) manager->activate(pid);
  };
  auto& helper = env_.accessibilityHelper;
  if (!helper.isTrusted()) {
    activate();
  } else if (auto window = accessibilityWindow(helper, pid, windowNumber)) {
    auto& ax = helper.accessibility();
    const platform::AXElement app = helper.appElement(pid);
    const auto minimized = ax.copyAttributeValue(*window, platform::ax::kMinimized);
    if (minimized.ok() && minimized.value && minimized.value->isTrue())
      (void)ax.setAttributeValue(*window, platform::ax::kMinimized, false);
    (void)ax.setAttributeValue(app, platform::ax::kMainWindow, *window);
    (void)ax.setAttributeValue(app, platform::ax::kFocusedWindow, *window);
    (void)ax.performAction(*window, platform::ax::kRaiseAction);
    if (ax.setAttributeValue(app, platform::ax::kFrontmost, true) != platform::AXError::success) activate();
  } else {
    activate();
  }
  refreshTrackerSoon();
}

void AppItemThumbnails::cardClosed(int64_t windowNumber) {
  const auto& entry = button_.trackedApp();
  if (!entry) return;
  auto& helper = env_.accessibilityHelper;
  if (helper.isTrusted()) {
    if (auto window = accessibilityWindow(helper, entry->pid, windowNumber)) {
      auto& ax = helper.accessibility();
      const auto button = ax.copyAttributeValue(*window, platform::ax::kCloseButton);
      if (button.ok() && button.value && button.value->asElement())
        (void)ax.performAction(*button.value->asElement(), platform::ax::kPressAction);
    }
  }
  button_.cancelThumbnail();
  refreshTrackerSoon();
}

void AppItemThumbnails::cardDragHovered(int64_t windowNumber) {
  const auto& entry = button_.trackedApp();
  if (!entry) return;
  if (auto manager = button_.windowManager.lock()) manager->activate(entry->pid);
  focusSpecificWindow(env_.accessibilityHelper, entry->pid, windowNumber);
}

}  // namespace pelko
