#include "taskbar/CustomAppOrder.h"

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "tracking/TrackedApp.h"

namespace pelko {

std::vector<std::string> mergedCustomAppOrder(const std::vector<std::string>& stored,
                                              const std::vector<std::string>& barOrder) {
  const std::unordered_set<std::string> shown(barOrder.begin(), barOrder.end());
  std::vector<std::string> merged;
  merged.reserve(stored.size() + barOrder.size());
  bool blockPlaced = false;
  for (const auto& id : stored) {
    if (!shown.count(id)) {
      merged.push_back(id);
    } else if (!blockPlaced) {
      merged.insert(merged.end(), barOrder.begin(), barOrder.end());
      blockPlaced = true;
    }
  }
  if (!blockPlaced) merged.insert(merged.end(), barOrder.begin(), barOrder.end());
  return merged;
}

std::vector<std::shared_ptr<TrackedApp>> sortedByCustomOrder(std::vector<std::shared_ptr<TrackedApp>> apps,
                                                             const std::vector<std::string>& order) {
  if (order.empty()) return apps;
  std::unordered_map<std::string, size_t> rank;
  for (size_t i = 0; i < order.size(); ++i) rank.emplace(order[i], i);
  constexpr size_t kUnranked = std::numeric_limits<size_t>::max();
  auto rankOf = [&](const std::shared_ptr<TrackedApp>& app) {
    auto it = app ? rank.find(app->bundleID) : rank.end();
    return it == rank.end() ? kUnranked : it->second;
  };
  std::stable_sort(apps.begin(), apps.end(),
                   [&](const auto& a, const auto& b) { return rankOf(a) < rankOf(b); });
  return apps;
}

}  // namespace pelko
