#include "platform/real/PosixChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

extern char** environ;

namespace pelko::real {

using platform::ChildProcessResult;

namespace {

using Clock = std::chrono::steady_clock;

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// Keeps a pipe end off descriptors 0 to 2: a dup2 onto the same number would keep its close-on-exec
// flag, and the child would lose that stream.
bool moveAboveStandardStreams(int& fd) {
  if (fd > 2) return true;
  int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (moved < 0) return false;
  ::close(fd);
  fd = moved;
  return true;
}

struct Pipe {
  UniqueFd readEnd;
  UniqueFd writeEnd;
};

int makePipe(Pipe& pipe) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return errno;
  if (!moveAboveStandardStreams(fds[0]) || !moveAboveStandardStreams(fds[1])) {
    int error = errno;
    ::close(fds[0]);
    ::close(fds[1]);
    return error;
  }
  pipe.readEnd.reset(fds[0]);
  pipe.writeEnd.reset(fds[1]);
  return 0;
}

std::vector<std::string> buildEnvironment(const std::map<std::string, std::string>& extra) {
  std::vector<std::string> result;
  for (char** entry = environ; entry && *entry; ++entry) {
    std::string_view text(*entry);
    auto equals = text.find('=');
    std::string name(text.substr(0, equals));
    if (!extra.count(name)) result.emplace_back(text);
  }
  for (const auto& [name, value] : extra) result.push_back(name + "=" + value);
  return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  result.reserve(strings.size() + 1);
  for (auto& s : strings) result.push_back(s.data());
  result.push_back(nullptr);
  return result;
}

class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attributes_);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  int prepare(int stdoutFd, int stderrFd) {
    int rc = posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (rc == 0) rc = posix_spawn_file_actions_adddup2(&actions_, stdoutFd, STDOUT_FILENO);
    if (rc == 0) rc = posix_spawn_file_actions_adddup2(&actions_, stderrFd, STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Descriptors opened elsewhere without close-on-exec must not leak into the tool either.
    if (rc == 0) rc = posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
#endif
    if (rc != 0) return rc;

    // Whatever this process blocks or ignores (a shell ignores SIGINT for background jobs, the
    // application ignores SIGTERM to handle it on the main queue), the tool starts clean.
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    rc = posix_spawnattr_setsigmask(&attributes_, &none);
    if (rc == 0) rc = posix_spawnattr_setsigdefault(&attributes_, &all);
    if (rc == 0) rc = posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    return rc;
  }

  const posix_spawn_file_actions_t* actions() const {
    return &actions_;
  }
  const posix_spawnattr_t* attributes() const {
    return &attributes_;
  }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
};

// One output stream of the child, read without blocking until it reports end of file.
class Capture {
 public:
  Capture(UniqueFd& fd, std::string& sink, size_t limit, bool& truncated)
      : fd_(fd), sink_(sink), limit_(limit), truncated_(truncated) {}

  bool open() const { return fd_.valid(); }
  int fd() const { return fd_.get(); }

  // Reads what is available now; closes the descriptor at end of file or on a hard error.
  void drain() {
    char buffer[65536];
    while (fd_.valid()) {
      ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
      if (n > 0) {
        size_t room = sink_.size() < limit_ ? limit_ - sink_.size() : 0;
        size_t kept = std::min(room, static_cast<size_t>(n));
        sink_.append(buffer, kept);
        if (kept < static_cast<size_t>(n)) truncated_ = true;
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      fd_.reset();  // end of file, or an error that reading again will not cure
    }
  }

 private:
  UniqueFd& fd_;
  std::string& sink_;
  size_t limit_;
  bool& truncated_;
};

int openPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  long fd = ::syscall(SYS_pidfd_open, pid, 0);
  return fd < 0 ? -1 : static_cast<int>(fd);
#else
  (void)pid;
  return -1;
#endif
}

int millisecondsUntil(Clock::time_point deadline, Clock::time_point now) {
  if (deadline <= now) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
  return static_cast<int>(std::min<int64_t>(ms, 60'000));
}

Clock::time_point deadlineAfter(Clock::time_point start, double seconds) {
  if (std::isnan(seconds) || seconds <= 0) return start;
  if (seconds > 1e9) return Clock::time_point::max();
  return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

#if defined(__SANITIZE_ADDRESS__)
// The AddressSanitizer build also stops at the first undefined behaviour, but UndefinedBehaviorSanitizer
// writes its report to standard error whatever log_path says, and the tool's failure that follows may be
// one its caller expects and handles. A tool's report therefore stops this process as well, with the
// report on its own standard error, where its own such report would go.
void haltOnUndefinedBehaviour(const std::string& path, const ChildProcessResult& result) {
  constexpr std::string_view kReport = "runtime error:";
  for (const std::string* stream : {&result.standardError, &result.standardOutput}) {
    if (stream->find(kReport) == std::string::npos) continue;
    std::fprintf(stderr, "PosixChildProcess: %s reported undefined behaviour:\n%s\n", path.c_str(),
                 stream->c_str());
    std::fflush(stderr);
    std::_Exit(1);
  }
}
#endif

}  // namespace

ChildProcessResult PosixChildProcess::run(const std::string& path, const std::vector<std::string>& arguments,
                                          double timeoutSeconds) {
  ChildProcessResult result;

  Pipe out;
  Pipe err;
  if (int error = makePipe(out); error != 0) {
    result.launchError = error;
    return result;
  }
  if (int error = makePipe(err); error != 0) {
    result.launchError = error;
    return result;
  }

  SpawnSetup setup;
  if (int error = setup.prepare(out.writeEnd.get(), err.writeEnd.get()); error != 0) {
    result.launchError = error;
    return result;
  }

  std::vector<std::string> argvStrings;
  argvStrings.reserve(arguments.size() + 1);
  argvStrings.push_back(path);
  argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
  auto argv = pointers(argvStrings);
  std::vector<std::string> envStrings = buildEnvironment(options_.extraEnvironment);
  auto envp = pointers(envStrings);

  pid_t pid = -1;
  int spawnError =
      ::posix_spawn(&pid, path.c_str(), setup.actions(), setup.attributes(), argv.data(), envp.data());
  out.writeEnd.reset();
  err.writeEnd.reset();
  if (spawnError != 0) {
    result.launchError = spawnError;
    return result;
  }

  ::fcntl(out.readEnd.get(), F_SETFL, ::fcntl(out.readEnd.get(), F_GETFL) | O_NONBLOCK);
  ::fcntl(err.readEnd.get(), F_SETFL, ::fcntl(err.readEnd.get(), F_GETFL) | O_NONBLOCK);
  Capture stdoutCapture(out.readEnd, result.standardOutput, options_.maxCapturedBytes,
                        result.outputTruncated);
  Capture stderrCapture(err.readEnd, result.standardError, options_.maxCapturedBytes, result.outputTruncated);
  UniqueFd pidFd(openPidFd(pid));

  const auto start = Clock::now();
  const auto deadline = deadlineAfter(start, timeoutSeconds);
  std::optional<Clock::time_point> killDeadline;
  bool killSent = false;
  int status = 0;
  bool reaped = false;
  bool statusKnown = true;

  while (!reaped) {
    pid_t waited = ::waitpid(pid, &status, WNOHANG);
    if (waited == pid) {
      reaped = true;
      break;
    }
    if (waited < 0 && errno != EINTR) {
      // Someone else reaped it (SIGCHLD ignored in this process): it is gone, its status unknown.
      reaped = true;
      statusKnown = false;
      break;
    }

    auto now = Clock::now();
    if (!result.timedOut && now >= deadline) {
      result.timedOut = true;
      ::kill(pid, SIGTERM);
      killDeadline = deadlineAfter(now, options_.terminateGraceSeconds);
    }
    if (result.timedOut && !killSent && now >= *killDeadline) {
      killSent = true;
      ::kill(pid, SIGKILL);
    }

    pollfd fds[3];
    nfds_t count = 0;
    if (stdoutCapture.open()) fds[count++] = {stdoutCapture.fd(), POLLIN, 0};
    if (stderrCapture.open()) fds[count++] = {stderrCapture.fd(), POLLIN, 0};
    if (pidFd.valid()) fds[count++] = {pidFd.get(), POLLIN, 0};

    // Without a process descriptor the child's end is noticed by looking again every few ms.
    int timeoutMs = pidFd.valid() ? 60'000 : 10;
    if (!result.timedOut)
      timeoutMs = std::min(timeoutMs, millisecondsUntil(deadline, now));
    else if (!killSent)
      timeoutMs = std::min(timeoutMs, millisecondsUntil(*killDeadline, now));

    int ready = ::poll(fds, count, timeoutMs);
    if (ready < 0 && errno != EINTR) {
      // poll itself failing is not expected; fall back to short sleeps rather than spin.
      ::poll(nullptr, 0, 10);
    }
    stdoutCapture.drain();
    stderrCapture.drain();
  }

  // The child is gone, so everything it wrote is in the pipes' buffers; a grandchild that kept the
  // pipes open is not waited for.
  stdoutCapture.drain();
  stderrCapture.drain();

  if (!statusKnown) {
    result.termination = ChildProcessResult::Termination::exited;
    result.exitStatus = -1;
  } else if (WIFEXITED(status)) {
    result.termination = ChildProcessResult::Termination::exited;
    result.exitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.termination = ChildProcessResult::Termination::signaled;
    result.signal = WTERMSIG(status);
  }
#if defined(__SANITIZE_ADDRESS__)
  haltOnUndefinedBehaviour(path, result);
#endif
  return result;
}

}  // namespace pelko::real
