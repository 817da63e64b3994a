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
            "Cmd+1-5 switches pages. Search stays in the header so the page itself never disappears while "
            "you edit.");
  EXPECT_EQ(settingsFooterHint(5), "Cmd+F Search  \u2022  Cmd+1-5 Pages");
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
  // A frame on a screen stays where it was, its size clamped into the limits.
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(100, 100, 400, 3000), screens), Rect(100, 100, 860, 1200));
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(2000, 50, 1000, 800), screens), Rect(2000, 50, 1000, 800));
  // A frame left on a monitor that is gone is centred on the main screen, keeping its clamped size.
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(-3000, 100, 1000, 800), screens), Rect(460, 128, 1000, 800));
  // Touching a screen's edge is no overlap.
  EXPECT_EQ(SettingsWindowFrame::restored(Rect(3200, 0, 900, 700), screens), Rect(510, 178, 900, 700));
}

}  // namespace
}  // namespace pelko
