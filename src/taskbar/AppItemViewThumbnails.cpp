// The item button's thumbnails: the delayed show on hover, the monitors that keep the panel while the
// pointer travels to it and end it on a scroll, the panel's set-up and the card actions.
#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <limits>

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
// After a card action the tracker is asked for a full pass once the window had time to react.
constexpr double kRefreshDelay = 0.05;
// The application icon a card shows when no picture can be taken.
constexpr double kFallbackIconSide = 128;
// Windows the search finds must be larger than this on both sides.
constexpr double kMinimumWindowSide = 50;
}  // namespace

ThumbnailPanel* AppItemView::activeThumbnailPanel() const {
  return activeThumbnailPanel_.data();
}

void AppItemView::pruneCaptureTimestamps(std::unordered_map<int64_t, double>& timestamps, double now) {
  if (timestamps.size() < kTimestampPruneThreshold) return;
  std::erase_if(timestamps, [now](const auto& entry) { return !(entry.second > now - kRecentlyShown); });
  if (timestamps.size() <= kTimestampCap) return;
  std::vector<std::pair<int64_t, double>> byAge(timestamps.begin(), timestamps.end());
  std::sort(byAge.begin(), byAge.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
  for (size_t i = 0; i < byAge.size() - kTimestampCap; ++i) timestamps.erase(byAge[i].first);
}

void AppItemView::thumbnailPointerEntered() {
  if (activeThumbnailPanel_) {
    // Back on the button: its own exit event governs again.
    removeThumbnailHoverMonitors();
    return;
  }
  auto s = settings();
  if (s && s->showThumbnails.get()) scheduleThumbnail();
}

void AppItemView::thumbnailPointerExited() {
  if (activeThumbnailPanel_) {
    if (thumbnailWorkItem_) thumbnailWorkItem_->cancel();
    thumbnailWorkItem_.reset();
    startThumbnailHoverMonitor();
  } else {
    cancelThumbnail();
  }
}

void AppItemView::scheduleThumbnail() {
  auto s = settings();
  if (!s || !s->showThumbnails.get() || !env_.thumbnails) return;
  ThumbnailServices& services = *env_.thumbnails;
  double delay = s->thumbnailDelay.get();
  if (trackedApp_ && trackedApp_->windowNumber) {
    auto it = services.lastCaptureTimestamps.find(*trackedApp_->windowNumber);
    if (it != services.lastCaptureTimestamps.end() &&
        env_.scheduler.wallClockNow() - it->second < kRecentlyShown)
      delay = 0;
  }
  // A show replaced by a newer one must not run: left queued, it would show a panel after the pointer
  // has gone, since leaving cancels only the newest.
  if (thumbnailWorkItem_) thumbnailWorkItem_->cancel();
  QPointer<AppItemView> self(this);
  const int64_t generation = thumbnailGeneration_;
  thumbnailWorkItem_ = std::make_shared<WorkItem>([self, generation] {
    if (!self || self->thumbnailGeneration_ != generation) return;
    self->thumbnailWorkItem_.reset();
    self->showThumbnail();
  });
  env_.scheduler.mainQueue().asyncAfter(delay, thumbnailWorkItem_);

  if (!scrollMonitor_) {
    scrollMonitor_ = services.eventMonitors.addLocalMonitor(
        platform::event_mask::kScrollWheel,
        [self](const platform::Event& event) -> std::optional<platform::Event> {
          if (self) self->cancelThumbnail();
          return event;
        });
  }
}

void AppItemView::startThumbnailHoverMonitor() {
  removeThumbnailHoverMonitors();
  if (!env_.thumbnails) return;
  auto& monitors = env_.thumbnails->eventMonitors;
  QPointer<AppItemView> self(this);
  thumbnailHoverLocalMonitor_ =
      monitors.addLocalMonitor(platform::event_mask::kMouseMoved,
                               [self](const platform::Event& event) -> std::optional<platform::Event> {
                                 if (self) self->checkThumbnailHover();
                                 return event;
                               });
  thumbnailHoverGlobalMonitor_ =
      monitors.addGlobalMonitor(platform::event_mask::kMouseMoved, [self](const platform::Event&) {
        if (self) self->checkThumbnailHover();
      });
}

void AppItemView::removeThumbnailHoverMonitors() {
  if (!env_.thumbnails) return;
  auto& monitors = env_.thumbnails->eventMonitors;
  if (thumbnailHoverLocalMonitor_) monitors.removeMonitor(*std::exchange(thumbnailHoverLocalMonitor_, {}));
  if (thumbnailHoverGlobalMonitor_) monitors.removeMonitor(*std::exchange(thumbnailHoverGlobalMonitor_, {}));
}

void AppItemView::checkThumbnailHover() {
  const Point pointer = env_.thumbnails->eventMonitors.mouseLocation();
  if (activeThumbnailPanel_ && activeThumbnailPanel_->isPanelVisible() &&
      activeThumbnailPanel_->frame().insetBy(-kPanelHoverSlack, -kPanelHoverSlack).contains(pointer))
    return;
  if (isVisible() && screenRect().contains(pointer)) return;
  cancelThumbnail();
}

void AppItemView::cancelThumbnail() {
  ++thumbnailGeneration_;
  if (thumbnailWorkItem_) thumbnailWorkItem_->cancel();
  thumbnailWorkItem_.reset();
  removeThumbnailHoverMonitors();
  if (ThumbnailPanel* panel = activeThumbnailPanel_.data()) {
    activeThumbnailPanel_.clear();
    panel->dismiss();
    panel->drop();
  }
  if (scrollMonitor_ && env_.thumbnails) env_.thumbnails->eventMonitors.removeMonitor(*scrollMonitor_);
  scrollMonitor_.reset();
  if (dragThumbnailWorkItem_) dragThumbnailWorkItem_->cancel();
  dragThumbnailWorkItem_.reset();
  isDragHovering_ = false;
}

Rect AppItemView::screenRect() const {
  const auto screens = env_.thumbnails->screens.screens();
  const double mainHeight = screens.empty() ? 0 : screens.front().frame.size.height;
  return fromQtGlobal(QRect(mapToGlobal(QPoint(0, 0)), size()), mainHeight);
}

void AppItemView::showThumbnail() {
  auto s = settings();
  if (!trackedApp_ || !s || !isVisible() || !env_.thumbnails) return;
  ThumbnailServices& services = *env_.thumbnails;
  if (onThumbnailWillShow) {
    auto callback = onThumbnailWillShow;
    callback();
  }
  if (ThumbnailPanel* old = activeThumbnailPanel_.data()) {
    activeThumbnailPanel_.clear();
    old->dismiss();
    old->drop();
  }
  const double now = env_.scheduler.wallClockNow();
  pruneCaptureTimestamps(services.lastCaptureTimestamps, now);

  const TaskbarPosition position = s->position.get();
  const Rect itemRect = screenRect();
  auto* panel = new ThumbnailPanel({env_.scheduler, env_.workspace, env_.accessibilityHelper, services});
  if (auto current = settings())
    panel->setSharingType(current->excludeFromCapture.get() ? WindowSharingType::none
                                                            : WindowSharingType::readOnly);
  QPointer<AppItemView> self(this);
  panel->onWindowClicked = [self](int64_t number) {
    if (self) self->thumbnailCardClicked(number);
  };
  panel->onWindowClosed = [self](int64_t number) {
    if (self) self->thumbnailCardClosed(number);
  };
  panel->onDragHovered = [self](int64_t number) {
    if (self) self->thumbnailCardDragHovered(number);
  };
  // The entry's icon at its own size, for windows that cannot be captured.
  const auto main = services.screens.mainScreen();
  const double scale = main ? main->backingScaleFactor : 2.0;
  const int pixels = static_cast<int>(std::lround(kFallbackIconSide * scale));
  QPixmap icon;
  if (!trackedApp_->icon.source.source.empty()) {
    IconCache& cache = env_.iconCache ? *env_.iconCache : IconCache::shared();
    icon = cache.pixmap(QString::fromStdString(trackedApp_->icon.source.source), pixels);
  }
  if (icon.isNull() && !iconPixmap_.isNull())
    icon = iconPixmap_.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  if (!icon.isNull()) {
    QImage image = icon.toImage();
    image.setDevicePixelRatio(scale);
    panel->fallbackIcon = image;
  }

  if (trackedApp_->windowNumber) {
    services.lastCaptureTimestamps[*trackedApp_->windowNumber] = now;
    // An untitled window's card carries the application's name, as in a group.
    const std::string title = trackedApp_->displayName();
    panel->show(*trackedApp_->windowNumber, title.empty() ? trackedApp_->name : title, itemRect, position);
  } else {
    // The name cards fall back on for minimized and untitled windows: the application's own, not the
    // entry's display name, which is the title of whichever window has the focus.
    const std::string appName = trackedApp_->name;
    auto tracker = appTracker.lock();
    if (!tracker) {
      panel->drop();
      return;
    }
    const auto windows = tracker->windowNumbers(trackedApp_->pid);
    if (windows.empty()) {
      searchWindowsAndShow(panel, appName, itemRect, position);
      return;
    }
    panel->showGrouped(windows, appName, itemRect, position);
  }
  activeThumbnailPanel_ = panel;
}

void AppItemView::searchWindowsAndShow(ThumbnailPanel* panel, const std::string& appName,
                                       const Rect& itemRect, TaskbarPosition position) {
  const int64_t generation = ++thumbnailGeneration_;
  QPointer<AppItemView> self(this);
  QPointer<ThumbnailPanel> weakPanel(panel);
  const int32_t pid = trackedApp_->pid;
  const int32_t ownPID = env_.accessibilityHelper.ownPID();
  platform::WindowServer& windowServer = env_.thumbnails->windowServer;
  Scheduler& scheduler = env_.scheduler;
  scheduler.globalQueue().async([&scheduler, &windowServer, self, weakPanel, generation, pid, ownPID, appName,
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
    scheduler.mainAsync([self, weakPanel, generation, found = std::move(found), appName, itemRect, position] {
      if (!weakPanel) return;
      if (!self || self->thumbnailGeneration_ != generation || found.empty()) {
        weakPanel->closePanel();
        return;
      }
      weakPanel->showGrouped(found, appName, itemRect, position);
      self->activeThumbnailPanel_ = weakPanel.data();
    });
  });
}

// ---------------------------------------------------------------------------------------------------
// Card actions

void AppItemView::refreshTrackerSoon() {
  QPointer<AppItemView> self(this);
  env_.scheduler.mainAfter(kRefreshDelay, [self] {
    if (!self) return;
    if (auto tracker = self->appTracker.lock()) tracker->forceRefresh();
  });
}

void AppItemView::thumbnailCardClicked(int64_t windowNumber) {
  if (!trackedApp_) return;
  const int32_t pid = trackedApp_->pid;
  cancelThumbnail();
  auto manager = windowManager.lock();
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

void AppItemView::thumbnailCardClosed(int64_t windowNumber) {
  if (!trackedApp_) return;
  auto& helper = env_.accessibilityHelper;
  if (helper.isTrusted()) {
    if (auto window = accessibilityWindow(helper, trackedApp_->pid, windowNumber)) {
      auto& ax = helper.accessibility();
      const auto button = ax.copyAttributeValue(*window, platform::ax::kCloseButton);
      if (button.ok() && button.value && button.value->asElement())
        (void)ax.performAction(*button.value->asElement(), platform::ax::kPressAction);
    }
  }
  cancelThumbnail();
  refreshTrackerSoon();
}

void AppItemView::thumbnailCardDragHovered(int64_t windowNumber) {
  if (!trackedApp_) return;
  if (auto manager = windowManager.lock()) manager->activate(trackedApp_->pid);
  focusSpecificWindow(env_.accessibilityHelper, trackedApp_->pid, windowNumber);
}

}  // namespace pelko
