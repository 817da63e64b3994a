#include "platform/real/PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/RegularFile.h"

namespace pelko::real {

namespace {

thread_local std::string lastErrorText;

bool failWith(const std::string& what, int error) {
  lastErrorText = what + ": " + std::strerror(error);
  return false;
}

bool writeAll(int fd, const std::string& contents) {
  const char* p = contents.data();
  size_t left = contents.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

int fsyncRetrying(int fd) {
  int result;
  do {
    result = ::fsync(fd);
  } while (result != 0 && errno == EINTR);
  return result;
}

}  // namespace

std::string PosixFileSystem::lastError() {
  return lastErrorText;
}

bool PosixFileSystem::fileExists(const std::string& path) const {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::optional<std::string> PosixFileSystem::readFile(const std::string& path) const {
  platform::RegularFileRead file = platform::readRegularFile(path);
  if (!file.ok()) {
    lastErrorText = "cannot read " + path + ": " + file.error;
    return std::nullopt;
  }
  return std::move(file.contents);
}

bool PosixFileSystem::createDirectories(const std::string& path) {
  if (path.empty()) return failWith("cannot create a folder with no name", ENOENT);
  std::error_code error;
  std::filesystem::create_directories(path, error);
  // A path that cannot be looked at is a failure to report like any other, never an exception: this
  // runs on background threads, where one would end the program.
  std::error_code lookError;
  if (std::filesystem::is_directory(path, lookError)) return true;
  if (!error) error = lookError;
  return failWith("cannot create " + path, error ? error.value() : ENOTDIR);
}

bool PosixFileSystem::writeFileAtomically(const std::string& path, const std::string& contents) {
  const std::filesystem::path target(path);
  if (!target.has_filename()) return failWith("cannot write " + path, EISDIR);
  const std::string folder = target.has_parent_path() ? target.parent_path().string() : std::string(".");

  // The temporary name is unique to this process and call, so concurrent writers never share one.
  static std::atomic<unsigned> counter{0};
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = folder + "/." + target.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                std::to_string(counter.fetch_add(1));
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return failWith("cannot create a temporary file beside " + path, errno);
  }
  if (fd < 0) return failWith("cannot create a temporary file beside " + path, EEXIST);

  const auto abandon = [&](const std::string& what) {
    const int error = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
    return failWith(what, error);
  };

  struct stat existing;
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    if (::fchmod(fd, existing.st_mode & 07777) != 0)
      return abandon("cannot set the permissions of " + temporary);
  }
  if (!writeAll(fd, contents)) return abandon("cannot write " + temporary);
  if (fsyncRetrying(fd) != 0) return abandon("cannot flush " + temporary);
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) return abandon("cannot write " + temporary);
  if (::rename(temporary.c_str(), path.c_str()) != 0) return abandon("cannot replace " + path);

  // The rename itself is durable only once the folder is flushed; file systems that cannot flush a
  // folder still replaced the file in one step, so that is not an error.
  const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsyncRetrying(folderFd);
    ::close(folderFd);
  }
  return true;
}

bool PosixFileSystem::removeFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return true;
  return failWith("cannot remove " + path, errno);
}

}  // namespace pelko::real
