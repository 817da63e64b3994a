#include "foundation/CombineLatest.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "foundation/Published.h"

namespace pelko {
namespace {

TEST(CombineLatest, WaitsForEveryInputThenDeliversOnEachChange) {
  Subject<int> numbers;
  Published<std::string> name(std::string("a"));
  std::vector<std::tuple<int, std::string, bool>> seen;
  auto subscription = combineLatest(numbers.publisher(), name.publisher(), just(true))
                          .sink([&](const std::tuple<int, std::string, bool>& v) { seen.push_back(v); });
  EXPECT_TRUE(seen.empty());  // no number yet
  numbers.send(1);
  name = "b";
  numbers.send(2);
  using T = std::tuple<int, std::string, bool>;
  EXPECT_EQ(seen, (std::vector<T>{{1, "a", true}, {1, "b", true}, {2, "b", true}}));
  subscription.cancel();
  numbers.send(3);
  EXPECT_EQ(seen.size(), 3u);
}

}  // namespace
}  // namespace pelko
