// The Dock's recovery record lives in the settings file beside every other setting, so damage elsewhere
// in that file must not cost it: after a run hid the Dock and died, `pelko --restore-dock` puts back
// exactly the Dock from before the hide, however the rest of the file was spoilt.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace pelko::testing
