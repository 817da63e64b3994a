#pragma once

#include <cstdint>
#include <string>

namespace pelko {

// Modifier flags of a key event, with the values the window server uses (the low 16 device bits are
// masked off before comparing). On this keyboard the Control key plays Command's part.
namespace key_modifier {
inline constexpr uint64_t kShift = 0x20000;
inline constexpr uint64_t kControl = 0x40000;
inline constexpr uint64_t kOption = 0x80000;
inline constexpr uint64_t kCommand = 0x100000;
inline constexpr uint64_t kDeviceIndependentMask = ~uint64_t{0xFFFF};
}  // namespace key_modifier

struct SettingsShortcut {
  enum class Action { none, closeWindow, focusSearch, selectPage, copyDiagnostics };
  Action action = Action::none;
  int pageIndex = -1;  // for selectPage, counted from 0
  bool operator==(const SettingsShortcut&) const = default;
};

// What the settings window does with a key press: `characters` are the typed characters ignoring
// modifiers; `pageCount` pages are numbered from 1; `hasSettingsContent` tells whether the window shows
// the settings pages (the search can only be focused there).
SettingsShortcut settingsShortcut(uint64_t modifierFlags, const std::string& characters, int pageCount,
                                  bool hasSettingsContent);

}  // namespace pelko
