// Whatever the settings path holds, a start that cannot make its settings folder says why, naming the
// part of the path that stops it, and exits 1: never an abort, never a hang, and the Dock untouched.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "PelkoProcess.h"

namespace pelko::testing {
namespace {

TEST(SettingsPathsTest, ASettingsFolderThatCannotBeMadeOrLookedAtIsNamedByItsCauseAndTheStartEnds) {
  struct Case {
    const char* name;
    bool asOrdinaryUser;  // the cause is a permission, which root passes over
    // Prepares the sandbox; returns the settings path (XDG_CONFIG_HOME) and the cause told for it.
    std::function<std::pair<std::string, std::string>(Sandbox&)> make;
  };
  const Case cases[] = {
      {"a folder on the way that may not be searched", true,
       [](Sandbox& sandbox) {
         std::filesystem::create_directories(sandbox.path("ns/inner"));
         ::chmod(sandbox.path("ns").c_str(), 0600);
         return std::pair{sandbox.path("ns/inner"),
                          sandbox.path("ns/inner") + " cannot be looked at (Permission denied)"};
       }},
      {"a loop of links", false,
       [](Sandbox& sandbox) {
         std::filesystem::create_symlink("cfg", sandbox.path("cfg"));
         return std::pair{sandbox.path("cfg"),
                          sandbox.path("cfg") + " cannot be looked at (Too many levels of symbolic links)"};
       }},
      {"a name longer than a folder may hold", false,
       [](Sandbox& sandbox) {
         const std::string overlong = sandbox.path(std::string(300, 'c'));
         return std::pair{overlong, overlong + " cannot be looked at (File name too long)"};
       }},
      {"two levels below a folder that may not be written", true,
       [](Sandbox& sandbox) {
         std::filesystem::create_directory(sandbox.path("read-only"));
         ::chmod(sandbox.path("read-only").c_str(), 0555);
         return std::pair{sandbox.path("read-only/config"), "the folder " + sandbox.path("read-only/config") +
                                                                " cannot be made (Permission denied)"};
       }},
      {"a link to a file on the way", false,
       [](Sandbox& sandbox) {
         std::ofstream(sandbox.path("file")) << "";
         std::filesystem::create_symlink(sandbox.path("file"), sandbox.path("link"));
         return std::pair{sandbox.path("link"), sandbox.path("link") + " is a link to " +
                                                    sandbox.path("file") + ", which is not a folder"};
       }},
      {"a plain file where the settings folder belongs", false,
       [](Sandbox& sandbox) {
         std::filesystem::create_directory(sandbox.path("other"));
         std::ofstream(sandbox.path("other/pelko")) << "";
         return std::pair{sandbox.path("other"), sandbox.path("other/pelko") + " is not a folder"};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    const auto [settingsPath, cause] = c.make(sandbox);
    if (c.asOrdinaryUser) {
      ASSERT_TRUE(sandbox.runAsOrdinaryUser());
    }
    PelkoProcess run(sandbox, {}, {{"XDG_CONFIG_HOME", settingsPath}});
    ASSERT_TRUE(endsWith(run, 1));
    EXPECT_NE(run.output().find("Pelko: cannot take the single-instance lock " + settingsPath +
                                "/pelko/pelko.lock: " + cause + "\n"),
              std::string::npos)
        << run.output();
    EXPECT_TRUE(sandbox.dockCommands().empty());
  }
}

// The settings folder becomes unsearchable once the lock in it is taken, before the Dock's hide saves
// its record there on a background thread: that save fails, it does not end the program, and the run
// ends when asked to, saying why its settings were not saved.
TEST(SettingsPathsTest, ASettingsFolderThatGoesAwayDuringStartUpIsToldAndTheRunStillEnds) {
  Sandbox sandbox;
  ASSERT_TRUE(sandbox.runAsOrdinaryUser());
  PelkoProcess run(sandbox);
  const std::string lock = sandbox.path("config/pelko/pelko.lock");
  std::error_code error;
  // A slice of 10 ms at a time, reading the output meanwhile; a slower build (a sanitizer's) takes
  // longer to get there.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!std::filesystem::exists(lock, error) && run.isRunning() &&
         std::chrono::steady_clock::now() < deadline)
    run.waitForOutput("(no such line)", 0.01);
  ASSERT_TRUE(std::filesystem::exists(lock, error)) << run.output();
  ASSERT_EQ(::chmod(sandbox.path("config").c_str(), 0600), 0);

  ASSERT_TRUE(run.waitUntilReady()) << run.output();
  EXPECT_EQ(run.terminate(), "") << run.output();
  EXPECT_NE(run.output().find("Pelko: could not save the settings to " + sandbox.defaultsFile() +
                              " (cannot create " + sandbox.path("config/pelko") + ": Permission denied)"),
            std::string::npos)
      << run.output();
  ::chmod(sandbox.path("config").c_str(), 0700);
}

// A path is told on one line, and a terminal is told nothing it would act on.
TEST(SettingsPathsTest, ControlCharactersInTheSettingsPathAreShownAsQuestionMarks) {
  Sandbox sandbox;
  std::ofstream(sandbox.path("clear\x1b[2Jscreen")) << "";
  PelkoProcess run(sandbox, {}, {{"XDG_CONFIG_HOME", sandbox.path("clear\x1b[2Jscreen")}});
  ASSERT_TRUE(endsWith(run, 1));
  EXPECT_NE(
      run.output().find("Pelko: cannot take the single-instance lock " + sandbox.path("clear?[2Jscreen") +
                        "/pelko/pelko.lock: " + sandbox.path("clear?[2Jscreen") + " is not a folder\n"),
      std::string::npos)
      << run.output();
}

}  // namespace
}  // namespace pelko::testing
