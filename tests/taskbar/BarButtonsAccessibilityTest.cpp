// The bar's buttons as a screen reader meets them: an item button and a thumbnail card are buttons whose
// Press does what their click does, the front application's button (the front window's, one button a
// window) is a toggle pressed in, as the bar draws it, and a card's close control, drawn inside it, is a
// child button named for the window it closes ("Close notes.txt") in the control's place whose Press closes
// the window.

#include <gtest/gtest.h>

#include <QAccessible>
#include <algorithm>
#include <set>

#include "support/AppItemViewTestAccess.h"
#include "taskbar/ThumbnailCard.h"
#include "taskbar/ThumbnailTestWorld.h"

namespace pelko::test {
namespace {

using Action = QAccessibleActionInterface;

QAccessibleInterface* accessible(QWidget& widget) {
  return QAccessible::queryAccessibleInterface(&widget);
}

void press(QAccessibleInterface* item) {
  ASSERT_NE(item, nullptr);
  ASSERT_NE(item->actionInterface(), nullptr);
  ASSERT_TRUE(item->actionInterface()->actionNames().contains("Press"))
      << item->actionInterface()->actionNames().join(",").toStdString();
  item->actionInterface()->doAction(Action::pressAction());
}

class BarButtonsAccessibilityTest : public ThumbnailTest {
 protected:
  void SetUp() override {
    connectTracker();
    mac.permissions().accessibilityTrusted = true;
    editor = mac.launchApp("com.example.Editor", "Editor");
    for (int i = 0; i < 3; ++i)
      windows.push_back(
          mac.openWindow(editor, {.title = "Doc " + std::to_string(i), .bounds = {100, 100, 600, 400}}));
    mail = mac.launchApp("com.example.Mail", "Mail");
    mac.openWindow(mail, {.title = "Inbox", .bounds = {200, 200, 600, 400}});
    mac.activate(mail);
    tracker->start();
    scheduler.runUntilIdle();
  }
  void TearDown() override {
    tracker->stop();
    ThumbnailTest::TearDown();
  }
  bool performed(const std::string& action) {
    const auto texts = mac.actionTexts();
    return std::find(texts.begin(), texts.end(), action) != texts.end();
  }
  // Hovers `item` until its panel shows with its pictures.
  void hover(AppItemView& item) {
    item.mouseEntered();
    scheduler.advance(settings->thumbnailDelay.get() + 0.1);
    scheduler.runUntilIdle();
  }

  std::unique_ptr<TaskbarViewController> makeBar() {
    return std::make_unique<TaskbarViewController>(
        tracker, windowManager, accessories.systemTrayManager, settings, false,
        TaskbarViewController::Environment{scheduler, mac.workspace(), appearance, accessibilityHelper,
                                           accessories.trash, accessories.alerts, &services});
  }
  // The buttons of the application `pid` on `bar`.
  static std::vector<AppItemView*> buttonsOf(TaskbarViewController& bar, int32_t pid) {
    std::vector<AppItemView*> buttons;
    for (AppItemView* item : bar.arrangedItems())
      if (item->trackedApp() && item->trackedApp()->pid == pid) buttons.push_back(item);
    return buttons;
  }

  int32_t editor = 0, mail = 0;
  std::vector<platform::WindowID> windows;
};

TEST_F(BarButtonsAccessibilityTest, AnItemButtonsPressActivatesItsEntryAsItsClickDoes) {
  auto bar = makeBar();
  auto panel = makePanel(*bar);
  scheduler.advance(1);
  const std::vector<AppItemView*> editorButtons = buttonsOf(*bar, editor);
  ASSERT_FALSE(editorButtons.empty());
  AppItemView* button = editorButtons.back();
  ASSERT_EQ(mac.frontmostPID(), mail);

  QAccessibleInterface* item = accessible(*button);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->role(), QAccessible::Button);
  EXPECT_EQ(item->text(QAccessible::Name), "Editor, 3 windows");
  EXPECT_EQ(item->text(QAccessible::Description), "Click to activate Editor");
  // The button takes no keyboard focus: Press is all it offers.
  EXPECT_EQ(item->actionInterface()->actionNames(), QStringList{"Press"});

  press(item);
  scheduler.runUntilIdle();
  EXPECT_EQ(mac.frontmostPID(), editor);
  EXPECT_TRUE(AppItemViewTestAccess::isCurrentlyActive(*button));
}

TEST_F(BarButtonsAccessibilityTest, TheFrontApplicationsButtonAloneIsCheckedAndTheCheckFollowsTheFront) {
  auto bar = makeBar();
  auto panel = makePanel(*bar);
  scheduler.advance(1);
  // The names of the checked buttons.
  const auto checkedNames = [&] {
    std::set<QString> names;
    for (AppItemView* item : bar->arrangedItems()) {
      QAccessibleInterface* button = accessible(*item);
      EXPECT_TRUE(button->state().checkable) << button->text(QAccessible::Name).toStdString();
      if (button->state().checked) names.insert(button->text(QAccessible::Name));
    }
    return names;
  };
  ASSERT_EQ(buttonsOf(*bar, editor).size(), 1u);
  ASSERT_EQ(buttonsOf(*bar, mail).size(), 1u);
  EXPECT_EQ(checkedNames(), std::set<QString>{"Mail"});
  EXPECT_EQ(accessible(*buttonsOf(*bar, mail)[0])->role(), QAccessible::Button)
      << "still a button, pressed in";

  mac.activate(editor);
  scheduler.advance(1);
  EXPECT_EQ(checkedNames(), std::set<QString>{"Editor, 3 windows"});

  // One button a window: the front window's alone.
  settings->groupWindows = false;
  tracker->forceRefresh();
  scheduler.advance(1);
  ASSERT_EQ(buttonsOf(*bar, editor).size(), 3u);
  const auto checkedWindows = [&] {
    std::vector<int64_t> checked;
    for (AppItemView* item : bar->arrangedItems())
      if (accessible(*item)->state().checked)
        checked.push_back(item->trackedApp()->windowNumber.value_or(-1));
    return checked;
  };
  EXPECT_EQ(checkedWindows(), std::vector<int64_t>{static_cast<int64_t>(mac.focusedWindow(editor))});
  mac.activate(mail);
  scheduler.advance(1);
  EXPECT_EQ(checkedWindows(), std::vector<int64_t>{static_cast<int64_t>(mac.focusedWindow(mail))});
}

// The press is the click itself: they share the click's debounce, and a press ends a shown panel.
TEST_F(BarButtonsAccessibilityTest, APressAndAClickAreOneClickPathWithOneDebounce) {
  auto button = makeThumbnailItem(appEntry(editor, "Editor"));
  int clicks = 0;
  button->onClick = [&clicks] { ++clicks; };
  hover(*button);
  ASSERT_NE(button->activeThumbnailPanel(), nullptr);

  press(accessible(*button));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(button->activeThumbnailPanel(), nullptr) << "a click ends the panel";
  EXPECT_TRUE(AppItemViewTestAccess::isCurrentlyActive(*button)) << "the active look of a click";
  button->mouseDown(false);
  button->mouseUp(true);
  EXPECT_EQ(clicks, 1) << "a click 0 s after the press is the same click";
  scheduler.advance(0.05);
  press(accessible(*button));
  EXPECT_EQ(clicks, 2);
}

TEST_F(BarButtonsAccessibilityTest, ACardsPressFocusesItsWindowAndItsCloseChildClosesIt) {
  auto button = makeThumbnailItem(appEntry(editor, "Editor"));
  hover(*button);
  ASSERT_NE(button->activeThumbnailPanel(), nullptr);
  auto cards = button->activeThumbnailPanel()->cards();
  ASSERT_EQ(cards.size(), 3u);
  ThumbnailCard* card = cards[1];
  ASSERT_EQ(card->windowNumber(), static_cast<int64_t>(windows[1]));

  QAccessibleInterface* item = accessible(*card);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->role(), QAccessible::Button);
  EXPECT_EQ(item->text(QAccessible::Name), "Doc 1");
  EXPECT_EQ(item->text(QAccessible::Description), "Click to focus this window");
  // The close control: 18 by 18, 2 points inside the card's top trailing corner, there for a screen
  // reader whether or not the pointer is on the card.
  ASSERT_EQ(item->childCount(), 1);
  QAccessibleInterface* close = item->child(0);
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->role(), QAccessible::Button);
  EXPECT_EQ(close->text(QAccessible::Name).toStdString(), "Close Doc 1");
  EXPECT_EQ(close->parent(), item);
  const QPoint topLeft = card->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(close->rect(), QRect(topLeft.x() + card->width() - 2 - 18, topLeft.y() + 2, 18, 18));
  EXPECT_EQ(card->closeButtonAlpha(), 0);
  EXPECT_FALSE(close->state().invisible);

  mac.clearActions();
  press(close);
  scheduler.runUntilIdle();
  EXPECT_TRUE(performed("AXPress AXCloseButton window=" + std::to_string(windows[1])));
  EXPECT_FALSE(mac.window(windows[1]).has_value());
  EXPECT_EQ(button->activeThumbnailPanel(), nullptr);
  deleteLaterNow();

  scheduler.advance(3);
  hover(*button);
  ASSERT_NE(button->activeThumbnailPanel(), nullptr);
  cards = button->activeThumbnailPanel()->cards();
  ASSERT_EQ(cards.size(), 2u);
  ASSERT_EQ(cards[1]->windowNumber(), static_cast<int64_t>(windows[2]));
  mac.clearActions();
  press(accessible(*cards[1]));
  scheduler.runUntilIdle();
  EXPECT_TRUE(performed("AXRaise window=" + std::to_string(windows[2])));
  EXPECT_EQ(mac.frontmostPID(), editor);
  EXPECT_EQ(button->activeThumbnailPanel(), nullptr);
  EXPECT_TRUE(mac.window(windows[2]).has_value()) << "the card's own press closes nothing";
}

}  // namespace
}  // namespace pelko::test
