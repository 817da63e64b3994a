#pragma once

// The running program's widgets as a screen reader finds them: a session bus of the test's own with the
// accessibility bus beside it, and look-ups by accessible role and name that give each widget's place on
// the screen. The program joins the bus when started with environment().

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "DesktopTest.h"
#include "XTestServer.h"

namespace pelko::testing {

// A widget the accessibility bus reports; its place is in screen coordinates.
struct AccessibleWidget {
  std::string role;  // as the bus names it: "push button", "panel", "label", ...
  std::string name;
  int x = 0, y = 0, width = 0, height = 0;
  bool showing = false;
  // Only from findWithDetails() or doAction(): the names of its states and actions, comma-separated as
  // the bus gives them ("checked", "Toggle"), its value as "current/minimum/maximum/step", and its
  // description.
  std::string states, actions, value, description;

  bool hasState(const std::string& state) const { return listed(states, state); }
  bool hasAction(const std::string& action) const { return listed(actions, action); }

  int centerX() const { return x + width / 2; }
  int centerY() const { return y + height / 2; }

 private:
  static bool listed(const std::string& list, const std::string& entry) {
    std::stringstream entries(list);
    for (std::string each; std::getline(entries, each, ',');)
      if (each == entry) return true;
    return false;
  }
};

inline std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class AccessibilityBus {
 public:
  // What is missing on this machine for the look-ups; empty when everything is there.
  static std::string missing() {
    static const std::string answer = [] {
      for (const char* program : {"dbus-daemon", "timeout"})
        if (findProgram(program).empty()) return std::string(program);
      if (::access(kLauncher, X_OK) != 0) return std::string("at-spi2-core");
      const std::string check =
          std::string("timeout 20 ") + kPython + " " + PELKO_FIND_ACCESSIBLE + " --check";
      if (::access(kPython, X_OK) != 0 || std::system(check.c_str()) != 0)
        return std::string("python3-pyatspi");
      return std::string();
    }();
    return answer;
  }

  // Starts the buses for the X server on `display`; `runtimeFolder` holds the accessibility bus's socket.
  AccessibilityBus(const std::string& display, const std::string& runtimeFolder) : display_(display) {
    session_ = std::make_unique<SessionBus>();
    if (session_->address().empty()) return;
    // The launcher starts the accessibility bus and ends it when it is ended itself.
    launcher_ = std::make_unique<Helper>(
        kLauncher, std::vector<std::string>{"--launch-immediately"},
        std::map<std::string, std::string>{{"DBUS_SESSION_BUS_ADDRESS", session_->address()},
                                           {"DISPLAY", display},
                                           {"XDG_RUNTIME_DIR", runtimeFolder}});
    address_ = session_->address();
  }
  ~AccessibilityBus() {
    launcher_.reset();  // before the session bus it watches
    session_.reset();
  }
  AccessibilityBus(const AccessibilityBus&) = delete;
  AccessibilityBus& operator=(const AccessibilityBus&) = delete;

  bool isUp() const { return !address_.empty(); }

  // The variables that put the program on these buses with its accessibility bridge on.
  std::map<std::string, std::string> environment() const {
    return {{"DBUS_SESSION_BUS_ADDRESS", address_}, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"}};
  }

  // The widgets of the program with `role` and `name` (empty: any), looked for again until at least one
  // is there or `seconds` pass.
  std::vector<AccessibleWidget> find(const std::string& role, const std::string& name,
                                     double seconds = 5) const {
    return query(role, name, seconds, "");
  }

  // As find(), with each widget's states, actions and value.
  std::vector<AccessibleWidget> findWithDetails(const std::string& role, const std::string& name,
                                                double seconds = 5) const {
    return query(role, name, seconds, " --details");
  }

  // Does `action` ("Toggle", "Press") on every widget with `role` and `name`, as a screen reader does;
  // the widgets as they were just before.
  std::vector<AccessibleWidget> doAction(const std::string& role, const std::string& name,
                                         const std::string& action, double seconds = 5) const {
    return query(role, name, seconds, " --details --action " + shellQuoted(action));
  }

  // As doAction(), with each widget as it is just after the action: what the action changed in its
  // states, read before a change that follows later (a window that closes) takes the widget away.
  std::vector<AccessibleWidget> doActionAndLook(const std::string& role, const std::string& name,
                                                const std::string& action, double seconds = 5) const {
    return query(role, name, seconds, " --details --after --action " + shellQuoted(action));
  }

  // As doAction(), only on the widgets inside one named `parent`: the close control of one card among
  // several.
  std::vector<AccessibleWidget> doActionWithin(const std::string& parent, const std::string& role,
                                               const std::string& name, const std::string& action,
                                               double seconds = 5) const {
    return query(role, name, seconds,
                 " --parent " + shellQuoted(parent) + " --details --action " + shellQuoted(action));
  }

  // The one showing widget with `role` and `name`; nothing when none or several show by then.
  std::optional<AccessibleWidget> findOne(const std::string& role, const std::string& name,
                                          double seconds = 5) const {
    std::optional<AccessibleWidget> only;
    for (const auto& widget : find(role, name, seconds)) {
      if (!widget.showing) continue;
      if (only) return std::nullopt;
      only = widget;
    }
    return only;
  }

  // The largest showing widget with `role` and `name`: a button rather than the title inside it of the
  // same name. Nothing when none shows by then.
  std::optional<AccessibleWidget> findLargest(const std::string& role, const std::string& name,
                                              double seconds = 5) const {
    std::optional<AccessibleWidget> largest;
    for (const auto& widget : find(role, name, seconds))
      if (widget.showing && (!largest || widget.width * widget.height > largest->width * largest->height))
        largest = widget;
    return largest;
  }

  // Every widget of the program, one per line, for a failure message.
  std::string describeAll() const {
    std::ostringstream text;
    for (const auto& widget : find("", "", 1))
      text << widget.role << " '" << widget.name << "' " << widget.x << "," << widget.y << " " << widget.width
           << "x" << widget.height << (widget.showing ? "" : " (hidden)") << "\n";
    return text.str();
  }

 private:
  std::vector<AccessibleWidget> query(const std::string& role, const std::string& name, double seconds,
                                      const std::string& options) const {
    std::vector<AccessibleWidget> found;
    if (!isUp()) return found;
    std::ostringstream command;
    command << "DBUS_SESSION_BUS_ADDRESS=" << shellQuoted(address_) << " timeout -k 2 "
            << static_cast<int>(seconds) + 10 << " " << kPython << " " << PELKO_FIND_ACCESSIBLE
            << " --application Pelko --role " << shellQuoted(role) << " --name " << shellQuoted(name)
            << " --seconds " << seconds << options;
    std::stringstream lines(runOnDisplay(display_, command.str()));
    for (std::string line; std::getline(lines, line);) {
      std::vector<std::string> fields;
      std::stringstream columns(line);
      for (std::string field; std::getline(columns, field, '\t');) fields.push_back(field);
      if (fields.size() < 7 || fields.size() > 11) continue;
      fields.resize(11);  // details that are empty at the end of a line have no column
      AccessibleWidget widget;
      widget.role = fields[0];
      widget.name = fields[1];
      widget.x = std::atoi(fields[2].c_str());
      widget.y = std::atoi(fields[3].c_str());
      widget.width = std::atoi(fields[4].c_str());
      widget.height = std::atoi(fields[5].c_str());
      widget.showing = fields[6] == "1";
      widget.states = fields[7];
      widget.actions = fields[8];
      widget.value = fields[9];
      widget.description = fields[10];
      found.push_back(widget);
    }
    return found;
  }

  // The system's interpreter, which has the Debian bindings (a user's own python3 may come first on PATH).
  static constexpr const char* kPython = "/usr/bin/python3";
  static constexpr const char* kLauncher = "/usr/libexec/at-spi-bus-launcher";

  std::string display_;
  std::string address_;
  std::unique_ptr<SessionBus> session_;
  std::unique_ptr<Helper> launcher_;
};

// A desktop test whose program is found through the accessibility bus; skipped where the bus's programs
// or the Python bindings are missing. startPelko() starts the program on the X server and the bus.
class AccessibleDesktopTest : public DesktopTest {
 protected:
  void SetUp() override {
    if (auto what = AccessibilityBus::missing(); !what.empty())
      GTEST_SKIP() << "needs " << what << " (scripts/install-deps.sh)";
    DesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    accessibility = std::make_unique<AccessibilityBus>(server->display(), sandbox.path("run"));
    ASSERT_TRUE(accessibility->isUp()) << "the session bus did not start";
  }
  void TearDown() override {
    DesktopTest::TearDown();  // the program before the buses it is on
    accessibility.reset();
  }

  // The program joins the accessibility bus as well.
  std::map<std::string, std::string> programEnvironment(
      const std::map<std::string, std::string>& extra = {}) const override {
    std::map<std::string, std::string> variables = accessibility->environment();
    for (const auto& [name, value] : DesktopTest::programEnvironment(extra)) variables[name] = value;
    return variables;
  }

  // Opens the settings window as a second start does, handing the running copy its URL (`extra` adds
  // to that start's variables); the window's X id, none when it did not show within 10 s.
  xcb_window_t openSettingsBySecondStart(const std::map<std::string, std::string>& extra = {}) {
    PelkoProcess second(sandbox, {"pelko://settings"}, programEnvironment(extra));
    second.wait(10);
    const std::string id = waitForWindowNamed("Pelko Settings", 10);
    return id.empty() ? xcb_window_t{XCB_WINDOW_NONE} : static_cast<xcb_window_t>(std::stoul(id));
  }

  // A listener on the bus, as a screen reader keeps one: `script`, one of the watchers beside
  // find_accessible.py, with `options`, watching the program from before its start; nothing when it did
  // not say it was watching within 20 s.
  std::unique_ptr<Helper> listenOnTheBus(const std::string& script, const std::vector<std::string>& options) {
    std::vector<std::string> arguments{
        (std::filesystem::path(PELKO_FIND_ACCESSIBLE).parent_path() / script).string(), "--application",
        "Pelko", "--seconds", "120"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    auto listener = std::make_unique<Helper>(
        "/usr/bin/python3", arguments,
        std::map<std::string, std::string>{
            {"DBUS_SESSION_BUS_ADDRESS", accessibility->environment().at("DBUS_SESSION_BUS_ADDRESS")},
            {"DISPLAY", server->display()}},
        Helper::Output::read);
    if (listener->readLine(20) != "watching") return nullptr;
    return listener;
  }

  std::unique_ptr<AccessibilityBus> accessibility;
};

// Two applications, the viewer in front: a button of about 100 pixels each on a bottom bar of the
// 1280 x 800 screen.
inline constexpr const char* kViewerAndEditorScenario = R"({"applications": [
    {"bundleID": "com.example.viewer", "name": "Viewer", "windows": [{"title": "photo", "frame": [900, 100, 300, 300]}]},
    {"bundleID": "com.example.editor", "name": "Editor", "windows": [{"title": "notes.txt", "frame": [100, 100, 600, 400]}]}],
  "frontmost": "com.example.viewer"})";

}  // namespace pelko::testing
