// Reordering the running program's bar with a real Control-drag under an X server and a window manager,
// then reading the order it stored from its defaults file.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "PelkoProcess.h"

namespace pelko::testing {
namespace {

std::string findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    std::string candidate = folder + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

bool exists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

// A background program of the test (the X server, the window manager), ended by its own process id.
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
  ~Helper() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 200 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i) ::usleep(10000);
    if (::waitpid(pid_, nullptr, WNOHANG) == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;
  bool isRunning() {
    if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
    return pid_ > 0;
  }

 private:
  pid_t pid_ = -1;
};

// An X server on a display number nobody else uses.
class XServer {
 public:
  explicit XServer(const std::string& program) {
    static int next = 700 + ::getpid() % 200;
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

// Runs xdotool on the display to its end; its standard output.
std::string xdotool(const std::string& display, const std::string& arguments) {
  std::string command = "DISPLAY=" + display + " xdotool " + arguments + " 2>/dev/null";
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    ::pclose(pipe);
  }
  return output;
}

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

// The bar: the program's window along the bottom of the 1280 x 800 screen.
std::optional<Geometry> findBar(const std::string& display) {
  std::stringstream windows(xdotool(display, "search --onlyvisible --classname pelko"));
  for (std::string id; windows >> id;) {
    std::stringstream shell(xdotool(display, "getwindowgeometry --shell " + id));
    Geometry g;
    for (std::string line; std::getline(shell, line);) {
      const auto eq = line.find('=');
      if (eq == std::string::npos) continue;
      const std::string key = line.substr(0, eq);
      const int value = std::atoi(line.c_str() + eq + 1);
      if (key == "X") g.x = value;
      if (key == "Y") g.y = value;
      if (key == "WIDTH") g.width = value;
      if (key == "HEIGHT") g.height = value;
    }
    if (g.width >= 1000 && g.y > 600 && g.height > 10) return g;
  }
  return std::nullopt;
}

std::string storedOrder(const Sandbox& sandbox) {
  auto defaults = sandbox.defaults();
  auto it = defaults.find("PelkoCustomAppOrder");
  if (it == defaults.end()) return "";
  if (auto data = it->second.asData()) return std::string(data->begin(), data->end());
  if (auto text = it->second.asString()) return *text;
  return "(not data)";
}

TEST(ReorderDragX11Test, AControlDragOfTheFirstButtonPastTheOthersStoresTheNewOrder) {
  const std::string xvfb = findProgram("Xvfb"), openbox = findProgram("openbox");
  if (xvfb.empty() || openbox.empty() || findProgram("xdotool").empty())
    GTEST_SKIP() << "needs Xvfb, openbox and xdotool (scripts/install-deps.sh)";
  XServer server(xvfb);
  ASSERT_FALSE(server.display().empty()) << "no X server came up on a free display";
  Sandbox sandbox;
  const std::string scenario = sandbox.path("scenario.json");
  std::ofstream(scenario) << R"({"applications": [
      {"bundleID": "com.example.Alpha", "name": "Alpha", "windows": [{"title": "A"}]},
      {"bundleID": "com.example.Bravo", "name": "Bravo", "windows": [{"title": "B"}]},
      {"bundleID": "com.example.Charlie", "name": "Charlie", "windows": [{"title": "C"}]}]})";
  // Icons only, from the start of the bar: the buttons sit at its left end.
  sandbox.setDefaults({{"PelkoStyle", platform::PlistValue(std::string("icons"))}});
  Helper windowManager(openbox, {}, {{"DISPLAY", server.display()}, {"HOME", sandbox.path("home")}});
  PelkoProcess pelko(
      sandbox, {}, {{"DISPLAY", server.display()}, {"QT_QPA_PLATFORM", "xcb"}, {"PELKO_SCENARIO", scenario}});
  ASSERT_TRUE(pelko.waitUntilReady()) << pelko.output();

  std::optional<Geometry> bar;
  for (int i = 0; i < 100 && !bar; ++i) {
    pelko.waitForOutput("(a line that never comes)", 0.1);
    bar = findBar(server.display());
  }
  ASSERT_TRUE(bar) << pelko.output();
  pelko.waitForOutput("(a line that never comes)", 1.0);  // the buttons fade in

  // From the middle of the first button (the bar's thickness wide, 4 points in) to well past the third.
  const int y = bar->y + bar->height / 2;
  const int from = bar->x + 4 + bar->height / 2;
  xdotool(server.display(), "mousemove " + std::to_string(from) + " " + std::to_string(y));
  xdotool(server.display(), "keydown ctrl mousedown 1");
  for (int x = from + 4; x <= bar->x + 400; x += 24) {
    xdotool(server.display(), "mousemove " + std::to_string(x) + " " + std::to_string(y));
    pelko.waitForOutput("(a line that never comes)", 0.05);
  }
  pelko.waitForOutput("(a line that never comes)", 0.3);
  xdotool(server.display(), "mouseup 1 keyup ctrl");

  std::string order;
  for (int i = 0; i < 50 && order.find("Alpha") == std::string::npos; ++i) {
    pelko.waitForOutput("(a line that never comes)", 0.1);
    order = storedOrder(sandbox);
  }
  const auto alpha = order.find("com.example.Alpha"), bravo = order.find("com.example.Bravo"),
             charlie = order.find("com.example.Charlie");
  ASSERT_NE(alpha, std::string::npos) << "stored: " << order << "\n" << pelko.output();
  EXPECT_LT(bravo, charlie) << order;
  EXPECT_LT(charlie, alpha) << order;
  std::fprintf(stderr, "stored order: %s\n", order.c_str());

  pelko.signal(SIGTERM);
  pelko.wait(5);
}

}  // namespace
}  // namespace pelko::testing
