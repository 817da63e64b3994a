#include <gtest/gtest.h>

#include <limits>

#include "SettingsTestWorld.h"

namespace pelko {
namespace {

using platform::PlistValue;

class SettingsLoading : public ::testing::Test {
 protected:
  test::SettingsTestWorld world;
};

TEST_F(SettingsLoading, BarHeightByName) {
  struct Case {
    const char* height;
    std::optional<double> storedSize;
    double expected;
  };
  for (auto [height, storedSize, expected] :
       std::vector<Case>{{"compact", std::nullopt, 82}, {"regular", 140.0, 118}, {"Compact", 130.0, 130}}) {
    test::SettingsTestWorld world;
    world.plant("PelkoHeight", std::string(height));
    if (storedSize) world.plant("PelkoTaskbarSize", *storedSize);
    auto settings = world.make();
    EXPECT_EQ(settings->taskbarSize.get(), expected) << height;
    EXPECT_EQ(world.stored("PelkoTaskbarSize"), PlistValue(expected)) << height;
    EXPECT_FALSE(world.stored("PelkoHeight")) << height;
  }
}

TEST_F(SettingsLoading, RetiredStyle) {
  world.plant("PelkoStyle", "iconsTextBelow");
  EXPECT_EQ(world.make()->style.get(), TaskbarStyle::iconsTextRight);
  EXPECT_EQ(world.stored("PelkoStyle"), PlistValue("iconsTextRight"));

  test::SettingsTestWorld other;
  other.plant("PelkoStyle", "iconsOnly");
  EXPECT_EQ(other.make()->style.get(), TaskbarStyle::iconsTextRight);
  EXPECT_EQ(other.stored("PelkoStyle"), PlistValue("iconsOnly"));
}

TEST_F(SettingsLoading, LegacyBorders) {
  struct Case {
    std::optional<PlistValue> showBorder;
    std::optional<const char*> borderStyle;
    std::array<bool, 4> expected;  // top, bottom, left, right
    bool showBorderRemains;
  };
  const std::array<bool, 4> none{false, false, false, false}, all{true, true, true, true};
  for (const auto& c : std::vector<Case>{
           {PlistValue(false), std::nullopt, none, false},
           {PlistValue(true), std::nullopt, all, false},
           {std::nullopt, "all", all, false},
           {std::nullopt, "topOnly", {true, false, false, false}, false},
           {std::nullopt, "sides", {false, false, true, true}, false},
           {std::nullopt, "none", none, false},
           {PlistValue("yes"), "sides", {false, false, true, true}, true},  // not a Boolean: ignored, kept
       }) {
    test::SettingsTestWorld world;
    if (c.showBorder) world.plant("PelkoShowBorder", *c.showBorder);
    if (c.borderStyle) world.plant("PelkoBorderStyle", std::string(*c.borderStyle));
    auto settings = world.make();
    std::array<bool, 4> got{settings->borderTop.get(), settings->borderBottom.get(),
                            settings->borderLeft.get(), settings->borderRight.get()};
    EXPECT_EQ(got, c.expected) << c.borderStyle.value_or("-");
    const char* keys[] = {"PelkoBorderTop", "PelkoBorderBottom", "PelkoBorderLeft", "PelkoBorderRight"};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(world.stored(keys[i]), PlistValue(c.expected[i])) << keys[i];
    EXPECT_EQ(world.stored("PelkoShowBorder").has_value(), c.showBorderRemains);
    EXPECT_FALSE(world.stored("PelkoBorderStyle"));
  }
}

TEST_F(SettingsLoading, ItemAlignmentFromTheOldCentringSwitch) {
  world.plant("PelkoItemAlignment", "middle");
  world.plant("PelkoCenterItems", true);
  EXPECT_EQ(world.make()->itemAlignment.get(), ItemAlignment::center);
  EXPECT_EQ(world.stored("PelkoItemAlignment"), PlistValue("middle"));

  test::SettingsTestWorld unset;
  unset.plant("PelkoCenterItems", true);
  EXPECT_EQ(unset.make()->itemAlignment.get(), ItemAlignment::left);
}

TEST_F(SettingsLoading, StateOfTheSystemCorrectsStoredFlags) {
  world.plant("PelkoShowThumbnails", true);
  world.plant("PelkoSuppressAccessibilityPermissionPrompt", true);
  world.plant("PelkoSuppressScreenRecordingPermissionPrompt", true);
  world.plant("PelkoLaunchAtLogin", true);
  world.permissions.screenCaptureGranted = false;
  world.permissions.accessibilityTrusted = true;
  auto settings = world.make();
  EXPECT_FALSE(settings->showThumbnails.get());
  EXPECT_EQ(world.stored("PelkoShowThumbnails"), PlistValue(false));
  EXPECT_FALSE(settings->suppressAccessibilityPermissionPrompt.get());
  EXPECT_EQ(world.stored("PelkoSuppressAccessibilityPermissionPrompt"), PlistValue(false));
  EXPECT_TRUE(settings->suppressScreenRecordingPermissionPrompt.get());
  EXPECT_FALSE(settings->launchAtLogin.get());
  EXPECT_EQ(world.stored("PelkoLaunchAtLogin"), PlistValue(false));
  EXPECT_EQ(world.loginItems.registerCount + world.loginItems.unregisterCount, 0) << "only asked";
}

TEST_F(SettingsLoading, ThumbnailPermissionIsAskedOnlyForStoredTrue) {
  world.plant("PelkoShowThumbnails", false);
  world.permissions.screenCaptureGranted = false;
  world.make();
  EXPECT_EQ(world.permissions.screenCapturePreflightCount, 1);  // the prompt-flag check only
}

TEST_F(SettingsLoading, HandEditedDomainKeepsEveryReadableSetting) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  // Readable values the user chose.
  world.plant("PelkoEqualWidth", int64_t{1});
  world.plant("PelkoMaxTaskWidth", int64_t{300});
  world.plant("PelkoBadgeTextColor", "##abcdef#");
  world.plant("PelkoTaskbarSize", 300.0);
  // Garbage.
  world.plant("PelkoShowTime", int64_t{2});
  world.plant("PelkoGroupByApp", "no");
  world.plant("PelkoIconSize", "120");
  world.plant("PelkoCornerRadius", nan);
  world.plant("PelkoBorderWidth", -inf);
  world.plant("PelkoItemSpacing", true);
  world.plant("PelkoThumbnailDelay", int64_t{9007199254740993});  // not exactly a double
  world.plant("PelkoStyle", "Icons");
  world.plant("PelkoMultiMonitorMode", int64_t{3});
  world.plant("PelkoBorderColor", "#12345");
  world.plant("PelkoBadgeColor", PlistValue::Array{});
  world.plant("PelkoCustomAppOrder", platform::PlistData{'[', '1', ']'});
  world.plant("PelkoAutoHideDelay", PlistValue::Dictionary{{"a", 1}});
  world.plant("PelkoActiveIndicatorPosition", "Top");

  auto s = world.make();
  EXPECT_TRUE(s->equalWidth.get());
  EXPECT_EQ(s->maxTaskWidth.get(), 300);
  EXPECT_EQ(s->badgeTextColor.get(), (Color{0xAB / 255.0, 0xCD / 255.0, 0xEF / 255.0, 1}));
  EXPECT_EQ(s->taskbarSize.get(), 150);

  EXPECT_TRUE(s->showTime.get());
  EXPECT_TRUE(s->groupByApp.get());
  EXPECT_EQ(s->iconSize.get(), 100);
  EXPECT_EQ(s->cornerRadius.get(), 0);
  EXPECT_EQ(s->borderWidth.get(), 0.5);
  EXPECT_EQ(s->itemSpacing.get(), 1);
  EXPECT_EQ(s->thumbnailDelay.get(), 0.45);
  EXPECT_EQ(s->autoHideDelay.get(), 0.5);
  EXPECT_EQ(s->style.get(), TaskbarStyle::iconsTextRight);
  EXPECT_EQ(s->multiMonitorMode.get(), MultiMonitorMode::allOnAll);
  EXPECT_EQ(s->borderColor.get(), Color::white());
  EXPECT_EQ(s->badgeColor.get(), world.appearance.accentColor);
  EXPECT_TRUE(s->customAppOrder.get().empty());
  EXPECT_EQ(s->activeIndicatorPosition.get(), "bottom");

  // The numbers and the indicator side are rewritten in their sound form; other unreadable values wait
  // for the next assignment.
  EXPECT_EQ(world.stored("PelkoIconSize"), PlistValue(100.0));
  EXPECT_EQ(world.stored("PelkoCornerRadius"), PlistValue(0.0));
  EXPECT_EQ(world.stored("PelkoTaskbarSize"), PlistValue(150.0));
  EXPECT_EQ(world.stored("PelkoActiveIndicatorPosition"), PlistValue("bottom"));
  EXPECT_EQ(world.stored("PelkoShowTime"), PlistValue(int64_t{2}));
  EXPECT_EQ(world.stored("PelkoStyle"), PlistValue("Icons"));
}

// Each kind of damage a hand-edited file can hold, with what the user is told about it; the settings
// file leaves these values out and says so, as it does for numbers the file format cannot hold.
TEST(SettingsUnreadableValues, EachKindOfDamageIsNamed) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* key;
    PlistValue stored;
    std::optional<std::string> why;
  };
  const Case cases[] = {
      {"PelkoCornerRadius", nan, "<real> nan is not a number"},
      {"PelkoBorderWidth", inf, "<real> +infinity is not a finite number"},
      {"PelkoBorderWidth", -inf, "<real> -infinity is not a finite number"},
      {"PelkoThumbnailDelay", int64_t{9007199254740993},
       "<integer> 9007199254740993 is too large to be held exactly"},
      {"PelkoIconSize", "120", "<string> where a number belongs"},
      {"PelkoItemSpacing", true, "<true/> or <false/> where a number belongs"},
      {"PelkoAutoHideDelay", PlistValue::Dictionary{{"a", 1}}, "<dict> where a number belongs"},
      {"PelkoShowTime", int64_t{2}, "<integer> where a Boolean belongs"},
      {"PelkoGroupByApp", "no", "<string> where a Boolean belongs"},
      {"PelkoShowBattery", nan, "<real> where a Boolean belongs"},
      {"PelkoMultiMonitorMode", int64_t{3}, "<integer> where a text belongs"},
      {"PelkoBadgeColor", PlistValue::Array{}, "<array> where a text belongs"},
      {"PelkoActiveIndicatorPosition", platform::PlistDate{0}, "<date> where a text belongs"},
      {"PelkoCustomAppOrder", "com.example.app", "<string> where a list belongs"},
      {"PelkoBlacklistedBundleIDs", platform::PlistData{}, std::nullopt},
      // Readable: a number out of bounds is clamped, a text naming no case falls back like a retired one.
      {"PelkoTaskbarSize", 300.0, std::nullopt},
      {"PelkoMaxTaskWidth", int64_t{300}, std::nullopt},
      {"PelkoEqualWidth", int64_t{1}, std::nullopt},
      {"PelkoStyle", "Icons", std::nullopt},
      {"PelkoBorderColor", "#12345", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SettingsManager::whyUnreadable(c.key, c.stored), c.why) << c.key << " " << c.why.value_or("");
  }
}

TEST_F(SettingsLoading, AccentDefaultsAreTheAccentOfTheStart) {
  world.appearance.accentColor = Color{1, 0, 0, 1};
  auto settings = world.make();
  world.appearance.accentColor = Color{0, 1, 0, 1};
  EXPECT_EQ(world.defaults.stringForKey("PelkoBadgeColor"), "#FF0000");
  EXPECT_EQ(settings->activeIndicatorColor.get(), (Color{1, 0, 0, 1}));
}

}  // namespace
}  // namespace pelko
