#include "taskbar/ItemListDiff.h"

#include <gtest/gtest.h>

#include <sstream>

namespace pelko {
namespace {

// Buttons and entries are written "name-pid[-window]"; a button ending in "?" was never bound.
template <typename T>
std::vector<T> parse(const std::string& text) {
  std::vector<T> result;
  std::istringstream words(text);
  for (std::string word; words >> word;) {
    const bool unbound = word.back() == '?';
    if (unbound) word.pop_back();
    const int32_t pid = std::stoi(word.substr(word.find('-') + 1));
    if constexpr (std::is_same_v<T, ExistingItem>)
      result.push_back({word, unbound ? std::nullopt : std::optional<int32_t>(pid)});
    else
      result.push_back({word, pid});
  }
  return result;
}

// "hand OLD>INDEX", "remove ID", "add INDEX" and "reorder", in that order, separated by "; ".
std::string describe(const ItemListDiff& diff) {
  std::vector<std::string> parts;
  for (const auto& h : diff.handOvers)
    parts.push_back("hand " + h.oldID + ">" + std::to_string(h.entryIndex));
  for (const auto& id : diff.removed) parts.push_back("remove " + id);
  for (size_t index : diff.added) parts.push_back("add " + std::to_string(index));
  if (diff.needsReorder) parts.push_back("reorder");
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : "; ") + part;
  return text;
}

TEST(ItemListDiffTest, KeepsHandsOverRemovesAddsAndReordersOnlyWhenTheOrderChanged) {
  struct Case {
    const char* what;
    const char* existing;
    const char* entries;
    const char* expected;
  };
  // clang-format off
  const Case cases[] = {
      {"unchanged",                                   "a-1 b-2 c-3",       "a-1 b-2 c-3",     ""},
      {"swap re-orders without fades",                "a-1 b-2 c-3",       "b-2 a-1 c-3",     "reorder"},
      {"removal keeps the rest in order",             "a-1 b-2 c-3",       "a-1 c-3",         "remove b-2"},
      {"addition at the end is appended",             "a-1 b-2 c-3",       "a-1 b-2 c-3 d-4", "add 3"},
      {"addition in the middle re-orders",            "a-1 b-2 c-3",       "a-1 d-4 b-2 c-3", "add 1; reorder"},
      {"application entry replaced by a window entry", "a-1 b-2 c-3",      "a-1 b-2-77 c-3",  "hand b-2>1"},
      {"of two vanished buttons of one process the first in bar order is handed over",
                                                      "a-1-10 x-9 a-1-11", "a-1 x-9",         "hand a-1-10>0; remove a-1-11"},
      {"hand-over to an entry in another place re-orders", "a-1 b-2 c-3",  "a-1 c-3 b-2-5",   "hand b-2>2; reorder"},
      {"a button never bound takes no part in the hand-over", "a-1? b-2",  "a-1-5 b-2",       "remove a-1; add 0; reorder"},
      {"other processes do not hand over",            "a-1 b-2 c-3",       "a-1 b-2 z-26",    "remove c-3; add 2"},
      {"a repeated identifier counts once",           "a-1 b-2 c-3",       "a-1 b-2 a-1 c-3", ""},
      {"from empty",                                  "",                  "a-1 b-2",         "add 0; add 1"},
      {"to empty",                                    "a-1 b-2 c-3",       "",                "remove a-1; remove b-2; remove c-3"},
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(describe(diffItemList(parse<ExistingItem>(c.existing), parse<IncomingEntry>(c.entries))),
              c.expected)
        << c.what;
}

TEST(ItemListDiffTest, RepeatedIdentifiersAreShownOnlyInTheirFirstPlace) {
  auto diff = diffItemList({}, parse<IncomingEntry>("a-1 b-2 a-1"));
  EXPECT_EQ(diff.shownEntries, (std::vector<size_t>{0, 1}));
  EXPECT_EQ(diff.added, (std::vector<size_t>{0, 1}));
}

}  // namespace
}  // namespace pelko
