#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/Cancellable.h"
#include "foundation/Publisher.h"
#include "foundation/Scheduler.h"
#include "platform/Alerts.h"
#include "screens/DockManager.h"
#include "settings/SettingEnumerations.h"
#include "settings/TaskbarPreset.h"
#include "settingswindow/SettingsHoverRefreshable.h"
#include "settingswindow/SettingsPermissionStatus.h"
#include "settingswindow/SettingsSearch.h"
#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsSectionLayout.h"
#include "settingswindow/SettingsTabMetadata.h"
#include "ui/Animator.h"
#include "ui/VisualEffectView.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace pelko {

namespace platform {
class Alerts;
class AppShell;
class Clipboard;
class Permissions;
class Screens;
class UserDefaults;
class Workspace;
}  // namespace platform

class LaunchAtLoginHelper;
class Stepper;
class Switch;
struct SettingsControlEntry;
enum class SettingID;

class AccessibilityHelper;
class Animator;
class SettingsManager;
class SettingsRowView;
class SettingsSidebarButton;
class WrappingLabel;
class ElidingLabel;
namespace settings_suggestions {
struct Decision;
}

// A hairline between two rows of a section, inset 18 points from both sides (or `inset`).
class SettingsSeparator : public QWidget {
  Q_OBJECT
 public:
  explicit SettingsSeparator(QWidget* parent = nullptr, int inset = 18);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int inset_;
};

// A row that a rebuildable section shows in place of controls it hides; made anew by each rebuild.
class SettingsNoticeRow : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
};

// The content of the settings window: a sidebar of five pages and a content panel with the page
// header, the search field, the scrolling page and the footer. Everything is built once, when the view
// is first needed, and kept for the controller's life; closing the window only hides it.
class SettingsViewController : public QWidget {
  Q_OBJECT
 public:
  // The application shell's side of the maintenance actions.
  struct ShellActions {
    // Rebuilds every bar; the shell ignores a restart 2 s or less after the previous one.
    std::function<void()> restartPelko;
    std::function<void()> restoreDockAndQuit;
    // Puts the diagnostics report on the clipboard; true when the clipboard holds it afterwards.
    std::function<bool()> copyDiagnosticsToPasteboard;
  };

  struct Dependencies {
    Scheduler& scheduler;
    platform::UserDefaults& userDefaults;
    platform::Alerts& alerts;
    platform::AppShell& appShell;
    // The screens the rendering mode is chosen from; without them the window keeps the standard look.
    platform::Screens* screens = nullptr;
    // Where the pointer rests; the cursor's position when not given.
    PointerLocationSource pointerLocation;
    // Whether this process may capture the screen; granted when not given.
    std::function<bool()> hasScreenRecordingPermission;
    // Quits the program the shell's way (restoring the Dock); none: nothing happens.
    std::function<void()> quitApplication;
    // What the application shell does for the maintenance actions; none when the window runs without
    // the shell, and the actions fall back on what the window can do itself.
    std::optional<ShellActions> shell = std::nullopt;
    // Opens the feedback and support page in the browser.
    std::function<void()> openFeedbackPage = {};
    // Where the diagnostics go without the shell; none: nothing is copied.
    platform::Clipboard* clipboard = nullptr;
    // The permission states and the privacy panes the Permissions section opens; without the helper
    // both permissions read as granted.
    AccessibilityHelper* accessibilityHelper = nullptr;
    platform::Permissions* permissions = nullptr;
    // One look at the Dock, and one optimisation of a visible Dock (each by a fresh Dock manager); the
    // completions come back on the main queue. Without them the Dock banner and the optimise button
    // do nothing.
    std::function<void(std::function<void(const DockManager::VisibilitySnapshot&)>)> dockVisibilitySnapshot =
        {};
    std::function<void(TaskbarPosition, std::function<void()>)> optimizeVisibleDock = {};
    // Whether this run keeps the Dock hidden at the moment; none: the fullyHideDock setting stands in.
    std::function<bool()> isDockHidden = {};
    // The shell's notifications, each with the new state: the Screen Recording permission changed
    // ("PelkoScreenRecordingPermissionDidChange"), the Dock was shown or hidden
    // ("PelkoDockVisibilityDidChange"). None: nothing is observed.
    std::optional<Publisher<bool>> screenRecordingPermissionDidChange = std::nullopt;
    std::optional<Publisher<bool>> dockVisibilityDidChange = std::nullopt;
    // Where a hidden application's name and icon are found and the Login Items pane is opened.
    platform::Workspace* workspace = nullptr;
    // The login item the launch-at-login switch registers; asked whether it awaits approval.
    LaunchAtLoginHelper* launchAtLogin = nullptr;
    // Asks the bars for an immediate refresh once an application leaves the hidden list.
    std::function<void()> forceAppRefresh = {};
  };

  static constexpr const char* kLastSelectedTabKey = "PelkoSettingsLastSelectedTab";
  static constexpr double kSearchDebounceInterval = 0.25;

  SettingsViewController(std::shared_ptr<SettingsManager> settingsManager, Dependencies dependencies,
                         QWidget* parent = nullptr);
  ~SettingsViewController() override;

  // Builds the whole view tree on first call.
  void loadViewIfNeeded();
  bool isViewLoaded() const { return viewLoaded_; }
  // Called when the window shows the view.
  void viewDidAppear();
  // Called when the window is about to hide the view.
  void viewWillDisappear();
  // The view in a window that may be no taller than `height` (on a small screen): the page area gives up
  // the height the rest of the view lacks, keeping at least a few rows.
  void fitIntoHeight(int height);

  // ---- Pages and navigation ----
  int pageCount() const { return static_cast<int>(tabViews_.size()); }
  int currentTabIndex() const { return currentTabIndex_; }
  // The guarded page switch every caller uses: an index without a page changes nothing.
  void selectTab(int index);
  void showTab(int index);
  void updateHeaderSummary();
  void scrollToSection(QWidget* section);
  void jumpToSectionFromPopup(QComboBox* popup, int index);
  void refreshHoverStatesInSettingsContent();
  void refreshHoverStates(QWidget* view);
  void focusSearchField();

  // ---- Rendering mode and the layout pass ----
  void updateDisplayRenderingMode();
  SettingsRenderingMode currentRenderingMode() const { return currentRenderingMode_; }
  // Asks for one layout pass on a later turn of the main queue; requests before it runs share it.
  void resizeWindowToFit();
  bool isWindowResizeScheduled() const { return isWindowResizeScheduled_; }
  int layoutPassCount() const { return layoutPassCount_; }

  // ---- Row and page factories ----
  struct RowDescription {
    QString label;
    QWidget* control = nullptr;
    std::optional<QString> helpText;
  };
  struct SectionDescription {
    QString title;
    std::optional<QString> subtitle;
    QWidget* view = nullptr;
  };
  struct JumpItem {
    QString title;
    QWidget* target = nullptr;
  };
  struct SectionBox {
    SettingsSectionBox* box = nullptr;
    QWidget* innerStack = nullptr;
  };
  QWidget* makeTabContent(const std::vector<SectionDescription>& sections);
  QWidget* makePageLayout(QWidget* intro, QWidget* accessory, QWidget* content);
  QWidget* makeSectionJumpStrip(const std::vector<JumpItem>& items, const QString& title = "Jump To");
  QWidget* makeSectionHeader(const QString& title, const std::optional<QString>& subtitle);
  SectionBox makeSectionBox(const std::vector<RowDescription>& rows, const std::vector<QWidget*>& customRows,
                            const QString& searchTitle, const std::optional<QString>& accessibilityLabel);
  SettingsSeparator* addSeparator(QWidget* stack);
  SettingsRowView* makeRow(const QString& label, QWidget* control, const std::optional<QString>& helpText);
  SettingsRowView* makeRow(const RowDescription& row) {
    return makeRow(row.label, row.control, row.helpText);
  }
  SettingsRowView* makeStepperRow(const QString& label, QWidget* stepper, QLabel* valueLabel,
                                  const std::optional<QString>& helpText);
  QWidget* makeRowTextStack(const QString& label, const std::optional<QString>& helpText);
  WrappingLabel* makeWrappingLabel(const QString& text, int maxLines = 0);
  // A notice row: an optional symbol, a wrapping text and an optional button.
  struct NoticeDescription {
    std::optional<std::string> symbolName;
    QString accessibilityDescription;
    std::optional<Color> tint;
    QString text;
    int maxLines = 2;
    int minimumHeight = 50;
    std::optional<QString> buttonTitle;
    std::function<void()> buttonAction;
    // The button's name for a screen reader where its title alone is found elsewhere in the window too.
    std::optional<QString> buttonAccessibleName = std::nullopt;
  };
  SettingsNoticeRow* makeNoticeRow(const NoticeDescription& notice);
  // Empties the stack (stored rows are kept for the next rebuild; separators and notices go) and fills
  // it with `rows`, a separator before every row but the first.
  void rebuildInnerStack(QWidget* stack, const std::vector<QWidget*>& rows);

  // A section whose rows depend on settings: refilled only when the signature of its deciding settings
  // changes.
  struct RebuildableSection {
    QPointer<QWidget> innerStack;
    std::optional<std::string> signature;
  };
  // Joins the deciding values with "|".
  static std::string sectionSignature(const std::vector<std::string>& values);
  static std::string signatureFlag(bool on) { return on ? "1" : "0"; }
  // Rebuilds `section` with the rows `rows()` gives when `signature` differs from the stored one, then
  // asks for a layout pass; answers whether it rebuilt.
  bool rebuildSection(RebuildableSection& section, const std::string& signature,
                      const std::function<std::vector<QWidget*>()>& rows);

  // ---- Controls (made once from the control catalogue), their actions and the bindings ----
  // Makes every control with the store's current values; runs once, before the pages are built.
  void buildAllControls();
  // Follows the store: one subscription per entry of the binding order, each delivered on the main queue.
  void bindSettings();
  // Follows the shell's permission and Dock notifications for as long as the view lives.
  void observeShellNotifications();
  QWidget* control(std::string_view field) const;
  template <class W>
  W* control(std::string_view field) const {
    return qobject_cast<W*>(control(field));
  }
  // The value label beside a stepper.
  QLabel* valueLabel(std::string_view stepperField) const;
  // A row a rebuildable section moves in and out ("appearanceStyleRow").
  QWidget* storedRow(std::string_view field) const;
  Stepper* makeStepper(double value, double minimum, double maximum, double increment);
  Switch* makeSwitch(bool on, const std::optional<QString>& accessibilityLabel);
  QCheckBox* makeCheckbox(const QString& title, bool on);
  SettingsRowView* makeCompactBorderRow();
  void updateBorderControlsEnabled();

  void syncPositionControl();
  void syncItemAlignmentControl();
  void syncClockAlignmentControl();
  void syncDateAlignmentControl();
  void syncDockModeControl();
  void syncStylePopUp();
  void syncMultiMonitorPopUp();
  void syncWindowCountStylePopUp();
  void syncBatteryIconStylePopUp();
  void syncAutoHideAnimationPopUp();
  void updateDockButtons();
  void refreshDockButtonsState();

  void rebuildAppearanceContentSection();
  void rebuildAppearanceBordersSection();
  void rebuildGroupingSection();
  void rebuildItemsDisplaySection();
  void rebuildSystemTraySection();
  void rebuildAutoHideSection();
  void rebuildBlacklistSection();
  void removeBlacklistItem(const QString& bundleID);
  // The signature a section was last filled for; none before its first rebuild.
  std::optional<std::string> storedSectionSignature(RebuildableSectionID section) const;
  int sectionRebuildCount() const { return sectionRebuildCount_; }
  // The inner stack `index` of a rebuildable section (the Auto-Hide page has four); null when absent.
  QWidget* sectionStack(RebuildableSectionID section, size_t index = 0) const;
  QWidget* blacklistStack() const { return blacklistStack_; }
  QWidget* optimizeDockButton() const { return optimizeDockButton_; }

  // ---- Presets page, footer and the shared actions ----
  void applyPresetWithConfirmation(TaskbarPresetID preset);
  void confirmAndApplyPreset(const std::string& name, const std::function<void()>& action);
  void resetToDefaults();
  // The quit the bar's menu and this window share.
  void quitPelko();

  // ---- Search (SettingsViewControllerSearch.cpp) ----
  // Restarts the 0.25 s wait after a change of the query; the update runs when it ends.
  void scheduleSearchResultsUpdate();
  // Return: updates at once and opens the first result of a non-empty query.
  void submitSearch();
  void updateSearchResults();
  std::vector<SettingsSearchResult> collectSearchResults(const QString& query) const;
  // The rows of a page, depth first, the view before its subviews; hidden rows too.
  static std::vector<SettingsRowView*> collectSearchableRows(QWidget* page);
  void renderSearchResultsPanel(const QString& query);
  void openSearchResultFromButton(int index);
  QWidget* makeSearchResultRow(const SettingsSearchResult& result, int index);
  void openSearchResult(SettingsSearchResult result);
  const std::vector<SettingsSearchResult>& currentSearchResults() const { return currentSearchResults_; }
  bool hasPendingSearchUpdate() const { return pendingSearchUpdateWorkItem_ != nullptr; }

  // ---- Suggestion banners (SettingsViewControllerSuggestions.cpp) ----
  void showSuggestion(const QString& text, const std::string& key, const QString& actionTitle,
                      std::function<void()> action);
  void dismissSuggestion();
  void applySuggestion();
  void dismissSuggestionClicked();
  void evaluatePositionSuggestion();
  void evaluateStyleSuggestion();
  void evaluateEqualWidthSuggestion();
  void evaluateGroupedTitleSuggestion();
  void evaluateAutoHideSuggestion();
  void evaluateDockSuggestion();
  // What showing a page (or clearing a search on it) evaluates.
  void evaluateSuggestionsForCurrentPage();
  QWidget* suggestionContainer() const { return suggestionContainer_; }
  const std::optional<std::string>& currentSuggestionKey() const { return currentSuggestionKey_; }
  const std::optional<std::string>& dismissedSuggestionKey() const { return dismissedSuggestionKey_; }
  void clearDismissedSuggestionKey() { dismissedSuggestionKey_.reset(); }

  // ---- Permissions section (SettingsViewControllerPermissions.cpp) ----
  SettingsSectionBox* buildPermissionsSection();
  void refreshPermissionIndicators();
  // Runs the 2 s refresh of the permission rows (refreshing at once when it starts), or stops it.
  void setPermissionsRefreshActive(bool active);
  const RepeatingTimerPtr& permissionsRefreshTimer() const { return permissionsRefreshTimer_; }
  std::optional<bool> lastKnownScreenRecordingPermission() const {
    return lastKnownScreenRecordingPermission_;
  }
  void openAccessibilitySettings();
  void openScreenRecordingSettings();
  void toggleAccessibilityLimitedMode();
  void toggleScreenRecordingSkip();
  struct PermissionRowViews {
    QPointer<QLabel> icon;
    QPointer<WrappingLabel> description;
    QPointer<QPushButton> primary;
    QPointer<QPushButton> secondary;
    QPointer<SettingsRowView> row;
  };
  const PermissionRowViews& permissionRow(PermissionKind kind) const {
    return kind == PermissionKind::accessibility ? accessibilityPermission_ : screenRecordingPermission_;
  }
  // The Items page's Thumbnails section follows the Screen Recording permission.
  void rebuildThumbnailsSection();

  // ---- Maintenance (SettingsViewControllerMaintenance.cpp) ----
  SettingsSectionBox* buildMaintenanceSection();
  void restartPelko();
  void copyDiagnostics();
  void openFeedbackPage();
  void optimizeVisibleDock();

  // ---- For the window controller and tests ----
  SettingsManager& settingsManager() const { return *settingsManager_; }
  const std::vector<QWidget*>& tabViews() const { return tabViews_; }
  const std::vector<SettingsSidebarButton*>& sidebarButtons() const { return sidebarButtons_; }
  ElidingLabel* pageTitleLabel() const { return pageTitleLabel_; }
  QLabel* pageIconView() const { return pageIconView_; }
  WrappingLabel* tabSummaryLabel() const { return tabSummaryLabel_; }
  WrappingLabel* keyboardHintLabel() const { return keyboardHintLabel_; }
  QLineEdit* searchField() const { return searchField_; }
  QWidget* searchResultsHostView() const { return searchResultsHostView_; }
  QWidget* suggestionHostView() const { return suggestionHostView_; }
  QScrollArea* scrollView() const { return scrollView_; }
  QWidget* tabContainer() const { return tabContainer_; }
  QWidget* footerView() const { return footerView_; }
  QLabel* footerVersionLabel() const { return footerVersionLabel_; }
  QLabel* footerHintLabel() const { return footerHintLabel_; }
  VisualEffectView* backgroundVisualEffectView() const { return backgroundVisualEffectView_; }
  QWidget* backgroundUnderlayView() const { return backgroundUnderlayView_; }
  SettingsChromeView* sidebarSurfaceView() const { return sidebarSurfaceView_; }
  SettingsChromeView* contentSurfaceView() const { return contentSurfaceView_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // Tab and Shift+Tab go through the window in reading order, however its rows were made or rebuilt.
  bool focusNextPrevChild(bool next) override;

 private:
  void buildBackground();
  QWidget* buildSidebar();
  QWidget* buildContentPanel();
  QWidget* buildAppearanceTab();
  QWidget* buildItemsTab();
  QWidget* buildBehaviorTab();
  QWidget* buildAutoHideTab();
  QWidget* buildBlacklistSection();
  QWidget* makeMonitorModeRow();
  QWidget* makeAutoHidePlaceholderRow(const QString& text);
  // A row made for the catalogue's control `field` (a stepper row for a stepper), stored when the
  // control's row is one a section rebuild moves.
  SettingsRowView* makeCatalogRow(std::string_view field);
  RowDescription rowDescription(std::string_view field);
  // A notice of a rebuildable section, made anew on each rebuild.
  QWidget* makeSectionNotice(std::string_view notice);
  // Fills `section` for the current settings when its signature changed; answers whether it did.
  bool rebuildFromLayout(RebuildableSectionID section);
  SettingsSnapshot currentSnapshot() const;
  void setControlEnabledByRule(std::string_view field, const SettingsSnapshot& snapshot);

  // Control actions, one per family plus the special cases.
  void connectControlAction(const SettingsControlEntry& entry, QWidget* widget);
  void switchChanged(const SettingsControlEntry& entry, bool on);
  void stepperChanged(const SettingsControlEntry& entry, double stepperValue);
  void popUpChanged(const SettingsControlEntry& entry, int index);
  void segmentChanged(const SettingsControlEntry& entry, int segment);
  void colorChanged(const SettingsControlEntry& entry, const Color& color);
  void showThumbnailsChanged(bool on);
  void launchAtLoginChanged(bool on);

  // Bindings: what a delivered value does to the window.
  void bindSetting(SettingID setting, bool changeOnly);
  void boolDelivered(SettingID setting, bool value);
  void numberDelivered(SettingID setting, double value);
  void colorDelivered(SettingID setting, const Color& value);
  void selectionDelivered(SettingID setting);
  void changeOnlyDelivered(SettingID setting);
  void applyCornerRadiusMaximum();
  QWidget* buildPresetsTab();
  QWidget* buildFooter();
  void presentScrollContent(QWidget* page);
  // Lays the whole view tree out now (what the layout pass does).
  void layoutSubtreeNow();
  std::optional<QPoint> pointerLocation() const;
  std::optional<double> windowScreenScale() const;
  void applyRenderingModeRecursively(QWidget* view, SettingsRenderingMode mode);
  // Scrolls the page so that the control given the focus (by Tab, a search result or a screen reader)
  // shows whole.
  void revealFocusedControl(QWidget* focused);
  void connectSearchField();
  SettingsRowView* makePermissionRow(const QString& label, PermissionKind kind, bool granted,
                                     std::function<void()> primaryAction,
                                     std::function<void()> secondaryAction);
  void updatePermissionRow(PermissionKind kind, bool granted, bool remindersSuppressed);
  bool isAccessibilityTrusted() const;
  bool hasScreenRecordingPermission() const;
  // Shows an alert as a sheet on the window, or application-modal without one; the chosen button.
  int runAlert(const platform::AlertContent& alert);
  void carryOut(const settings_suggestions::Decision& decision);

  std::shared_ptr<SettingsManager> settingsManager_;
  Dependencies deps_;
  std::unique_ptr<Animator> animator_;
  // The scroll of the last jump to a section, while it runs.
  AnimationHandle scrollAnimation_;
  CancellableBag cancellables_;
  bool viewLoaded_ = false;

  QPointer<QWidget> backgroundUnderlayView_;
  QPointer<VisualEffectView> backgroundVisualEffectView_;
  QPointer<QWidget> mainStack_;
  QPointer<SettingsChromeView> sidebarSurfaceView_;
  QPointer<SettingsChromeView> contentSurfaceView_;
  std::vector<SettingsSidebarButton*> sidebarButtons_;
  QLabel* pageIconView_ = nullptr;
  ElidingLabel* pageTitleLabel_ = nullptr;
  WrappingLabel* tabSummaryLabel_ = nullptr;
  WrappingLabel* keyboardHintLabel_ = nullptr;
  QLineEdit* searchField_ = nullptr;
  QWidget* searchResultsHostView_ = nullptr;
  QWidget* suggestionHostView_ = nullptr;
  QScrollArea* scrollView_ = nullptr;
  QWidget* tabContainer_ = nullptr;
  QVBoxLayout* contentStack_ = nullptr;
  std::vector<QWidget*> tabViews_;
  QWidget* footerView_ = nullptr;
  QLabel* footerVersionLabel_ = nullptr;
  QLabel* footerHintLabel_ = nullptr;
  // Rows a rebuild took out of their section wait here, hidden, for the next rebuild.
  QWidget* detachedRows_ = nullptr;

  std::unordered_map<std::string, QWidget*> controls_;
  std::unordered_map<std::string, QLabel*> valueLabels_;
  std::unordered_map<std::string, QPointer<QWidget>> storedRows_;
  struct SectionState {
    std::vector<QPointer<QWidget>> stacks;
    std::optional<std::string> signature;
  };
  std::map<RebuildableSectionID, SectionState> sections_;
  int sectionRebuildCount_ = 0;
  QPointer<QWidget> blacklistStack_;
  QPointer<QWidget> optimizeDockButton_;
  bool didShowLaunchAtLoginApprovalHint_ = false;

  int currentTabIndex_ = 0;
  std::vector<SettingsSearchResult> currentSearchResults_;
  WorkItemPtr pendingSearchUpdateWorkItem_;
  // The page area's own minimum height, which it gives up while search results show.
  int pageAreaMinimumHeight_ = 0;

  QPointer<QWidget> suggestionContainer_;
  std::function<void()> currentSuggestionAction_;
  std::optional<std::string> currentSuggestionKey_;
  std::optional<std::string> dismissedSuggestionKey_;

  RepeatingTimerPtr permissionsRefreshTimer_;
  std::optional<bool> lastKnownScreenRecordingPermission_;
  PermissionRowViews accessibilityPermission_;
  PermissionRowViews screenRecordingPermission_;
  // The application's focus changes, followed to scroll a focused control into view; ended first when
  // the view goes, since its controls' own destruction moves the focus again.
  QMetaObject::Connection focusFollowing_;
  SettingsRenderingMode currentRenderingMode_ = SettingsRenderingMode::standard;
  bool isWindowResizeScheduled_ = false;
  int layoutPassCount_ = 0;
};

}  // namespace pelko
