#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "platform/PlistXml.h"
#include "support/TempFolder.h"

extern char** environ;

namespace pelko::testing {

inline const std::string kPelkoBinary = PELKO_BINARY;

// This process's environment as "name=value" entries, with `overrides` set and `unset` left out.
inline std::vector<std::string> environmentWith(const std::map<std::string, std::string>& overrides,
                                                const std::vector<std::string>& unset = {}) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry; ++entry) {
    std::string text = *entry;
    auto equals = text.find('=');
    if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const auto& [name, value] : overrides) variables[name] = value;
  for (const auto& name : unset) variables.erase(name);
  std::vector<std::string> environment;
  for (const auto& [name, value] : variables) environment.push_back(name + "=" + value);
  return environment;
}

// The null-terminated pointer list posix_spawn takes; valid while `strings` is.
inline std::vector<char*> pointersTo(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (auto& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// A user of their own for each test: home, configuration and runtime folders, and the folder that
// stands in for the Dock, all under one temporary folder removed at the end.
class Sandbox {
 public:
  using Dictionary = platform::PlistValue::Dictionary;

  Sandbox() {
    for (const char* folder : {"home", "config", "run", "dock", "sanitizer-reports"})
      std::filesystem::create_directories(path(folder));
    ::chmod(path("run").c_str(), 0700);
    // Whichever user the launcher makes the program may write its sanitizer's reports here.
    ::chmod(path("sanitizer-reports").c_str(), 01777);
    setDefaults({});
  }
  ~Sandbox() { handOverSanitizerReports(); }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  std::string path(const std::string& name) const { return root_.file(name); }

  // The variables every run of the program gets. The test binary's own report folder, which the
  // sanitizer options it passes on name, is private to the user running the tests: a run as another
  // user writes its reports into the sandbox's folder instead (of two log_path entries the last counts).
  std::map<std::string, std::string> environment() const {
    std::map<std::string, std::string> variables = {
        {"HOME", path("home")},           {"XDG_CONFIG_HOME", path("config")},
        {"XDG_RUNTIME_DIR", path("run")}, {"PELKO_SIM_DOCK_DIR", path("dock")},
        {"QT_QPA_PLATFORM", "offscreen"}, {"PELKO_DEBUG_LOG", "1"}};
    if (!launcher.empty()) {
      for (const char* name : kSanitizerOptions) {
        const char* given = std::getenv(name);
        if (given && *given)
          variables[name] = std::string(given) + ":log_path=" + path("sanitizer-reports/report");
      }
    }
    return variables;
  }

  // The folder the test binary's sanitizer options send the reports of the processes it starts to, which
  // it prints under the test's name after each test (tests/support/TestMain.cpp); empty when they name
  // none.
  static std::string binaryReportFolder() {
    for (const char* name : kSanitizerOptions) {
      const char* given = std::getenv(name);
      const std::string options = given ? given : "";
      const auto at = options.rfind("log_path=");
      if (at == std::string::npos) continue;
      const std::string logPath = options.substr(at + 9, options.find(':', at) - at - 9);
      if (logPath.find('/') != std::string::npos) return std::filesystem::path(logPath).parent_path();
    }
    return {};
  }

  // ---- The program's own defaults file ----
  std::string defaultsFile() const { return path("config/pelko/com.pelko.app.plist"); }
  Dictionary defaults() const { return readPlist(defaultsFile()); }
  // A returning user's file: the first-run guide has been seen unless `values` say otherwise.
  void setDefaults(Dictionary values) const {
    std::filesystem::create_directories(path("config/pelko"));
    values.emplace("PelkoOnboardingComplete", true);
    writePlist(defaultsFile(), values);
  }

  // ---- The simulated Dock ----
  std::string dockDomainFile() const { return path("dock/com.apple.dock.plist"); }
  Dictionary dockDomain() const { return readPlist(dockDomainFile()); }
  void setDockDomain(const Dictionary& values) const { writePlist(dockDomainFile(), values); }
  void clearDockDomain() const { std::filesystem::remove(dockDomainFile()); }
  std::vector<std::string> dockCommands() const { return lines(path("dock/commands.log")); }
  void clearDockCommands() const { std::filesystem::remove(path("dock/commands.log")); }

  static Dictionary readPlist(const std::string& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    if (text.str().empty()) return {};
    auto root = platform::parsePlistXml(text.str());
    return root && root->isDictionary() ? *root->asDictionary() : Dictionary{{"unreadable", true}};
  }
  static void writePlist(const std::string& file, const Dictionary& values) {
    std::ofstream(file) << platform::writePlistXml(platform::PlistValue(values));
  }
  // The command each run starts the program through, its arguments before the program's own path:
  // empty for the program itself; `setpriv` and its options to run it as another user.
  std::vector<std::string> launcher;

  // Runs the program as an ordinary user from now on: this one, or `nobody` when the tests run as root,
  // which reads, makes and searches whatever it likes. Everything in the sandbox becomes theirs.
  ::testing::AssertionResult runAsOrdinaryUser() {
    if (::geteuid() != 0) return ::testing::AssertionSuccess();
    constexpr uid_t kNobody = 65534;
    const std::filesystem::path root = std::filesystem::path(path("")).parent_path();
    if (::lchown(root.c_str(), kNobody, kNobody) != 0)
      return ::testing::AssertionFailure() << "cannot give " << root << " to nobody";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (::lchown(entry.path().c_str(), kNobody, kNobody) != 0)
        return ::testing::AssertionFailure() << "cannot give " << entry.path() << " to nobody";
    }
    launcher = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    return ::testing::AssertionSuccess();
  }

  static std::vector<std::string> lines(const std::string& file) {
    std::vector<std::string> result;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
  }

 private:
  static constexpr const char* kSanitizerOptions[] = {"ASAN_OPTIONS", "TSAN_OPTIONS"};

  // The runs of the program have ended by now (they do not outlive their sandbox): their reports join the
  // test binary's own, which fail it and are printed under the test's name as any other; where there is
  // no such folder, they fail the test here.
  void handOverSanitizerReports() const {
    std::error_code error;
    std::vector<std::filesystem::path> reports;
    for (std::filesystem::directory_iterator entry(path("sanitizer-reports"), error), end;
         !error && entry != end; entry.increment(error))
      reports.push_back(entry->path());
    const std::string folder = binaryReportFolder();
    for (const auto& report : reports) {
      const std::string name = "as-another-user-" + report.filename().string();
      std::error_code moved = std::make_error_code(std::errc::no_such_file_or_directory);
      if (!folder.empty()) std::filesystem::rename(report, folder + "/" + name, moved);
      if (moved)
        ADD_FAILURE() << "a sanitizer report of a run as another user (" << name << "):\n"
                      << readWholeFile(report);
    }
  }

  TempFolder root_;
};

// One run of the `pelko` program, its standard output and error read through one pipe.
class PelkoProcess {
 public:
  struct Ending {
    bool exited = false;  // by exit(); otherwise by a signal
    int status = -1;
    int signal = 0;
  };

  static constexpr double kTimeout = 20.0;
  // How long a run the test left going gets to clean up and exit after SIGTERM before it is killed.
  static constexpr double kEndTimeout = 10.0;

  // `unset` names variables the program must not get at all (the display's, for a run from a console).
  PelkoProcess(const Sandbox& sandbox, std::vector<std::string> arguments = {},
               const std::map<std::string, std::string>& extra = {},
               const std::vector<std::string>& unset = {}) {
    auto variables = sandbox.environment();
    for (const auto& [name, value] : extra) variables[name] = value;
    std::vector<std::string> environment = environmentWith(variables, unset);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);

    std::vector<std::string> argv = sandbox.launcher;
    argv.push_back(kPelkoBinary);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    int error = ::posix_spawn(&pid_, argv.front().c_str(), &actions, nullptr, pointersTo(argv).data(),
                              pointersTo(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    output_fd_ = fds[0];
    if (error != 0) {
      ::close(output_fd_);
      throw std::runtime_error("cannot start " + kPelkoBinary);
    }
  }

  // A run the test left going is ended as a logout ends it, and what it wrote to the end is looked at
  // for undefined behaviour; either trouble fails the test.
  ~PelkoProcess() {
    if (const std::string trouble = end(); !trouble.empty())
      ADD_FAILURE() << "the program " << trouble << "; its output:\n" << output_;
    // A run reaped by isRunning() may still have output in the pipe.
    const auto deadline = Clock::now() + toDuration(kOutputAfterEnding);
    while (readSome(deadline)) {
    }
    if (const std::string report = undefinedBehaviourReport(output_); !report.empty())
      ADD_FAILURE() << "the program reported undefined behaviour:\n" << report;
    if (output_fd_ >= 0) ::close(output_fd_);
  }
  PelkoProcess(const PelkoProcess&) = delete;
  PelkoProcess& operator=(const PelkoProcess&) = delete;

  const std::string& output() const { return output_; }

  // Reads the output until it contains `text`; false when the program ended or the time ran out first.
  bool waitForOutput(const std::string& text, double timeoutSeconds = kTimeout) {
    auto deadline = Clock::now() + toDuration(timeoutSeconds);
    while (output_.find(text) == std::string::npos) {
      if (!readSome(deadline)) return output_.find(text) != std::string::npos;
    }
    return true;
  }
  bool waitUntilReady() { return waitForOutput("AppDelegate: start-up complete"); }

  void signal(int number) { ::kill(pid_, number); }

  // Asks the program to quit as a logout does (SIGTERM) and reads it to its end. Empty when it cleaned
  // up and exited with the signal's number, else how it ended: a sanitizer that reported inside the
  // program makes it exit with a status of its own, so this is where such a report fails the test.
  std::string terminate(double timeoutSeconds = 15) {
    signal(SIGTERM);
    const std::optional<Ending> ending = wait(timeoutSeconds);
    if (!ending) return "did not end within " + std::to_string(timeoutSeconds) + " s of SIGTERM";
    if (!ending->exited) return "ended by signal " + std::to_string(ending->signal);
    if (ending->status != SIGTERM) return "exited with status " + std::to_string(ending->status);
    return "";
  }

  // Ends a run that is still going with SIGTERM, so that the program cleans up and its sanitizer looks
  // for leaks at exit, which SIGKILL would skip; it is killed only when it is still there after
  // `timeoutSeconds`, and the text returned then says so. Empty when it had already ended or ended in
  // time, however it did.
  std::string end(double timeoutSeconds = kEndTimeout) {
    if (ending_) return "";
    signal(SIGTERM);
    if (wait(timeoutSeconds)) return "";
    ::kill(pid_, SIGKILL);
    if (!wait(kOutputAfterEnding)) {
      int status;
      if (::waitpid(pid_, &status, 0) == pid_) recordEnding(status);
    }
    std::ostringstream trouble;
    trouble << "did not end within " << timeoutSeconds << " s of SIGTERM and was killed";
    return trouble.str();
  }

  // The lines of `output` with UndefinedBehaviorSanitizer reports, the program's own and those of the
  // tools it ran; empty when there are none. That sanitizer writes to standard error whatever log_path
  // says, so the output is the one place such a report shows, and the run it stops may be one the test
  // expects to fail.
  static std::string undefinedBehaviourReport(const std::string& output) {
    std::string report;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
      if (line.find("runtime error:") != std::string::npos) report += line + "\n";
    return report;
  }
  pid_t pid() const { return pid_; }

  // Whether the program still runs (it has not been reaped by wait()).
  bool isRunning() {
    if (ending_) return false;
    int status;
    pid_t result = ::waitpid(pid_, &status, WNOHANG);
    if (result == pid_) {
      recordEnding(status);
      return false;
    }
    return result == 0;
  }

  // Reads the output to its end and reaps the program; nothing when it did not end in time (it is then
  // killed).
  std::optional<Ending> wait(double timeoutSeconds = kTimeout) {
    if (ending_) return ending_;
    auto deadline = Clock::now() + toDuration(timeoutSeconds);
    while (readSome(deadline)) {
    }
    // Never a waitpid that blocks: the poll may give up a fraction of a millisecond before the deadline,
    // and a program that is still there, stopped even, would then be waited for without end.
    do {
      int status;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        recordEnding(status);
        return ending_;
      }
    } while (Clock::now() < deadline && ::poll(nullptr, 0, 10) == 0);
    return std::nullopt;
  }

 private:
  using Clock = std::chrono::steady_clock;
  // How long the output of a run that has ended is still read: a process it started may hold the pipe.
  static constexpr double kOutputAfterEnding = 2.0;
  static Clock::duration toDuration(double seconds) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  }

  // One read of the output; false at its end or at the deadline.
  bool readSome(Clock::time_point deadline) {
    if (output_fd_ < 0) return false;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd entry{output_fd_, POLLIN, 0};
    int ready = ::poll(&entry, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) return true;
    if (ready <= 0) return false;
    char buffer[4096];
    ssize_t count = ::read(output_fd_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) return true;
    if (count <= 0) {
      ::close(output_fd_);
      output_fd_ = -1;
      return false;
    }
    output_.append(buffer, static_cast<size_t>(count));
    return true;
  }

  void recordEnding(int status) {
    Ending ending;
    ending.exited = WIFEXITED(status);
    ending.status = ending.exited ? WEXITSTATUS(status) : -1;
    ending.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    ending_ = ending;
  }

  pid_t pid_ = -1;
  int output_fd_ = -1;
  std::string output_;
  std::optional<Ending> ending_;
};

// That `process` ends by exiting with `status`, within its time; its output when it does not.
inline ::testing::AssertionResult endsWith(PelkoProcess& process, int status) {
  auto ending = process.wait();
  if (!ending) return ::testing::AssertionFailure() << "did not end in time; output:\n" << process.output();
  if (!ending->exited || ending->status != status) {
    return ::testing::AssertionFailure() << (ending->exited ? "exit status " + std::to_string(ending->status)
                                                            : "signal " + std::to_string(ending->signal))
                                         << "; output:\n"
                                         << process.output();
  }
  return ::testing::AssertionSuccess();
}

// Start-up hides the Dock on a background queue after it reports itself complete; the hide's last step
// is the Dock's restart. Signals sent before it would race the hide.
inline ::testing::AssertionResult waitForTheHide(PelkoProcess& process, const Sandbox& sandbox) {
  for (int i = 0; i < 2000; ++i) {
    auto commands = sandbox.dockCommands();
    if (!commands.empty() && commands.back() == "killall Dock") return ::testing::AssertionSuccess();
    process.waitForOutput("(no such line)", 0.01);  // keeps the output flowing while waiting
  }
  return ::testing::AssertionFailure() << "the Dock was not hidden; output:\n" << process.output();
}

}  // namespace pelko::testing
