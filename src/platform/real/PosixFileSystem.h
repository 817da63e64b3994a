#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace pelko::real {

// The file system of the machine, through POSIX calls. Safe to use from any thread.
class PosixFileSystem final : public platform::FileSystem {
 public:
  bool fileExists(const std::string& path) const override;
  // Only a regular file of at most 16 MB is read (see platform/RegularFile.h).
  std::optional<std::string> readFile(const std::string& path) const override;
  bool createDirectories(const std::string& path) override;
  // The contents reach the disk (fsync of the file, then of the folder after the rename) before this
  // returns true; an existing file keeps its permissions.
  bool writeFileAtomically(const std::string& path, const std::string& contents) override;
  bool removeFile(const std::string& path) override;

  // Why the last failing call of this thread failed (the system's message), for diagnostics.
  static std::string lastError();
};

}  // namespace pelko::real
