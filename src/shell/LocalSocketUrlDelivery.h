#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <string>

#include "foundation/Scheduler.h"
#include "platform/UrlDelivery.h"

class QLocalSocket;

namespace pelko {

// URLs handed from a later start to the running copy over a local socket beside the single-instance
// lock, in a folder only the user can enter; only the user's own processes are answered.
//
// One connection carries one batch: each URL on a line of its own, then an empty line. The receiver
// answers "ok" and hands the batch on, or "refused" for more than 16 URLs or a URL longer than 2 KiB.
// Either side gives up on a connection after 1 s.
//
// The receiver survives pressure: it serves at most kMaxClients connections at once and closes any newer
// one at once, so a flood of connections cannot use up the process's file descriptors; when taking a
// connection fails all the same (the process or the system is out of descriptors), it waits
// kAcceptRetrySeconds and tries again, and when the listening socket itself fails, it listens afresh.
// Each of these is said in the diagnostic log.
class LocalSocketUrlDelivery final : public platform::UrlDelivery {
 public:
  static constexpr int kMaxURLs = 16;
  static constexpr size_t kMaxURLBytes = 2048;
  static constexpr double kTimeoutSeconds = 1.0;
  static constexpr int kMaxClients = 8;
  static constexpr double kAcceptRetrySeconds = 0.25;

  LocalSocketUrlDelivery(Scheduler& scheduler, std::string socketPath);
  ~LocalSocketUrlDelivery() override;

  // `pelko.socket` in the folder of the single-instance lock.
  static std::string defaultPath(const std::string& lockPath);

  bool startReceiving(Handler handler) override;
  void stopReceiving() override;
  ForwardResult forwardToRunningCopy(const std::vector<std::string>& urls) override;

 private:
  bool listen(std::string& reason);
  void closeListener();
  void accept();
  void retryLater(const char* what, int error, bool listenAgain);
  void serve(int fd);
  void readFrom(QLocalSocket* socket);

  Scheduler& scheduler_;
  std::string socketPath_;
  Handler handler_;
  int listenFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  // Parent of the connections being served; they go with it.
  std::unique_ptr<QObject> clients_;
  int clientCount_ = 0;
  WorkItemPtr retry_;
};

}  // namespace pelko
