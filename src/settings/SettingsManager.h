#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "foundation/Color.h"
#include "foundation/OwnerLifetime.h"
#include "foundation/Scheduler.h"
#include "foundation/Subject.h"
#include "platform/Appearance.h"
#include "platform/Permissions.h"
#include "platform/UserDefaults.h"
#include "settings/LaunchAtLoginHelper.h"
#include "settings/Setting.h"
#include "settings/SettingEnumerations.h"
#include "settings/StringListJson.h"
#include "settings/TaskbarPreset.h"

namespace pelko {

// Every user setting, in declared order (the order they are loaded in). This table is the one place
// that names a setting, its type, its default, its bounds and its change rule:
//   BOOL(name, default)                 a Bool that only persists itself
//   NUMBER(name, default, lower, upper) a 64-bit number clamped to [lower, upper]
//   VALUE(name, Type, default, rule)    any other setting with the named change rule
// The defaults key is always "Pelko" + the name with its first letter upper-cased.
#define PELKO_SETTINGS(BOOL, NUMBER, VALUE)                                          \
  VALUE(position, TaskbarPosition, TaskbarPosition::bottom, positionRule)            \
  VALUE(style, TaskbarStyle, TaskbarStyle::iconsTextRight, persist)                  \
  BOOL(showBattery, true)                                                            \
  BOOL(showTime, true)                                                               \
  BOOL(groupWindows, true)                                                           \
  BOOL(equalWidth, false)                                                            \
  BOOL(showWindowTitle, false)                                                       \
  BOOL(showSystemTray, false)                                                        \
  BOOL(groupByApp, true)                                                             \
  NUMBER(taskbarSize, 100, 50, 150)                                                  \
  NUMBER(maxTaskWidth, 176, 50, 600)                                                 \
  VALUE(showThumbnails, bool, true, showThumbnailsRule)                              \
  BOOL(suppressAccessibilityPermissionPrompt, false)                                 \
  BOOL(suppressScreenRecordingPermissionPrompt, false)                               \
  NUMBER(thumbnailDelay, 0.45, 0, 5)                                                 \
  BOOL(indicateMinimized, false)                                                     \
  BOOL(indicateHidden, false)                                                        \
  BOOL(autoHide, false)                                                              \
  NUMBER(autoHideDelay, 0.5, 0, 30)                                                  \
  VALUE(autoHideAnimation, AutoHideAnimation, AutoHideAnimation::instant, persist)   \
  BOOL(autoHideShortcut, true)                                                       \
  NUMBER(autoHideActivationDelay, 0, 0, 0.5)                                         \
  BOOL(autoHideDodgeWindows, false)                                                  \
  BOOL(autoHideShowOnAppSwitch, false)                                               \
  BOOL(autoHidePinned, false)                                                        \
  BOOL(autoHideDragReveal, true)                                                     \
  BOOL(autoHideSmartDelay, false)                                                    \
  BOOL(autoHidePeekReveal, false)                                                    \
  BOOL(autoHideFullscreenOnly, false)                                                \
  BOOL(autoHideShowOnNewWindow, false)                                               \
  BOOL(autoHideResizeWindows, false)                                                 \
  NUMBER(autoHideAnimationSpeed, 0.5, 0.5, 2)                                        \
  BOOL(borderTop, true)                                                              \
  BOOL(borderBottom, false)                                                          \
  BOOL(borderLeft, false)                                                            \
  BOOL(borderRight, false)                                                           \
  NUMBER(backgroundOpacity, 92, 0, 100)                                              \
  NUMBER(cornerRadius, 0, 0, 50)                                                     \
  VALUE(backgroundColor, Color, defaultBackgroundColor, persist)                     \
  VALUE(borderColor, Color, Color::white(), persist)                                 \
  NUMBER(borderOpacity, 18, 0, 100)                                                  \
  NUMBER(borderWidth, 0.5, 0, 10)                                                    \
  BOOL(centerItems, false)                                                           \
  VALUE(itemAlignment, ItemAlignment, ItemAlignment::left, persist)                  \
  VALUE(multiMonitorMode, MultiMonitorMode, MultiMonitorMode::allOnAll, persist)     \
  BOOL(hideInFullscreen, true)                                                       \
  BOOL(autoResizeWindows, true)                                                      \
  BOOL(fullyHideDock, true)                                                          \
  BOOL(excludeFromCapture, false)                                                    \
  VALUE(blacklistedBundleIDs, StringList, StringList{}, hiddenAppListRule)           \
  BOOL(showActiveIndicator, true)                                                    \
  VALUE(activeIndicatorColor, Color, accentColor(), persist)                         \
  VALUE(activeIndicatorPosition, std::string, "bottom", activeIndicatorPositionRule) \
  VALUE(launchAtLogin, bool, false, launchAtLoginRule)                               \
  BOOL(showWindowCount, true)                                                        \
  VALUE(windowCountStyle, WindowCountStyle, WindowCountStyle::badge, persist)        \
  VALUE(badgeColor, Color, accentColor(), persist)                                   \
  VALUE(badgeTextColor, Color, Color::white(), persist)                              \
  NUMBER(badgeOpacity, 100, 0, 100)                                                  \
  NUMBER(marginHorizontal, 0, 0, 100)                                                \
  NUMBER(marginVertical, 0, 0, 100)                                                  \
  BOOL(floatingBar, false)                                                           \
  NUMBER(itemSpacing, 1, 0, 20)                                                      \
  BOOL(showTrashIcon, false)                                                         \
  NUMBER(windowGap, 0, 0, 20)                                                        \
  NUMBER(iconSize, 100, 50, 200)                                                     \
  NUMBER(itemTextSize, 11, 9, 16)                                                    \
  BOOL(useVibrancy, false)                                                           \
  NUMBER(clockFontSize, 11, 8, 16)                                                   \
  NUMBER(trayFontSize, 10, 8, 16)                                                    \
  VALUE(clockAlignment, ItemAlignment, ItemAlignment::right, persist)                \
  VALUE(dateAlignment, ItemAlignment, ItemAlignment::right, persist)                 \
  BOOL(showBatteryPercentage, true)                                                  \
  BOOL(showBatteryIcon, true)                                                        \
  BOOL(colorCodedBattery, true)                                                      \
  VALUE(batteryIconStyle, BatteryIconStyle, BatteryIconStyle::battery, persist)      \
  VALUE(customAppOrder, StringList, StringList{}, customAppOrderRule)

// Each setting as a value, in declared order, for code that names a setting without holding the store
// (the settings window's tables): a misspelt name does not compile.
#define PELKO_SETTING_ID_BOOL(name, def) name,
#define PELKO_SETTING_ID_NUMBER(name, def, lower, upper) name,
#define PELKO_SETTING_ID_VALUE(name, Type, def, rule) name,
enum class SettingID {
  PELKO_SETTINGS(PELKO_SETTING_ID_BOOL, PELKO_SETTING_ID_NUMBER, PELKO_SETTING_ID_VALUE)
};
#undef PELKO_SETTING_ID_BOOL
#undef PELKO_SETTING_ID_NUMBER
#undef PELKO_SETTING_ID_VALUE

// The one object that holds the user's settings. Each setting is kept in memory, published on every
// assignment and written at once to the defaults store under its own key. Main thread only.
class SettingsManager {
 public:
  struct Dependencies {
    platform::UserDefaults& defaults;
    platform::Permissions& permissions;
    platform::Appearance& appearance;
    LaunchAtLoginHelper& launchAtLogin;
    Scheduler& scheduler;
  };

  static constexpr Color defaultBackgroundColor = Color::fromWhite(0.12);

  // Registers the defaults, reads every setting, migrates old keys and reconciles the settings with
  // the system's state (login item, permissions).
  explicit SettingsManager(const Dependencies& dependencies);

  // Why `stored`, found under `key`, cannot be read as that key's setting: a number that is not a
  // number (NaN), is infinite or cannot be held exactly, or a value of another type. Nothing when it can
  // be read, or when `key` is no setting's. A text that names no choice of an enumeration is of the right
  // type and is not judged here: it falls back to the default as a retired value does. The settings file
  // leaves out what this rejects and says so, as it does for values the file format cannot represent.
  static std::optional<std::string> whyUnreadable(const std::string& key, const platform::PlistValue& stored);
  ~SettingsManager();
  SettingsManager(const SettingsManager&) = delete;
  SettingsManager& operator=(const SettingsManager&) = delete;

 private:
  // Declared before the settings: their initial defaults are computed during member initialisation.
  Dependencies deps_;

 public:
  // Fires before each setting is assigned, ahead of the setting's own publisher.
  Subject<std::monostate> objectWillChange;

#define PELKO_DECLARE_BOOL(name, def)                                                \
  Setting<bool> name{#name, objectWillChange, [] { return static_cast<bool>(def); }, \
                     bindRule<bool>(&SettingsManager::persist)};
#define PELKO_DECLARE_NUMBER(name, def, lower, upper)                                    \
  Setting<double> name{#name, objectWillChange, [] { return static_cast<double>(def); }, \
                       bindRule<double>(&SettingsManager::clampRule), NumericRange{lower, upper}};
#define PELKO_DECLARE_VALUE(name, Type, def, rule)                                     \
  Setting<Type> name{#name, objectWillChange, [this] { return defaultOf<Type>(def); }, \
                     bindRule<Type>(&SettingsManager::rule)};

  PELKO_SETTINGS(PELKO_DECLARE_BOOL, PELKO_DECLARE_NUMBER, PELKO_DECLARE_VALUE)

#undef PELKO_DECLARE_BOOL
#undef PELKO_DECLARE_NUMBER
#undef PELKO_DECLARE_VALUE

  // True while a preset or the reset is being applied, until a later pass of the main run loop;
  // subscribers that rebuild the bar skip their work while it is set.
  bool isBatchingUpdates = false;
  // Runs once when a batch's deferred finish has cleared isBatchingUpdates.
  std::function<void()> onBatchResetComplete;

  // The hidden-app list.
  void addToBlacklist(const std::string& bundleID);
  void removeFromBlacklist(const std::string& bundleID);
  bool isBlacklisted(std::optional<std::string_view> bundleID) const;

  // The bar's thickness in points (height on a horizontal edge, width on a vertical one).
  double barThickness() const;

  // Whether to ask for a permission: not while the user has declined it, nor once it is granted.
  bool shouldPromptForAccessibilityPermission() const;
  bool shouldPromptForScreenRecordingPermission() const;
  void clearAccessibilityPermissionDeclineIfNeeded();
  void clearScreenRecordingPermissionDeclineIfNeeded();
  void acknowledgeLimitedModeWithoutAccessibility();
  void clearLimitedModeAcknowledgement();
  void acknowledgeScreenRecordingSkip();
  void clearScreenRecordingSkipAcknowledgement();

  // Apply a named look, or every default, as one batch (see isBatchingUpdates).
  void applyPreset(TaskbarPresetID preset);
  void resetToDefaults();

 private:
  template <class T>
  using RuleMethod = void (SettingsManager::*)(Setting<T>&, const T& previous);

  template <class T>
  typename Setting<T>::Rule bindRule(RuleMethod<T> method) {
    return [this, method](Setting<T>& setting, const T& previous) { (this->*method)(setting, previous); };
  }
  template <class T, class D>
  static T defaultOf(const D& value) {
    return T(value);
  }

  Color accentColor() const;

  // Change rules.
  template <class T>
  void persist(Setting<T>& setting, const T& previous);
  void clampRule(Setting<double>& setting, const double& previous);
  void positionRule(Setting<TaskbarPosition>& setting, const TaskbarPosition& previous);
  void activeIndicatorPositionRule(Setting<std::string>& setting, const std::string& previous);
  void showThumbnailsRule(Setting<bool>& setting, const bool& previous);
  void launchAtLoginRule(Setting<bool>& setting, const bool& previous);
  void hiddenAppListRule(Setting<StringList>& setting, const StringList& previous);
  void customAppOrderRule(Setting<StringList>& setting, const StringList& previous);

  // Loading.
  platform::PlistValue::Dictionary recommendedDefaults() const;
  void load();
  template <class T>
  void readInitial(Setting<T>& setting);
  void migrateStyle();
  void migrateBarHeight();
  void migrateBorders();
  void readItemAlignment();
  void readBundleIDLists();
  void reconcileLaunchAtLogin();

  // Presets and reset: one table of assignments; without a column every setting gets its default.
  void assignBatch(std::optional<size_t> presetColumn);
  void finishBatchPreset();

  bool hasScreenRecordingPermission() const;
  bool isAccessibilityTrusted() const;

  bool correctingLaunchAtLogin_ = false;
  OwnerLifetime lifetime_;
};

}  // namespace pelko
