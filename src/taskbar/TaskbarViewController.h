#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/Cancellable.h"
#include "foundation/Scheduler.h"
#include "settings/SettingEnumerations.h"
#include "taskbar/ItemFades.h"
#include "taskbar/ReorderDropTarget.h"
#include "taskbar/TaskbarGeometry.h"
#include "taskbar/TaskbarShellActions.h"
#include "ui/StackView.h"
#include "ui/VisualEffectView.h"

namespace pelko {

class AccessibilityHelper;
class AppItemScrollCycling;
class AppItemView;
class AppTracker;
class SettingsManager;
class SystemTrayManager;
class SystemTrayView;
class TaskbarContainerView;
class TaskbarContextMenu;
class ThumbnailPanel;
struct ThumbnailServices;
class TrashIconView;
class TrackedApp;
class WindowManager;

namespace platform {
class Alerts;
class Appearance;
class Trash;
class Workspace;
}  // namespace platform

// The content controller of one bar: builds the bar's views (a blurred background, the stack of item
// buttons, the trash button and the tray), keeps one item button per entry in list order, and
// offers the operations through which the monitor manager and the application shell update the bar.
// Main thread only. Its root view is made on first use of view(); once installed in a panel, the panel
// owns it.
//
// Its parts: building the root view, the operations, the clicks and scrolls in TaskbarViewController.cpp;
// placing the parts, the layout pass, borders and corners in TaskbarViewControllerLayout.cpp; the item list
// (one button per entry, their layout modes and the equal-width rule) in TaskbarViewControllerItems.cpp.
// Its collaborators: ItemFades (buttons appearing and going), ReorderDropTarget (reordering by drag),
// one AppItemScrollCycling per button (the scroll wheel over it) and TaskbarContextMenu.
class TaskbarViewController : public QObject {
  Q_OBJECT
 public:
  // What the controller and its item buttons need besides the shared managers; all outlive the bar.
  struct Environment {
    Scheduler& scheduler;
    platform::Workspace& workspace;
    platform::Appearance& appearance;
    AccessibilityHelper& accessibilityHelper;
    // For the trash button: moving dropped files and reporting those that could not go.
    platform::Trash& trash;
    platform::Alerts& alerts;
    // What the buttons' thumbnails share; none: no thumbnails.
    ThumbnailServices* thumbnails = nullptr;
  };

  static constexpr double kFadeInDuration = ItemFades::kFadeInDuration;
  static constexpr double kFadeOutDuration = ItemFades::kFadeOutDuration;
  static constexpr double kMinTrayWidth = 80;

  // `externallyManaged`: the monitor manager hands this bar its entries through updateFilteredApps();
  // otherwise the bar follows the tracker's whole list itself. `systemTrayManager` is shared by every
  // bar's tray.
  TaskbarViewController(std::shared_ptr<AppTracker> appTracker, std::shared_ptr<WindowManager> windowManager,
                        std::shared_ptr<SystemTrayManager> systemTrayManager,
                        std::shared_ptr<SettingsManager> settingsManager, bool externallyManaged,
                        const Environment& environment);
  ~TaskbarViewController() override;
  TaskbarViewController(const TaskbarViewController&) = delete;
  TaskbarViewController& operator=(const TaskbarViewController&) = delete;

  // The bar's root view, built (for the current position) and bound on first use.
  TaskbarContainerView* view();
  bool isViewLoaded() const { return view_ != nullptr; }

  // The monitor of this bar; clicks act on that display's windows first.
  std::optional<uint32_t> displayID;
  // What the bar's menus and its buttons' settings entry ask of the application shell; set before the
  // view is built (the menus and buttons take a copy when they are made).
  TaskbarShellActions shellActions;

  // Reordering by drag, as the root view hands it on.
  static constexpr double kRefreshAfterDropDelay = 0.25;
  void reorderDragEntered(const ReorderDrag& drag);
  void reorderDragUpdated(const ReorderDrag& drag);
  void reorderDragExited();
  bool reorderPerformDrag(const ReorderDrag& drag);
  const ReorderDropTarget& reorderTarget() const { return *reorderTarget_; }
  // The bar's own menu of the last build.
  TaskbarContextMenu* contextMenu() const { return contextMenu_.get(); }

  // Rebuilds the bar for `position` with the entries it had (the monitor manager's last list when
  // externally managed, the tracker's otherwise) and asks the tracker for a fresh pass.
  void updateLayout(TaskbarPosition position);
  // The monitor manager's list for this bar.
  void updateFilteredApps(const std::vector<std::shared_ptr<TrackedApp>>& apps);
  // Re-binds every button still in the tracker's list to its entry and re-applies every button's layout.
  void reconfigureItems();
  // Re-applies every button's layout (sizes changed).
  void reconfigureItemSizes();
  void refreshActiveIndicators();
  void updateVibrancy();
  void updateBackgroundOpacity();
  // Re-applies every button's dimming of minimized and hidden entries.
  void refreshDimming();
  // Gives every button its application's window count (asking the tracker once per process).
  void refreshWindowCounts();
  // Ends every button's thumbnail.
  void dismissAllThumbnails();
  // The panel of the first button whose thumbnail panel is shown, if any.
  ThumbnailPanel* visibleThumbnailPanel() const;
  // Redraws the border lines from the settings for the bar's current size.
  void updateBorder();
  // Applies the corner rounding from the settings.
  void updateCornerRadius();

  // After every layout of the bar: redraws the borders when the size changed, applies the corners and
  // queues one layout pass (any number of layouts before it runs lead to one pass), which moves the
  // stack for the item alignment and reports a floating bar's content length.
  void viewDidLayout();
  // The length along the bar its contents need, from the settings and the number of buttons, for
  // sizing a panel before its contents are laid out.
  double estimatedContentSize() const;
  // Forgets the last reported content length, so the next layout reports it again.
  void resetContentSizeTracking();
  // Set by the monitor manager for a floating bar; called with the new content length.
  std::function<void(double)> onContentSizeChanged;

  // ---- For the monitor manager, the auto-hide manager and tests ----
  StackView* appStackView() const { return appStackView_; }
  VisualEffectView* vibrancyView() const { return vibrancyView_; }
  // Made and bound by every build, on the bar only while the tray setting was on at that build.
  SystemTrayView* systemTrayView() const;
  // Made by a build while the trash setting is on.
  TrashIconView* trashIconView() const;
  // The button of an entry; null when the bar has none.
  AppItemView* itemView(const std::string& id) const;
  size_t itemCount() const { return appItemViews_.size(); }
  // The buttons in their order along the bar.
  std::vector<AppItemView*> arrangedItems() const;
  const std::vector<std::shared_ptr<TrackedApp>>& lastFilteredApps() const { return lastFilteredApps_; }
  // Buttons still fading out after their entry went.
  size_t fadingOutCount() const;
  // How often the equal-width rule was (re)applied to the stack.
  int equalWidthRebuildCount() const { return equalWidthRebuilds_; }
  // Places the bar's parts for the root view's current size (done on every resize).
  void layoutSubviews();
  // Where the bar's parts sit for the root view's current size.
  BarContentLayout contentLayout() const;
  // The stack's offset from the bar's start edge (none before the bar is built).
  std::optional<double> stackLeadingOffset() const { return stackLeading_; }
  bool isLayoutPassScheduled() const { return layoutPassScheduled_; }
  int layoutPassCount() const { return layoutPasses_; }

 private:
  // The settings that decide how a button is laid out, read once per operation.
  struct ItemSettings {
    TaskbarPosition position = TaskbarPosition::bottom;
    TaskbarStyle style = TaskbarStyle::iconsTextRight;
    double barThickness = 34;
    bool equalWidth = false;
    bool showWindowTitle = false;
    double iconSize = 100;
  };

  bool eventFilter(QObject* watched, QEvent* event) override;
  void runLayoutPass();
  void updateCenteringOffset();
  void reportContentSize();
  bool isTrashShown() const;
  bool isTrayShown() const;
  // The tray's own length along the bar (its natural size; the layout gives it at least the minimum).
  double trayLength() const;
  void buildAccessories(TaskbarPosition position);
  double insets() const;
  size_t arrangedCount() const;
  // Window counts with at most one question to the tracker per process in `cache`.
  int64_t windowCountFor(const TrackedApp& app, std::unordered_map<int32_t, int64_t>& cache) const;

  // Step 9 of a list update: every listed entry's button gets its count (0 unless counts are shown).
  void updateWindowCounts(const std::vector<std::shared_ptr<TrackedApp>>& apps,
                          std::unordered_map<int32_t, int64_t>& counts);
  // A window of the application `pid` opened or closed: its buttons' counts follow.
  void windowsChanged(int32_t pid);
  void loadView();
  void viewDidLoad();
  void buildLayout(TaskbarPosition position);
  void bindData();
  void applyBackground();

  void updateAppItems(const std::vector<std::shared_ptr<TrackedApp>>& apps);
  AppItemView* makeItem(const std::shared_ptr<TrackedApp>& app, const ItemSettings& settings);
  void applyLayoutMode(AppItemView& item, const ItemSettings& settings);
  void applyEqualWidthConstraints();
  void bindClick(AppItemView& item, const std::shared_ptr<TrackedApp>& app);
  // A scroll over `item`: cycles through its application's windows when they are grouped.
  bool itemScrolled(const AppItemView& item, AppItemScrollCycling& cycling, double deltaY);
  void optimisticallyActivate(const TrackedApp& app);
  ItemSettings readItemSettings() const;
  std::vector<std::string> storeReorderedOrder(const std::vector<std::string>& barOrder);

  std::shared_ptr<AppTracker> appTracker_;
  std::shared_ptr<WindowManager> windowManager_;
  std::shared_ptr<SystemTrayManager> systemTrayManager_;
  std::shared_ptr<SettingsManager> settingsManager_;
  const bool externallyManaged_;
  Environment env_;
  ItemFades fades_;
  // The frames of every button's hover fade.
  const std::shared_ptr<Animator> itemHoverAnimator_;

  QPointer<TaskbarContainerView> view_;
  QPointer<StackView> appStackView_;
  QPointer<VisualEffectView> vibrancyView_;
  QPointer<SystemTrayView> systemTrayView_;
  QPointer<TrashIconView> trashIconView_;
  TaskbarPosition builtPosition_ = TaskbarPosition::bottom;
  CancellableBag cancellables_;
  std::unordered_map<std::string, QPointer<AppItemView>> appItemViews_;
  std::vector<std::shared_ptr<TrackedApp>> lastFilteredApps_;
  bool equalWidthApplied_ = false;
  bool hasShownItems_ = false;  // since the last build
  size_t lastEqualWidthItemCount_ = 0;
  double lastEqualWidthMaxWidth_ = 0;
  int equalWidthRebuilds_ = 0;

  std::shared_ptr<ReorderDropTarget> reorderTarget_;
  std::unique_ptr<TaskbarContextMenu> contextMenu_;

  std::optional<double> stackLeading_;
  bool layoutPassScheduled_ = false;
  bool isUpdatingCenteringOffset_ = false;
  bool isReportingContentSize_ = false;
  double lastReportedContentSize_ = 0;
  std::optional<QSize> lastBorderBounds_;
  int layoutPasses_ = 0;
};

}  // namespace pelko
