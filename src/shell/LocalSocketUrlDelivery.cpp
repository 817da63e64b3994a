#include "shell/LocalSocketUrlDelivery.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "foundation/DebugLog.h"
#include "platform/RegularFile.h"
#include "shell/PelkoURL.h"

namespace pelko {

namespace {

// The largest batch that can be valid: 16 URLs of 2 KiB, their line feeds and the closing empty line.
constexpr size_t kMaxBatchBytes =
    LocalSocketUrlDelivery::kMaxURLs * (LocalSocketUrlDelivery::kMaxURLBytes + 1) + 1;

bool isOwnedByThisUserOrRoot(const struct stat& info) {
  return info.st_uid == ::getuid() || info.st_uid == 0;
}

// Why a user other than this one (and root) could replace `folder`, or a folder on the way to it, with
// one of their own, and so take the socket made there, or its name; empty when none could. Folders not
// made yet are made by this process. A symbolic link on the way counts for where it leads, and for its
// own owner (in a folder with the sticky bit, that owner may replace it). `depth` stops a loop of links
// that changes while it is followed.
std::string whyOthersControl(const std::filesystem::path& folder, bool endsAtTheFolder = true,
                             int depth = 0) {
  if (depth > 8) return "too many symbolic links on the way";
  std::filesystem::path onTheWay;
  for (const auto& part : folder) {
    onTheWay /= part;
    const std::string shown = withControlCharactersHidden(onTheWay.string());
    const bool isTheFolder = endsAtTheFolder && onTheWay == folder;
    struct stat info {};
    if (::lstat(onTheWay.c_str(), &info) != 0) {
      if (errno == ENOENT) return "";
      return "cannot examine " + shown + " (" + std::strerror(errno) + ")";
    }
    if (S_ISLNK(info.st_mode)) {
      if (isTheFolder) return "the folder is a symbolic link";
      if (!isOwnedByThisUserOrRoot(info)) return shown + " is a symbolic link of another user";
      std::error_code error;
      const std::filesystem::path target = std::filesystem::canonical(onTheWay, error);
      if (error) return "cannot follow " + shown + " (" + error.message() + ")";
      if (std::string why = whyOthersControl(target, false, depth + 1); !why.empty()) return why;
      continue;
    }
    if (!S_ISDIR(info.st_mode)) return shown + " is not a folder";
    if (!isOwnedByThisUserOrRoot(info)) return shown + " belongs to another user";
    // The folder itself is made private: only those above it must keep others out as they are.
    if (!isTheFolder && (info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (info.st_mode & S_ISVTX) == 0)
      return shown + " may be written by other users";
  }
  return "";
}

// Why no socket of this copy goes in `folder`: a path with a control character in it cannot be written
// as one line of the record, and a folder others could replace would give them the socket.
std::string whyNotSafe(const std::string& folder) {
  if (holdsControlCharacter(folder)) return "the path holds a control character";
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(folder, error);
  if (error) return "cannot examine the folder (" + error.message() + ")";
  if (!path.has_filename()) path = path.parent_path();
  return whyOthersControl(path);
}

// The folder exists, belongs to this user and only this user can enter it, and no other user can
// replace it or a folder on the way to it.
bool preparePrivateFolder(const std::string& folder, std::string& reason) {
  // Nothing is made in a folder that others control; and what was made on the way is looked at again.
  reason = whyNotSafe(folder);
  if (!reason.empty()) return false;
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
  reason = whyNotSafe(folder);
  return reason.empty();
}

// Why the socket of a running copy is not looked for in `folder`: only a real folder of this user that
// no one else may enter holds one.
std::string whyNotPrivate(const std::string& folder) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0)
    return std::string("cannot examine the folder (") + std::strerror(errno) + ")";
  if (S_ISLNK(info.st_mode)) return "the folder is a symbolic link";
  if (!S_ISDIR(info.st_mode)) return "not a folder";
  if (info.st_uid != ::getuid()) return "the folder belongs to another user";
  if ((info.st_mode & 0077) != 0) return "other users may enter the folder";
  return "";
}

// The user of the process at the other end of a connected socket, as it was when the connection was made.
std::optional<uid_t> peerUser(int fd) {
  struct ucred credentials {};
  socklen_t length = sizeof credentials;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) return std::nullopt;
  return credentials.uid;
}

bool isSameUser(int fd) {
  return peerUser(fd) == ::getuid();
}

bool socketAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Writes all of `text` to a socket that does not block; false when it cannot take it all at once (the
// few bytes of an answer always fit an empty socket's buffer).
bool sendAll(int fd, const std::string& text) {
  size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t count = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    sent += static_cast<size_t>(count);
  }
  return true;
}

// The socket path the record names: its first line; empty when there is none (no copy has received
// there yet, or the record is being replaced) or when it is not this user's. The receiver writes the
// record as a plain file of its own; anything else was put there by someone else, and `why` says so.
// The record is opened once, without following a link, and checked and read through that one
// descriptor: in a folder others may write, a record looked at by its path and then opened by it again
// could be swapped for a link to another copy's record in between.
std::string readRecord(const std::string& record, std::string& why) {
  why.clear();
  // A path and its line feed; anything longer was never written by a receiver.
  const platform::RegularFileRead read = platform::readThisUsersFile(record, 4096);
  using Status = platform::RegularFileRead::Status;
  switch (read.status) {
    case Status::read:
      break;
    case Status::missing:
    case Status::tooLarge:
      return {};
    case Status::notRegular:
      why = "it is not a plain file";
      return {};
    case Status::anotherUsers:
      why = "it belongs to another user";
      return {};
    case Status::failed:
      why = "cannot open it (" + read.error + ")";
      return {};
  }
  const size_t end = read.contents.find('\n');
  return end == std::string::npos ? std::string() : read.contents.substr(0, end);
}

// Replaces the record in one step, so a sender reads either the old path or the new one whole.
bool writeRecord(const std::string& record, const std::string& socketPath, std::string& reason) {
  const std::string draft = record + ".new-" + std::to_string(::getpid());
  // A file already at the draft's name (left by a copy that had this pid, or put there by whoever else
  // may write the folder) is never written through: it goes, and the draft is made new.
  ::unlink(draft.c_str());
  const int fd = ::open(draft.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  bool written = fd >= 0;
  if (written) {
    const std::string text = socketPath + '\n';
    written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    written = ::close(fd) == 0 && written;
  }
  if (!written || ::rename(draft.c_str(), record.c_str()) != 0) {
    const int error = errno;
    reason = "cannot write " + withControlCharactersHidden(record) + " (" + std::strerror(error) + ")";
    ::unlink(draft.c_str());
    return false;
  }
  return true;
}

}  // namespace

LocalSocketUrlDelivery::LocalSocketUrlDelivery(Scheduler& scheduler, std::string lockPath,
                                               std::vector<std::string> socketFolders)
    : scheduler_(scheduler), lockPath_(std::move(lockPath)), socketFolders_(std::move(socketFolders)) {}

LocalSocketUrlDelivery::~LocalSocketUrlDelivery() {
  stopReceiving();
}

std::vector<std::string> LocalSocketUrlDelivery::defaultSocketFolders() {
  std::vector<std::string> folders;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/')
    folders.push_back(std::string(runtime) + "/pelko");
  // Short whatever the runtime folder is, and there for every start of this user alike.
  folders.push_back("/tmp/pelko-" + std::to_string(::getuid()));
  return folders;
}

std::string LocalSocketUrlDelivery::recordPath(const std::string& lockPath) {
  return (std::filesystem::path(lockPath).parent_path() / "pelko.socket-path").string();
}

std::string LocalSocketUrlDelivery::socketName() const {
  struct stat info {};
  if (::stat(std::filesystem::path(lockPath_).parent_path().c_str(), &info) != 0) return "pelko.socket";
  char name[64];
  std::snprintf(name, sizeof name, "pelko-%llx-%llx.socket", static_cast<unsigned long long>(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));
  return name;
}

bool LocalSocketUrlDelivery::startReceiving(Handler handler) {
  stopReceiving();
  const std::string name = socketName();
  std::string failures;
  // The folders passed over for a reason the user may want to act on; a runtime folder too deep for a
  // socket is none.
  std::string passedOver;
  for (const auto& folder : socketFolders_) {
    const std::string path = folder + "/" + name;
    sockaddr_un unused;
    std::string reason = "the path is too long for a socket";
    if (socketAddress(path, unused)) {
      if (preparePrivateFolder(folder, reason) && listen(path, reason)) {
        if (writeRecord(recordPath(lockPath_), path, reason)) {
          if (!passedOver.empty()) {
            std::fprintf(stderr,
                         "Pelko: not receiving URLs from later starts at %s; receiving them at %s instead\n",
                         passedOver.c_str(), withControlCharactersHidden(path).c_str());
            std::fflush(stderr);
          }
          socketPath_ = path;
          handler_ = std::move(handler);
          return true;
        }
        closeListener();
        ::unlink(path.c_str());
      }
      passedOver +=
          (passedOver.empty() ? "" : "; nor at ") + withControlCharactersHidden(folder) + ": " + reason;
    }
    failures += (failures.empty() ? " at " : "; nor at ") + withControlCharactersHidden(path) + ": " + reason;
  }
  // This process holds the lock, so a record left by an earlier copy is stale: it names a socket nobody
  // listens at, or one another user has taken since, and later starts would keep sending there.
  ::unlink(recordPath(lockPath_).c_str());
  // Later starts cannot hand their URLs over: the user is told, not only the diagnostic log.
  std::fprintf(stderr, "Pelko: cannot receive URLs from later starts%s\n", failures.c_str());
  std::fflush(stderr);
  return false;
}

void LocalSocketUrlDelivery::stopReceiving() {
  handler_ = nullptr;
  if (retry_) retry_->cancel();
  retry_.reset();
  while (!clients_.empty()) closeClient(clients_.begin()->first);
  if (socketPath_.empty()) return;
  if (listenFd_ >= 0) closeListener();
  ::unlink(socketPath_.c_str());
  const std::string record = recordPath(lockPath_);
  std::string notThisUsers;
  if (readRecord(record, notThisUsers) == socketPath_) ::unlink(record.c_str());
  socketPath_.clear();
}

bool LocalSocketUrlDelivery::listen(const std::string& path, std::string& reason) {
  sockaddr_un address;
  if (!socketAddress(path, address)) {
    reason = "the path is too long for a socket";
    return false;
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  // This process holds the single-instance lock of these settings: a socket left there is from a copy
  // with the same settings that has gone.
  ::unlink(path.c_str());
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
  debugLog(std::string("AppDelegate: ") + what + " for URLs at " + withControlCharactersHidden(socketPath_) +
           " (" + std::strerror(error) + "); " + (listenAgain ? "listening again" : "trying again") + " in " +
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
    if (listen(socketPath_, reason)) {
      debugLog("AppDelegate: receiving URLs at " + withControlCharactersHidden(socketPath_) + " again");
      accept();
    } else {
      retryLater("cannot listen", errno, true);
    }
  });
  scheduler_.mainQueue().asyncAfter(kAcceptRetrySeconds, retry_);
}

void LocalSocketUrlDelivery::serve(int fd) {
  // The newest connection beyond the few served at once is told to wait and closed at once: a flood of
  // connections must not use up the descriptors the rest of the program needs. The few bytes always fit
  // the new socket's empty buffer; the sender asks again a little later.
  if (clients_.size() >= static_cast<size_t>(kMaxClients)) {
    (void)sendAll(fd, "busy\n");
    ::close(fd);
    debugLog("AppDelegate: too many connections for URLs at once; the newest is told to wait");
    return;
  }
  if (!isSameUser(fd)) {
    ::close(fd);
    return;
  }
  const uint64_t id = nextClient_++;
  Client& client = clients_[id];
  client.fd = fd;
  client.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QObject::connect(client.notifier.get(), &QSocketNotifier::activated, client.notifier.get(),
                   [this, id] { readFrom(id); });
  // A sender that stalls is cut off.
  client.timeout = std::make_shared<WorkItem>([this, id] { closeClient(id); });
  scheduler_.mainQueue().asyncAfter(kTimeoutSeconds, client.timeout);
  readFrom(id);
}

void LocalSocketUrlDelivery::closeClient(uint64_t id) {
  auto found = clients_.find(id);
  if (found == clients_.end()) return;
  Client& client = found->second;
  client.timeout->cancel();
  // The notifier may be the one whose signal is being handled: it is silenced now and goes later.
  client.notifier->setEnabled(false);
  client.notifier.release()->deleteLater();
  ::close(client.fd);
  clients_.erase(found);
}

void LocalSocketUrlDelivery::readFrom(uint64_t id) {
  auto found = clients_.find(id);
  if (found == clients_.end()) return;
  Client& client = found->second;
  bool ended = false;
  char buffer[4096];
  while (client.batch.size() <= kMaxBatchBytes) {
    const ssize_t count = ::recv(client.fd, buffer, sizeof buffer, 0);
    if (count > 0) {
      client.batch.append(buffer, static_cast<size_t>(count));
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    // Nothing more for now; or the sender has gone (or failed) before its batch was complete.
    ended = count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    break;
  }
  // The batch is complete once it ends with an empty line.
  const std::string& batch = client.batch;
  const bool complete = batch == "\n" || (batch.size() >= 2 && batch.ends_with("\n\n"));
  if (!complete && batch.size() <= kMaxBatchBytes) {
    if (ended) closeClient(id);
    return;
  }

  std::vector<std::string> urls;
  std::string refusal = complete ? "" : "the batch is longer than any valid one";
  if (complete) {
    size_t start = 0;
    for (size_t end = batch.find('\n'); end + 1 < batch.size(); end = batch.find('\n', start)) {
      urls.push_back(batch.substr(start, end - start));
      start = end + 1;
      if (urls.back().size() > kMaxURLBytes) refusal = "a URL is longer than 2 KiB";
      // The line feeds frame the URLs, so a carriage return or any other control character in a line
      // is not part of a URL anyone meant.
      if (holdsControlCharacter(urls.back())) refusal = "a URL holds a control character";
    }
    if (static_cast<int>(urls.size()) > kMaxURLs) refusal = "more than 16 URLs";
  }
  (void)sendAll(client.fd, refusal.empty() ? "ok\n" : "refused\n");
  closeClient(id);
  if (!refusal.empty()) {
    debugLog("AppDelegate: refused URLs from a later start: " + refusal);
    return;
  }
  if (handler_ && !urls.empty()) {
    scheduler_.mainAsync([handler = handler_, urls = std::move(urls)] { handler(urls); });
  }
}

platform::UrlDelivery::ForwardResult LocalSocketUrlDelivery::forwardToRunningCopy(
    const std::vector<std::string>& urls) {
  // A line break would make two URLs of one on the way: such a URL is never sent.
  for (const auto& url : urls) {
    if (holdsControlCharacter(url)) {
      debugLog("AppDelegate: not handing over a URL that holds a control character");
      return ForwardResult::refused;
    }
  }
  const std::string record = recordPath(lockPath_);
  std::string why;
  const std::string socketPath = readRecord(record, why);
  if (!why.empty()) {
    debugLog("AppDelegate: ignoring the record of the running copy's socket, " +
             withControlCharactersHidden(record) + ": " + why);
    return ForwardResult::noReceiver;
  }
  if (socketPath.empty()) return ForwardResult::noReceiver;
  sockaddr_un address;
  if (!socketAddress(socketPath, address)) {
    debugLog("AppDelegate: cannot hand URLs to the running copy: the path is too long for a socket: " +
             withControlCharactersHidden(socketPath));
    return ForwardResult::unreachable;
  }
  // Only this user's copy can have made its socket in a folder only this user may enter; a socket
  // elsewhere may be anyone's, even when a copy of this user listens there now.
  const std::string folder = std::filesystem::path(socketPath).parent_path().string();
  if (const std::string why = whyNotPrivate(folder); !why.empty()) {
    debugLog("AppDelegate: not handing URLs to " + withControlCharactersHidden(socketPath) + ": " + why);
    return ForwardResult::noReceiver;
  }
  std::string batch;
  for (const auto& url : urls) batch += url + '\n';
  batch += '\n';

  using Clock = std::chrono::steady_clock;
  const auto giveUp = Clock::now() + std::chrono::milliseconds(static_cast<int>(kBusyRetrySeconds * 1000));
  for (;;) {
    const std::optional<std::string> answer = exchange(batch, address);
    if (!answer) return ForwardResult::noReceiver;
    if (answer->starts_with("ok\n")) return ForwardResult::delivered;
    if (answer->starts_with("refused\n")) return ForwardResult::refused;
    // A receiver that did not answer at all has had its time already.
    if (!answer->starts_with("busy\n") || Clock::now() >= giveUp) return ForwardResult::busy;
    // A place comes free as soon as one of the connections being served ends, most within moments.
    ::poll(nullptr, 0, kBusyPauseMs);
  }
}

std::optional<std::string> LocalSocketUrlDelivery::exchange(const std::string& batch,
                                                            const sockaddr_un& address) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<int>(kTimeoutSeconds * 1000));
  auto msLeft = [&] {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 0));
  };
  // Waits until the socket is ready for `events` (or has failed); false once the time is up.
  auto waitFor = [&](int fd, short events) {
    for (;;) {
      pollfd entry{fd, events, 0};
      const int ready = ::poll(&entry, 1, msLeft());
      if (ready < 0 && errno == EINTR) continue;
      return ready > 0;
    }
  };

  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::nullopt;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};

  // A receiver whose queue of connections is full is waited for, until the time is up.
  const int waitMs = msLeft();
  const timeval wait{waitMs / 1000, static_cast<suseconds_t>(waitMs % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
  int connected;
  do {
    connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (connected != 0 && errno == EINTR && msLeft() > 0);
  if (connected != 0) return std::nullopt;
  // The folder was this user's a moment ago; the listener must be this user's now, or it hears nothing.
  if (const std::optional<uid_t> peer = peerUser(fd); peer != ::getuid()) {
    debugLog("AppDelegate: not handing URLs to " + withControlCharactersHidden(address.sun_path) +
             ": its listener is " +
             (peer ? "user " + std::to_string(*peer) + ", not this user" : "of a user it does not tell"));
    return std::nullopt;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return std::nullopt;

  // After a send or a receive that moved `count` bytes (or failed): whether the transfer goes on, once
  // the socket is ready for `events` again when it was not.
  auto goesOn = [&](ssize_t count, short events) {
    if (count > 0 || (count < 0 && errno == EINTR)) return true;
    return count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, events);
  };
  // A busy receiver may have answered and closed before the batch is all sent: its answer is read all
  // the same.
  size_t sent = 0;
  while (sent < batch.size()) {
    const ssize_t count = ::send(fd, batch.data() + sent, batch.size() - sent, MSG_NOSIGNAL);
    if (!goesOn(count, POLLOUT)) break;
    if (count > 0) sent += static_cast<size_t>(count);
  }

  std::string answer;
  char buffer[64];
  while (answer.find('\n') == std::string::npos) {
    const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
    if (!goesOn(count, POLLIN)) break;
    if (count > 0) answer.append(buffer, static_cast<size_t>(count));
  }
  return answer;
}

}  // namespace pelko
