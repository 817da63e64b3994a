#include <QAccessible>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include "platform/sim/SimAlerts.h"
#include "platform/sim/SimTrash.h"
#include "support/SimulatedSystem.h"
#include "taskbar/TrashIconView.h"

#include <gtest/gtest.h>

namespace pelko::test {
namespace {

std::unique_ptr<QMimeData> filesDrag(const std::vector<std::string>& paths) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const auto& path : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
  data->setUrls(urls);
  return data;
}

class TrashIconViewTest : public ::testing::Test, protected SimulatedSystem {
 protected:
  sim::SimTrash trash;
  sim::SimAlerts alerts;
  TrashIconView view{{scheduler, mac.workspace(), trash, alerts}, 24};
};

TEST_F(TrashIconViewTest, DropAnswersAfterTheMovesWithWhatHappened) {
  struct Case {
    const char* name;
    std::vector<std::string> failing;
    std::optional<Qt::DropAction> answer;
    std::vector<std::string> trashed;
  };
  const std::vector<std::string> files{"/Users/user/a.txt", "/Volumes/RO/b.txt", "/Users/user/c.txt"};
  const std::vector<Case> cases{
      {"all moved", {}, Qt::MoveAction, files},
      {"one failed", {"/Volumes/RO/b.txt"}, Qt::CopyAction, {"/Users/user/a.txt", "/Users/user/c.txt"}},
      {"none moved", files, std::nullopt, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    trash.trashed.clear();
    trash.failures.clear();
    alerts.shown.clear();
    for (const auto& path : c.failing) trash.failures[path] = {"The volume is read only."};
    auto drag = filesDrag(files);
    ASSERT_TRUE(view.draggingEntered(*drag));
    EXPECT_EQ(view.performDrop(*drag), c.answer);
    EXPECT_EQ(trash.trashed, c.trashed);
    EXPECT_FALSE(view.isDragTarget());
    EXPECT_TRUE(alerts.shown.empty()) << "alerts come after the answer";
    scheduler.runUntilIdle();
    ASSERT_EQ(alerts.shown.size(), c.failing.size());
    for (size_t i = 0; i < c.failing.size(); ++i) {
      const auto name = c.failing[i].substr(c.failing[i].rfind('/') + 1);
      EXPECT_EQ(alerts.shown[i], (platform::AlertContent{platform::AlertContent::Style::warning,
                                                         "Could not move to Trash",
                                                         name + ": The volume is read only.",
                                                         {"OK"}}));
    }
  }
}

TEST_F(TrashIconViewTest, OnlyFileDragsAreTakenAndAClickOpensTheTrashFolder) {
  QMimeData text;
  text.setText("/Users/user/a.txt");
  EXPECT_FALSE(view.draggingEntered(text));
  EXPECT_FALSE(view.isDragTarget());
  EXPECT_EQ(view.performDrop(text), std::nullopt);
  QMimeData web;
  web.setUrls({QUrl("https://example.com/a.txt")});
  EXPECT_EQ(view.performDrop(web), std::nullopt);
  EXPECT_TRUE(trash.trashed.empty());
  view.openTrash();
  EXPECT_EQ(mac.openedURLs(), (std::vector<std::string>{"/Users/user/.Trash"}));
}

TEST_F(TrashIconViewTest, LooksForHoverAndDrag) {
  const Color clear = Color::black().withAlpha(0);
  view.mouseEntered();
  EXPECT_EQ(view.backgroundColor(), Color::fromWhite(1, 0.08));
  // The pointing hand is the button's own cursor; nothing is pushed for the whole application.
  EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  auto drag = filesDrag({"/Users/user/a.txt"});
  view.draggingEntered(*drag);
  EXPECT_EQ(view.backgroundColor(), (Color{1.0, 0.231, 0.188, 0.15}));
  EXPECT_TRUE(view.showsFilledSymbol());
  EXPECT_EQ(view.symbolColor(), (Color{1.0, 0.231, 0.188, 1}));
  view.mouseExited();  // the pointer leaving during a drag keeps the drag look
  EXPECT_EQ(view.backgroundColor(), (Color{1.0, 0.231, 0.188, 0.15}));
  view.draggingExited();
  EXPECT_EQ(view.backgroundColor(), clear);
  EXPECT_FALSE(view.showsFilledSymbol());
  EXPECT_EQ(view.symbolColor(), Color::fromWhite(1, 0.55));
  // Symbol and hover follow the tray's contrast rule for the bar's background; the drag look does not.
  struct Case {
    Color bar;
    double white;
  };
  for (const Case& c : {Case{Color::black(), 1}, Case{Color::fromWhite(0.4653), 1},
                        Case{Color::fromWhite(0.4654), 0}, Case{Color::white(), 0}}) {
    SCOPED_TRACE(c.bar.red);
    view.updateColors(c.bar);
    EXPECT_EQ(view.symbolColor(), Color::fromWhite(c.white, 0.55));
    view.mouseEntered();
    EXPECT_EQ(view.backgroundColor(), Color::fromWhite(c.white, 0.08));
    view.draggingEntered(*drag);
    EXPECT_EQ(view.symbolColor(), (Color{1.0, 0.231, 0.188, 1}));
    view.draggingExited();
    view.mouseExited();
  }
  // The symbol's inset grows with the button but has a floor.
  EXPECT_EQ(TrashIconView::symbolInset(24), 4);
  EXPECT_NEAR(TrashIconView::symbolInset(40), 6, 1e-9);
}

// A screen reader presses the trash as a click does: its folder opens.
TEST_F(TrashIconViewTest, ThePressOfAScreenReaderOpensTheTrashFolderAsAClickDoes) {
  trash.homeFolder = "/Users/user";
  QAccessibleInterface* item = QAccessible::queryAccessibleInterface(&view);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->role(), QAccessible::Button);
  EXPECT_EQ(item->text(QAccessible::Name), "Trash");
  EXPECT_EQ(item->text(QAccessible::Description), "Click to open Trash, or drop files to move them to Trash");
  ASSERT_NE(item->actionInterface(), nullptr);
  ASSERT_EQ(item->actionInterface()->actionNames(), QStringList{"Press"});
  item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(mac.openedURLs(), std::vector<std::string>{"/Users/user/.Trash"});
}

}  // namespace
}  // namespace pelko::test
