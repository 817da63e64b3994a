#pragma once

#include <functional>
#include <map>
#include <memory>

#include "platform/ProcessControl.h"

class QSocketNotifier;

namespace pelko::real {

// POSIX signalNumbers and the C++ runtime's termination hook, on the Qt event loop.
//
// A signal delivered to the main queue is caught by a handler that only writes the signal's number to a
// pipe (the one thing a signal handler may safely do); a socket notifier on the pipe's other end wakes
// the event loop, which hands the number to the handler. The signal is caught, never ignored: ignored
// signalNumbers would be inherited by the child processes, caught ones return to their default action in a
// child. An uncaught C++ exception reaches std::terminate, whose hook reports it and then aborts, so
// the process ends through the abort signal. exit() leaves the event loop with the status, so main
// returns it and the process ends with the normal exit processing.
//
// Signal dispositions belong to the whole process: create one of these, on the main thread, after the
// QCoreApplication, and destroy it when the event loop has ended (the signals it delivered to the main
// queue then take their default action again).
class PosixProcessControl final : public platform::ProcessControl {
 public:
  PosixProcessControl();
  ~PosixProcessControl() override;
  PosixProcessControl(const PosixProcessControl&) = delete;
  PosixProcessControl& operator=(const PosixProcessControl&) = delete;

  void deliverOnMainQueue(const std::vector<int>& signalNumbers, std::function<void(int)> handler) override;
  void exitImmediatelyOn(int signal, int status) override;
  void setUncaughtExceptionHandler(std::function<void(const platform::UncaughtException&)> handler) override;
  void exit(int status) override;

 private:
  void drainPipe();

  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  std::map<int, std::function<void(int)>> handlers_;
};

// The readable name of a type as the runtime mangles it ("std::runtime_error").
std::string demangledTypeName(const char* mangled);

}  // namespace pelko::real
