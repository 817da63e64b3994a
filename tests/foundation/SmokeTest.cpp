#include <gtest/gtest.h>
#include "foundation/Published.h"
#include "foundation/VirtualScheduler.h"
TEST(Smoke, Builds) {
  pelko::VirtualScheduler s;
  pelko::Published<int> p(1);
  int got = 0;
  auto c = p.publisher().sink([&](int v) { got = v; });
  p = 3;
  EXPECT_EQ(got, 3);
}
