#pragma once

#include <cstddef>
#include <string>

namespace pelko::platform {

// The one way the program reads a file it did not just write itself (settings, the Dock's preferences,
// a scenario, an icon, the autostart entry). The file is opened without blocking, so a FIFO without a
// writer cannot hold the caller; only a regular file is read (a symlink to one included), so a device
// such as /dev/zero cannot fill the memory; and nothing beyond `limitBytes` is kept. Any thread.
struct RegularFileRead {
  enum class Status { read, missing, notRegular, anotherUsers, tooLarge, failed };

  Status status = Status::failed;
  std::string contents;  // the whole file when `status` is `read`, else empty
  std::string error;     // the problem, in a few words, when `status` is not `read`

  bool ok() const { return status == Status::read; }
};

// Far beyond any file the program reads: its settings are a few kilobytes.
inline constexpr size_t kRegularFileLimitBytes = 16 * 1024 * 1024;

RegularFileRead readRegularFile(const std::string& path, size_t limitBytes = kRegularFileLimitBytes);

// A file the program trusts to have been left by another process of this user (the running copy's
// record of its socket): opened once without following a link, and read from that descriptor only when
// it is a regular file of this user. A link is `notRegular`; a file of another user `anotherUsers`.
// Nothing is looked at by its path and then opened again, so it cannot be swapped in between.
RegularFileRead readThisUsersFile(const std::string& path, size_t limitBytes);

}  // namespace pelko::platform
