#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pelko::platform {

// URLs opened with the application: those it was started with, and those a later start hands to the
// copy already running. Main thread only.
class UrlDelivery {
 public:
  enum class ForwardResult {
    delivered,   // the running copy took the URLs
    noReceiver,  // nobody listens (no copy runs, or it is not receiving yet)
    refused,     // a copy listens but did not take them (too many, too long, or it did not answer)
  };

  using Handler = std::function<void(const std::vector<std::string>& urls)>;

  virtual ~UrlDelivery() = default;
  // Starts taking URLs from later starts; each batch reaches `handler` on the main queue, in the order
  // sent. False when receiving cannot start (the reason is logged).
  virtual bool startReceiving(Handler handler) = 0;
  virtual void stopReceiving() = 0;
  // Hands `urls` to the copy that receives; waits for its answer a short while.
  virtual ForwardResult forwardToRunningCopy(const std::vector<std::string>& urls) = 0;
};

}  // namespace pelko::platform
