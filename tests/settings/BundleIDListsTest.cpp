#include <gtest/gtest.h>

#include "SettingsTestWorld.h"

namespace pelko {
namespace {

using platform::PlistValue;
using Published = std::vector<StringList>;

class BundleIDLists : public ::testing::Test {
 protected:
  std::optional<std::string> storedText(const std::string& key) {
    auto stored = world.stored(key);
    if (!stored || !stored->asData()) return std::nullopt;
    return std::string(stored->asData()->begin(), stored->asData()->end());
  }

  test::SettingsTestWorld world;
  std::unique_ptr<SettingsManager> settings = world.make();
};

TEST_F(BundleIDLists, AddingPublishesAsAppendedThenSortedRemovingAlwaysRepublishesMembershipIsExact) {
  settings->blacklistedBundleIDs = StringList{"a", "d"};
  auto values = world.record(settings->blacklistedBundleIDs);
  settings->addToBlacklist("c");
  EXPECT_EQ(*values, (Published{{"a", "d", "c"}, {"a", "c", "d"}}));
  EXPECT_EQ(storedText("PelkoBlacklistedBundleIDs"), R"(["a","c","d"])");
  values->clear();
  settings->addToBlacklist("e");
  EXPECT_EQ(*values, (Published{{"a", "c", "d", "e"}}));

  values->clear();
  int writes = world.defaults.writeCount();
  settings->addToBlacklist("a");
  settings->addToBlacklist("");
  EXPECT_TRUE(values->empty());
  EXPECT_EQ(world.defaults.writeCount(), writes);
  settings->addToBlacklist(" a");  // the hidden-app list does not trim
  EXPECT_EQ(settings->blacklistedBundleIDs.get(), (StringList{" a", "a", "c", "d", "e"}));

  // Removing always republishes; membership is exact.
  values->clear();
  settings->removeFromBlacklist("zzz");
  settings->removeFromBlacklist("a");
  EXPECT_EQ(*values, (Published{{" a", "a", "c", "d", "e"}, {" a", "c", "d", "e"}}));
  EXPECT_EQ(storedText("PelkoBlacklistedBundleIDs"), R"([" a","c","d","e"])");
  EXPECT_TRUE(settings->isBlacklisted("c"));
  for (auto other : {std::optional<std::string_view>("C"), std::optional<std::string_view>("a"),
                     std::optional<std::string_view>(""), std::optional<std::string_view>()})
    EXPECT_FALSE(settings->isBlacklisted(other));
}

TEST_F(BundleIDLists, AssignmentsAreNormalisedBeforeTheyArePersisted) {
  auto hidden = world.record(settings->blacklistedBundleIDs);
  settings->blacklistedBundleIDs = StringList{"b", "a", "b", ""};
  EXPECT_EQ(*hidden, (Published{{"b", "a", "b", ""}, {"a", "b"}}));
  EXPECT_EQ(storedText("PelkoBlacklistedBundleIDs"), R"(["a","b"])");

  // The app order is trimmed (Unicode white space included) and keeps its order.
  auto order = world.record(settings->customAppOrder);
  // clang-format off
  const StringList messy{" a", "a", "", "b\n", "\xC2\xA0" "c\t", " "};
  // clang-format on
  settings->customAppOrder = messy;
  EXPECT_EQ(*order, (Published{messy, {"a", "b", "c"}}));
  EXPECT_EQ(storedText("PelkoCustomAppOrder"), R"(["a","b","c"])");
  order->clear();
  settings->customAppOrder = StringList{"z", "y"};
  EXPECT_EQ(*order, (Published{{"z", "y"}}));
}

TEST_F(BundleIDLists, TextThatJsonCannotCarryIsStoredAsAnArray) {
  settings->customAppOrder = StringList{"ok", "bad\xff"};
  EXPECT_EQ(world.stored("PelkoCustomAppOrder"), PlistValue(PlistValue::Array{"ok", "bad\xff"}));
  EXPECT_EQ(world.make()->customAppOrder.get(), (StringList{"ok", "bad\xff"}));
}

TEST(BundleIDListsLoading, ReadsJsonAndArraysAndNothingElse) {
  struct Case {
    const char* what;
    PlistValue hidden, order;
    StringList expectedHidden, expectedOrder;
  };
  auto json = [](std::string text) { return PlistValue(platform::PlistData(text.begin(), text.end())); };
  for (const auto& c : std::vector<Case>{
           {"json", json(R"(["b","a","a"])"), json(R"([" b","a","b"])"), {"a", "b"}, {"b", "a"}},
           {"arrays", PlistValue::Array{"x", "x"}, PlistValue::Array{"y", " y"}, {"x"}, {"y"}},
           {"mixed arrays", PlistValue::Array{"x", 1}, PlistValue::Array{"y", true}, {}, {}},
           {"not json", json("nonsense"), json("nonsense"), {}, {}},
           {"wrong kinds", PlistValue("a"), PlistValue(3), {}, {}},
       }) {
    test::SettingsTestWorld world;
    world.plant("PelkoBlacklistedBundleIDs", c.hidden);
    world.plant("PelkoCustomAppOrder", c.order);
    auto settings = world.make();
    EXPECT_EQ(settings->blacklistedBundleIDs.get(), c.expectedHidden) << c.what;
    EXPECT_EQ(settings->customAppOrder.get(), c.expectedOrder) << c.what;
    EXPECT_EQ(world.stored("PelkoBlacklistedBundleIDs"), c.hidden) << c.what;  // not written back
  }
}

}  // namespace
}  // namespace pelko
