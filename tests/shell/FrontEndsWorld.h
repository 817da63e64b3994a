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
  int made = 0;
  int shown = 0;
  int toggled = 0;
  int destroyed = 0;
  bool insideClose = false;
  bool destroyedInsideClose = false;
};

class FakeSettingsWindow final : public SettingsWindowPresenter {
 public:
  explicit FakeSettingsWindow(std::shared_ptr<WindowLog> log) : log_(std::move(log)) { ++log_->made; }
  ~FakeSettingsWindow() override { ++log_->destroyed; }
  void showSettings() override { ++log_->shown; }
  void toggleFromTaskbar() override { ++log_->toggled; }

 private:
  std::shared_ptr<WindowLog> log_;
};

class FakeAboutWindow final : public AboutPresenter {
 public:
  explicit FakeAboutWindow(std::shared_ptr<WindowLog> log) : log_(std::move(log)) { ++log_->made; }
  ~FakeAboutWindow() override { ++log_->destroyed; }
  void showAbout() override { ++log_->shown; }

 private:
  std::shared_ptr<WindowLog> log_;
};

// Its window closes from inside the window's own handling, as a click on the close button does.
class FakeOnboardingWindow final : public OnboardingPresenter {
 public:
  explicit FakeOnboardingWindow(std::shared_ptr<WindowLog> log) : log_(std::move(log)) { ++log_->made; }
  ~FakeOnboardingWindow() override {
    if (log_->insideClose) log_->destroyedInsideClose = true;
    ++log_->destroyed;
  }
  void showOnboarding() override { ++log_->shown; }
  void setOnClose(std::function<void()> onClose) override { onClose_ = std::move(onClose); }

  // Nothing of this object is touched once the close callback has run (it may be gone then).
  static void closeWindow(FakeOnboardingWindow* window) {
    auto log = window->log_;
    auto onClose = window->onClose_;
    log->insideClose = true;
    if (onClose) onClose();
    log->insideClose = false;
  }

 private:
  std::shared_ptr<WindowLog> log_;
  std::function<void()> onClose_;
};

// A shell test world with every front end plugged in.
class FrontEndsWorld : public ShellTestWorld {
 public:
  FrontEndsWorld() {
    frontEnds = [this](AppDelegate::Environment& environment) {
      environment.statusItem = &statusItem;
      environment.urlDelivery = &urlDelivery;
      environment.clipboard = &clipboard;
      environment.updater = &updater;
      environment.makeSettingsWindow = [this](SettingsManager&) {
        return std::make_unique<FakeSettingsWindow>(settingsWindow);
      };
      environment.makeAboutWindow = [this] { return std::make_unique<FakeAboutWindow>(aboutWindow); };
      environment.makeOnboardingWindow = [this](SettingsManager&) {
        auto made = std::make_unique<FakeOnboardingWindow>(onboardingWindow);
        lastOnboarding = made.get();
        return made;
      };
      environment.openFeedbackPage = [this] { ++feedbackPagesOpened; };
    };
    // A later run: no first-run onboarding unless a test asks for it.
    defaults.setBool(AppDelegate::kOnboardingCompleteKey, true);
  }

  sim::SimStatusItem statusItem;
  sim::SimUrlDelivery urlDelivery{scheduler};
  sim::SimClipboard clipboard;
  sim::SimUpdater updater{scheduler, mac.appShell()};
  std::shared_ptr<WindowLog> settingsWindow = std::make_shared<WindowLog>();
  std::shared_ptr<WindowLog> aboutWindow = std::make_shared<WindowLog>();
  std::shared_ptr<WindowLog> onboardingWindow = std::make_shared<WindowLog>();
  FakeOnboardingWindow* lastOnboarding = nullptr;
  int feedbackPagesOpened = 0;
};

}  // namespace pelko::testing
