#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/Trash.h"

namespace pelko::sim {

// The trash of the simulated Mac: moves are recorded, and a file can be made to fail with a reason.
class SimTrash final : public platform::Trash {
 public:
  std::optional<platform::TrashError> moveToTrash(const std::string& path) override {
    if (auto failure = failures.find(path); failure != failures.end()) return failure->second;
    trashed.push_back(path);
    return std::nullopt;
  }
  std::string filesFolder() override { return homeFolder + "/.Trash"; }

  std::string homeFolder = "/Users/user";
  // Files whose move fails, with the reason given.
  std::map<std::string, platform::TrashError> failures;
  // The files moved, in order.
  std::vector<std::string> trashed;
};

}  // namespace pelko::sim
