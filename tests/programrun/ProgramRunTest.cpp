// What one run of the program owns goes in an order that matters. This binary makes its own application
// object, so it has a main of its own rather than the suite's, which makes one for every test.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "app/ProgramRun.h"

namespace pelko {
namespace {

// What happened, in order, from any thread.
class EventLog {
 public:
  void add(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  std::vector<std::string> events() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> events_;
};

class RecordingApplication : public QCoreApplication {
 public:
  RecordingApplication(int& argc, char** argv, EventLog& log) : QCoreApplication(argc, argv), log_(log) {}
  ~RecordingApplication() override { log_.add("application destroyed"); }

 private:
  EventLog& log_;
};

// The application's fonts share fontconfig's state with the warm-up's thread, which may still be loading
// it when main() ends early (an unusable scenario): the thread must be joined before the application
// goes. The load here runs until the warm-up is being destroyed, so the log tells which went first.
TEST(ProgramRunTest, TheFontWarmUpIsJoinedBeforeTheApplicationGoes) {
  EventLog log;
  {
    ProgramRun run;
    run.fontWarmUp.emplace([&log](std::stop_token stop) {
      std::mutex mutex;
      std::condition_variable_any stopped;
      std::unique_lock lock(mutex);
      stopped.wait(lock, stop, [] { return false; });
      log.add("font load ended");
    });
    int argc = 1;
    char name[] = "pelko";
    char* argv[] = {name, nullptr};
    run.application = std::make_unique<RecordingApplication>(argc, argv, log);
  }
  EXPECT_EQ(log.events(), (std::vector<std::string>{"font load ended", "application destroyed"}));
}

}  // namespace
}  // namespace pelko
