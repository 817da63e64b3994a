#include <string>
#include <vector>

#include "SystemTrayTestWorld.h"

namespace pelko::test {
namespace {

namespace k = platform::power_source_keys;
using platform::PlistValue;
using platform::PowerSourceDescription;

TEST_F(SystemTrayTest, MinuteTimerFiresJustAfterTheNextMinuteBoundary) {
  struct Case {
    double startSecond;
    double firstDelay;
  };
  for (const Case& c : {Case{59.5, 1.1}, Case{0.2, 60.1}}) {
    SCOPED_TRACE(c.startSecond);
    advanceToSecond(c.startSecond);
    auto tray = SystemTrayManager::create({scheduler, mac.workspace(), powerSources, localeTimeZone});
    std::vector<std::string> times;
    auto subscription =
        tray->timeString.publisher().dropFirst().sink([&](const std::string& t) { times.push_back(t); });
    tray->start();
    ASSERT_EQ(times.size(), 1u);
    EXPECT_NEAR(*tray->clockTimerDelay(), c.firstDelay, 1e-9);
    scheduler.advance(c.firstDelay - 0.01);
    EXPECT_EQ(times.size(), 1u);
    scheduler.advance(0.01);
    ASSERT_EQ(times.size(), 2u);
    EXPECT_NE(times[1], times[0]);  // the next minute shows
    // Re-armed from second 0 (the fraction dropped): 60.1 s again.
    EXPECT_NEAR(*tray->clockTimerDelay(), 60.1, 1e-9);
  }
}

TEST_F(SystemTrayTest, TextsFollowTheLocaleAndTimeZone) {
  manager->start();
  EXPECT_EQ(manager->timeString.get(), "8:16 AM");
  EXPECT_EQ(manager->dateString.get(), "1/15/27");
  std::vector<std::pair<std::string, std::string>> seen;
  auto subscription = manager->dateString.publisher().dropFirst().sink(
      [&](const std::string& date) { seen.emplace_back(manager->timeString.get(), date); });
  localeTimeZone.setTimeZone("Asia/Tokyo");
  scheduler.runUntilIdle();
  localeTimeZone.setLocale("de_DE");
  scheduler.runUntilIdle();
  // The time is already new when the date is announced: both change together.
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::string>>{{"5:16 PM", "1/15/27"},
                                                                    {"17:16", "15.01.27"}}));
}

TEST_F(SystemTrayTest, StartsOnceAndStopsEverything) {
  manager->start();
  manager->start();
  const int reads = powerSources.readCount;
  mac.wakeScreens();
  scheduler.runUntilIdle();
  EXPECT_EQ(powerSources.readCount, reads + 1);  // one observer, not two

  manager->stop();
  EXPECT_FALSE(manager->isStarted());
  const std::string frozen = manager->timeString.get();
  mac.wakeScreens();
  powerSources.setSources(
      std::vector<PowerSourceDescription>{sim::SimPowerSources::internalBattery(50, true)});
  scheduler.advance(120);
  EXPECT_EQ(powerSources.readCount, reads + 1);
  EXPECT_EQ(manager->timeString.get(), frozen);
  EXPECT_FALSE(manager->hasBattery.get());

  manager->start();
  EXPECT_TRUE(manager->hasBattery.get());
  EXPECT_EQ(manager->timeString.get(), "8:18 AM");
}

TEST_F(SystemTrayTest, BatteryStateFromThePowerSources) {
  PowerSourceDescription ups = PlistValue::Dictionary{{k::kType, "UPS"}, {k::kCurrentCapacity, 90}};
  PowerSourceDescription typeNotText = PlistValue::Dictionary{{k::kType, 7}, {k::kCurrentCapacity, 10}};
  PowerSourceDescription noCapacity = PlistValue::Dictionary{{k::kType, k::kInternalBatteryType}};
  PowerSourceDescription capacityText =
      PlistValue::Dictionary{{k::kType, k::kInternalBatteryType}, {k::kCurrentCapacity, "87"}};
  struct Case {
    const char* name;
    std::optional<std::vector<PowerSourceDescription>> sources;
    bool hasBattery;
    std::optional<int> level;
    bool charging;
  };
  const auto battery = [](int level, bool charging) {
    return sim::SimPowerSources::internalBattery(level, charging);
  };
  using Sources = std::vector<PowerSourceDescription>;
  // clang-format off
  const std::vector<Case> cases{
      {"unreadable",                 std::nullopt,                                     false, std::nullopt, false},
      {"desktop",                    Sources{},                                        false, std::nullopt, false},
      {"only a UPS",                 Sources{ups},                                     false, std::nullopt, false},
      {"on mains",                   Sources{battery(87, true)},                       true,  87,           true},
      {"on battery",                 Sources{battery(15, false)},                      true,  15,           false},
      {"skips sources without description or text type",
                                     Sources{std::nullopt, typeNotText, battery(60, true)}, true, 60,      true},
      {"no capacity",                Sources{noCapacity},                              true,  std::nullopt, false},
      {"capacity not an integer",    Sources{capacityText},                            true,  std::nullopt, false},
  };
  // clang-format on
  manager->start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    powerSources.setSources(c.sources);
    scheduler.runUntilIdle();
    EXPECT_EQ(manager->hasBattery.get(), c.hasBattery);
    EXPECT_EQ(manager->batteryLevel.get(), c.level);
    // Without a battery the charging flag keeps its last value.
    if (c.hasBattery) {
      EXPECT_EQ(manager->isCharging.get(), c.charging);
    }
  }
}

TEST_F(SystemTrayTest, WithoutChangeAnnouncementsTheMinuteTimerAndAWakeReadTheBattery) {
  powerSources.announcesChanges = false;
  manager->start();  // at second 40: fires after 20.1 s
  EXPECT_FALSE(manager->observesPowerSources());
  powerSources.setSources(std::vector{sim::SimPowerSources::internalBattery(42, false)});
  scheduler.advance(20);
  EXPECT_FALSE(manager->hasBattery.get());
  scheduler.advance(0.1);
  EXPECT_EQ(manager->batteryLevel.get(), 42);

  // A wake reads at once and re-arms the timer.
  advanceToSecond(30.5);
  powerSources.sources =
      std::vector<PowerSourceDescription>{sim::SimPowerSources::internalBattery(30, false)};
  mac.wakeScreens();
  scheduler.runUntilIdle();
  EXPECT_EQ(manager->batteryLevel.get(), 30);
  EXPECT_NEAR(*manager->clockTimerDelay(), 30.1, 1e-9);
}

}  // namespace
}  // namespace pelko::test
