// The settings window's rules that need no widgets: shortcuts, colour-panel placement, the surface
// colour and rendering mode, the header and hint texts, the page to open with, the remembered frame.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "settingswindow/ColorPanelPlacement.h"
#include "settingswindow/SettingsShortcuts.h"
#include "settingswindow/SettingsSurfaceColor.h"
#include "settingswindow/SettingsTabMetadata.h"
#include "settingswindow/SettingsWindowFrame.h"

namespace pelko {
namespace {

using Action = SettingsShortcut::Action;

TEST(SettingsShortcutsTest, TableOfKeys) {
  struct Case {
    uint64_t flags;
    const char* characters;
    bool content;
    SettingsShortcut expected;
  };
  const Case cases[] = {
      {0x100000, "w", true, {Action::closeWindow}},
      {0x100000, "W", true, {Action::closeWindow}},
      {0x100000, "f", true, {Action::focusSearch}},
      {0x100000, "f", false, {}},
      {0x100000, "1", true, {Action::selectPage, 0}},
      {0x100000, "3", true, {Action::selectPage, 2}},
      {0x100000, "5", true, {Action::selectPage, 4}},
      {0x100000, "6", true, {}},
      {0x100000, "0", true, {}},
      {0x100000 | 0x80000, "3", true, {}},  // Command-Option-3
      {0x120000, "c", true, {Action::copyDiagnostics}},
      {0x120000, "w", true, {}},
      {0x100000 | 0x0101, "w", true, {Action::closeWindow}},  // device bits are ignored
      {0, "w", true, {}},
      {0x100000, "", true, {}},
      {0x100000, "12", true, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(settingsShortcut(c.flags, c.characters, 5, c.content), c.expected)
        << std::hex << c.flags << " " << c.characters;
  }
}

TEST(ColorPanelPlacementTest, RightThenLeftThenCentredAndClamped) {
  const Rect screen(0, 0, 1920, 1055);
  // Room on the right: 8 points beside the window, tops level.
  Point right = colorPanelOrigin(Rect(100, 200, 980, 760), {300, 400}, screen);
  EXPECT_EQ(right.x, 1088);
  EXPECT_EQ(right.y, 560);
  // No room on the right, room on the left.
  Point left = colorPanelOrigin(Rect(800, 200, 980, 760), {300, 400}, screen);
  EXPECT_EQ(left.x, 492);
  // Neither side: centred on the window, kept inside the screen.
  Point centred = colorPanelOrigin(Rect(200, 200, 1600, 760), {300, 400}, screen);
  EXPECT_EQ(centred.x, 850);
  Point clamped = colorPanelOrigin(Rect(-400, 200, 1500, 760), {900, 400}, Rect(0, 0, 1000, 1055));
  EXPECT_EQ(clamped.x, 0);
  // A panel taller than the room above the screen's bottom is raised to it.
  Point raised = colorPanelOrigin(Rect(100, 20, 980, 300), {300, 400}, screen);
  EXPECT_EQ(raised.y, 0);
}

TEST(ColorPanelPlacementTest, BoundariesOfEachSide) {
  const Rect screen(0, 100, 2000, 1000);  // visible from x 0 to 2000, y 100 to 1100
  const Size panel{300, 400};
  struct Case {
    const char* name;
    Rect window;
    Point expected;
  };
  const Case cases[] = {
      // The right side takes the panel while its right edge is at most the screen's: 1692 + 8 + 300.
      {"right, flush", Rect(892, 500, 800, 500), {1700, 600}},
      {"right, one point over", Rect(893, 500, 800, 500), {585, 600}},
      // The left side takes it while its left edge is at least the screen's: 308 - 8 - 300.
      {"left, flush", Rect(308, 500, 1500, 500), {0, 600}},
      {"left, one point over", Rect(307, 500, 1500, 500), {907, 600}},
      // Neither: centred on the window, then kept inside the screen.
      {"centred, clamped", Rect(200, 500, 3400, 500), {1700, 600}},
      // Tops level, unless that puts the panel below the screen's bottom: then raised to it exactly.
      {"top level, at the bottom", Rect(200, 100, 800, 400), {1008, 100}},
      {"raised", Rect(200, 99, 800, 400), {1008, 100}},
  };
  for (const Case& c : cases) {
    const Point origin = colorPanelOrigin(c.window, panel, screen);
    EXPECT_EQ(origin.x, c.expected.x) << c.name;
    EXPECT_EQ(origin.y, c.expected.y) << c.name;
  }
}

TEST(SettingsSurfaceColorTest, BoundariesOfTheFlattening) {
  const Color base{0.2, 0.4, 0.6, 1.0};
  struct Case {
    const char* name;
    Color color;
    Color expected;
  };
  const Case cases[] = {
      // From 0.995 up a colour counts as opaque and keeps its components; just below it is blended.
      {"alpha 0.995", {1, 0, 0, 0.995}, {1, 0, 0, 0.995}},
      {"alpha 0.994", {1, 0, 0, 0.994}, {0.2 * 0.006 + 0.994, 0.4 * 0.006, 0.6 * 0.006, 1}},
      {"clear", {1, 1, 1, 0}, {0.2, 0.4, 0.6, 1}},
      // Components out of range, or not numbers at all, are brought into range before blending.
      {"out of range", {1.5, -0.5, 0.5, 0.5}, {0.6, 0.2, 0.55, 1}},
      {"alpha above one", {0.3, 0.3, 0.3, 1.7}, {0.3, 0.3, 0.3, 1}},
      {"not a number", {std::numeric_limits<double>::quiet_NaN(), 1, 1, 0.5}, {0.1, 0.7, 0.8, 1}},
  };
  for (const Case& c : cases) {
    const Color flat = resolvedSettingsSurfaceColor(c.color, SettingsRenderingMode::lowDensity, base);
    EXPECT_NEAR(flat.red, c.expected.red, 1e-12) << c.name;
    EXPECT_NEAR(flat.green, c.expected.green, 1e-12) << c.name;
    EXPECT_NEAR(flat.blue, c.expected.blue, 1e-12) << c.name;
    EXPECT_NEAR(flat.alpha, c.expected.alpha, 1e-12) << c.name;
  }
}

TEST(SettingsSurfaceColorTest, LowDensityFlattensTranslucentColours) {
  const Color base = Color::fromWhite(0.2);
  const Color translucent{1.0, 0.5, 0.0, 0.72};
  EXPECT_EQ(resolvedSettingsSurfaceColor(translucent, SettingsRenderingMode::standard, base), translucent);

  Color flat = resolvedSettingsSurfaceColor(translucent, SettingsRenderingMode::lowDensity, base);
  EXPECT_DOUBLE_EQ(flat.alpha, 1.0);
  EXPECT_NEAR(flat.red, 0.2 * 0.28 + 1.0 * 0.72, 1e-12);
  EXPECT_NEAR(flat.green, 0.2 * 0.28 + 0.5 * 0.72, 1e-12);
  EXPECT_NEAR(flat.blue, 0.2 * 0.28, 1e-12);

  // Nearly opaque colours are only converted, not blended.
  const Color nearlyOpaque{0.3, 0.4, 0.5, 0.996};
  EXPECT_EQ(resolvedSettingsSurfaceColor(nearlyOpaque, SettingsRenderingMode::lowDensity, base),
            nearlyOpaque);
  const Color belowThreshold{0.3, 0.4, 0.5, 0.99};
  EXPECT_DOUBLE_EQ(
      resolvedSettingsSurfaceColor(belowThreshold, SettingsRenderingMode::lowDensity, base).alpha, 1.0);
}

TEST(SettingsSurfaceColorTest, ModeFromScreenScale) {
  EXPECT_EQ(renderingModeForScale(2.0), SettingsRenderingMode::standard);
  EXPECT_EQ(renderingModeForScale(3.0), SettingsRenderingMode::standard);
  EXPECT_EQ(renderingModeForScale(1.5), SettingsRenderingMode::lowDensity);
  EXPECT_EQ(renderingModeForScale(1.0), SettingsRenderingMode::lowDensity);
  EXPECT_EQ(renderingModeForScale(std::nullopt), SettingsRenderingMode::standard);
}

TEST(SettingsTabMetadataTest, HintsNameTheFivePages) {
  ASSERT_EQ(settingsTabMetadata().size(), 5u);
  EXPECT_EQ(settingsKeyboardHint(5),
            "Ctrl+1-5 switches pages. Search stays in the header so the page itself never disappears while "
            "you edit.");
  EXPECT_EQ(settingsFooterHint(5), "Ctrl+F Search  \u2022  Ctrl+1-5 Pages");
}

TEST(SettingsTabMetadataTest, HeaderSummary) {
  const SettingsTabMetadata& items = settingsTabMetadata()[1];
  EXPECT_EQ(settingsHeaderSummary(items, "", 3), "Grouping, labels, indicators, previews, and hidden apps.");
  EXPECT_EQ(settingsHeaderSummary(items, "zzz", 0),
            "No settings matched \"zzz\". Try a broader term or switch to the closest page.");
  EXPECT_EQ(settingsHeaderSummary(items, "dock", 1),
            "1 matching setting for \"dock\". Press Return to jump to the first result.");
  EXPECT_EQ(settingsHeaderSummary(items, "dock", 7),
            "7 matching settings for \"dock\". Press Return to jump to the first result.");
  // The query echoed as the results panel echoes it.
  EXPECT_EQ(settingsHeaderSummary(items, "\u202Elive\nzzz", 0),
            "No settings matched \"live zzz\". Try a broader term or switch to the closest page.");
  EXPECT_EQ(settingsHeaderSummary(items, "\u2066dock\u2069", 2),
            "2 matching settings for \"dock\". Press Return to jump to the first result.");
}

TEST(SettingsTabMetadataTest, StoredPageOutOfRangeGivesFirstPage) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, int> cases[] = {{0, 0}, {3, 3},  {4, 4},   {-1, 0},
                                          {5, 0}, {99, 0}, {nan, 0}, {2.7, 2}};
  for (auto [stored, expected] : cases) EXPECT_EQ(restoredSettingsPageIndex(stored, 5), expected) << stored;
}

TEST(SettingsTabMetadataTest, FooterVersion) {
  EXPECT_EQ(settingsFooterVersion(std::string("2.4.1")), "Pelko v2.4.1");
  EXPECT_EQ(settingsFooterVersion(std::nullopt), "Pelko v1.0");
}

TEST(SettingsWindowFrameTest, ParsesOnlyWellFormedFrames) {
  EXPECT_EQ(SettingsWindowFrame::parse("100 200 980 760"), Rect(100, 200, 980, 760));
  EXPECT_EQ(SettingsWindowFrame::parse("-1500.5 20 900 700"), Rect(-1500.5, 20, 900, 700));
  for (const char* bad : {"", "100 200 980", "100 200 980 760 5", "100  200 980 760", " 100 200 980 760",
                          "100 200 980 760 ", "a b c d", "100 200 0 760", "100 200 980 -5", "100 200 inf 760",
                          "100 200 nan 760", "100,200,980,760", "{{100, 200}, {980, 760}}"}) {
    EXPECT_EQ(SettingsWindowFrame::parse(bad), std::nullopt) << '"' << bad << '"';
  }
  EXPECT_EQ(SettingsWindowFrame::parse(SettingsWindowFrame::format(Rect(12, 34, 900, 700))),
            Rect(12, 34, 900, 700));
}

TEST(SettingsWindowFrameTest, RestoreClampsAndRecentres) {
  const std::vector<Rect> screens{Rect(0, 0, 1920, 1055), Rect(1920, 0, 1280, 1024)};
  // Nothing saved: the window's size, centred on the main screen.
  EXPECT_EQ(SettingsWindowFrame::restored(std::nullopt, screens), Rect(470, 148, 980, 760));
  // A frame on a screen stays where it was, its size clamped into the limits and to the screen; its top
  // edge comes down onto the screen.
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(100, 100, 400, 3000), screens), Rect(100, 0, 860, 1055));
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(100, 100, 900, 700), screens), Rect(100, 100, 900, 700));
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(2000, 50, 1000, 800), screens), Rect(2000, 50, 1000, 800));
  // A frame left on a monitor that is gone is centred on the main screen, keeping its clamped size.
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(-3000, 100, 1000, 800), screens), Rect(460, 128, 1000, 800));
  // Touching a screen's edge is no overlap.
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(3200, 0, 900, 700), screens), Rect(510, 178, 900, 700));
  // A frame over two screens belongs to the one holding more of it: the second one's top is lower.
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(1800, 400, 1000, 700), screens), Rect(1800, 324, 1000, 700));
}

TEST(SettingsWindowFrameTest, TheTitleBarStaysOnSmallScreens) {
  struct Case {
    const char* name;
    Rect visible;  // the screen's visible frame, the bar's strip at the bottom taken off
    Rect expected;
  };
  const Case cases[] = {
      // 1366 x 768 with a 34-point bar: the window shrinks to the height and is centred across.
      {"1366x768", Rect(0, 34, 1366, 734), Rect(193, 34, 980, 734)},
      // Lower than the minimum height of 620: the window is lowered to the room there is, so that it
      // ends above the bar, footer and all. 1024 x 600 with its bar:
      {"1024x600", Rect(0, 34, 1024, 566), Rect(22, 34, 980, 566)},
      // 1920 x 1080 at scale 2 gives 960 x 540 points.
      {"960x540", Rect(0, 34, 960, 506), Rect(0, 34, 960, 506)},
      {"960x540 second screen", Rect(1920, 34, 960, 506), Rect(1920, 34, 960, 506)},
      // Narrower than the minimum width of 860 too.
      {"800x600", Rect(0, 0, 800, 600), Rect(0, 0, 800, 600)},
      // A screen with room changes nothing.
      {"1920x1080", Rect(0, 34, 1920, 1046), Rect(470, 177, 980, 760)},
  };
  for (const Case& c : cases) {
    const Rect restored = SettingsWindowFrame::restored(std::nullopt, {c.visible});
    EXPECT_EQ(restored, c.expected) << c.name;
    EXPECT_LE(restored.maxY(), c.visible.maxY()) << c.name;
    EXPECT_GE(restored.minY(), c.visible.minY()) << c.name;
  }
  // A remembered frame whose title bar is above the screen comes down, keeping its left edge; one whose
  // bottom is behind the bar comes up.
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(300, 200, 900, 700), {Rect(0, 34, 1366, 734)}),
            Rect(300, 68, 900, 700));
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(40, 10, 980, 566), {Rect(0, 34, 1024, 566)}),
            Rect(40, 34, 980, 566));
  // The same with a frame the least height does not touch: 700 high, it keeps its height, so only the
  // bottom edge's own rule can lift it off the bar.
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(300, 10, 900, 700), {Rect(0, 34, 1366, 734)}),
            Rect(300, 34, 900, 700));
  // The minimum size there: the window's own (860 x 620) where it fits, else the room there is.
  EXPECT_EQ(SettingsWindowFrame::minimumSizeIn(Rect(0, 34, 1366, 734)), Size(860, 620));
  EXPECT_EQ(SettingsWindowFrame::minimumSizeIn(Rect(0, 34, 1024, 566)), Size(860, 566));
  EXPECT_EQ(SettingsWindowFrame::minimumSizeIn(Rect(0, 0, 800, 600)), Size(800, 600));
}

TEST(SettingsWindowFrameTest, TheRoomLeftBesideTheBarsAndTheDecoration) {
  struct Case {
    const char* name;
    std::vector<Rect> bars;
    Rect expected;
  };
  const Rect visible(0, 0, 1366, 768);
  const Case cases[] = {
      {"no bar", {}, Rect(0, 0, 1366, 768)},
      {"a bar along the bottom", {Rect(0, 0, 1366, 34)}, Rect(0, 34, 1366, 734)},
      {"a floating bar above the bottom", {Rect(400, 8, 566, 40)}, Rect(0, 48, 1366, 720)},
      {"a bar along the top", {Rect(0, 734, 1366, 34)}, Rect(0, 0, 1366, 734)},
      {"a bar along the left", {Rect(0, 0, 60, 768)}, Rect(60, 0, 1306, 768)},
      {"a bar along the right", {Rect(1306, 0, 60, 768)}, Rect(0, 0, 1306, 768)},
      {"a bar on another screen", {Rect(1366, 0, 1920, 34)}, Rect(0, 0, 1366, 768)},
      {"bars at the bottom and the left",
       {Rect(0, 0, 1366, 34), Rect(0, 0, 60, 768)},
       Rect(60, 34, 1306, 734)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SettingsWindowFrame::clearOfBars(visible, c.bars), c.expected) << c.name;

  // A title bar of 20 and borders of 1 at the sides and 5 below: the content's frame, hung from the outer
  // frame's top, has that much less room at the bottom and the right.
  EXPECT_EQ(SettingsWindowFrame::roomForContent(Rect(0, 34, 1366, 734), Size(2, 25)), Rect(0, 59, 1364, 709));
  EXPECT_EQ(SettingsWindowFrame::roomForContent(Rect(0, 34, 1366, 734), Size(0, 0)), Rect(0, 34, 1366, 734));
  // So the window on a 1366 x 768 screen with a bar along the bottom ends above the bar, frame and all.
  const Rect placed = SettingsWindowFrame::restored(
      std::nullopt, {SettingsWindowFrame::roomForContent(
                        SettingsWindowFrame::clearOfBars(visible, {Rect(0, 0, 1366, 34)}), Size(2, 25))});
  EXPECT_EQ(placed, Rect(192, 59, 980, 709));
}

TEST(SettingsWindowFrameTest, TheWindowsOwnScreenHoldsMostOfIt) {
  const std::vector<Rect> screens{Rect(0, 0, 1920, 1055), Rect(1920, 0, 1280, 1024)};
  EXPECT_EQ(SettingsWindowFrame::screenHolding(Rect(100, 100, 980, 760), screens), 0u);
  EXPECT_EQ(SettingsWindowFrame::screenHolding(Rect(1800, 100, 980, 760), screens), 1u);
  EXPECT_EQ(SettingsWindowFrame::screenHolding(Rect(1400, 100, 980, 760), screens), 0u);
  EXPECT_EQ(SettingsWindowFrame::screenHolding(Rect(3200, 100, 980, 760), screens), std::nullopt);
}

}  // namespace
}  // namespace pelko
