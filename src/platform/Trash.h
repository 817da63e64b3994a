#pragma once

#include <optional>
#include <string>

namespace pelko::platform {

// Why one file could not be moved to the trash, in words for the user.
struct TrashError {
  std::string localizedDescription;
  bool operator==(const TrashError&) const = default;
};

// The user's trash. Main thread only.
class Trash {
 public:
  virtual ~Trash() = default;
  // Moves the file or folder at the absolute `path` to the trash and returns once it is there (or is
  // not): nothing on success, else the reason. A failed move leaves the file where it was.
  virtual std::optional<TrashError> moveToTrash(const std::string& path) = 0;
  // The folder that shows what the trash holds, for a file manager to open; created when missing.
  virtual std::string filesFolder() = 0;
};

}  // namespace pelko::platform
