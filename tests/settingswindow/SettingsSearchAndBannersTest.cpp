// The settings window's search, suggestion banners, permission rows and maintenance actions through
// its widgets, on the virtual clock: the debounce, Return and Escape, the panel, jumping to a row that
// may have gone; banners on page switches, dismissal, batching and the Dock's late answer; the 2 s
// permission refresh; the maintenance actions with and without the shell.

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include <set>

#include "SettingsWindowTestWorld.h"
#include "foundation/Subject.h"
#include "platform/sim/SimClipboard.h"
#include "settings/SettingsManager.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsSectionBox.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"

namespace pelko::test {
namespace {

using Strings = std::vector<std::string>;

class SettingsSearchAndBannersTest : public SettingsWindowTest {
 protected:
  sim::SimClipboard clipboard;
  std::vector<std::function<void(const DockManager::VisibilitySnapshot&)>> dockLooks;
  std::vector<TaskbarPosition> optimizations;
  std::function<void()> finishOptimization;
  int restarts = 0;
  int quits = 0;
  bool shellCopies = true;
  int shellCopyCount = 0;
  int feedbackOpened = 0;

  SettingsViewController::Dependencies fullDependencies(bool withShell) {
    SettingsViewController::Dependencies deps = viewDependencies();
    if (withShell)
      deps.shell = SettingsViewController::ShellActions{[this] { ++restarts; }, [this] { ++quits; },
                                                        [this] {
                                                          ++shellCopyCount;
                                                          return shellCopies;
                                                        }};
    deps.openFeedbackPage = [this] { ++feedbackOpened; };
    deps.clipboard = &clipboard;
    deps.accessibilityHelper = &system.accessibilityHelper;
    deps.permissions = &system.mac.permissions();
    deps.dockVisibilitySnapshot = [this](std::function<void(const DockManager::VisibilitySnapshot&)> done) {
      dockLooks.push_back(std::move(done));
    };
    deps.optimizeVisibleDock = [this](TaskbarPosition position, std::function<void()> done) {
      optimizations.push_back(position);
      finishOptimization = std::move(done);
    };
    return deps;
  }

  void show() {
    controller->showSettings();
    system.scheduler.runUntilIdle();
  }

  SettingsViewController& openWindow(bool withShell = true) {
    auto* content = new SettingsViewController(system.settings, fullDependencies(withShell));
    controller = std::make_unique<SettingsWindowController>(
        SettingsWindowController::Dependencies{system.scheduler, system.defaults, system.mac.workspace(),
                                               system.mac.appShell(), &system.mac.screens()},
        content);
    system.scheduler.runUntilIdle();
    return *content;
  }

  // Adds a section of plain rows (title, help) at the top of `page`; returns the section box.
  SettingsSectionBox* addSection(SettingsViewController& view, int page, const QString& title,
                                 const std::vector<std::pair<QString, std::optional<QString>>>& rows) {
    std::vector<SettingsViewController::RowDescription> descriptions;
    for (const auto& [label, help] : rows) descriptions.push_back({label, nullptr, help});
    auto box = view.makeSectionBox(descriptions, {}, title, std::nullopt);
    auto* column = qobject_cast<QBoxLayout*>(view.tabViews()[static_cast<size_t>(page)]->layout());
    column->insertWidget(0, box.box);
    box.box->show();  // placed as a page builder places it: shown with its page
    return box.box;
  }

  static void type(QLineEdit* field, const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(field, &press);
    }
  }
  static bool pressKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    return press.isAccepted();
  }

  // The titles of the results, in order; with `among`, only those titles (the pages' own rows may
  // match a query too).
  Strings resultTitles(const SettingsViewController& view, const std::set<std::string>& among = {}) {
    Strings titles;
    for (const auto& r : view.currentSearchResults())
      if (among.empty() || among.count(r.title)) titles.push_back(r.title);
    return titles;
  }
  QString panelText(const SettingsViewController& view) {
    QStringList texts;
    for (auto* label : view.searchResultsHostView()->findChildren<QLabel*>()) {
      if (auto* wrapping = qobject_cast<WrappingLabel*>(label)) {
        texts << wrapping->fullText();
      } else if (auto* eliding = qobject_cast<ElidingLabel*>(label)) {
        texts << eliding->fullText();
      }
    }
    return texts.join("\n");
  }
  std::vector<QPushButton*> jumpButtons(const SettingsViewController& view) {
    std::vector<QPushButton*> buttons;
    for (auto* button : view.searchResultsHostView()->findChildren<QPushButton*>())
      if (button->text() == "Jump") buttons.push_back(button);
    return buttons;
  }
  QPushButton* bannerButton(const SettingsViewController& view) {
    return view.suggestionContainer() ? view.suggestionContainer()->findChild<QPushButton*>() : nullptr;
  }
  QString bannerText(const SettingsViewController& view) {
    auto* label =
        view.suggestionContainer() ? view.suggestionContainer()->findChild<WrappingLabel*>() : nullptr;
    return label ? label->fullText() : QString();
  }
};

// ---- Search ----

TEST_F(SettingsSearchAndBannersTest, QueriesTermsAndOrder) {
  SettingsViewController& view = openWindow();
  addSection(
      view, 1, "Core",
      {{"Auto-Hide Delay", QString("Seconds before the taskbar hides")}, {"Hide Zebra", std::nullopt}});
  addSection(view, 0, "Placement", {{"Auto Hide Zebra", std::nullopt}, {"Wombat Koala Zebra", std::nullopt}});
  addSection(view, 2, "Unlisted", {{"Plain Row", std::nullopt}, {"Koala Only", std::nullopt}});
  const std::set<std::string> mine = {"Auto-Hide Delay",    "Hide Zebra", "Auto Hide Zebra",
                                      "Wombat Koala Zebra", "Plain Row",  "Koala Only"};
  view.selectTab(1);
  struct Case {
    const char* query;
    Strings expected;
  };
  const Case cases[] = {
      // The current page (1) first, then by page.
      {"auto hide", {"Auto-Hide Delay", "Auto Hide Zebra"}},
      {"auto-hide", {"Auto-Hide Delay", "Auto Hide Zebra"}},
      {"AUTO/HIDE", {"Auto-Hide Delay", "Auto Hide Zebra"}},
      {"seconds taskbar", {"Auto-Hide Delay"}},  // help text
      {"zebra", {"Hide Zebra", "Auto Hide Zebra", "Wombat Koala Zebra"}},
      {"koala", {"Wombat Koala Zebra", "Koala Only"}},
      {"wombat/koala", {"Wombat Koala Zebra"}},                        // both terms
      {"placement zebra", {"Auto Hide Zebra", "Wombat Koala Zebra"}},  // the section title
  };
  for (const Case& c : cases) {
    view.searchField()->setText(c.query);
    view.updateSearchResults();
    EXPECT_EQ(resultTitles(view, mine), c.expected) << c.query;
  }

  // A word only in a page's summary finds every row of that page, and only those.
  view.searchField()->setText("maintenance tools");
  view.updateSearchResults();
  const auto behaviorRows = SettingsViewController::collectSearchableRows(view.tabViews()[2]);
  ASSERT_GE(behaviorRows.size(), 2u);
  EXPECT_EQ(view.currentSearchResults().size(), behaviorRows.size());
  for (const auto& result : view.currentSearchResults()) {
    EXPECT_EQ(result.tabIndex, 2);
    EXPECT_EQ(result.tabTitle, "Behavior");
  }
  // A row outside any titled section is in "General".
  auto* loose = new SettingsRowView(system.scheduler, "Loose Unicorn", std::nullopt);
  view.tabViews()[1]->layout()->addWidget(loose);
  view.searchField()->setText("unicorn");
  view.updateSearchResults();
  ASSERT_EQ(view.currentSearchResults().size(), 1u);
  EXPECT_EQ(view.currentSearchResults()[0].sectionTitle, "General");
  EXPECT_EQ(view.currentSearchResults()[0].tabTitle, "Items");
}

TEST_F(SettingsSearchAndBannersTest, PanelHeaderFooterAndEmptyState) {
  SettingsViewController& view = openWindow();
  std::vector<std::pair<QString, std::optional<QString>>> rows;
  for (int i = 0; i < 7; ++i) rows.push_back({QString("Quokka %1").arg(i), QString("Help %1").arg(i)});
  addSection(view, 1, "Marsupials", rows);

  const int pageAreaMinimum = view.scrollView()->minimumHeight();
  ASSERT_GT(pageAreaMinimum, 0);
  view.searchField()->setText("  quokka ");
  view.updateSearchResults();
  EXPECT_FALSE(view.searchResultsHostView()->isHidden());
  // The page area gives way to the panel while it shows.
  EXPECT_EQ(view.scrollView()->minimumHeight(), 0);
  EXPECT_EQ(jumpButtons(view).size(), 6u);
  const QString seven = panelText(view);
  EXPECT_TRUE(seven.contains("7 matches for \"quokka\".")) << seven.toStdString();
  EXPECT_TRUE(seven.contains("Showing the top 6 of 7 matches. Press Return to jump to the first result."));
  EXPECT_TRUE(seven.contains("Items \u2022 Marsupials  Help 0"));
  EXPECT_EQ(view.tabSummaryLabel()->fullText(),
            "7 matching settings for \"quokka\". Press Return to jump to the first result.");

  // Exactly six: no footer.
  view.searchField()->setText("quokka -6");  // "6" matches six of them only through their titles/help
  view.updateSearchResults();
  view.searchField()->setText("quokka");
  delete view.tabViews()[1]->findChildren<SettingsRowView*>().back();
  view.updateSearchResults();
  EXPECT_EQ(jumpButtons(view).size(), 6u);
  EXPECT_FALSE(panelText(view).contains("Showing the top"));
  EXPECT_TRUE(panelText(view).contains("6 matches for \"quokka\"."));

  // Only separators: no terms, no results, the empty state with the text as typed.
  view.searchField()->setText("-/-");
  view.updateSearchResults();
  EXPECT_TRUE(view.currentSearchResults().empty());
  EXPECT_TRUE(panelText(view).contains("No matches for \"-/-\"."));
  EXPECT_TRUE(
      panelText(view).contains("No visible settings matched \"-/-\". Try a broader term like dock, tray, "
                               "thumbnails, border, or login."));
  EXPECT_EQ(view.tabSummaryLabel()->fullText(),
            "No settings matched \"-/-\". Try a broader term or switch to the closest page.");

  // Blank: the panel goes and the page's summary returns.
  view.searchField()->setText(" \n ");
  view.updateSearchResults();
  EXPECT_TRUE(view.searchResultsHostView()->isHidden());
  EXPECT_EQ(view.scrollView()->minimumHeight(), pageAreaMinimum);
  EXPECT_EQ(view.tabSummaryLabel()->fullText(),
            QString(settingsTabMetadata()[static_cast<size_t>(view.currentTabIndex())].summary));
}

// A pasted query shows back as every text from outside shows: the page header, the panel's header and
// its empty state alike, on one line, without the override that turns "live" round.
TEST_F(SettingsSearchAndBannersTest, EveryEchoOfTheQueryIsFiltered) {
  SettingsViewController& view = openWindow();
  view.searchField()->setText("\u202Elive\nzzz");
  view.updateSearchResults();
  ASSERT_TRUE(view.currentSearchResults().empty());
  EXPECT_EQ(view.tabSummaryLabel()->fullText(),
            "No settings matched \"live zzz\". Try a broader term or switch to the closest page.");
  const QString panel = panelText(view);
  EXPECT_TRUE(panel.contains("No matches for \"live zzz\".")) << panel.toStdString();
  EXPECT_TRUE(panel.contains("No visible settings matched \"live zzz\". Try a broader term"))
      << panel.toStdString();
  for (auto* label : view.findChildren<QLabel*>()) {
    const QString text = label->text();
    EXPECT_FALSE(text.contains(QChar(0x202E))) << text.toStdString();
    if (text.contains("matched") || text.contains("matches for")) {
      EXPECT_FALSE(text.contains('\n')) << text.toStdString();
    }
  }
}

TEST_F(SettingsSearchAndBannersTest, DebounceOnTheVirtualClock) {
  SettingsViewController& view = openWindow();
  addSection(view, 0, "Placement", {{"Wombat", std::nullopt}});
  type(view.searchField(), "wom");
  EXPECT_TRUE(view.hasPendingSearchUpdate());
  system.scheduler.advance(0.2);
  type(view.searchField(), "b");  // restarts the 0.25 s wait
  system.scheduler.advance(0.249);
  EXPECT_TRUE(view.currentSearchResults().empty());
  EXPECT_TRUE(view.searchResultsHostView()->isHidden());
  system.scheduler.advance(0.002);
  EXPECT_EQ(resultTitles(view), Strings{"Wombat"});
  EXPECT_FALSE(view.hasPendingSearchUpdate());

  // A programmatic change (a page switch clearing the field) schedules nothing.
  view.selectTab(1);
  EXPECT_FALSE(view.hasPendingSearchUpdate());
  EXPECT_TRUE(view.searchResultsHostView()->isHidden());
}

TEST_F(SettingsSearchAndBannersTest, ReturnAndEscape) {
  SettingsViewController& view = openWindow();
  show();
  addSection(view, 3, "Core", {{"Koala Delay", std::nullopt}});
  view.selectTab(0);

  // Return with no match only updates the panel.
  type(view.searchField(), "nothing-here");
  pressKey(view.searchField(), Qt::Key_Return);
  EXPECT_FALSE(view.hasPendingSearchUpdate());
  EXPECT_EQ(view.currentTabIndex(), 0);
  EXPECT_EQ(view.searchField()->text(), "nothing-here");
  EXPECT_TRUE(panelText(view).contains("No matches for \"nothing-here\"."));

  // Escape with text clears the search and keeps the window.
  EXPECT_TRUE(pressKey(view.searchField(), Qt::Key_Escape));
  EXPECT_EQ(view.searchField()->text(), "");
  EXPECT_TRUE(view.searchResultsHostView()->isHidden());
  EXPECT_TRUE(controller->window()->isVisible());
  // Escape in the empty field is the window's: it closes.
  pressKey(view.searchField(), Qt::Key_Escape);
  EXPECT_FALSE(controller->window()->isVisible());

  // Return with a match opens the first result.
  show();
  type(view.searchField(), "koala");
  pressKey(view.searchField(), Qt::Key_Return);
  EXPECT_EQ(view.currentTabIndex(), 3);
  EXPECT_EQ(view.searchField()->text(), "");
  system.scheduler.runUntilIdle();
  SettingsRowView* row = nullptr;
  for (SettingsRowView* candidate : view.tabViews()[3]->findChildren<SettingsRowView*>())
    if (candidate->searchTitle() == "Koala Delay") row = candidate;
  ASSERT_NE(row, nullptr);
  EXPECT_TRUE(row->isSearchHighlighted());
}

TEST_F(SettingsSearchAndBannersTest, JumpScrollsToTheRowAndSurvivesRowsThatLeft) {
  SettingsViewController& view = openWindow();
  show();
  controller->window()->resize(900, 600);
  // Far down the Appearance page.
  auto* column = qobject_cast<QBoxLayout*>(view.tabViews()[0]->layout());
  auto* spacer = new QWidget();
  spacer->setFixedHeight(1500);
  column->insertWidget(0, spacer);
  spacer->show();
  SettingsSectionBox* box =
      addSection(view, 0, "Far", {{"Emu One", std::nullopt}, {"Emu Two", std::nullopt}});
  column->removeWidget(box);
  column->insertWidget(1, box);
  view.selectTab(4);

  view.searchField()->setText("emu");
  view.updateSearchResults();
  ASSERT_EQ(jumpButtons(view).size(), 2u);
  jumpButtons(view)[1]->click();
  EXPECT_EQ(view.currentTabIndex(), 0);
  EXPECT_TRUE(view.searchResultsHostView()->isHidden());
  system.scheduler.runUntilIdle();
  auto rows = box->findChildren<SettingsRowView*>();
  SettingsRowView* two = rows[0]->searchTitle() == "Emu Two" ? rows[0] : rows[1];
  EXPECT_TRUE(two->isSearchHighlighted());
  EXPECT_GT(view.scrollView()->verticalScrollBar()->value(), 1000);
  const QRect shown = view.scrollView()->viewport()->rect();
  const QRect rowRect(two->mapTo(view.scrollView()->viewport(), QPoint(0, 0)), two->size());
  EXPECT_TRUE(shown.contains(rowRect)) << rowRect.y();

  // A row a rebuild took off its page since the search: the page is shown, nothing flashes, no crash.
  view.selectTab(4);
  view.searchField()->setText("emu");
  view.updateSearchResults();
  ASSERT_EQ(view.currentSearchResults().size(), 2u);
  QWidget* inner = box->findChildren<QWidget*>()[0];
  view.rebuildInnerStack(inner, {});
  // Hidden but still placed rows are found; rows taken out are not.
  view.searchField()->setText("emu");
  view.updateSearchResults();
  EXPECT_TRUE(view.currentSearchResults().empty());
  view.rebuildInnerStack(inner, {rows[0], rows[1]});
  rows[0]->hide();
  view.updateSearchResults();
  EXPECT_EQ(view.currentSearchResults().size(), 2u);
  rows[0]->show();

  view.selectTab(4);
  view.searchField()->setText("emu");
  view.updateSearchResults();
  const Strings before = resultTitles(view);
  view.rebuildInnerStack(inner, {});
  system.scheduler.advance(2.0);  // the first jump's flash is over
  jumpButtons(view)[0]->click();
  system.scheduler.runUntilIdle();
  EXPECT_EQ(view.currentTabIndex(), 0);
  for (auto* row : rows) EXPECT_FALSE(row->isSearchHighlighted());

  // A row freed since the search.
  view.rebuildInnerStack(inner, {rows[0], rows[1]});
  view.selectTab(4);
  view.searchField()->setText("emu");
  view.updateSearchResults();
  delete rows[0];
  delete rows[1];
  jumpButtons(view)[0]->click();
  system.scheduler.runUntilIdle();
  EXPECT_EQ(view.currentTabIndex(), 0);

  // A stale position is ignored.
  view.openSearchResultFromButton(5);
  view.openSearchResultFromButton(-1);
  EXPECT_EQ(view.currentTabIndex(), 0);
}

TEST_F(SettingsSearchAndBannersTest, VeryLongQueries) {
  SettingsViewController& view = openWindow();
  addSection(view, 0, "Placement", {{"Long Row a", std::nullopt}});
  // 10,000 characters of one repeated word: one term after all.
  view.searchField()->setText(QString("a ").repeated(5000));
  view.updateSearchResults();
  EXPECT_EQ(view.currentSearchResults().size(),
            view.tabViews()[0]->findChildren<SettingsRowView*>().size() +
                view.tabViews()[1]->findChildren<SettingsRowView*>().size() +
                view.tabViews()[2]->findChildren<SettingsRowView*>().size() +
                view.tabViews()[3]->findChildren<SettingsRowView*>().size() +
                view.tabViews()[4]->findChildren<SettingsRowView*>().size())
      << "every page's summary has an 'a'";
  // 10,000 characters of one word: no match, and the header names it.
  const QString word = QString("x").repeated(10000);
  view.searchField()->setText(word);
  view.updateSearchResults();
  EXPECT_TRUE(view.currentSearchResults().empty());
  EXPECT_TRUE(panelText(view).contains("No matches for \"" + word + "\"."));
}

// ---- Suggestion banners ----

TEST_F(SettingsSearchAndBannersTest, BannersFollowPagesDismissalAndBatching) {
  system.settings->borderTop = false;
  system.settings->borderBottom = true;  // wrong edge for a bottom bar
  system.settings->autoHide = true;
  SettingsViewController& view = openWindow();
  // Showing the page runs position, style and equal width in turn; the two that do not apply leave the
  // position banner where it is, also when the user comes back to the page.
  for (int other : {1, 4}) {
    view.selectTab(0);
    ASSERT_TRUE(view.suggestionContainer()) << "back from page " << other;
    EXPECT_EQ(view.currentSuggestionKey(), "position-bottom-border");
    EXPECT_EQ(bannerText(view), "Recommended: Use top border only for bottom position");
    EXPECT_EQ(view.suggestionContainer()->accessibleName(), "Settings suggestion");
    view.selectTab(other);
    EXPECT_NE(view.currentSuggestionKey(), "position-bottom-border");
  }
  view.selectTab(4);
  EXPECT_FALSE(view.suggestionContainer());
  view.selectTab(3);
  EXPECT_EQ(view.currentSuggestionKey(), "autohide-dodgeWindows");

  // While a query is in the field no banner shows, and a search removes the one shown.
  view.searchField()->setText("delay");
  view.updateSearchResults();
  EXPECT_FALSE(view.suggestionContainer());
  view.evaluateAutoHideSuggestion();
  EXPECT_FALSE(view.suggestionContainer());
  view.searchField()->setText("");
  view.updateSearchResults();  // cleared: the page's banner returns
  EXPECT_EQ(view.currentSuggestionKey(), "autohide-dodgeWindows");

  // Re-evaluating the same key keeps the banner and swaps only its action.
  QPointer<QWidget> banner = view.suggestionContainer();
  view.evaluateAutoHideSuggestion();
  EXPECT_EQ(view.suggestionContainer(), banner.data());

  // Apply makes the change and does not remember the key.
  ASSERT_NE(bannerButton(view), nullptr);
  bannerButton(view)->click();
  EXPECT_TRUE(system.settings->autoHideDodgeWindows.get());
  EXPECT_FALSE(view.suggestionContainer());
  EXPECT_FALSE(view.dismissedSuggestionKey());
  system.settings->autoHideDodgeWindows = false;
  view.selectTab(3);
  EXPECT_EQ(view.currentSuggestionKey(), "autohide-dodgeWindows");

  // Dismiss remembers the key; only the last dismissed key is kept.
  view.selectTab(0);
  view.evaluatePositionSuggestion();
  ASSERT_TRUE(view.suggestionContainer());
  view.suggestionContainer()->findChild<QToolButton*>()->click();
  EXPECT_EQ(view.dismissedSuggestionKey(), "position-bottom-border");
  view.evaluatePositionSuggestion();
  EXPECT_FALSE(view.suggestionContainer());
  system.settings->style = TaskbarStyle::iconsTextRight;
  system.settings->centerItems = true;
  view.selectTab(0);
  ASSERT_EQ(view.currentSuggestionKey(), "style-iconsTextRight-centerItems");
  ASSERT_TRUE(view.suggestionContainer());
  view.suggestionContainer()->findChild<QToolButton*>()->click();
  EXPECT_EQ(view.dismissedSuggestionKey(), "style-iconsTextRight-centerItems");
  view.evaluatePositionSuggestion();
  EXPECT_EQ(view.currentSuggestionKey(), "position-bottom-border");

  // A batch (a preset or a reset) neither shows nor removes a banner.
  system.settings->isBatchingUpdates = true;
  system.settings->borderTop = true;
  system.settings->borderBottom = false;
  view.evaluatePositionSuggestion();
  EXPECT_EQ(view.currentSuggestionKey(), "position-bottom-border");
  system.settings->isBatchingUpdates = false;
  view.evaluatePositionSuggestion();
  EXPECT_FALSE(view.suggestionContainer());
}

// A dismissal is forgotten when the position, the style, grouping, window titles or the Dock mode
// changes, so the suggestion about it can come back; other settings the banners read keep it.
TEST_F(SettingsSearchAndBannersTest, ADismissalIsForgottenOnlyWhenItsSubjectChanges) {
  SettingsViewController& view = openWindow();
  SettingsManager& m = *system.settings;
  struct Case {
    const char* name;
    std::function<void()> change;
    bool forgotten;
  };
  const Case cases[] = {
      {"position", [&] { m.position = TaskbarPosition::top; }, true},
      {"style", [&] { m.style = TaskbarStyle::iconsOnly; }, true},
      {"grouping", [&] { m.groupWindows = false; }, true},
      {"window titles", [&] { m.showWindowTitle = true; }, true},
      {"Dock mode", [&] { m.fullyHideDock = false; }, true},
      {"the same position again", [&] { m.position = m.position.get(); }, true},
      {"item alignment", [&] { m.itemAlignment = ItemAlignment::center; }, false},
      {"centring", [&] { m.centerItems = true; }, false},
      {"equal width", [&] { m.equalWidth = true; }, false},
      {"a border edge", [&] { m.borderLeft = true; }, false},
      {"auto-hide", [&] { m.autoHide = true; }, false},
      {"dodge windows", [&] { m.autoHideDodgeWindows = true; }, false},
      {"floating bar", [&] { m.floatingBar = true; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m.resetToDefaults();
    system.scheduler.advance(1);
    system.scheduler.runUntilIdle();
    view.showSuggestion("A suggestion", "some-suggestion", "Apply", [] {});
    view.dismissSuggestionClicked();
    ASSERT_EQ(view.dismissedSuggestionKey(), "some-suggestion");
    c.change();
    system.scheduler.runUntilIdle();
    EXPECT_EQ(view.dismissedSuggestionKey().has_value(), !c.forgotten);
  }
}

TEST_F(SettingsSearchAndBannersTest, DockBannerAnswersLateAndOptimizes) {
  system.settings->fullyHideDock = false;
  system.settings->position = TaskbarPosition::bottom;
  SettingsViewController& view = openWindow();
  DockManager::VisibilitySnapshot onOurEdge;
  onOurEdge.placement = DockManager::DockPlacement::bottom;

  // The answer arrives after the user went to another page: nothing is shown.
  view.selectTab(2);
  ASSERT_EQ(dockLooks.size(), 1u);
  view.selectTab(0);
  dockLooks[0](onOurEdge);
  EXPECT_NE(view.currentSuggestionKey().value_or(""), "dock-visible-optimize-bottom-bottom-0");

  // On the page: the banner with the Dock's key; the Dock mode changed meanwhile removes it.
  view.selectTab(2);
  dockLooks.back()(onOurEdge);
  ASSERT_EQ(view.currentSuggestionKey(), "dock-visible-optimize-bottom-bottom-0");
  ASSERT_NE(bannerButton(view), nullptr);
  EXPECT_EQ(bannerText(view),
            "Recommended: Move the macOS Dock to the left and enable auto-hide so it stays out of "
            "Pelko\u2019s way.");
  EXPECT_EQ(bannerButton(view)->text(), "Optimize Dock");
  view.selectTab(2);
  system.settings->fullyHideDock = true;
  dockLooks.back()(onOurEdge);
  EXPECT_FALSE(view.suggestionContainer());
  system.settings->fullyHideDock = false;

  // Dismissed, then optimised: the key is forgotten and the Dock is looked at again.
  view.selectTab(2);
  dockLooks.back()(onOurEdge);
  ASSERT_TRUE(view.suggestionContainer());
  view.suggestionContainer()->findChild<QToolButton*>()->click();
  EXPECT_EQ(view.dismissedSuggestionKey(), "dock-visible-optimize-bottom-bottom-0");
  view.selectTab(2);
  const size_t looks = dockLooks.size();
  view.optimizeVisibleDock();
  ASSERT_EQ(optimizations, (std::vector<TaskbarPosition>{TaskbarPosition::bottom}));
  finishOptimization();
  EXPECT_FALSE(view.dismissedSuggestionKey());
  EXPECT_EQ(dockLooks.size(), looks + 1);
  dockLooks.back()(onOurEdge);
  EXPECT_EQ(view.currentSuggestionKey(), "dock-visible-optimize-bottom-bottom-0");
  // The banner's own action is the same optimisation.
  ASSERT_NE(bannerButton(view), nullptr);
  bannerButton(view)->click();
  EXPECT_EQ(optimizations.size(), 2u);
}

// ---- Permissions ----

TEST_F(SettingsSearchAndBannersTest, PermissionRefreshRunsOnlyOnTheBehaviorPageWithoutASearch) {
  SettingsViewController& view = openWindow();
  view.selectTab(0);
  EXPECT_FALSE(view.permissionsRefreshTimer());
  view.selectTab(2);
  ASSERT_TRUE(view.permissionsRefreshTimer());
  EXPECT_EQ(view.permissionsRefreshTimer()->interval(), 2.0);
  EXPECT_EQ(view.permissionsRefreshTimer()->tolerance(), 0.5);
  view.searchField()->setText("tray");
  view.updateSearchResults();
  EXPECT_FALSE(view.permissionsRefreshTimer());
  view.searchField()->setText("");
  view.updateSearchResults();
  EXPECT_TRUE(view.permissionsRefreshTimer());
  view.selectTab(1);
  EXPECT_FALSE(view.permissionsRefreshTimer());
  view.selectTab(2);
  show();
  controller->window()->close();
  EXPECT_FALSE(view.permissionsRefreshTimer());
}

TEST_F(SettingsSearchAndBannersTest, PermissionRowsFollowTheSystemAtEachTick) {
  sim::SimPermissions& permissions = system.mac.permissions();
  permissions.screenCaptureGranted = false;
  permissions.accessibilityTrusted = false;
  SettingsViewController& view = openWindow();
  view.selectTab(2);
  const auto& screen = view.permissionRow(PermissionKind::screenRecording);
  ASSERT_TRUE(screen.row && screen.secondary && screen.description);
  EXPECT_EQ(screen.description->fullText(),
            "Optional. Only needed for Thumbnails, which use live window previews on hover.");
  EXPECT_EQ(screen.secondary->text(), "Skip Thumbnails");
  EXPECT_FALSE(screen.secondary->isHidden());
  EXPECT_EQ(screen.primary->text(), "Open macOS Settings");
  EXPECT_EQ(view.lastKnownScreenRecordingPermission(), false);

  // Granted in System Settings: the next tick, 2 s on, shows it; the tooltip follows the text.
  permissions.screenCaptureGranted = true;
  system.scheduler.advance(1.99);
  EXPECT_EQ(screen.secondary->text(), "Skip Thumbnails");
  system.scheduler.advance(0.02);
  EXPECT_EQ(screen.description->fullText(), "Granted. You can enable Thumbnails for live window previews.");
  EXPECT_EQ(screen.row->toolTip(),
            plainToolTip("Granted. You can enable Thumbnails for live window previews."));
  EXPECT_TRUE(screen.secondary->isHidden());
  EXPECT_EQ(screen.icon->accessibleName(), "Granted");
  EXPECT_EQ(view.lastKnownScreenRecordingPermission(), true);

  // Revoked while Thumbnails is on: the setting goes off at the next refresh.
  system.settings->showThumbnails = true;
  permissions.screenCaptureGranted = false;
  system.scheduler.advance(2.0);
  EXPECT_FALSE(system.settings->showThumbnails.get());
  EXPECT_EQ(screen.icon->accessibleName(), "Not granted");
}

TEST_F(SettingsSearchAndBannersTest, LimitedModeAndSkipThumbnailsAlerts) {
  system.mac.permissions().accessibilityTrusted = false;
  system.mac.permissions().screenCaptureGranted = false;
  SettingsViewController& view = openWindow();
  show();
  view.selectTab(2);
  const auto& access = view.permissionRow(PermissionKind::accessibility);
  const auto& screen = view.permissionRow(PermissionKind::screenRecording);
  ASSERT_EQ(access.secondary->text(), "Use Limited Mode");

  alerts.scriptedAnswers = {1};  // Cancel
  access.secondary->click();
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0].messageText, "Use Pelko Without Accessibility?");
  EXPECT_FALSE(system.settings->suppressAccessibilityPermissionPrompt.get());
  EXPECT_EQ(access.secondary->text(), "Use Limited Mode");

  // Closed without a choice: the same as Cancel.
  alerts.scriptedAnswers = {sim::SimAlerts::kEndedWithoutChoice};
  access.secondary->click();
  EXPECT_FALSE(system.settings->suppressAccessibilityPermissionPrompt.get());
  // The alert is a sheet on the settings window.
  EXPECT_EQ(alerts.owners.back().window, controller->window());

  alerts.scriptedAnswers = {0};
  access.secondary->click();
  EXPECT_TRUE(system.settings->suppressAccessibilityPermissionPrompt.get());
  EXPECT_EQ(access.secondary->text(), "Remind Me Again");
  EXPECT_EQ(access.secondary->toolTip(),
            plainToolTip("Resume Accessibility reminders and onboarding prompts"));
  access.secondary->click();  // no alert to turn it off
  EXPECT_EQ(alerts.shown.size(), 3u);
  EXPECT_FALSE(system.settings->suppressAccessibilityPermissionPrompt.get());

  alerts.scriptedAnswers = {0};
  screen.secondary->click();
  EXPECT_EQ(alerts.shown.back().messageText, "Skip Screen Recording?");
  EXPECT_TRUE(system.settings->suppressScreenRecordingPermissionPrompt.get());
  EXPECT_EQ(screen.description->fullText(),
            "Skipped. Thumbnails stay disabled until Screen Recording is granted in System Settings.");

  // Opening the pane resumes the reminders, asks for capture access and opens the privacy pane.
  const int requests = system.mac.permissions().screenCaptureRequestCount;
  screen.primary->click();
  EXPECT_FALSE(system.settings->suppressScreenRecordingPermissionPrompt.get());
  EXPECT_EQ(system.mac.permissions().screenCaptureRequestCount, requests + 1);
  EXPECT_EQ(system.mac.openedURLs().back(), AccessibilityHelper::kScreenRecordingPaneURL);
  system.settings->suppressAccessibilityPermissionPrompt = true;
  access.primary->click();
  EXPECT_FALSE(system.settings->suppressAccessibilityPermissionPrompt.get());
  EXPECT_EQ(system.mac.openedURLs().back(), AccessibilityHelper::kAccessibilityPaneURL);
}

// ---- Maintenance ----

// The button shows `title` ('&' doubled, as button titles are); the test stops when there is none.
QPushButton* buttonTitled(QWidget* root, const QString& title) {
  for (auto* button : root->findChildren<QPushButton*>())
    if (button->text() == plainButtonTitle(title)) return button;
  ADD_FAILURE() << "no button " << title.toStdString();
  static QPushButton nothing;
  return &nothing;
}

TEST_F(SettingsSearchAndBannersTest, MaintenanceWithTheShell) {
  SettingsViewController& view = openWindow(true);
  show();
  QWidget* page = view.tabViews()[2];
  buttonTitled(page, "Restart Pelko")->click();
  buttonTitled(page, "Quit Pelko")->click();
  buttonTitled(page, "Feedback & Support")->click();
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(feedbackOpened, 1);

  buttonTitled(page, "Copy Debug Snapshot")->click();
  EXPECT_EQ(shellCopyCount, 1);
  EXPECT_EQ(clipboard.writeCount, 0);  // the shell's report, not the fallback
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0].messageText, "Diagnostics Copied");
  shellCopies = false;
  // The window's Command-Shift-C (Control-Shift-C here) does the same.
  QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  QApplication::sendEvent(controller->window(), &shortcut);
  EXPECT_EQ(shellCopyCount, 2);
  EXPECT_EQ(alerts.shown.back().messageText, "Copy Failed");
}

TEST_F(SettingsSearchAndBannersTest, MaintenanceWithoutTheShell) {
  system.scheduler.shiftWallClock(1796627777 - system.scheduler.wallClockNow());
  SettingsViewController& view = openWindow(false);
  show();
  QWidget* page = view.tabViews()[2];
  buttonTitled(page, "Copy Debug Snapshot")->click();
  EXPECT_EQ(
      clipboard.contents,
      "Pelko Diagnostics\nGenerated: 2026-12-07T07:16:17Z\nApp state unavailable (AppDelegate not found).");
  EXPECT_EQ(alerts.shown.back().messageText, "Diagnostics Copied");

  // The clipboard refuses: the failure is reported, not a success.
  clipboard.failingWrites = 1;
  clipboard.contents.reset();
  buttonTitled(page, "Copy Debug Snapshot")->click();
  EXPECT_EQ(alerts.shown.back().messageText, "Copy Failed");
  EXPECT_FALSE(clipboard.contents);

  // Without a window the text is still copied, and no sheet is shown.
  SimulatedSystem loose;
  sim::SimClipboard looseClipboard;
  SettingsViewController::Dependencies deps{
      loose.scheduler, loose.defaults, alerts, loose.mac.appShell(), nullptr, {}, {}, {}};
  deps.clipboard = &looseClipboard;
  SettingsViewController detached(loose.settings, deps);
  detached.loadViewIfNeeded();
  const size_t sheets = alerts.shown.size();
  detached.copyDiagnostics();
  EXPECT_TRUE(looseClipboard.contents.has_value());
  EXPECT_EQ(alerts.shown.size(), sheets);
  // Restart without the shell does nothing; quit falls back on the program's quit.
  int fallbackQuits = 0;
  SettingsViewController::Dependencies quitting{
      loose.scheduler,         loose.defaults, alerts, loose.mac.appShell(), nullptr, {}, {},
      [&] { ++fallbackQuits; }};
  SettingsViewController other(loose.settings, quitting);
  other.restartPelko();
  other.quitPelko();
  EXPECT_EQ(fallbackQuits, 1);
}

TEST_F(SettingsSearchAndBannersTest, ShellNotificationsReachThePermissionRowsAndTheDockButtons) {
  Subject<bool> permissionChanges;
  Subject<bool> dockChanges;
  sim::SimPermissions& permissions = system.mac.permissions();
  permissions.screenCaptureGranted = true;
  system.settings->showThumbnails = true;
  SettingsViewController::Dependencies deps = fullDependencies(true);
  deps.screenRecordingPermissionDidChange = permissionChanges.publisher();
  deps.dockVisibilityDidChange = dockChanges.publisher();
  SettingsViewController& view = open(std::move(deps));
  system.scheduler.runUntilIdle();
  view.selectTab(1);
  system.scheduler.runUntilIdle();
  EXPECT_EQ(view.lastKnownScreenRecordingPermission(), true);
  const auto& screen = view.permissionRow(PermissionKind::screenRecording);
  ASSERT_TRUE(screen.icon);

  // The state the window already knows: nothing is rebuilt.
  const int rebuilds = view.sectionRebuildCount();
  permissionChanges.send(true);
  system.scheduler.runUntilIdle();
  EXPECT_EQ(view.sectionRebuildCount(), rebuilds);
  EXPECT_TRUE(system.settings->showThumbnails.get());

  // Revoked: thumbnails go off, the Thumbnails section is rebuilt and the row says so at once, on a
  // page that runs no refresh timer.
  permissions.screenCaptureGranted = false;
  permissionChanges.send(false);
  system.scheduler.runUntilIdle();
  EXPECT_FALSE(system.settings->showThumbnails.get());
  EXPECT_GT(view.sectionRebuildCount(), rebuilds);
  EXPECT_EQ(view.lastKnownScreenRecordingPermission(), false);
  EXPECT_EQ(screen.icon->accessibleName(), "Not granted");

  // The Dock shown or hidden brings its buttons back in line with the setting.
  system.settings->fullyHideDock = true;
  system.scheduler.runUntilIdle();
  ASSERT_TRUE(view.optimizeDockButton());
  view.optimizeDockButton()->setEnabled(true);
  dockChanges.send(false);
  system.scheduler.runUntilIdle();
  EXPECT_FALSE(view.optimizeDockButton()->isEnabled());
}

}  // namespace
}  // namespace pelko::test
