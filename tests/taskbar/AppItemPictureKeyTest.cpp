#include <QImage>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "TaskbarTestWorld.h"
#include "support/AppItemViewTestAccess.h"

namespace pelko::test {
namespace {

using Access = AppItemViewTestAccess;

class AppItemPictureKeyTest;

// One input of the picture of a button's contents: a button to start from, the change made through its
// own operations or the settings, and the fields of the picture's key that change with it (one, where
// the input can change alone).
struct PictureInput {
  const char* name;
  std::function<std::unique_ptr<AppItemView>(AppItemPictureKeyTest&)> make;
  std::function<void(AppItemPictureKeyTest&, AppItemView&)> change;
  std::vector<std::string> changedFields;
  // Whether the change shows in the button's picture (a side without an icon to draw moves nothing).
  bool shows = true;
};

void PrintTo(const PictureInput& input, std::ostream* out) {
  *out << input.name;
}

class AppItemPictureKeyTest : public AppItemTest, public ::testing::WithParamInterface<PictureInput> {
 public:
  using AppItemTest::appEntry;
  using AppItemTest::makeItem;
  using AppItemTest::settings;
  using AppItemTest::windowEntry;

  // A button of the icons-only layout showing `count` windows in `style`.
  std::unique_ptr<AppItemView> counting(TrackedAppPtr entry, WindowCountStyle style, int64_t count) {
    settings->showWindowCount = true;
    settings->windowCountStyle = style;
    auto item = entry ? makeItem(std::move(entry)) : makeItem();
    if (!item->trackedApp()) item->configureIconsOnly(34, false);
    item->updateWindowCount(count);
    return item;
  }
};

// The same entry with its icon tile in another colour.
TrackedAppPtr tinted(Color colour) {
  return std::make_shared<TrackedApp>("com.example.Editor", "Editor",
                                      AppImage{platform::AppIcon{"com.example.Editor", colour}}, 502, false,
                                      false, false, std::nullopt, std::nullopt);
}

// Longer than a text-mode button has room for, so the label keeps its frame when the text changes.
const std::string kLongTitle = "Quarterly report for the board";
const std::string kLongName = "Quarterly Report Writer for the Board";

using Test = AppItemPictureKeyTest;
using Item = AppItemView;

const PictureInput kInputs[] = {
    {"size",
     [](Test& t) { return t.makeItem(t.appEntry(501)); },
     [](Test&, Item& item) { item.resize(30, 34); },
     {"size"}},
    // Dots wait for a layout to be drawn; an icon side of 0 per cent and no entry keep everything else as
    // it was.
    {"hasLayout",
     [](Test& t) {
       t.settings->windowCountStyle = WindowCountStyle::dots;
       auto item = t.makeItem();
       item->updateWindowCount(3);
       item->resize(34, 34);
       return item;
     },
     [](Test&, Item& item) { item.configureIconsOnly(34, false, 0); },
     {"hasLayout"}},
    // A 30-point bar has 22-point icons both ways; the dots run across the button or down it.
    {"mode",
     [](Test& t) {
       auto item = t.counting(t.appEntry(501), WindowCountStyle::dots, 3);
       item->configureIconsOnly(30, false);
       return item;
     },
     [](Test&, Item& item) { item.configureVertical(30, TaskbarPosition::left); },
     {"mode"}},
    {"indicatorPosition",
     [](Test& t) { return t.makeItem(t.appEntry(501, "Editor", true)); },
     [](Test& t, Item& item) {
       t.settings->activeIndicatorPosition = std::string("top");
       item.configureIconsOnly(34, false);
     },
     {"indicatorPosition"}},
    // Without an entry there is no icon, whose own picture would change with its side as well.
    {"iconSide",
     [](Test& t) {
       auto item = t.makeItem();
       item->configureIconsOnly(34, false);
       return item;
     },
     [](Test&, Item& item) { item.configureIconsOnly(34, false, 50); },
     {"iconSide"},
     false},
    {"icon",
     [](Test& t) {
       return t.makeItem(tinted({0.2, 0.5, 0.9, 1}));
     },
     [](Test&, Item& item) {
       item.configure(tinted({0.9, 0.3, 0.2, 1}), false);
     },
     {"icon"}},
    {"shadows",
     [](Test& t) { return t.counting(t.appEntry(501), WindowCountStyle::stacked, 2); },
     [](Test&, Item& item) { item.updateWindowCount(3); },
     {"shadows"}},
    {"dimmedAlpha",
     [](Test& t) {
       t.settings->indicateMinimized = true;
       return t.makeItem(t.appEntry(501));
     },
     [](Test&, Item& item) { item.trackedApp()->isMinimized = true; },
     {"dimmedAlpha"}},
    {"dots",
     [](Test& t) { return t.counting(t.appEntry(501), WindowCountStyle::dots, 2); },
     [](Test&, Item& item) { item.updateWindowCount(3); },
     {"dots"}},
    {"dotColor",
     [](Test& t) {
       t.settings->showActiveIndicator = false;
       return t.counting(t.appEntry(501), WindowCountStyle::dots, 3);
     },
     [](Test&, Item& item) { item.setActiveImmediate(true); },
     {"dotColor"}},
    {"indicatorAlpha",
     [](Test& t) { return t.makeItem(t.appEntry(501)); },
     [](Test&, Item& item) { item.setActiveImmediate(true); },
     {"indicatorAlpha"}},
    {"indicatorColor",
     [](Test& t) { return t.makeItem(t.appEntry(501, "Editor", true)); },
     [](Test& t, Item& item) {
       t.settings->activeIndicatorColor = Color{1, 0.2, 0.2, 1};
       item.updateActiveIndicatorAppearance();
     },
     {"indicatorColor"}},
    {"title",
     [](Test& t) { return t.makeItem(t.windowEntry(501, 7, kLongTitle), true); },
     [](Test&, Item& item) {
       item.trackedApp()->windowTitle = std::string("Quarterly minutes of the meeting");
     },
     {"title"}},
    // A count at the end of the button takes room from the title; the button keeps its size.
    {"titleFrame",
     [](Test& t) {
       t.settings->windowCountStyle = WindowCountStyle::inlineRight;
       return t.makeItem(t.appEntry(501, kLongName), true);
     },
     [](Test&, Item& item) { item.updateWindowCount(3); },
     {"titleFrame"}},
    // A fifth of a point changes the font and nothing else; the title is drawn in whole pixels and looks
    // the same, where a whole point more would move its frame as well.
    {"titleFont",
     [](Test& t) {
       t.settings->itemTextSize = 11.0;
       return t.makeItem(t.windowEntry(501, 7, kLongTitle), true);
     },
     [](Test& t, Item& item) {
       t.settings->itemTextSize = 11.2;
       item.configureIconsTextRight(34, false);
     },
     {"titleFont"},
     false},
    {"titleColor",
     [](Test& t) { return t.makeItem(t.windowEntry(501, 7, kLongTitle), true); },
     [](Test& t, Item& item) {
       t.settings->backgroundColor = Color{0.95, 0.95, 0.95, 1};
       item.updateTextColor();
     },
     {"titleColor"}},
    // The badge sits at the icon's corner and grows with its digits: it never moves alone.
    {"badgeFrame",
     [](Test& t) { return t.counting(nullptr, WindowCountStyle::badge, 3); },
     [](Test&, Item& item) { item.configureIconsOnly(34, false, 50); },
     {"iconSide", "badgeFrame"}},
    {"badgeCount",
     [](Test& t) { return t.counting(t.appEntry(501), WindowCountStyle::badge, 3); },
     [](Test&, Item& item) { item.updateWindowCount(4); },
     {"badgeCount"}},
    {"badgeColor",
     [](Test& t) { return t.counting(t.appEntry(501), WindowCountStyle::badge, 3); },
     [](Test& t, Item& item) {
       t.settings->badgeColor = Color{0.2, 0.8, 0.3, 1};
       item.updateWindowCount(3);
     },
     {"badgeColor"}},
    {"badgeTextColor",
     [](Test& t) { return t.counting(t.appEntry(501), WindowCountStyle::badge, 3); },
     [](Test& t, Item& item) {
       t.settings->badgeTextColor = Color::black();
       item.updateWindowCount(3);
     },
     {"badgeTextColor"}},
    {"badgeOpacity",
     [](Test& t) { return t.counting(t.appEntry(501), WindowCountStyle::badge, 3); },
     [](Test& t, Item& item) {
       t.settings->badgeOpacity = 50.0;
       item.updateWindowCount(3);
     },
     {"badgeOpacity"}},
    // The pixel ratio has no row: the tests' offscreen screen has one density, which no input changes.
};

// A change to anything the picture shows draws the picture again, once; the key notices exactly that
// change, and the next paint with nothing changed reuses the picture.
TEST_P(AppItemPictureKeyTest, AChangeToAnInputDrawsThePictureAgainOnce) {
  const PictureInput& input = GetParam();
  auto item = input.make(*this);
  const QImage before = item->grab().toImage();
  const auto keyBefore = Access::drawnContentKey(*item);
  ASSERT_TRUE(keyBefore.has_value());
  const int pictures = Access::contentRebuildCount(*item);

  input.change(*this, *item);
  const QImage after = item->grab().toImage();
  const auto keyAfter = Access::drawnContentKey(*item);
  ASSERT_TRUE(keyAfter.has_value());
  EXPECT_EQ(Access::differingContentFields(*keyBefore, *keyAfter), input.changedFields);
  EXPECT_EQ(Access::contentRebuildCount(*item), pictures + 1);
  if (input.shows) {
    EXPECT_NE(after, before) << "the change shows";
  }

  EXPECT_EQ(item->grab().toImage(), after);
  EXPECT_EQ(Access::contentRebuildCount(*item), pictures + 1) << "nothing changed since";
}

INSTANTIATE_TEST_SUITE_P(EachInput, AppItemPictureKeyTest, ::testing::ValuesIn(kInputs),
                         [](const ::testing::TestParamInfo<PictureInput>& info) { return info.param.name; });

}  // namespace
}  // namespace pelko::test
