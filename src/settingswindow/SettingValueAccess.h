#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/Setting.h"
#include "settings/SettingEnumerations.h"

namespace pelko {

// Reaching a setting of the store by the type it holds, for the controls that the control catalogue
// names by setting. A control of the wrong kind for its setting finds nothing and changes nothing.

template <class T>
Setting<T>* settingOfType(SettingBase* setting) {
  return dynamic_cast<Setting<T>*>(setting);
}

namespace detail {
template <class E, class F>
bool visitIf(SettingBase* setting, F& visit) {
  if (auto* typed = dynamic_cast<Setting<E>*>(setting)) {
    visit(*typed);
    return true;
  }
  return false;
}
}  // namespace detail

// Calls `visit` with the setting when it holds one of the string enumerations; answers whether it did.
template <class F>
bool visitEnumSetting(SettingBase* setting, F&& visit) {
  return detail::visitIf<TaskbarPosition>(setting, visit) || detail::visitIf<TaskbarStyle>(setting, visit) ||
         detail::visitIf<ItemAlignment>(setting, visit) ||
         detail::visitIf<WindowCountStyle>(setting, visit) ||
         detail::visitIf<MultiMonitorMode>(setting, visit) ||
         detail::visitIf<BatteryIconStyle>(setting, visit) ||
         detail::visitIf<AutoHideAnimation>(setting, visit);
}

// The stored raw value of an enumeration setting; none for any other setting.
inline std::optional<std::string> enumRawValue(SettingBase* setting) {
  std::optional<std::string> raw;
  visitEnumSetting(setting, [&](auto& typed) { raw = std::string(rawValue(typed.get())); });
  return raw;
}

// Assigns the case whose raw value is `raw`; answers false (and assigns nothing) when no case has it.
inline bool assignEnumRawValue(SettingBase* setting, std::string_view raw) {
  bool assigned = false;
  visitEnumSetting(setting, [&](auto& typed) {
    using E = std::decay_t<decltype(typed.get())>;
    if (auto value = fromRawValue<E>(raw)) {
      typed = *value;
      assigned = true;
    }
  });
  return assigned;
}

// The case at `index` in declared order, as a raw value; none outside the cases.
inline std::optional<std::string> enumRawValueAt(SettingBase* setting, int index) {
  std::optional<std::string> raw;
  visitEnumSetting(setting, [&](auto& typed) {
    using E = std::decay_t<decltype(typed.get())>;
    const auto cases = allCases<E>();
    if (index >= 0 && index < static_cast<int>(cases.size())) raw = std::string(rawValue(cases[index]));
  });
  return raw;
}

// The declared index of the stored case; -1 for a setting that is no enumeration.
inline int enumIndex(SettingBase* setting) {
  int index = -1;
  visitEnumSetting(setting, [&](auto& typed) {
    using E = std::decay_t<decltype(typed.get())>;
    const auto cases = allCases<E>();
    for (size_t i = 0; i < cases.size(); ++i)
      if (cases[i] == typed.get()) index = static_cast<int>(i);
  });
  return index;
}

}  // namespace pelko
