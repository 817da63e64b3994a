#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "TaskbarTestWorld.h"
#include "ui/WidgetOpacity.h"

namespace pelko::test {
namespace {

class AppItemDragTest : public AppItemTest {
 protected:
  // What the drag carried and how the button looked while it ran.
  struct SeenDrag {
    QStringList formats;
    QByteArray content;
    double alphaWhileDragging = -1;
  };
  std::vector<SeenDrag> drags;
  void record(AppItemView& item) {
    item.runReorderDrag = [this, &item](QDrag& drag) {
      scheduler.advance(0.08);
      drags.push_back(
          {drag.mimeData()->formats(), drag.mimeData()->data("com.pelko.reorder"), widgetOpacity(item)});
      return Qt::IgnoreAction;  // dropped outside, or refused
    };
  }
};

TEST_F(AppItemDragTest, ACommandPressMovedMoreThanThreePointsDragsTheBundleIdentifierAndFadesTheButton) {
  auto item = makeItem(windowEntry(501, 7, "Draft"));
  record(*item);
  std::vector<AppItemView*> ended;
  item->onReorderDragEnded = [&](AppItemView* source) { ended.push_back(source); };

  item->mouseDown(false);
  EXPECT_FALSE(item->mouseDragged({10, 0})) << "a plain press goes to the toolkit";
  item->mouseUp(true);
  item->mouseDown(true);
  EXPECT_TRUE(item->mouseDragged({2, 2}));
  EXPECT_TRUE(drags.empty());
  EXPECT_TRUE(item->hasCommandPress());
  EXPECT_TRUE(item->mouseDragged({4, 0}));
  ASSERT_EQ(drags.size(), 1u);
  EXPECT_EQ(drags[0].formats, QStringList{"com.pelko.reorder"});
  EXPECT_EQ(drags[0].content, "com.example.Editor") << "a window entry carries its application's";
  EXPECT_EQ(drags[0].alphaWhileDragging, 0);
  EXPECT_EQ(ended, std::vector<AppItemView*>{item.get()});
  EXPECT_FALSE(item->hasCommandPress());
  EXPECT_LT(widgetOpacity(*item), 1);
  scheduler.advance(0.2);
  EXPECT_EQ(widgetOpacity(*item), 1);
  EXPECT_FALSE(item->mouseDragged({20, 0})) << "the press is used up";
}

TEST_F(AppItemDragTest, AButtonRemovedDuringItsOwnDragIsHiddenAndDeletedOnlyAfterTheDrag) {
  auto bar = makeController(true);
  auto panel = makePanel(*bar);
  auto editor = appEntry(501, "Editor"), mail = appEntry(502, "Mail");
  for (int way = 0; way < 2; ++way) {
    bar->updateFilteredApps({editor, mail});
    scheduler.advance(1);
    QPointer<AppItemView> item = bar->itemView(editor->id);
    bool aliveAfterRemoval = false;
    item->runReorderDrag = [&](QDrag&) {
      if (way == 0) {
        bar->updateLayout(TaskbarPosition::bottom);  // a rebuild takes the old stack
      } else {
        bar->updateFilteredApps({mail});  // the entry went; its fade-out ends during the drag
        scheduler.advance(0.2);
      }
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
  panel.reset();
}

class AppItemDragHoverTest : public AppItemTest {
 protected:
  void SetUp() override {
    pid = launch("com.example.Editor", "Editor");
    for (const char* title : {"One", "Two", "Three"}) windows.push_back(open(pid, title));
    mac.activate(launch("com.example.Other", "Other"));
    scheduler.runUntilIdle();
    mac.clearActions();
  }
  std::unique_ptr<AppItemView> hover(TrackedAppPtr entry, double rest) {
    auto item = makeItem(std::move(entry));
    item->dragHoverEntered();
    scheduler.advance(rest);
    return item;
  }
  int32_t pid = 0;
  std::vector<platform::WindowID> windows;
};

TEST_F(AppItemDragHoverTest, RestingThreeTenthsOfASecondShowsThumbnailsOrBringsTheWindowForward) {
  int thumbnails = 0;
  auto grouped = makeItem(appEntry(pid));
  grouped->showThumbnailsForDragHover = [&] { ++thumbnails; };
  grouped->dragHoverEntered();
  EXPECT_TRUE(grouped->isDragHovering());
  EXPECT_EQ(grouped->backgroundColor(), grouped->hoverColor());
  scheduler.advance(0.29);
  EXPECT_EQ(thumbnails, 0);
  scheduler.advance(0.02);
  EXPECT_EQ(thumbnails, 1);
  EXPECT_TRUE(mac.actionTexts().empty());

  // Without thumbnails the application comes forward with the first of its windows (the last opened
  // has the focus until then); a window entry brings its own window.
  ASSERT_EQ(mac.focusedWindow(pid), windows[2]);
  hover(appEntry(pid), 0.3);
  scheduler.runUntilIdle();
  EXPECT_EQ(mac.frontmostPID(), pid);
  EXPECT_EQ(mac.focusedWindow(pid), windows[0]);
  hover(windowEntry(pid, windows[1], "Two"), 0.3);
  scheduler.runUntilIdle();
  EXPECT_EQ(mac.focusedWindow(pid), windows[1]);
}

TEST_F(AppItemDragHoverTest, LeavingEarlyOrDroppingDoesNothingAndTheButtonTakesNoDrop) {
  int thumbnails = 0;
  for (int way = 0; way < 2; ++way) {
    auto item = makeItem(appEntry(pid));
    item->showThumbnailsForDragHover = [&] { ++thumbnails; };
    item->dragHoverEntered();
    scheduler.advance(0.2);
    way == 0 ? item->dragHoverExited() : item->dragHoverEnded();
    EXPECT_FALSE(item->isDragHovering());
    scheduler.advance(1);
    EXPECT_EQ(item->backgroundColor().alpha, 0);
  }
  EXPECT_EQ(thumbnails, 0);
  EXPECT_TRUE(mac.actionTexts().empty());

  auto item = makeItem(appEntry(pid));
  QMimeData file;
  file.setUrls({QUrl::fromLocalFile("/tmp/report.pdf")});
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &file, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(item.get(), &drop);
  EXPECT_FALSE(drop.isAccepted());
}

}  // namespace
}  // namespace pelko::test
