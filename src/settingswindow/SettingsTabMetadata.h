#pragma once

#include <optional>
#include <span>
#include <string>

namespace pelko {

// One page of the settings window, as the sidebar and the header name it.
struct SettingsTabMetadata {
  const char* title;
  const char* summary;
  const char* symbolName;
};

// The pages in sidebar order; a page's index here is its index everywhere.
std::span<const SettingsTabMetadata> settingsTabMetadata();

// The page to open with, from the number stored for the page shown last (0 when nothing was stored):
// anything that is not a page index gives the first page.
int restoredSettingsPageIndex(double stored, int pageCount);

// The sidebar's keyboard hint and the footer's, naming the page shortcuts there are.
std::string settingsKeyboardHint(int pageCount);
std::string settingsFooterHint(int pageCount);

// The header's summary line: the page's summary without a query, else what the search found
// (`resultCount` counts every match, also those not listed), the query echoed as the results panel
// echoes it.
std::string settingsHeaderSummary(const SettingsTabMetadata& page, const std::string& trimmedQuery,
                                  size_t resultCount);

// The footer's version label; "1.0" when the bundle has no version string.
std::string settingsFooterVersion(const std::optional<std::string>& shortVersion);

}  // namespace pelko
