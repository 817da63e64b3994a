// The four settings pages through their widgets: the rows each rebuildable section shows for the
// settings, what a user's change writes, what the binding pass writes (nothing but two corrections), the
// corner-radius maximum with presets and the reset, the launch-at-login and thumbnails alerts, the
// hidden-apps list, a change made while the window is closed, and each page drawn in its states.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include "SettingsWindowTestWorld.h"
#include "settings/SettingsManager.h"
#include "settingswindow/SettingValueAccess.h"
#include "settingswindow/SettingsControlCatalog.h"
#include "settingswindow/SettingsSectionLayout.h"
#include "ui/ColorPanel.h"
#include "ui/ColorWell.h"
#include "ui/Labels.h"
#include "ui/PopUpButton.h"
#include "ui/QtAlerts.h"
#include "ui/QtColor.h"
#include "ui/SegmentedControl.h"
#include "ui/SemanticColors.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"
#include "ui/WidgetOpacity.h"

namespace pelko::test {
namespace {

class SettingsPagesTest : public SettingsWindowTest {
 protected:
  bool screenRecordingGranted = true;
  int appRefreshes = 0;
  int storeWrites = 0;
  CancellableBag watch;

  SettingsViewController& openPages() {
    system.settings->objectWillChange.sink([this](const auto&) { ++storeWrites; }).store(watch);
    SettingsViewController::Dependencies deps = viewDependencies();
    deps.hasScreenRecordingPermission = [this] { return screenRecordingGranted; };
    deps.workspace = &system.mac.workspace();
    deps.launchAtLogin = &system.launchAtLogin;
    deps.permissions = &system.mac.permissions();
    deps.forceAppRefresh = [this] { ++appRefreshes; };
    auto* content = new SettingsViewController(system.settings, deps);
    controller = std::make_unique<SettingsWindowController>(
        SettingsWindowController::Dependencies{system.scheduler, system.defaults, system.mac.workspace(),
                                               system.mac.appShell(), &system.mac.screens()},
        content);
    return *content;
  }

  // The names of the rows a stack shows, in order (separators left out).
  static QStringList rowsOf(QWidget* stack) {
    QStringList names;
    if (!stack || !stack->layout()) return names;
    for (int i = 0; i < stack->layout()->count(); ++i)
      if (QWidget* row = stack->layout()->itemAt(i)->widget())
        if (!row->objectName().isEmpty()) names << row->objectName();
    return names;
  }

  void settle() { system.scheduler.runUntilIdle(); }

  // Closes the window and puts every setting back to its default, the batch run to its end.
  void closeAndReset() {
    controller.reset();
    watch.clear();
    system.settings->resetToDefaults();
    system.scheduler.advance(1);
    settle();
    // What the event loop would free by now: rows the rebuilt sections let go of.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

TEST_F(SettingsPagesTest, EveryRebuildableSectionShowsTheRowsOfItsSettings) {
  using ID = RebuildableSectionID;
  struct Case {
    const char* name;
    void (*change)(SettingsManager&);
    ID section;
    size_t stack;
    std::string signature;
    QStringList rows;
  };
  const auto none = [](SettingsManager&) {};
  const Case cases[] = {
      {"text on a bottom bar",
       none,
       ID::appearanceContent,
       0,
       "iconsTextRight|1",
       {"appearanceStyleRow", "appearanceTaskbarSizeRow", "appearanceIconSizeRow",
        "appearanceItemTextSizeRow", "appearanceMaxTaskWidthRow", "appearanceItemSpacingRow"}},
      {"icons only on a bottom bar",
       [](SettingsManager& m) { m.style = TaskbarStyle::iconsOnly; },
       ID::appearanceContent,
       0,
       "icons|1",
       {"appearanceStyleRow", "appearanceTaskbarSizeRow", "appearanceIconSizeRow",
        "appearanceItemSpacingRow"}},
      {"text on a left bar",
       [](SettingsManager& m) { m.position = TaskbarPosition::left; },
       ID::appearanceContent,
       0,
       "iconsTextRight|0",
       {"appearanceStyleRow", "appearanceTaskbarSizeRow", "appearanceIconSizeRow",
        "appearanceItemTextSizeRow", "appearanceItemSpacingRow"}},
      {"a top border",
       none,
       ID::appearanceBorders,
       0,
       "1",
       {"appearanceBorderEdgesRow", "appearanceBorderColorRow", "appearanceBorderOpacityRow",
        "appearanceBorderWidthRow", "appearanceCornerRadiusRow"}},
      {"no border",
       [](SettingsManager& m) { m.borderTop = false; },
       ID::appearanceBorders,
       0,
       "0",
       {"appearanceBorderEdgesRow", "appearanceCornerRadiusRow"}},
      {"grouping off",
       [](SettingsManager& m) { m.groupWindows = false; },
       ID::grouping,
       0,
       "0|1|badge",
       {"groupWindowsRow", "groupByAppRow", "showWindowCountRow", "notice.groupingOff"}},
      {"counts off",
       [](SettingsManager& m) { m.showWindowCount = false; },
       ID::grouping,
       0,
       "1|0|badge",
       {"groupWindowsRow", "groupByAppRow", "showWindowCountRow"}},
      {"dots",
       [](SettingsManager& m) { m.windowCountStyle = WindowCountStyle::dots; },
       ID::grouping,
       0,
       "1|1|dots",
       {"groupWindowsRow", "groupByAppRow", "showWindowCountRow", "windowCountStyleRow"}},
      {"badge",
       none,
       ID::grouping,
       0,
       "1|1|badge",
       {"groupWindowsRow", "groupByAppRow", "showWindowCountRow", "windowCountStyleRow", "badgeColorRow",
        "badgeTextColorRow", "badgeOpacityRow"}},
      {"indicator on",
       none,
       ID::itemsDisplay,
       0,
       "1",
       {"showWindowTitleRow", "indicateMinimizedRow", "indicateHiddenRow", "showActiveIndicatorRow",
        "activeIndicatorColorRow", "activeIndicatorPositionRow"}},
      {"indicator off",
       [](SettingsManager& m) { m.showActiveIndicator = false; },
       ID::itemsDisplay,
       0,
       "0",
       {"showWindowTitleRow", "indicateMinimizedRow", "indicateHiddenRow", "showActiveIndicatorRow"}},
      {"thumbnails on", none, ID::thumbnails, 0, "1|1", {"showThumbnailsRow", "thumbnailDelayRow"}},
      {"thumbnails off",
       [](SettingsManager& m) { m.showThumbnails = false; },
       ID::thumbnails,
       0,
       "1|0",
       {"showThumbnailsRow", "notice.thumbnailsOff"}},
      {"tray off", none, ID::systemTray, 0, "0|1|1|1", {"showSystemTrayRow", "notice.systemTrayOff"}},
      {"tray with both",
       [](SettingsManager& m) { m.showSystemTray = true; },
       ID::systemTray,
       0,
       "1|1|1|1",
       {"showSystemTrayRow", "showTimeRow", "showBatteryRow", "clockFontSizeRow", "clockAlignmentRow",
        "dateAlignmentRow", "showBatteryIconRow", "batteryIconStyleRow", "showBatteryPercentageRow",
        "colorCodedBatteryRow", "trayFontSizeRow"}},
      {"tray with neither",
       [](SettingsManager& m) { m.showSystemTray = true, m.showTime = false, m.showBattery = false; },
       ID::systemTray,
       0,
       "1|0|0|1",
       {"showSystemTrayRow", "showTimeRow", "showBatteryRow", "notice.systemTrayEmpty"}},
      {"battery without icon",
       [](SettingsManager& m) { m.showSystemTray = true, m.showTime = false, m.showBatteryIcon = false; },
       ID::systemTray,
       0,
       "1|1|0|0",
       {"showSystemTrayRow", "showTimeRow", "showBatteryRow", "showBatteryIconRow",
        "showBatteryPercentageRow", "colorCodedBatteryRow", "trayFontSizeRow"}},
      {"auto-hide off", none, ID::autoHide, 0, "0|0", {"autoHideMainRow", "notice.autoHideOffInfo"}},
      {"auto-hide off, reveal", none, ID::autoHide, 1, "0|0", {"notice.autoHideRevealHint"}},
      {"auto-hide on",
       [](SettingsManager& m) { m.autoHide = true; },
       ID::autoHide,
       0,
       "1|0",
       {"autoHideMainRow", "autoHidePinnedRow", "autoHideFullscreenOnlyRow"}},
      {"auto-hide on, reveal",
       [](SettingsManager& m) { m.autoHide = true; },
       ID::autoHide,
       1,
       "1|0",
       {"autoHideDodgeWindowsRow", "autoHideDelayRow", "autoHideSmartDelayRow", "autoHideActivationDelayRow",
        "autoHideDragRevealRow", "autoHidePeekRevealRow"}},
      {"dodge, reveal",
       [](SettingsManager& m) { m.autoHide = true, m.autoHideDodgeWindows = true; },
       ID::autoHide,
       1,
       "1|1",
       {"autoHideDodgeWindowsRow", "notice.dodgeWindowsNote", "autoHideActivationDelayRow",
        "autoHideDragRevealRow", "autoHidePeekRevealRow"}},
      {"auto-hide on, motion",
       [](SettingsManager& m) { m.autoHide = true; },
       ID::autoHide,
       3,
       "1|0",
       {"autoHideAnimationRow", "autoHideAnimationSpeedRow", "autoHideResizeWindowsRow"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    closeAndReset();
    SettingsViewController& view = openPages();
    settle();
    c.change(*system.settings);  // reaches the section through the bindings
    settle();
    EXPECT_EQ(view.storedSectionSignature(c.section), c.signature);
    EXPECT_EQ(rowsOf(view.sectionStack(c.section, c.stack)), c.rows);
    controller.reset();
  }
}

TEST_F(SettingsPagesTest, AUserChangeWritesItsSettingAndItsLabel) {
  SettingsViewController& view = openPages();
  settle();
  SettingsManager& m = *system.settings;
  struct Case {
    const char* field;
    std::function<void(QWidget*)> act;
    std::function<bool()> stored;
    QString label;  // empty: no value label
  };
  auto stepUp = [](int times) {
    return [times](QWidget* w) {
      for (int i = 0; i < std::abs(times); ++i) qobject_cast<Stepper*>(w)->stepByUser(times > 0 ? 1 : -1);
    };
  };
  auto choose = [](int index) {
    return [index](QWidget* w) { emit qobject_cast<QComboBox*>(w)->activated(index); };
  };
  auto segment = [](int index) {
    return [index](QWidget* w) { qobject_cast<SegmentedControl*>(w)->selectByUser(index); };
  };
  const Case cases[] = {
      {"floatingBarSwitch", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Space); },
       [&] { return m.floatingBar.get(); }, ""},
      {"borderBottomCheck", [](QWidget* w) { qobject_cast<QCheckBox*>(w)->click(); },
       [&] { return m.borderBottom.get(); }, ""},
      {"backgroundColorWell",
       [](QWidget* w) {
         qobject_cast<ColorWell*>(w)->takeColorFromPanel({1, 0, 0, 1});
       },
       [&] {
         return m.backgroundColor.get() == Color{1, 0, 0, 1};
       },
       ""},
      {"taskbarSizeStepper", stepUp(1), [&] { return m.taskbarSize.get() == 105; }, "105% (36 pt)"},
      {"iconSizeStepper", stepUp(-1), [&] { return m.iconSize.get() == 95; }, "95%"},
      {"borderWidthStepper", stepUp(1), [&] { return m.borderWidth.get() == 1.0; }, "1.0 pt"},
      {"thumbnailDelayStepper", stepUp(1), [&] { return m.thumbnailDelay.get() == 0.5; }, "500 ms"},
      {"autoHideDelayStepper", stepUp(1), [&] { return m.autoHideDelay.get() == 0.6; }, "0.6 s"},
      {"autoHideActivationDelayStepper",
       [&](QWidget* w) {
         stepUp(3)(w);
         stepUp(-3)(w);
       },
       [&] { return m.autoHideActivationDelay.get() == 0; }, "Instant"},
      {"autoHideAnimationSpeedStepper", stepUp(1), [&] { return m.autoHideAnimationSpeed.get() == 0.75; },
       "0.75x"},
      {"stylePopUp", choose(0), [&] { return m.style.get() == TaskbarStyle::iconsOnly; }, ""},
      {"autoHideAnimationPopUp", choose(1),
       [&] { return m.autoHideAnimation.get() == AutoHideAnimation::fade; }, ""},
      {"activeIndicatorPositionPopUp", choose(3), [&] { return m.activeIndicatorPosition.get() == "right"; },
       ""},
      {"positionControl", segment(1), [&] { return m.position.get() == TaskbarPosition::top; }, ""},
      {"itemAlignmentControl", segment(1),
       [&] { return m.itemAlignment.get() == ItemAlignment::center && m.centerItems.get(); }, ""},
      {"itemAlignmentControl", segment(2),
       [&] { return m.itemAlignment.get() == ItemAlignment::right && !m.centerItems.get(); }, ""},
      {"clockAlignmentControl", segment(0), [&] { return m.clockAlignment.get() == ItemAlignment::left; },
       ""},
      {"dockModeControl", segment(1), [&] { return !m.fullyHideDock.get(); }, ""},
      // No selection is no mode: the Dock stays as it is.
      {"dockModeControl",
       [](QWidget* w) { emit qobject_cast<SegmentedControl*>(w)->segmentSelectedByUser(-1); },
       [&] { return !m.fullyHideDock.get(); }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    QWidget* control = view.control(c.field);
    ASSERT_NE(control, nullptr);
    control->setEnabled(true);  // the table acts on every family, whatever the rules say now
    c.act(control);
    EXPECT_TRUE(c.stored());
    if (!c.label.isEmpty()) {
      EXPECT_EQ(view.valueLabel(c.field)->text(), c.label);
    }
    settle();
  }
  EXPECT_TRUE(alerts.shown.empty());
  // The six pop-ups are the kit's, which a wheel step passing over them does not change.
  int popUps = 0;
  for (const SettingsControlEntry& entry : settingsControlCatalog())
    if (entry.kind == SettingsControlKind::enumPopUp || entry.kind == SettingsControlKind::titlePopUp)
      popUps += view.control<PopUpButton>(entry.field) != nullptr;
  EXPECT_EQ(popUps, 6);
}

// A press moves the value by the stepper's increment from where it stands, clamped to the range; only
// the rows whose action rounds (whole numbers, half points, 50 ms, tenths of a second, 0.05 s, 0.25x)
// round what the press reached.
TEST_F(SettingsPagesTest, AStepperPressAddsItsIncrementFromWhereTheValueStands) {
  SettingsViewController& view = openPages();
  settle();
  struct Case {
    const char* field;
    SettingID setting;
    double start;
    int press;  // +1 up, -1 down
    double stored;
  };
  const Case cases[] = {
      {"backgroundOpacityStepper", SettingID::backgroundOpacity, 92, -1, 87},
      {"backgroundOpacityStepper", SettingID::backgroundOpacity, 92, +1, 97},
      {"backgroundOpacityStepper", SettingID::backgroundOpacity, 98, +1, 100},
      {"taskbarSizeStepper", SettingID::taskbarSize, 124, +1, 129},
      {"taskbarSizeStepper", SettingID::taskbarSize, 124, -1, 119},
      {"iconSizeStepper", SettingID::iconSize, 52, -1, 50},
      {"maxTaskWidthStepper", SettingID::maxTaskWidth, 185, +1, 195},
      {"marginHStepper", SettingID::marginHorizontal, 7, +1, 9},
      {"marginVStepper", SettingID::marginVertical, 7, -1, 5},
      {"badgeOpacityStepper", SettingID::badgeOpacity, 33, +1, 38},
      {"cornerRadiusStepper", SettingID::cornerRadius, 3.6, +1, 5},
      {"itemTextSizeStepper", SettingID::itemTextSize, 16, +1, 16},
      {"borderWidthStepper", SettingID::borderWidth, 1.3, +1, 2.0},
      {"thumbnailDelayStepper", SettingID::thumbnailDelay, 0.43, +1, 0.5},
      {"autoHideDelayStepper", SettingID::autoHideDelay, 0.47, +1, 0.6},
      {"autoHideActivationDelayStepper", SettingID::autoHideActivationDelay, 0.13, +1, 0.2},
      {"autoHideAnimationSpeedStepper", SettingID::autoHideAnimationSpeed, 0.7, +1, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " from " + std::to_string(c.start));
    auto* setting = settingOfType<double>(findSetting(*system.settings, c.setting));
    ASSERT_NE(setting, nullptr);
    *setting = c.start;
    settle();  // the binding shows the value in the stepper
    auto* stepper = view.control<Stepper>(c.field);
    ASSERT_NE(stepper, nullptr);
    stepper->setEnabled(true);  // whatever the rules say now
    QTest::keyClick(stepper, c.press > 0 ? Qt::Key_Up : Qt::Key_Down);
    EXPECT_DOUBLE_EQ(setting->get(), c.stored);
    settle();
  }
  // The Dock preset leaves the bar at 124%: a press up gives 129%.
  system.settings->applyPreset(TaskbarPresetID::dock);
  system.scheduler.advance(1);
  settle();
  ASSERT_EQ(system.settings->taskbarSize.get(), 124);
  auto* taskbarSize = view.control<Stepper>("taskbarSizeStepper");
  ASSERT_NE(taskbarSize, nullptr);
  QTest::keyClick(taskbarSize, Qt::Key_Up);
  EXPECT_EQ(system.settings->taskbarSize.get(), 129);
}

// The Grouping section hides the count's row when grouping is off; the binding disables the switch
// itself too, so no other road (search, the keyboard) reaches it, and leaves its state alone.
TEST_F(SettingsPagesTest, TurningGroupingOffDisablesTheWindowCountSwitchThroughItsBinding) {
  system.settings->showWindowCount = true;
  SettingsViewController& view = openPages();
  settle();
  auto* count = view.control<Switch>("showWindowCountSwitch");
  ASSERT_NE(count, nullptr);
  EXPECT_TRUE(count->isEnabled());
  for (bool grouped : {false, true, false}) {
    system.settings->groupWindows = grouped;
    settle();
    EXPECT_EQ(count->isEnabled(), grouped);
    EXPECT_TRUE(count->isOn());
    EXPECT_TRUE(system.settings->showWindowCount.get());
  }
}

// Key by key into the colour panel's "HTML" field, the store answering each pick between two keys as
// the event loop brings it: the colour typed is the colour stored, and the field keeps what was typed.
TEST_F(SettingsPagesTest, AColourTypedInThePanelIsTheColourStored) {
  SettingsViewController& view = openPages();
  settle();
  auto* well = view.control<ColorWell>("backgroundColorWell");
  ASSERT_NE(well, nullptr);
  ColorPanel& panel = ColorPanel::shared();
  panel.activate(well);
  QLineEdit* html = nullptr;
  for (QLabel* label : panel.findChildren<QLabel*>())
    if (label->text().remove('&') == "HTML:") html = qobject_cast<QLineEdit*>(label->buddy());
  ASSERT_NE(html, nullptr);
  html->selectAll();
  for (QChar key : QString("#803020")) {
    QTest::keyClicks(html, QString(key));
    settle();
  }
  EXPECT_EQ(html->text().toStdString(), "#803020");
  EXPECT_EQ(toQColor(system.settings->backgroundColor.get()).name().toStdString(), "#803020");
  panel.close();
}

TEST_F(SettingsPagesTest, TheBindingPassWritesNothingButItsTwoCorrections) {
  struct Case {
    const char* name;
    void (*before)(SettingsManager&);
    bool permission;
    int writes;
    void (*check)(SettingsManager&);
  };
  const Case cases[] = {
      {"defaults", [](SettingsManager&) {}, true, 0,
       [](SettingsManager& m) { EXPECT_EQ(m.cornerRadius.get(), 0); }},
      {"a radius too large for the bar", [](SettingsManager& m) { m.cornerRadius = 20; }, true, 1,
       [](SettingsManager& m) { EXPECT_EQ(m.cornerRadius.get(), 17); }},
      {"thumbnails without permission", [](SettingsManager&) {}, false, 1,
       [](SettingsManager& m) { EXPECT_FALSE(m.showThumbnails.get()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    closeAndReset();
    c.before(*system.settings);
    screenRecordingGranted = c.permission;
    storeWrites = 0;
    SettingsViewController& view = openPages();
    settle();
    EXPECT_EQ(storeWrites, c.writes);
    c.check(*system.settings);
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(view.valueLabel("cornerRadiusStepper")->text(),
              QString("%1 pt").arg(static_cast<int>(system.settings->cornerRadius.get())));
  }
}

TEST_F(SettingsPagesTest, CornerRadiusFollowsTheBarThroughPresetsAndTheReset) {
  SettingsViewController& view = openPages();
  settle();
  SettingsManager& m = *system.settings;
  auto* radius = view.control<Stepper>("cornerRadiusStepper");
  struct Case {
    TaskbarPosition position;
    double size;
    double maximum;
  };
  for (const Case& c : {Case{TaskbarPosition::bottom, 100, 17}, Case{TaskbarPosition::bottom, 50, 13},
                        Case{TaskbarPosition::left, 150, 36}, Case{TaskbarPosition::bottom, 90, 15}}) {
    m.position = c.position;
    m.taskbarSize = c.size;
    settle();
    EXPECT_EQ(radius->maximum(), c.maximum) << c.size;
    // A user at the top of the stepper never goes past the maximum.
    radius->setValue(c.maximum);
    radius->stepByUser(1);
    EXPECT_EQ(m.cornerRadius.get(), 0) << "no step above the maximum is stored";
  }
  struct Batch {
    const char* name;
    std::function<void()> apply;
    double radius;
  };
  const Batch batches[] = {{"reset", [&] { m.resetToDefaults(); }, 0},
                           {"minimal", [&] { m.applyPreset(TaskbarPresetID::minimal); }, 10}};
  for (const Batch& b : batches) {
    m.position = TaskbarPosition::bottom;
    m.taskbarSize = 150;
    settle();
    m.cornerRadius = 25;
    settle();
    ASSERT_EQ(radius->value(), 25);
    b.apply();
    system.scheduler.advance(1);
    settle();
    EXPECT_EQ(m.cornerRadius.get(), b.radius) << b.name;
    EXPECT_EQ(radius->value(), b.radius) << b.name;
  }
}

TEST_F(SettingsPagesTest, LaunchAtLoginAlerts) {
  SettingsViewController& view = openPages();
  settle();
  auto* toggle = view.control<Switch>("launchAtLoginSwitch");
  // Refused by the system and no launch agent can be written: a warning, and the switch shows off.
  system.loginItems.failRegister = true;
  system.fileSystem.failWrite = true;
  system.fileSystem.failCreateDirectories = true;
  alerts.scriptedAnswers = {1};
  QTest::keyClick(toggle, Qt::Key_Space);
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0].messageText, "Could Not Enable Launch at Login");
  EXPECT_EQ(alerts.shown[0].style, platform::AlertContent::Style::warning);
  EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"Open System Settings", "OK"}));
  EXPECT_EQ(alerts.shown[0].cancelButton, 1);
  // The alert belongs to the settings window and comes above it.
  EXPECT_EQ(alerts.owners[0], alertOwner(controller->window()));
  EXPECT_FALSE(toggle->isOn());
  EXPECT_FALSE(system.settings->launchAtLogin.get());

  // Registered but awaiting approval: the approval alert once per window, and turning off shows none.
  system.loginItems.failRegister = false;
  system.loginItems.approvalRequiredOnRegister = true;
  alerts.shown.clear();
  alerts.scriptedAnswers = {1};
  QTest::keyClick(toggle, Qt::Key_Space);
  settle();
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0].messageText, "Approve Launch at Login");
  EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"Open System Settings", "Later"}));
  EXPECT_TRUE(toggle->isOn());
  QTest::keyClick(toggle, Qt::Key_Space);
  settle();
  QTest::keyClick(toggle, Qt::Key_Space);
  settle();
  EXPECT_EQ(alerts.shown.size(), 1u);
  EXPECT_TRUE(system.settings->launchAtLogin.get());
}

// Where a refused login item is the end of it (a desktop starts no launch agents), no file stands in for
// it: the switch shows off, the warning says so, and its first button opens the login items' place.
TEST_F(SettingsPagesTest, ALoginItemRefusedWhereNothingElseStartsTheProgramIsReportedAndItsPlaceOpened) {
  SettingsViewController& view = openPages();
  settle();
  auto* toggle = view.control<Switch>("launchAtLoginSwitch");
  system.loginItems.failRegister = true;
  system.loginItems.launchAgentsStarted = false;
  system.loginItems.settingsPane = {"/home/someone/.config"};
  alerts.scriptedAnswers = {0};
  QTest::keyClick(toggle, Qt::Key_Space);
  settle();
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0].messageText, "Could Not Enable Launch at Login");
  // The sentence names what the first button opens, not a pane of System Settings.
  EXPECT_EQ(alerts.shown[0].informativeText,
            "Pelko couldn't register Launch at Login automatically. \"Open System Settings\" opens your "
            "autostart folder (usually ~/.config/autostart, or the nearest folder above it that exists), "
            "where your desktop finds the programs it starts at login.");
  EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"Open System Settings", "OK"}));
  EXPECT_FALSE(toggle->isOn());
  EXPECT_FALSE(system.settings->launchAtLogin.get());
  EXPECT_EQ(system.defaults.storedObject("PelkoLaunchAtLogin"), platform::PlistValue(false));
  EXPECT_EQ(system.fileSystem.writeCount, 0);
  EXPECT_EQ(system.mac.openedURLs(), std::vector<std::string>{"/home/someone/.config"});
}

TEST_F(SettingsPagesTest, ThumbnailsWithoutScreenRecordingAskEveryTime) {
  screenRecordingGranted = false;
  system.mac.permissions().screenCaptureGranted = false;
  SettingsViewController& view = openPages();
  settle();
  auto* toggle = view.control<Switch>("showThumbnailsSwitch");
  EXPECT_FALSE(toggle->isEnabled());
  EXPECT_EQ(view.storedSectionSignature(RebuildableSectionID::thumbnails), "0|0");
  toggle->setEnabled(true);  // a click that arrives all the same
  alerts.scriptedAnswers = {1, 0};
  for (int attempt = 1; attempt <= 2; ++attempt) {
    QTest::keyClick(toggle, Qt::Key_Space);
    EXPECT_FALSE(toggle->isOn());
    EXPECT_FALSE(system.settings->showThumbnails.get());
    ASSERT_EQ(alerts.shown.size(), static_cast<size_t>(attempt));
    EXPECT_EQ(alerts.shown.back().messageText, "Screen Recording Permission Needed");
    EXPECT_EQ(alerts.shown.back().style, platform::AlertContent::Style::informational);
    toggle->setEnabled(true);
  }
  // Only the first button asks for the permission.
  EXPECT_EQ(system.mac.permissions().screenCaptureRequestCount, 1);
}

TEST_F(SettingsPagesTest, RemovingHiddenApplications) {
  system.settings->blacklistedBundleIDs = StringList{"com.example.one", "com.example.two"};
  SettingsViewController& view = openPages();
  settle();
  auto removeButton = [&](const QString& id) { return view.blacklistStack()->findChild<QPushButton*>(id); };
  auto entries = [&] { return view.blacklistStack()->findChildren<QPushButton*>().size(); };
  EXPECT_EQ(entries(), 2);
  ASSERT_NE(removeButton("com.example.one"), nullptr);
  removeButton("com.example.one")->click();
  EXPECT_EQ(system.settings->blacklistedBundleIDs.get(), StringList{"com.example.two"});
  EXPECT_EQ(appRefreshes, 1);
  settle();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(entries(), 1);
  view.removeBlacklistItem("");  // a button without an identifier
  EXPECT_EQ(appRefreshes, 1);
  removeButton("com.example.two")->click();
  settle();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(entries(), 0);
  auto labels = view.blacklistStack()->findChildren<QLabel*>();
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels[0]->text(), "No blacklisted apps");
}

// A hidden application's name is another program's text: its "Remove" button is named with it as every
// such text is shown, without the direction override or line break it may carry.
TEST_F(SettingsPagesTest, ARemoveButtonNamesItsApplicationFiltered) {
  const std::string hostile = "com.example.\u202Eppa.exe\nnext";
  system.settings->blacklistedBundleIDs = StringList{hostile};
  SettingsViewController& view = openPages();
  settle();
  auto* remove = view.blacklistStack()->findChild<QPushButton*>(QString::fromStdString(hostile));
  ASSERT_NE(remove, nullptr);
  EXPECT_EQ(remove->accessibleName(), "Remove com.example.ppa.exe next");
  auto* name = view.blacklistStack()->findChild<ElidingLabel*>();
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->fullText(), "com.example.ppa.exe next");
}

TEST_F(SettingsPagesTest, AChangeMadeWhileTheWindowIsClosedShowsWhenItOpens) {
  SettingsViewController& view = openPages();
  controller->showSettings();
  settle();
  controller->window()->close();
  settle();
  system.settings->taskbarSize = 120;
  system.settings->showSystemTray = true;
  system.settings->borderTop = false;
  settle();
  controller->showSettings();
  settle();
  EXPECT_EQ(view.valueLabel("taskbarSizeStepper")->text(), "120% (41 pt)");
  EXPECT_EQ(view.control<Stepper>("taskbarSizeStepper")->value(), 120);
  EXPECT_TRUE(view.control<Switch>("showSystemTraySwitch")->isOn());
  EXPECT_TRUE(view.control("showTimeSwitch")->isEnabled());
  EXPECT_FALSE(view.control("borderColorWell")->isEnabled());
  EXPECT_EQ(widgetOpacity(*view.valueLabel("borderWidthStepper")), 0.4);
  EXPECT_EQ(rowsOf(view.sectionStack(RebuildableSectionID::appearanceBorders)),
            (QStringList{"appearanceBorderEdgesRow", "appearanceCornerRadiusRow"}));
}

}  // namespace
}  // namespace pelko::test

namespace pelko::test {
namespace {

// Each page whole, in the states a person checks, in both rendering modes: PNG files under the build
// folder ("settingswindow-renders/pages-*.png"). A state that hides rows draws a shorter page.
// Rows a section stores but does not show (the auto-hide rows while auto-hide is off) have no parent:
// closing the window frees them with the rest.
TEST_F(SettingsPagesTest, ClosingTheWindowFreesEveryRowItBuilt) {
  const qsizetype before = QApplication::allWidgets().size();
  SettingsViewController& view = openPages();
  controller->showSettings();
  view.selectTab(3);
  system.settings->autoHide = true;
  settle();
  system.settings->autoHide = false;
  settle();
  closeAndReset();
  QStringList left;
  for (QWidget* widget : QApplication::allWidgets()) left << widget->objectName();
  EXPECT_EQ(QApplication::allWidgets().size(), before) << left.join(' ').toStdString();
}

TEST_F(SettingsPagesTest, PagesRenderInTheirStates) {
  struct State {
    const char* name;
    int page;
    std::function<void(SettingsManager&)> change;
    bool permission = true;
  };
  const State states[] = {
      {"appearance-default", 0, [](SettingsManager&) {}},
      {"appearance-icons-left-no-borders", 0,
       [](SettingsManager& m) {
         m.style = TaskbarStyle::iconsOnly;
         m.position = TaskbarPosition::left;
         m.borderTop = false;
       }},
      {"items-default", 1, [](SettingsManager&) {}},
      {"items-grouping-off", 1, [](SettingsManager& m) { m.groupWindows = false; }},
      {"items-badge-and-hidden-apps", 1,
       [](SettingsManager& m) {
         m.blacklistedBundleIDs = StringList{"com.example.notes", "com.example.mail"};
       }},
      {"items-permission-missing", 1, [](SettingsManager&) {}, false},
      {"behavior-tray-off", 2, [](SettingsManager&) {}},
      {"behavior-tray-both", 2, [](SettingsManager& m) { m.showSystemTray = true; }},
      {"behavior-tray-neither", 2,
       [](SettingsManager& m) { m.showSystemTray = true, m.showTime = false, m.showBattery = false; }},
      {"autohide-off", 3, [](SettingsManager&) {}},
      {"autohide-on", 3, [](SettingsManager& m) { m.autoHide = true; }},
      {"autohide-dodge", 3, [](SettingsManager& m) { m.autoHide = true, m.autoHideDodgeWindows = true; }},
  };
  std::map<std::string, int> heights;
  for (const State& state : states) {
    for (double scale : {2.0, 1.0}) {
      SCOPED_TRACE(state.name);
      closeAndReset();
      screenRecordingGranted = state.permission;
      setScale(scale);
      SettingsViewController& view = openPages();
      controller->window()->resize(980, 760);
      controller->showSettings();
      state.change(*system.settings);
      view.selectTab(state.page);
      settle();
      QCoreApplication::processEvents();
      QWidget* page = view.tabViews()[static_cast<size_t>(state.page)];
      page->resize(view.scrollView()->viewport()->width(), page->sizeHint().height());
      page->layout()->activate();
      QImage image(page->size(), QImage::Format_ARGB32_Premultiplied);
      image.fill(toQColor(semanticColor(SemanticColor::windowBackground)));
      page->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
      heights[state.name] = image.height();
      save(image, QString("pages-%1-%2.png").arg(state.name, scale == 2.0 ? "standard" : "low-density"));
    }
  }
  EXPECT_LT(heights["items-grouping-off"], heights["items-default"]);
  EXPECT_LT(heights["behavior-tray-off"], heights["behavior-tray-neither"]);
  EXPECT_LT(heights["behavior-tray-neither"], heights["behavior-tray-both"]);
  EXPECT_LT(heights["autohide-off"], heights["autohide-on"]);
  EXPECT_LT(heights["appearance-icons-left-no-borders"], heights["appearance-default"]);
}

}  // namespace
}  // namespace pelko::test
