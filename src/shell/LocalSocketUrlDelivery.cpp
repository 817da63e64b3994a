#include "shell/LocalSocketUrlDelivery.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QPointer>
#include <QVariant>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "foundation/DebugLog.h"

namespace pelko {

namespace {

// The largest batch that can be valid: 16 URLs of 2 KiB, their line feeds and the closing empty line.
constexpr qint64 kMaxBatchBytes =
    LocalSocketUrlDelivery::kMaxURLs * (LocalSocketUrlDelivery::kMaxURLBytes + 1) + 1;

// The folder exists, belongs to this user and only this user can enter it.
bool preparePrivateFolder(const std::string& folder, std::string& reason) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    reason = "not a folder";
    return false;
  }
  if (info.st_uid != ::getuid()) {
    reason = "the folder belongs to another user";
    return false;
  }
  if ((info.st_mode & 0777) != 0700 && ::chmod(folder.c_str(), 0700) != 0) {
    reason = "cannot make the folder private";
    return false;
  }
  return true;
}

bool isSameUser(QLocalSocket* socket) {
  struct ucred credentials {};
  socklen_t length = sizeof credentials;
  if (::getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                   &length) != 0)
    return false;
  return credentials.uid == ::getuid();
}

}  // namespace

LocalSocketUrlDelivery::LocalSocketUrlDelivery(Scheduler& scheduler, std::string socketPath)
    : scheduler_(scheduler), socketPath_(std::move(socketPath)) {}

LocalSocketUrlDelivery::~LocalSocketUrlDelivery() {
  stopReceiving();
}

std::string LocalSocketUrlDelivery::defaultPath(const std::string& lockPath) {
  return (std::filesystem::path(lockPath).parent_path() / "pelko.socket").string();
}

bool LocalSocketUrlDelivery::startReceiving(Handler handler) {
  stopReceiving();
  std::string reason;
  if (!preparePrivateFolder(std::filesystem::path(socketPath_).parent_path().string(), reason) ||
      !listen(reason)) {
    debugLog("AppDelegate: cannot receive URLs at " + socketPath_ + ": " + reason);
    return false;
  }
  handler_ = std::move(handler);
  return true;
}

void LocalSocketUrlDelivery::stopReceiving() {
  handler_ = nullptr;
  if (retry_) retry_->cancel();
  retry_.reset();
  clients_.reset();
  clientCount_ = 0;
  if (listenFd_ < 0) return;
  closeListener();
  ::unlink(socketPath_.c_str());
}

bool LocalSocketUrlDelivery::listen(std::string& reason) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath_.size() >= sizeof address.sun_path) {
    reason = "the path is too long for a socket";
    return false;
  }
  std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  // This process holds the single-instance lock: a socket left there is from a copy that has gone.
  ::unlink(socketPath_.c_str());
  // Only the user may connect, from the moment the socket exists.
  const mode_t previousMask = ::umask(0077);
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::umask(previousMask);
  if (!bound || ::listen(fd, SOMAXCONN) != 0) {
    reason = std::strerror(errno);
    ::close(fd);
    return false;
  }
  listenFd_ = fd;
  if (!clients_) clients_ = std::make_unique<QObject>();
  notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { accept(); });
  return true;
}

void LocalSocketUrlDelivery::closeListener() {
  notifier_.reset();
  ::close(listenFd_);
  listenFd_ = -1;
}

void LocalSocketUrlDelivery::accept() {
  while (listenFd_ >= 0) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
      serve(fd);
      continue;
    }
    const int error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK) return;
    if (error == EINTR || error == ECONNABORTED || error == EPROTO) continue;
    // Out of descriptors or memory: the connection waits in the queue until there is room again.
    const bool exhausted = error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
    retryLater("cannot take a connection", error, !exhausted);
    return;
  }
}

void LocalSocketUrlDelivery::retryLater(const char* what, int error, bool listenAgain) {
  debugLog(std::string("AppDelegate: ") + what + " for URLs at " + socketPath_ + " (" + std::strerror(error) +
           "); " + (listenAgain ? "listening again" : "trying again") + " in " +
           std::to_string(static_cast<int>(kAcceptRetrySeconds * 1000)) + " ms");
  if (listenAgain) {
    closeListener();
  } else {
    notifier_->setEnabled(false);
  }
  if (retry_) retry_->cancel();
  retry_ = std::make_shared<WorkItem>([this, listenAgain] {
    retry_.reset();
    if (!listenAgain) {
      if (notifier_) notifier_->setEnabled(true);
      accept();
      return;
    }
    std::string reason;
    if (listen(reason)) {
      debugLog("AppDelegate: receiving URLs at " + socketPath_ + " again");
      accept();
    } else {
      retryLater("cannot listen", errno, true);
    }
  });
  scheduler_.mainQueue().asyncAfter(kAcceptRetrySeconds, retry_);
}

void LocalSocketUrlDelivery::serve(int fd) {
  // The newest connection beyond the few served at once is closed unanswered: a flood of connections
  // must not use up the descriptors the rest of the program needs.
  if (clientCount_ >= kMaxClients) {
    ::close(fd);
    debugLog("AppDelegate: too many connections for URLs at once; closing the newest");
    return;
  }
  auto* socket = new QLocalSocket(clients_.get());
  if (!socket->setSocketDescriptor(fd, QLocalSocket::ConnectedState, QIODevice::ReadWrite) ||
      !isSameUser(socket)) {
    if (socket->socketDescriptor() < 0) ::close(fd);
    socket->abort();
    socket->deleteLater();
    return;
  }
  ++clientCount_;
  QObject::connect(socket, &QObject::destroyed, clients_.get(), [this] { --clientCount_; });
  QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { readFrom(socket); });
  QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
  // A sender that stalls is cut off.
  scheduler_.mainAfter(kTimeoutSeconds, [guard = QPointer<QLocalSocket>(socket)] {
    if (guard) guard->abort();
  });
  readFrom(socket);
}

void LocalSocketUrlDelivery::readFrom(QLocalSocket* socket) {
  // The batch is complete once it ends with an empty line.
  QByteArray buffered = socket->property("pelkoBatch").toByteArray() + socket->readAll();
  socket->setProperty("pelkoBatch", buffered);
  const bool complete = buffered == "\n" || buffered.endsWith("\n\n");
  if (!complete && buffered.size() <= kMaxBatchBytes) return;

  std::vector<std::string> urls;
  bool valid = complete;
  if (complete) {
    const QList<QByteArray> lines = buffered.left(buffered.size() - 1).split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
      if (lines[i].size() > static_cast<qsizetype>(kMaxURLBytes)) valid = false;
      urls.push_back(lines[i].toStdString());
    }
    if (static_cast<int>(urls.size()) > kMaxURLs) valid = false;
  }
  socket->write(valid ? "ok\n" : "refused\n");
  socket->flush();
  socket->disconnectFromServer();
  if (!valid) {
    debugLog("AppDelegate: refused URLs from a later start (at most 16, each at most 2 KiB)");
    return;
  }
  if (handler_ && !urls.empty()) {
    scheduler_.mainAsync([handler = handler_, urls = std::move(urls)] { handler(urls); });
  }
}

platform::UrlDelivery::ForwardResult LocalSocketUrlDelivery::forwardToRunningCopy(
    const std::vector<std::string>& urls) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<int>(kTimeoutSeconds * 1000));
  auto msLeft = [&] {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 0));
  };

  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(socketPath_));
  if (!socket.waitForConnected(msLeft())) return ForwardResult::noReceiver;

  QByteArray batch;
  for (const auto& url : urls) batch += QByteArray::fromStdString(url) + '\n';
  batch += '\n';
  socket.write(batch);
  while (socket.bytesToWrite() > 0 && msLeft() > 0) socket.waitForBytesWritten(msLeft());

  QByteArray answer;
  while (!answer.contains('\n') && msLeft() > 0) {
    if (!socket.waitForReadyRead(msLeft())) break;
    answer += socket.readAll();
  }
  answer += socket.readAll();
  return answer.startsWith("ok\n") ? ForwardResult::delivered : ForwardResult::refused;
}

}  // namespace pelko
