#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPointer>

#include "taskbar/ThumbnailCard.h"
#include "taskbar/ThumbnailTestWorld.h"

namespace pelko::test {
namespace {

class ThumbnailPanelTest : public ThumbnailTest {
 protected:
  int32_t pid = mac.launchApp("com.example.Editor", "Editor");
  // A bottom-bar item in screen coordinates.
  Rect item{500, 0, 40, 34};

  std::unique_ptr<ThumbnailPanel> makePanel() { return std::make_unique<ThumbnailPanel>(panelEnvironment()); }
  platform::WindowID openWindow(Size size = {400, 300}, const std::string& title = "Doc") {
    return mac.openWindow(pid, {.title = title, .bounds = {100, 100, size.width, size.height}});
  }
};

TEST_F(ThumbnailPanelTest, ThePanelSitsFourPointsOffTheItemFacingTheScreen) {
  const Rect r{100, 300, 40, 34};
  const Size size{200, 150};
  const struct {
    TaskbarPosition position;
    Point origin;
  } cases[] = {
      {TaskbarPosition::bottom, {20, 338}},
      {TaskbarPosition::top, {20, 146}},
      {TaskbarPosition::left, {144, 242}},
      {TaskbarPosition::right, {-104, 242}},
  };
  for (const auto& c : cases) EXPECT_EQ(ThumbnailPanel::calculateOrigin(size, r, c.position), c.origin);
}

TEST_F(ThumbnailPanelTest, ThePanelIsKeptInsideTheVisibleFrameOfTheItemsScreen) {
  const auto screens = mac.screens().screens();  // 1920 x 1080, 25 points of menu bar
  const auto main = mac.screens().mainScreen();
  const Size size{300, 200};
  auto clamp = [&](Point origin, Rect r) {
    return ThumbnailPanel::clampToScreen(origin, size, r, screens, main);
  };
  EXPECT_EQ(clamp({1800, 40}, {1880, 0, 40, 34}), (Point{1620, 40})) << "ends at the right edge";
  EXPECT_EQ(clamp({-50, 900}, {0, 0, 40, 34}), (Point{0, 855})) << "below the menu bar, from the left edge";
  EXPECT_EQ(ThumbnailPanel::clampToScreen({10, 10}, {2000, 1200}, {0, 0, 40, 34}, screens, main),
            (Point{0, 0}))
      << "too large: aligned to the left and bottom";
  EXPECT_EQ(clamp({5000, 40}, {5000, 0, 40, 34}), (Point{1620, 40})) << "off every screen: the main one";
  EXPECT_EQ(ThumbnailPanel::clampToScreen({5000, 40}, size, {0, 0, 1, 1}, {}, std::nullopt),
            (Point{5000, 40}));
}

TEST_F(ThumbnailPanelTest, PicturesFitThreeHundredByTwoHundredPointsAndAreNeverEnlarged) {
  auto picture = [](int w, int h, double scale) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    return std::optional<QImage>(image);
  };
  EXPECT_EQ(ThumbnailCard::pictureSize(picture(2000, 4000, 2)), (Size{100, 200}));
  EXPECT_EQ(ThumbnailCard::pictureSize(picture(300, 200, 2)), (Size{150, 100}));
  EXPECT_EQ(ThumbnailCard::pictureSize(picture(256, 256, 2)), (Size{128, 128})) << "an icon at its own size";
  EXPECT_EQ(ThumbnailCard::pictureSize(picture(1001, 10, 1)), (Size{300, 3}));
  EXPECT_EQ(ThumbnailCard::pictureSize(std::nullopt), (Size{200, 130})) << "the placeholder";
}

TEST_F(ThumbnailPanelTest, AGroupRunsAlongTheBarWithSixPointsBetweenCards) {
  auto panel = makePanel();
  panel->showGrouped({openWindow(), openWindow(), openWindow()}, "Editor", item, TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  const auto cards = panel->cards();
  ASSERT_EQ(cards.size(), 3u);
  EXPECT_EQ(cards[0]->geometry().topLeft(), QPoint(8, 8));
  for (size_t i = 1; i < cards.size(); ++i) {
    EXPECT_EQ(cards[i]->geometry().left() - cards[i - 1]->geometry().right() - 1, 6);
    EXPECT_EQ(cards[i]->geometry().top(), 8);
  }
  EXPECT_EQ(panel->frame().minY(), item.maxY() + 4);
  EXPECT_EQ(cards[0]->title(), "Doc");
}

TEST_F(ThumbnailPanelTest, OnlyTheLaterOfTwoQuickShowingsIsPresented) {
  const auto first = openWindow(), second = openWindow();
  auto panel = makePanel();
  panel->show(first, "Editor", item, TaskbarPosition::bottom);
  panel->show(second, "Editor", item, TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  const auto cards = panel->cards();
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_EQ(cards[0]->windowNumber(), second);
  EXPECT_EQ(cards[0]->title(), "Editor");

  // A capture still under way when the shown panel is dismissed is dropped: the panel stays gone.
  panel->show(first, "Editor", item, TaskbarPosition::bottom);
  panel->dismiss();
  scheduler.runUntilIdle();
  scheduler.advance(1);
  EXPECT_FALSE(panel->isPanelVisible());
  EXPECT_TRUE(panel->cards().empty());
  EXPECT_EQ(listedPanels(), 0u);
}

TEST_F(ThumbnailPanelTest, ThePanelFadesInAndOutUnlessMotionIsReduced) {
  const auto window = openWindow();
  auto panel = makePanel();
  panel->dismiss();
  EXPECT_EQ(panel->showGeneration(), 0) << "not visible yet: nothing changes";
  panel->show(window, "Editor", item, TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  EXPECT_TRUE(panel->isPanelVisible());
  EXPECT_EQ(listedPanels(), 1u) << "listed among our windows at its level";
  EXPECT_LT(panel->alpha(), 1);
  scheduler.advance(0.12);
  EXPECT_EQ(panel->alpha(), 1);
  panel->dismiss();
  EXPECT_TRUE(panel->isPanelVisible());
  scheduler.advance(0.08);
  EXPECT_FALSE(panel->isPanelVisible());
  EXPECT_TRUE(panel->cards().empty());
  EXPECT_EQ(listedPanels(), 0u);

  mac.setReduceMotion(true);
  panel->show(window, "Editor", item, TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  EXPECT_EQ(panel->alpha(), 1);
  panel->dismiss();
  EXPECT_FALSE(panel->isPanelVisible());
  EXPECT_EQ(panel->alpha(), 0);
}

// At exit the event loop stops with a dropped panel still fading out: the fade never ends, so the panel
// goes with the shared services instead of being left behind.
TEST_F(ThumbnailPanelTest, APanelDroppedMidFadeGoesWithTheServices) {
  const auto window = openWindow();
  QPointer<ThumbnailPanel> fading;
  {
    ThumbnailServices local{scheduler,     mac.windowServer(), mac.screens(),
                            eventMonitors, memoryPressure,     &ownWindows};
    auto* panel = new ThumbnailPanel({scheduler, mac.workspace(), accessibilityHelper, local});
    fading = panel;
    panel->show(window, "Editor", item, TaskbarPosition::bottom);
    scheduler.advance(0.12);
    panel->dismiss();
    panel->drop();
    scheduler.advance(0.02);
    deleteLaterNow();
    ASSERT_TRUE(fading) << "still fading out";
    EXPECT_EQ(listedPanels(), 1u);
  }
  EXPECT_FALSE(fading);
  EXPECT_EQ(listedPanels(), 0u);
}

TEST_F(ThumbnailPanelTest, ACardClickedIntoADismissalIsDeletedOnlyAfterItsHandler) {
  mac.setReduceMotion(true);
  const auto window = openWindow();
  auto panel = makePanel();
  QPointer<ThumbnailCard> card;
  bool aliveAfterDismiss = false;
  panel->onWindowClicked = [&](int64_t) {
    panel->dismiss();
    aliveAfterDismiss = !card.isNull();
  };
  panel->show(window, "Editor", item, TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  card = panel->cards().at(0);
  card->mouseDown({20, 20});
  card->mouseUp({20, 20});
  EXPECT_TRUE(aliveAfterDismiss);
  ASSERT_TRUE(card);
  EXPECT_TRUE(card->isHidden());
  deleteLaterNow();
  EXPECT_FALSE(card);
}

TEST_F(ThumbnailPanelTest, TheCloseControlClosesAndIsNoClick) {
  const auto window = openWindow();
  auto panel = makePanel();
  std::vector<std::string> calls;
  panel->onWindowClicked = [&](int64_t n) { calls.push_back("click " + std::to_string(n)); };
  panel->onWindowClosed = [&](int64_t n) { calls.push_back("close " + std::to_string(n)); };
  panel->onDragHovered = [&](int64_t n) { calls.push_back("drag " + std::to_string(n)); };
  panel->show(window, "Editor", item, TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  ThumbnailCard* card = panel->cards().at(0);
  card->mouseEntered();
  scheduler.advance(0.06);
  EXPECT_EQ(card->closeButtonAlpha(), 1);
  const QPoint close = card->closeButtonRect().center();
  card->mouseDown(close);
  card->mouseUp(close);
  card->mouseDown({card->width() / 2, card->height() / 2});
  card->mouseUp({card->width() + 5, card->height() / 2});  // released outside: nothing
  QMimeData mime;
  mime.setText("x");
  QDragEnterEvent drag(QPoint(10, 10), Qt::CopyAction | Qt::LinkAction, &mime, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(card, &drag);
  EXPECT_EQ(drag.dropAction(), Qt::LinkAction) << "answered, not as a copy";
  const auto n = std::to_string(window);
  EXPECT_EQ(calls, (std::vector<std::string>{"close " + n, "drag " + n}));
  EXPECT_EQ(card->highlight(), ThumbnailCard::Highlight::hovered);
  card->mouseExited();
  scheduler.advance(0.08);
  EXPECT_EQ(card->closeButtonAlpha(), 0);
}

TEST_F(ThumbnailPanelTest, AWindowWithoutPictureShowsTheIconOrThePlaceholder) {
  mac.setWindowCaptureFails(true);
  const auto window = openWindow();
  auto panel = makePanel();
  panel->show(window, "Editor", item, TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  EXPECT_FALSE(panel->cards().at(0)->hasPicture());
  EXPECT_EQ(panel->cards().at(0)->pictureRect().size(), QSize(200, 130));

  QImage icon(256, 256, QImage::Format_ARGB32_Premultiplied);
  icon.setDevicePixelRatio(2);
  panel->fallbackIcon = icon;
  panel->show(window, "A Very Long Application Name That Does Not Fit", item, TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  ThumbnailCard* card = panel->cards().at(0);
  EXPECT_EQ(card->width(), 128 + 8);
  EXPECT_TRUE(card->shownTitle().endsWith(QChar(0x2026))) << card->shownTitle().toStdString();
}

}  // namespace
}  // namespace pelko::test
