#pragma once

#include <QLocalServer>
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
class LocalSocketUrlDelivery final : public platform::UrlDelivery {
 public:
  static constexpr int kMaxURLs = 16;
  static constexpr size_t kMaxURLBytes = 2048;
  static constexpr double kTimeoutSeconds = 1.0;

  LocalSocketUrlDelivery(Scheduler& scheduler, std::string socketPath);
  ~LocalSocketUrlDelivery() override;

  // `pelko.socket` in the folder of the single-instance lock.
  static std::string defaultPath(const std::string& lockPath);

  bool startReceiving(Handler handler) override;
  void stopReceiving() override;
  ForwardResult forwardToRunningCopy(const std::vector<std::string>& urls) override;

 private:
  void accept();
  void readFrom(QLocalSocket* socket);

  Scheduler& scheduler_;
  std::string socketPath_;
  Handler handler_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace pelko
