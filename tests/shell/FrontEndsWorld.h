#pragma once

#include <memory>

#include "ShellTestWorld.h"
#include "platform/sim/SimClipboard.h"
#include "platform/sim/SimStatusItem.h"
#include "platform/sim/SimUpdater.h"
#include "platform/sim/SimUrlDelivery.h"
#include "shell/WindowPresenters.h"

namespace pelko::testing {

// What happened to one kind of window; kept outside the windows so that it outlives them.
struct WindowLog {
  int made = 0, shown = 0, toggled = 0, destroyed = 0;
  bool insideClose = false, destroyedInsideClose = false;
};

// Any of the shell's windows. Its window closes from inside the window's own handling, as a click on
// the close button does.
class FakeWindow final : public SettingsWindowHandle, public AboutPresenter, public OnboardingPresenter {
 public:
  explicit FakeWindow(std::shared_ptr<WindowLog> log) : log_(std::move(log)) { ++log_->made; }
  ~FakeWindow() override {
    log_->destroyedInsideClose |= log_->insideClose;
    ++log_->destroyed;
  }
  void showSettings() override { ++log_->shown; }
  void toggleFromTaskbar() override { ++log_->toggled; }
  std::vector<AppTracker::OwnWindow> ownWindows() const override { return {}; }
  void showAbout() override { ++log_->shown; }
  void showOnboarding() override { ++log_->shown; }
  void setOnClose(std::function<void()> onClose) override { onClose_ = std::move(onClose); }

  // Touches nothing of the window once the close callback has run (it may be gone then).
  static void closeWindow(FakeWindow* window) {
    auto log = window->log_;
    auto onClose = window->onClose_;
    log->insideClose = true;
    onClose();
    log->insideClose = false;
  }

 private:
  std::shared_ptr<WindowLog> log_;
  std::function<void()> onClose_;
};

// A shell test world with every front end plugged in, on a run after the onboarding.
class FrontEndsWorld : public ShellTestWorld {
 public:
  FrontEndsWorld() {
    frontEnds = [this](AppDelegate::Environment& environment) {
      environment.statusItem = &statusItem;
      environment.urlDelivery = &urlDelivery;
      environment.clipboard = &clipboard;
      environment.updater = &updater;
      environment.makeSettingsWindow = [this](const AppDelegate::SettingsWindowContext&) {
        return std::make_unique<FakeWindow>(settingsWindow);
      };
      environment.makeAboutWindow = [this] { return std::make_unique<FakeWindow>(aboutWindow); };
      environment.makeOnboardingWindow = [this](SettingsManager&, AccessibilityHelper&) {
        auto made = std::make_unique<FakeWindow>(onboardingWindow);
        lastOnboarding = made.get();
        return made;
      };
      environment.openFeedbackPage = [this] { ++feedbackPagesOpened; };
    };
    defaults.setBool(AppDelegate::kOnboardingCompleteKey, true);
  }
  int rebuilds() const { return static_cast<int>(std::count(bars.begin(), bars.end(), "rebuildAll")); }

  sim::SimStatusItem statusItem;
  sim::SimUrlDelivery urlDelivery{scheduler};
  sim::SimClipboard clipboard;
  sim::SimUpdater updater{scheduler, mac.appShell()};
  std::shared_ptr<WindowLog> settingsWindow = std::make_shared<WindowLog>();
  std::shared_ptr<WindowLog> aboutWindow = std::make_shared<WindowLog>();
  std::shared_ptr<WindowLog> onboardingWindow = std::make_shared<WindowLog>();
  FakeWindow* lastOnboarding = nullptr;
  int feedbackPagesOpened = 0;
};

}  // namespace pelko::testing
