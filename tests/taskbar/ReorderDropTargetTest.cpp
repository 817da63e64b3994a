#include "taskbar/ReorderDropTarget.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "TaskbarTestWorld.h"
#include "taskbar/CustomAppOrder.h"

namespace pelko::test {
namespace {

TEST(CustomAppOrderTest, MergeKeepsWhatTheBarDoesNotShowInPlaceAndTheBarsOrderAsOneBlock) {
  using List = std::vector<std::string>;
  struct Case {
    List stored, bar, expected;
  } cases[] = {
      {{}, {"a", "b"}, {"a", "b"}},
      {{"x", "b", "y", "a", "z"}, {"a", "b"}, {"x", "a", "b", "y", "z"}},
      // An identifier new to the order joins the block.
      {{"x", "a"}, {"c", "a"}, {"x", "c", "a"}},
      // None of the bar's identifiers stored yet: the block goes at the end.
      {{"x", "y"}, {"b", "a"}, {"x", "y", "b", "a"}},
      {{"x", "a"}, {}, {"x", "a"}},
  };
  for (const auto& c : cases) EXPECT_EQ(mergedCustomAppOrder(c.stored, c.bar), c.expected);
}

class ReorderDropTargetTest : public TaskbarTest {
 protected:
  std::unique_ptr<TaskbarViewController> bar = makeController(true);
  std::unique_ptr<TaskbarPanel> panel;
  TrackedAppPtr editor = appEntry(501, "Editor"), mail = appEntry(502, "Mail"),
                notes = appEntry(503, "Notes"), music = appEntry(504, "Music"), chat = appEntry(505, "Chat");
  int session = 0;  // stands for one drag's data

  void SetUp() override {
    panel = makePanel(*bar);
    bar->updateFilteredApps({editor, mail, notes, music});
  }
  void TearDown() override {
    panel.reset();
    bar.reset();
  }
  std::vector<std::string> shown() {
    std::vector<std::string> names;
    for (AppItemView* item : bar->arrangedItems()) names.push_back(item->trackedApp()->name);
    return names;
  }
  AppItemView* button(const TrackedAppPtr& app) { return bar->itemView(app->id); }
  // A point on `target` at `fraction` of its length, in the bar's coordinates.
  QPointF at(const TrackedAppPtr& target, double fraction) {
    AppItemView* item = button(target);
    const bool across = bar->appStackView()->orientation() == Qt::Horizontal;
    const QPoint inside = across ? QPoint(static_cast<int>(item->width() * fraction), item->height() / 2)
                                 : QPoint(item->width() / 2, static_cast<int>(item->height() * fraction));
    return item->mapTo(bar->view(), inside);
  }
  ReorderDrag drag(QObject* source, QPointF position = {}, const void* data = nullptr) {
    return ReorderDrag{source, data ? data : &session, std::string("com.example.any"), position};
  }
  void enterWith(const TrackedAppPtr& app) { bar->reorderDragEntered(drag(button(app))); }
  void moveOver(const TrackedAppPtr& source, const TrackedAppPtr& target, double fraction) {
    bar->reorderDragUpdated(drag(button(source), at(target, fraction)));
  }
};

TEST_F(ReorderDropTargetTest, TheDraggedButtonLandsBeforeTheFirstButtonWhoseMiddleThePointerIsBefore) {
  enterWith(editor);
  moveOver(editor, mail, 0.3);  // first half of the second button: it would land where it is
  EXPECT_EQ(shown(), (std::vector<std::string>{"Editor", "Mail", "Notes", "Music"}));
  moveOver(editor, notes, 0.7);  // past the third button's middle
  EXPECT_EQ(shown(), (std::vector<std::string>{"Mail", "Notes", "Editor", "Music"}));
  moveOver(editor, music, 0.9);
  EXPECT_EQ(shown(), (std::vector<std::string>{"Mail", "Notes", "Music", "Editor"}));
  moveOver(editor, mail, 0.2);
  EXPECT_EQ(shown(), (std::vector<std::string>{"Editor", "Mail", "Notes", "Music"}));

  // A column: above a button's middle is before it.
  settings->position = TaskbarPosition::left;
  panel->updatePosition(TaskbarPosition::left, settings->barThickness(), mac.screens().screens().front(), 0,
                        0);
  panel->syncContentViewFrame();
  bar->updateLayout(TaskbarPosition::left);
  ASSERT_EQ(bar->appStackView()->orientation(), Qt::Vertical);
  enterWith(music);
  moveOver(music, editor, 0.4);
  EXPECT_EQ(shown(), (std::vector<std::string>{"Music", "Editor", "Mail", "Notes"}));
  moveOver(music, mail, 0.6);
  EXPECT_EQ(shown(), (std::vector<std::string>{"Editor", "Mail", "Music", "Notes"}));
}

TEST_F(ReorderDropTargetTest, LeavingPutsTheButtonBackAndAppliesTheNewestListThatArrivedMeanwhile) {
  enterWith(notes);
  moveOver(notes, editor, 0.1);
  bar->updateFilteredApps({editor, mail, notes});
  bar->updateFilteredApps({editor, mail, notes, music, chat});
  EXPECT_EQ(shown(), (std::vector<std::string>{"Notes", "Editor", "Mail", "Music"})) << "parked";
  bar->reorderDragExited();
  scheduler.runUntilIdle();
  EXPECT_FALSE(bar->reorderTarget().isDraggingReorder());
  EXPECT_EQ(shown(), (std::vector<std::string>{"Editor", "Mail", "Notes", "Music", "Chat"}));
  bar->updateFilteredApps({editor, chat});
  EXPECT_EQ(shown(), (std::vector<std::string>{"Editor", "Chat"})) << "followed again";
}

// The toolkit sends a leave and an enter at every button edge the pointer crosses.
TEST_F(ReorderDropTargetTest, ALeaveFollowedByAnEnterOfTheSameDragChangesNothing) {
  enterWith(editor);
  moveOver(editor, notes, 0.8);
  bar->reorderDragExited();
  enterWith(editor);
  scheduler.runUntilIdle();
  EXPECT_TRUE(bar->reorderTarget().isDraggingReorder());
  EXPECT_EQ(shown(), (std::vector<std::string>{"Mail", "Notes", "Editor", "Music"}));
  bar->reorderDragExited();
  scheduler.runUntilIdle();
  EXPECT_EQ(shown(), (std::vector<std::string>{"Editor", "Mail", "Notes", "Music"})) << "index on entering";
}

TEST_F(ReorderDropTargetTest, ADropMergesTheBarsOrderIntoTheStoredOneAndRefreshesAQuarterSecondLater) {
  settings->customAppOrder =
      StringList{"com.example.Other", "com.example.Mail", "com.example.Gone", "com.example.Editor"};
  enterWith(editor);
  moveOver(editor, notes, 0.9);
  EXPECT_TRUE(bar->reorderPerformDrag(drag(button(editor), at(notes, 0.9))));
  EXPECT_EQ(settings->customAppOrder.get(),
            (StringList{"com.example.Other", "com.example.Mail", "com.example.Notes", "com.example.Editor",
                        "com.example.Music", "com.example.Gone"}));
  EXPECT_FALSE(bar->reorderTarget().isDraggingReorder());
  EXPECT_EQ(bar->reorderTarget().draggingSourceView(), nullptr);
  EXPECT_FALSE(bar->reorderTarget().originalDragIndex());
}

TEST_F(ReorderDropTargetTest, ABarWithOneButtonPerWindowStoresEachApplicationOnceAtItsFirstButton) {
  auto first = windowEntry(501, 11, "One"), other = windowEntry(502, 21, "Inbox", "Mail"),
       second = windowEntry(501, 12, "Two");
  bar->updateFilteredApps({first, other, second});
  bar->reorderDragEntered(drag(button(other)));
  EXPECT_TRUE(bar->reorderPerformDrag(drag(button(other))));
  EXPECT_EQ(settings->customAppOrder.get(), (StringList{"com.example.Editor", "com.example.Mail"}));
}

TEST_F(ReorderDropTargetTest, ADropAppliesTheParkedListInTheNewOrderAndKeepsNothingForLater) {
  enterWith(editor);
  moveOver(editor, music, 0.9);
  bar->updateFilteredApps({editor, mail, notes, music, chat});
  EXPECT_TRUE(bar->reorderPerformDrag(drag(button(editor))));
  EXPECT_FALSE(bar->reorderTarget().hasParkedList());
  EXPECT_EQ(shown(), (std::vector<std::string>{"Mail", "Notes", "Music", "Editor", "Chat"}));
  // A later drag that leaves puts its button back and brings no old list with it.
  enterWith(mail);
  moveOver(mail, chat, 0.9);
  bar->reorderDragExited();
  scheduler.runUntilIdle();
  EXPECT_EQ(shown(), (std::vector<std::string>{"Mail", "Notes", "Music", "Editor", "Chat"}));
}

TEST_F(ReorderDropTargetTest, EveryWayADragEndsLeavesTheDraggingStateAndAppliesTheParkedList) {
  const std::vector<std::string> newest{"Editor", "Mail", "Chat"};
  auto parkDuring = [&](const std::function<void()>& start, const std::function<void()>& end,
                        const char* what) {
    bar->updateFilteredApps({editor, mail, notes, music});
    start();
    bar->updateFilteredApps({editor, mail, chat});
    EXPECT_TRUE(bar->reorderTarget().isDraggingReorder()) << what;
    end();
    scheduler.runUntilIdle();
    EXPECT_FALSE(bar->reorderTarget().isDraggingReorder()) << what;
    EXPECT_EQ(shown(), newest) << what;
  };
  // From a button of another bar: this bar's buttons stay, the state ends with the leave.
  auto otherBar = makeController(true);
  otherBar->view();
  otherBar->updateFilteredApps({music});
  parkDuring([&] { bar->reorderDragEntered(drag(otherBar->itemView(music->id))); },
             [&] { bar->reorderDragExited(); }, "another bar's button");
  // Cancelled where it started: no leave comes, the source's drag ends.
  parkDuring([&] { enterWith(notes); }, [&] { button(editor)->onReorderDragEnded(button(notes)); },
             "cancelled");
  // The source button is gone by the time the drag leaves.
  parkDuring(
      [&] {
        enterWith(music);
        delete button(music);
      },
      [&] { bar->reorderDragExited(); }, "source gone");
  // The bar is rebuilt: the rebuilt bar follows its entries at once.
  parkDuring([&] { enterWith(mail); }, [&] { bar->updateLayout(TaskbarPosition::bottom); }, "rebuild");
}

TEST_F(ReorderDropTargetTest, DropsFromOutsideThisProcessOrWithoutTheReorderStringAreRefused) {
  settings->customAppOrder = StringList{"com.example.Music"};
  EXPECT_FALSE(bar->reorderPerformDrag(drag(nullptr)));
  ReorderDrag empty = drag(button(editor));
  empty.reorderString.reset();
  EXPECT_FALSE(bar->reorderPerformDrag(empty));
  EXPECT_EQ(settings->customAppOrder.get(), StringList{"com.example.Music"});
}

}  // namespace
}  // namespace pelko::test

namespace pelko::test {
namespace {

// The tracker sorts by the stored order on the pass the bar asks for 0.25 s after the drop.
TEST_F(TaskbarTest, TheTrackerFollowsTheDroppedOrderOnThePassAskedForAQuarterSecondLater) {
  connectTracker();
  for (const char* name : {"Editor", "Mail", "Notes"})
    open(launch(std::string("com.example.") + name, name), name);
  auto bar = makeController(false);
  auto panel = makePanel(*bar);
  tracker->forceRefresh();
  scheduler.runUntilIdle();
  auto names = [&] {
    std::vector<std::string> result;
    for (const auto& app : tracker->apps.get()) result.push_back(app->name);
    return result;
  };
  ASSERT_EQ(names(), (std::vector<std::string>{"Editor", "Mail", "Notes"}));
  auto items = bar->arrangedItems();
  ASSERT_EQ(items.size(), 3u);
  const QPointF end = items[2]->mapTo(bar->view(), QPoint(items[2]->width() - 1, items[2]->height() / 2));
  int data = 0;
  bar->reorderDragEntered({items[0], &data, "com.example.Editor", {}});
  bar->reorderDragUpdated({items[0], &data, "com.example.Editor", end});
  EXPECT_TRUE(bar->reorderPerformDrag({items[0], &data, "com.example.Editor", end}));
  scheduler.advance(0.24);
  EXPECT_EQ(names(), (std::vector<std::string>{"Editor", "Mail", "Notes"}));
  scheduler.advance(0.02);
  scheduler.runUntilIdle();
  EXPECT_EQ(names(), (std::vector<std::string>{"Mail", "Notes", "Editor"}));
  panel.reset();
}

}  // namespace
}  // namespace pelko::test
