#pragma once

#include <string>
#include <vector>

#include "foundation/Scheduler.h"
#include "platform/UrlDelivery.h"

namespace pelko::sim {

// URL delivery inside one test: `open` stands for a later start handing its URLs over; forwarding
// answers `forwardAnswer` and records what was sent.
class SimUrlDelivery final : public platform::UrlDelivery {
 public:
  explicit SimUrlDelivery(Scheduler& scheduler) : scheduler_(scheduler) {}

  bool startReceiving(Handler handler) override {
    handler_ = std::move(handler);
    return true;
  }
  void stopReceiving() override { handler_ = nullptr; }
  ForwardResult forwardToRunningCopy(const std::vector<std::string>& urls) override {
    forwarded.push_back(urls);
    return forwardAnswer;
  }

  bool isReceiving() const { return handler_ != nullptr; }
  // Hands `urls` to the receiver on the main queue, as a forwarding start does; false when nothing
  // receives.
  bool open(std::vector<std::string> urls) {
    if (!handler_) return false;
    scheduler_.mainAsync([handler = handler_, urls = std::move(urls)] { handler(urls); });
    return true;
  }

  ForwardResult forwardAnswer = ForwardResult::noReceiver;
  std::vector<std::vector<std::string>> forwarded;

 private:
  Scheduler& scheduler_;
  Handler handler_;
};

}  // namespace pelko::sim
