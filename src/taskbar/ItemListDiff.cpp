#include "taskbar/ItemListDiff.h"

#include <deque>
#include <unordered_map>
#include <unordered_set>

namespace pelko {

ItemListDiff diffItemList(const std::vector<ExistingItem>& existing,
                          const std::vector<IncomingEntry>& entries) {
  ItemListDiff diff;

  std::unordered_set<std::string> newIDs;
  newIDs.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i)
    if (newIDs.insert(entries[i].id).second) diff.shownEntries.push_back(i);

  std::unordered_set<std::string> oldIDs;
  oldIDs.reserve(existing.size());
  std::vector<const ExistingItem*> removedItems;
  for (const auto& item : existing) {
    if (!oldIDs.insert(item.id).second) continue;
    if (!newIDs.count(item.id)) removedItems.push_back(&item);
  }
  std::vector<size_t> addedEntries;
  for (size_t index : diff.shownEntries)
    if (!oldIDs.count(entries[index].id)) addedEntries.push_back(index);

  // Hand-over: a vanished button of a process goes to that process's next new entry.
  std::unordered_map<std::string, std::string> renamed;  // old id -> new id
  std::unordered_set<size_t> handedEntries;
  if (!removedItems.empty() && !addedEntries.empty()) {
    std::unordered_map<int32_t, std::deque<const ExistingItem*>> byProcess;
    for (const ExistingItem* item : removedItems)
      if (item->boundPID) byProcess[*item->boundPID].push_back(item);
    for (size_t index : addedEntries) {
      auto group = byProcess.find(entries[index].pid);
      if (group == byProcess.end() || group->second.empty()) continue;
      const ExistingItem* item = group->second.front();
      group->second.pop_front();
      diff.handOvers.push_back({item->id, index});
      renamed.emplace(item->id, entries[index].id);
      handedEntries.insert(index);
    }
  }
  for (const ExistingItem* item : removedItems)
    if (!renamed.count(item->id)) diff.removed.push_back(item->id);
  for (size_t index : addedEntries)
    if (!handedEntries.count(index)) diff.added.push_back(index);

  // The order the stack will have without re-ordering: kept and handed-over buttons where they stand,
  // new ones appended.
  std::vector<const std::string*> current;
  current.reserve(diff.shownEntries.size());
  std::unordered_set<std::string> seen;
  for (const auto& item : existing) {
    if (!seen.insert(item.id).second) continue;
    if (newIDs.count(item.id)) {
      current.push_back(&item.id);
    } else if (auto it = renamed.find(item.id); it != renamed.end()) {
      current.push_back(&it->second);
    }
  }
  for (size_t index : diff.added) current.push_back(&entries[index].id);
  if (current.size() != diff.shownEntries.size()) {
    diff.needsReorder = true;
  } else {
    for (size_t i = 0; i < current.size(); ++i) {
      if (*current[i] != entries[diff.shownEntries[i]].id) {
        diff.needsReorder = true;
        break;
      }
    }
  }
  return diff;
}

}  // namespace pelko
