// The Behavior page: the Dock integration, the system tray (a rebuildable section), system and start-up
// behaviour with the monitor mode, then the permissions and maintenance sections.

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/SettingsManager.h"
#include "settingswindow/SettingsControlFields.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsSectionLayout.h"
#include "settingswindow/SettingsViewController.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/SemanticColors.h"
#include "ui/WidgetOpacity.h"

namespace pelko {

QWidget* SettingsViewController::buildBehaviorTab() {
  auto* optimize = new QPushButton(plainButtonTitle("Move Away + Enable Auto-Hide"));
  setPlainToolTip(*optimize, "Move the macOS Dock to a non-conflicting edge and turn on macOS auto-hide");
  optimize->setCursor(Qt::PointingHandCursor);
  connect(optimize, &QPushButton::clicked, this, [this] { optimizeVisibleDock(); });
  optimizeDockButton_ = optimize;
  updateDockButtons();
  SectionBox dock = makeSectionBox(
      {rowDescription(controls::dockModeControl),
       {"Visible Dock Setup", optimize,
        QString(
            "When you keep the Dock visible, Pelko can move it away from the current taskbar edge and enable "
            "macOS auto-hide for you.")}},
      {}, "Dock Integration", QString("Dock Integration Settings"));

  for (std::string_view field :
       {controls::showSystemTraySwitch, controls::showBatterySwitch, controls::showTimeSwitch,
        controls::clockFontSizeStepper, controls::trayFontSizeStepper, controls::clockAlignmentControl,
        controls::dateAlignmentControl, controls::showBatteryIconSwitch,
        controls::showBatteryPercentageSwitch, controls::colorCodedBatterySwitch,
        controls::batteryIconStylePopUp})
    makeCatalogRow(field);
  SectionBox tray = makeSectionBox({}, {}, "System Tray", QString("System Tray Settings"));
  sections_[RebuildableSectionID::systemTray] = {{tray.innerStack}, std::nullopt};
  rebuildSystemTraySection();

  // The monitor mode row goes into the section first, as it shows first: rows put in a section later
  // come later in the order the keyboard meets them in too.
  SectionBox system =
      makeSectionBox({},
                     {makeMonitorModeRow(), makeRow(rowDescription(controls::hideInFullscreenSwitch)),
                      makeRow(rowDescription(controls::autoResizeWindowsSwitch)),
                      makeRow(rowDescription(controls::excludeFromCaptureSwitch)),
                      makeRow(rowDescription(controls::launchAtLoginSwitch))},
                     "System & Startup", QString("General Settings"));

  SettingsSectionBox* permissions = buildPermissionsSection();
  SettingsSectionBox* maintenance = buildMaintenanceSection();

  QWidget* content = makeTabContent(
      {{"Dock Integration", QString("Hide the Dock by default or optimize it for visible use"), dock.box},
       {"System Tray", QString("Optional clock and battery controls inside Pelko"), tray.box},
       {"System & Startup", QString("Display behavior, monitor layout, and launch preferences"), system.box},
       {"Permissions", QString("macOS permissions required for advanced features"), permissions},
       {"Maintenance", QString("Diagnostics and app-level actions"), maintenance}});
  QWidget* jump = makeSectionJumpStrip({{"Dock", dock.box},
                                        {"Tray", tray.box},
                                        {"System", system.box},
                                        {"Permissions", permissions},
                                        {"Maintenance", maintenance}});
  return makePageLayout(nullptr, jump, content);
}

void SettingsViewController::rebuildSystemTraySection() {
  if (!rebuildFromLayout(RebuildableSectionID::systemTray)) return;
  const SettingsSnapshot snapshot = currentSnapshot();
  for (std::string_view field :
       {controls::showBatterySwitch, controls::showTimeSwitch, controls::clockFontSizeStepper,
        controls::clockAlignmentControl, controls::dateAlignmentControl, controls::trayFontSizeStepper,
        controls::showBatteryIconSwitch, controls::showBatteryPercentageSwitch,
        controls::colorCodedBatterySwitch, controls::batteryIconStylePopUp})
    setControlEnabledByRule(field, snapshot);
  for (std::string_view stepper : {controls::clockFontSizeStepper, controls::trayFontSizeStepper})
    if (QLabel* label = valueLabel(stepper))
      setWidgetOpacity(*label, isControlEnabled(stepper, snapshot) ? 1.0 : 0.4);
}

QWidget* SettingsViewController::makeMonitorModeRow() {
  auto* container = new QWidget();
  auto* column = new QVBoxLayout(container);
  column->setContentsMargins(0, 0, 0, 10);
  column->setSpacing(4);
  column->addWidget(makeRow("Monitor Mode", control(controls::multiMonitorPopUp), std::nullopt));
  auto* grid = new QGridLayout();
  grid->setContentsMargins(16, 0, 16, 0);
  grid->setVerticalSpacing(6);
  grid->setHorizontalSpacing(8);
  int line = 0;
  for (MultiMonitorMode mode : allCases<MultiMonitorMode>()) {
    auto* name = new QWidget(container);
    auto* nameRow = new QHBoxLayout(name);
    nameRow->setContentsMargins(0, 0, 0, 0);
    nameRow->setSpacing(4);
    nameRow->addWidget(
        makePlainLabel("\u2022", {11, QFont::Normal, semanticColor(SemanticColor::tertiaryLabel)}, name));
    const std::string_view title = displayName(mode);
    nameRow->addWidget(makePlainLabel(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())),
                                      {11, QFont::DemiBold, semanticColor(SemanticColor::secondaryLabel)},
                                      name));
    grid->addWidget(name, line, 0, Qt::AlignRight | Qt::AlignTop);
    const std::string_view text = explanation(mode);
    auto* detail = makeWrappingLabel(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    applyLabelStyle(*detail, {11, QFont::Normal, semanticColor(SemanticColor::tertiaryLabel)});
    grid->addWidget(detail, line, 1);  // no alignment: the label takes the width it wraps for
    ++line;
  }
  grid->setColumnStretch(1, 1);
  column->addLayout(grid);
  return container;
}

}  // namespace pelko
