#pragma once

#include <functional>

namespace pelko {

// The windows of the application shell as the delegate drives them. Each is made by a factory the
// program hands the delegate, once, on first use.

// The settings window's controller: kept for the life of the process; closing the window hides it.
class SettingsWindowPresenter {
 public:
  virtual ~SettingsWindowPresenter() = default;
  // Shows the window and brings it forward.
  virtual void showSettings() = 0;
  // What a click on this application's own taskbar entry does: shows the window, or puts it away when
  // it is in front.
  virtual void toggleFromTaskbar() = 0;
};

// The About window's controller: kept once made, its window reused.
class AboutPresenter {
 public:
  virtual ~AboutPresenter() = default;
  virtual void showAbout() = 0;
};

// The onboarding window's controller: dropped when its window closes, so that the next opening starts
// again at the first page.
class OnboardingPresenter {
 public:
  virtual ~OnboardingPresenter() = default;
  virtual void showOnboarding() = 0;
  // Called from inside the window's close handling, once the window has closed.
  virtual void setOnClose(std::function<void()> onClose) = 0;
};

}  // namespace pelko
