#include "shell/SingleInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "foundation/ControlCharacters.h"
#include "foundation/DebugLog.h"
#include "platform/FolderCreation.h"

namespace pelko {

std::unique_ptr<SingleInstanceLock> SingleInstanceLock::tryAcquire(const std::string& path, Outcome& outcome,
                                                                   std::string& reason) {
  outcome = Outcome::unavailable;
  reason.clear();
  const std::string shown = withControlCharactersHidden(path);
  // Without its folder the lock cannot be opened, and the error of opening ("No such file or directory")
  // would hide why the folder is not there.
  if (std::string why = platform::makeFolder(std::filesystem::path(path).parent_path().string());
      !why.empty()) {
    reason = why;
    debugLog("AppDelegate: cannot make the folder of the instance lock " + shown + ": " + reason);
    return nullptr;
  }

  // Close-on-exec: a child process must not keep the lock alive after this process has gone. Not
  // through a link, and without waiting on a FIFO: in a folder others may write, whatever they put
  // there is not this user's lock.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) {
    reason = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
    debugLog("AppDelegate: cannot open the instance lock " + shown + ": " + reason);
    return nullptr;
  }
  // What was opened is checked, not the path again: it could be replaced in between.
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    reason = std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    reason = "it is not a plain file";
  } else if (info.st_uid != ::getuid()) {
    reason = "it belongs to another user";
  }
  if (!reason.empty()) {
    ::close(fd);
    debugLog("AppDelegate: cannot take the instance lock " + shown + ": " + reason);
    return nullptr;
  }
  int result;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    int lockError = errno;
    ::close(fd);
    if (lockError == EWOULDBLOCK) {
      outcome = Outcome::heldByAnother;
    } else {
      reason = std::strerror(lockError);
      debugLog("AppDelegate: cannot lock " + shown + ": " + reason);
    }
    return nullptr;
  }
  outcome = Outcome::acquired;
  return std::unique_ptr<SingleInstanceLock>(new SingleInstanceLock(path, fd));
}

std::string SingleInstanceLock::defaultPath(const std::string& configFolder) {
  // Beside the settings, never in a folder another variable names: two starts of the same user whose
  // runtime folders differ (one started under su, or from a script without a session) would each find
  // a lock of their own there and both run.
  return configFolder + "/pelko.lock";
}

SingleInstanceLock::~SingleInstanceLock() {
  // Closing the descriptor releases the lock. The file stays: removing it would let a copy starting now
  // lock a new file while another still holds the old one.
  ::close(fd_);
}

}  // namespace pelko
