#include "settingswindow/SettingsTabMetadata.h"

#include <array>
#include <cmath>

#include "settingswindow/SettingsSearch.h"

namespace pelko {

namespace {

constexpr std::array<SettingsTabMetadata, 5> kPages{{
    {"Appearance", "Placement, density, material, and shape for the taskbar itself.", "paintbrush.pointed"},
    {"Items", "Grouping, labels, indicators, previews, and hidden apps.", "square.grid.2x2"},
    {"Behavior", "System tray, startup behavior, permissions, and maintenance tools.", "switch.2"},
    {"Auto-Hide", "Reveal timing, triggers, animations, and window interaction.", "eye.slash"},
    {"Presets", "Curated layouts you can apply as starting points.", "sparkles.rectangle.stack"},
}};

std::string pageRange(int pageCount) {
  return pageCount <= 1 ? "1" : "1-" + std::to_string(pageCount);
}

}  // namespace

std::span<const SettingsTabMetadata> settingsTabMetadata() {
  return kPages;
}

int restoredSettingsPageIndex(double stored, int pageCount) {
  if (!std::isfinite(stored)) return 0;
  const double page = std::trunc(stored);
  if (page < 0 || page >= pageCount) return 0;
  return static_cast<int>(page);
}

// Control plays Command's part on this keyboard, so the hints name it.
std::string settingsKeyboardHint(int pageCount) {
  return "Ctrl+" + pageRange(pageCount) +
         " switches pages. Search stays in the header so the page itself never disappears while you edit.";
}

std::string settingsFooterHint(int pageCount) {
  return "Ctrl+F Search  \u2022  Ctrl+" + pageRange(pageCount) + " Pages";
}

std::string settingsHeaderSummary(const SettingsTabMetadata& page, const std::string& trimmedQuery,
                                  size_t resultCount) {
  if (trimmedQuery.empty()) return page.summary;
  const std::string query = settings_search::echoedQuery(trimmedQuery);
  if (resultCount == 0)
    return "No settings matched \"" + query + "\". Try a broader term or switch to the closest page.";
  return std::to_string(resultCount) + " matching setting" + (resultCount == 1 ? "" : "s") + " for \"" +
         query + "\". Press Return to jump to the first result.";
}

std::string settingsFooterVersion(const std::optional<std::string>& shortVersion) {
  return "Pelko v" + shortVersion.value_or("1.0");
}

}  // namespace pelko
