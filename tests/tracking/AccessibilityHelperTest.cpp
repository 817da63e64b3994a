#include "tracking/AccessibilityHelper.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/VirtualScheduler.h"
#include "platform/Accessibility.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko {
namespace {

using platform::AXCopyResult;
using platform::AXElement;
using platform::AXError;
using ::testing::_;
using ::testing::Return;

class MockAccessibility : public platform::Accessibility {
 public:
  MOCK_METHOD(AXElement, createApplicationElement, (int32_t), (override));
  MOCK_METHOD(AXError, setMessagingTimeout, (const AXElement&, float), (override));
  MOCK_METHOD(AXCopyResult, copyAttributeValue, (const AXElement&, std::string_view), (override));
  MOCK_METHOD(AXError, setAttributeValue, (const AXElement&, std::string_view, const platform::AXValue&),
              (override));
  MOCK_METHOD(AXError, performAction, (const AXElement&, std::string_view), (override));
  MOCK_METHOD(platform::AXWindowNumberResult, windowNumber, (const AXElement&), (override));
  MOCK_METHOD(platform::AXObserverResult, createObserver, (int32_t, platform::AXObserverCallback),
              (override));
};

class AccessibilityHelperTest : public ::testing::Test {
 protected:
  AccessibilityHelper makeHelper(platform::Accessibility& accessibility) {
    return AccessibilityHelper(scheduler, mac.permissions(), accessibility, mac.workspace(), mac.appShell(),
                               [this](const AccessibilityAlert& alert) {
                                 alerts.push_back(alert.messageText);
                                 return answerFirstButton;
                               });
  }

  VirtualScheduler scheduler;
  sim::SimulatedMac mac{scheduler};
  ::testing::NiceMock<MockAccessibility> mock;
  std::vector<std::string> alerts;
  bool answerFirstButton = false;
};

TEST_F(AccessibilityHelperTest, PositionAndSizeNeedValuesOfTheirOwnKindAndBoundsBoth) {
  auto helper = makeHelper(mock);
  AXElement element;
  EXPECT_CALL(mock, copyAttributeValue(_, platform::ax::kPosition))
      .WillOnce(Return(AXCopyResult{AXError::success, platform::AXValue(Size{3, 4})}))
      .WillOnce(Return(AXCopyResult{AXError::success, platform::AXValue("text")}))
      .WillOnce(Return(AXCopyResult{AXError::cannotComplete, std::nullopt}))
      .WillOnce(Return(AXCopyResult{AXError::success, std::nullopt}))
      .WillOnce(Return(AXCopyResult{AXError::success, platform::AXValue(Point{1, 2})}));
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(helper.axPosition(element)) << i;
  EXPECT_EQ(helper.axPosition(element), (Point{1, 2}));

  EXPECT_CALL(mock, copyAttributeValue(_, platform::ax::kSize))
      .WillOnce(Return(AXCopyResult{AXError::success, platform::AXValue(Point{3, 4})}));
  EXPECT_FALSE(helper.axSize(element));
  ::testing::Mock::VerifyAndClearExpectations(&mock);

  // Bounds do not read the size without a position.
  EXPECT_CALL(mock, copyAttributeValue(_, platform::ax::kPosition))
      .WillOnce(Return(AXCopyResult{AXError::noValue, std::nullopt}))
      .WillOnce(Return(AXCopyResult{AXError::success, platform::AXValue(Point{10, 20})}));
  EXPECT_CALL(mock, copyAttributeValue(_, platform::ax::kSize))
      .WillOnce(Return(AXCopyResult{AXError::success, platform::AXValue(Size{30, 40})}));
  EXPECT_FALSE(helper.axBounds(AXElement()));
  EXPECT_EQ(helper.axBounds(AXElement()), Rect(10, 20, 30, 40));
}

TEST_F(AccessibilityHelperTest, AlertOpensThePaneOnlyForTheFirstButtonAndTheMonitorWarnsOncePerLossOfTrust) {
  auto helper = makeHelper(mac.accessibility());
  helper.showAccessibilityAlert();
  EXPECT_TRUE(mac.openedURLs().empty());
  answerFirstButton = true;
  helper.showAccessibilityAlert();
  EXPECT_EQ(mac.openedURLs(),
            std::vector<std::string>{
                "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"});
  EXPECT_EQ(alerts, (std::vector<std::string>(2, "Accessibility Access Required")));

  // The trust monitor warns once per loss of trust that the process had.
  alerts.clear();
  answerFirstButton = false;
  mac.permissions().accessibilityTrusted = true;
  auto timer = helper.startTrustMonitor(30);
  EXPECT_EQ(timer->tolerance(), 5.0);
  mac.permissions().accessibilityTrusted = false;  // lost before the first tick
  scheduler.advance(29.9);
  EXPECT_TRUE(alerts.empty());
  scheduler.advance(0.1);
  EXPECT_EQ(alerts.size(), 1u);
  scheduler.advance(90);  // still untrusted: no more warnings
  EXPECT_EQ(alerts.size(), 1u);
  mac.permissions().accessibilityTrusted = true;
  scheduler.advance(30);
  mac.permissions().accessibilityTrusted = false;
  scheduler.advance(30);
  EXPECT_EQ(alerts, (std::vector<std::string>(2, "Accessibility Access Revoked")));
  EXPECT_EQ(mac.openedURLs().size(), 1u);  // "Dismiss"
  timer->invalidate();
}

// "Revoked" is for trust that was there: a process never trusted (the first run, whose guide asks for
// access) is not told its access was revoked, however long it runs; one granted access later is warned
// when it loses it.
TEST_F(AccessibilityHelperTest, TheTrustMonitorSaysNothingToAProcessThatWasNeverTrusted) {
  auto helper = makeHelper(mac.accessibility());
  struct Step {
    bool trusted;   // from this step on
    double after;   // seconds then run
    size_t alerts;  // warnings so far
  };
  struct Case {
    const char* what;
    bool trustedAtStart;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"never trusted", false, {{false, 30, 0}, {false, 300, 0}}},
      {"granted later, then revoked", false, {{true, 30, 0}, {false, 30, 1}, {false, 90, 1}}},
      {"trusted at start, revoked", true, {{true, 30, 0}, {false, 30, 1}, {false, 90, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    alerts.clear();
    mac.permissions().accessibilityTrusted = c.trustedAtStart;
    auto timer = helper.startTrustMonitor(30);
    for (const Step& step : c.steps) {
      mac.permissions().accessibilityTrusted = step.trusted;
      scheduler.advance(step.after);
      EXPECT_EQ(alerts.size(), step.alerts);
    }
    timer->invalidate();
  }
}

TEST(CGWindowBounds, DecodesOnlyAWellFormedBoundsDictionary) {
  using platform::PlistValue;
  using platform::WindowInfo;
  namespace key = platform::window_key;
  struct Case {
    const char* what;
    WindowInfo entry;
    std::optional<Rect> expected;
  };
  using D = PlistValue::Dictionary;
  // clang-format off
  Case cases[] = {
      {"empty",            {},                                                                  std::nullopt},
      {"no bounds",        {{key::kNumber, PlistValue(7)}},                                     std::nullopt},
      {"not a dictionary", {{key::kBounds, PlistValue("0 0 10 10")}},                           std::nullopt},
      {"missing height",   {{key::kBounds, D{{"X", 1}, {"Y", 2}, {"Width", 3}}}},                std::nullopt},
      {"text number",      {{key::kBounds, D{{"X", "1"}, {"Y", 2}, {"Width", 3}, {"Height", 4}}}}, std::nullopt},
      {"good",             {{key::kBounds, platform::rectDictionary(Rect(1, 2, 3.5, 4))}},      Rect(1, 2, 3.5, 4)},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(cgWindowBounds(c.entry), c.expected) << c.what;
}

}  // namespace
}  // namespace pelko
