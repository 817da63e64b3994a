#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/FileSystem.h"

namespace pelko::test {

// Files and folders in memory, with refusals that a test can switch on. A file is written only into a
// folder made before, as on a real disk.
class FakeFileSystem final : public platform::FileSystem {
 public:
  bool fileExists(const std::string& path) const override { return files.count(path) > 0; }
  std::optional<std::string> readFile(const std::string& path) const override {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  bool createDirectories(const std::string& path) override {
    if (failCreateDirectories) return false;
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
      folders.insert(path.substr(0, slash));
    folders.insert(path);
    return true;
  }
  bool writeFileAtomically(const std::string& path, const std::string& contents) override {
    ++writeCount;
    if (failWrite || !folders.count(path.substr(0, path.rfind('/')))) return false;
    files[path] = contents;
    return true;
  }
  bool removeFile(const std::string& path) override {
    ++removeCount;
    if (failRemove) return false;
    return files.erase(path) > 0;
  }

  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  bool failCreateDirectories = false;
  bool failWrite = false;
  bool failRemove = false;
  int writeCount = 0;
  int removeCount = 0;
};

}  // namespace pelko::test
