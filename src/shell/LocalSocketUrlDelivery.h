#pragma once

#include <sys/un.h>

#include <QSocketNotifier>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "foundation/Scheduler.h"
#include "platform/UrlDelivery.h"

namespace pelko {

// URLs handed from a later start to the running copy over a local socket beside the single-instance
// lock, in a folder only the user can enter; only the user's own processes are answered.
//
// One connection carries one batch: each URL on a line of its own, then an empty line. The receiver
// answers "ok" and hands the batch on, or "refused" for more than 16 URLs or a URL longer than 2 KiB.
// Either side gives up on a connection after 1 s.
//
// The receiver survives pressure: it serves at most kMaxClients connections at once and answers any newer
// one "busy" and closes it at once, so a flood of connections cannot use up the process's file
// descriptors; a sender told "busy" asks again for up to kBusyRetrySeconds before it gives up. When
// taking a connection fails all the same (the process or the system is out of descriptors), the receiver
// waits kAcceptRetrySeconds and tries again, and when the listening socket itself fails, it listens
// afresh. Each of these is said in the diagnostic log.
//
// A path too long for a local socket can be used by neither side: the receiver says so on standard
// error once, and a sender reports the copy as unreachable rather than as absent.
//
// Plain sockets rather than the toolkit's network module: that module and the libraries it brings
// would be loaded at every start, before the first bar, for a few lines of text.
class LocalSocketUrlDelivery final : public platform::UrlDelivery {
 public:
  static constexpr int kMaxURLs = 16;
  static constexpr size_t kMaxURLBytes = 2048;
  static constexpr double kTimeoutSeconds = 1.0;
  static constexpr int kMaxClients = 8;
  static constexpr double kAcceptRetrySeconds = 0.25;
  static constexpr double kBusyRetrySeconds = 2.0;
  static constexpr int kBusyPauseMs = 50;

  LocalSocketUrlDelivery(Scheduler& scheduler, std::string socketPath);
  ~LocalSocketUrlDelivery() override;

  // `pelko.socket` in the folder of the single-instance lock.
  static std::string defaultPath(const std::string& lockPath);

  bool startReceiving(Handler handler) override;
  void stopReceiving() override;
  ForwardResult forwardToRunningCopy(const std::vector<std::string>& urls) override;

 private:
  // Sends `batch` on a connection of its own: the receiver's answer ("" when none came in time), nothing
  // when no receiver listens.
  std::optional<std::string> exchange(const std::string& batch, const sockaddr_un& address);
  bool listen(std::string& reason);
  void closeListener();
  void accept();
  void retryLater(const char* what, int error, bool listenAgain);
  void serve(int fd);
  void readFrom(uint64_t client);
  void closeClient(uint64_t client);

  // A connection being served: what it sent so far, until its batch ends.
  struct Client {
    int fd = -1;
    std::string batch;
    std::unique_ptr<QSocketNotifier> notifier;
    WorkItemPtr timeout;  // cuts a stalled sender off
  };

  Scheduler& scheduler_;
  std::string socketPath_;
  Handler handler_;
  int listenFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  // The connections being served, by a number never used twice (a descriptor is).
  std::map<uint64_t, Client> clients_;
  uint64_t nextClient_ = 1;
  WorkItemPtr retry_;
};

}  // namespace pelko
