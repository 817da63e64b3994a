#include "settingswindow/SettingsShortcuts.h"

#include <cctype>

namespace pelko {

SettingsShortcut settingsShortcut(uint64_t modifierFlags, const std::string& characters, int pageCount,
                                  bool hasSettingsContent) {
  using Action = SettingsShortcut::Action;
  if (characters.empty()) return {};
  std::string lower;
  for (unsigned char c : characters) lower += static_cast<char>(std::tolower(c));
  const uint64_t flags = modifierFlags & key_modifier::kDeviceIndependentMask;

  if (flags == key_modifier::kCommand) {
    if (lower == "w") return {Action::closeWindow};
    if (lower == "f" && hasSettingsContent) return {Action::focusSearch};
    if (lower.size() == 1 && std::isdigit(static_cast<unsigned char>(lower[0]))) {
      int page = lower[0] - '0';
      if (page >= 1 && page <= pageCount) return {Action::selectPage, page - 1};
    }
    return {};
  }
  if (flags == (key_modifier::kCommand | key_modifier::kShift) && lower == "c")
    return {Action::copyDiagnostics};
  return {};
}

}  // namespace pelko
