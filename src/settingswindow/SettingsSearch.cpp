#include "settingswindow/SettingsSearch.h"

#include <QString>
#include <QTextBoundaryFinder>
#include <algorithm>

#include "ui/PlainText.h"

namespace pelko::settings_search {

namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The first `count` characters (whole graphemes) of `text`.
QString firstCharacters(const QString& text, int count) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  int taken = 0;
  while (taken < count && finder.toNextBoundary() != -1) ++taken;
  const qsizetype end = taken < count ? text.size() : finder.position();
  return text.left(end);
}

}  // namespace

std::vector<std::string> terms(std::string_view query) {
  const QString lower = qs(query).toLower();
  std::vector<std::string> result;
  QString piece;
  auto flush = [&] {
    if (piece.isEmpty()) return;
    std::string term = piece.toStdString();
    if (std::find(result.begin(), result.end(), term) == result.end()) result.push_back(std::move(term));
    piece.clear();
  };
  for (QChar c : lower) {
    if (c.isSpace() || c == u'-' || c == u'/') {
      flush();
    } else {
      piece += c;
    }
  }
  flush();
  return result;
}

std::string lowerCased(std::string_view text) {
  return qs(text).toLower().toStdString();
}

bool matches(const std::vector<std::string>& terms, const RowFields& fields) {
  if (terms.empty()) return false;
  auto has = [](const std::string& field, const std::string& term) {
    return field.find(term) != std::string::npos;
  };
  for (const std::string& term : terms) {
    const bool found = has(fields.title, term) || (fields.helpText && has(*fields.helpText, term)) ||
                       has(fields.sectionTitle, term) || has(fields.tabTitle, term) ||
                       has(fields.tabSummary, term);
    if (!found) return false;
  }
  return true;
}

void sort(std::vector<SettingsSearchResult>& results, int currentTabIndex) {
  std::stable_sort(results.begin(), results.end(),
                   [currentTabIndex](const SettingsSearchResult& a, const SettingsSearchResult& b) {
                     if (a.tabIndex != b.tabIndex) {
                       if (a.tabIndex == currentTabIndex) return true;
                       if (b.tabIndex == currentTabIndex) return false;
                       return a.tabIndex < b.tabIndex;
                     }
                     if (a.sectionTitle != b.sectionTitle) return a.sectionTitle < b.sectionTitle;
                     return a.title < b.title;
                   });
}

std::string headerText(size_t total, std::string_view query) {
  std::string count;
  if (total == 0) {
    count = "No matches for ";
  } else if (total == 1) {
    count = "1 match for ";
  } else {
    count = std::to_string(total) + " matches for ";
  }
  return count + "\"" + echoedQuery(query) + "\".";
}

std::string echoedQuery(std::string_view query) {
  return singleLine(qs(query)).toStdString();
}

std::string emptyStateText(std::string_view query) {
  return "No visible settings matched \"" + echoedQuery(query) +
         "\". Try a broader term like dock, tray, thumbnails, border, or login.";
}

std::string footerText(size_t shown, size_t total) {
  return "Showing the top " + std::to_string(shown) + " of " + std::to_string(total) +
         " matches. Press Return to jump to the first result.";
}

std::string detailText(const SettingsSearchResult& result) {
  std::string detail = result.tabTitle + " \u2022 " + result.sectionTitle;
  if (result.helpText)
    detail += "  " + firstCharacters(qs(*result.helpText), kDetailHelpCharacters).toStdString();
  return detail;
}

}  // namespace pelko::settings_search
