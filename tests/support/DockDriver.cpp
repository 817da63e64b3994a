// Runs one Dock operation in a process of its own, as the application would, so that a test can cut it
// short at any point:
//
//   pelko_dock_driver DEFAULTS_FILE DEFAULTS_TOOL KILLALL_TOOL MODE [KILL_AFTER_STEP]
//
// MODE is "hide" (hideDock and run it to its end), "restore" (restoreDock) or "recover" (the start-up
// recovery: emergencyRestoreDock when a record says the Dock needs it). DEFAULTS_FILE holds the
// application's user defaults; it is written only when the Dock manager synchronizes, so whatever the
// manager did not synchronize is lost at a kill, as it could be in the application. A step is one tool
// run or one synchronize; right after step KILL_AFTER_STEP the driver sends itself SIGKILL. Without a
// kill it prints "steps N" and exits 0. The tools need PELKO_SIM_DOCK_DIR in the environment.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/VirtualScheduler.h"
#include "platform/PlistXml.h"
#include "platform/real/PosixChildProcess.h"
#include "screens/DockManager.h"
#include "support/FakeDockWorld.h"

namespace {

int gSteps = 0;
int gKillAfter = -1;

void stepDone() {
  if (++gSteps == gKillAfter) ::raise(SIGKILL);
}

class CountingChildProcess final : public pelko::platform::ChildProcess {
 public:
  pelko::platform::ChildProcessResult run(const std::string& path, const std::vector<std::string>& arguments,
                                          double timeoutSeconds) override {
    auto result = inner_.run(path, arguments, timeoutSeconds);
    stepDone();
    return result;
  }

 private:
  pelko::real::PosixChildProcess inner_;
};

// User defaults that reach the disk only through synchronize().
class SyncOnlyFileDefaults final : public pelko::platform::UserDefaults {
 public:
  explicit SyncOnlyFileDefaults(std::string path) : path_(std::move(path)) {
    std::ifstream in(path_);
    if (!in) return;
    std::stringstream text;
    text << in.rdbuf();
    auto root = pelko::platform::parsePlistXml(text.str());
    if (!root || !root->isDictionary()) {
      std::fprintf(stderr, "unreadable defaults file %s\n", path_.c_str());
      std::exit(3);
    }
    values_ = *root->asDictionary();
  }

  bool synchronize() override {
    std::string temporary = path_ + ".tmp";
    std::string text = pelko::platform::writePlistXml(pelko::platform::PlistValue(values_));
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bool ok = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
              ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    ok = ok && ::rename(temporary.c_str(), path_.c_str()) == 0;
    stepDone();
    return ok;
  }
  std::optional<pelko::platform::PlistValue> storedObject(const std::string& key) const override {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }
  pelko::platform::PlistValue::Dictionary storedDictionary() const override { return values_; }

 protected:
  void store(const std::string& key, pelko::platform::PlistValue value) override {
    values_[key] = std::move(value);
  }
  void erase(const std::string& key) override { values_.erase(key); }

 private:
  std::string path_;
  pelko::platform::PlistValue::Dictionary values_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fputs("usage: pelko_dock_driver DEFAULTS_FILE DEFAULTS_TOOL KILLALL_TOOL MODE [KILL_AFTER_STEP]\n",
               stderr);
    return 2;
  }
  std::string mode = argv[4];
  if (argc == 6) gKillAfter = std::atoi(argv[5]);

  SyncOnlyFileDefaults defaults(argv[1]);
  CountingChildProcess childProcess;
  pelko::DockManager::Services services{childProcess, defaults};
  services.defaultsPath = argv[2];
  services.killallPath = argv[3];
  services.appVersion = "1.0";

  pelko::VirtualScheduler scheduler;
  pelko::testing::FakeWorkspace workspace;
  pelko::testing::FakeWindowServer windowServer;

  if (mode == "hide") {
    pelko::DockManager manager(scheduler, workspace, windowServer, services);
    manager.hideDock();
    scheduler.runUntilIdle();
  } else if (mode == "restore") {
    pelko::DockManager manager(scheduler, workspace, windowServer, services);
    manager.restoreDock();
  } else if (mode == "recover") {
    if (pelko::DockManager::needsRecovery(defaults)) pelko::DockManager::emergencyRestoreDock(services);
  } else {
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
  }
  std::printf("steps %d\n", gSteps);
  return 0;
}
