// The Behavior page's Maintenance section and the actions that act on the running program rather than
// on one setting: restart the bars, copy diagnostics, open the feedback page, quit, and fit a visible
// Dock around the bar. Each hands its work to the application shell; without the shell the window does
// what it can itself.

#include <QHBoxLayout>
#include <QPushButton>

#include "platform/Clipboard.h"
#include "settings/SettingsManager.h"
#include "settingswindow/SettingsMaintenance.h"
#include "settingswindow/SettingsViewController.h"
#include "ui/PlainText.h"

namespace pelko {

namespace {

QPushButton* makeActionButton(const QString& title, const QString& toolTip) {
  auto* button = new QPushButton(plainButtonTitle(title));
  setPlainToolTip(*button, toolTip);
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

}  // namespace

SettingsSectionBox* SettingsViewController::buildMaintenanceSection() {
  QPointer<SettingsViewController> weakSelf(this);
  auto wire = [this, weakSelf](QPushButton* button, void (SettingsViewController::*action)()) {
    connect(button, &QPushButton::clicked, this, [weakSelf, action] {
      if (weakSelf) (weakSelf.data()->*action)();
    });
    return button;
  };
  QPushButton* feedback =
      wire(makeActionButton("Feedback & Support", "Open the Pelko contact page in your browser"),
           &SettingsViewController::openFeedbackPage);
  QPushButton* diagnostics =
      wire(makeActionButton("Copy Debug Snapshot", "Copy useful diagnostics for bug reports"),
           &SettingsViewController::copyDiagnostics);
  auto* pelko = new QWidget();
  auto* pair = new QHBoxLayout(pelko);
  pair->setContentsMargins(0, 0, 0, 0);
  pair->setSpacing(6);
  pair->addWidget(
      wire(makeActionButton("Restart Pelko", "Restart Pelko"), &SettingsViewController::restartPelko));
  pair->addWidget(wire(makeActionButton("Quit Pelko", "Quit Pelko and restore the Dock"),
                       &SettingsViewController::quitPelko));
  QPushButton* reset =
      wire(makeActionButton("Reset to Defaults", "Reset every Pelko setting to its default value"),
           &SettingsViewController::resetToDefaults);
  SectionBox box = makeSectionBox(
      {
          {"Feedback & Support", feedback, QString("Report bugs, request features, or get help")},
          {"Diagnostics", diagnostics, QString("Copy a quick debug snapshot for issue reports")},
          {"Pelko", pelko, QString("Restart Pelko or quit it cleanly")},
          {"Reset Settings", reset, QString("Restore all settings to their default values")},
      },
      {}, "Maintenance", QString("Maintenance Settings"));
  return box.box;
}

void SettingsViewController::quitPelko() {
  if (deps_.shell && deps_.shell->restoreDockAndQuit) {
    deps_.shell->restoreDockAndQuit();
  } else if (deps_.quitApplication) {
    deps_.quitApplication();
  }
}

void SettingsViewController::restartPelko() {
  if (deps_.shell && deps_.shell->restartPelko) deps_.shell->restartPelko();
}

void SettingsViewController::openFeedbackPage() {
  if (deps_.openFeedbackPage) deps_.openFeedbackPage();
}

void SettingsViewController::copyDiagnostics() {
  bool copied = false;
  if (deps_.shell && deps_.shell->copyDiagnosticsToPasteboard) {
    copied = deps_.shell->copyDiagnosticsToPasteboard();
  } else if (deps_.clipboard) {
    copied = deps_.clipboard->writeText(fallbackDiagnosticsReport(deps_.scheduler.wallClockNow()));
  }
  if (window() == this) return;  // not in a window: no sheet to show
  runAlert(diagnosticsCopyAlert(copied));
}

void SettingsViewController::optimizeVisibleDock() {
  if (!deps_.optimizeVisibleDock) return;
  QPointer<SettingsViewController> weakSelf(this);
  deps_.optimizeVisibleDock(settingsManager_->position.get(), [weakSelf] {
    if (!weakSelf) return;
    weakSelf->dismissedSuggestionKey_.reset();
    weakSelf->refreshDockButtonsState();
    weakSelf->evaluateDockSuggestion();
  });
}

}  // namespace pelko
