#pragma once

// The folder that stands in for the Dock's side of the Mac on Linux, shared by the stand-in tools
// pelko-sim-defaults and pelko-sim-killall.
//
// Environment:
//   PELKO_SIM_DOCK_DIR  the folder (required; the tools refuse to run without it). It holds
//                       <domain>.plist        a preference domain, an XML property list, replaced
//                                             atomically on every change
//                       .<domain>.lock        the lock that serialises changes to that domain
//                       commands.log          one line per tool run: the tool's name and its arguments,
//                                             separated by single spaces, written before the run acts
//                       dock-restarts.log     one line per simulated Dock restart
//   PELKO_SIM_HANG      runs to hang (never finish until signalled), as a list of patterns separated by
//                       ';'. A pattern matches a run when the run's commands.log line equals it or
//                       starts with it followed by a space: "defaults write com.apple.dock mineffect"
//                       hangs every write of "mineffect", "killall" every killall.
//   PELKO_SIM_HANG_IGNORES_TERM  when "1", a hanging run also ignores SIGTERM (only SIGKILL ends it).
//   PELKO_SIM_HANG_FROM_RUN  a number N: PELKO_SIM_HANG applies only to runs written as the N-th line of
//                       commands.log or later, so that the runs before it (a start-up's) go through.
//   PELKO_SIM_FAIL      runs to fail, same patterns: the run prints "pelko-sim: injected failure" to
//                       standard error and exits 1 without changing anything.
//   PELKO_SIM_KILL_PARENT_AFTER_RUN  a number N: the run written as the N-th line of commands.log sends
//                       SIGKILL to its parent process (the program that ran it) once it has done its
//                       work, as it ends: the program is killed right after that step. Meant for runs
//                       that follow one another, as those of one Dock operation do.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/PropertyList.h"

namespace pelko::tools {

inline constexpr const char* kDockDirVariable = "PELKO_SIM_DOCK_DIR";
inline constexpr const char* kHangVariable = "PELKO_SIM_HANG";
inline constexpr const char* kHangIgnoresTermVariable = "PELKO_SIM_HANG_IGNORES_TERM";
inline constexpr const char* kHangFromRunVariable = "PELKO_SIM_HANG_FROM_RUN";
inline constexpr const char* kFailVariable = "PELKO_SIM_FAIL";
inline constexpr const char* kKillParentAfterRunVariable = "PELKO_SIM_KILL_PARENT_AFTER_RUN";
inline constexpr const char* kCommandLogName = "commands.log";
inline constexpr const char* kRestartLogName = "dock-restarts.log";

// True when `pattern` selects the run described by `line` (see PELKO_SIM_HANG above).
bool faultPatternMatches(const std::string& pattern, const std::string& line);

class SimDockFolder {
 public:
  // The folder named by PELKO_SIM_DOCK_DIR; nothing (and a message in `error`) when it is unset,
  // empty or not a folder.
  static std::optional<SimDockFolder> fromEnvironment(std::string& error);

  explicit SimDockFolder(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  // Appends the run to commands.log, then applies the injected faults: a hanging run never returns
  // from here, a failing one exits the process with status 1, and the run chosen to kill its parent
  // does so when it exits.
  void beginRun(const std::vector<std::string>& words) const;

  // Appends one restart to dock-restarts.log; false when it could not be written.
  bool recordDockRestart() const;

  // A domain name is one path component: not empty, no '/', not starting with '.'.
  static bool isValidDomainName(const std::string& domain);

  // Holds the domain's lock for as long as it lives (shared for reading, exclusive for changing).
  class DomainLock {
   public:
    DomainLock(const SimDockFolder& folder, const std::string& domain, bool exclusive);
    DomainLock(const DomainLock&) = delete;
    DomainLock& operator=(const DomainLock&) = delete;
    ~DomainLock();
    bool held() const { return fd_ >= 0; }

   private:
    int fd_ = -1;
  };

  enum class LoadStatus { loaded, missing, unreadable };
  struct LoadedDomain {
    LoadStatus status = LoadStatus::missing;
    platform::PlistValue::Dictionary values;
    std::string error;
  };
  // A missing file is an empty domain; a file that is not a property list with a dictionary at its
  // root is unreadable (and is never overwritten by the tools).
  LoadedDomain loadDomain(const std::string& domain) const;
  // Replaces the domain's file in one step; false (and `error`) when that failed.
  bool saveDomain(const std::string& domain, const platform::PlistValue::Dictionary& values,
                  std::string& error) const;

 private:
  std::string domainPath(const std::string& domain) const;
  bool appendLine(const char* fileName, const std::string& line) const;
  size_t lineCount(const char* fileName) const;

  std::string path_;
};

}  // namespace pelko::tools
