#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "platform/ChildProcess.h"

namespace pelko::real {

// Child processes through posix_spawn. The child starts with default signal dispositions, an empty
// signal mask, standard input on /dev/null and no descriptor of ours beyond its two output pipes.
// Waiting is in real time (poll with a deadline); this adapter is the one place that may do so.
class PosixChildProcess final : public platform::ChildProcess {
 public:
  struct Options {
    // Variables set (or replaced) in every child's environment on top of this process's own.
    std::map<std::string, std::string> extraEnvironment;
    // How long a child asked to terminate at the time-out gets before it is killed.
    double terminateGraceSeconds = 1.0;
    // Output kept per stream; anything beyond is still read, so a chatty child never blocks.
    size_t maxCapturedBytes = 16 * 1024 * 1024;
  };

  PosixChildProcess() = default;
  explicit PosixChildProcess(Options options) : options_(std::move(options)) {}

  platform::ChildProcessResult run(const std::string& path, const std::vector<std::string>& arguments,
                                   double timeoutSeconds) override;

 private:
  Options options_;
};

}  // namespace pelko::real
