#include <gtest/gtest.h>

#include <limits>

#include "SettingsTestWorld.h"

namespace pelko {
namespace {

using platform::LoginItemStatus;
using platform::PlistValue;

class SettingsAssignment : public ::testing::Test {
 protected:
  std::unique_ptr<SettingsManager> make() { return world.make(); }

  // Every value a publisher delivers after subscription (the current value is skipped).
  template <class T>
  std::shared_ptr<std::vector<T>> record(Setting<T>& setting) {
    auto values = std::make_shared<std::vector<T>>();
    subscriptions.push_back(
        setting.publisher().dropFirst().sink([values](const T& v) { values->push_back(v); }));
    return values;
  }

  test::SettingsTestWorld world;
  CancellableBag subscriptions;
};

TEST_F(SettingsAssignment, AnnouncesThenPublishesBeforeStoringAndPersistsOnlyTheCorrectedValue) {
  auto settings = make();
  std::vector<std::string> events;
  subscriptions.push_back(settings->objectWillChange.sink([&](std::monostate) {
    events.push_back("willChange held=" + std::to_string(int(settings->taskbarSize.get())));
  }));
  subscriptions.push_back(settings->taskbarSize.publisher().dropFirst().sink([&](const double& v) {
    auto stored = world.stored("PelkoTaskbarSize")->numberValue().value();
    events.push_back("value " + std::to_string(int(v)) +
                     " held=" + std::to_string(int(settings->taskbarSize.get())) +
                     " stored=" + std::to_string(int(stored)));
  }));

  settings->taskbarSize = 200.0;

  EXPECT_EQ(events, (std::vector<std::string>{"willChange held=100", "value 200 held=100 stored=100",
                                              "willChange held=200", "value 150 held=200 stored=100"}));
  EXPECT_EQ(settings->taskbarSize.get(), 150);
  EXPECT_EQ(world.stored("PelkoTaskbarSize"), PlistValue(150.0));
}

TEST_F(SettingsAssignment, UnchangedValueIsStillAnnouncedAndRewritten) {
  auto settings = make();
  auto values = record(settings->showBattery);
  int willChange = 0;
  subscriptions.push_back(settings->objectWillChange.sink([&](std::monostate) { ++willChange; }));
  int writesBefore = world.defaults.writeCount();
  settings->showBattery = true;
  EXPECT_EQ(*values, std::vector<bool>{true});
  EXPECT_EQ(willChange, 1);
  EXPECT_EQ(world.defaults.writeCount(), writesBefore + 1);
}

TEST_F(SettingsAssignment, ModifyInPlaceRunsTheRule) {
  auto settings = make();
  settings->iconSize.modify([](double& size) { size += 500; });
  EXPECT_EQ(settings->iconSize.get(), 200);
  EXPECT_EQ(world.stored("PelkoIconSize"), PlistValue(200.0));
}

TEST_F(SettingsAssignment, TranslucentColourStaysInMemoryButIsStoredAndReloadedOpaque) {
  auto settings = make();
  const Color translucent{0.2, 0.4, 0.6, 0.5};
  settings->borderColor = translucent;
  EXPECT_EQ(settings->borderColor.get(), translucent);
  EXPECT_EQ(world.stored("PelkoBorderColor"), PlistValue("#336699"));
  EXPECT_EQ(world.make()->borderColor.get(), translucent.withAlpha(1));
}

TEST_F(SettingsAssignment, NumericCorrections) {
  auto settings = make();
  struct Case {
    Setting<double> SettingsManager::*member;
    double assigned;
    double expected;
  };
  for (auto [member, assigned, expected] :
       std::vector<Case>{{&SettingsManager::taskbarSize, 50, 50},
                         {&SettingsManager::taskbarSize, 49.5, 50},
                         {&SettingsManager::autoHideAnimationSpeed, 0, 0.5},
                         {&SettingsManager::autoHideActivationDelay, 1, 0.5}}) {
    auto& setting = (*settings).*member;
    setting = assigned;
    EXPECT_EQ(setting.get(), expected) << setting.name();
    EXPECT_EQ(world.stored(setting.key()), PlistValue(expected)) << setting.name();
  }
}

TEST_F(SettingsAssignment, NonFiniteNumbersBecomeTheDefaultWithoutEverBeingPublished) {
  auto settings = make();
  settings->cornerRadius = 12.0;
  auto values = record(settings->cornerRadius);
  for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
    settings->cornerRadius = bad;
    EXPECT_EQ(settings->cornerRadius.get(), 0);
    EXPECT_EQ(world.stored("PelkoCornerRadius"), PlistValue(0.0));
  }
  EXPECT_EQ(*values, (std::vector<double>{0, 0, 0}));
}

TEST_F(SettingsAssignment, PositionRule) {
  struct Case {
    TaskbarPosition from, to;
    double sizeAfter;
    const char* indicatorAfter;
  };
  using P = TaskbarPosition;
  for (auto [from, to, sizeAfter, indicator] : std::vector<Case>{{P::bottom, P::top, 140, "top"},
                                                                 {P::bottom, P::left, 100, "right"},
                                                                 {P::left, P::right, 140, "left"},
                                                                 {P::right, P::bottom, 100, "bottom"},
                                                                 {P::top, P::top, 140, "top"}}) {
    test::SettingsTestWorld world;
    auto settings = world.make();
    settings->position = from;
    settings->taskbarSize = 140.0;
    settings->activeIndicatorPosition = std::string("left");  // a choice of the user's own, replaced below
    settings->position = to;
    EXPECT_EQ(settings->taskbarSize.get(), sizeAfter);
    EXPECT_EQ(settings->activeIndicatorPosition.get(), indicator);
    EXPECT_EQ(world.stored("PelkoPosition"), PlistValue(std::string(rawValue(to))));
    EXPECT_EQ(world.stored("PelkoTaskbarSize"), PlistValue(sizeAfter));
    EXPECT_EQ(world.stored("PelkoActiveIndicatorPosition"), PlistValue(indicator));
  }
}

TEST_F(SettingsAssignment, PositionIsPublishedAndPersistedBeforeItsKnockOns) {
  auto settings = make();
  settings->taskbarSize = 140.0;
  std::vector<std::string> events;
  subscriptions.push_back(settings->position.publisher().dropFirst().sink([&](const TaskbarPosition&) {
    events.push_back("position stored=" + *world.defaults.stringForKey("PelkoPosition"));
  }));
  subscriptions.push_back(settings->taskbarSize.publisher().dropFirst().sink([&](const double&) {
    events.push_back("size stored=" + *world.defaults.stringForKey("PelkoPosition"));
  }));
  subscriptions.push_back(settings->activeIndicatorPosition.publisher().dropFirst().sink(
      [&](const std::string& v) { events.push_back("indicator " + v); }));
  settings->position = TaskbarPosition::left;
  EXPECT_EQ(events,
            (std::vector<std::string>{"position stored=bottom", "size stored=left", "indicator right"}));
}

TEST_F(SettingsAssignment, IndicatorPositionOutsideTheFourBecomesBottom) {
  auto settings = make();
  settings->activeIndicatorPosition = std::string("top");
  auto values = record(settings->activeIndicatorPosition);
  for (const char* bad : {"Top", ""}) {
    settings->activeIndicatorPosition = std::string(bad);
    EXPECT_EQ(settings->activeIndicatorPosition.get(), "bottom");
    EXPECT_EQ(world.stored("PelkoActiveIndicatorPosition"), PlistValue("bottom"));
  }
  EXPECT_EQ(*values, (std::vector<std::string>{"Top", "bottom", "", "bottom"}));
}

TEST_F(SettingsAssignment, ThumbnailsNeedScreenRecording) {
  auto settings = make();
  world.permissions.screenCaptureGranted = false;
  auto values = record(settings->showThumbnails);
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

TEST_F(SettingsAssignment, LaunchAtLoginFollowsTheService) {
  struct Case {
    const char* what;
    LoginItemStatus status;
    bool failRegister, failUnregister, failFileWrite, failFileRemove, agentFilePresent;
    bool assigned, expected;
  };
  using S = LoginItemStatus;
  for (const auto& c : std::vector<Case>{
           {"registers", S::notRegistered, false, false, false, false, false, true, true},
           {"awaits approval", S::requiresApproval, false, false, false, false, false, true, true},
           {"falls back to the agent file", S::notRegistered, true, false, false, false, false, true, true},
           {"nothing works", S::notRegistered, true, false, true, false, false, true, false},
           {"unregisters", S::enabled, false, false, false, false, false, false, false},
           {"agent file cannot be removed", S::notRegistered, false, false, false, true, true, false, true},
           {"unregister refused", S::enabled, false, true, false, false, false, false, true},
       }) {
    test::SettingsTestWorld world;
    auto settings = world.make();
    world.loginItems.currentStatus = c.status;
    world.loginItems.failRegister = c.failRegister;
    world.loginItems.failUnregister = c.failUnregister;
    world.fileSystem.failWrite = c.failFileWrite;
    world.fileSystem.failRemove = c.failFileRemove;
    if (c.agentFilePresent) world.fileSystem.files[world.launchAtLogin.launchAgentPlistPath()] = "x";
    settings->launchAtLogin = c.assigned;
    EXPECT_EQ(settings->launchAtLogin.get(), c.expected) << c.what;
    EXPECT_EQ(world.stored("PelkoLaunchAtLogin"), PlistValue(c.expected)) << c.what;
  }
}

TEST_F(SettingsAssignment, LaunchAtLoginPersistsTheWishBeforeAskingTheService) {
  auto settings = make();
  world.loginItems.failRegister = true;
  world.fileSystem.failWrite = true;
  std::vector<std::string> events;
  subscriptions.push_back(settings->launchAtLogin.publisher().dropFirst().sink([&](const bool& v) {
    events.push_back(std::string(v ? "true" : "false") +
                     " registers=" + std::to_string(world.loginItems.registerCount));
  }));
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
  mutable bool flips = false;
};

TEST_F(SettingsAssignment, LaunchAtLoginStopsWhenTheServiceNeverSettles) {
  FlipFlopLoginItems loginItems;
  LaunchAtLoginHelper helper(loginItems, world.fileSystem, world.appShell);
  SettingsManager settings({world.defaults, world.permissions, world.appearance, helper, world.scheduler});
  settings.launchAtLogin = true;
  settings.launchAtLogin = false;
  SUCCEED();  // reaching this line is the point: the rule terminated
}

}  // namespace
}  // namespace pelko
