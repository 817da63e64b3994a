#pragma once

#include <string>
#include <vector>

namespace pelko::platform {

// How one run of a command-line tool ended.
struct ChildProcessResult {
  enum class Termination {
    exited,        // the child called exit(); `exitStatus` holds the status
    signaled,      // a signal ended the child; `signal` names it
    launchFailed,  // no child ran (missing or non-executable file, out of resources); `launchError`
  };

  Termination termination = Termination::launchFailed;
  int exitStatus = -1;
  int signal = 0;
  int launchError = 0;  // an errno value
  // The time-out ran out: the child was asked to terminate (SIGTERM) and, when it did not go within
  // the grace period, killed (SIGKILL). `termination` still tells how it actually ended.
  bool timedOut = false;
  std::string standardOutput;
  std::string standardError;
  // More output came than is kept; the rest was read and dropped so the child never blocked.
  bool outputTruncated = false;

  bool launched() const { return termination != Termination::launchFailed; }
  bool exitedWithStatus(int status) const {
    return !timedOut && termination == Termination::exited && exitStatus == status;
  }
  // Ran to its own end, in time, with status 0.
  bool succeeded() const { return exitedWithStatus(0); }
};

// Runs a command-line tool: the executable at `path` with `arguments` as argv[1...], never through a
// shell, so arguments reach the tool exactly as given. Both output streams are captured. The call
// returns when the child has ended, or when `timeoutSeconds` ran out and the child was terminated; in
// every case the child has been reaped. May be called from any thread, also concurrently.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  virtual ChildProcessResult run(const std::string& path, const std::vector<std::string>& arguments,
                                 double timeoutSeconds) = 0;
};

}  // namespace pelko::platform
