#pragma once

#include <memory>
#include <string>

namespace pelko {

// One running copy per settings file: an exclusive lock on a file beside the settings, held for as long
// as this object lives and released by the system when the process ends, however it ends. The lock is
// on the file itself, so every path that reaches the same settings folder (a link, another spelling of
// the home folder) meets the same lock. Taking it is one atomic step, so two copies started at the same
// moment cannot both believe they are alone, and a copy that crashed never leaves a stale lock behind.
class SingleInstanceLock {
 public:
  enum class Outcome {
    acquired,       // this process is the one running copy
    heldByAnother,  // another process holds the lock
    unavailable,    // the lock file could not be opened or locked for another reason
  };

  // Tries once, without waiting; the folder is created when missing. `reason` says why when the lock is
  // unavailable: among others, when the lock's path is a symbolic link ("it is a symbolic link"), not a
  // plain file ("it is not a plain file"), or a file of another user ("it belongs to another user").
  static std::unique_ptr<SingleInstanceLock> tryAcquire(const std::string& path, Outcome& outcome,
                                                        std::string& reason);
  static std::unique_ptr<SingleInstanceLock> tryAcquire(const std::string& path, Outcome& outcome) {
    std::string reason;
    return tryAcquire(path, outcome, reason);
  }

  // `configFolder/pelko.lock`, whatever the environment says besides.
  static std::string defaultPath(const std::string& configFolder);

  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  const std::string& path() const { return path_; }

 private:
  SingleInstanceLock(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

  std::string path_;
  int fd_;
};

}  // namespace pelko
