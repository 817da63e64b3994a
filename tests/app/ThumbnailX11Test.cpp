// The running program under a real X server: resting the pointer on a button shows the thumbnail panel
// above it, the panel stays while the pointer moves onto it and goes when the pointer moves away, which
// the program learns from the display server's pointer events. The screen is saved for a person to see.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <sstream>

#include "PelkoProcess.h"

namespace pelko::testing {
namespace {

std::string findProgram(const std::string& name) {
  std::stringstream folders(std::getenv("PATH") ? std::getenv("PATH") : "");
  for (std::string folder; std::getline(folders, folder, ':');)
    if (::access((folder + "/" + name).c_str(), X_OK) == 0) return folder + "/" + name;
  return "";
}

// A program of the test's own (the X server, the window manager), ended by its process id.
class Helper {
 public:
  Helper(const std::string& path, std::vector<std::string> arguments, const std::string& display) {
    std::vector<std::string> environment = environmentWith({{"DISPLAY", display}});
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
    ::waitpid(pid_, nullptr, 0);
  }
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;
  bool isRunning() { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
};

class ThumbnailX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string xvfb = findProgram("Xvfb");
    if (xvfb.empty() || findProgram("xdotool").empty() || findProgram("import").empty())
      GTEST_SKIP() << "needs Xvfb, xdotool and ImageMagick (scripts/install-deps.sh)";
    for (int number = 600 + ::getpid() % 300, attempt = 0; attempt < 20 && !server; ++number, ++attempt) {
      const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
      if (::access(socket.c_str(), F_OK) == 0) continue;
      auto candidate = std::make_unique<Helper>(
          xvfb, std::vector<std::string>{":" + std::to_string(number), "-screen", "0", "1280x800x24"}, "");
      for (int i = 0; i < 300 && candidate->isRunning() && ::access(socket.c_str(), F_OK) != 0; ++i)
        ::usleep(10000);
      if (!candidate->isRunning() || ::access(socket.c_str(), F_OK) != 0) continue;
      server = std::move(candidate);
      display = ":" + std::to_string(number);
    }
    ASSERT_TRUE(server) << "no X server came up";
    if (auto openbox = findProgram("openbox"); !openbox.empty())
      windowManager = std::make_unique<Helper>(openbox, std::vector<std::string>{}, display);
    pelko = std::make_unique<PelkoProcess>(
        sandbox, std::vector<std::string>{},
        std::map<std::string, std::string>{{"DISPLAY", display}, {"QT_QPA_PLATFORM", "xcb"}});
  }
  void TearDown() override {
    if (!pelko) return;
    pelko->signal(SIGTERM);
    pelko->wait(5);
  }

  std::string run(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(("DISPLAY=" + display + " " + command + " 2>/dev/null").c_str(), "r")) {
      char buffer[256];
      while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
      ::pclose(pipe);
    }
    return output;
  }
  // The program's visible windows as "x,y WxH", read through xdotool.
  std::vector<std::string> windows() {
    std::vector<std::string> result;
    std::stringstream ids(run("xdotool search --onlyvisible --class pelko"));
    for (std::string id; ids >> id;) {
      std::stringstream shape(run("xdotool getwindowgeometry --shell " + id));
      std::map<std::string, std::string> values;
      for (std::string line; std::getline(shape, line);)
        if (auto equals = line.find('='); equals != std::string::npos)
          values[line.substr(0, equals)] = line.substr(equals + 1);
      result.push_back(values["X"] + "," + values["Y"] + " " + values["WIDTH"] + "x" + values["HEIGHT"]);
    }
    return result;
  }
  // Waits up to `seconds` for a window other than the bar and the tooltips (taller than 100): the panel.
  std::optional<std::string> panel(double seconds, bool present = true) {
    for (double waited = 0;; waited += 0.05) {
      std::optional<std::string> found;
      for (const auto& window : windows())
        if (std::stoi(window.substr(window.find('x') + 1)) > 100) found = window;
      if (found.has_value() == present || waited >= seconds) return found;
      pelko->waitForOutput("(a line that never comes)", 0.05);
    }
  }

  Sandbox sandbox;
  std::unique_ptr<Helper> server;
  std::unique_ptr<Helper> windowManager;
  std::string display;
  std::unique_ptr<PelkoProcess> pelko;
};

TEST_F(ThumbnailX11Test, RestingOnAButtonShowsItsPanelUntilThePointerMovesAway) {
  bool barUp = false;
  for (double waited = 0; waited < 8 && !barUp; waited += 0.05) {
    for (const auto& window : windows()) barUp = barUp || window == "0,766 1280x34";
    pelko->waitForOutput("(a line that never comes)", 0.05);
  }
  ASSERT_TRUE(barUp) << pelko->output();

  run("xdotool mousemove 150 783");  // the second button of the bottom bar
  const auto shown = panel(3);
  ASSERT_TRUE(shown) << pelko->output();
  // Above the bar, 4 points off it, kept on the screen.
  const int x = std::stoi(shown->substr(0, shown->find(','))),
            y = std::stoi(shown->substr(shown->find(',') + 1));
  const int height = std::stoi(shown->substr(shown->find('x') + 1));
  EXPECT_EQ(y + height, 766 - 4) << *shown;
  EXPECT_GE(x, 0);
  QDir artifacts(QCoreApplication::applicationDirPath() + "/../artifacts");
  artifacts.mkpath(".");
  run("import -window root " + artifacts.filePath("thumbnail-panel-x11.png").toStdString());

  run("xdotool mousemove_relative -- 0 -100");  // onto the panel
  EXPECT_TRUE(panel(0.3));
  run("xdotool mousemove_relative -- 700 -300");  // away from bar and panel
  EXPECT_FALSE(panel(2, false)) << "the panel stayed after the pointer left it";
}

}  // namespace
}  // namespace pelko::testing
