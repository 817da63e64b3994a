#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "foundation/CombineLatest.h"
#include "foundation/Published.h"
#include "foundation/Subject.h"
#include "foundation/VirtualScheduler.h"

namespace pelko {
namespace {

TEST(Published, SubscriberGetsCurrentValueThenEveryAssignmentBeforeItIsStored) {
  Published<int> property(1);
  std::vector<std::pair<int, int>> seen;  // (delivered, held while delivering)
  auto subscription = property.publisher().sink([&](int v) { seen.emplace_back(v, property.get()); });
  property = 2;
  property = 2;  // unchanged values are delivered too
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {2, 2}}));
  EXPECT_EQ(property.get(), 2);
}

TEST(Published, NestedAssignmentIsDeliveredAtOnceAndTheOuterValueIsStoredLast) {
  Published<int> property(0);
  std::vector<int> first, second;
  auto a = property.publisher().dropFirst().sink([&](int v) {
    first.push_back(v);
    if (v == 1) property = 5;
  });
  auto b = property.publisher().dropFirst().sink([&](int v) { second.push_back(v); });
  property = 1;
  EXPECT_EQ(first, (std::vector<int>{1, 5}));
  EXPECT_EQ(second, (std::vector<int>{5, 1}));
  EXPECT_EQ(property.get(), 1);
}

TEST(Subject, CancellationDuringDeliveryStopsAtOnceAndASubscriberAddedStartsWithTheNextValue) {
  Subject<int> subject;
  std::vector<std::string> log;
  auto logger = [&](std::string name) {
    return [&log, name](int v) { log.push_back(name + std::to_string(v)); };
  };
  Cancellable second, late;
  auto adder = subject.sink([&](int) {
    if (!late.isActive()) late = subject.sink(logger("late "));
  });
  Cancellable first = subject.sink([&](int v) {
    logger("first ")(v);
    if (v < 2) return;
    second.cancel();
    first.cancel();  // cancelling itself is allowed too
  });
  second = subject.sink(logger("second "));
  for (int v : {1, 2, 3}) subject.send(v);
  EXPECT_EQ(log, (std::vector<std::string>{"first 1", "second 1", "first 2", "late 2", "late 3"}));
  adder.cancel();
  late.cancel();
  EXPECT_EQ(subject.subscriberCount(), 0u);
}

TEST(Subject, DroppingTheHandleCancelsAndOutlivingTheSubjectIsSafe) {
  std::vector<int> seen;
  Cancellable kept;
  {
    Subject<int> subject;
    {
      auto dropped = subject.sink([&](int v) { seen.push_back(-v); });
    }
    kept = subject.sink([&](int v) { seen.push_back(v); });
    subject.send(7);
  }
  kept.cancel();
  EXPECT_EQ(seen, (std::vector<int>{7}));
}

TEST(Operators, MapDropFirstAndRemoveDuplicates) {
  Published<int> property(3);
  std::vector<std::string> seen;
  auto s = property.publisher()
               .dropFirst()
               .removeDuplicates()
               .map([](int v) { return std::to_string(v * 10); })
               .sink([&](const std::string& v) { seen.push_back(v); });
  property = 3;
  property = 3;
  property = 4;
  property = 3;
  EXPECT_EQ(seen, (std::vector<std::string>{"30", "40", "30"}));
}

TEST(Operators, MergeDeliversFromEverySource) {
  Subject<int> a, b;
  std::vector<int> seen;
  auto s = merge<int>({a.publisher(), b.publisher()}).sink([&](int v) { seen.push_back(v); });
  a.send(1);
  b.send(2);
  a.send(3);
  s.cancel();
  b.send(4);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

TEST(Operators, CombineLatestWaitsForEveryInputThenDeliversOnEachChange) {
  Subject<int> numbers;
  Published<std::string> name(std::string("a"));
  using T = std::tuple<int, std::string, bool>;
  std::vector<T> seen;
  auto s = combineLatest(numbers.publisher(), name.publisher(), just(true)).sink([&](const T& v) {
    seen.push_back(v);
  });
  EXPECT_TRUE(seen.empty());  // no number yet
  numbers.send(1);
  name = "b";
  numbers.send(2);
  s.cancel();
  numbers.send(3);
  EXPECT_EQ(seen, (std::vector<T>{{1, "a", true}, {1, "b", true}, {2, "b", true}}));
}

class TimedOperators : public ::testing::Test {
 protected:
  VirtualScheduler scheduler;
  Subject<int> subject;
  double start = scheduler.now();
  using Seen = std::vector<std::pair<double, int>>;  // (time since start, value)
  Seen seen;
  auto recorder(Seen& into) {
    return [this, &into](int v) { into.emplace_back(scheduler.now() - start, v); };
  }
  void sendAt(double t, int v) {
    scheduler.advance(t - (scheduler.now() - start));
    subject.send(v);
  }
  static void expectSeen(const Seen& seen, const Seen& expected) {
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_NEAR(seen[i].first, expected[i].first, 1e-6) << "delivery " << i;
      EXPECT_EQ(seen[i].second, expected[i].second) << "delivery " << i;
    }
  }
};

TEST_F(TimedOperators, DebounceDeliversTheLastValueAfterAQuietPeriodAndNothingOnceCancelled) {
  auto s = subject.publisher().debounce(scheduler, 0.05).sink(recorder(seen));
  sendAt(0, 1);
  sendAt(0.04, 2);
  sendAt(0.08, 3);  // each value restarts the wait
  scheduler.advance(0.0499);
  EXPECT_TRUE(seen.empty());
  scheduler.advance(0.0002);
  sendAt(1, 4);
  sendAt(2, 5);
  s.cancel();  // while waiting
  scheduler.advance(1);
  expectSeen(seen, {{0.13, 3}, {1.05, 4}});
}

TEST_F(TimedOperators, ThrottlePassesTheFirstAtOnceThenTheLatestOrFirstPerWindow) {
  Seen first;
  auto latest = subject.publisher().throttle(scheduler, 0.1, true).sink(recorder(seen));
  auto earliest = subject.publisher().throttle(scheduler, 0.1, false).sink(recorder(first));
  sendAt(0, 1);     // at once
  sendAt(0.02, 2);  // held, replaced
  sendAt(0.05, 3);  // held: delivered at 0.1
  sendAt(0.12, 4);  // inside the second window: delivered at 0.2
  scheduler.advance(0.5);
  sendAt(1.0, 5);  // the windows closed: at once again
  expectSeen(seen, {{0, 1}, {0.1, 3}, {0.2, 4}, {1.0, 5}});
  expectSeen(first, {{0, 1}, {0.1, 2}, {0.2, 4}, {1.0, 5}});
}

TEST_F(TimedOperators, ReceiveOnMainIsAlwaysAsynchronousAndHonoursCancellation) {
  std::vector<std::string> order;
  auto s =
      subject.publisher().receiveOnMain(scheduler).sink([&](int v) { order.push_back(std::to_string(v)); });
  scheduler.mainAsync([&] { order.push_back("earlier work"); });
  subject.send(1);
  order.push_back("after send");
  scheduler.runUntilIdle();
  EXPECT_EQ(order, (std::vector<std::string>{"after send", "earlier work", "1"}));

  subject.send(2);  // queued, then cancelled before it runs: never delivered
  s.cancel();
  scheduler.runUntilIdle();
  EXPECT_EQ(order.back(), "1");
}

}  // namespace
}  // namespace pelko
