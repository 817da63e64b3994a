#include "platform/FolderCreation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace pelko::platform {

namespace {

std::string linkTarget(const std::string& link) {
  char target[4096];
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
  return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
}

std::string cannotBeLookedAt(const std::string& path, int error) {
  return path + " cannot be looked at (" + std::strerror(error) + ")";
}

}  // namespace

std::string makeFolder(const std::string& folder) {
  if (folder.empty()) return {};  // the current folder
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  // Never the throwing form: a path that cannot be looked at (a folder on the way that may not be
  // searched, a loop of links, a name too long) is a cause to tell, not an end of the program.
  std::error_code lookError;
  if (std::filesystem::is_directory(folder, lookError)) return {};

  // The first part of the path that is not a folder, or is missing, holds the cause.
  std::filesystem::path walked;
  for (const auto& part : std::filesystem::path(folder).lexically_normal()) {
    walked /= part;
    if (part.empty() || walked == walked.root_path()) continue;
    const std::string here = walked.string();
    struct stat info {};
    if (::lstat(here.c_str(), &info) != 0) {
      if (errno != ENOENT) return cannotBeLookedAt(here, errno);
      // The first folder missing is the one whose making failed: the folder above refuses it, or is on
      // a read-only file system.
      break;
    }
    if (S_ISLNK(info.st_mode)) {
      struct stat target {};
      if (::stat(here.c_str(), &target) != 0) {
        if (errno != ENOENT) return cannotBeLookedAt(here, errno);
        return here + " is a link to " + linkTarget(here) + ", which does not exist";
      }
      if (!S_ISDIR(target.st_mode))
        return here + " is a link to " + linkTarget(here) + ", which is not a folder";
      continue;
    }
    if (!S_ISDIR(info.st_mode)) return here + " is not a folder";
  }
  return "the folder " + walked.string() + " cannot be made (" + (error ? error.message() : "unknown error") +
         ")";
}

}  // namespace pelko::platform
