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
    delivered,    // the running copy took the URLs
    noReceiver,   // no copy of this user listens (none runs, or it is not receiving yet); nothing was sent
    refused,      // refused: more than 16, one longer than 2 KiB, or one holding a control character
    busy,         // the running copy served other starts all the while, or did not answer in time
    unreachable,  // a copy runs (or may), but its socket cannot be found or used
  };

  using Handler = std::function<void(const std::vector<std::string>& urls)>;

  virtual ~UrlDelivery() = default;
  // Starts taking URLs from later starts; each batch reaches `handler` on the main queue, in the order
  // sent. False when receiving cannot start (the reason is logged).
  virtual bool startReceiving(Handler handler) = 0;
  virtual void stopReceiving() = 0;
  // Hands `urls` to the copy that receives; waits for its answer a short while, and asks a busy copy
  // again for a short while.
  virtual ForwardResult forwardToRunningCopy(const std::vector<std::string>& urls) = 0;

  // What a start tells its user when the running copy did not take its URLs; empty for the results
  // that need no words (delivered, or nobody to deliver to).
  static std::string failureMessage(ForwardResult result) {
    switch (result) {
      case ForwardResult::refused:
        return "Pelko: the running copy did not take the URLs (at most 16, each at most 2 KiB, without line "
               "breaks or other control characters)";
      case ForwardResult::busy:
        return "Pelko: the running copy is busy with other starts and did not take the URLs; try again";
      case ForwardResult::unreachable:
        return "Pelko: the URLs cannot reach the running copy: it does not answer on a socket this start can "
               "find and use";
      case ForwardResult::delivered:
      case ForwardResult::noReceiver:
        break;
    }
    return {};
  }
};

}  // namespace pelko::platform
