// What the program prints of a path or of a file's text, in its messages and in its log, stays on its
// line and tells a terminal nothing.

#include <gtest/gtest.h>

#include <string>

#include "PelkoProcess.h"

namespace pelko::testing {
namespace {

TEST(PrintedTextTest, AScenarioPathWithControlCharactersIsNamedWithThemHidden) {
  Sandbox sandbox;
  const std::string scenario = sandbox.path("sce\x1B[2Jnario\x07\n.json");
  writeWholeFile(scenario, R"({"applications": [{"bundleID": "com.x"}]})");
  PelkoProcess run(sandbox, {}, {{"PELKO_SCENARIO", scenario}});
  ASSERT_TRUE(endsWith(run, 2));
  EXPECT_NE(run.output().find("Pelko: cannot use the scenario " + sandbox.path("sce?[2Jnario??.json") +
                              ": applications[0].name is required\n"),
            std::string::npos)
      << run.output();
  EXPECT_EQ(run.output().find_first_of("\x1B\x07"), std::string::npos) << run.output();
}

// The log says what the settings file held of the previous run's crash; the file is the user's to edit.
TEST(PrintedTextTest, ATextFromTheSettingsFileReachesTheLogWithItsControlCharactersHidden) {
  Sandbox sandbox;
  sandbox.setDefaults({{"PelkoLastCrash", "boom\x1B[2J\x07\nagain"}});
  PelkoProcess run(sandbox, {}, {{"PELKO_TEST_HOOK_QUIT", "1"}});
  ASSERT_TRUE(endsWith(run, 0));
  EXPECT_NE(run.output().find("AppDelegate: Previous session crashed: boom?[2J??again\n"), std::string::npos)
      << run.output();
  EXPECT_EQ(run.output().find_first_of("\x1B\x07"), std::string::npos) << run.output();
}

}  // namespace
}  // namespace pelko::testing
