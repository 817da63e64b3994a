#pragma once

#include <optional>
#include <string>

namespace pelko::platform {

// The few file operations the program makes on files other than the defaults store.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool fileExists(const std::string& path) const = 0;
  virtual std::optional<std::string> readFile(const std::string& path) const = 0;
  // Creates the folder and its missing parents; true when it exists afterwards.
  virtual bool createDirectories(const std::string& path) = 0;
  // Replaces the file in one step (a temporary file beside it, then a rename), so a reader never sees
  // half a file.
  virtual bool writeFileAtomically(const std::string& path, const std::string& contents) = 0;
  // False when the file could not be removed, a missing file included.
  virtual bool removeFile(const std::string& path) = 0;
};

}  // namespace pelko::platform
