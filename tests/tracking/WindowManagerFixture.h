#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "foundation/DebugLog.h"
#include "support/SimulatedSystem.h"
#include "tracking/TrackedApp.h"

namespace pelko::testing {

using Texts = std::vector<std::string>;

// A window manager on a fresh simulated Mac, with the diagnostic log captured.
class WindowManagerTest : public ::testing::Test, protected test::SimulatedSystem {
 protected:
  WindowManagerTest() {
    previousSink_ = setDebugLogSink([this](std::string_view message) { logs.emplace_back(message); });
  }
  ~WindowManagerTest() override { setDebugLogSink(previousSink_); }

  int32_t launch(const std::string& bundleID, const std::string& name = "App") {
    int32_t pid =
        mac.launchApp({.bundleID = bundleID, .name = name, .bundlePath = "/Applications/" + name + ".app"});
    scheduler.runUntilIdle();
    return pid;
  }
  platform::WindowID open(int32_t pid, const std::string& title, Rect bounds = {100, 100, 800, 600},
                          bool minimized = false) {
    auto window = mac.openWindow(pid, {.title = title, .bounds = bounds, .minimized = minimized});
    scheduler.runUntilIdle();
    return window;
  }

  TrackedAppPtr appEntry(int32_t pid, bool active = false, bool hidden = false, bool minimized = false) {
    return std::make_shared<TrackedApp>("com.example.app", "App", AppImage{}, pid, active, hidden, minimized,
                                        std::nullopt, std::nullopt);
  }
  TrackedAppPtr windowEntry(int32_t pid, std::optional<int64_t> window, std::optional<std::string> title,
                            bool active = false, bool hidden = false) {
    return std::make_shared<TrackedApp>("com.example.app", "App", AppImage{}, pid, active, hidden, false,
                                        std::move(title), window);
  }

  bool minimized(platform::WindowID window) const { return mac.window(window)->minimized; }
  bool logged(const std::string& message) const {
    return std::find(logs.begin(), logs.end(), message) != logs.end();
  }
  // The actions recorded since the last clear whose text begins with `prefix`.
  std::vector<std::string> actionsStartingWith(const std::string& prefix) const {
    std::vector<std::string> result;
    for (const auto& text : mac.actionTexts())
      if (text.rfind(prefix, 0) == 0) result.push_back(text);
    return result;
  }
  bool acted(const std::string& text) const {
    auto texts = mac.actionTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
  static std::string w(platform::WindowID window) { return std::to_string(window); }
  static std::string activateAction(int32_t pid) {
    return "activate pid=" + std::to_string(pid) + " options=0";
  }

  std::shared_ptr<WindowManager>& manager = windowManager;
  std::vector<std::string> logs;

 private:
  DebugLogSink previousSink_;
};

}  // namespace pelko::testing
