// The Appearance page: where the bar sits, how large its items are, its surface and its borders.
// Content & Density and Borders & Shape are rebuildable sections.

#include "settingswindow/SettingsControlFields.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsSectionLayout.h"
#include "settingswindow/SettingsViewController.h"

namespace pelko {

QWidget* SettingsViewController::buildAppearanceTab() {
  SectionBox placement =
      makeSectionBox({rowDescription(controls::positionControl), rowDescription(controls::floatingBarSwitch)},
                     std::vector<QWidget*>{makeCatalogRow(controls::marginHStepper),
                                           makeCatalogRow(controls::marginVStepper),
                                           makeCatalogRow(controls::windowGapStepper)},
                     "Placement", QString("Placement Settings"));

  for (std::string_view field :
       {controls::stylePopUp, controls::taskbarSizeStepper, controls::iconSizeStepper,
        controls::itemTextSizeStepper, controls::maxTaskWidthStepper, controls::itemSpacingStepper})
    makeCatalogRow(field);
  SectionBox content = makeSectionBox({}, {}, "Content & Density", QString("Content and Density Settings"));
  sections_[RebuildableSectionID::appearanceContent] = {{content.innerStack}, std::nullopt};
  rebuildAppearanceContentSection();

  SectionBox surface = makeSectionBox(
      {rowDescription(controls::useVibrancySwitch), rowDescription(controls::backgroundColorWell)},
      std::vector<QWidget*>{makeCatalogRow(controls::backgroundOpacityStepper)}, "Surface",
      QString("Surface Settings"));

  makeCompactBorderRow();
  for (std::string_view field : {controls::borderColorWell, controls::borderOpacityStepper,
                                 controls::borderWidthStepper, controls::cornerRadiusStepper})
    makeCatalogRow(field);
  SectionBox borders = makeSectionBox({}, {}, "Borders & Shape", QString("Borders and Shape Settings"));
  sections_[RebuildableSectionID::appearanceBorders] = {{borders.innerStack}, std::nullopt};
  rebuildAppearanceBordersSection();

  QWidget* page = makeTabContent(
      {{"Placement", QString("Where the taskbar sits and how much space it reserves"), placement.box},
       {"Content & Density", QString("How apps are presented and scaled inside the bar"), content.box},
       {"Surface", QString("Background material, color, and opacity"), surface.box},
       {"Borders & Shape", QString("Outline edges and corner rounding"), borders.box}});
  QWidget* jump = makeSectionJumpStrip({{"Placement", placement.box},
                                        {"Content", content.box},
                                        {"Surface", surface.box},
                                        {"Borders", borders.box}});
  return makePageLayout(nullptr, jump, page);
}

void SettingsViewController::rebuildAppearanceContentSection() {
  rebuildFromLayout(RebuildableSectionID::appearanceContent);
}

void SettingsViewController::rebuildAppearanceBordersSection() {
  rebuildFromLayout(RebuildableSectionID::appearanceBorders);
}

}  // namespace pelko
