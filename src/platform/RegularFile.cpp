#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pelko::platform {

namespace {

RegularFileRead failure(RegularFileRead::Status status, std::string error) {
  RegularFileRead result;
  result.status = status;
  result.error = std::move(error);
  return result;
}

std::string megabytes(size_t bytes) {
  if (bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + " MB";
  return std::to_string(bytes) + " bytes";
}

enum class Trust { anyRegularFile, thisUsersOwnFile };

RegularFileRead readFile(const std::string& path, size_t limitBytes, Trust trust) {
  int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  if (trust == Trust::thisUsersOwnFile) flags |= O_NOFOLLOW;
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) {
    const int error = errno;
    if (error == ELOOP && trust == Trust::thisUsersOwnFile)
      return failure(RegularFileRead::Status::notRegular, "not a regular file");
    return failure(error == ENOENT ? RegularFileRead::Status::missing : RegularFileRead::Status::failed,
                   std::strerror(error));
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};

  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    return failure(RegularFileRead::Status::failed, std::strerror(errno));
  }
  if (!S_ISREG(info.st_mode)) {
    return failure(RegularFileRead::Status::notRegular, "not a regular file");
  }
  if (trust == Trust::thisUsersOwnFile && info.st_uid != ::getuid()) {
    return failure(RegularFileRead::Status::anotherUsers, "another user's file");
  }
  const std::string tooLarge = "larger than " + megabytes(limitBytes);
  if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > limitBytes) {
    return failure(RegularFileRead::Status::tooLarge, tooLarge);
  }

  RegularFileRead result;
  result.contents.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failure(RegularFileRead::Status::failed, std::strerror(errno));
    }
    if (n == 0) break;
    // A file that grows while it is read is held to the same limit.
    if (result.contents.size() + static_cast<size_t>(n) > limitBytes) {
      return failure(RegularFileRead::Status::tooLarge, tooLarge);
    }
    result.contents.append(buffer, static_cast<size_t>(n));
  }
  result.status = RegularFileRead::Status::read;
  return result;
}

}  // namespace

RegularFileRead readRegularFile(const std::string& path, size_t limitBytes) {
  return readFile(path, limitBytes, Trust::anyRegularFile);
}

RegularFileRead readThisUsersFile(const std::string& path, size_t limitBytes) {
  return readFile(path, limitBytes, Trust::thisUsersOwnFile);
}

}  // namespace pelko::platform
