#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Cancellable.h"
#include "foundation/Scheduler.h"
#include "settings/SettingEnumerations.h"
#include "settings/TaskbarPreset.h"
#include "settingswindow/SettingsHoverRefreshable.h"
#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsTabMetadata.h"
#include "ui/VisualEffectView.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;

namespace pelko {

namespace platform {
class Alerts;
class AppShell;
class Screens;
class UserDefaults;
}  // namespace platform

class Animator;
class SettingsManager;
class SettingsRowView;
class SettingsSidebarButton;
class WrappingLabel;
class ElidingLabel;

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

  // ---- Presets page, footer and the shared actions ----
  void applyPresetWithConfirmation(TaskbarPresetID preset);
  void confirmAndApplyPreset(const std::string& name, const std::function<void()>& action);
  void resetToDefaults();
  void dismissSuggestion();
  // The quit the bar's menu and this window share.
  void quitPelko();

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
  std::vector<std::string>& currentSearchResults() { return currentSearchResults_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void buildBackground();
  QWidget* buildSidebar();
  QWidget* buildContentPanel();
  QWidget* buildPageSkeleton(int page);
  QWidget* buildPresetsTab();
  QWidget* buildFooter();
  void presentScrollContent(QWidget* page);
  // Lays the whole view tree out now (what the layout pass does).
  void layoutSubtreeNow();
  std::optional<QPoint> pointerLocation() const;
  std::optional<double> windowScreenScale() const;
  void applyRenderingModeRecursively(QWidget* view, SettingsRenderingMode mode);

  std::shared_ptr<SettingsManager> settingsManager_;
  Dependencies deps_;
  std::unique_ptr<Animator> animator_;
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

  int currentTabIndex_ = 0;
  std::vector<std::string> currentSearchResults_;
  SettingsRenderingMode currentRenderingMode_ = SettingsRenderingMode::standard;
  bool isWindowResizeScheduled_ = false;
  int layoutPassCount_ = 0;
};

}  // namespace pelko
