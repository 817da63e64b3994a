#include <string_view>

#include "foundation/DebugLog.h"
#include "tracking/AppTracker.h"

// Applying a pass's result: entries that survive keep their objects and are updated in place; the list
// is republished only when its membership or order changed.

namespace pelko {

void AppTracker::applyUpdate(const EntryList& newEntries) {
  scheduler_.assertMainThread("AppTracker.applyUpdate");
  if (newEntries.empty()) {
    apps = std::vector<TrackedAppPtr>();
    return;
  }

  const auto& current = apps.get();
  bool sameStructure = newEntries.size() == current.size();
  for (size_t i = 0; sameStructure && i < newEntries.size(); ++i)
    sameStructure = newEntries[i].id == current[i]->id;

  if (sameStructure) {
    // The list never holds an id twice (a rebuild drops later duplicates), so the entry in the same
    // place is the one with that id. Nothing here allocates: an unchanged pass costs no memory.
    bool displayChanged = false;
    for (size_t i = 0; i < newEntries.size(); ++i) {
      if (i >= apps.get().size()) break;  // a subscriber rewrote the list while being told of a change
      TrackedAppPtr existing = apps.get()[i];
      auto before = existing->displayID;
      mergeProperties(newEntries[i], *existing);
      if (existing->displayID != before) displayChanged = true;
    }
    if (displayChanged) displayIDGeneration = displayIDGeneration.get() + 1;
    return;
  }

  std::unordered_map<std::string_view, TrackedAppPtr> existingByID;
  existingByID.reserve(current.size());
  for (const auto& entry : current) existingByID.insert_or_assign(entry->id, entry);

  std::unordered_set<std::string_view> seen;
  seen.reserve(newEntries.size());
  std::vector<TrackedAppPtr> result;
  result.reserve(newEntries.size());
  for (const auto& fresh : newEntries) {
    if (!seen.insert(fresh.id).second) continue;
    if (auto it = existingByID.find(fresh.id); it != existingByID.end()) {
      mergeProperties(fresh, *it->second);
      result.push_back(it->second);
    } else {
      result.push_back(fresh.makeTrackedApp());
    }
  }
  apps = std::move(result);
}

void AppTracker::mergeProperties(const BuiltEntry& fresh, TrackedApp& existing) {
  // Each field is written only when it differs, so every write is one real change notification.
  if (existing.isActive.get() != fresh.isActive) {
    const auto& title = existing.windowTitle.get();
    debugLog("mergeProperties: " + existing.id + " isActive " + (existing.isActive.get() ? "true" : "false") +
             "->" + (fresh.isActive ? "true" : "false") + " title='" + (title ? *title : existing.name) +
             "'");
    existing.isActive = fresh.isActive;
  }
  if (existing.isHidden.get() != fresh.app->isHidden) existing.isHidden = fresh.app->isHidden;
  if (existing.isMinimized.get() != fresh.isMinimized) existing.isMinimized = fresh.isMinimized;
  // An absent display never clears the one the entry has.
  if (fresh.displayID && existing.displayID != fresh.displayID) existing.displayID = fresh.displayID;
  if (existing.titleFreshFromFastPath) {
    // A title a title-change notification just delivered survives one pass.
    existing.titleFreshFromFastPath = false;
  } else if (fresh.windowTitle && !fresh.windowTitle->empty() &&
             existing.windowTitle.get() != fresh.windowTitle) {
    existing.windowTitle = fresh.windowTitle;
  }
}

}  // namespace pelko
