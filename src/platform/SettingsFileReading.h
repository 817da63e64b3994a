#pragma once

#include <string>

namespace pelko::platform {

// What the running copy's one reading of its settings file found, as the store reads it and as the
// shell tells it.
struct SettingsFileReading {
  enum class Found {
    whole,             // a whole file, or none: nothing to tell
    damaged,           // read, with something in it lost
    unreadable,        // nothing could be read: not a regular file, not permitted, too large
    unfollowableLink,  // a link that leads to no regular file: dangling, a loop, a folder not searchable
  };
  Found found = Found::whole;
  // Why nothing could be read, in the system's words ("Permission denied"); empty for a whole or a
  // damaged file.
  std::string cause{};
  // Where a damaged or unreadable file was moved; empty when it was not.
  std::string keptAs{};
  // Why a damaged or unreadable file could not be moved aside; empty when it was. Such a file, as a link
  // that leads nowhere, stays where it is, and changes are not saved over it.
  std::string notKeptAsideBecause{};
};

}  // namespace pelko::platform
