// The search, suggestion, permission and maintenance rules without widgets: terms, matching, order,
// the panel's texts; every suggestion with its key, text and action; the permission rows' texts; the
// diagnostics sheet and the fallback report.

#include <gtest/gtest.h>

#include "settings/SettingsManager.h"
#include "settingswindow/SettingsMaintenance.h"
#include "settingswindow/SettingsPermissionStatus.h"
#include "settingswindow/SettingsSearch.h"
#include "settingswindow/SettingsSuggestions.h"
#include "support/SimulatedSystem.h"

namespace pelko {
namespace {

using Strings = std::vector<std::string>;

TEST(SettingsSearchRulesTest, Terms) {
  struct Case {
    const char* query;
    Strings expected;
  };
  const Case cases[] = {
      {"", {}},
      {"   \n\t ", {}},
      {"--//-", {}},
      {"auto hide", {"auto", "hide"}},
      {"auto-hide", {"auto", "hide"}},
      {"dock/tray", {"dock", "tray"}},
      {"  Auto\tHIDE\nDelay ", {"auto", "hide", "delay"}},
      {"hide hide-HIDE", {"hide"}},
      {"Ünicode ÉCRAN", {"ünicode", "écran"}},
  };
  for (const Case& c : cases) EXPECT_EQ(settings_search::terms(c.query), c.expected) << c.query;
}

TEST(SettingsSearchRulesTest, EveryTermInSomeField) {
  const settings_search::RowFields row{"auto-hide delay", "seconds before the taskbar hides", "core",
                                       "auto-hide",
                                       "reveal timing, triggers, animations, and window interaction."};
  const settings_search::RowFields noHelp{
      "show battery", std::nullopt, "system tray", "behavior",
      "system tray, startup behavior, permissions, and maintenance tools."};
  struct Case {
    const char* query;
    const settings_search::RowFields* fields;
    bool expected;
  };
  const Case cases[] = {
      {"auto hide", &row, true},
      {"auto-hide", &row, true},
      {"delay seconds", &row, true},   // title and help text
      {"core triggers", &row, true},   // section and page summary
      {"DELAY", &row, true},           // the query is lower-cased
      {"elay", &row, true},            // plain substrings, no word boundaries
      {"delay dock", &row, false},     // every term must be found
      {"autohide", &row, false},       // no fuzzy matching
      {"maintenance", &noHelp, true},  // a word only in the page summary
      {"seconds", &noHelp, false},     // no help text to look in
      {"", &row, false},               // no terms, no match
  };
  for (const Case& c : cases)
    EXPECT_EQ(settings_search::matches(settings_search::terms(c.query), *c.fields), c.expected) << c.query;
  EXPECT_EQ(settings_search::lowerCased("Auto-Hide ÉCRAN"), "auto-hide écran");
}

TEST(SettingsSearchRulesTest, CurrentPageFirstThenPageSectionTitleAndFoundOrder) {
  auto result = [](int page, const char* section, const char* title, const char* help) {
    SettingsSearchResult r;
    r.tabIndex = page;
    r.sectionTitle = section;
    r.title = title;
    r.helpText = help;
    return r;
  };
  // In the order found: page order, then the view tree's order.
  std::vector<SettingsSearchResult> found = {
      result(0, "Placement", "Position", "a"),
      result(0, "Borders & Shape", "Borders", "b"),
      result(1, "Display", "Show Title", "c"),
      result(2, "System Tray", "Show Time", "d"),
      result(2, "Dock Integration", "Dock Mode", "e"),
      result(2, "System Tray", "Show Time", "f"),
      result(2, "System Tray", "Clock", "g"),
      result(3, "Core", "auto", "h"),
      result(3, "Core", "Auto", "i"),
  };
  struct Case {
    int current;
    Strings expectedHelp;
  };
  const Case cases[] = {
      // Section and title in plain, case-sensitive order ("Auto" before "auto"); equal page, section
      // and title keep the order found ("d" before "f").
      {2, {"e", "g", "d", "f", "b", "a", "c", "i", "h"}},
      {0, {"b", "a", "c", "e", "g", "d", "f", "i", "h"}},
      {3, {"i", "h", "b", "a", "c", "e", "g", "d", "f"}},
      {4, {"b", "a", "c", "e", "g", "d", "f", "i", "h"}},
  };
  for (const Case& c : cases) {
    std::vector<SettingsSearchResult> sorted = found;
    settings_search::sort(sorted, c.current);
    Strings help;
    for (const auto& r : sorted) help.push_back(*r.helpText);
    EXPECT_EQ(help, c.expectedHelp) << "current page " << c.current;
  }
}

TEST(SettingsSearchRulesTest, PanelTexts) {
  EXPECT_EQ(settings_search::headerText(0, "zzz"), "No matches for \"zzz\".");
  EXPECT_EQ(settings_search::headerText(1, "Dock"), "1 match for \"Dock\".");
  EXPECT_EQ(settings_search::headerText(7, "auto hide"), "7 matches for \"auto hide\".");
  EXPECT_EQ(settings_search::emptyStateText("--"),
            "No visible settings matched \"--\". Try a broader term like dock, tray, thumbnails, border, or "
            "login.");
  // The query is echoed as every text from outside is shown: on one line, without controls or
  // direction overrides (U+202E would turn "live" into "evil" and the sentence around it too).
  EXPECT_EQ(settings_search::headerText(0, "\u202Elive\nzz\tz\x07"), "No matches for \"live zz z\".");
  EXPECT_EQ(settings_search::emptyStateText("\u202Elive\nzzz"),
            "No visible settings matched \"live zzz\". Try a broader term like dock, tray, thumbnails, "
            "border, or login.");
  EXPECT_EQ(settings_search::footerText(6, 7),
            "Showing the top 6 of 7 matches. Press Return to jump to the first result.");

  SettingsSearchResult r;
  r.tabTitle = "Behavior";
  r.sectionTitle = "System Tray";
  EXPECT_EQ(settings_search::detailText(r), "Behavior \u2022 System Tray");
  r.helpText = "Short help";
  EXPECT_EQ(settings_search::detailText(r), "Behavior \u2022 System Tray  Short help");
  // Long help is cut to its first 110 characters, whole characters (an "é" is one).
  std::string longHelp;
  for (int i = 0; i < 120; ++i) longHelp += "\u00e9";
  r.helpText = longHelp;
  std::string expected = "Behavior \u2022 System Tray  ";
  for (int i = 0; i < 110; ++i) expected += "\u00e9";
  EXPECT_EQ(settings_search::detailText(r), expected);
}

// ---- Suggestions ----

using settings_suggestions::Decision;
using settings_suggestions::Inputs;
using Kind = Decision::Kind;

TEST(SettingsSuggestionRulesTest, PageRulesAsATable) {
  using Rule = Decision (*)(const Inputs&, const settings_suggestions::DismissedKey&);
  auto with = [](auto change) {
    Inputs in;  // the defaults: a bottom bar with its top border, Icons + Text, grouping on
    change(in);
    return in;
  };
  struct Case {
    const char* name;
    Rule rule;
    Inputs inputs;
    std::optional<std::string> dismissed;
    Kind kind;
    std::string key;
    std::string text;
  };
  const Case cases[] = {
      {"position: inner edge only",
       settings_suggestions::position,
       with([](Inputs&) {}),
       {},
       Kind::dismissOwn,
       "position-",
       ""},
      {"position: bottom edge on a bottom bar",
       settings_suggestions::position,
       with([](Inputs& in) { in.borderTop = false, in.borderBottom = true; }),
       {},
       Kind::show,
       "position-bottom-border",
       "Recommended: Use top border only for bottom position"},
      {"position: a left bar",
       settings_suggestions::position,
       with([](Inputs& in) { in.position = TaskbarPosition::left; }),
       {},
       Kind::show,
       "position-left-border",
       "Recommended: Use right border only for left position"},
      {"position: a right bar, two edges",
       settings_suggestions::position,
       with([](Inputs& in) { in.position = TaskbarPosition::right, in.borderLeft = true; }),
       {},
       Kind::show,
       "position-right-border",
       "Recommended: Use left border only for right position"},
      {"position: a top bar with its bottom edge",
       settings_suggestions::position,
       with([](Inputs& in) {
         in.position = TaskbarPosition::top, in.borderTop = false, in.borderBottom = true;
       }),
       {},
       Kind::dismissOwn,
       "position-",
       ""},
      {"position: no edges on a floating bar",
       settings_suggestions::position,
       with([](Inputs& in) { in.borderTop = false, in.floatingBar = true; }),
       {},
       Kind::dismissOwn,
       "position-",
       ""},
      {"position: no edges on a docked bar",
       settings_suggestions::position,
       with([](Inputs& in) { in.borderTop = false; }),
       {},
       Kind::show,
       "position-bottom-border",
       "Recommended: Use top border only for bottom position"},
      {"position: dismissed leaves the banner", settings_suggestions::position,
       with([](Inputs& in) { in.borderTop = false; }), "position-bottom-border", Kind::leave, "", ""},
      {"position: batching",
       settings_suggestions::position,
       with([](Inputs& in) { in.borderTop = false, in.isBatchingUpdates = true; }),
       {},
       Kind::leave,
       "",
       ""},

      {"style: icons only, centred alignment",
       settings_suggestions::style,
       with([](Inputs& in) { in.style = TaskbarStyle::iconsOnly, in.itemAlignment = ItemAlignment::center; }),
       {},
       Kind::show,
       "style-iconsOnly-centerItems",
       "Recommended: Enable \"Center Items\" for Icons Only style"},
      {"style: icons only, left alignment",
       settings_suggestions::style,
       with([](Inputs& in) { in.style = TaskbarStyle::iconsOnly; }),
       {},
       Kind::dismissOwn,
       "style-",
       ""},
      {"style: icons only, floating",
       settings_suggestions::style,
       with([](Inputs& in) {
         in.style = TaskbarStyle::iconsOnly, in.itemAlignment = ItemAlignment::right, in.floatingBar = true;
       }),
       {},
       Kind::dismissOwn,
       "style-",
       ""},
      {"style: icons and text, centred",
       settings_suggestions::style,
       with([](Inputs& in) { in.centerItems = true; }),
       {},
       Kind::show,
       "style-iconsTextRight-centerItems",
       "Recommended: Disable \"Center Items\" for Icons + Text style"},
      {"style: dismissed removes only a style banner", settings_suggestions::style,
       with([](Inputs& in) { in.centerItems = true; }), "style-iconsTextRight-centerItems", Kind::dismissOwn,
       "style-", ""},
      {"style: batching",
       settings_suggestions::style,
       with([](Inputs& in) { in.centerItems = true, in.isBatchingUpdates = true; }),
       {},
       Kind::leave,
       "",
       ""},

      {"equal width: icons only",
       settings_suggestions::equalWidth,
       with([](Inputs& in) { in.equalWidth = true, in.style = TaskbarStyle::iconsOnly; }),
       {},
       Kind::show,
       "equalWidth-iconsOnly",
       "Tip: Disable \"Equal Width\" for Icons Only style to save taskbar space"},
      {"equal width: with text",
       settings_suggestions::equalWidth,
       with([](Inputs& in) { in.equalWidth = true; }),
       {},
       Kind::dismissOwn,
       "equalWidth-iconsOnly",
       ""},
      {"equal width: dismissed", settings_suggestions::equalWidth,
       with([](Inputs& in) { in.equalWidth = true, in.style = TaskbarStyle::iconsOnly; }),
       "equalWidth-iconsOnly", Kind::leave, "", ""},

      {"grouped title",
       settings_suggestions::groupedTitle,
       with([](Inputs& in) { in.showWindowTitle = true; }),
       {},
       Kind::show,
       "grouped-showWindowTitle",
       "Tip: Disable \"Show Window Title\" to show app names for grouped windows"},
      {"grouped title: not grouped",
       settings_suggestions::groupedTitle,
       with([](Inputs& in) { in.showWindowTitle = true, in.groupWindows = false; }),
       {},
       Kind::dismissOwn,
       "grouped-showWindowTitle",
       ""},
      {"grouped title: dismissed", settings_suggestions::groupedTitle,
       with([](Inputs& in) { in.showWindowTitle = true; }), "grouped-showWindowTitle", Kind::leave, "", ""},

      {"auto-hide without dodging",
       settings_suggestions::autoHide,
       with([](Inputs& in) { in.autoHide = true; }),
       {},
       Kind::show,
       "autohide-dodgeWindows",
       "Tip: Enable \"Dodge Windows\" so the taskbar peeks out when a window overlaps it"},
      {"auto-hide with dodging",
       settings_suggestions::autoHide,
       with([](Inputs& in) { in.autoHide = true, in.autoHideDodgeWindows = true; }),
       {},
       Kind::dismissOwn,
       "autohide-dodgeWindows",
       ""},
      {"auto-hide: batching",
       settings_suggestions::autoHide,
       with([](Inputs& in) { in.autoHide = true, in.isBatchingUpdates = true; }),
       {},
       Kind::leave,
       "",
       ""},
  };
  for (const Case& c : cases) {
    const Decision decision = c.rule(c.inputs, c.dismissed);
    EXPECT_EQ(decision.kind, c.kind) << c.name;
    EXPECT_EQ(decision.key, c.key) << c.name;
    EXPECT_EQ(decision.suggestion.has_value(), c.kind == Kind::show) << c.name;
    if (decision.suggestion) {
      EXPECT_EQ(decision.suggestion->text, c.text) << c.name;
      EXPECT_EQ(decision.suggestion->actionTitle, "Apply") << c.name;
    }
  }
}

// A check that does not apply removes its own banner and leaves the one another check showed.
TEST(SettingsSuggestionRulesTest, ACheckRemovesOnlyItsOwnBanner) {
  Inputs defaults;  // a bottom bar with its top border, Icons + Text, not centred, grouping on
  Inputs hiddenDock = defaults;
  hiddenDock.fullyHideDock = true;
  const Decision style = settings_suggestions::style(defaults, {});
  const Decision position = settings_suggestions::position(defaults, {});
  const Decision groupedTitle = settings_suggestions::groupedTitle(defaults, {});
  const Decision dock = settings_suggestions::dock(hiddenDock, {}, {});
  struct Case {
    const char* name;
    const Decision& decision;
    std::optional<std::string> current;
    bool removed;
  };
  const Case cases[] = {
      {"style check, position banner", style, "position-bottom-border", false},
      {"style check, style banner", style, "style-iconsOnly-centerItems", true},
      {"style check, no banner", style, std::nullopt, false},
      {"position check, banner of another edge", position, "position-left-border", true},
      {"position check, equal-width banner", position, "equalWidth-iconsOnly", false},
      {"grouped-title check, auto-hide banner", groupedTitle, "autohide-dodgeWindows", false},
      {"grouped-title check, its banner", groupedTitle, "grouped-showWindowTitle", true},
      {"Dock check, position banner", dock, "position-bottom-border", false},
      {"Dock check, its banner", dock, "dock-visible-optimize-bottom-left-1", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(settings_suggestions::removes(c.decision, c.current), c.removed) << c.name;
  const Decision shown = settings_suggestions::position(
      [] {
        Inputs in;
        in.borderTop = false;
        return in;
      }(),
      {});
  ASSERT_EQ(shown.kind, Kind::show);
  EXPECT_FALSE(settings_suggestions::removes(shown, "position-bottom-border"));
}

TEST(SettingsSuggestionRulesTest, ActionsMakeTheRecommendedChange) {
  test::SimulatedSystem system;
  SettingsManager& settings = *system.settings;
  auto apply = [&](const Decision& decision) {
    ASSERT_TRUE(decision.suggestion && decision.suggestion->apply);
    decision.suggestion->apply(settings);
  };
  settings.position = TaskbarPosition::left;
  settings.borderTop = true;
  settings.borderBottom = true;
  apply(settings_suggestions::position(settings_suggestions::inputsFrom(settings), {}));
  EXPECT_EQ((std::vector<bool>{settings.borderTop.get(), settings.borderBottom.get(),
                               settings.borderLeft.get(), settings.borderRight.get()}),
            (std::vector<bool>{false, false, false, true}));

  settings.style = TaskbarStyle::iconsOnly;
  settings.itemAlignment = ItemAlignment::right;
  settings.centerItems = false;
  apply(settings_suggestions::style(settings_suggestions::inputsFrom(settings), {}));
  EXPECT_TRUE(settings.centerItems.get());
  EXPECT_EQ(settings.itemAlignment.get(), ItemAlignment::center);

  settings.style = TaskbarStyle::iconsTextRight;
  apply(settings_suggestions::style(settings_suggestions::inputsFrom(settings), {}));
  EXPECT_FALSE(settings.centerItems.get());
  EXPECT_EQ(settings.itemAlignment.get(), ItemAlignment::left);

  settings.style = TaskbarStyle::iconsOnly;
  settings.equalWidth = true;
  apply(settings_suggestions::equalWidth(settings_suggestions::inputsFrom(settings), {}));
  EXPECT_FALSE(settings.equalWidth.get());

  settings.groupWindows = true;
  settings.showWindowTitle = true;
  apply(settings_suggestions::groupedTitle(settings_suggestions::inputsFrom(settings), {}));
  EXPECT_FALSE(settings.showWindowTitle.get());

  settings.autoHide = true;
  settings.autoHideDodgeWindows = false;
  apply(settings_suggestions::autoHide(settings_suggestions::inputsFrom(settings), {}));
  EXPECT_TRUE(settings.autoHideDodgeWindows.get());
}

TEST(SettingsSuggestionRulesTest, DockSnapshotAsATable) {
  using Placement = DockManager::DockPlacement;
  using Snapshot = DockManager::VisibilitySnapshot;
  auto snapshot = [](bool matchesHidden, bool autohide, std::optional<Placement> placement) {
    Snapshot s;
    s.matchesPelkoHiddenConfiguration = matchesHidden;
    s.autohideEnabled = autohide;
    s.placement = placement;
    return s;
  };
  const std::string enableAutoHide =
      "Recommended: Enable macOS Dock auto-hide so the Dock stays available without permanently competing "
      "with "
      "Pelko.";
  struct Case {
    TaskbarPosition position;
    bool fullyHideDock;
    bool batching;
    Snapshot snapshot;
    std::optional<std::string> dismissed;
    Kind kind;
    std::string key;
    std::string text;
  };
  const Case cases[] = {
      // The Dock's edge unknown and auto-hide off: the last two parts are "unknown" and "0".
      {TaskbarPosition::bottom,
       false,
       false,
       snapshot(false, false, std::nullopt),
       {},
       Kind::show,
       "dock-visible-optimize-bottom-unknown-0",
       enableAutoHide},
      // On the bar's edge without auto-hide: move it and turn auto-hide on.
      {TaskbarPosition::bottom,
       false,
       false,
       snapshot(false, false, Placement::bottom),
       {},
       Kind::show,
       "dock-visible-optimize-bottom-bottom-0",
       "Recommended: Move the macOS Dock to the left and enable auto-hide so it stays out of Pelko\u2019s "
       "way."},
      // On the bar's edge, auto-hiding: only move it.
      {TaskbarPosition::left,
       false,
       false,
       snapshot(false, true, Placement::left),
       {},
       Kind::show,
       "dock-visible-optimize-left-left-1",
       "Recommended: Move the macOS Dock to the bottom so it does not compete with Pelko on the left edge."},
      // Still in the hidden configuration counts as not optimised.
      {TaskbarPosition::right,
       false,
       false,
       snapshot(true, true, Placement::right),
       {},
       Kind::show,
       "dock-visible-optimize-right-right-1",
       "Recommended: Move the macOS Dock to the bottom and enable auto-hide so it stays out of Pelko\u2019s "
       "way."},
      {TaskbarPosition::top,
       false,
       false,
       snapshot(true, true, Placement::bottom),
       {},
       Kind::show,
       "dock-visible-optimize-top-bottom-1",
       enableAutoHide},
      // Auto-hiding on another edge: nothing to recommend.
      {TaskbarPosition::bottom,
       false,
       false,
       snapshot(false, true, Placement::left),
       {},
       Kind::dismissOwn,
       "dock-visible-optimize-",
       ""},
      {TaskbarPosition::bottom,
       false,
       false,
       snapshot(false, true, std::nullopt),
       {},
       Kind::dismissOwn,
       "dock-visible-optimize-",
       ""},
      {TaskbarPosition::bottom, false, false, snapshot(false, false, std::nullopt),
       "dock-visible-optimize-bottom-unknown-0", Kind::leave, "", ""},
      // The Dock hidden again, or a batch, meanwhile: the banner goes.
      {TaskbarPosition::bottom,
       true,
       false,
       snapshot(false, false, Placement::bottom),
       {},
       Kind::dismissOwn,
       "dock-visible-optimize-",
       ""},
      {TaskbarPosition::bottom,
       false,
       true,
       snapshot(false, false, Placement::bottom),
       {},
       Kind::dismissOwn,
       "dock-visible-optimize-",
       ""},
  };
  for (const Case& c : cases) {
    Inputs in;
    in.position = c.position;
    in.fullyHideDock = c.fullyHideDock;
    in.isBatchingUpdates = c.batching;
    const Decision decision = settings_suggestions::dock(in, c.snapshot, c.dismissed);
    EXPECT_EQ(decision.kind, c.kind) << c.key;
    EXPECT_EQ(decision.key, c.key);
    if (c.kind == Kind::show) {
      ASSERT_TRUE(decision.suggestion);
      EXPECT_EQ(decision.suggestion->text, c.text);
      EXPECT_EQ(decision.suggestion->actionTitle, "Optimize Dock");
    }
  }
}

// ---- Permissions and maintenance ----

TEST(SettingsPermissionStatusTest, RowsByKindAndState) {
  struct Case {
    PermissionKind kind;
    bool granted;
    bool suppressed;
    const char* description;
    const char* secondary;  // null: hidden
    const char* toolTip;
  };
  const Case cases[] = {
      {PermissionKind::accessibility, true, false,
       "Granted. Pelko can track active apps and use full window controls.", nullptr, nullptr},
      {PermissionKind::accessibility, true, true,
       "Granted. Pelko can track active apps and use full window controls.", nullptr, nullptr},
      {PermissionKind::accessibility, false, false,
       "Recommended for reliable app tracking, active-window detection, and window controls.",
       "Use Limited Mode", "Stop Accessibility reminders and continue with reduced window controls"},
      {PermissionKind::accessibility, false, true,
       "Limited Mode is active. Task tracking still works, but window controls and focus detection are less "
       "reliable until you grant Accessibility.",
       "Remind Me Again", "Resume Accessibility reminders and onboarding prompts"},
      {PermissionKind::screenRecording, true, true,
       "Granted. You can enable Thumbnails for live window previews.", nullptr, nullptr},
      {PermissionKind::screenRecording, false, false,
       "Optional. Only needed for Thumbnails, which use live window previews on hover.", "Skip Thumbnails",
       "Keep Thumbnails disabled and stop Screen Recording reminders"},
      {PermissionKind::screenRecording, false, true,
       "Skipped. Thumbnails stay disabled until Screen Recording is granted in System Settings.",
       "Remind Me Again", "Resume Screen Recording reminders for Thumbnails"},
  };
  for (const Case& c : cases) {
    const PermissionRowState state = permissionRowState(c.kind, c.granted, c.suppressed);
    EXPECT_EQ(state.description, c.description);
    EXPECT_EQ(state.iconSymbol, c.granted ? "checkmark.circle.fill" : "xmark.circle.fill");
    EXPECT_EQ(state.iconDescription, c.granted ? "Granted" : "Not granted");
    EXPECT_EQ(state.secondaryVisible, c.secondary != nullptr) << c.description;
    if (c.secondary) {
      EXPECT_EQ(state.secondaryTitle, c.secondary);
      EXPECT_EQ(state.secondaryToolTip, c.toolTip);
    }
  }
  EXPECT_EQ(limitedModeAlert().buttons, (Strings{"Use Limited Mode", "Cancel"}));
  EXPECT_EQ(limitedModeAlert().messageText, "Use Pelko Without Accessibility?");
  EXPECT_EQ(skipThumbnailsAlert().buttons, (Strings{"Skip Thumbnails", "Cancel"}));
  EXPECT_EQ(skipThumbnailsAlert().messageText, "Skip Screen Recording?");
  // Closing either without a choice is its Cancel.
  EXPECT_EQ(limitedModeAlert().cancelButton, 1);
  EXPECT_EQ(skipThumbnailsAlert().cancelButton, 1);
}

TEST(SettingsMaintenanceTest, FallbackReportAndCopySheets) {
  // 2026-12-07 07:16:17 UTC; fractions of a second are not written.
  EXPECT_EQ(
      fallbackDiagnosticsReport(1796627777.75),
      "Pelko Diagnostics\nGenerated: 2026-12-07T07:16:17Z\nApp state unavailable (AppDelegate not found).");
  const platform::AlertContent copied = diagnosticsCopyAlert(true);
  EXPECT_EQ(copied.messageText, "Diagnostics Copied");
  EXPECT_EQ(copied.informativeText,
            "Diagnostic details were copied to your clipboard. Paste them into bug reports.");
  EXPECT_EQ(copied.style, platform::AlertContent::Style::informational);
  const platform::AlertContent failed = diagnosticsCopyAlert(false);
  EXPECT_EQ(failed.messageText, "Copy Failed");
  EXPECT_EQ(failed.informativeText, "Pelko could not copy diagnostics to the clipboard.");
  EXPECT_EQ(failed.style, platform::AlertContent::Style::warning);
  EXPECT_EQ(failed.buttons, Strings{"OK"});
}

}  // namespace
}  // namespace pelko
