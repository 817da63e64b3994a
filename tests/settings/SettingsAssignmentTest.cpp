#include <gtest/gtest.h>

#include "SettingsTestWorld.h"

namespace pelko {
namespace {

using platform::LoginItemStatus;
using platform::PlistValue;

class SettingsAssignment : public ::testing::Test {
 protected:
  test::SettingsTestWorld world;
  std::unique_ptr<SettingsManager> settings = world.make();
  std::vector<std::string> events;
};

TEST_F(SettingsAssignment, AnnouncesThenPublishesBeforeStoringAndPersistsOnlyTheCorrectedValue) {
  auto held = [&] { return std::to_string(int(settings->taskbarSize.get())); };
  world.subscriptions.push_back(settings->objectWillChange.sink(
      [&](std::monostate) { events.push_back("willChange held=" + held()); }));
  world.trace(settings->taskbarSize, events, [&](double v) {
    return "value " + std::to_string(int(v)) + " held=" + held() +
           " stored=" + std::to_string(int(*world.stored("PelkoTaskbarSize")->numberValue()));
  });
  settings->taskbarSize = 200.0;
  EXPECT_EQ(events, (std::vector<std::string>{"willChange held=100", "value 200 held=100 stored=100",
                                              "willChange held=200", "value 150 held=200 stored=100"}));
  EXPECT_EQ(settings->taskbarSize.get(), 150);
  EXPECT_EQ(world.stored("PelkoTaskbarSize"), PlistValue(150.0));

  // An unchanged value is announced and written all the same; modify() runs the rule too.
  auto values = world.record(settings->showBattery);
  int writes = world.defaults.writeCount();
  settings->showBattery = true;
  EXPECT_EQ(*values, std::vector<bool>{true});
  EXPECT_EQ(world.defaults.writeCount(), writes + 1);
  settings->iconSize.modify([](double& size) { size += 500; });
  EXPECT_EQ(world.stored("PelkoIconSize"), PlistValue(200.0));
}

TEST_F(SettingsAssignment, TranslucentColourStaysInMemoryButIsStoredAndReloadedOpaque) {
  const Color translucent{0.2, 0.4, 0.6, 0.5};
  settings->borderColor = translucent;
  EXPECT_EQ(settings->borderColor.get(), translucent);
  EXPECT_EQ(world.stored("PelkoBorderColor"), PlistValue("#336699"));
  EXPECT_EQ(world.make()->borderColor.get(), translucent.withAlpha(1));
}

// The position is published and persisted before its knock-ons on the size and the indicator side.
TEST(SettingsPosition, SizeAndIndicatorFollowTheOrientationAfterThePositionIsStored) {
  using P = TaskbarPosition;
  for (auto [from, to, sizeAfter, indicator] :
       std::vector<std::tuple<P, P, double, const char*>>{{P::bottom, P::top, 140, "top"},
                                                          {P::bottom, P::left, 100, "right"},
                                                          {P::left, P::right, 140, "left"},
                                                          {P::right, P::bottom, 100, "bottom"},
                                                          {P::top, P::top, 140, "top"}}) {
    test::SettingsTestWorld world;
    auto settings = world.make();
    settings->position = from;
    settings->taskbarSize = 140.0;
    settings->activeIndicatorPosition = std::string("left");  // a choice of the user's own, replaced below
    std::vector<std::string> events;
    auto storedPosition = [&] { return *world.defaults.stringForKey("PelkoPosition"); };
    world.trace(settings->position, events, [&](P) { return "position stored=" + storedPosition(); });
    world.trace(settings->taskbarSize, events, [&](double) { return "size stored=" + storedPosition(); });
    world.trace(settings->activeIndicatorPosition, events,
                [](const std::string& v) { return "indicator " + v; });
    settings->position = to;
    EXPECT_EQ(settings->taskbarSize.get(), sizeAfter);
    EXPECT_EQ(settings->activeIndicatorPosition.get(), indicator);
    EXPECT_EQ(world.stored("PelkoPosition"), PlistValue(std::string(rawValue(to))));
    EXPECT_EQ(world.stored("PelkoTaskbarSize"), PlistValue(sizeAfter));
    EXPECT_EQ(world.stored("PelkoActiveIndicatorPosition"), PlistValue(indicator));
    if (to == P::left) {
      EXPECT_EQ(events,
                (std::vector<std::string>{"position stored=bottom", "size stored=left", "indicator right"}));
    }
  }
}

TEST_F(SettingsAssignment, IndicatorPositionOutsideTheFourBecomesBottom) {
  settings->activeIndicatorPosition = std::string("top");
  auto values = world.record(settings->activeIndicatorPosition);
  for (const char* bad : {"Top", ""}) settings->activeIndicatorPosition = std::string(bad);
  EXPECT_EQ(*values, (std::vector<std::string>{"Top", "bottom", "", "bottom"}));
  EXPECT_EQ(world.stored("PelkoActiveIndicatorPosition"), PlistValue("bottom"));
}

TEST_F(SettingsAssignment, ThumbnailsNeedScreenRecording) {
  world.permissions.screenCaptureGranted = false;
  auto values = world.record(settings->showThumbnails);
  int preflights = world.permissions.screenCapturePreflightCount;
  settings->showThumbnails = false;
  EXPECT_EQ(world.permissions.screenCapturePreflightCount, preflights);  // not asked for false
  settings->showThumbnails = true;
  EXPECT_EQ(*values, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(world.stored("PelkoShowThumbnails"), PlistValue(false));

  world.permissions.screenCaptureGranted = true;
  settings->showThumbnails = true;
  EXPECT_TRUE(settings->showThumbnails.get());
}

TEST(SettingsLaunchAtLogin, FollowsTheService) {
  using S = LoginItemStatus;
  struct Case {
    S status;
    std::string setup;  // refusals and a present agent file
    bool assigned, expected;
  };
  // What the helper does is its own test's; here the setting takes what the helper then reports.
  for (const auto& c : std::vector<Case>{{S::notRegistered, "", true, true},
                                         {S::notRegistered, "failRegister failWrite", true, false},
                                         {S::enabled, "", false, false},
                                         {S::notRegistered, "agent failRemove", false, true}}) {
    SCOPED_TRACE(std::to_string(int(c.status)) + " " + c.setup);
    auto has = [&](const char* flag) { return c.setup.find(flag) != std::string::npos; };
    test::SettingsTestWorld world;
    auto settings = world.make();
    world.loginItems.currentStatus = c.status;
    world.loginItems.failRegister = has("failRegister");
    world.fileSystem.failWrite = has("failWrite");
    world.fileSystem.failRemove = has("failRemove");
    if (has("agent")) world.fileSystem.files[world.launchAtLogin.launchAgentPlistPath()] = "x";
    settings->launchAtLogin = c.assigned;
    EXPECT_EQ(settings->launchAtLogin.get(), c.expected);
    EXPECT_EQ(world.stored("PelkoLaunchAtLogin"), PlistValue(c.expected));
  }
}

TEST_F(SettingsAssignment, LaunchAtLoginPersistsTheWishBeforeAskingTheService) {
  world.loginItems.failRegister = true;
  world.fileSystem.failWrite = true;
  world.trace(settings->launchAtLogin, events, [&](bool v) {
    return std::string(v ? "true" : "false") + " registers=" + std::to_string(world.loginItems.registerCount);
  });
  settings->launchAtLogin = true;
  EXPECT_EQ(events, (std::vector<std::string>{"true registers=0", "false registers=1"}));
  EXPECT_FALSE(settings->launchAtLogin.get());
}

// A service whose answer flips on every call must not make the setting flip forever.
class FlipFlopLoginItems final : public platform::LoginItems {
 public:
  LoginItemStatus status() const override {
    flips = !flips;
    return flips ? LoginItemStatus::enabled : LoginItemStatus::notRegistered;
  }
  bool registerMainApp(std::string&) override { return true; }
  bool unregisterMainApp(std::string&) override { return true; }
  bool startsLaunchAgents() const override { return true; }
  std::vector<std::string> settingsLocations() const override { return {}; }
  mutable bool flips = false;
};

TEST_F(SettingsAssignment, LaunchAtLoginSettlesWhenTheServiceNeverDoes) {
  FlipFlopLoginItems loginItems;
  LaunchAtLoginHelper helper(loginItems, world.fileSystem, world.appShell);
  SettingsManager flipping({world.defaults, world.permissions, world.appearance, helper, world.scheduler});
  for (bool wish : {true, false}) {
    flipping.launchAtLogin = wish;  // returning at all is the point: the rule ends
    EXPECT_EQ(world.stored("PelkoLaunchAtLogin"), PlistValue(flipping.launchAtLogin.get()));
  }
}

}  // namespace
}  // namespace pelko
