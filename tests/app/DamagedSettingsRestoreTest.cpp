// The Dock's recovery record lives in the settings file beside every other setting, so damage elsewhere
// in that file must not cost it: after a run hid the Dock and died, `pelko --restore-dock` puts back
// exactly the Dock from before the hide, however the rest of the file was spoilt.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "PelkoProcess.h"

namespace pelko::testing {
namespace {

using Dictionary = Sandbox::Dictionary;

const Dictionary kUsersDock = {{"autohide", false}, {"autohide-delay", 0.25}, {"mineffect", "suck"}};

// An entry slipped in ahead of every other one, recovery keys included.
std::string withFirstEntry(const std::string& text, const std::string& entry) {
  const size_t at = text.find("<dict>\n");
  return at == std::string::npos ? text : text.substr(0, at + 7) + entry + text.substr(at + 7);
}

struct Damage {
  const char* name;
  const char* reported;  // what the restore's output says was lost
  std::function<std::string(const std::string&)> apply;
};

TEST(DamagedSettingsRestoreTest, RestoreDockGivesBackTheDockFromBeforeTheHide) {
  const Damage damages[] = {
      {"an integer too large for 64 bits", "\"AaaDamaged\"",
       [](const std::string& text) {
         return withFirstEntry(text, "\t<key>AaaDamaged</key>\n\t<integer>99999999999999999999</integer>\n");
       }},
      {"a real out of range", "\"AaaDamaged\"",
       [](const std::string& text) {
         return withFirstEntry(text, "\t<key>AaaDamaged</key>\n\t<real>1e400</real>\n");
       }},
      {"a tail cut short", "missing </string>",
       [](const std::string& text) {
         return text.substr(0, text.rfind("</dict>")) + "\t<key>zzzDamaged</key>\n\t<string>cut o";
       }},
  };
  for (const auto& damage : damages) {
    SCOPED_TRACE(damage.name);
    Sandbox sandbox;
    sandbox.setDockDomain(kUsersDock);

    // The run dies without any clean-up right after the hide's last step, the Dock's restart.
    PelkoProcess hide(sandbox, {}, {{"PELKO_SIM_KILL_PARENT_AFTER_RUN", "9"}});
    auto killed = hide.wait();
    ASSERT_TRUE(killed && !killed->exited && killed->signal == SIGKILL) << hide.output();
    ASSERT_NE(sandbox.dockDomain(), kUsersDock) << "the Dock was not hidden";
    ASSERT_EQ(sandbox.dockCommands().back(), "killall Dock");
    ASSERT_EQ(sandbox.defaults().count("PelkoDockRecoveryNeeded"), 1u);

    const std::string intact = readWholeFile(sandbox.defaultsFile());
    const std::string damaged = damage.apply(intact);
    ASSERT_NE(damaged, intact);
    writeWholeFile(sandbox.defaultsFile(), damaged);

    PelkoProcess restore(sandbox, {"--restore-dock"});
    auto ending = restore.wait();
    ASSERT_TRUE(ending && ending->exited && ending->status == 0) << restore.output();
    EXPECT_EQ(sandbox.dockDomain(), kUsersDock) << restore.output();
    EXPECT_EQ(sandbox.defaults().count("PelkoDockRecoveryNeeded"), 0u) << "the record went with the restore";
    EXPECT_NE(restore.output().find(damage.reported), std::string::npos) << restore.output();

    // The damaged file is kept for the user, as it was.
    size_t keptAside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(sandbox.path("config/pelko"))) {
      if (entry.path().filename().string().rfind("com.pelko.app.plist.corrupt-", 0) != 0) continue;
      ++keptAside;
      EXPECT_EQ(readWholeFile(entry.path().string()), damaged);
    }
    EXPECT_EQ(keptAside, 1u);
  }
}

// While a copy runs, the settings file is that copy's: a restore-only run gives the Dock back but leaves
// a damaged file as it is, for the running copy to keep aside and tell.
TEST(DamagedSettingsRestoreTest, WhileACopyRunsARestoreLeavesADamagedSettingsFileAsItIs) {
  Sandbox sandbox;
  sandbox.setDockDomain(kUsersDock);
  PelkoProcess running(sandbox);
  ASSERT_TRUE(running.waitUntilReady()) << running.output();
  ASSERT_TRUE(waitForTheHide(running, sandbox));
  const std::string damaged = withFirstEntry(readWholeFile(sandbox.defaultsFile()),
                                             "\t<key>AaaDamaged</key>\n\t<real>1e400</real>\n");
  writeWholeFile(sandbox.defaultsFile(), damaged);

  PelkoProcess restore(sandbox, {"--restore-dock"});
  ASSERT_TRUE(endsWith(restore, 0));
  EXPECT_EQ(sandbox.dockDomain(), kUsersDock) << restore.output();
  EXPECT_EQ(readWholeFile(sandbox.defaultsFile()), damaged);
  EXPECT_EQ(restore.output().find("AaaDamaged"), std::string::npos) << restore.output();
  for (const auto& entry : std::filesystem::directory_iterator(sandbox.path("config/pelko")))
    EXPECT_FALSE(entry.path().filename().string().starts_with("com.pelko.app.plist.corrupt-"))
        << entry.path();
}

// The record also has a copy of its own beside the settings, so even damage that costs the settings
// file its recovery keys, or the whole file, does not cost the Dock the user's own timing.
TEST(DamagedSettingsRestoreTest, RestoreDockFallsBackToTheRecordsCopyWhenTheSettingsLostTheirRecord) {
  const Dictionary usersDock = {{"autohide", true},
                                {"autohide-delay", 0.5},
                                {"autohide-time-modifier", 2.0},
                                {"mineffect", "scale"},
                                {"orientation", "left"}};
  const char* recoveryKeys[] = {"PelkoDockRecoveryNeeded",
                                "PelkoPreviousAutoHide",
                                "PelkoPreviousMinEffect",
                                "PelkoPreviousAutoHideDelay",
                                "PelkoPreviousAutoHideTimeModifier",
                                "PelkoPreviousAbsentDockKeys"};
  struct Ruin {
    const char* name;
    std::function<void(const std::string& file)> apply;
  };
  const Ruin ruins[] = {
      {"garbage", [](const std::string& file) { writeWholeFile(file, "\x01\x02 not a property list"); }},
      {"deleted", [](const std::string& file) { std::filesystem::remove(file); }},
      {"recovery keys of the wrong type",
       [&](const std::string& file) {
         Dictionary values = Sandbox::readPlist(file);
         for (const char* key : recoveryKeys) {
           ASSERT_TRUE(values.count(key) || std::string(key) == "PelkoPreviousAbsentDockKeys") << key;
           values[key] = platform::PlistDate{0};
         }
         Sandbox::writePlist(file, values);
       }},
      {"a FIFO in its place",
       [](const std::string& file) {
         std::filesystem::remove(file);
         ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
       }},
      // A FIFO of its own rather than a device of the system, which a fault would move aside.
      {"a link to a FIFO in its place",
       [](const std::string& file) {
         std::filesystem::remove(file);
         ASSERT_EQ(::mkfifo((file + ".fifo").c_str(), 0600), 0);
         std::filesystem::create_symlink(file + ".fifo", file);
       }},
  };
  for (const auto& ruin : ruins) {
    SCOPED_TRACE(ruin.name);
    Sandbox sandbox;
    sandbox.setDockDomain(usersDock);
    PelkoProcess hide(sandbox, {}, {{"PELKO_SIM_KILL_PARENT_AFTER_RUN", "9"}});
    auto killed = hide.wait();
    ASSERT_TRUE(killed && !killed->exited && killed->signal == SIGKILL) << hide.output();
    ASSERT_NE(sandbox.dockDomain(), usersDock) << "the Dock was not hidden";
    const std::string copy = sandbox.path("config/pelko/com.pelko.app.dock-record.plist");
    ASSERT_TRUE(std::filesystem::exists(copy));

    ruin.apply(sandbox.defaultsFile());

    PelkoProcess restore(sandbox, {"--restore-dock"}, {{"PELKO_DEBUG_LOG", "1"}});
    auto ending = restore.wait();
    ASSERT_TRUE(ending && ending->exited && ending->status == 0) << restore.output();
    EXPECT_EQ(sandbox.dockDomain(), usersDock) << restore.output();
    EXPECT_NE(restore.output().find("using its copy"), std::string::npos) << restore.output();
    EXPECT_FALSE(std::filesystem::exists(copy)) << "the copy went with the record";
  }
}

}  // namespace
}  // namespace pelko::testing
