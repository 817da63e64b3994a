#include "screens/DockPreferences.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

// A `defaults` that prints the given bytes and succeeds.
class PrintingTool : public platform::ChildProcess {
 public:
  std::string output;
  platform::ChildProcessResult run(const std::string&, const std::vector<std::string>&, double) override {
    platform::ChildProcessResult result;
    result.termination = platform::ChildProcessResult::Termination::exited;
    result.exitStatus = 0;
    result.standardOutput = output;
    return result;
  }
};

TEST(DockPreferencesRead, OutputThatIsNotStrictUtf8IsAFailedRead) {
  const std::pair<std::string, DockPreferences::ReadStatus> cases[] = {
      {"g\xC3\xA9nie\n", DockPreferences::ReadStatus::value},
      {"\xC0\xAF\n", DockPreferences::ReadStatus::failed},  // an overlong "/"
      {"\xED\xA0\x80\n", DockPreferences::ReadStatus::failed},
      {"\xF4\x90\x80\x80\n", DockPreferences::ReadStatus::failed},
  };
  PrintingTool tool;
  DockPreferences preferences(tool, "defaults", "killall", 1);
  for (const auto& [output, status] : cases) {
    tool.output = output;
    const auto read = preferences.read("mineffect");
    EXPECT_EQ(read.status, status) << output;
    EXPECT_EQ(read.text, status == DockPreferences::ReadStatus::value ? "g\xC3\xA9nie" : "") << output;
  }
}

}  // namespace
}  // namespace pelko
