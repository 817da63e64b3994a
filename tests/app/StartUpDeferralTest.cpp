// What start-up keeps off the way to the first bar on screen still happens: the program's window icon
// (once, and before any alert), and the font configuration's load on a thread of its own.

#include <gtest/gtest.h>

#include <latch>
#include <thread>

#include "app/ApplicationWindowIcon.h"
#include "app/FontWarmUp.h"
#include "platform/sim/SimAlerts.h"

namespace pelko {
namespace {

TEST(ApplicationWindowIconTest, IsSetOnceHoweverOftenItIsAskedFor) {
  int installs = 0;
  ApplicationWindowIcon icon([&] { ++installs; });
  EXPECT_FALSE(icon.isInstalled());
  icon.install();
  icon.install();
  EXPECT_TRUE(icon.isInstalled());
  EXPECT_EQ(installs, 1);
}

TEST(ApplicationWindowIconTest, AnAlertBeforeTheBarsCarriesTheIconAndItsAnswerComesBack) {
  std::vector<std::string> events;
  ApplicationWindowIcon icon([&] { events.push_back("icon"); });
  auto inner = std::make_unique<sim::SimAlerts>();
  sim::SimAlerts& shown = *inner;
  shown.onShow = [&](const platform::AlertContent& alert) { events.push_back(alert.messageText); };
  shown.scriptedAnswers = {1, 0};
  AlertsWithWindowIcon alerts(std::move(inner), icon);

  platform::AlertContent alert;
  alert.messageText = "Pelko's Settings Could Not Be Read";
  alert.buttons = {"OK", "Cancel"};
  EXPECT_EQ(alerts.runModal(alert, {}), 1);
  alert.messageText = "Pelko is Already Running";
  EXPECT_EQ(alerts.runModal(alert, {}), 0);
  EXPECT_EQ(events, (std::vector<std::string>{"icon", "Pelko's Settings Could Not Be Read",
                                              "Pelko is Already Running"}));
}

TEST(FontWarmUpTest, LoadsOffTheStartingThreadAndHasEndedOnceGone) {
  std::thread::id loader;
  bool loaded = false;
  std::latch release(1);
  {
    FontWarmUp warmUp([&] {
      loader = std::this_thread::get_id();
      release.wait();
      loaded = true;
    });
    // The starting thread goes on while the load still runs.
    release.count_down();
  }
  EXPECT_TRUE(loaded);
  EXPECT_NE(loader, std::this_thread::get_id());
}

}  // namespace
}  // namespace pelko
