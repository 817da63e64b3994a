#include <gtest/gtest.h>

#include "foundation/VirtualScheduler.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko {
namespace {

class SimWindowImageTest : public ::testing::Test {
 protected:
  VirtualScheduler scheduler;
  sim::SimulatedMac mac{scheduler};
  int32_t pid = mac.launchApp(
      {.bundleID = "com.example.Paint", .name = "Paint", .icon = platform::AppIcon{"paint", {1, 0, 0, 1}}});
  platform::WindowServer& server = mac.windowServer();
};

TEST_F(SimWindowImageTest, AWindowIsDrawnAtItsBoundsTimesItsDisplaysScale) {
  mac.addDisplay({.bounds = {1920, 0, 1280, 800}, .scale = 1.0});
  const auto retina = mac.openWindow(pid, {.bounds = {10, 10, 400, 300}});
  const auto plain = mac.openWindow(pid, {.bounds = {2000, 10, 400, 300}});
  const auto a = server.createWindowImage(retina), b = server.createWindowImage(plain);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(std::pair(a->width, a->height), std::pair(800, 600));
  EXPECT_EQ(std::pair(b->width, b->height), std::pair(400, 300));
  EXPECT_EQ(a->pixels[0], 0xFFDBDBE0u) << "the title strip";
  const uint32_t body = a->pixels[100 * 800 + 401];
  EXPECT_GT((body >> 16 & 0xFF) - (body >> 8 & 0xFF), 50u) << "the body tinted red";
  EXPECT_NE(a->pixels, server.createWindowImage(mac.openWindow(pid, {.bounds = {10, 10, 400, 300}}))->pixels)
      << "each window has its own pattern";
  EXPECT_EQ(mac.windowCaptureCount(), 3);
}

}  // namespace
}  // namespace pelko
