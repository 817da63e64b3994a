// Copies of the program started at one instant on a damaged settings file: only the copy that runs
// reads the file, keeps it aside and tells it, so the readable settings survive every race and the
// user's bytes are kept once.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "PelkoProcess.h"

namespace pelko::testing {
namespace {

const std::map<std::string, std::string> kQuit = {{"PELKO_TEST_HOOK_QUIT", "1"}};

// Cut short inside its third of four entries: the first-run guide seen and the position are readable.
const std::string kCutShort =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
    "\t<key>PelkoOnboardingComplete</key>\n\t<true/>\n"
    "\t<key>position</key>\n\t<string>left</string>\n"
    "\t<key>showThumbnails</key>\n\t<fal";

// Whether process `pid` has `file` open.
bool holdsOpen(pid_t pid, const std::string& file) {
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    std::error_code unreadable;
    if (std::filesystem::read_symlink(entry.path(), unreadable) == file) return true;
  }
  return false;
}

// Starts `count` copies that each wait at one barrier (a FIFO they read until it ends) and lets them
// all go at once when every one of them waits there.
std::vector<std::unique_ptr<PelkoProcess>> startTogether(Sandbox& sandbox, int count) {
  const std::string barrier = sandbox.path("barrier");
  std::filesystem::remove(barrier);
  EXPECT_EQ(::mkfifo(barrier.c_str(), 0600), 0);
  // Held open for writing, the FIFO lets each copy open it at once, and each then reads until it ends.
  const int gate = ::open(barrier.c_str(), O_RDWR | O_CLOEXEC);
  EXPECT_GE(gate, 0);
  sandbox.launcher = {"/bin/sh", "-c", "read _ < \"$0\"; exec \"$@\"", barrier};
  std::vector<std::unique_ptr<PelkoProcess>> runs;
  for (int i = 0; i < count; ++i)
    runs.push_back(std::make_unique<PelkoProcess>(sandbox, std::vector<std::string>{}, kQuit));
  for (int tries = 0; tries < 1000; ++tries) {
    bool allWait = true;
    for (const auto& run : runs) allWait = allWait && holdsOpen(run->pid(), barrier);
    if (allWait) break;
    ::poll(nullptr, 0, 5);
  }
  ::close(gate);  // every copy's read ends here
  return runs;
}

TEST(SettingsFileRaceTest, CopiesStartedTogetherOnADamagedFileKeepItsReadableSettingsAndItsBytesOnce) {
  constexpr int kCopies = 4;
  constexpr int kRounds = 12;
  const std::string alertTitle = "Pelko alert: Pelko's Settings Could Not Be Read";
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Sandbox sandbox;
    writeWholeFile(sandbox.defaultsFile(), kCutShort);
    auto runs = startTogether(sandbox, kCopies);

    std::string outputs;
    int alerts = 0;
    for (auto& run : runs) {
      EXPECT_TRUE(endsWith(*run, 0));
      outputs += run->output();
      for (size_t at = run->output().find(alertTitle); at != std::string::npos;
           at = run->output().find(alertTitle, at + 1))
        ++alerts;
    }
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(sandbox.path("config/pelko"))) {
      if (entry.path().filename().string().starts_with("com.pelko.app.plist.corrupt-"))
        kept.push_back(entry.path());
    }
    ASSERT_EQ(kept.size(), 1u) << outputs;
    EXPECT_EQ(readWholeFile(kept[0]), kCutShort);
    EXPECT_EQ(alerts, 1) << outputs;
    EXPECT_NE(outputs.find(alertTitle + "\n  The settings file was damaged. It was kept as " + kept[0] + ";"),
              std::string::npos)
        << outputs;
    const Sandbox::Dictionary settings = sandbox.defaults();
    const auto said = [&settings](const char* key) -> std::string {
      auto it = settings.find(key);
      if (it == settings.end()) return "(missing)";
      if (const bool* flag = it->second.asBool()) return *flag ? "true" : "false";
      if (const std::string* text = it->second.asString()) return *text;
      return "(another kind)";
    };
    EXPECT_EQ(said("PelkoOnboardingComplete"), "true") << outputs;
    EXPECT_EQ(said("position"), "left") << outputs;
  }
}

}  // namespace
}  // namespace pelko::testing
