// A data race of our own, planted for scripts/check-suppressions.sh to find (built and registered only with
// -DPELKO_PLANTED_RACE=ON): a timer's task on the main thread and a thread of its own both write one
// counter, and nothing orders the two writes. The timer's task runs from Qt's event delivery, so frames of
// libQt6Core lie below it; that library's entry must not hide it. The test passes unless a sanitizer
// reports the race.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <thread>

#include "platform/real/RealScheduler.h"

namespace pelko::real {
namespace {

TEST(PlantedRaceTest, ATimersTaskAndAnotherThreadWriteOneCounter) {
  RealScheduler scheduler;
  int counter = 0;
  bool timerRan = false;
  // Relaxed on purpose: the flag tells the main thread the other one is done without ordering its write.
  std::atomic<bool> threadRan{false};
  auto timer = scheduler.scheduleOneShot(0, 0, [&] {
    ++counter;
    timerRan = true;
  });
  std::thread other([&] {
    ++counter;
    threadRan.store(true, std::memory_order_relaxed);
  });
  while (!timerRan || !threadRan.load(std::memory_order_relaxed)) {
    QCoreApplication::processEvents();
    std::this_thread::yield();
  }
  other.join();
  EXPECT_EQ(counter, 2);
}

}  // namespace
}  // namespace pelko::real
