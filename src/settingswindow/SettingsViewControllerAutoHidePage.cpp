// The Auto-Hide page: four sections refilled together whenever auto-hide or Dodge Windows changes.
// While auto-hide is off only the main switch and an explanation show; Dodge Windows replaces the
// timer-based delays by a note.

#include "settingswindow/SettingsControlFields.h"
#include "settingswindow/SettingsSectionLayout.h"
#include "settingswindow/SettingsViewController.h"

namespace pelko {

QWidget* SettingsViewController::buildAutoHideTab() {
  for (const char* field :
       {controls::autoHideSwitch, controls::autoHideDelayStepper, controls::autoHideAnimationPopUp,
        controls::autoHideShortcutSwitch, controls::autoHideActivationDelayStepper,
        controls::autoHideDodgeWindowsSwitch, controls::autoHideShowOnAppSwitchSwitch,
        controls::autoHidePinnedSwitch, controls::autoHideDragRevealSwitch,
        controls::autoHideSmartDelaySwitch, controls::autoHidePeekRevealSwitch,
        controls::autoHideFullscreenOnlySwitch, controls::autoHideShowOnNewWindowSwitch,
        controls::autoHideResizeWindowsSwitch, controls::autoHideAnimationSpeedStepper})
    makeCatalogRow(field);

  struct Frame {
    const char* title;
    const char* accessibility;
    const char* subtitle;
    const char* jump;
  };
  const Frame frames[] = {
      {"Core", "Auto-Hide Core Settings", "Turn auto-hide on and decide when it applies", "Core"},
      {"Reveal", "Auto-Hide Reveal Settings", "How the taskbar comes back once hidden", "Reveal"},
      {"Automation", "Auto-Hide Automation Settings",
       "Automatic reveals triggered by shortcuts and app changes", "Automation"},
      {"Animation & Windows", "Auto-Hide Motion Settings", "Motion style and how windows react", "Animation"},
  };
  std::vector<SectionDescription> sections;
  std::vector<JumpItem> jumps;
  SectionState state;
  for (const Frame& frame : frames) {
    SectionBox box = makeSectionBox({}, {}, frame.title, QString(frame.accessibility));
    state.stacks.emplace_back(box.innerStack);
    sections.push_back({frame.title, QString(frame.subtitle), box.box});
    jumps.push_back({frame.jump, box.box});
  }
  sections_[RebuildableSectionID::autoHide] = state;
  rebuildAutoHideSection();
  return makePageLayout(nullptr, makeSectionJumpStrip(jumps), makeTabContent(sections));
}

void SettingsViewController::rebuildAutoHideSection() {
  rebuildFromLayout(RebuildableSectionID::autoHide);
}

}  // namespace pelko
