#include "platform/real/SysfsPowerSources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "support/TempFolder.h"

namespace pelko::testing {
namespace {

namespace k = platform::power_source_keys;
using platform::PlistValue;
using Supply = std::map<std::string, std::string>;  // attribute -> contents

// A power-supply class folder with the given supplies, as the kernel writes it (values end in a line
// break).
void makeTree(const TempFolder& root, const std::map<std::string, Supply>& supplies) {
  for (const auto& [name, attributes] : supplies) {
    std::filesystem::create_directories(root.file(name));
    for (const auto& [attribute, value] : attributes)
      writeWholeFile(root.file((name + "/" + attribute)), value + "\n");
  }
}

TEST(SysfsPowerSources, InternalBatteriesFromTheSupplyFolder) {
  const Supply mainsOff{{"type", "Mains"}, {"online", "0"}};
  const Supply mainsOn{{"type", "Mains"}, {"online", "1"}};
  const Supply usbOn{{"type", "USB"}, {"online", "1"}};
  const Supply mouse{{"type", "Battery"}, {"scope", "Device"}, {"capacity", "40"}, {"status", "Discharging"}};
  auto battery = [](std::string capacity, std::string status) {
    return Supply{{"type", "Battery"}, {"scope", "System"}, {"capacity", capacity}, {"status", status}};
  };
  auto internal = [](std::optional<int> capacity, bool onMains) {
    PlistValue::Dictionary d{{k::kType, k::kInternalBatteryType},
                             {k::kPowerSourceState, onMains ? k::kACPower : k::kBatteryPower}};
    if (capacity) d[k::kCurrentCapacity] = *capacity;
    return platform::PowerSourceDescription(d);
  };
  using Sources = std::vector<platform::PowerSourceDescription>;
  struct Case {
    const char* name;
    std::map<std::string, Supply> tree;
    Sources expected;
  };
  const std::vector<Case> cases{
      {"laptop on battery",
       {{"AC", mainsOff}, {"BAT0", battery("87", "Discharging")}},
       {internal(87, false)}},
      {"laptop on mains, full", {{"AC", mainsOn}, {"BAT0", battery("100", "Full")}}, {internal(100, true)}},
      {"charging over USB", {{"BAT0", battery("55", "Charging")}, {"ucsi", usbOn}}, {internal(55, true)}},
      {"no line supply listed, not charging",
       {{"BAT1", battery("80", "Not charging")}},
       {internal(80, true)}},
      {"unreadable capacity", {{"BAT0", battery("n/a", "Discharging")}}, {internal(std::nullopt, false)}},
      {"desktop with a wireless mouse", {{"AC", mainsOn}, {"hid-mouse", mouse}}, {}},
      {"empty battery bay", {{"BAT0", Supply{{"type", "Battery"}, {"present", "0"}}}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder root;
    makeTree(root, c.tree);
    real::SysfsPowerSources sources(root.path(), false);
    EXPECT_EQ(sources.powerSources(), std::optional<Sources>(c.expected));
    EXPECT_FALSE(sources.changeNotifications().has_value());
  }
  real::SysfsPowerSources missing("/nonexistent/power_supply", false);
  EXPECT_EQ(missing.powerSources(), std::nullopt);
}

}  // namespace
}  // namespace pelko::testing
