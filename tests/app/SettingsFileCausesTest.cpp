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
constexpr uid_t kNobody = 65534;

// Runs the program as an ordinary user: this one, or `nobody` when the tests run as root.
void runAsOrdinaryUser(Sandbox& sandbox) {
  if (::geteuid() != 0) return;
  const std::filesystem::path root = std::filesystem::path(sandbox.path("")).parent_path();
  ASSERT_EQ(::lchown(root.c_str(), kNobody, kNobody), 0);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    ASSERT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0) << entry.path();
  sandbox.launcher = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
}

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
    c.make(sandbox);
    runAsOrdinaryUser(sandbox);
    PelkoProcess run(sandbox, {}, kQuit);
    ASSERT_TRUE(endsWith(run, 0));
    const std::string keptAs = keptAsideIn(sandbox.path("config/pelko"));
    ASSERT_FALSE(keptAs.empty()) << run.output();
    const std::string alert =
        "Pelko alert: Pelko's Settings Could Not Be Read\n  The settings file could not be read (" +
        std::string(c.cause) + "). It was kept as " + keptAs +
        "; the settings start from their defaults.\n  [OK]";
    EXPECT_NE(run.output().find(alert), std::string::npos) << run.output();
    EXPECT_EQ(run.output().find("damaged"), std::string::npos) << run.output();
  }
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
    runAsOrdinaryUser(sandbox);
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
