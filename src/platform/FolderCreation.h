#pragma once

#include <string>

namespace pelko::platform {

// Makes `folder` and any missing folder above it. Empty when the folder is there afterwards; otherwise
// why not, named by its cause rather than by the last call that failed: the part of the path that is a
// file or a link to nothing, or the error of making the first folder that is missing (permission
// denied, a read-only file system). The system's own message for a link to nothing is "File exists",
// which sends the user looking in the wrong place.
std::string makeFolder(const std::string& folder);

}  // namespace pelko::platform
