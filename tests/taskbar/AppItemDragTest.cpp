#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "TaskbarTestWorld.h"
#include "support/AppItemViewTestAccess.h"
#include "ui/WidgetOpacity.h"

namespace pelko::test {
namespace {

TEST_F(AppItemTest, ACommandPressMovedMoreThanThreePointsDragsTheBundleIdentifierAndFadesTheButton) {
  auto item = makeItem(windowEntry(501, 7, "Draft"));
  std::vector<std::string> drags;  // formats, content and the button's alpha while each drag ran
  item->runReorderDrag = [&](QDrag& drag) {
    scheduler.advance(0.08);
    drags.push_back(drag.mimeData()->formats().join(",").toStdString() + " " +
                    drag.mimeData()->data("com.pelko.reorder").toStdString() + " " +
                    std::to_string(widgetOpacity(*item)));
    return Qt::IgnoreAction;  // dropped outside, or refused
  };
  std::vector<AppItemView*> ended;
  item->onReorderDragEnded = [&](AppItemView* source) { ended.push_back(source); };

  item->mouseDown(false);
  EXPECT_FALSE(item->mouseDragged({10, 0})) << "a plain press goes to the toolkit";
  item->mouseUp(true);
  item->mouseDown(true);
  EXPECT_TRUE(item->mouseDragged({2, 2}));
  EXPECT_TRUE(drags.empty());
  EXPECT_TRUE(item->mouseDragged({4, 0}));
  // A window entry carries its application's identifier.
  EXPECT_EQ(drags, std::vector<std::string>{"com.pelko.reorder com.example.Editor 0.000000"});
  EXPECT_EQ(ended, std::vector<AppItemView*>{item.get()});
  EXPECT_LT(widgetOpacity(*item), 1);
  scheduler.advance(0.2);
  EXPECT_EQ(widgetOpacity(*item), 1);
  EXPECT_FALSE(item->mouseDragged({20, 0})) << "the press is used up";
}

TEST_F(AppItemTest, AButtonRemovedDuringItsOwnDragIsHiddenAndDeletedOnlyAfterTheDrag) {
  auto bar = makeController(true);
  auto panel = makePanel(*bar);
  auto editor = appEntry(501, "Editor"), mail = appEntry(502, "Mail");
  for (int way = 0; way < 2; ++way) {
    bar->updateFilteredApps({editor, mail});
    scheduler.advance(1);
    QPointer<AppItemView> item = bar->itemView(editor->id);
    bool aliveAfterRemoval = false;
    item->runReorderDrag = [&](QDrag&) {
      if (way == 0) bar->updateLayout(TaskbarPosition::bottom);  // a rebuild takes the old stack
      if (way == 1) bar->updateFilteredApps({mail});             // its fade-out ends during the drag
      scheduler.advance(0.2);
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      aliveAfterRemoval = item && item->isHidden();
      return Qt::IgnoreAction;
    };
    item->mouseDown(true);
    item->mouseDragged({10, 0});
    EXPECT_TRUE(aliveAfterRemoval) << way;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(item.isNull()) << way;
  }
}

TEST_F(AppItemTest, AFileRestingThreeTenthsOfASecondBringsTheWindowForward) {
  const int32_t pid = launch("com.example.Editor", "Editor");
  std::vector<platform::WindowID> windows;
  for (const char* title : {"One", "Two", "Three"}) windows.push_back(open(pid, title));
  mac.activate(launch("com.example.Other", "Other"));
  scheduler.runUntilIdle();
  mac.clearActions();
  auto hover = [&](TrackedAppPtr entry, double rest, int way = 0) {
    auto item = makeItem(std::move(entry));
    item->dragHoverEntered();
    EXPECT_EQ(item->backgroundColor(), AppItemViewTestAccess::hoverColor(*item));
    scheduler.advance(rest);
    if (way == 1) item->dragHoverExited();
    if (way == 2) item->dragHoverEnded();
    scheduler.advance(1);
    return item;
  };
  hover(appEntry(pid), 0.29, 1);  // leaving or dropping early does nothing
  hover(appEntry(pid), 0.29, 2);
  EXPECT_TRUE(mac.actionTexts().empty());

  // Without thumbnails the application comes forward with its first window; a window entry with its own.
  ASSERT_EQ(mac.focusedWindow(pid), windows[2]);
  auto plain = makeItem(appEntry(pid));
  plain->dragHoverEntered();
  scheduler.advance(0.3);
  EXPECT_EQ(mac.frontmostPID(), pid);
  EXPECT_EQ(mac.focusedWindow(pid), windows[0]);
  hover(windowEntry(pid, windows[1], "Two"), 0.3);
  EXPECT_EQ(mac.focusedWindow(pid), windows[1]);

  QMimeData file;  // the button takes no drop
  file.setUrls({QUrl::fromLocalFile("/tmp/report.pdf")});
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &file, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(plain.get(), &drop);
  EXPECT_FALSE(drop.isAccepted());
}

}  // namespace
}  // namespace pelko::test
