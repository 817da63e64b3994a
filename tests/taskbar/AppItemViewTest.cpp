#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <functional>
#include <map>

#include "TaskbarTestWorld.h"
#include "support/AppItemViewTestAccess.h"
#include "ui/IconCache.h"
#include "ui/QtColor.h"

namespace pelko::test {
namespace {

using Access = AppItemViewTestAccess;

// ---------------------------------------------------------------------------------------------------
// Layout modes

TEST_F(AppItemTest, EachModeSizesTheButtonAndItsIconAndLetsAFullBarSqueezeIt) {
  struct Case {
    LayoutMode mode;
    bool equalWidth;
    QSize minimum;  // what it keeps while the bar has room
    QSize maximum;
    QRect icon;
  };
  const Case cases[] = {
      {LayoutMode::iconsOnly, false, {34, 34}, {34, 34}, {4, 4, 26, 26}},
      // Text mode: at least min(176, 100) wide, at most the width limit of 176; with equal widths the
      // bar decides the width.
      {LayoutMode::iconsTextRight, false, {100, 34}, {176, 34}, {6, 7, 20, 20}},
      {LayoutMode::iconsTextRight, true, {0, 34}, {QWIDGETSIZE_MAX, 34}, {6, 7, 20, 20}},
      {LayoutMode::vertical, false, {48, 48}, {48, 48}, {13, 13, 22, 22}},
  };
  for (const auto& c : cases) {
    auto item = makeItem();
    item->configure(appEntry(501), false);
    const double thickness = c.mode == LayoutMode::vertical ? 48 : 34;
    if (c.mode == LayoutMode::iconsOnly) item->configureIconsOnly(thickness, c.equalWidth);
    if (c.mode == LayoutMode::iconsTextRight) item->configureIconsTextRight(thickness, c.equalWidth);
    if (c.mode == LayoutMode::vertical) item->configureVertical(thickness, TaskbarPosition::left);
    SCOPED_TRACE(static_cast<int>(c.mode));
    EXPECT_EQ(Access::currentLayoutMode(*item), c.mode);
    EXPECT_EQ(item->minimumSizeHint(), c.minimum);
    EXPECT_EQ(item->size(), c.minimum.expandedTo(item->sizeHint()).boundedTo(c.maximum)) << "a lone button";
    EXPECT_EQ(item->minimumSize(), QSize(0, 0));
    EXPECT_EQ(item->maximumSize(), c.maximum);
    EXPECT_EQ(Access::iconFrame(*item), c.icon);
    EXPECT_EQ(Access::labelView(*item)->isVisibleTo(item.get()), c.mode == LayoutMode::iconsTextRight);
  }
}

TEST_F(AppItemTest, TextModeTakesTitleWidthAndFontFromTheSettingsAndItsDefaultsWithout) {
  settings->itemTextSize = 14.0;
  settings->maxTaskWidth = 300.0;
  auto item = makeItem(windowEntry(501, 7, std::string("A rather long window title that needs room")), true);
  // 14 points of the bar: 14 device-independent pixels, whatever the screen's logical dots per inch.
  EXPECT_EQ(QFontInfo(Access::labelView(*item)->font()).pixelSize(), 14);
  EXPECT_EQ(item->maximumWidth(), 300);
  EXPECT_GT(item->width(), 100);
  // The label starts 5 points after the 20-point icon and ends at least 6 points before the edge.
  EXPECT_EQ(Access::labelView(*item)->geometry().left(), 6 + 20 + 5);
  EXPECT_LE(Access::labelView(*item)->geometry().right() + 1, item->width() - 6);

  AppItemView lone(environment());
  lone.configure(appEntry(501), false);
  lone.configureIconsTextRight(34, false);
  EXPECT_EQ(lone.maximumWidth(), 200);
  EXPECT_EQ(Access::indicatorFrame(lone), QRect(0, 32, lone.width(), 2));
}

TEST_F(AppItemTest, RepeatedLayoutChangesNothingButTheIndicatorSettingOrANewEntryRebuilds) {
  auto item = makeItem(appEntry(501));
  const int built = Access::layoutRebuildCount(*item);
  item->configureIconsOnly(34, false);
  EXPECT_EQ(Access::layoutRebuildCount(*item), built);

  settings->activeIndicatorPosition = std::string("left");
  item->configureIconsOnly(34, false);
  EXPECT_EQ(Access::layoutRebuildCount(*item), built + 1);
  EXPECT_EQ(Access::indicatorFrame(*item), QRect(1, 10, 2, 14));

  item->configure(appEntry(777, "Mail"), false);
  item->configureIconsOnly(34, false);
  EXPECT_EQ(Access::layoutRebuildCount(*item), built + 2);
  item->configure(item->trackedApp(), true);  // the same entry again keeps it
  item->configureIconsOnly(34, false);
  EXPECT_EQ(Access::layoutRebuildCount(*item), built + 2);
}

// ---------------------------------------------------------------------------------------------------
// Label, tooltip and icon

// What a tooltip shows: Qt reads it as rich text when it looks like markup, else as it is.
QString shownToolTip(const QWidget& widget) {
  if (!Qt::mightBeRichText(widget.toolTip())) return widget.toolTip();
  QTextDocument document;
  document.setHtml(widget.toolTip());
  return document.toPlainText();
}

TEST_F(AppItemTest, LabelAndTooltipFollowTheTitleAndShowItsTextAsItIs) {
  auto item = makeItem();
  auto entry = windowEntry(501, 7, std::string("Report"));
  item->configure(entry, true);
  EXPECT_EQ(Access::labelView(*item)->text(), "Report - Editor");
  EXPECT_EQ(shownToolTip(*item), "Editor - Report");
  item->configure(entry, false);
  EXPECT_EQ(Access::labelView(*item)->text(), "Report");

  // A title change is delivered before the entry holds it; the label follows the new title.
  item->configure(entry, true);
  entry->windowTitle = std::string("Summary");
  EXPECT_EQ(Access::labelView(*item)->text(), "Summary - Editor");

  // A long tooltip keeps its head and tail.
  entry->windowTitle = std::string(200, 'x');
  EXPECT_EQ(shownToolTip(*item), "Editor - " + QString(51, 'x') + "..." + QString(40, 'x'));

  // Titles and names from other programs are shown, not obeyed, on one line.
  item->configure(entry, false);
  item->configureIconsTextRight(34, false);
  entry->windowTitle = std::string("page <img src=\"/dev/zero\">\n<b>two</b>\tlines");
  EXPECT_EQ(Access::labelView(*item)->text(), "page <img src=\"/dev/zero\"> <b>two</b> lines");
  EXPECT_EQ(shownToolTip(*item), "Editor - page <img src=\"/dev/zero\"> <b>two</b> lines");

  // An application entry's label stays its name, while its tooltip follows the title.
  auto app = std::make_shared<TrackedApp>("com.example.Notes", "Notes", AppImage{}, 503, false, false, false,
                                          std::string("Draft"), std::nullopt);
  item->configure(app, false);
  app->windowTitle = std::string("List");
  EXPECT_EQ(Access::labelView(*item)->text(), "Notes");
  EXPECT_EQ(shownToolTip(*item), "Notes - List");

  // An emoji name gives its whole emoji as the icon tile's initial.
  const std::string grin = "\xF0\x9F\x98\x80";
  item->configure(appEntry(502, grin + " Smile"), false);
  item->configureIconsOnly(34, false);
  EXPECT_EQ(Access::iconInitial(*item), QString::fromStdString(grin));
}

// A tile shows the first letter a reader sees of the name, past control characters, white space and
// invisible marks in front of it.
TEST_F(AppItemTest, ATileInitialIsTheFirstVisibleLetterPastLeadingControlCharacters) {
  const struct {
    const char* name;
    const char* initial;
  } cases[] = {
      {"\u0007Mail", "M"},
      {"\u0007 mail", "M"},
      {"\u0007\u200Bnotes", "N"},
      {"\u0007\u200E\tpreview", "P"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.initial);
    auto item = makeItem(appEntry(601, c.name));
    EXPECT_EQ(Access::iconInitial(*item).toStdString(), c.initial);
  }
}

// The label keeps its shortened text between paints; a new title or width shortens it again.
TEST_F(AppItemTest, LabelIsShortenedAgainWhenItsTitleOrWidthChanges) {
  // The button draws its title in the room its layout gives the label.
  auto render = [](AppItemView& button, int width) {
    button.resize(width, 34);
    return button.grab().toImage();
  };
  auto entry = windowEntry(501, 7, std::string("Quarterly report for the board"));
  auto item = makeItem(entry, true);
  auto fresh = makeItem(windowEntry(502, 8, std::string("Quarterly report for the board")), true);
  item->grab();
  fresh->grab();

  const QImage narrow = render(*item, 70);
  EXPECT_NE(narrow, render(*fresh, 176).copy(0, 0, 70, 34));
  EXPECT_EQ(render(*item, 176), render(*fresh, 176));
  EXPECT_EQ(render(*item, 70), narrow);

  render(*item, 176);
  entry->windowTitle = std::string("Minutes");
  auto other = makeItem(windowEntry(503, 9, std::string("Minutes")), true);
  EXPECT_EQ(render(*item, 176), render(*other, 176));
}

// What a button shows besides its background is one picture, drawn again when something in it changes
// and only blitted while a hover fade changes the background under it.
TEST_F(AppItemTest, ThePictureOfAButtonIsDrawnAgainWhenItsTitleIconOrBadgeChangesButNotForAHoverFade) {
  settings->showWindowCount = true;
  settings->windowCountStyle = WindowCountStyle::badge;
  // Titles longer than the button: the label keeps its frame, only its text changes.
  auto titled = windowEntry(501, 7, std::string("Quarterly report for the board"));
  // The same entry again, with its icon in another colour.
  auto tinted = [](Color colour) {
    return std::make_shared<TrackedApp>("com.example.Editor", "Editor",
                                        AppImage{platform::AppIcon{"com.example.Editor", colour}}, 502, false,
                                        false, false, std::nullopt, std::nullopt);
  };
  struct Case {
    const char* what;
    std::unique_ptr<AppItemView> item;
    std::function<void(AppItemView&)> change;
    bool drawnAgain;
  };
  Case cases[] = {
      {"title", makeItem(titled, true),
       [&](AppItemView&) { titled->windowTitle = std::string("Quarterly minutes of the board meeting"); },
       true},
      {"icon", makeItem(tinted({0.2, 0.5, 0.9, 1})),
       [&](AppItemView& item) {
         item.configure(tinted({0.9, 0.3, 0.2, 1}), false);
       },
       true},
      {"badge", makeItem(appEntry(504, "Editor")), [](AppItemView& item) { item.updateWindowCount(3); },
       true},
      {"hover", makeItem(appEntry(505, "Editor")),
       [&](AppItemView& item) {
         item.mouseEntered();
         scheduler.advance(0.1);
       },
       false},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    AppItemView& item = *c.item;
    if (std::string(c.what) == "badge") item.updateWindowCount(2);
    const QImage before = item.grab().toImage();
    const int pictures = Access::contentRebuildCount(item);
    c.change(item);
    const QImage after = item.grab().toImage();
    EXPECT_NE(after, before) << "the change shows";
    EXPECT_EQ(Access::contentRebuildCount(item) > pictures, c.drawnAgain);
  }
}

// A frame of a hover fade repaints its own button's rectangle, nothing of the bar beyond it.
TEST_F(AppItemTest, AHoverFadeFrameRepaintsOnlyItsButton) {
  struct PaintRecorder : QObject {
    std::map<QObject*, std::vector<QRegion>> painted;
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::Paint)
        painted[watched].push_back(static_cast<QPaintEvent*>(event)->region());
      return false;
    }
  } recorder;
  QWidget bar;
  bar.resize(120, 34);  // the pointer rests at its top left corner, away from both buttons
  AppItemView* hovered = makeItem(appEntry(501, "Editor")).release();
  AppItemView* beside = makeItem(appEntry(502, "Mail")).release();
  hovered->setParent(&bar);
  beside->setParent(&bar);
  hovered->move(40, 0);
  beside->move(80, 0);
  bar.show();
  QCoreApplication::processEvents();
  for (QObject* watched :
       {static_cast<QObject*>(&bar), static_cast<QObject*>(hovered), static_cast<QObject*>(beside)})
    watched->installEventFilter(&recorder);
  const int pictures = Access::contentRebuildCount(*hovered);

  hovered->mouseEntered();
  for (int frame = 0; frame < 4; ++frame) {
    scheduler.advance(1.0 / 60);
    QCoreApplication::processEvents();
  }
  EXPECT_GE(recorder.painted[hovered].size(), 3u) << "one repaint per frame";
  EXPECT_TRUE(recorder.painted[beside].empty());
  for (const QRegion& region : recorder.painted[&bar])
    EXPECT_TRUE(QRegion(hovered->geometry()).contains(region.boundingRect()));
  EXPECT_EQ(Access::contentRebuildCount(*hovered), pictures) << "the frames only blit the picture";
}

// The frames of a hover fade blit one picture of the rounded background at the frame's alpha; what
// they show is the outline filled with the frame's colour, under the contents (to a rounding of 2 in 255).
TEST_F(AppItemTest, HoverFadeFramesLookAsTheFilledOutlineAndDrawTheShapeOnce) {
  auto item = makeItem(appEntry(501, "Editor"));
  item->configureIconsTextRight(34, true);  // the bar decides the width
  item->resize(120, 34);
  auto render = [&] {
    QImage image(item->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    item->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
  };
  const QImage contents = render();  // at rest: no background
  auto expected = [&](const Color& background) {
    QImage image(item->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(toQColor(background));
    painter.drawRoundedRect(QRectF(item->rect()), 3, 3);
    painter.drawImage(0, 0, contents);
    return image;
  };
  auto largestDifference = [](const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) {
        const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
        for (int channel :
             {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q), qAlpha(p) - qAlpha(q)})
          largest = std::max(largest, std::abs(channel));
      }
    return largest;
  };
  const int shapes = Access::backgroundShapeBuildCount(*item);
  item->mouseEntered();
  for (int frame = 0; frame < 4; ++frame) {
    SCOPED_TRACE(frame);
    const Color shown = Access::presentedBackgroundColor(*item);
    EXPECT_LE(largestDifference(render(), expected(shown)), 2);
    scheduler.advance(1.0 / 60);
  }
  item->mouseExited();
  scheduler.advance(1.0 / 60);
  const Color fadingOut = Access::presentedBackgroundColor(*item);
  ASSERT_GT(fadingOut.alpha, 0);
  EXPECT_LE(largestDifference(render(), expected(fadingOut)), 2);
  EXPECT_EQ(Access::backgroundShapeBuildCount(*item), shapes + 1) << "one shape for the whole fade";

  // The shape follows the button's size.
  item->mouseEntered();
  scheduler.advance(0.1);
  item->resize(140, 34);
  const QImage resized = render();
  EXPECT_EQ(Access::backgroundShapeBuildCount(*item), shapes + 2);
  EXPECT_EQ(qAlpha(resized.pixel(resized.width() - 2, resized.height() / 2)),
            qAlpha(resized.pixel(1, resized.height() / 2)))
      << "the background reaches the new right edge";
}

TEST_F(AppItemTest, IconFileIsDecodedOncePerSizeNotOnEveryLayoutOrPaint) {
  QTemporaryDir dir;
  const QString file = dir.filePath("icon.png");
  auto paintIcon = [&](QColor colour) {
    QImage image(256, 256, QImage::Format_ARGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(file));
  };
  paintIcon(Qt::red);
  IconCache cache;
  auto env = environment();
  env.iconCache = &cache;
  AppImage icon;
  icon.source.source = file.toStdString();
  auto entry = std::make_shared<TrackedApp>("com.example.Editor", "Editor", icon, 501, false, false, false,
                                            std::nullopt, std::nullopt);
  std::vector<std::unique_ptr<AppItemView>> items;
  for (int i = 0; i < 3; ++i) {
    items.push_back(std::make_unique<AppItemView>(env));
    items.back()->configure(entry, false);
    items.back()->configureIconsOnly(34, false);
  }
  // The file changes on disk: buttons that kept their icon go on showing what they decoded.
  paintIcon(Qt::blue);
  for (auto& item : items) {
    item->configure(entry, true);
    item->configureIconsOnly(34, false);
    const QImage shown = item->grab().toImage();
    EXPECT_EQ(shown.pixelColor(17, 17), QColor(Qt::red));
  }
  EXPECT_EQ(cache.decodeCount(), 1);
  items.front()->configureIconsOnly(40, false);
  EXPECT_EQ(items.front()->iconPixmap().width(), 32);
  EXPECT_EQ(cache.decodeCount(), 2);
}

// ---------------------------------------------------------------------------------------------------
// Active look

TEST_F(AppItemTest, ActiveLookFollowsTheSettingsAndDeactivationWaits) {
  settings->showActiveIndicator = false;
  settings->backgroundColor = Color{1, 1, 1, 1};
  auto entry = appEntry(9999, "Editor", true);  // no such process: never frontmost
  auto item = makeItem(entry);
  EXPECT_EQ(Access::indicatorAlpha(*item), 0);
  EXPECT_EQ(item->backgroundColor(), Access::activeColor(*item));
  // A light bar gives dark labels and overlays.
  EXPECT_EQ(Access::hoverColor(*item), Color::black().withAlpha(0.08));
  EXPECT_EQ(Access::activeColor(*item), Color::black().withAlpha(0.15));
  EXPECT_EQ(Access::labelView(*item)->palette().color(QPalette::WindowText), QColor(Qt::black));
  EXPECT_EQ(AppItemView::contrastingTextColor(std::nullopt), Color::white());
  settings->showActiveIndicator = true;
  settings->activeIndicatorColor = Color{1, 0, 0, 1};
  item->updateActiveIndicatorAppearance();
  EXPECT_EQ(Access::indicatorAlpha(*item), 1);
  EXPECT_EQ(Access::indicatorColor(*item), (Color{1, 0, 0, 1}));

  entry->isActive = false;
  scheduler.advance(0.07);
  EXPECT_TRUE(Access::isCurrentlyActive(*item));
  scheduler.advance(0.01);
  EXPECT_FALSE(Access::isCurrentlyActive(*item));
  EXPECT_EQ(Access::indicatorAlpha(*item), 0);
  EXPECT_EQ(item->backgroundColor().alpha, 0);

  // Inactive and active again within the delay: nothing flickers.
  entry->isActive = true;
  entry->isActive = false;
  scheduler.advance(0.05);
  entry->isActive = true;
  scheduler.advance(0.2);
  EXPECT_TRUE(Access::isCurrentlyActive(*item));
  item->setActiveImmediate(false);
  EXPECT_EQ(Access::indicatorAlpha(*item), 0);

  // The frontmost application keeps its look when its entry reports inactive.
  const int32_t pid = launch("com.example.editor", "Editor");
  auto frontmost = appEntry(pid, "Editor", true);
  item->configure(frontmost, false);
  frontmost->isActive = false;
  scheduler.advance(0.1);
  EXPECT_TRUE(Access::isCurrentlyActive(*item));
}

// ---------------------------------------------------------------------------------------------------
// Pointer

TEST_F(AppItemTest, HoverTintsOnlyAnInactiveButtonWhichShowsThePointingHand) {
  auto item = makeItem();
  item->configure(appEntry(501), false);
  // The hand is the button's own cursor, so Qt shows it wherever the pointer is over the button.
  EXPECT_TRUE(item->testAttribute(Qt::WA_SetCursor));
  EXPECT_EQ(item->cursor().shape(), Qt::PointingHandCursor);
  item->mouseEntered();
  EXPECT_EQ(item->backgroundColor(), Access::hoverColor(*item));
  EXPECT_LT(Access::presentedBackgroundColor(*item).alpha,
            Access::hoverColor(*item).alpha);  // still animating
  scheduler.advance(0.05);
  EXPECT_EQ(Access::presentedBackgroundColor(*item), Access::hoverColor(*item));
  item->mouseExited();
  scheduler.advance(0.06);
  EXPECT_EQ(Access::presentedBackgroundColor(*item).alpha, 0);

  auto entry = appEntry(9999, "Mail", true);
  item->configure(entry, false);
  item->mouseEntered();
  scheduler.advance(0.1);
  EXPECT_EQ(Access::presentedBackgroundColor(*item), Access::activeColor(*item));
  // Gone while hovered and with its deactivation pending, it leaves no callback behind (the sanitizers
  // catch one that runs).
  entry->isActive = false;
  item.reset();
  scheduler.advance(1);
  entry->isActive = true;
}

TEST_F(AppItemTest, ClicksAreDebouncedAndNeitherAReleaseOutsideNorACommandPressClicks) {
  auto item = makeItem(appEntry(9999));
  int clicks = 0;
  item->onClick = [&] { ++clicks; };
  auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button,
                  Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent event(type, at, item->mapToGlobal(at), button, button, modifiers);
    QApplication::sendEvent(item.get(), &event);
    return event.isAccepted();
  };
  send(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
  EXPECT_EQ(item->backgroundColor(), Access::activeColor(*item));  // pressed
  send(QEvent::MouseButtonRelease, {200, 10}, Qt::LeftButton);
  EXPECT_FALSE(send(QEvent::MouseButtonPress, {10, 10}, Qt::RightButton)) << "left to the context menu";
  send(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::ControlModifier);
  EXPECT_TRUE(Access::hasCommandPress(*item));
  send(QEvent::MouseButtonRelease, {10, 10}, Qt::LeftButton);
  EXPECT_FALSE(Access::hasCommandPress(*item));
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(Access::isCurrentlyActive(*item));

  // The media clock never starts at 0, so the very first release is a click, active at once; further
  // releases count from 0.05 s after the last click.
  const std::pair<double, int> releases[] = {{0, 1}, {0.03, 1}, {0.02, 2}, {0.2, 3}};
  for (const auto& [wait, expected] : releases) {
    scheduler.advance(wait);
    item->mouseUp(true);
    EXPECT_EQ(clicks, expected) << wait;
  }
  EXPECT_TRUE(Access::isCurrentlyActive(*item));
}

}  // namespace
}  // namespace pelko::test
