#pragma once

#include <sys/un.h>

#include <QSocketNotifier>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Scheduler.h"
#include "platform/UrlDelivery.h"

namespace pelko {

// URLs handed from a later start to the running copy over a local socket, in a folder only the user can
// enter; each side deals only with the user's own processes.
//
// Finding the running copy never depends on the environment of the start: the copy that receives names
// its socket in a record beside its single-instance lock, which sits beside the settings, and a later
// start with the same settings reads the record there. The socket itself sits in a short folder of its
// own (the runtime folder, else a private folder under /tmp), so its path always fits a socket address,
// and it is named after the settings folder, so copies with other settings never take each other's.
//
// One connection carries one batch: each URL on a line of its own, then an empty line. The receiver
// answers "ok" and hands the batch on, or "refused" for more than 16 URLs, a URL longer than 2 KiB or one
// holding a control character. Either side gives up on a connection after 1 s.
//
// The receiver survives pressure: it serves at most kMaxClients connections at once and answers any newer
// one "busy" and closes it at once, so a flood of connections cannot use up the process's file
// descriptors; a sender told "busy" asks again for up to kBusyRetrySeconds before it gives up. When
// taking a connection fails all the same (the process or the system is out of descriptors), the receiver
// waits kAcceptRetrySeconds and tries again, and when the listening socket itself fails, it listens
// afresh. Each of these is said in the diagnostic log.
//
// URLs go to no other user. A sender takes a record only when it is a plain file of this user, checked on
// the one descriptor it then reads (never by its path again); connects only to a socket in a real folder
// of this user that nobody else may enter; and sends nothing until the credentials of the listener say it
// is this user's. Anything else is not a copy of this user, and the start goes on as when no copy
// answers. A receiver takes nothing from a client of another user, whoever opened its socket up. A receiver
// makes its socket in no folder another user could replace: not under a folder of another user (root aside)
// or one others may write without the sticky bit, not in a symbolic link, and not under a path with a control
// character (it would break the record's line). It says on standard error why it passed such a folder over
// and where it receives instead.
//
// A receiver that can make its socket in none of its folders says so on standard error once, and removes
// the record an earlier copy left (holding the lock, it knows that copy has gone); a record naming a path
// no socket can have makes a sender report the copy as unreachable rather than as absent.
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

  // `lockPath` is the single-instance lock of the settings this copy runs with. A receiver makes its
  // socket in the first of `socketFolders` that can hold it.
  LocalSocketUrlDelivery(Scheduler& scheduler, std::string lockPath,
                         std::vector<std::string> socketFolders = defaultSocketFolders());
  ~LocalSocketUrlDelivery() override;

  // `$XDG_RUNTIME_DIR/pelko` when that variable names an absolute folder, then `/tmp/pelko-<uid>`.
  static std::vector<std::string> defaultSocketFolders();
  // The record of where the receiving copy's socket is: `pelko.socket-path` beside the lock.
  static std::string recordPath(const std::string& lockPath);
  // The socket this copy receives at; empty while it does not receive.
  const std::string& socketPath() const { return socketPath_; }

  bool startReceiving(Handler handler) override;
  void stopReceiving() override;
  ForwardResult forwardToRunningCopy(const std::vector<std::string>& urls) override;

 private:
  // Sends `batch` on a connection of its own: the receiver's answer ("" when none came in time), nothing
  // when no receiver listens.
  std::optional<std::string> exchange(const std::string& batch, const sockaddr_un& address);
  // The socket's name in any of the folders: after the identity of the settings folder.
  std::string socketName() const;
  bool listen(const std::string& path, std::string& reason);
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
  std::string lockPath_;
  std::vector<std::string> socketFolders_;
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
