#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QProcess>
#include <cstring>
#include <string>

namespace pelko::testing {

// Another user, `nobody`, listening where a running copy's socket would be, as someone who wants its
// URLs would (tests/support/ForeignUrlListenerChild.cpp). Only root can start one: tests that need it
// skip elsewhere. It is killed with the object.
class ForeignUrlListener {
 public:
  static constexpr const char* kSkipReason =
      "needs a second user: only a test run as root can listen as nobody";
  static bool canRun() { return ::getuid() == 0; }

  explicit ForeignUrlListener(const std::string& socketPath) : socketPath_(socketPath) {
    child_.setProcessChannelMode(QProcess::MergedChannels);
    child_.start(PELKO_FOREIGN_URL_LISTENER_CHILD, {QString::fromStdString(socketPath)});
  }
  ~ForeignUrlListener() {
    child_.kill();
    child_.waitForFinished(2000);
  }
  ForeignUrlListener(const ForeignUrlListener&) = delete;
  ForeignUrlListener& operator=(const ForeignUrlListener&) = delete;

  // True once it listens as a user other than this process's.
  bool waitUntilListening() { return waitFor("ready as 65534\n") && ::getuid() != 65534; }

  // Everything it has heard since it listened: each connection and the lines sent on it. Read after a
  // connection of the test's own, which it serves after any connection made before, so that nothing a
  // sender did is still on its way.
  std::string heard() {
    const char probe[] = "probe\n\n";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    const bool sent = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                      ::send(fd, probe, sizeof probe - 1, MSG_NOSIGNAL) == sizeof probe - 1;
    ::close(fd);
    const std::string end = "received probe\nend of connection\n";
    if (!sent || !waitFor(end)) return "(the listener did not take the test's probe) " + output_;
    const size_t ready = output_.find('\n') + 1;
    return output_.substr(ready, output_.size() - ready - end.size());
  }

  const std::string& output() const { return output_; }

 private:
  bool waitFor(const std::string& text) {
    for (int i = 0; i < 100 && output_.find(text) == std::string::npos; ++i) {
      child_.waitForReadyRead(50);
      output_ += child_.readAll().toStdString();
    }
    return output_.find(text) != std::string::npos;
  }

  std::string socketPath_;
  QProcess child_;
  std::string output_;
};

}  // namespace pelko::testing
