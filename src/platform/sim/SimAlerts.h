#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "platform/Alerts.h"

namespace pelko::sim {

// Alerts without a user: each is recorded with its owner (and handed to `onShow`, which the program
// uses to print it), and answered from the scripted answers in order, then with the first button.
class SimAlerts final : public platform::Alerts {
 public:
  // A scripted answer: the alert ends without a choice (closed, Escape, a quit).
  static constexpr int kEndedWithoutChoice = -100;

  int runModal(const platform::AlertContent& alert, platform::AlertOwner owner) override {
    shown.push_back(alert);
    owners.push_back(owner);
    if (onShow) onShow(alert);
    if (scriptedAnswers.empty()) return 0;
    int answer = scriptedAnswers.front();
    scriptedAnswers.pop_front();
    return answer == kEndedWithoutChoice ? alert.cancelButton : answer;
  }

  std::vector<platform::AlertContent> shown;
  std::vector<platform::AlertOwner> owners;  // one per shown alert
  std::deque<int> scriptedAnswers;
  std::function<void(const platform::AlertContent&)> onShow;
};

}  // namespace pelko::sim
