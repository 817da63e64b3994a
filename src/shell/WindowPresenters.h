#pragma once

#include <functional>

namespace pelko {

// The windows of the application shell as the delegate drives them. Each is made by a factory the
// program hands the delegate, once, on first use.

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
