// Rebuildable sections: each is refilled from its stored rows (and notices made anew) only when the
// signature of its deciding settings changed, so a preset that assigns fifty settings rebuilds a section
// at most as often as its signature changes.

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "settings/SettingsManager.h"
#include "settingswindow/SettingsSectionLayout.h"
#include "settingswindow/SettingsViewController.h"
#include "settingswindow/SettingsViewStyle.h"
#include "ui/Labels.h"
#include "ui/SymbolIcon.h"

namespace pelko {

bool SettingsViewController::rebuildFromLayout(RebuildableSectionID id) {
  auto found = sections_.find(id);
  if (found == sections_.end()) return false;
  SectionState& state = found->second;
  const SectionContent content = sectionContent(id, currentSnapshot());
  if (state.signature && *state.signature == content.signature) return false;
  state.signature = content.signature;
  ++sectionRebuildCount_;
  for (size_t i = 0; i < content.stacks.size() && i < state.stacks.size(); ++i) {
    if (!state.stacks[i]) continue;  // a stack that is gone is left alone
    std::vector<QWidget*> rows;
    for (const std::string& entry : content.stacks[i]) {
      QWidget* row = storedRow(entry);
      if (entry.starts_with("notice.") && (row = makeSectionNotice(entry)))
        row->setObjectName(QString::fromStdString(entry));
      if (row) rows.push_back(row);
    }
    rebuildInnerStack(state.stacks[i], rows);
  }
  resizeWindowToFit();
  return true;
}

std::optional<std::string> SettingsViewController::storedSectionSignature(
    RebuildableSectionID section) const {
  auto found = sections_.find(section);
  if (found == sections_.end()) return std::nullopt;
  return found->second.signature;
}

QWidget* SettingsViewController::sectionStack(RebuildableSectionID section, size_t index) const {
  auto found = sections_.find(section);
  if (found == sections_.end() || index >= found->second.stacks.size()) return nullptr;
  return found->second.stacks[index];
}

QWidget* SettingsViewController::makeAutoHidePlaceholderRow(const QString& text) {
  auto* row = new SettingsNoticeRow();
  row->setMinimumHeight(48);
  auto* layout = new QVBoxLayout(row);
  layout->setContentsMargins(14, 10, 14, 10);
  auto* label = makeWrappingLabel(text, 2);
  applyLabelStyle(*label, {11, QFont::Normal, semanticColor(SemanticColor::secondaryLabel)});
  layout->addWidget(label);
  return row;
}

QWidget* SettingsViewController::makeSectionNotice(std::string_view notice) {
  const Color orange{1.0, 0.584, 0.0, 1.0};
  if (notice == notices::groupingOff)
    return makeNoticeRow(
        {"square.stack.3d.up.slash.fill",
         "Grouping disabled",
         kSettingsBrandColor,
         "Grouping is off. Turn on Group Windows to configure grouped count styles and badges.",
         2,
         50,
         std::nullopt,
         {}});
  if (notice == notices::thumbnailsOff)
    return makeNoticeRow({"info.circle.fill",
                          "Thumbnails info",
                          kSettingsBrandColor,
                          "Enable Show Thumbnails to preview windows when you hover over a taskbar item.",
                          2,
                          50,
                          std::nullopt,
                          {}});
  if (notice == notices::thumbnailPermissionBlocked) {
    QPointer<SettingsViewController> self(this);
    return makeNoticeRow(
        {"exclamationmark.triangle.fill", "Permission required", orange,
         "Screen Recording is optional, but required for Thumbnails because macOS blocks live "
         "window capture without it.",
         3, 58, QString("Open macOS Settings"),
         [self] {
           if (self) self->openScreenRecordingSettings();
         },
         QString("Thumbnails: Open macOS Settings")});
  }
  if (notice == notices::systemTrayOff)
    return makeNoticeRow({"clock.badge.xmark",
                          "System Tray disabled",
                          kSettingsBrandColor,
                          "System Tray is off. Enable it to show clock and battery controls in the taskbar.",
                          2,
                          50,
                          std::nullopt,
                          {}});
  if (notice == notices::systemTrayEmpty)
    return makeNoticeRow({std::nullopt,
                          {},
                          std::nullopt,
                          "System Tray is enabled, but both Clock and Battery are off. Turn one on to show "
                          "content in the tray area.",
                          2,
                          48,
                          std::nullopt,
                          {}});
  if (notice == notices::autoHideOffInfo) {
    const Color yellow{1.0, 0.8, 0.0, 1.0};
    SettingsNoticeRow* row = makeNoticeRow({"lightbulb.fill",
                                            "Auto-Hide info",
                                            yellow,
                                            "Auto-Hide is currently off, so Pelko stays visible at all "
                                            "times. Turn it on to configure reveal delay, "
                                            "dodge windows, and other Auto-Hide behavior.",
                                            0,
                                            58,
                                            std::nullopt,
                                            {}});
    return row;
  }
  if (notice == notices::autoHideRevealHint)
    return makeAutoHidePlaceholderRow("Enable Auto-Hide to configure reveal timing and edge behavior.");
  if (notice == notices::autoHideAutomationHint)
    return makeAutoHidePlaceholderRow(
        "Enable Auto-Hide to configure shortcuts and automatic reveal triggers.");
  if (notice == notices::autoHideWindowsHint)
    return makeAutoHidePlaceholderRow("Enable Auto-Hide to configure animation speed and window resizing.");
  if (notice == notices::dodgeWindowsNote)
    return makeAutoHidePlaceholderRow(
        "Dodge Windows is on, so timer-based delay controls are hidden. The taskbar reveals when windows "
        "overlap it instead.");
  return nullptr;
}

}  // namespace pelko
