// The Items page: grouping and window counts, item layout, titles and indicators, thumbnails, and the
// list of hidden applications. Grouping, Display and Thumbnails are rebuildable sections; the hidden
// list is refilled whenever the stored list changes.

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Workspace.h"
#include "settings/SettingsManager.h"
#include "settingswindow/SettingsControlFields.h"
#include "settingswindow/SettingsSectionLayout.h"
#include "settingswindow/SettingsViewController.h"
#include "shell/ShellWindowStyle.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/SemanticColors.h"
#include "ui/Stepper.h"
#include "ui/WidgetOpacity.h"

namespace pelko {

namespace {

// The longest application name a "Remove" button is named with, in UTF-16 units.
constexpr int kRemovedNameLimit = 60;

}  // namespace

QWidget* SettingsViewController::buildItemsTab() {
  for (std::string_view field :
       {controls::groupWindowsSwitch, controls::groupByAppSwitch, controls::showWindowCountSwitch,
        controls::windowCountStylePopUp, controls::badgeColorWell, controls::badgeTextColorWell,
        controls::badgeOpacityStepper})
    makeCatalogRow(field);
  SectionBox grouping = makeSectionBox({}, {}, "Grouping", QString("Grouping Settings"));
  sections_[RebuildableSectionID::grouping] = {{grouping.innerStack}, std::nullopt};
  rebuildGroupingSection();

  SectionBox layout = makeSectionBox(
      {rowDescription(controls::equalWidthSwitch), rowDescription(controls::itemAlignmentControl),
       rowDescription(controls::showTrashIconSwitch)},
      {}, "Layout", QString("Item Layout Settings"));

  for (std::string_view field : {controls::showWindowTitleSwitch, controls::indicateMinimizedSwitch,
                                 controls::indicateHiddenSwitch, controls::showActiveIndicatorSwitch,
                                 controls::activeIndicatorColorWell, controls::activeIndicatorPositionPopUp})
    makeCatalogRow(field);
  SectionBox display = makeSectionBox({}, {}, "Display", QString("Display Settings"));
  sections_[RebuildableSectionID::itemsDisplay] = {{display.innerStack}, std::nullopt};
  rebuildItemsDisplaySection();

  makeCatalogRow(controls::showThumbnailsSwitch);
  makeCatalogRow(controls::thumbnailDelayStepper);
  SectionBox thumbnails = makeSectionBox({}, {}, "Thumbnails", QString("Thumbnail Settings"));
  sections_[RebuildableSectionID::thumbnails] = {{thumbnails.innerStack}, std::nullopt};
  rebuildThumbnailsSection();

  QWidget* hidden = buildBlacklistSection();

  QWidget* content = makeTabContent(
      {{"Grouping", QString("Combine windows and decide how counts appear"), grouping.box},
       {"Layout", QString("How app items fill and align inside the taskbar"), layout.box},
       {"Display", QString("Titles, dimming, and active-state feedback"), display.box},
       {"Thumbnails", QString("Live previews shown when hovering taskbar items"), thumbnails.box},
       {"Blacklisted Apps", QString("Apps hidden from the taskbar. Right-click any item to blacklist it."),
        hidden}});
  QWidget* jump = makeSectionJumpStrip({{"Grouping", grouping.box},
                                        {"Layout", layout.box},
                                        {"Display", display.box},
                                        {"Thumbnails", thumbnails.box},
                                        {"Blacklist", hidden}});
  return makePageLayout(nullptr, jump, content);
}

void SettingsViewController::rebuildGroupingSection() {
  rebuildFromLayout(RebuildableSectionID::grouping);
}

void SettingsViewController::rebuildItemsDisplaySection() {
  rebuildFromLayout(RebuildableSectionID::itemsDisplay);
}

void SettingsViewController::rebuildThumbnailsSection() {
  const bool granted = hasScreenRecordingPermission();
  if (!granted && settingsManager_->showThumbnails.get()) settingsManager_->showThumbnails = false;
  if (QWidget* toggle = control(controls::showThumbnailsSwitch)) {
    toggle->setEnabled(granted);
    setPlainToolTip(*toggle, granted ? "Show live window previews when hovering taskbar items"
                                     : "Grant Screen Recording permission to enable thumbnails");
  }
  if (!rebuildFromLayout(RebuildableSectionID::thumbnails)) return;
  const bool delayEnabled = granted && settingsManager_->showThumbnails.get();
  if (QWidget* stepper = control(controls::thumbnailDelayStepper)) stepper->setEnabled(delayEnabled);
  if (QLabel* label = valueLabel(controls::thumbnailDelayStepper))
    setWidgetOpacity(*label, delayEnabled ? 1.0 : 0.4);
}

QWidget* SettingsViewController::buildBlacklistSection() {
  auto* box = new SettingsSectionBox("Blacklisted Apps");
  box->setAccessibleName("Blacklisted Apps");
  auto* boxLayout = new QVBoxLayout(box);
  boxLayout->setContentsMargins(0, 0, 0, 0);
  auto* stack = new QWidget(box);
  auto* column = new QVBoxLayout(stack);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  boxLayout->addWidget(stack);
  blacklistStack_ = stack;
  rebuildBlacklistSection();
  return box;
}

namespace {

// A hidden application as the list shows it: the name of its bundle on disk and its icon when it can
// be found, else its bundle identifier and no icon.
struct HiddenApp {
  QString name;
  std::optional<platform::AppIcon> icon;
};

HiddenApp describeHiddenApp(platform::Workspace* workspace, const std::string& bundleID) {
  HiddenApp app{QString::fromStdString(bundleID), std::nullopt};
  if (!workspace) return app;
  for (const auto& running : workspace->runningApplications()) {
    if (!running || running->bundleIdentifier() != bundleID) continue;
    const std::optional<std::string> path = running->bundleURL();
    if (!path || path->empty()) continue;
    QString name = QString::fromStdString(*path).section('/', -1, -1, QString::SectionSkipEmpty);
    if (name.endsWith(".app")) name.chop(4);
    if (!name.isEmpty()) app.name = name;
    app.icon = workspace->iconForFile(*path);
    break;
  }
  return app;
}

}  // namespace

void SettingsViewController::rebuildBlacklistSection() {
  if (!blacklistStack_) return;
  auto* column = qobject_cast<QVBoxLayout*>(blacklistStack_->layout());
  if (!column) return;
  while (QLayoutItem* item = column->takeAt(0)) {
    if (QWidget* old = item->widget()) {
      old->hide();
      old->setParent(nullptr);
      old->deleteLater();  // a Remove button may still be inside its own click
    }
    delete item;
  }
  const StringList& hidden = settingsManager_->blacklistedBundleIDs.get();
  if (hidden.empty()) {
    auto* placeholder = new QWidget(blacklistStack_);
    placeholder->setFixedHeight(36);
    auto* layout = new QHBoxLayout(placeholder);
    layout->setContentsMargins(0, 0, 0, 0);
    QLabel* label = makePlainLabel(
        "No blacklisted apps", {11, QFont::Normal, semanticColor(SemanticColor::tertiaryLabel)}, placeholder);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label, 1, Qt::AlignCenter);
    column->addWidget(placeholder);
    return;
  }
  bool first = true;
  for (const std::string& bundleID : hidden) {
    if (!first) addSeparator(blacklistStack_);
    first = false;
    const HiddenApp app = describeHiddenApp(deps_.workspace, bundleID);
    auto* entry = new QWidget(blacklistStack_);
    entry->setFixedHeight(36);
    auto* layout = new QHBoxLayout(entry);
    layout->setContentsMargins(14, 0, 14, 0);
    layout->setSpacing(8);
    auto* icon = new QLabel(entry);
    icon->setFixedSize(20, 20);
    if (app.icon) icon->setPixmap(applicationIconPixmap(*app.icon, firstCharacter(app.name).toUpper(), 20));
    layout->addWidget(icon, 0, Qt::AlignVCenter);
    auto* name = new ElidingLabel(app.name, {13, QFont::Normal, semanticColor(SemanticColor::label)}, entry);
    layout->addWidget(name, 1, Qt::AlignVCenter);
    auto* remove = new QPushButton("Remove", entry);
    remove->setObjectName(QString::fromStdString(bundleID));
    // The name is another program's text inside a sentence of ours.
    remove->setAccessibleName("Remove " + isolatedName(app.name, kRemovedNameLimit));
    QFont small = remove->font();
    small.setPointSizeF(10);
    remove->setFont(small);
    remove->setFlat(true);
    remove->setCursor(Qt::PointingHandCursor);
    QPointer<QPushButton> weakButton(remove);
    connect(remove, &QPushButton::clicked, this, [this, weakButton] {
      if (weakButton) removeBlacklistItem(weakButton->objectName());
    });
    layout->addWidget(remove, 0, Qt::AlignVCenter);
    column->addWidget(entry);
  }
}

void SettingsViewController::removeBlacklistItem(const QString& bundleID) {
  if (bundleID.isEmpty()) return;
  settingsManager_->removeFromBlacklist(bundleID.toStdString());
  if (deps_.forceAppRefresh) deps_.forceAppRefresh();
}

}  // namespace pelko
