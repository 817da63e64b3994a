// The header's search: the debounced update, Return and Escape, the results panel, and the jump to a
// row. It holds no index: each update walks the live view trees of the pages, so it sees exactly the
// rows placed at that moment.

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <unordered_map>

#include "settingswindow/InfoPopoverButton.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsTabMetadata.h"
#include "settingswindow/SettingsViewController.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/SymbolIcon.h"

namespace pelko {

namespace {

// Escape in the search field: a query is cleared here; an empty field lets the window have the key.
class SearchFieldEscape : public QObject {
 public:
  SearchFieldEscape(QLineEdit* field, SettingsViewController* controller)
      : QObject(field), field_(field), controller_(controller) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != field_ || event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier) return false;
    if (field_->text().isEmpty() || !controller_) return false;
    field_->clear();
    controller_->updateSearchResults();  // drops the pending update first
    return true;
  }

 private:
  QLineEdit* field_;
  QPointer<SettingsViewController> controller_;
};

// Where the keyboard goes in a row a search result showed: its control (the first thing of the row Tab
// reaches other than the information button), else the information button.
QWidget* keyboardStopIn(QWidget& row) {
  QWidget* information = nullptr;
  for (QWidget* child : row.findChildren<QWidget*>()) {
    if (!(child->focusPolicy() & Qt::TabFocus) || !child->isEnabled() || !child->isVisibleTo(&row)) continue;
    if (!qobject_cast<InfoPopoverButton*>(child)) return child;
    if (!information) information = child;
  }
  return information;
}

QString trimmedQuery(const QLineEdit* field) {
  return field ? field->text().trimmed() : QString();
}

QString qs(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

void SettingsViewController::connectSearchField() {
  if (!searchField_) return;
  // Only the user's typing restarts the wait; programmatic changes (a page switch clearing the field)
  // do not.
  connect(searchField_, &QLineEdit::textEdited, this, [this] { scheduleSearchResultsUpdate(); });
  connect(searchField_, &QLineEdit::returnPressed, this, [this] { submitSearch(); });
  searchField_->installEventFilter(new SearchFieldEscape(searchField_, this));
  if (scrollView_) pageAreaMinimumHeight_ = scrollView_->minimumHeight();
}

void SettingsViewController::scheduleSearchResultsUpdate() {
  if (pendingSearchUpdateWorkItem_) pendingSearchUpdateWorkItem_->cancel();
  QPointer<SettingsViewController> weakSelf(this);
  pendingSearchUpdateWorkItem_ = deps_.scheduler.mainAfter(kSearchDebounceInterval, [weakSelf] {
    if (weakSelf) weakSelf->updateSearchResults();
  });
}

void SettingsViewController::submitSearch() {
  if (pendingSearchUpdateWorkItem_) pendingSearchUpdateWorkItem_->cancel();
  updateSearchResults();
  if (!trimmedQuery(searchField_).isEmpty() && !currentSearchResults_.empty())
    openSearchResult(currentSearchResults_.front());
}

void SettingsViewController::updateSearchResults() {
  if (pendingSearchUpdateWorkItem_) pendingSearchUpdateWorkItem_->cancel();
  pendingSearchUpdateWorkItem_.reset();
  const QString query = trimmedQuery(searchField_);
  if (!query.isEmpty()) {
    dismissSuggestion();
    setPermissionsRefreshActive(false);
    currentSearchResults_ = collectSearchResults(query);
    renderSearchResultsPanel(query);
  } else {
    currentSearchResults_.clear();
    renderSearchResultsPanel(QString());
    dismissSuggestion();
    setPermissionsRefreshActive(currentTabIndex_ == 2);
    evaluateSuggestionsForCurrentPage();
  }
  updateHeaderSummary();
}

std::vector<SettingsRowView*> SettingsViewController::collectSearchableRows(QWidget* page) {
  std::vector<SettingsRowView*> rows;
  if (!page) return rows;
  std::vector<QWidget*> pending{page};
  while (!pending.empty()) {
    QWidget* view = pending.back();
    pending.pop_back();
    // A row is listed once however it is reached (a widget has one parent, so the walk meets it once).
    if (auto* row = qobject_cast<SettingsRowView*>(view)) rows.push_back(row);
    const QObjectList& children = view->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      if (auto* child = qobject_cast<QWidget*>(*it); child && !child->isWindow()) pending.push_back(child);
  }
  return rows;
}

std::vector<SettingsSearchResult> SettingsViewController::collectSearchResults(const QString& query) const {
  const std::vector<std::string> terms = settings_search::terms(query.toStdString());
  if (terms.empty()) return {};
  const auto pages = settingsTabMetadata();
  std::vector<SettingsSearchResult> results;
  std::unordered_map<const SettingsRowView*, size_t> found;
  for (size_t index = 0; index < tabViews_.size() && index < pages.size(); ++index) {
    const SettingsTabMetadata& page = pages[index];
    const std::string pageTitle = settings_search::lowerCased(page.title);
    const std::string pageSummary = settings_search::lowerCased(page.summary);
    for (SettingsRowView* row : collectSearchableRows(tabViews_[index])) {
      std::string section = "General";
      for (QWidget* view = row; view; view = view->parentWidget()) {
        auto* box = qobject_cast<SettingsSectionBox*>(view);
        if (box && box->sectionTitle()) {
          section = *box->sectionTitle();
          break;
        }
      }
      settings_search::RowFields fields{settings_search::lowerCased(row->searchTitle()), std::nullopt,
                                        settings_search::lowerCased(section), pageTitle, pageSummary};
      if (row->searchHelpText()) fields.helpText = settings_search::lowerCased(*row->searchHelpText());
      if (!settings_search::matches(terms, fields)) continue;
      SettingsSearchResult result{
          row->searchTitle(), row->searchHelpText(), static_cast<int>(index), page.title, section, row};
      if (auto it = found.find(row); it != found.end()) {
        results[it->second] = std::move(result);
      } else {
        found.emplace(row, results.size());
        results.push_back(std::move(result));
      }
    }
  }
  settings_search::sort(results, currentTabIndex_);
  return results;
}

void SettingsViewController::renderSearchResultsPanel(const QString& query) {
  if (!searchResultsHostView_) return;
  QLayout* host = searchResultsHostView_->layout();
  while (QLayoutItem* item = host->takeAt(0)) {
    if (QWidget* old = item->widget()) {
      // The panel may hold the Jump button being clicked: never freed inside its own click.
      old->hide();
      old->setParent(nullptr);
      old->deleteLater();
    }
    delete item;
  }
  // Six results and the page area's full minimum are more than a window of the usual height holds:
  // the page area gives way (it scrolls) rather than the panel's rows being drawn over each other.
  if (scrollView_) scrollView_->setMinimumHeight(query.isEmpty() ? pageAreaMinimumHeight_ : 0);
  if (query.isEmpty()) {
    searchResultsHostView_->hide();
    return;
  }
  const size_t total = currentSearchResults_.size();
  const size_t shown = std::min(total, settings_search::kShownResultLimit);
  const std::string typed = query.toStdString();
  const LabelStyle small{11, QFont::Normal, semanticColor(SemanticColor::secondaryLabel)};

  std::vector<QWidget*> rows;
  auto* header = new QWidget();
  header->setMinimumHeight(40);
  auto* headerRow = new QHBoxLayout(header);
  headerRow->setContentsMargins(14, 0, 14, 0);
  headerRow->setSpacing(8);
  auto* icon = new QLabel(header);
  icon->setPixmap(symbolImage("magnifyingglass", 12, semanticColor(SemanticColor::secondaryLabel)));
  icon->setFixedSize(12, 12);
  icon->setAccessibleName("Search");
  headerRow->addWidget(icon, 0, Qt::AlignVCenter);
  auto* headerLabel =
      new ElidingLabel(qs(settings_search::headerText(total, typed)),
                       {11, QFont::Medium, semanticColor(SemanticColor::secondaryLabel)}, header);
  headerRow->addWidget(headerLabel, 1, Qt::AlignVCenter);
  rows.push_back(header);

  auto note = [&](const std::string& text, int lines, int minimumHeight) {
    auto* container = new QWidget();
    container->setMinimumHeight(minimumHeight);
    auto* column = new QVBoxLayout(container);
    column->setContentsMargins(14, 10, 14, 10);
    WrappingLabel* label = makeWrappingLabel(qs(text), lines);
    applyLabelStyle(*label, small);
    column->addWidget(label);
    return container;
  };
  if (shown == 0) {
    rows.push_back(note(settings_search::emptyStateText(typed), 3, 52));
  } else {
    for (size_t i = 0; i < shown; ++i)
      rows.push_back(makeSearchResultRow(currentSearchResults_[i], static_cast<int>(i)));
    if (shown < total) rows.push_back(note(settings_search::footerText(shown, total), 2, 46));
  }
  SectionBox box = makeSectionBox({}, rows, "Search Matches", QString("Search Matches"));
  host->addWidget(box.box);
  searchResultsHostView_->show();
}

QWidget* SettingsViewController::makeSearchResultRow(const SettingsSearchResult& result, int index) {
  auto* row = new QWidget();
  row->setMinimumHeight(48);
  auto* line = new QHBoxLayout(row);
  line->setContentsMargins(14, 8, 14, 8);
  line->setSpacing(8);
  auto* texts = new QVBoxLayout();
  texts->setSpacing(2);
  texts->addWidget(
      new ElidingLabel(qs(result.title), {13, QFont::Medium, semanticColor(SemanticColor::label)}, row));
  WrappingLabel* detail = makeWrappingLabel(qs(settings_search::detailText(result)), 2);
  applyLabelStyle(*detail, {11, QFont::Normal, semanticColor(SemanticColor::secondaryLabel)});
  texts->addWidget(detail);
  line->addLayout(texts, 1);
  auto* jump = new QPushButton("Jump", row);
  jump->setCursor(Qt::PointingHandCursor);
  jump->setAccessibleName("Jump to " + singleLine(qs(result.title)));
  connect(jump, &QPushButton::clicked, this, [this, index] { openSearchResultFromButton(index); });
  line->addWidget(jump, 0, Qt::AlignVCenter);
  return row;
}

void SettingsViewController::openSearchResultFromButton(int index) {
  if (index < 0 || static_cast<size_t>(index) >= currentSearchResults_.size()) return;
  openSearchResult(currentSearchResults_[static_cast<size_t>(index)]);
}

void SettingsViewController::openSearchResult(SettingsSearchResult result) {
  if (!searchField_) return;
  searchField_->clear();
  currentSearchResults_.clear();
  renderSearchResultsPanel(QString());
  selectTab(result.tabIndex);
  QPointer<SettingsViewController> weakSelf(this);
  QPointer<SettingsRowView> weakRow = result.rowView;
  const int tabIndex = result.tabIndex;
  deps_.scheduler.mainAsync([weakSelf, weakRow, tabIndex] {
    if (!weakSelf || !weakRow) return;
    SettingsViewController& self = *weakSelf;
    // A rebuild may have taken the row off its page since the search, or hidden it: then the page
    // alone is shown.
    if (tabIndex < 0 || static_cast<size_t>(tabIndex) >= self.tabViews_.size()) return;
    QWidget* page = self.tabViews_[static_cast<size_t>(tabIndex)];
    if (!page->isAncestorOf(weakRow) || !weakRow->isVisibleTo(page) || !self.tabContainer_ ||
        !self.tabContainer_->isAncestorOf(weakRow))
      return;
    self.layoutSubtreeNow();
    if (self.scrollView_) self.scrollView_->ensureWidgetVisible(weakRow, 0, 16);
    weakRow->flashSearchHighlight();
    // The keyboard follows the eye: the next Tab goes on from the row shown, not from the search field
    // back to the top of the page.
    if (QWidget* stop = keyboardStopIn(*weakRow)) stop->setFocus(Qt::OtherFocusReason);
  });
}

}  // namespace pelko
