#pragma once

// The fixture of the end-to-end tests that run the program on an X server of their own with a window
// manager, and what those tests do to the desktop through it: move and click the real pointer, look for
// the program's windows, wait for something to show, save the screen for a person to look at.
//
// What a test has:
//   sandbox, server, windowManager, pelko      the user, the X server, openbox, the program once started
//   programEnvironment(extra)                  the variables that put a program on the display (xcb);
//                                              a fixture that adds a bus or a desktop overrides it
//   startPelko(extra)                          starts the program in `pelko` with those variables
//   writeScenario(json)                        the simulated world's scenario file; its path
//   pause(s), waitUntil(condition, s)          lets the program run; looks every 0.05 s until it holds
//   waitUntilSettled(look, s)                  what look() finds once two looks find it in one place
//   programWindowIds()                         the X ids of the program's windows, shown or not
//   programHasCaughtUp(s)                      whether the program has handled what was done before
//   holdsUntilLines(holds, line, n, s)         that holds() stays true until the program writes a line n
//                                              more times: nothing happens over a stretch of its time
//   movePointer(x, y), clickAt(x, y, button)   the real pointer; clickAt waits for the pointer to arrive
//   windows()                                  the program's visible windows (xdotool, class "pelko")
//   waitForWindow(matches, s, present)         a visible window of the program that matches, or none
//   windowNamed(title), waitForWindowNamed     the id of the visible window with exactly that title
//   activeWindow()                             the id of the window manager's active window
//   bottomBar(), waitForBottomBar(state, s)    the bar along the bottom edge: shown, hidden or none
//   screenshot(name)                           the whole screen as a PNG in the build's artifacts folder
//   recordUrlHandler(), waitForUrlsOpened(s)   a stand-in for xdg-open that notes what it was asked
// Window ids are xdotool's decimal numbers as text, empty when there is no such window.

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "PelkoProcess.h"
#include "XConnection.h"
#include "XTestServer.h"

namespace pelko::testing {

// The path of `name` in the build's artifacts folder, where tests leave pictures for a person to look at.
inline std::string artifactPath(const std::string& name) {
  const auto folder = std::filesystem::read_symlink("/proc/self/exe").parent_path() / ".." / "artifacts";
  std::filesystem::create_directories(folder);
  return (folder / name).string();
}

// The visible windows of the program on `display`.
inline std::vector<WindowGeometry> programWindows(const std::string& display) {
  return visibleWindows(display, "--classname pelko");
}

// The variables that put a program on `display` and the session bus at `busAddress` with no desktop of
// its own around it: Qt's plain platform theme, and no desktop's status area to look for.
inline std::map<std::string, std::string> bareDesktopEnvironment(const std::string& display,
                                                                 const std::string& busAddress) {
  return {{"DISPLAY", display},
          {"QT_QPA_PLATFORM", "xcb"},
          {"DBUS_SESSION_BUS_ADDRESS", busAddress},
          {"XDG_CURRENT_DESKTOP", ""},
          {"QT_QPA_PLATFORMTHEME", ""}};
}

// A test of the running program on an X server of its own with a window manager; skipped where Xvfb,
// openbox or xdotool are missing. The program it starts in `pelko` is ended at the end.
class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string xvfb = findProgram("Xvfb"), openbox = findProgram("openbox");
    if (xvfb.empty() || openbox.empty() || findProgram("xdotool").empty())
      GTEST_SKIP() << "needs Xvfb, openbox and xdotool (scripts/install-deps.sh)";
    server = std::make_unique<XServer>(xvfb, screenSize);
    ASSERT_FALSE(server->display().empty()) << "no X server came up on a free display\n"
                                            << server->describe();
    windowManager = startWindowManager(openbox, server->display(), sandbox.path("home"));
    ASSERT_EQ(windowManagerTrouble(*windowManager, server->display(), sandbox.path("home")), "")
        << server->describe();
  }
  void TearDown() override { stop(); }
  // Ends the program, which must exit cleanly; when the test failed, its output is printed.
  void stop() {
    if (!pelko) return;
    EXPECT_EQ(pelko->terminate(), "") << "the program did not end cleanly";
    if (HasFailure()) {
      std::printf("---- the program's output ----\n%s\n----\n", pelko->output().c_str());
      if (server) std::printf("---- %s----\n", server->describe().c_str());
    }
    pelko.reset();
  }

  // The variables that put a program on this display, with `extra` set over them.
  virtual std::map<std::string, std::string> programEnvironment(
      const std::map<std::string, std::string>& extra = {}) const {
    std::map<std::string, std::string> variables{{"DISPLAY", server->display()}, {"QT_QPA_PLATFORM", "xcb"}};
    for (const auto& [name, value] : extra) variables[name] = value;
    return variables;
  }
  void startPelko(const std::map<std::string, std::string>& extra = {}) {
    pelko = std::make_unique<PelkoProcess>(sandbox, std::vector<std::string>{}, programEnvironment(extra));
  }
  // Writes the simulated world's scenario to the sandbox; the path PELKO_SCENARIO takes.
  std::string writeScenario(const std::string& json) {
    const std::string scenario = sandbox.path("scenario.json");
    std::ofstream(scenario) << json;
    return scenario;
  }

  // Lets the program run for a stretch of time while its output keeps being read.
  void pause(double seconds) { pelko->waitForOutput("(a line that never comes)", seconds); }
  // Looks at `condition` every 0.05 s until it holds or `seconds` have passed; whether it held.
  bool waitUntil(const std::function<bool()>& condition, double seconds) {
    return pelko::testing::waitUntil(*pelko, condition, seconds);
  }

  // What `look` finds (an optional widget or window with x, y, width and height) once two looks in a row
  // find it in the same place at the same size; none when it has not settled within `seconds`. The bar
  // lays its buttons out again as it comes up: a pointer put on a button before then may rest on another
  // one, or on none.
  template <typename Look>
  auto waitUntilSettled(const Look& look, double seconds) -> decltype(look()) {
    decltype(look()) previous;
    const bool settled = waitUntil(
        [&] {
          auto found = look();
          const bool same = found && previous && found->x == previous->x && found->y == previous->y &&
                            found->width == previous->width && found->height == previous->height;
          previous = std::move(found);
          return same;
        },
        seconds);
    return settled ? previous : decltype(look()){};
  }

  // The X ids of the program's windows, shown or not.
  std::vector<xcb_window_t> programWindowIds() const {
    std::vector<xcb_window_t> ids;
    std::stringstream found(xdotool(server->display(), "search --classname pelko"));
    for (std::string id; found >> id;) ids.push_back(static_cast<xcb_window_t>(std::stoul(id)));
    return ids;
  }
  // Whether the program has handled, within `seconds`, what was done on the display before this call
  // (the pointer moved, a click, a key) and what that set off at once: two round trips through its event
  // loop (ProgramPing), over its windows whether they show or not. A check that some input changes
  // nothing looks only after this, so a program too slow to have seen the input cannot pass it.
  bool programHasCaughtUp(double seconds = 10) {
    ProgramPing ping(server->display());
    const std::vector<xcb_window_t> ids = programWindowIds();
    if (!ping.isConnected() || ids.empty()) return false;
    for (uint32_t round = 1; round <= 2; ++round) {
      ping.send(ids, round);
      if (!waitUntil([&] { return ping.answered(round); }, seconds)) return false;
    }
    return true;
  }

  // That `holds` is true at every look until the program has written `line` `times` more times than it
  // has so far, within `seconds`. A timer of the program that writes a line each time it fires is the
  // program's own clock: what would happen within that stretch of its time has had its chance, however
  // fast or slow it runs.
  ::testing::AssertionResult holdsUntilLines(const std::function<bool()>& holds, const std::string& line,
                                             int times, double seconds) {
    auto count = [&] {
      int found = 0;
      for (size_t at = pelko->output().find(line); at != std::string::npos;
           at = pelko->output().find(line, at + line.size()))
        ++found;
      return found;
    };
    const int until = count() + times;
    int looks = 0;
    bool held = true;
    const bool came = waitUntil(
        [&] {
          ++looks;
          const bool enough = count() >= until;  // the last look comes after the last line
          held = holds();
          return !held || enough;
        },
        seconds);
    if (!held) return ::testing::AssertionFailure() << "it stopped holding at look " << looks;
    if (!came)
      return ::testing::AssertionFailure() << "the program did not write \"" << line << "\" " << times
                                           << " more times within " << seconds << " s";
    return ::testing::AssertionSuccess();
  }

  void movePointer(int x, int y) {
    xdotool(server->display(), "mousemove " + std::to_string(x) + " " + std::to_string(y));
  }
  // Moves the pointer to `x`, `y`, waits until it is there and clicks `button` (4 and 5 are the wheel).
  // The pointer goes a pixel aside first: a synchronous move to where it already is waits for a motion
  // that never comes.
  void clickAt(int x, int y, int button = 1) {
    xdotool(server->display(), "mousemove --sync " + std::to_string(x + 1) + " " + std::to_string(y) +
                                   " mousemove --sync " + std::to_string(x) + " " + std::to_string(y) +
                                   " click " + std::to_string(button));
  }

  std::vector<WindowGeometry> windows() const { return programWindows(server->display()); }
  // Waits up to `seconds` for a visible window of the program that `matches` (or, when `present` is
  // false, for none to); the last one found.
  std::optional<WindowGeometry> waitForWindow(const std::function<bool(const WindowGeometry&)>& matches,
                                              double seconds, bool present = true) {
    std::optional<WindowGeometry> found;
    waitUntil(
        [&] {
          found.reset();
          for (const auto& window : windows())
            if (matches(window)) found = window;
          return found.has_value() == present;
        },
        seconds);
    return found;
  }

  // The visible window titled exactly `title`; empty when there is none.
  std::string windowNamed(const std::string& title) const {
    std::stringstream ids(xdotool(server->display(), "search --onlyvisible --name '^" + title + "$'"));
    std::string id;
    ids >> id;
    return id;
  }
  // The same, once it shows within `seconds`.
  std::string waitForWindowNamed(const std::string& title, double seconds) {
    std::string id;
    waitUntil([&] { return !(id = windowNamed(title)).empty(); }, seconds);
    return id;
  }
  std::string activeWindow() const {
    std::stringstream id(xdotool(server->display(), "getactivewindow"));
    std::string active;
    id >> active;
    return active;
  }

  // The bar along the bottom of the 1280 x 800 screen, 34 pixels high: shown, or hidden (only thin
  // windows on that edge, the trigger zone and the peek strip), or neither while the program has shown
  // no window there yet, as at start.
  enum class BottomBar { none, shown, hidden };
  BottomBar bottomBar() {
    bool edge = false;
    for (const WindowGeometry& window : windows()) {
      if (window.x == 0 && window.y == 766 && window.width == 1280 && window.height == 34)
        return BottomBar::shown;
      if (window.height <= 12 && window.y + window.height == 800) edge = true;
    }
    return edge ? BottomBar::hidden : BottomBar::none;
  }
  bool waitForBottomBar(BottomBar state, double seconds) {
    return waitUntil([&] { return bottomBar() == state; }, seconds);
  }

  // Saves the whole screen as `name` in the artifacts folder (ImageMagick's import); the file's path.
  std::string screenshot(const std::string& name) {
    const std::string file = artifactPath(name);
    runOnDisplay(server->display(), "import -window root " + file);
    std::printf("saved %s\n", file.c_str());
    return file;
  }

  // Stands a script in for the desktop's URL handler, xdg-open, that notes each request as a line for
  // waitForUrlsOpened(); the variables that have the program use it rather than a desktop's own opener.
  std::map<std::string, std::string> recordUrlHandler() {
    const std::string bin = sandbox.path("bin");
    std::filesystem::create_directories(bin);
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\necho \"$@\" >> '" << sandbox.path("opened.txt") << "'\n";
    ::chmod((bin + "/xdg-open").c_str(), 0755);
    const char* path = std::getenv("PATH");
    return {{"PATH", bin + ":" + (path ? path : "/usr/bin:/bin")}, {"XDG_CURRENT_DESKTOP", ""}};
  }
  // What it was asked to open, a line a request, once the first request has come within `seconds`.
  std::vector<std::string> waitForUrlsOpened(double seconds) {
    std::vector<std::string> lines;
    waitUntil(
        [&] {
          lines = Sandbox::lines(sandbox.path("opened.txt"));
          return !lines.empty();
        },
        seconds);
    return lines;
  }

  // The X server's screen, for a test to change before SetUp().
  std::string screenSize = "1280x800x24";
  Sandbox sandbox;
  std::unique_ptr<XServer> server;
  std::unique_ptr<Helper> windowManager;
  std::unique_ptr<PelkoProcess> pelko;
};

}  // namespace pelko::testing
