// The settings content: navigation and the stored page, the header, the factories and the rebuild by
// signature, hover and the search flash on the virtual clock, the rendering mode, the layout pass, the
// Presets page with its sheets, and the footer.

#include <QComboBox>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWheelEvent>

#include "SettingsWindowTestWorld.h"
#include "settings/SettingsManager.h"
#include "settingswindow/InfoPopoverButton.h"
#include "settingswindow/PresetCardView.h"
#include "settingswindow/SettingsControlCatalog.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsSidebarButton.h"
#include "ui/InfoPopover.h"
#include "ui/Labels.h"
#include "ui/Switch.h"

namespace pelko::test {
namespace {

class SettingsViewControllerTest : public SettingsWindowTest {
 protected:
  int storedPage() { return static_cast<int>(system.defaults.doubleForKey("PelkoSettingsLastSelectedTab")); }
};

TEST_F(SettingsViewControllerTest, OpensOnTheStoredPageOrTheFirst) {
  struct Case {
    std::optional<platform::PlistValue> stored;
    int expected;
    const char* title;
  };
  const Case cases[] = {{std::nullopt, 0, "Appearance"},
                        {platform::PlistValue(int64_t{-1}), 0, "Appearance"},
                        {platform::PlistValue(int64_t{5}), 0, "Appearance"},
                        {platform::PlistValue(int64_t{99}), 0, "Appearance"},
                        {platform::PlistValue("not a page"), 0, "Appearance"},
                        {platform::PlistValue(int64_t{3}), 3, "Auto-Hide"}};
  for (const Case& c : cases) {
    SimulatedSystem fresh;
    if (c.stored) fresh.defaults.setObject("PelkoSettingsLastSelectedTab", *c.stored);
    SettingsViewController view(fresh.settings, {fresh.scheduler,
                                                 fresh.defaults,
                                                 alerts,
                                                 fresh.mac.appShell(),
                                                 &fresh.mac.screens(),
                                                 [] { return std::nullopt; },
                                                 {},
                                                 {}});
    view.loadViewIfNeeded();
    EXPECT_EQ(view.currentTabIndex(), c.expected);
    EXPECT_EQ(view.pageTitleLabel()->fullText(), c.title);
    // The page shown at start is stored again.
    EXPECT_EQ(fresh.defaults.doubleForKey("PelkoSettingsLastSelectedTab"), c.expected);
    for (size_t i = 0; i < view.sidebarButtons().size(); ++i)
      EXPECT_EQ(view.sidebarButtons()[i]->isCurrentSelection(), static_cast<int>(i) == c.expected);
  }
}

TEST_F(SettingsViewControllerTest, SelectingPagesAndTheHeader) {
  SettingsViewController& view = open();
  view.selectTab(4);
  EXPECT_EQ(view.currentTabIndex(), 4);
  EXPECT_EQ(storedPage(), 4);
  EXPECT_EQ(view.pageTitleLabel()->fullText(), "Presets");
  EXPECT_EQ(view.tabSummaryLabel()->fullText(), "Curated layouts you can apply as starting points.");
  EXPECT_FALSE(view.pageIconView()->pixmap().isNull());
  EXPECT_TRUE(view.tabViews()[4]->isVisibleTo(view.tabContainer()));
  EXPECT_FALSE(view.tabViews()[0]->isVisibleTo(view.tabContainer()));

  // An index without a page changes nothing, not even the stored page.
  system.defaults.removeObject("PelkoSettingsLastSelectedTab");
  view.searchField()->setText("dock");
  for (int index : {-1, 5}) view.selectTab(index);
  EXPECT_EQ(view.currentTabIndex(), 4);
  EXPECT_EQ(view.searchField()->text(), "dock");
  EXPECT_FALSE(system.defaults.objectForKey("PelkoSettingsLastSelectedTab").has_value());

  // A real switch clears a query; a field of spaces is left alone.
  view.searchField()->setText("placement");
  view.updateSearchResults();
  ASSERT_FALSE(view.searchResultsHostView()->isHidden());
  view.sidebarButtons()[1]->click();
  EXPECT_EQ(view.currentTabIndex(), 1);
  EXPECT_EQ(view.searchField()->text(), "");
  EXPECT_TRUE(view.currentSearchResults().empty());
  EXPECT_TRUE(view.searchResultsHostView()->isHidden());
  view.searchField()->setText("   ");
  view.selectTab(2);
  EXPECT_EQ(view.searchField()->text(), "   ");
  EXPECT_EQ(view.tabSummaryLabel()->fullText(),
            "System tray, startup behavior, permissions, and maintenance tools.");
}

TEST_F(SettingsViewControllerTest, HintsAndFooter) {
  system.mac.appShell().version = "3.2.1";
  SettingsViewController& view = open();
  EXPECT_EQ(view.keyboardHintLabel()->fullText(),
            "Ctrl+1-5 switches pages. Search stays in the header so the page itself never disappears while "
            "you edit.");
  EXPECT_EQ(view.footerHintLabel()->text(), "Ctrl+F Search  \u2022  Ctrl+1-5 Pages");
  EXPECT_EQ(view.searchField()->placeholderText(), "Search settings or jump to a control (Ctrl+F)");
  EXPECT_EQ(view.footerVersionLabel()->text(), "Pelko v3.2.1");

  SimulatedSystem unversioned;
  unversioned.mac.appShell().version = std::nullopt;
  SettingsViewController other(
      unversioned.settings,
      {unversioned.scheduler, unversioned.defaults, alerts, unversioned.mac.appShell(), nullptr, {}, {}, {}});
  other.loadViewIfNeeded();
  EXPECT_EQ(other.footerVersionLabel()->text(), "Pelko v1.0");
}

TEST_F(SettingsViewControllerTest, PageFramesHaveHeadersAndJumpStrips) {
  SettingsViewController& view = open();
  const std::vector<std::vector<QString>> jumps = {
      {"Placement", "Content", "Surface", "Borders"},
      {"Grouping", "Layout", "Display", "Thumbnails", "Blacklist"},
      {"Dock", "Tray", "System", "Permissions", "Maintenance"},
      {"Core", "Reveal", "Automation", "Animation"},
      {"Windows Style", "macOS Style", "Alternative Layouts"}};
  for (size_t page = 0; page < jumps.size(); ++page) {
    auto* popup = view.tabViews()[page]->findChild<QComboBox*>();
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->count(), static_cast<int>(jumps[page].size()) + 1);
    EXPECT_EQ(popup->itemText(0), "Select Section");
    EXPECT_EQ(popup->currentIndex(), 0);
    for (size_t i = 0; i < jumps[page].size(); ++i)
      EXPECT_EQ(popup->itemText(static_cast<int>(i) + 1), jumps[page][i]);
  }
  auto boxes = view.tabViews()[0]->findChildren<SettingsSectionBox*>();
  ASSERT_EQ(boxes.size(), 4);
  EXPECT_EQ(boxes[1]->sectionTitle(), "Content & Density");
  EXPECT_EQ(boxes[1]->accessibleName(), "Content and Density Settings");
}

TEST_F(SettingsViewControllerTest, JumpStripScrollsToTheSectionAndRestsOnItsFirstItem) {
  SettingsViewController& view = open();
  controller->window()->resize(980, 760);
  controller->window()->show();
  view.selectTab(1);
  auto* popup = view.tabViews()[1]->findChild<QComboBox*>();
  auto boxes = view.tabViews()[1]->findChildren<SettingsSectionBox*>();
  QScrollBar* bar = view.scrollView()->verticalScrollBar();
  // Tall sections make the page taller than the window, so there is something to scroll.
  for (auto* box : boxes) box->setMinimumHeight(300);
  QCoreApplication::processEvents();  // the event loop lays the page out

  view.jumpToSectionFromPopup(popup, 0);  // "Select Section" does nothing
  system.scheduler.advance(1);
  EXPECT_EQ(bar->value(), 0);

  const int top = boxes[2]->mapTo(view.tabContainer(), QPoint(0, 0)).y();
  ASSERT_GT(top, 14);
  popup->setCurrentIndex(3);
  view.jumpToSectionFromPopup(popup, 3);
  EXPECT_EQ(popup->currentIndex(), 0);
  system.scheduler.advance(1);
  EXPECT_EQ(bar->value(), std::min(top - 14, bar->maximum()));
}

TEST_F(SettingsViewControllerTest, APageSwitchStartsAtTheTopAndEndsAJumpsScroll) {
  SettingsViewController& view = open();
  controller->window()->resize(980, 760);
  controller->window()->show();
  // Tall sections make every page taller than the window.
  for (int page : {0, 1})
    for (auto* box : view.tabViews()[page]->findChildren<SettingsSectionBox*>()) box->setMinimumHeight(400);
  view.selectTab(1);
  QCoreApplication::processEvents();
  QScrollBar* bar = view.scrollView()->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 300);

  // Showing a page, also the one shown, starts at its top.
  for (int page : {1, 0, 0}) {
    bar->setValue(300);
    view.selectTab(page);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), 0) << page;
  }

  // A jump's 0.25 s scroll that is still running when the page changes stops there.
  view.selectTab(1);
  QCoreApplication::processEvents();
  auto* popup = view.tabViews()[1]->findChild<QComboBox*>();
  view.jumpToSectionFromPopup(popup, 4);
  system.scheduler.advance(0.1);
  EXPECT_GT(bar->value(), 0);
  view.selectTab(0);
  QCoreApplication::processEvents();
  system.scheduler.advance(1);
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(SettingsViewControllerTest, TheWheelOverAJumpToPopUpScrollsThePage) {
  SettingsViewController& view = open();
  controller->window()->resize(980, 760);
  controller->window()->show();
  for (auto* box : view.tabViews()[0]->findChildren<SettingsSectionBox*>()) box->setMinimumHeight(400);
  view.selectTab(0);
  QCoreApplication::processEvents();
  auto* popup = view.tabViews()[0]->findChild<QComboBox*>();
  QScrollBar* bar = view.scrollView()->verticalScrollBar();
  QSignalSpy chosen(popup, &QComboBox::activated);
  // Marked as coming from the window system, as a real wheel step does: it reaches the widget under
  // the pointer first and then its parents, while none takes it.
  const QPointF at(popup->width() / 2.0, popup->height() / 2.0);
  QWheelEvent wheel(at, popup->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QSpontaneKeyEvent::setSpontaneous(&wheel);
  qApp->notify(popup, &wheel);  // sendEvent would take the mark off again
  system.scheduler.advance(1);
  EXPECT_EQ(chosen.count(), 0);  // no section was chosen
  EXPECT_EQ(popup->currentIndex(), 0);
  EXPECT_GT(bar->value(), 0);  // the step went on to the page
}

TEST_F(SettingsViewControllerTest, TheSearchFieldGrowsWithTheHeader) {
  SettingsViewController& view = open();
  QLineEdit* field = view.searchField();
  struct Case {
    int windowWidth;
    int minimumFieldWidth;
  };
  // At the usual width the whole placeholder shows; narrower windows still give more than the minimum.
  const QString placeholder = "Search settings or jump to a control (Ctrl+F)";
  const int placeholderWidth = field->fontMetrics().horizontalAdvance(placeholder);
  for (const Case& c : {Case{980, placeholderWidth + 16}, Case{860, 300}, Case{1400, 360}}) {
    controller->window()->resize(c.windowWidth, 760);
    controller->window()->show();
    QCoreApplication::processEvents();
    EXPECT_GE(field->width(), c.minimumFieldWidth) << c.windowWidth;
    EXPECT_LE(field->width(), 360) << c.windowWidth;
  }
}

TEST_F(SettingsViewControllerTest, SectionBoxSeparatorsAndRebuild) {
  SettingsViewController& view = open();
  auto separatorsIn = [](QWidget* stack) { return stack->findChildren<SettingsSeparator*>().size(); };

  // No descriptions and two custom rows: one separator, between them.
  auto* first = new QLabel("a");
  auto* second = new QLabel("b");
  SettingsViewController::SectionBox custom =
      view.makeSectionBox({}, {first, second}, "Custom", std::nullopt);
  EXPECT_EQ(separatorsIn(custom.innerStack), 1);
  EXPECT_FALSE(custom.box->accessibleName().size());
  // Descriptions and custom rows share the rule: a separator before every row but the first.
  SettingsViewController::SectionBox mixed =
      view.makeSectionBox({{"One", new Switch(), std::nullopt}, {"Two", new Switch(), QString("help")}},
                          {new QLabel("c")}, "Mixed", QString("Mixed Settings"));
  EXPECT_EQ(separatorsIn(mixed.innerStack), 2);
  EXPECT_EQ(mixed.box->accessibleName(), "Mixed Settings");

  // A rebuildable test section over three stored rows; the signature decides.
  SettingsRowView* rowA = view.makeRow("Alpha", new Switch(), std::nullopt);
  SettingsRowView* rowB = view.makeRow("Beta", new Switch(), std::nullopt);
  SettingsRowView* rowC = view.makeRow("Gamma", new Switch(), std::nullopt);
  SettingsViewController::SectionBox box = view.makeSectionBox({}, {}, "Test", std::nullopt);
  SettingsViewController::RebuildableSection section{box.innerStack, std::nullopt};
  bool showExtra = false;
  int assembled = 0;
  auto rows = [&] {
    ++assembled;
    std::vector<QWidget*> list{rowA, rowB};
    if (showExtra) list.push_back(rowC);
    return list;
  };
  auto rebuild = [&] {
    return view.rebuildSection(
        section,
        SettingsViewController::sectionSignature({SettingsViewController::signatureFlag(showExtra), "badge"}),
        rows);
  };
  system.scheduler.runUntilIdle();
  const int passes = view.layoutPassCount();
  EXPECT_TRUE(rebuild());
  EXPECT_EQ(section.signature, "0|badge");
  EXPECT_EQ(separatorsIn(box.innerStack), 1);
  EXPECT_EQ(rowA->parentWidget(), box.innerStack);
  system.scheduler.runUntilIdle();
  EXPECT_EQ(view.layoutPassCount(), passes + 1);

  // Unchanged settings: nothing happens, no layout pass.
  EXPECT_FALSE(rebuild());
  system.scheduler.runUntilIdle();
  EXPECT_EQ(assembled, 1);
  EXPECT_EQ(view.layoutPassCount(), passes + 1);

  showExtra = true;
  EXPECT_TRUE(rebuild());
  EXPECT_EQ(section.signature, "1|badge");
  EXPECT_EQ(separatorsIn(box.innerStack), 2);
  EXPECT_EQ(rowC->parentWidget(), box.innerStack);

  // A row left out is kept (with its control) for the next rebuild, not destroyed.
  showExtra = false;
  EXPECT_TRUE(rebuild());
  QPointer<SettingsRowView> kept(rowC);
  system.scheduler.runUntilIdle();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_TRUE(kept);
  EXPECT_NE(rowC->parentWidget(), box.innerStack);
  EXPECT_EQ(separatorsIn(box.innerStack), 1);

  // Empty and single-row rebuilds add no separator.
  view.rebuildInnerStack(box.innerStack, {});
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(separatorsIn(box.innerStack), 0);
  view.rebuildInnerStack(box.innerStack, {rowB});
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(separatorsIn(box.innerStack), 0);
}

TEST_F(SettingsViewControllerTest, RowsHelpButtonsAndCursors) {
  SettingsViewController& view = open();
  auto* nested = new QWidget();
  auto* inner = new Switch(nested);
  auto* button = new QPushButton("Go", nested);
  SettingsRowView* row = view.makeRow("Row", nested, QString("  \n "));
  // Blank help: no information button, but search still carries it; the tool tip is the help text.
  EXPECT_EQ(row->findChild<InfoPopoverButton*>(), nullptr);
  EXPECT_EQ(row->searchHelpText(), "  \n ");
  // Controls inside plain containers get the hand, each on its own widget; the row does not.
  EXPECT_EQ(inner->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_FALSE(row->testAttribute(Qt::WA_SetCursor));
  EXPECT_FALSE(nested->testAttribute(Qt::WA_SetCursor));

  SettingsRowView* plain = view.makeRow("Plain", new Switch(), std::nullopt);
  EXPECT_TRUE(plain->toolTip().isEmpty());
  SettingsRowView* helped = view.makeRow("Helped", new Switch(), QString("Explains <b>this</b> & that"));
  EXPECT_EQ(helped->findChildren<InfoPopoverButton*>().size(), 1);
  EXPECT_EQ(helped->findChild<InfoPopoverButton*>()->helpText(), "Explains <b>this</b> & that");
}

TEST_F(SettingsViewControllerTest, TextsReachQtAsPlainText) {
  SettingsViewController& view = open();
  SettingsViewController::NoticeDescription notice;
  notice.symbolName = "info.circle.fill";
  notice.text = "Grouping is off. <b>Not bold</b>";
  notice.buttonTitle = QString("Feedback & Support");
  SettingsNoticeRow* row = view.makeNoticeRow(notice);
  EXPECT_EQ(row->findChild<QPushButton*>()->text(), "Feedback && Support");
  EXPECT_EQ(row->findChild<WrappingLabel*>()->textFormat(), Qt::PlainText);
  QWidget* header = view.makeSectionHeader("System & Startup", QString("Display <i>behavior</i>"));
  for (auto* label : header->findChildren<QLabel*>()) EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_EQ(header->findChildren<QLabel*>()[0]->text(), "System & Startup");
  // The jump strip's pop-up shows its items literally: no doubling there.
  QWidget* strip = view.makeSectionJumpStrip({{"Animation & Windows", header}});
  EXPECT_EQ(strip->findChild<QComboBox*>()->itemText(1), "Animation & Windows");
}

// Every text a person reads or hears in the window: labels, buttons, tooltips, placeholders,
// accessible names and the rows' help.
QStringList readableTexts(const QWidget& root) {
  QStringList texts;
  for (const QWidget* widget : root.findChildren<QWidget*>()) {
    texts << widget->toolTip() << widget->accessibleName() << widget->accessibleDescription();
    if (auto* wrapping = qobject_cast<const WrappingLabel*>(widget))
      texts << wrapping->fullText();
    else if (auto* eliding = qobject_cast<const ElidingLabel*>(widget))
      texts << eliding->fullText();
    else if (auto* label = qobject_cast<const QLabel*>(widget))
      texts << label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) texts << button->text();
    if (auto* field = qobject_cast<const QLineEdit*>(widget)) texts << field->placeholderText();
    if (auto* info = qobject_cast<const InfoPopoverButton*>(widget)) texts << info->helpText();
    if (auto* row = qobject_cast<const SettingsRowView*>(widget))
      texts << QString::fromStdString(row->searchHelpText().value_or(""));
  }
  texts.removeAll(QString());
  return texts;
}

// Control plays Command's part on this keyboard and Alt is Option: no text names a Mac key.
TEST_F(SettingsViewControllerTest, TextsNameTheKeysOfThisKeyboard) {
  system.settings->autoHide = true;  // the Auto-Hide page shows all its rows
  SettingsViewController& view = open();
  system.scheduler.runUntilIdle();
  QStringList texts = readableTexts(*controller->window());
  for (const SettingsControlEntry& entry : settingsControlCatalog())
    for (std::string_view text : {entry.rowLabel, entry.helpText, entry.tooltip, entry.accessibilityLabel})
      texts << QString::fromUtf8(text.data(), static_cast<int>(text.size()));
  ASSERT_GT(texts.size(), 200);
  const QRegularExpression macKey("\\b(Cmd|Command|Opt|Option)\\s*[+-]|\u2318|\u2325");
  for (const QString& text : texts) EXPECT_FALSE(text.contains(macKey)) << text.toStdString();
  EXPECT_TRUE(texts.contains("Search settings or jump to a control (Ctrl+F)"));
  EXPECT_TRUE(texts.contains(view.keyboardHintLabel()->fullText()));
  EXPECT_TRUE(texts.contains("Dim items whose app is hidden (Ctrl+H)"));
  EXPECT_TRUE(texts.contains("Toggle taskbar visibility with Ctrl+Alt+T"));
  EXPECT_TRUE(texts.contains("Shortcut (Ctrl+Alt+T)"));
}

TEST_F(SettingsViewControllerTest, InfoPopoverTexts) {
  InfoPopoverButton blank("  \n\t ");
  EXPECT_EQ(blank.helpText(), "No additional details available.");
  EXPECT_EQ(blank.accessibleName(), "Info: No additional details available.");
  EXPECT_FALSE(blank.toolTip().isEmpty());

  InfoPopoverButton help("  Hide the bar <i>now</i>\n");
  EXPECT_EQ(help.helpText(), "Hide the bar <i>now</i>");
  EXPECT_EQ(help.accessibleName(), "Info: Hide the bar <i>now</i>");
  EXPECT_EQ(help.popover(), nullptr);
  help.togglePopover();
  ASSERT_NE(help.popover(), nullptr);
  InfoPopover* first = help.popover();
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->text(), "Hide the bar <i>now</i>");
  help.togglePopover();
  EXPECT_FALSE(first->isVisible());
  help.togglePopover();
  EXPECT_EQ(help.popover(), first);  // reused
  first->close();
}

TEST_F(SettingsViewControllerTest, SearchFlashAndHoverShareTheLook) {
  SettingsViewController& view = open();
  SettingsRowView* row = view.makeRow("Row", new Switch(), std::nullopt);
  row->resize(400, 40);
  row->show();
  const QPoint inside = row->mapToGlobal(QPoint(10, 10));

  row->flashSearchHighlight();
  EXPECT_EQ(row->look(), SettingsRowView::Look::highlighted);
  row->refreshHoverState(inside);  // hover is recorded under the flash, not drawn
  EXPECT_TRUE(row->isHovered());
  EXPECT_EQ(row->look(), SettingsRowView::Look::highlighted);
  system.scheduler.advance(1.0);
  row->flashSearchHighlight();  // a second flash restarts the 1.6 s
  system.scheduler.advance(1.5);
  EXPECT_EQ(row->look(), SettingsRowView::Look::highlighted);
  system.scheduler.advance(0.11);
  EXPECT_EQ(row->look(), SettingsRowView::Look::hovered);

  row->refreshHoverState(row->mapToGlobal(QPoint(10, 100)));
  EXPECT_EQ(row->look(), SettingsRowView::Look::clear);
  // A row that leaves its window reports not hovered.
  row->hide();
  row->refreshHoverState(inside);
  EXPECT_FALSE(row->isHovered());

  // A row freed before its flash ends is not touched.
  SettingsRowView* doomed = view.makeRow("Doomed", new Switch(), std::nullopt);
  doomed->flashSearchHighlight();
  delete doomed;
  system.scheduler.advance(2);
  delete row;
}

TEST_F(SettingsViewControllerTest, HoverRefreshFollowsAPointerAtRest) {
  SettingsViewController& view = open();
  controller->window()->resize(980, 760);
  controller->window()->show();
  view.selectTab(4);
  auto cards = view.tabViews()[4]->findChildren<PresetCardView*>();
  ASSERT_EQ(cards.size(), 9);
  view.layout()->activate();
  pointer = cards[0]->mapToGlobal(QPoint(5, 5));
  view.refreshHoverStatesInSettingsContent();
  EXPECT_TRUE(cards[0]->isHovered());
  EXPECT_FALSE(cards[1]->isHovered());
  pointer = std::nullopt;
  view.refreshHoverStatesInSettingsContent();
  EXPECT_FALSE(cards[0]->isHovered());

  // A card that appears under a resting pointer takes its hover look at once.
  pointer = QPoint(100000, 100000);
  PresetCardView card("dock.rectangle", "Card", "features", {}, [this] { return pointer; });
  card.resize(300, 160);
  pointer = QPoint(0, 0) + QPoint(20, 20);
  card.move(0, 0);
  card.show();
  pointer = card.mapToGlobal(QPoint(20, 20));
  card.hide();
  card.show();
  EXPECT_TRUE(card.isHovered());
}

// A card laid out again under a resting pointer (the Presets page opened with its shortcut is laid out
// once more as the window settles; here the window widens) gets no enter or leave event: it looks again
// where the pointer is, and its hover look ends once the pointer is no longer on it.
TEST_F(SettingsViewControllerTest, ACardLaidOutAgainUnderARestingPointerHoversOnlyWhileOnIt) {
  SettingsViewController& view = open();
  SettingsWindow* window = controller->window();
  window->resize(980, 760);
  window->show();
  QTest::keyClick(window, Qt::Key_5, Qt::ControlModifier);
  ASSERT_EQ(view.currentTabIndex(), 4);
  QApplication::processEvents();
  const auto cards = view.tabViews()[4]->findChildren<PresetCardView*>();
  ASSERT_GE(cards.size(), 2);
  PresetCardView* right = cards[1];
  pointer = right->mapToGlobal(QPoint(3, 20));
  view.refreshHoverStatesInSettingsContent();
  ASSERT_TRUE(right->isHovered());

  window->resize(1400, 760);
  QApplication::processEvents();
  ASSERT_FALSE(right->rect().contains(right->mapFromGlobal(*pointer))) << "the card did not move";
  EXPECT_FALSE(right->isHovered());
  for (PresetCardView* card : cards)
    EXPECT_EQ(card->isHovered(), card->rect().contains(card->mapFromGlobal(*pointer)))
        << card->toolTip().toStdString();
}

TEST_F(SettingsViewControllerTest, CursorsArePerWidgetAndNeverPushed) {
  SettingsViewController& view = open();
  controller->window()->show();
  view.selectTab(4);
  auto* card = view.tabViews()[4]->findChild<PresetCardView*>();
  SettingsSidebarButton* button = view.sidebarButtons()[2];
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(card, &enter);
  QCoreApplication::sendEvent(button, &enter);
  EXPECT_TRUE(card->isHovered());
  EXPECT_TRUE(button->isHovered());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(card->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
  // The hovered card goes away under the pointer: nothing of its hover is left behind.
  delete card;
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(button, &leave);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(SettingsViewControllerTest, SidebarButtonLooks) {
  SettingsViewController& view = open();
  SettingsSidebarButton* button = view.sidebarButtons()[3];
  const auto brand = Color{0.984, 0.749, 0.141, 1.0};
  EXPECT_EQ(button->appearance().background.alpha, 0);
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(button, &enter);
  EXPECT_DOUBLE_EQ(button->appearance().background.alpha, 0.05);
  EXPECT_EQ(button->appearance().barAlpha, 0);
  view.selectTab(3);
  // The selected button keeps the brand look while hovered.
  EXPECT_EQ(button->appearance().background, brand.withAlpha(0.16));
  EXPECT_EQ(button->appearance().border, brand.withAlpha(0.26));
  EXPECT_EQ(button->appearance().iconTint, brand);
  EXPECT_EQ(button->appearance().barAlpha, 1);
}

TEST_F(SettingsViewControllerTest, RenderingModeFollowsTheScreen) {
  SettingsViewController& view = open();
  auto cards = view.tabViews()[4]->findChildren<PresetCardView*>();
  auto boxes = view.tabViews()[0]->findChildren<SettingsSectionBox*>();
  boxes[0]->setShowsShadowStyle(true);

  setScale(1.0);
  view.updateDisplayRenderingMode();
  EXPECT_EQ(view.currentRenderingMode(), SettingsRenderingMode::lowDensity);
  EXPECT_TRUE(view.backgroundVisualEffectView()->isHidden());
  EXPECT_FALSE(view.backgroundUnderlayView()->isHidden());
  EXPECT_EQ(view.backgroundVisualEffectView()->material(), VisualEffectMaterial::windowBackground);
  EXPECT_EQ(view.sidebarSurfaceView()->shadow(), SurfaceShadow{});
  EXPECT_EQ(view.contentSurfaceView()->shadow(), SurfaceShadow{});
  EXPECT_EQ(boxes[0]->shadow(), SurfaceShadow{});
  EXPECT_DOUBLE_EQ(boxes[0]->fillColor().alpha, 1.0);
  EXPECT_DOUBLE_EQ(view.sidebarSurfaceView()->fillColor().alpha, 1.0);
  for (auto* card : cards) {
    EXPECT_EQ(card->currentRenderingMode(), SettingsRenderingMode::lowDensity);
    EXPECT_DOUBLE_EQ(card->fillColor().alpha, 1.0);
  }

  setScale(2.0);
  view.updateDisplayRenderingMode();
  EXPECT_EQ(view.currentRenderingMode(), SettingsRenderingMode::standard);
  EXPECT_FALSE(view.backgroundVisualEffectView()->isHidden());
  EXPECT_TRUE(view.backgroundUnderlayView()->isHidden());
  EXPECT_EQ(view.backgroundVisualEffectView()->material(), VisualEffectMaterial::underWindowBackground);
  EXPECT_EQ(view.sidebarSurfaceView()->shadow(), (SurfaceShadow{0.09, 12, 3}));
  EXPECT_EQ(boxes[0]->shadow(), (SurfaceShadow{0.08, 12, 2}));
  EXPECT_DOUBLE_EQ(boxes[0]->fillColor().alpha, 0.72);
  EXPECT_DOUBLE_EQ(cards[0]->fillColor().alpha, 0.88);

  setScale(1.5);
  view.selectTab(2);  // a page switch chooses again
  EXPECT_EQ(view.currentRenderingMode(), SettingsRenderingMode::lowDensity);

  // Without any screen the standard look stays.
  SettingsViewController::Dependencies noScreens = viewDependencies();
  noScreens.screens = nullptr;
  SettingsViewController screenless(system.settings, noScreens);
  screenless.loadViewIfNeeded();
  screenless.updateDisplayRenderingMode();
  EXPECT_EQ(screenless.currentRenderingMode(), SettingsRenderingMode::standard);
}

TEST_F(SettingsViewControllerTest, TenLayoutRequestsMakeOnePass) {
  SettingsViewController& view = open();
  system.scheduler.runUntilIdle();
  const int before = view.layoutPassCount();
  for (int i = 0; i < 10; ++i) view.resizeWindowToFit();
  EXPECT_TRUE(view.isWindowResizeScheduled());
  EXPECT_EQ(view.layoutPassCount(), before);
  system.scheduler.runUntilIdle();
  EXPECT_EQ(view.layoutPassCount(), before + 1);
  EXPECT_FALSE(view.isWindowResizeScheduled());
  view.resizeWindowToFit();
  system.scheduler.runUntilIdle();
  EXPECT_EQ(view.layoutPassCount(), before + 2);

  // A pass that runs after the controller is gone does nothing.
  view.resizeWindowToFit();
  controller.reset();
  system.scheduler.runUntilIdle();
}

TEST_F(SettingsViewControllerTest, PresetSheetApplyAndCancel) {
  SettingsViewController& view = open();
  auto* card = view.tabViews()[4]->findChildren<PresetCardView*>()[0];  // Windows Icons, first of its group
  view.showSuggestion("suggestion", "test-key", "Apply", [] {});
  QPointer<QWidget> weakBanner(view.suggestionContainer());
  ASSERT_TRUE(weakBanner);

  system.settings->position = TaskbarPosition::left;
  alerts.scriptedAnswers = {1};  // Cancel
  card->applyButton()->click();
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0].messageText, "Apply Windows (Icons) Preset?");
  EXPECT_EQ(alerts.shown[0].informativeText,
            "This will change multiple settings to match the Windows (Icons) style.");
  EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"Apply", "Cancel"}));
  EXPECT_EQ(alerts.shown[0].style, platform::AlertContent::Style::informational);
  EXPECT_EQ(alerts.shown[0].cancelButton, 1);
  EXPECT_EQ(alerts.owners[0].window, view.window()) << "the settings window's own alert, over it";
  EXPECT_EQ(system.settings->position.get(), TaskbarPosition::left);
  EXPECT_TRUE(weakBanner && !weakBanner->isHidden());

  // Apply: the banner goes before the settings change.
  bool bannerGoneWhenApplied = false;
  auto watch = system.settings->position.publisher().dropFirst().sink(
      [&](TaskbarPosition) { bannerGoneWhenApplied = !weakBanner || weakBanner->isHidden(); });
  alerts.scriptedAnswers = {0};
  card->applyButton()->click();
  EXPECT_EQ(system.settings->position.get(), TaskbarPosition::bottom);
  EXPECT_TRUE(bannerGoneWhenApplied);

  // Outside a window nothing is asked and nothing changes.
  SimulatedSystem loose;
  SettingsViewController detached(
      loose.settings, {loose.scheduler, loose.defaults, alerts, loose.mac.appShell(), nullptr, {}, {}, {}});
  detached.loadViewIfNeeded();
  loose.settings->position = TaskbarPosition::top;
  detached.applyPresetWithConfirmation(TaskbarPresetID::windowsIcons);
  detached.resetToDefaults();
  EXPECT_EQ(alerts.shown.size(), 2u);
  EXPECT_EQ(loose.settings->position.get(), TaskbarPosition::top);
}

TEST_F(SettingsViewControllerTest, PresetsPageLayoutAndResetSheet) {
  SettingsViewController& view = open();
  QWidget* page = view.tabViews()[4];
  auto cards = page->findChildren<PresetCardView*>();
  ASSERT_EQ(cards.size(), 9);
  for (auto* card : cards) EXPECT_EQ(card->applyButton()->text(), "Apply");
  EXPECT_TRUE(cards[0]->toolTip().contains("Windows Icons: Flat taskbar, grouped icons, subtle group dots"));

  auto* reset = [&]() -> QPushButton* {
    for (auto* button : page->findChildren<QPushButton*>())
      if (button->text() == "Reset All Settings to Defaults") return button;
    return nullptr;
  }();
  ASSERT_NE(reset, nullptr);
  EXPECT_TRUE(reset->toolTip().contains("Reset all settings to their default values"));

  system.settings->taskbarSize = 150;
  alerts.scriptedAnswers = {1};
  reset->click();
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0].messageText, "Reset All Settings?");
  EXPECT_EQ(alerts.shown[0].informativeText,
            "This will restore all settings to their default values. This cannot be undone.");
  EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"Reset", "Cancel"}));
  EXPECT_EQ(alerts.shown[0].style, platform::AlertContent::Style::warning);
  EXPECT_EQ(system.settings->taskbarSize.get(), 150);
  alerts.scriptedAnswers = {0};
  reset->click();
  EXPECT_NE(system.settings->taskbarSize.get(), 150);
}

TEST_F(SettingsViewControllerTest, QuitGoesThroughTheShell) {
  int quits = 0;
  SettingsViewController::Dependencies deps = viewDependencies();
  deps.quitApplication = [&] { ++quits; };
  SettingsViewController view(system.settings, deps);
  view.quitPelko();
  EXPECT_EQ(quits, 1);
}

}  // namespace
}  // namespace pelko::test
