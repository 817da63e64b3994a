// Reordering the running program's bar with a real Control-drag under an X server and a window manager,
// then reading the order it stored from its defaults file.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "PelkoProcess.h"

namespace pelko::testing {
namespace {

// A program the test runs in the background (found on the PATH), ended by its own process id.
struct Background {
  Background(std::vector<std::string> argv, const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> environment = environmentWith(overrides);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2}) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    if (::posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, pointersTo(argv).data(),
                       pointersTo(environment).data()) != 0)
      pid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Background() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
  pid_t pid = -1;
};

// Runs xdotool on the display to its end; its standard output.
std::string xdotool(const std::string& display, const std::string& arguments) {
  std::string output;
  if (FILE* pipe = ::popen(("DISPLAY=" + display + " xdotool " + arguments + " 2>/dev/null").c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    ::pclose(pipe);
  }
  return output;
}

TEST(ReorderDragX11Test, AControlDragOfTheFirstButtonPastTheOthersStoresTheNewOrder) {
  if (std::system("(command -v Xvfb && command -v openbox && command -v xdotool) >/dev/null") != 0)
    GTEST_SKIP() << "needs Xvfb, openbox and xdotool (scripts/install-deps.sh)";
  // An X server on a display number nobody uses.
  std::unique_ptr<Background> server;
  std::string display;
  for (int number = 700 + ::getpid() % 200; display.empty() && number < 1000; ++number) {
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    if (::access(socket.c_str(), F_OK) == 0 ||
        ::access(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), F_OK) == 0)
      continue;
    server =
        std::make_unique<Background>(std::vector<std::string>{"Xvfb", ":" + std::to_string(number), "-screen",
                                                              "0", "1280x800x24", "-nolisten", "tcp"},
                                     std::map<std::string, std::string>{});
    for (int i = 0; i < 500 && ::access(socket.c_str(), F_OK) != 0; ++i) ::usleep(10000);
    if (::access(socket.c_str(), F_OK) == 0) display = ":" + std::to_string(number);
  }
  ASSERT_FALSE(display.empty()) << "no X server came up";
  Sandbox sandbox;
  const std::string scenario = sandbox.path("scenario.json");
  std::ofstream(scenario) << R"({"applications": [
      {"bundleID": "com.example.Alpha", "name": "Alpha", "windows": [{"title": "A"}]},
      {"bundleID": "com.example.Bravo", "name": "Bravo", "windows": [{"title": "B"}]},
      {"bundleID": "com.example.Charlie", "name": "Charlie", "windows": [{"title": "C"}]}]})";
  // Icons only, from the start of the bar: the buttons are the bar's thickness wide at its left end.
  sandbox.setDefaults({{"PelkoStyle", platform::PlistValue(std::string("icons"))}});
  Background windowManager({"openbox"}, {{"DISPLAY", display}, {"HOME", sandbox.path("home")}});
  PelkoProcess pelko(sandbox, {},
                     {{"DISPLAY", display}, {"QT_QPA_PLATFORM", "xcb"}, {"PELKO_SCENARIO", scenario}});
  ASSERT_TRUE(pelko.waitUntilReady()) << pelko.output();
  auto wait = [&](double seconds) { pelko.waitForOutput("(a line that never comes)", seconds); };

  // The bar: the program's window along the bottom of the screen.
  int x = 0, y = 0, width = 0, height = 0;
  for (int i = 0; i < 100 && !(width >= 1000 && y > 600); ++i) {
    wait(0.1);
    std::stringstream lines(
        xdotool(display, "search --onlyvisible --classname pelko getwindowgeometry --shell %@"));
    for (std::string line; std::getline(lines, line) && !(width >= 1000 && y > 600);) {
      const int value = std::atoi(line.c_str() + line.find('=') + 1);
      if (line.rfind("X=", 0) == 0) x = value;
      if (line.rfind("Y=", 0) == 0) y = value;
      if (line.rfind("WIDTH=", 0) == 0) width = value;
      if (line.rfind("HEIGHT=", 0) == 0) height = value;
    }
  }
  ASSERT_TRUE(width >= 1000 && y > 600) << pelko.output();
  wait(1.0);  // the buttons fade in

  // From the middle of the first button to well past the third, in small steps.
  const std::string row = " " + std::to_string(y + height / 2);
  const int from = x + 4 + height / 2;
  xdotool(display, "mousemove " + std::to_string(from) + row + " keydown ctrl mousedown 1");
  for (int to = from + 4; to <= x + 400; to += 24) {
    xdotool(display, "mousemove " + std::to_string(to) + row);
    wait(0.05);
  }
  wait(0.3);
  xdotool(display, "mouseup 1 keyup ctrl");

  std::string order;
  for (int i = 0; i < 50 && order.empty(); ++i) {
    wait(0.1);
    auto defaults = sandbox.defaults();
    if (auto it = defaults.find("PelkoCustomAppOrder"); it != defaults.end() && it->second.asData())
      order.assign(it->second.asData()->begin(), it->second.asData()->end());
  }
  EXPECT_EQ(order, R"(["com.example.Bravo","com.example.Charlie","com.example.Alpha"])") << pelko.output();
  pelko.signal(SIGTERM);
  pelko.wait(5);
}

}  // namespace
}  // namespace pelko::testing
