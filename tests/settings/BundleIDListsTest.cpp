#include <gtest/gtest.h>

#include "SettingsTestWorld.h"

namespace pelko {
namespace {

using platform::PlistValue;

class BundleIDLists : public ::testing::Test {
 protected:
  std::shared_ptr<std::vector<StringList>> record(Setting<StringList>& setting) {
    auto values = std::make_shared<std::vector<StringList>>();
    subscriptions.push_back(
        setting.publisher().dropFirst().sink([values](const StringList& v) { values->push_back(v); }));
    return values;
  }
  std::optional<StringList> storedJson(const std::string& key) {
    auto stored = world.stored(key);
    if (!stored || !stored->asData()) return std::nullopt;
    return decodeStringListJson(*stored->asData());
  }

  test::SettingsTestWorld world;
  CancellableBag subscriptions;
};

TEST_F(BundleIDLists, AddingPublishesAsAppendedThenSorted) {
  auto settings = world.make();
  settings->blacklistedBundleIDs = StringList{"a", "d"};
  auto values = record(settings->blacklistedBundleIDs);
  settings->addToBlacklist("c");
  EXPECT_EQ(*values, (std::vector<StringList>{{"a", "d", "c"}, {"a", "c", "d"}}));
  EXPECT_EQ(storedJson("PelkoBlacklistedBundleIDs"), (StringList{"a", "c", "d"}));
  auto stored = world.stored("PelkoBlacklistedBundleIDs");
  ASSERT_TRUE(stored && stored->asData());
  EXPECT_EQ(std::string(stored->asData()->begin(), stored->asData()->end()), R"(["a","c","d"])");

  values->clear();
  settings->addToBlacklist("e");
  EXPECT_EQ(*values, (std::vector<StringList>{{"a", "c", "d", "e"}}));
}

TEST_F(BundleIDLists, AddingNothingNewChangesNothing) {
  auto settings = world.make();
  settings->blacklistedBundleIDs = StringList{"a"};
  auto values = record(settings->blacklistedBundleIDs);
  int writes = world.defaults.writeCount();
  settings->addToBlacklist("a");
  settings->addToBlacklist("");
  EXPECT_TRUE(values->empty());
  EXPECT_EQ(world.defaults.writeCount(), writes);
  settings->addToBlacklist(" a");  // the hidden-app list does not trim
  EXPECT_EQ(settings->blacklistedBundleIDs.get(), (StringList{" a", "a"}));
}

TEST_F(BundleIDLists, RemovingAlwaysRepublishes) {
  auto settings = world.make();
  settings->blacklistedBundleIDs = StringList{"a", "b"};
  auto values = record(settings->blacklistedBundleIDs);
  settings->removeFromBlacklist("zzz");
  settings->removeFromBlacklist("a");
  EXPECT_EQ(*values, (std::vector<StringList>{{"a", "b"}, {"b"}}));
  EXPECT_EQ(storedJson("PelkoBlacklistedBundleIDs"), (StringList{"b"}));
}

TEST_F(BundleIDLists, IsBlacklistedIsExact) {
  auto settings = world.make();
  settings->addToBlacklist("com.Example");
  EXPECT_TRUE(settings->isBlacklisted("com.Example"));
  EXPECT_FALSE(settings->isBlacklisted("com.example"));
  EXPECT_FALSE(settings->isBlacklisted(""));
  EXPECT_FALSE(settings->isBlacklisted(std::nullopt));
}

TEST_F(BundleIDLists, AssignmentsAreNormalisedBeforeTheyArePersisted) {
  auto settings = world.make();
  auto hidden = record(settings->blacklistedBundleIDs);
  settings->blacklistedBundleIDs = StringList{"b", "a", "b", ""};
  EXPECT_EQ(*hidden, (std::vector<StringList>{{"b", "a", "b", ""}, {"a", "b"}}));
  EXPECT_EQ(storedJson("PelkoBlacklistedBundleIDs"), (StringList{"a", "b"}));

  auto order = record(settings->customAppOrder);
  settings->customAppOrder = StringList{" a",
                                        "a",
                                        "",
                                        "b\n",
                                        "\xC2\xA0"
                                        "c\t",
                                        " "};
  EXPECT_EQ(*order, (std::vector<StringList>{{" a", "a", "", "b\n",
                                              "\xC2\xA0"
                                              "c\t",
                                              " "},
                                             {"a", "b", "c"}}));
  EXPECT_EQ(storedJson("PelkoCustomAppOrder"), (StringList{"a", "b", "c"}));

  order->clear();
  settings->customAppOrder = StringList{"z", "y"};
  EXPECT_EQ(*order, (std::vector<StringList>{{"z", "y"}}));
}

TEST_F(BundleIDLists, TextThatJsonCannotCarryIsStoredAsAnArray) {
  auto settings = world.make();
  settings->customAppOrder = StringList{"ok", "bad\xff"};
  auto stored = world.stored("PelkoCustomAppOrder");
  ASSERT_TRUE(stored && stored->isArray());
  EXPECT_EQ(*stored, PlistValue(PlistValue::Array{"ok", "bad\xff"}));
  EXPECT_EQ(world.make()->customAppOrder.get(), (StringList{"ok", "bad\xff"}));
}

TEST_F(BundleIDLists, ReadingStoredForms) {
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
    world.defaults.setObject("PelkoBlacklistedBundleIDs", c.hidden);
    world.defaults.setObject("PelkoCustomAppOrder", c.order);
    auto settings = world.make();
    EXPECT_EQ(settings->blacklistedBundleIDs.get(), c.expectedHidden) << c.what;
    EXPECT_EQ(settings->customAppOrder.get(), c.expectedOrder) << c.what;
    EXPECT_EQ(world.stored("PelkoBlacklistedBundleIDs"), c.hidden) << c.what;  // not written back
  }
}

}  // namespace
}  // namespace pelko
