// The program tells why its settings could not be used by the cause an ordinary user meets: a settings
// file they may not read, a settings folder that cannot be made. Root reads and makes whatever it likes,
// so where the tests run as root the program runs as `nobody`, with the sandbox made theirs.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "PelkoProcess.h"

namespace pelko::testing {
namespace {

const std::map<std::string, std::string> kQuit = {{"PELKO_TEST_HOOK_QUIT", "1"}};

std::string keptAsideIn(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with("com.pelko.app.plist.corrupt-")) return entry.path();
  }
  return {};
}

TEST(SettingsFileCausesTest, ASettingsFileThatCannotBeReadIsToldSoWithItsCauseNotAsDamaged) {
  struct Case {
    const char* name;
    std::function<void(Sandbox&)> make;
    const char* cause;
  };
  const Case cases[] = {
      {"a file its owner may not read",
       [](Sandbox& sandbox) { ASSERT_EQ(::chmod(sandbox.defaultsFile().c_str(), 0000), 0); },
       "Permission denied"},
      {"a folder where the file belongs",
       [](Sandbox& sandbox) {
         std::filesystem::remove(sandbox.defaultsFile());
         std::filesystem::create_directory(sandbox.defaultsFile());
       },
       "not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    const std::string original = readWholeFile(sandbox.defaultsFile());
    c.make(sandbox);
    ASSERT_TRUE(sandbox.runAsOrdinaryUser());
    PelkoProcess run(sandbox, {}, kQuit);
    ASSERT_TRUE(endsWith(run, 0));
    const std::string keptAs = keptAsideIn(sandbox.path("config/pelko"));
    ASSERT_FALSE(keptAs.empty()) << run.output();
    // Kept byte for byte: the user's settings are in there.
    if (std::filesystem::is_regular_file(keptAs)) {
      EXPECT_EQ(readWholeFile(keptAs), original);
    }
    const std::string alert =
        "Pelko alert: Pelko's Settings Could Not Be Read\n  The settings file could not be read (" +
        std::string(c.cause) + "). It was kept as " + keptAs +
        "; the settings start from their defaults.\n  [OK]";
    EXPECT_NE(run.output().find(alert), std::string::npos) << run.output();
    EXPECT_EQ(run.output().find("damaged"), std::string::npos) << run.output();
  }
}

// A file in a settings folder the user may not change cannot be moved aside: it is left as it is, what
// could be read of it is used, and the alert says so and that changes are not saved.
TEST(SettingsFileCausesTest, ASettingsFileThatCannotBeMovedAsideIsToldAndLeftAsItIs) {
  const std::string cutShort =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
      "\t<key>PelkoOnboardingComplete</key>\n\t<true/>\n\t<key>position</key>\n\t<string>left</string>\n"
      "\t<key>showThumbnails</key>\n\t<fal";
  struct Case {
    const char* name;
    mode_t mode;  // the file's
    std::string said;
  };
  const Case cases[] = {
      {"damaged", 0644,
       "The settings file was damaged. It could not be moved aside (Permission denied) and was left as it "
       "is: "
       "the settings that could be read from it are used, the others start from their defaults, and changes "
       "are not saved while Pelko runs."},
      {"unreadable", 0000,
       "The settings file could not be read (Permission denied). It could not be moved aside (Permission "
       "denied) and was left as it is: the settings start from their defaults, and changes are not saved "
       "while Pelko runs."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    writeWholeFile(sandbox.defaultsFile(), cutShort);
    std::ofstream(sandbox.path("config/pelko/pelko.lock")) << "";
    ASSERT_TRUE(sandbox.runAsOrdinaryUser());
    ASSERT_EQ(::chmod(sandbox.defaultsFile().c_str(), c.mode), 0);
    ASSERT_EQ(::chmod(sandbox.path("config/pelko").c_str(), 0555), 0);
    PelkoProcess run(sandbox, {}, kQuit);
    ASSERT_TRUE(endsWith(run, 0));
    ::chmod(sandbox.path("config/pelko").c_str(), 0755);
    EXPECT_NE(run.output().find("Pelko alert: Pelko's Settings Could Not Be Read\n  " + c.said + "\n  [OK]"),
              std::string::npos)
        << run.output();
    EXPECT_EQ(keptAsideIn(sandbox.path("config/pelko")), "");
    EXPECT_EQ(readWholeFile(sandbox.defaultsFile()), cutShort);
  }
}

// A link that leads to no regular file is told by its cause, and stays as it was: the settings start
// from their defaults, and nothing is saved over it.
TEST(SettingsFileCausesTest, ALinkThatCannotBeFollowedIsToldAndLeftInPlace) {
  struct Case {
    const char* name;
    std::function<std::string(Sandbox&)> target;  // what the link says
    const char* cause;
  };
  const Case cases[] = {
      {"dangling", [](Sandbox& sandbox) { return sandbox.path("mine/gone.plist"); },
       "No such file or directory"},
      {"a loop", [](Sandbox&) { return std::string("com.pelko.app.plist"); },
       "Too many levels of symbolic links"},
      {"into a folder the user cannot search",
       [](Sandbox& sandbox) {
         std::filesystem::create_directories(sandbox.path("mine"));
         writeWholeFile(sandbox.path("mine/settings.plist"), "<plist><dict/></plist>");
         return sandbox.path("mine/settings.plist");
       },
       "Permission denied"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    std::filesystem::remove(sandbox.defaultsFile());
    const std::string target = c.target(sandbox);
    std::filesystem::create_symlink(target, sandbox.defaultsFile());
    ASSERT_TRUE(sandbox.runAsOrdinaryUser());
    if (std::filesystem::exists(sandbox.path("mine"))) {
      ASSERT_EQ(::chmod(sandbox.path("mine").c_str(), 0), 0);
    }
    PelkoProcess run(sandbox, {}, kQuit);
    ASSERT_TRUE(endsWith(run, 0));
    EXPECT_NE(
        run.output().find("Pelko alert: Pelko's Settings Could Not Be Read\n  The settings file is a link, "
                          "and what it names could not be read (" +
                          std::string(c.cause) +
                          "). The link was left as it is: the settings start from their defaults, and "
                          "changes are not saved while Pelko runs.\n  [OK]"),
        std::string::npos)
        << run.output();
    EXPECT_EQ(std::filesystem::read_symlink(sandbox.defaultsFile()).string(), target);
    EXPECT_EQ(keptAsideIn(sandbox.path("config/pelko")), "");
    if (std::filesystem::exists(sandbox.path("mine"))) ::chmod(sandbox.path("mine").c_str(), 0755);
    if (std::filesystem::exists(sandbox.path("mine/settings.plist"))) {
      EXPECT_EQ(readWholeFile(sandbox.path("mine/settings.plist")), "<plist><dict/></plist>");
    }
  }
}

// A settings path and a key holding control characters reach the terminal with them hidden, in the
// program's messages and in its alert alike.
TEST(SettingsFileCausesTest, ASettingsPathWithControlCharactersIsPrintedWithThemHidden) {
  Sandbox sandbox;
  const std::string config = sandbox.path("con\x1B[2Jfig\x07\nhome");
  const std::string shown = sandbox.path("con?[2Jfig??home");
  std::filesystem::create_directories(config + "/pelko");
  writeWholeFile(
      config + "/pelko/com.pelko.app.plist",
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>PelkoOnboardingComplete</key><true/>"
      "<key>k\x1B]0;title\x07</key><real>1e400</real></dict></plist>");
  PelkoProcess run(sandbox, {}, {{"PELKO_TEST_HOOK_QUIT", "1"}, {"XDG_CONFIG_HOME", config}});
  ASSERT_TRUE(endsWith(run, 0));
  for (const std::string& line :
       {"Pelko: the setting \"k?]0;title?\" in " + shown + "/pelko/com.pelko.app.plist could not be read (",
        "Pelko: the settings file " + shown + "/pelko/com.pelko.app.plist is damaged; it was kept as " +
            shown + "/pelko/com.pelko.app.plist.corrupt-",
        "Pelko alert: Pelko's Settings Could Not Be Read\n  The settings file was damaged. It was kept as " +
            shown + "/pelko/com.pelko.app.plist.corrupt-"}) {
    EXPECT_NE(run.output().find(line), std::string::npos) << line << " in\n" << run.output();
  }
  EXPECT_EQ(run.output().find_first_of("\x1B\x07"), std::string::npos) << run.output();
}

TEST(SettingsFileCausesTest, ASettingsFolderThatCannotBeMadeIsNamedByItsCause) {
  struct Case {
    const char* name;
    std::function<std::string(Sandbox&)> make;  // makes the settings' parent folder; returns the cause
  };
  const Case cases[] = {
      {"a parent folder the user may not write",
       [](Sandbox& sandbox) {
         std::filesystem::create_directory(sandbox.path("read-only"));
         ::chmod(sandbox.path("read-only").c_str(), 0555);
         return "the folder " + sandbox.path("read-only") + "/pelko cannot be made (Permission denied)";
       }},
      {"a link to a folder that is gone",
       [](Sandbox& sandbox) {
         std::filesystem::create_symlink(sandbox.path("gone"), sandbox.path("read-only"));
         return sandbox.path("read-only") + " is a link to " + sandbox.path("gone") +
                ", which does not exist";
       }},
      {"a file where a folder belongs",
       [](Sandbox& sandbox) {
         std::ofstream(sandbox.path("read-only")) << "";
         return sandbox.path("read-only") + " is not a folder";
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    const std::string cause = c.make(sandbox);
    ASSERT_TRUE(sandbox.runAsOrdinaryUser());
    PelkoProcess run(sandbox, {}, {{"XDG_CONFIG_HOME", sandbox.path("read-only")}});
    ASSERT_TRUE(endsWith(run, 1));
    EXPECT_NE(run.output().find("Pelko: cannot take the single-instance lock " + sandbox.path("read-only") +
                                "/pelko/pelko.lock: " + cause + "\n"),
              std::string::npos)
        << run.output();
    EXPECT_TRUE(sandbox.dockCommands().empty());
  }
}

}  // namespace
}  // namespace pelko::testing
