#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingEnumerations.h"
#include "settingswindow/SettingsControlFields.h"

namespace pelko {

class SettingBase;
class SettingsManager;
enum class SettingID;

// The form of the settings window as data: every control that edits one setting, the row that shows it,
// the value label beside a stepper and how a stepper's value becomes the setting's. The widgets are made
// from this table (SettingsViewControllerControls.cpp) and the tests read the same table, so the texts,
// ranges and conversions cannot drift apart.

enum class SettingsControlKind {
  switchControl,   // on/off, writes a Bool
  stepper,         // with a value label; writes a number
  segmented,       // one segment per choice
  enumPopUp,       // one item per case of the setting's enumeration, in case order
  titlePopUp,      // fixed titles standing for fixed strings (the active indicator's edge)
  checkbox,        // a border edge
  largeColorWell,  // 44 x 28
  smallColorWell,  // 36 x 22
};

// How a stepper's value label reads.
enum class SettingsValueFormat {
  none,
  whole,            // truncated toward zero, then the suffix: "92%", "12 pt"
  taskbarSize,      // "105% (35 pt)": the size, then the bar's thickness
  milliseconds,     // the stepper's milliseconds truncated: "450 ms" (0 gives "0 ms")
  halfPoints,       // "0.5 pt"
  tenthSeconds,     // "0.5 s"
  activationDelay,  // "Instant" for 0, else "150 ms"
  animationSpeed,   // "1.25x"
};

struct SettingsControlEntry {
  std::string_view field{};  // the controller's name for the control: controls::taskbarSizeStepper
  SettingsControlKind kind = SettingsControlKind::switchControl;
  SettingID setting{};         // the setting it edits: SettingID::taskbarSize
  int page = 0;                // 0 Appearance, 1 Items, 2 Behavior, 3 Auto-Hide
  std::string_view section{};  // the section title on its page
  std::string_view
      rowField{};  // the stored row of a rebuildable section (stored_rows::); empty for a static row
  std::string_view rowLabel{};
  std::string_view helpText{};              // empty: no information button
  std::string_view tooltip{};               // empty: none
  std::string_view accessibilityLabel{};    // a switch's; empty: none
  std::vector<std::string_view> choices{};  // segment labels, pop-up titles, the check box's title
  // Steppers only: the stepper's range and increment (in the stepper's unit), the factor from the
  // setting to the stepper, the grid a user's value is rounded to (in the stepper's unit) and the label.
  double minimum = 0;
  double maximum = 0;
  double increment = 0;
  double scale = 1;
  double grid = 0;
  SettingsValueFormat format = SettingsValueFormat::none;
  std::string_view suffix{};
};

// Every control, page by page and section by section.
const std::vector<SettingsControlEntry>& settingsControlCatalog();
// The control named `field`; null when there is none.
const SettingsControlEntry* findControlEntry(std::string_view field);
// The value label's field: the stepper's name with "Label" in place of "Stepper".
std::string valueLabelField(std::string_view stepperField);

// The stepper's value for a setting's value, and the setting's value for what the user stepped to
// (rounded to the control's grid, so repeated steps never leave a remainder like 1.4e-17).
double stepperValueForSetting(const SettingsControlEntry& entry, double settingValue);
double settingValueForStepper(const SettingsControlEntry& entry, double stepperValue);
// The value label for a setting's value; `barThickness` is only read by the taskbar size. The digits
// never follow the locale: "0.5 pt", never "0,5 pt".
std::string formatValueLabel(const SettingsControlEntry& entry, double settingValue, double barThickness);
std::string formatActivationDelay(double seconds);
std::string formatAnimationSpeed(double speed);

// The largest corner radius a bar of `barThickness` points can show: half the thickness in whole points,
// and never more than 50.
double cornerRadiusMaximum(double barThickness);

// The stored strings of the active indicator's edge, item i of its pop-up standing for entry i.
const std::vector<std::string_view>& indicatorPositions();
// The item of the indicator pop-up for a stored string: its index, 0 when it is none of the four.
int indicatorPositionIndex(std::string_view stored);

// The order in which the settings window follows the store: one entry per subscription. A change-only
// subscription skips the value current when it is made.
struct SettingsBindingEntry {
  SettingID setting;
  bool changeOnly = false;
};
const std::vector<SettingsBindingEntry>& settingsBindingOrder();

// Every setting of the store, in declared order.
std::vector<SettingBase*> allSettings(SettingsManager& settings);
// The store's setting for an ID: a direct lookup, never null for a declared ID.
SettingBase* findSetting(SettingsManager& settings, SettingID setting);

}  // namespace pelko
