#pragma once

// An X server of the test's own on a free display, and the helper programs a test starts beside the
// program (the server itself, a window manager, a session bus), each ended by its own process id.

#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

// A program the test starts (the X server, the window manager, the test's own status-notifier watcher);
// it is ended by its own process id. Its standard output is discarded, or kept to be read line by line;
// its standard error is discarded, or written to the file `errors` names.
//
// A program of others (the X server, the window manager, the buses) is ended with SIGTERM and, when it is
// still there after 2 s, SIGKILL; how it ended is nobody's business but its own. A program of ours (one
// this project builds) is held to what the program's own runs are: its standard error, its sanitizer's
// reports included, goes to a file (one of its own when `errors` names none); it is ended with SIGTERM
// and must exit with status 0 in time, and without a report there; anything else fails the test when
// it is stopped. SIGKILL would skip the leak check at exit, so it is only the last resort.
class Helper {
 public:
  enum class Output { discarded, read };
  enum class Origin { others, ours };

  // How long a program of ours gets to exit after SIGTERM, its sanitizer's leak check included.
  static constexpr double kEndTimeout = 10.0;

  Helper(const std::string& path, std::vector<std::string> arguments,
         const std::map<std::string, std::string>& overrides, Output output = Output::discarded,
         const std::string& errors = "", Origin origin = Origin::others)
      : path_(path), origin_(origin), errors_(errors) {
    std::map<std::string, std::string> variables = overrides;
    if (origin == Origin::ours) {
      if (errors_.empty()) {
        ownErrors_ = std::make_unique<TempFolder>();
        errors_ = ownErrors_->file("errors.log");
      }
      // The test binary sends its children's sanitizer reports to a folder of its own, read only after
      // the test; this program's go to its standard error, read by the test that stops it. Of two
      // log_path entries the last counts.
      for (const char* name : {"ASAN_OPTIONS", "TSAN_OPTIONS"}) {
        const char* given = std::getenv(name);
        std::string options = variables.count(name) ? variables[name] : given ? given : "";
        variables[name] = (options.empty() ? "" : options + ":") + "log_path=stderr";
      }
    }
    std::vector<std::string> environment = environmentWith(variables);
    arguments.insert(arguments.begin(), path);
    int fds[2] = {-1, -1};
    if (output == Output::read && ::pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2}) {
      if (fd == 1 && fds[1] >= 0)
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
      else if (fd == 2 && !errors_.empty())
        posix_spawn_file_actions_addopen(&actions, 2, errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      else
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    }
    if (::posix_spawn(&pid_, path.c_str(), &actions, nullptr, pointersTo(arguments).data(),
                      pointersTo(environment).data()) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (fds[1] >= 0) ::close(fds[1]);
    out_ = fds[0];
  }
  ~Helper() {
    stop();
    if (out_ >= 0) ::close(out_);
  }
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;

  // The next line of output; nothing at its end or when `seconds` pass first.
  std::optional<std::string> readLine(double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    while (buffer_.find('\n') == std::string::npos) {
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (out_ < 0 || left.count() <= 0) return std::nullopt;
      pollfd entry{out_, POLLIN, 0};
      if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0) continue;
      char chunk[4096];
      ssize_t count = ::read(out_, chunk, sizeof chunk);
      if (count <= 0) {
        ::close(out_);
        out_ = -1;
        break;
      }
      buffer_.append(chunk, static_cast<size_t>(count));
    }
    auto end = buffer_.find('\n');
    if (end == std::string::npos) return std::nullopt;
    std::string line = buffer_.substr(0, end);
    buffer_.erase(0, end + 1);
    return line;
  }

  bool isRunning() { return pid_ > 0 && !reaped(); }

  // Ends the program. One of ours that did not end as it should fails the test, saying how it ended and
  // what it wrote to its standard error.
  void stop() {
    if (origin_ == Origin::ours) {
      if (const std::string trouble = end(); !trouble.empty()) ADD_FAILURE() << trouble;
      return;
    }
    if (pid_ <= 0 || reaped()) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 200 && !reaped(); ++i) ::usleep(10000);
    if (!reaped()) {
      ::kill(pid_, SIGKILL);
      waitFor(-1);
    }
  }

  // Ends the program with SIGTERM (SIGKILL when it is still there after `timeoutSeconds`) unless it has
  // ended already, and says what was wrong with its ending: empty when it exited with status 0 and its
  // standard error holds no sanitizer report, else how it ended, with that standard error. Asked again,
  // it says nothing more.
  std::string end(double timeoutSeconds = kEndTimeout) {
    if (pid_ <= 0 && !status_) return "";
    std::ostringstream trouble;
    if (pid_ > 0 && !reaped()) {
      ::kill(pid_, SIGTERM);
      if (!waitFor(timeoutSeconds)) {
        ::kill(pid_, SIGKILL);
        waitFor(-1);
        trouble << "did not end within " << timeoutSeconds << " s of SIGTERM and was killed";
      }
    }
    const int status = status_.value_or(0);
    status_.reset();
    const bool killedByUs = !trouble.str().empty();
    if (!killedByUs && WIFSIGNALED(status)) trouble << "was ended by signal " << WTERMSIG(status);
    if (!killedByUs && WIFEXITED(status) && WEXITSTATUS(status) != 0)
      trouble << "exited with status " << WEXITSTATUS(status);
    const std::string errors = errors_.empty() ? "" : readWholeFile(errors_);
    if (trouble.str().empty() && hasSanitizerReport(errors)) trouble << "reported a sanitizer error";
    if (trouble.str().empty()) return "";
    return path_ + " " + trouble.str() + "; its standard error:\n" + errors;
  }

  // Whether `errors` holds a report of AddressSanitizer, LeakSanitizer, ThreadSanitizer or
  // UndefinedBehaviorSanitizer.
  static bool hasSanitizerReport(const std::string& errors) {
    for (const char* mark :
         {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "WARNING: ThreadSanitizer", "runtime error:"})
      if (errors.find(mark) != std::string::npos) return true;
    return false;
  }

 private:
  // Whether the program has ended; its ending is kept for end().
  bool reaped() {
    if (pid_ <= 0) return true;
    int status = 0;
    const pid_t result = ::waitpid(pid_, &status, WNOHANG);
    if (result == 0 || (result < 0 && errno == EINTR)) return false;
    if (result == pid_) status_ = status;  // else it is not ours to wait for: nothing to tell
    pid_ = -1;
    return true;
  }
  // Waits up to `seconds` (without end when negative) for the program to end; whether it did.
  bool waitFor(double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    while (!reaped()) {
      if (seconds >= 0 && std::chrono::steady_clock::now() >= deadline) return false;
      ::usleep(10000);
    }
    return true;
  }

  std::string path_;
  Origin origin_;
  std::string errors_;
  std::unique_ptr<TempFolder> ownErrors_;
  pid_t pid_ = -1;
  std::optional<int> status_;  // how it ended, once reaped and until end() has looked at it
  int out_ = -1;
  std::string buffer_;
};

// A session bus of the test's own, as dbus-run-session starts one; ended with the object.
class SessionBus {
 public:
  SessionBus() {
    const std::string daemon = findProgram("dbus-daemon");
    if (daemon.empty()) return;
    daemon_ = std::make_unique<Helper>(daemon,
                                       std::vector<std::string>{"--session", "--nofork", "--print-address=1"},
                                       std::map<std::string, std::string>{}, Helper::Output::read);
    if (auto address = daemon_->readLine(5)) address_ = *address;
  }
  // Empty when the bus did not start.
  const std::string& address() const { return address_; }

 private:
  std::unique_ptr<Helper> daemon_;
  std::string address_;
};

// Runs a shell command line against `display` to its end; its standard output.
inline std::string runOnDisplay(const std::string& display, const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(("DISPLAY=" + display + " " + command + " 2>/dev/null").c_str(), "r")) {
    char chunk[4096];
    for (size_t count; (count = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, count);
    ::pclose(pipe);
  }
  return output;
}

// A connection to the X server on `display`; check it with xcb_connection_has_error(). Connecting reads
// the X authority file through a static buffer of the X library, so threads connect one at a time.
inline xcb_connection_t* connectToDisplay(const std::string& display) {
  static std::mutex connecting;
  std::lock_guard<std::mutex> lock(connecting);
  return xcb_connect(display.c_str(), nullptr);
}

// The atom named `name` on the X server `connection` talks to; none when the server does not answer.
inline xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
  auto* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  xcb_atom_t result = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return result;
}

// Whether a window manager has taken `display`'s screen: it names its check window on the root window. The
// look is made by a program of its own with a time limit, since a display that is not served yet can keep
// a connection waiting.
inline bool hasWindowManager(const std::string& display) {
  return runOnDisplay(display, "timeout 2 xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") !=
         std::string::npos;
}

// Whether the window manager on `display` maps a window of the test's own within `seconds`. Its check
// window on the root is not enough: openbox names it tens of milliseconds before it handles map requests,
// and a window whose map was asked for in between is never shown. A probe window that was not mapped
// within a second is given up for a new one; the one that was is destroyed again. (With no window manager
// at all the server maps it at once: this says something only once hasWindowManager() holds.)
inline bool windowManagerMapsWindows(const std::string& display, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
  xcb_connection_t* connection = connectToDisplay(display);
  bool mapped = false;
  if (!xcb_connection_has_error(connection)) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const int fd = xcb_get_file_descriptor(connection);
    while (!mapped && std::chrono::steady_clock::now() < deadline) {
      const xcb_window_t probe = xcb_generate_id(connection);
      const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
      xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 1, 1, 0,
                        XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &mask);
      xcb_map_window(connection, probe);
      xcb_flush(connection);
      const auto giveUp = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::seconds(1));
      while (!mapped && std::chrono::steady_clock::now() < giveUp && !xcb_connection_has_error(connection)) {
        pollfd entry{fd, POLLIN, 0};
        ::poll(&entry, 1, 10);
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
          mapped = mapped || ((event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                              reinterpret_cast<xcb_map_notify_event_t*>(event)->window == probe);
          std::free(event);
        }
      }
      xcb_destroy_window(connection, probe);
      xcb_flush(connection);
    }
  }
  xcb_disconnect(connection);
  return mapped;
}

// The window manager on `display`, with a home of the test's own so no user's settings are read, once it
// has taken the screen and maps windows, or 10 s have passed; none when `program` is empty. What it says
// on standard error goes to window-manager.log in that home, for windowManagerTrouble() to show.
inline std::unique_ptr<Helper> startWindowManager(const std::string& program, const std::string& display,
                                                  const std::string& home) {
  if (program.empty()) return nullptr;
  auto manager =
      std::make_unique<Helper>(program, std::vector<std::string>{},
                               std::map<std::string, std::string>{{"DISPLAY", display}, {"HOME", home}},
                               Helper::Output::discarded, home + "/window-manager.log");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (manager->isRunning() && !hasWindowManager(display) && std::chrono::steady_clock::now() < deadline)
    ::usleep(50 * 1000);
  const double left = std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
  if (manager->isRunning() && left > 0) windowManagerMapsWindows(display, left);
  return manager;
}

// Empty when the window manager `startWindowManager` gave runs, has taken `display`'s screen and maps
// windows; else which of these failed, and what it said.
inline std::string windowManagerTrouble(Helper& manager, const std::string& display,
                                        const std::string& home) {
  const char* trouble = !manager.isRunning()                    ? "has ended"
                        : !hasWindowManager(display)            ? "has not taken the screen"
                        : !windowManagerMapsWindows(display, 2) ? "does not map windows"
                                                                : nullptr;
  if (!trouble) return "";
  return std::string("the window manager ") + trouble + "; it said:\n" +
         readWholeFile(home + "/window-manager.log");
}

inline std::string xdotool(const std::string& display, const std::string& arguments) {
  return runOnDisplay(display, "xdotool " + arguments);
}

// A window's place and size on the screen, as xdotool reports them.
struct WindowGeometry {
  int x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const WindowGeometry&, const WindowGeometry&) = default;
};

// The visible windows `search` (xdotool's search options, e.g. "--classname pelko") finds.
inline std::vector<WindowGeometry> visibleWindows(const std::string& display, const std::string& search) {
  std::vector<WindowGeometry> windows;
  std::stringstream lines(
      xdotool(display, "search --onlyvisible " + search + " getwindowgeometry --shell %@"));
  for (std::string line; std::getline(lines, line);) {
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = line.substr(0, equals);
    const int value = std::atoi(line.c_str() + equals + 1);
    if (name == "WINDOW") windows.emplace_back();
    if (windows.empty()) continue;
    if (name == "X") windows.back().x = value;
    if (name == "Y") windows.back().y = value;
    if (name == "WIDTH") windows.back().width = value;
    if (name == "HEIGHT") windows.back().height = value;
  }
  return windows;
}

// Looks at `condition` every 0.05 s until it holds or `seconds` have passed, reading the program's output
// meanwhile; whether it held.
inline bool waitUntil(PelkoProcess& pelko, const std::function<bool()>& condition, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    pelko.waitForOutput("(a line that never comes)", 0.05);
  }
  return true;
}

// An X server on a display number nobody else uses. The server picks the number itself, the first one
// whose sockets it can take, and writes it out once it accepts connections: tests checking for a free
// number and then starting a server could both believe they own a number when they run side by side.
// What it says on standard error is kept for a failed test to show.
//
// By default an X server resets whenever its last client leaves, and the reset closes every client still
// in its handshake: a probe of the display ending just as the window manager or the program connects
// (about one client in a hundred on a loaded machine) left that one with its connection reset by the
// server. This one never resets.
class XServer {
 public:
  // `screen` is the screen's size and depth, as "1280x800x24".
  explicit XServer(const std::string& program, const std::string& screen = "1280x800x24") {
    server_ = std::make_unique<Helper>(
        program,
        std::vector<std::string>{"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"},
        std::map<std::string, std::string>{}, Helper::Output::read, log_.file("server.log"));
    if (auto number = server_->readLine(10); number && !number->empty() && server_->isRunning())
      named_ = ":" + *number;
    // The test begins once a client has got through.
    if (!named_.empty() && acceptsClients(10)) display_ = named_;
  }
  // Empty when no server came up, or none that clients reach.
  const std::string& display() const { return display_; }

  // Whether it runs, and what it has said, for a failure message.
  std::string describe() {
    std::string text = std::string("the X server on ") + (named_.empty() ? "no display" : named_) + " " +
                       (server_->isRunning() ? "runs" : "has ended") + "; it said:\n" +
                       readWholeFile(log_.file("server.log"));
    if (named_.empty()) return text;
    // Whether a client reaches it now (else why not, as the X library says), and the sockets it is
    // reached through.
    const std::string socket = "/tmp/.X11-unix/X" + named_.substr(1);
    const std::string refusal = runOnDisplay(named_, "xdpyinfo 2>&1 >/dev/null | head -3");
    return text + "a client now: " + (refusal.empty() ? "connects\n" : "does not connect:\n" + refusal) +
           "its sockets:\n" +
           runOnDisplay(named_, "grep -a '" + socket + "$' /proc/net/unix; ls -l " + socket);
  }

 private:
  // Whether a client gets through within `seconds`.
  bool acceptsClients(double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    for (;;) {
      xcb_connection_t* connection = connectToDisplay(named_);
      const bool connected = !xcb_connection_has_error(connection);
      xcb_disconnect(connection);
      if (connected) return true;
      if (std::chrono::steady_clock::now() >= deadline || !server_->isRunning()) return false;
      ::usleep(50000);
    }
  }

  TempFolder log_;
  std::unique_ptr<Helper> server_;
  std::string named_;    // the display the server named
  std::string display_;  // the same, once a client has reached it
};

}  // namespace pelko::testing
