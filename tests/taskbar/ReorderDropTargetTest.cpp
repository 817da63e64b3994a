#include "taskbar/ReorderDropTarget.h"

#include <gtest/gtest.h>

#include "TaskbarTestWorld.h"

namespace pelko::test {
namespace {

using Names = std::vector<std::string>;

// The bar's drop target driven through its handlers, as the root view calls them.
class ReorderDropTargetTest : public TaskbarTest {
 protected:
  std::unique_ptr<TaskbarViewController> bar = makeController(true);
  std::unique_ptr<TaskbarPanel> panel = makePanel(*bar);
  TrackedAppPtr editor = appEntry(501, "Editor"), mail = appEntry(502, "Mail"),
                notes = appEntry(503, "Notes"), music = appEntry(504, "Music"), chat = appEntry(505, "Chat");
  int session = 0;  // stands for one drag's data

  void SetUp() override { bar->updateFilteredApps({editor, mail, notes, music}); }
  void TearDown() override { panel.reset(); }
  Names shown() {
    Names names;
    for (AppItemView* item : bar->arrangedItems()) names.push_back(item->trackedApp()->name);
    return names;
  }
  AppItemView* button(const TrackedAppPtr& app) { return bar->itemView(app->id); }
  ReorderDrag drag(QObject* source, QPointF position = {}) {
    return ReorderDrag{source, &session, std::string("com.example.any"), position};
  }
  void enterWith(const TrackedAppPtr& app) { bar->reorderDragEntered(drag(button(app))); }
  // The pointer at `fraction` of `target`'s length along the bar.
  void moveOver(const TrackedAppPtr& source, const TrackedAppPtr& target, double fraction) {
    StackView* stack = bar->appStackView();
    const QRect frame = stack->arrangedFrame(button(target));  // where it goes, if it is sliding
    const bool row = stack->orientation() == Qt::Horizontal;
    const QPoint at = row ? QPoint(static_cast<int>(frame.width() * fraction), frame.height() / 2)
                          : QPoint(frame.width() / 2, static_cast<int>(frame.height() * fraction));
    bar->reorderDragUpdated(drag(button(source), stack->mapTo(bar->view(), frame.topLeft() + at)));
  }
  void leave() {
    bar->reorderDragExited();
    scheduler.runUntilIdle();
  }
};

TEST_F(ReorderDropTargetTest, TheDraggedButtonLandsBeforeTheFirstButtonWhoseMiddleThePointerIsBefore) {
  enterWith(editor);
  const std::tuple<TrackedAppPtr, double, Names> steps[] = {
      {mail, 0.3, {"Editor", "Mail", "Notes", "Music"}},  // it would land where it is
      {notes, 0.7, {"Mail", "Notes", "Editor", "Music"}},
      {music, 0.9, {"Mail", "Notes", "Music", "Editor"}},
      {mail, 0.2, {"Editor", "Mail", "Notes", "Music"}},
  };
  for (const auto& [target, fraction, expected] : steps) {
    moveOver(editor, target, fraction);
    EXPECT_EQ(shown(), expected) << target->name << " " << fraction;
  }
  // The neighbours slide to their places in 0.15 s; a move is measured against where they are going.
  moveOver(editor, notes, 0.7);
  const QPoint mailFrom = button(mail)->pos();
  EXPECT_NE(mailFrom, bar->appStackView()->arrangedFrame(button(mail)).topLeft());
  moveOver(editor, notes, 0.3);  // before Notes where it is going, though it still stands where Mail goes
  EXPECT_EQ(shown(), (Names{"Mail", "Editor", "Notes", "Music"}));
  scheduler.advance(0.07);
  EXPECT_NE(button(mail)->pos(), mailFrom);
  EXPECT_NE(button(mail)->pos(), bar->appStackView()->arrangedFrame(button(mail)).topLeft());
  scheduler.advance(0.08);
  EXPECT_EQ(button(mail)->pos(), bar->appStackView()->arrangedFrame(button(mail)).topLeft());
  moveOver(editor, mail, 0.2);
  scheduler.advance(0.15);
  // A column: above a button's middle is before it.
  settings->position = TaskbarPosition::left;
  panel->updatePosition(TaskbarPosition::left, settings->barThickness(), mac.screens().screens().front(), 0,
                        0);
  panel->syncContentViewFrame();
  bar->updateLayout(TaskbarPosition::left);
  enterWith(music);
  moveOver(music, mail, 0.6);
  EXPECT_EQ(shown(), (Names{"Editor", "Mail", "Music", "Notes"}));
}

TEST_F(ReorderDropTargetTest, LeavingRestoresTheIndexOnEnteringAndAppliesTheNewestParkedList) {
  // Nothing parked: the button goes back where it was.
  enterWith(notes);
  moveOver(notes, editor, 0.1);
  EXPECT_EQ(shown(), (Names{"Notes", "Editor", "Mail", "Music"}));
  leave();
  EXPECT_FALSE(bar->reorderTarget().hasParkedList());
  EXPECT_EQ(shown(), (Names{"Editor", "Mail", "Notes", "Music"}));

  enterWith(notes);
  moveOver(notes, editor, 0.1);
  bar->reorderDragExited();  // the toolkit's leave and enter at a button's edge: nothing
  enterWith(notes);
  scheduler.runUntilIdle();
  EXPECT_EQ(shown(), (Names{"Notes", "Editor", "Mail", "Music"}));
  bar->updateFilteredApps({editor, mail, notes});
  bar->updateFilteredApps({editor, mail, notes, music, chat});
  EXPECT_EQ(shown(), (Names{"Notes", "Editor", "Mail", "Music"})) << "parked";
  leave();
  EXPECT_FALSE(bar->reorderTarget().isDraggingReorder());
  EXPECT_EQ(shown(), (Names{"Editor", "Mail", "Notes", "Music", "Chat"}));
}

TEST_F(ReorderDropTargetTest, ADropMergesTheBarsOrderAndAppliesTheParkedListInIt) {
  settings->customAppOrder =
      StringList{"com.example.Other", "com.example.Mail", "com.example.Gone", "com.example.Editor"};
  open(launch("com.example.Mail", "Mail"), "Inbox");
  enterWith(editor);
  moveOver(editor, notes, 0.9);
  bar->updateFilteredApps({editor, mail, notes, music, chat});
  EXPECT_TRUE(bar->reorderPerformDrag(drag(button(editor))));
  EXPECT_EQ(settings->customAppOrder.get(),
            (StringList{"com.example.Other", "com.example.Mail", "com.example.Notes", "com.example.Editor",
                        "com.example.Music", "com.example.Gone"}));
  EXPECT_EQ(shown(), (Names{"Mail", "Notes", "Editor", "Music", "Chat"}));
  EXPECT_FALSE(bar->reorderTarget().isDraggingReorder());
  EXPECT_FALSE(bar->reorderTarget().hasParkedList()) << "nothing kept for a later drag";
  // The tracker is asked for a pass 0.25 s later.
  scheduler.advance(0.24);
  EXPECT_TRUE(tracker->apps.get().empty());
  scheduler.advance(0.02);
  scheduler.runUntilIdle();
  EXPECT_EQ(tracker->apps.get().size(), 1u);
}

TEST_F(ReorderDropTargetTest, ABarWithOneButtonPerWindowStoresEachApplicationOnceAtItsFirstButton) {
  auto other = windowEntry(502, 21, "Inbox", "Mail");
  bar->updateFilteredApps({windowEntry(501, 11, "One"), other, windowEntry(501, 12, "Two")});
  EXPECT_TRUE(bar->reorderPerformDrag(drag(button(other))));
  EXPECT_EQ(settings->customAppOrder.get(), (StringList{"com.example.Editor", "com.example.Mail"}));
}

TEST_F(ReorderDropTargetTest, EveryWayADragEndsLeavesTheDraggingStateAndAppliesTheParkedList) {
  auto otherBar = makeController(true);
  otherBar->view();
  otherBar->updateFilteredApps({music});
  const std::tuple<const char*, std::function<void()>, std::function<void()>> ways[] = {
      {"another bar's button", [&] { bar->reorderDragEntered(drag(otherBar->itemView(music->id))); },
       [&] { leave(); }},
      {"cancelled in place", [&] { enterWith(notes); },
       [&] { button(editor)->onReorderDragEnded(button(notes)); }},
      {"source gone",
       [&] {
         enterWith(music);
         delete button(music);
       },
       [&] { leave(); }},
      {"rebuild", [&] { enterWith(mail); }, [&] { bar->updateLayout(TaskbarPosition::bottom); }},
  };
  for (const auto& [way, start, end] : ways) {
    bar->updateFilteredApps({editor, mail, notes, music});
    start();
    bar->updateFilteredApps({editor, mail, chat});
    EXPECT_TRUE(bar->reorderTarget().isDraggingReorder()) << way;
    end();
    EXPECT_FALSE(bar->reorderTarget().isDraggingReorder()) << way;
    EXPECT_EQ(shown(), (Names{"Editor", "Mail", "Chat"})) << way;
  }
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
