#include <cstdio>

#include "foundation/DebugLog.h"
#include "platform/ProcessControl.h"
#include "platform/UrlDelivery.h"
#include "shell/AppDelegate.h"
#include "shell/PelkoURL.h"
#include "tracking/AppTracker.h"

namespace pelko {

namespace {

constexpr const char* kScheme = "pelko";

}  // namespace

std::vector<std::string> AppDelegate::urlArguments() const {
  return urlsAmongArguments(env_.arguments);
}

bool AppDelegate::forwardURLsToRunningCopy() {
  auto urls = urlArguments();
  if (urls.empty() || !env_.urlDelivery) return false;
  // Another copy runs and this start's URLs are lost: never the quiet "already running" of a plain
  // start.
  auto giveUp = [this](const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    quitHasBegun_ = true;
    env_.processControl.exit(1);
    return true;
  };
  for (const auto& url : urls) {
    if (holdsControlCharacter(url)) return giveUp(controlCharacterRefusal(url));
  }
  auto result = env_.urlDelivery->forwardToRunningCopy(urls);
  // The copy holding the lock does not listen yet (it is starting) or no longer (it is ending); one that
  // still does not once the lock has been waited for cannot be reached.
  if (result == platform::UrlDelivery::ForwardResult::noReceiver &&
      env_.scheduler.now() >= instanceLockDeadline_) {
    result = platform::UrlDelivery::ForwardResult::unreachable;
  }
  switch (result) {
    case platform::UrlDelivery::ForwardResult::delivered:
      debugLog("AppDelegate: handed " + std::to_string(urls.size()) + " URL(s) to the running copy");
      quitHasBegun_ = true;
      env_.processControl.exit(0);
      return true;
    case platform::UrlDelivery::ForwardResult::refused:
    case platform::UrlDelivery::ForwardResult::busy:
    case platform::UrlDelivery::ForwardResult::unreachable:
      return giveUp(platform::UrlDelivery::failureMessage(result));
    case platform::UrlDelivery::ForwardResult::noReceiver:
      return false;
  }
  return false;
}

void AppDelegate::receiveURLs() {
  if (!env_.urlDelivery) return;
  env_.urlDelivery->startReceiving([weak = weakSelf()](const std::vector<std::string>& urls) {
    if (auto self = weak.lock()) self->openURLs(urls);
  });
  // The URLs this copy was started with arrive like any others, after start-up.
  if (auto urls = urlArguments(); !urls.empty()) {
    env_.scheduler.mainAsync([weak = weakSelf(), urls] {
      if (auto self = weak.lock()) self->openURLs(urls);
    });
  }
}

void AppDelegate::openURLs(const std::vector<std::string>& urls) {
  for (const auto& url : urls) {
    // Termination has run its clean-up by now: an action would act on a program that is going away.
    if (quitHasBegun_) {
      debugLog("AppDelegate: ignoring URL during quit: " + url);
      continue;
    }
    // Whoever made it, such a URL is not what its sender meant: it is said, not guessed at.
    if (holdsControlCharacter(url)) {
      std::fprintf(stderr, "%s\n", controlCharacterRefusal(url).c_str());
      std::fflush(stderr);
      continue;
    }
    openURL(url);
  }
}

void AppDelegate::openURL(const std::string& text) {
  PelkoURL url = PelkoURL::parse(text);
  if (url.scheme != kScheme) return;
  const std::string host = url.host.value_or("");
  if (url.host && host == "settings") {
    openSettings();
  } else if (url.host && host == "onboarding") {
    openOnboarding();
  } else if (url.host && host == "restart") {
    restartPelko();
  } else if (url.host && host == "quit") {
    restoreDockAndQuit();
  } else {
    debugLog("AppDelegate: unhandled URL scheme action: " + url.absoluteString);
  }
}

void AppDelegate::openSettings() {
  if (!env_.makeSettingsWindow) {
    debugLog("AppDelegate: no settings window in this build");
    return;
  }
  showSettingsWindow();
}

void AppDelegate::openOnboarding() {
  if (!onboardingWindowController_ && env_.makeOnboardingWindow) {
    onboardingWindowController_ = env_.makeOnboardingWindow(*settingsManager_, *accessibilityHelper_);
    if (onboardingWindowController_) {
      OnboardingPresenter* made = onboardingWindowController_.get();
      onboardingWindowController_->setOnClose([weak = weakSelf(), made] {
        auto self = weak.lock();
        if (!self || self->onboardingWindowController_.get() != made) return;
        // The controller is inside its own close handling: it is let go of now (a later opening
        // makes a fresh one) and destroyed once that handling has returned.
        std::shared_ptr<OnboardingPresenter> closing = std::move(self->onboardingWindowController_);
        self->env_.scheduler.mainAsync([closing] {});
      });
    }
  }
  if (!onboardingWindowController_) {
    debugLog("AppDelegate: no onboarding window in this build");
    return;
  }
  onboardingWindowController_->showOnboarding();
}

void AppDelegate::restartPelko() {
  // The monotonic clock: a wall clock set back would ignore restarts for as long.
  const double now = env_.scheduler.now();
  if (now - lastRestartTime_ > kRestartDebounce) {
    lastRestartTime_ = now;
    debugLog("AppDelegate: restarting the taskbars");
    if (taskbars_) taskbars_->rebuildAll();
  } else {
    debugLog("AppDelegate: ignoring rapid restart request (debounced)");
  }
}

void AppDelegate::restoreDockAndQuit() {
  shouldRestoreDockOnQuit_ = true;
  if (dockVisibilityMonitorTimer_) dockVisibilityMonitorTimer_->invalidate();
  dockVisibilityMonitorTimer_.reset();
  terminate();
}

void AppDelegate::forceAppRefresh() {
  if (appTracker_) appTracker_->forceRefresh();
}

}  // namespace pelko
