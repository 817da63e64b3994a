#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelko {

// One button the bar has now, in its place along the bar: its key and the process of the entry it is
// bound to (none for a button that was never bound).
struct ExistingItem {
  std::string id;
  std::optional<int32_t> boundPID;
};

// One entry of the incoming list.
struct IncomingEntry {
  std::string id;
  int32_t pid = 0;
};

// A vanished button given to a new entry of the same process instead of being replaced.
struct ItemHandOver {
  std::string oldID;
  size_t entryIndex = 0;  // into the incoming list
};

// How to bring the bar's buttons in line with an incoming list with as little churn as possible.
struct ItemListDiff {
  std::vector<ItemHandOver> handOvers;  // in list order
  std::vector<std::string> removed;     // buttons to fade out, in their order along the bar
  std::vector<size_t> added;            // entries that get a new button, in list order
  // The incoming entries the bar shows, in list order: a repeated identifier counts once (its first
  // occurrence), since one button cannot stand in two places.
  std::vector<size_t> shownEntries;
  // Whether the arranged buttons, after the hand-overs, removals and appended additions, differ in order
  // from the list; only then is the stack re-ordered.
  bool needsReorder = false;

  bool changesMembership() const { return !handOvers.empty() || !removed.empty() || !added.empty(); }
};

// Buttons whose entry is still listed are kept as they are. For each new entry, in list order, the
// first remaining vanished button of the same process (in bar order) is handed over to it; vanished
// buttons left over fade out; entries left over get new buttons appended at the end.
ItemListDiff diffItemList(const std::vector<ExistingItem>& existing,
                          const std::vector<IncomingEntry>& entries);

}  // namespace pelko
