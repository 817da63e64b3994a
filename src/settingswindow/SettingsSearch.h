#pragma once

#include <QPointer>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelko {

class SettingsRowView;

// One row the search found. The row is held weakly: a section rebuild may take it off its page, or
// free it, between the search and a jump to it.
struct SettingsSearchResult {
  std::string title;
  std::optional<std::string> helpText;
  int tabIndex = 0;
  std::string tabTitle;
  std::string sectionTitle;
  QPointer<SettingsRowView> rowView;
};

// The search's rules, without widgets. The view controller walks its pages for the rows and hands
// each row's texts to these functions.
namespace settings_search {

// At most this many results are listed; the rest are counted in the footer.
inline constexpr size_t kShownResultLimit = 6;
// The help text a result's detail line shows is cut to this many characters.
inline constexpr int kDetailHelpCharacters = 110;

// The query's terms: lower case, split at white space, "-" and "/", empty pieces dropped. A term that
// occurs twice is kept once (a row matches a term or not, however often it is asked).
std::vector<std::string> terms(std::string_view query);

// The texts a row is matched against, lower case: its title, its help text, its section's title, its
// page's title and summary.
struct RowFields {
  std::string title;
  std::optional<std::string> helpText;
  std::string sectionTitle;
  std::string tabTitle;
  std::string tabSummary;
};
std::string lowerCased(std::string_view text);
// Whether every term is found, as plain text, in at least one of the fields (already lower case).
bool matches(const std::vector<std::string>& terms, const RowFields& lowerCasedFields);

// Orders results: the current page first, then by page, section title and title in plain
// (case-sensitive) string order. Results equal in all of these keep the order they were found in
// (page order, then the rows' order in the page's view tree).
void sort(std::vector<SettingsSearchResult>& results, int currentTabIndex);

// The query as the window shows it back, in the panel and in the page header alike: on one line, without
// control characters or direction overrides (a pasted U+202E must not turn the sentence around it), as
// every text from outside is shown.
std::string echoedQuery(std::string_view query);

// The panel's texts. `query` is the trimmed query as typed; they echo it as echoedQuery() makes it.
std::string headerText(size_t total, std::string_view query);
std::string emptyStateText(std::string_view query);
// Only when fewer are shown than there are.
std::string footerText(size_t shown, size_t total);
// Page and section, and the start of the help text when there is one.
std::string detailText(const SettingsSearchResult& result);

}  // namespace settings_search

}  // namespace pelko
