// The frames of the first four pages: each page's sections with their headings and boxes, and the
// "Jump To" strip. The rows inside the boxes are added by each page's own builder.

#include <QWidget>

#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsViewController.h"

namespace pelko {

namespace {

struct SectionFrame {
  const char* title;
  const char* subtitle;
  const char* accessibilityLabel;  // null: none
  const char* jumpTitle;
};

const std::vector<SectionFrame>& sectionsOf(int page) {
  static const std::vector<std::vector<SectionFrame>> pages = {
      {
          {"Placement", "Where the taskbar sits and how much space it reserves", "Placement Settings",
           "Placement"},
          {"Content & Density", "How apps are presented and scaled inside the bar",
           "Content and Density Settings", "Content"},
          {"Surface", "Background material, color, and opacity", "Surface Settings", "Surface"},
          {"Borders & Shape", "Outline edges and corner rounding", "Borders and Shape Settings", "Borders"},
      },
      {
          {"Grouping", "Combine windows and decide how counts appear", "Grouping Settings", "Grouping"},
          {"Layout", "How app items fill and align inside the taskbar", "Item Layout Settings", "Layout"},
          {"Display", "Titles, dimming, and active-state feedback", "Display Settings", "Display"},
          {"Thumbnails", "Live previews shown when hovering taskbar items", "Thumbnail Settings",
           "Thumbnails"},
          {"Blacklisted Apps", "Apps hidden from the taskbar. Right-click any item to blacklist it.", nullptr,
           "Blacklist"},
      },
      {
          {"Dock Integration", "Hide the Dock by default or optimize it for visible use",
           "Dock Integration Settings", "Dock"},
          {"System Tray", "Optional clock and battery controls inside Pelko", "System Tray Settings", "Tray"},
          {"System & Startup", "Display behavior, monitor layout, and launch preferences", "General Settings",
           "System"},
          {"Permissions", "macOS permissions required for advanced features", nullptr, "Permissions"},
          {"Maintenance", "Diagnostics and app-level actions", "Maintenance Settings", "Maintenance"},
      },
      {
          {"Core", "Turn auto-hide on and decide when it applies", "Auto-Hide Core Settings", "Core"},
          {"Reveal", "How the taskbar comes back once hidden", "Auto-Hide Reveal Settings", "Reveal"},
          {"Automation", "Automatic reveals triggered by shortcuts and app changes",
           "Auto-Hide Automation Settings", "Automation"},
          {"Animation & Windows", "Motion style and how windows react", "Auto-Hide Motion Settings",
           "Animation"},
      },
  };
  return pages[static_cast<size_t>(page)];
}

}  // namespace

QWidget* SettingsViewController::buildPageSkeleton(int page) {
  std::vector<SectionDescription> sections;
  std::vector<JumpItem> jumps;
  for (const SectionFrame& frame : sectionsOf(page)) {
    std::optional<QString> accessibility;
    if (frame.accessibilityLabel) accessibility = QString(frame.accessibilityLabel);
    QWidget* box = nullptr;
    if (page == 2 && QString(frame.title) == "Permissions") {
      box = buildPermissionsSection();
    } else if (page == 2 && QString(frame.title) == "Maintenance") {
      box = buildMaintenanceSection();
    } else {
      box = makeSectionBox({}, {}, frame.title, accessibility).box;
    }
    sections.push_back({frame.title, QString(frame.subtitle), box});
    jumps.push_back({frame.jumpTitle, box});
  }
  return makePageLayout(nullptr, makeSectionJumpStrip(jumps), makeTabContent(sections));
}

void SettingsViewController::rebuildThumbnailsSection() {
  // The frames have no Thumbnails rows yet: nothing to refill.
}

}  // namespace pelko
