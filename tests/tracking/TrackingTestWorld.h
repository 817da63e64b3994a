#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/DebugLog.h"
#include "support/AppTrackerTestAccess.h"
#include "support/SimulatedSystem.h"
#include "tracking/TrackedApp.h"

namespace pelko::testing {

using Texts = std::vector<std::string>;

// A simulated Mac with a settings store, a window manager and the tracker under test, wired as the
// application shell wires them.
class AppTrackerTest : public ::testing::Test, protected test::SimulatedSystem {
 protected:
  using Access = AppTrackerTestAccess;

  AppTrackerTest() : test::SimulatedSystem([this] { return ownWindows; }) {
    connectTracker();
    std::weak_ptr<AppTracker> weak = tracker;
    windowManager->onPendingFocusChanged = [weak] {
      if (auto t = weak.lock()) t->pendingFocusChanged();
    };
    subscriptions.push_back(
        tracker->apps.publisher().dropFirst().sink([this](const auto&) { ++listPublications; }));
    subscriptions.push_back(tracker->displayIDGeneration.publisher().dropFirst().sink(
        [this](const auto&) { ++displayGenerationPublications; }));
  }

  std::vector<AppTracker::OwnWindow> ownWindows;
  // Publications of the list and of the display counter, counted from after the first delivery.
  int listPublications = 0;
  int displayGenerationPublications = 0;
  std::vector<Cancellable> subscriptions;

  void TearDown() override {
    if (tracker && tracker->isRunning()) tracker->stop();
  }

  void setGrouped(bool grouped) { settings->groupWindows = grouped; }

  // A regular application "com.example.<name>" shown as <Name>, with windows of the given titles.
  int32_t app(const std::string& name, std::initializer_list<std::string> titles = {}, bool activate = true) {
    std::string shown = name;
    shown[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(shown[0])));
    const std::string path = "/Applications/" + shown + ".app";
    int32_t pid = mac.launchApp({.bundleID = "com.example." + name,
                                 .name = shown,
                                 .icon = platform::AppIcon{path, Color{0.2, 0.4, 0.8, 1.0}},
                                 .bundlePath = path,
                                 .activate = activate});
    for (const auto& title : titles) open(pid, title);
    return pid;
  }
  platform::WindowID open(int32_t pid, const std::string& title, Rect bounds = Rect(100, 100, 800, 600)) {
    return mac.openWindow(pid, {.title = title, .bounds = bounds});
  }

  // An editor with one window and then a browser, frontmost, with its start page; tracked and settled.
  std::pair<int32_t, int32_t> startWithEditorAndBrowser(const std::string& editorWindow) {
    std::pair pids{app("editor", {editorWindow}), app("browser", {"Start Page"})};
    startAndSettle();
    return pids;
  }

  // Lets the notifications, the queue phase and the completion of any pass run.
  void settle() { scheduler.runUntilIdle(); }
  // One forced pass, run to completion.
  void refresh() {
    tracker->forceRefresh();
    settle();
  }
  // Starts the tracker and lets the first pass and the start-up refreshes finish.
  void startAndSettle() {
    tracker->start();
    scheduler.advance(4.5);
  }

  const std::vector<TrackedAppPtr>& apps() const { return tracker->apps.get(); }
  std::vector<std::string> ids() const {
    std::vector<std::string> result;
    for (const auto& app : apps()) result.push_back(app->id);
    return result;
  }
  // A bundle identifier without a dot is short for "com.example.<name>".
  static std::string idOf(const std::string& bundleID, int32_t pid, std::optional<int64_t> window = {}) {
    return TrackedApp::makeID(bundleID.find('.') == std::string::npos ? "com.example." + bundleID : bundleID,
                              pid, window);
  }
  TrackedAppPtr tracked(const std::string& bundleID, int32_t pid, std::optional<int64_t> window = {}) const {
    for (const auto& app : apps())
      if (app->id == idOf(bundleID, pid, window)) return app;
    return nullptr;
  }
};

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
