#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pelko::platform {

// An exception nobody caught: its type's name and its reason (nothing when it gives none).
struct UncaughtException {
  std::string name;
  std::optional<std::string> reason;
};

// How the process ends and what it does when told to end from outside: termination signals, the abort
// signal, exceptions that no one caught, and the exit itself.
class ProcessControl {
 public:
  virtual ~ProcessControl() = default;

  // From now on each of `signalNumbers` no longer ends the process by itself: it is delivered to `handler`
  // on the main queue (never inside the signal's own context). The signal stays handled, not ignored,
  // so child processes start with its default action.
  virtual void deliverOnMainQueue(const std::vector<int>& signalNumbers,
                                  std::function<void(int)> handler) = 0;
  // From now on `signal` ends the process at once with `status`: no clean-up, no exit processing.
  virtual void exitImmediatelyOn(int signal, int status) = 0;
  // Called, on the thread that threw, with an exception that no one caught; the process ends after the
  // handler returns.
  virtual void setUncaughtExceptionHandler(std::function<void(const UncaughtException&)> handler) = 0;
  // Ends the process with `status` after the current main-queue work returns, with the normal exit
  // processing.
  virtual void exit(int status) = 0;
};

}  // namespace pelko::platform
