#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "platform/Alerts.h"

namespace pelko::sim {

// Alerts without a user: each is recorded (and handed to `onShow`, which the program uses to print it),
// and answered from the scripted answers in order, then with the first button.
class SimAlerts final : public platform::Alerts {
 public:
  int runModal(const platform::AlertContent& alert) override {
    shown.push_back(alert);
    if (onShow) onShow(alert);
    if (scriptedAnswers.empty()) return 0;
    int answer = scriptedAnswers.front();
    scriptedAnswers.pop_front();
    return answer;
  }

  std::vector<platform::AlertContent> shown;
  std::deque<int> scriptedAnswers;
  std::function<void(const platform::AlertContent&)> onShow;
};

}  // namespace pelko::sim
