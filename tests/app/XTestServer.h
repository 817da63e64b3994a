#pragma once

// An X server of the test's own on a free display, and the helper programs a test starts beside the
// program (the server itself, a window manager), each ended by its own process id.

#include <unistd.h>

#include <atomic>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "PelkoProcess.h"

namespace pelko::testing {

inline std::string findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    std::string candidate = folder + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

inline bool exists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

// A program the test starts (the X server, the window manager); it is ended by its own process id.
class Helper {
 public:
  Helper(const std::string& path, std::vector<std::string> arguments,
         const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> environment = environmentWith(overrides);
    arguments.insert(arguments.begin(), path);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2}) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    if (::posix_spawn(&pid_, path.c_str(), &actions, nullptr, pointersTo(arguments).data(),
                      pointersTo(environment).data()) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Helper() { stop(); }
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;

  bool isRunning() {
    if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;  // ended and reaped
    return pid_ > 0;
  }

  void stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 200 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i) ::usleep(10000);
    if (::waitpid(pid_, nullptr, WNOHANG) == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

// An X server on a display number nobody else uses: no socket and no lock file for it, and the server
// came up on it (another process may take a number between the check and the start).
class XServer {
 public:
  explicit XServer(const std::string& program) {
    static std::atomic<int> next{200 + ::getpid() % 500};
    for (int attempt = 0; attempt < 20 && display_.empty(); ++attempt) {
      int number = next++;
      std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
      if (exists(socket) || exists("/tmp/.X" + std::to_string(number) + "-lock")) continue;
      auto server = std::make_unique<Helper>(program,
                                             std::vector<std::string>{":" + std::to_string(number), "-screen",
                                                                      "0", "1280x800x24", "-nolisten", "tcp"},
                                             std::map<std::string, std::string>{});
      for (int i = 0; i < 500 && server->isRunning() && !exists(socket); ++i) ::usleep(10000);
      if (!exists(socket) || !server->isRunning()) continue;
      server_ = std::move(server);
      display_ = ":" + std::to_string(number);
    }
  }
  const std::string& display() const { return display_; }

 private:
  std::unique_ptr<Helper> server_;
  std::string display_;
};

}  // namespace pelko::testing
