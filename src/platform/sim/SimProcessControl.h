#pragma once

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include "foundation/Scheduler.h"
#include "platform/ProcessControl.h"

namespace pelko::sim {

// The process's ends as state: signalNumbers are raised by the test, exits are recorded instead of taken.
class SimProcessControl final : public platform::ProcessControl {
 public:
  explicit SimProcessControl(Scheduler& scheduler) : scheduler_(scheduler) {}

  void deliverOnMainQueue(const std::vector<int>& signalNumbers, std::function<void(int)> handler) override {
    for (int signal : signalNumbers) handlers_[signal] = handler;
  }
  void exitImmediatelyOn(int signal, int status) override { immediateExits[signal] = status; }
  void setUncaughtExceptionHandler(std::function<void(const platform::UncaughtException&)> handler) override {
    exceptionHandler_ = std::move(handler);
  }
  void exit(int status) override { exitStatuses.push_back(status); }

  // What the signal does when it arrives: its handler runs on a later pass of the main queue, or the
  // process ends at once (recorded in `exitStatuses`). False when the signal would end the process by
  // its default action.
  bool raise(int signal) {
    if (auto it = immediateExits.find(signal); it != immediateExits.end()) {
      exitStatuses.push_back(it->second);
      return true;
    }
    auto it = handlers_.find(signal);
    if (it == handlers_.end()) return false;
    auto handler = it->second;
    scheduler_.mainAsync([handler, signal] { handler(signal); });
    return true;
  }
  bool handlesOnMainQueue(int signal) const { return handlers_.count(signal) > 0; }
  // Runs the uncaught-exception handler as the runtime would; false when none is installed.
  bool throwUncaught(const platform::UncaughtException& exception) {
    if (!exceptionHandler_) return false;
    exceptionHandler_(exception);
    return true;
  }

  std::map<int, int> immediateExits;
  std::vector<int> exitStatuses;

 private:
  Scheduler& scheduler_;
  std::map<int, std::function<void(int)>> handlers_;
  std::function<void(const platform::UncaughtException&)> exceptionHandler_;
};

}  // namespace pelko::sim
