// A user who keeps the settings file in a folder of their own links it into place: the program reads it
// through the link and saves it where the link points, and the link stays.

#include <gtest/gtest.h>

#include <filesystem>

#include "PelkoProcess.h"

namespace pelko::testing {
namespace {

TEST(SettingsLinkTest, ALinkedSettingsFileIsReadAndSavedThroughItsLink) {
  Sandbox sandbox;
  std::filesystem::create_directories(sandbox.path("mine"));
  const std::string target = sandbox.path("mine/pelko.plist");
  Sandbox::writePlist(target, {{"PelkoOnboardingComplete", true}, {"position", "left"}});
  std::filesystem::remove(sandbox.defaultsFile());
  std::filesystem::create_symlink(target, sandbox.defaultsFile());
  sandbox.setDockDomain({{"autohide", false}});

  PelkoProcess run(sandbox);
  ASSERT_TRUE(run.waitUntilReady()) << run.output();
  ASSERT_TRUE(waitForTheHide(run, sandbox));
  // The hide's record is saved where the link points, beside what was read through it.
  const Sandbox::Dictionary saved = Sandbox::readPlist(target);
  EXPECT_EQ(saved.count("PelkoDockRecoveryNeeded"), 1u) << run.output();
  EXPECT_EQ(saved.count("position") ? saved.at("position") : platform::PlistValue(),
            platform::PlistValue("left"));
  // A logout leaves the Dock hidden, and its record with the settings, where the link points.
  EXPECT_EQ(run.terminate(), "");
  EXPECT_TRUE(std::filesystem::is_symlink(sandbox.defaultsFile()));
  EXPECT_EQ(std::filesystem::read_symlink(sandbox.defaultsFile()).string(), target);
  EXPECT_EQ(Sandbox::readPlist(target).count("PelkoDockRecoveryNeeded"), 1u);
  EXPECT_EQ(run.output().find("Settings Could Not Be Read"), std::string::npos) << run.output();
}

}  // namespace
}  // namespace pelko::testing
