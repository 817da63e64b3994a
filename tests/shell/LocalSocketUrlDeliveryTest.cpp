// URLs handed from a later start to the running copy over the user-only local socket. The sending side
// runs on a thread of its own, as it would in the other process, while this thread serves the socket.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QLocalSocket>
#include <QProcess>
#include <algorithm>
#include <functional>
#include <future>
#include <memory>
#include <mutex>

#include "foundation/DebugLog.h"
#include "foundation/VirtualScheduler.h"
#include "shell/LocalSocketUrlDelivery.h"
#include "support/TempFolder.h"

namespace pelko::testing {
namespace {

using Result = platform::UrlDelivery::ForwardResult;

class LocalSocketUrlDeliveryTest : public ::testing::Test {
 protected:
  // These tests spin the event loop, which no other test of this binary does: events that earlier tests
  // posted to their (now gone) worlds' widgets are dropped rather than delivered here. Objects waiting to
  // be deleted are deleted first: dropping their deletion would leak them.
  void SetUp() override {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::removePostedEvents(nullptr);
  }
  std::string lockPath() const { return folder.file("config/pelko.lock"); }
  std::string socketPath() const { return receiver.socketPath(); }
  bool startReceiver() {
    return receiver.startReceiving(
        [this](const std::vector<std::string>& urls) { received.push_back(urls); });
  }
  // Forwards from another thread, serving this side's socket meanwhile; `meanwhile` runs on this thread
  // after each pass of serving it. The sender finds the receiver through the lock's folder alone.
  Result forward(const std::vector<std::string>& urls, const std::function<void()>& meanwhile = {}) {
    LocalSocketUrlDelivery sender(scheduler, lockPath(), {folder.file("elsewhere")});
    auto result = std::async(std::launch::async, [&] { return sender.forwardToRunningCopy(urls); });
    while (result.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      if (meanwhile) meanwhile();
    }
    scheduler.runUntilIdle();
    return result.get();
  }
  // What the receiver answers a batch written as it stands.
  std::string answerTo(const std::string& batch) {
    QLocalSocket raw;
    raw.connectToServer(QString::fromStdString(socketPath()));
    if (!raw.waitForConnected(1000)) return "(not connected)";
    raw.write(batch.data(), static_cast<qint64>(batch.size()));
    raw.flush();
    QByteArray answer;
    for (int i = 0; i < 200 && !answer.contains('\n'); ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      raw.waitForReadyRead(5);
      answer += raw.readAll();
    }
    scheduler.runUntilIdle();
    return answer.toStdString();
  }

  TempFolder folder;
  // The settings folder, where the lock and the record of the socket are.
  bool configFolderMade = std::filesystem::create_directories(folder.file("config"));
  VirtualScheduler scheduler;
  LocalSocketUrlDelivery receiver{scheduler, lockPath(), {folder.file("run")}};
  std::vector<std::vector<std::string>> received;
};

TEST_F(LocalSocketUrlDeliveryTest, BatchesOfAtMostSixteenURLsOfAtMostTwoKibibytesArriveWholeAndInOrder) {
  EXPECT_EQ(forward({"pelko://restart"}), Result::noReceiver);
  ASSERT_TRUE(startReceiver());
  const std::vector<std::string> sixteen(16, "pelko://restart");
  std::vector<std::string> seventeen = sixteen;
  seventeen.push_back("pelko://quit");
  const std::string longest = "pelko://Settings/" + std::string(2048 - 17, 'a');

  EXPECT_EQ(forward(sixteen), Result::delivered);
  EXPECT_EQ(forward({longest, "pelko://quit"}), Result::delivered);
  EXPECT_EQ(forward(seventeen), Result::refused);
  EXPECT_EQ(forward({longest + "a"}), Result::refused);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0], sixteen);
  EXPECT_EQ(received[1], (std::vector<std::string>{longest, "pelko://quit"}));

  const std::string socket = socketPath();
  receiver.stopReceiving();
  EXPECT_FALSE(std::filesystem::exists(socket));
  EXPECT_FALSE(std::filesystem::exists(LocalSocketUrlDelivery::recordPath(lockPath())));
  EXPECT_EQ(forward({"pelko://restart"}), Result::noReceiver);
}

// Whether another user who reaches the socket all the same is refused is tested below, as nobody.
TEST_F(LocalSocketUrlDeliveryTest, TheSocketAndItsFolderArePrivateAndAStaleSocketIsReplaced) {
  ASSERT_TRUE(startReceiver());
  const std::string socket = socketPath();
  receiver.stopReceiving();
  // A copy killed while receiving left its socket, in a folder others could enter.
  ::chmod(folder.file("run").c_str(), 0755);
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);

  ASSERT_TRUE(startReceiver());
  EXPECT_EQ(socketPath(), socket) << "the same settings, the same socket";
  struct stat info {};
  ASSERT_EQ(::stat(folder.file("run").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(socketPath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0077, 0u);
  EXPECT_EQ(forward({"pelko://onboarding"}), Result::delivered);
}

// The receiver's socket is found through the record beside the lock, whatever folders the sender would
// have chosen for a socket of its own (its runtime folder may differ, or be unset).
TEST_F(LocalSocketUrlDeliveryTest, ASenderFindsTheReceiverBesideTheLockWhateverItsOwnFolders) {
  ASSERT_TRUE(startReceiver());
  EXPECT_EQ(socketPath().rfind(folder.file("run/"), 0), 0u) << socketPath();
  EXPECT_EQ(readWholeFile(LocalSocketUrlDelivery::recordPath(lockPath())), socketPath() + "\n");
  for (const auto& senderFolders : std::vector<std::vector<std::string>>{
           {}, {folder.file("other-run")}, LocalSocketUrlDelivery::defaultSocketFolders()}) {
    LocalSocketUrlDelivery sender(scheduler, lockPath(), senderFolders);
    auto result =
        std::async(std::launch::async, [&] { return sender.forwardToRunningCopy({"pelko://restart"}); });
    while (result.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(result.get(), Result::delivered);
  }
  scheduler.runUntilIdle();
  EXPECT_EQ(received.size(), 3u);
  // Copies with other settings have sockets of their own in the same folder.
  std::filesystem::create_directories(folder.file("other-config"));
  LocalSocketUrlDelivery other(scheduler, folder.file("other-config/pelko.lock"), {folder.file("run")});
  ASSERT_TRUE(other.startReceiving([](const auto&) {}));
  EXPECT_NE(other.socketPath(), socketPath());
  EXPECT_EQ(forward({"pelko://settings"}), Result::delivered);
  EXPECT_EQ(received.size(), 4u);
}

// A line break would make two URLs of one: the sender never sends such a URL, and the receiver refuses
// a batch with a control character in any of its lines.
TEST_F(LocalSocketUrlDeliveryTest, AURLHoldingAControlCharacterIsRefusedWholeByBothSides) {
  ASSERT_TRUE(startReceiver());
  DebugLogSink previous = setDebugLogSink([&](std::string_view) {});
  for (const std::string url : {"pelko://noop\npelko://quit", "pelko://quit\r", "pelko://se\ttings"}) {
    SCOPED_TRACE(::testing::PrintToString(url));
    EXPECT_EQ(forward({"pelko://settings", url}), Result::refused);
  }
  for (const std::string batch : {"pelko://quit\r\n\n",
                                  "pelko://settings\npelko://a\x01"
                                  "b\n\n",
                                  "pelko://\x7fquit\n\n", "pelko://quit\xC2\x85\n\n"}) {
    SCOPED_TRACE(::testing::PrintToString(batch));
    EXPECT_EQ(answerTo(batch), "refused\n");
  }
  setDebugLogSink(previous);
  EXPECT_TRUE(received.empty());
  // Letters beyond ASCII are no control characters.
  EXPECT_EQ(answerTo("pelko://settings/\xC3\xA9t\xC3\xA9\n\n"), "ok\n");
  EXPECT_EQ(received.size(), 1u);
}

TEST_F(LocalSocketUrlDeliveryTest, ASenderThatStallsIsCutOffAfterOneSecond) {
  ASSERT_TRUE(startReceiver());
  QLocalSocket stalled;
  stalled.connectToServer(QString::fromStdString(socketPath()));
  ASSERT_TRUE(stalled.waitForConnected(1000));
  stalled.write("pelko://restart\n");  // no closing empty line
  stalled.flush();
  auto serve = [] {
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  };
  serve();
  scheduler.advance(0.99);
  serve();
  EXPECT_EQ(stalled.state(), QLocalSocket::ConnectedState);
  scheduler.advance(0.01);
  for (int i = 0; i < 200 && stalled.state() != QLocalSocket::UnconnectedState; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    stalled.waitForDisconnected(5);
  }
  EXPECT_EQ(stalled.state(), QLocalSocket::UnconnectedState);
  EXPECT_TRUE(received.empty());
}

// Eight stalled senders take every place. A ninth is told the copy is busy and asks again for a while:
// it is served when a place comes free meanwhile, and otherwise gives up naming the copy as busy, never as
// refusing its URLs.
TEST_F(LocalSocketUrlDeliveryTest, BeyondEightConnectionsAtOnceTheNewestIsToldToWaitAndAsksAgain) {
  ASSERT_TRUE(startReceiver());
  std::vector<std::unique_ptr<QLocalSocket>> stalled;
  for (int i = 0; i < 8; ++i) {
    stalled.push_back(std::make_unique<QLocalSocket>());
    stalled.back()->connectToServer(QString::fromStdString(socketPath()));
    ASSERT_TRUE(stalled.back()->waitForConnected(1000));
    stalled.back()->write("pelko://restart\n");  // never finished
    stalled.back()->flush();
  }
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_EQ(forward({"pelko://settings"}), Result::busy) << "a ninth connection is told to wait";
  EXPECT_TRUE(received.empty());

  // The stalled senders are cut off once the ninth has been told to wait, while it keeps asking.
  bool toldToWait = false, cutOff = false;
  DebugLogSink previous = setDebugLogSink([&](std::string_view line) {
    if (line.find("the newest is told to wait") != std::string_view::npos) toldToWait = true;
  });
  EXPECT_EQ(forward({"pelko://settings"},
                    [&] {
                      if (toldToWait && !std::exchange(cutOff, true)) scheduler.advance(1.0);
                    }),
            Result::delivered);
  setDebugLogSink(previous);
  EXPECT_TRUE(cutOff);
  EXPECT_EQ(received, (std::vector<std::vector<std::string>>{{"pelko://settings"}}));
}

// A socket's path holds at most 107 bytes: a folder too deep for one is passed over for the next, and a
// receiver with no usable folder says so once. A record naming a path no socket can have leaves the
// sender unable to reach the copy, rather than finding none.
TEST_F(LocalSocketUrlDeliveryTest, AFolderTooDeepForASocketIsPassedOverAndWithNoneLeftTheReceiverSaysSo) {
  const std::string deep = folder.file(std::string(100, 'd'));
  LocalSocketUrlDelivery deepFirst(scheduler, lockPath(), {deep, folder.file("run")});
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(deepFirst.startReceiving([this](const auto& urls) { received.push_back(urls); }));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(deepFirst.socketPath().rfind(folder.file("run/"), 0), 0u) << deepFirst.socketPath();
  EXPECT_EQ(forward({"pelko://settings"}), Result::delivered);
  deepFirst.stopReceiving();

  LocalSocketUrlDelivery nowhere(scheduler, lockPath(), {deep});
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(nowhere.startReceiving([this](const auto& urls) { received.push_back(urls); }));
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(said.rfind("Pelko: cannot receive URLs from later starts at " + deep + "/pelko-", 0), 0u) << said;
  EXPECT_NE(said.find(": the path is too long for a socket\n"), std::string::npos) << said;
  EXPECT_EQ(forward({"pelko://settings"}), Result::noReceiver);

  writeWholeFile(LocalSocketUrlDelivery::recordPath(lockPath()), deep + "/pelko.socket\n");
  EXPECT_EQ(forward({"pelko://settings"}), Result::unreachable);
  EXPECT_EQ(received, (std::vector<std::vector<std::string>>{{"pelko://settings"}}));
}

// A record or a socket that another user could have put there is not this user's running copy, even
// when the copy listening there is: the sender sends nothing and finds no receiver, and its log says why.
TEST_F(LocalSocketUrlDeliveryTest, ASenderTrustsOnlyItsUsersRecordNamingASocketInAPrivateFolderOfItsUser) {
  const std::string record = LocalSocketUrlDelivery::recordPath(lockPath());
  struct Case {
    const char* what;
    std::function<void()> makeIt;
    std::string logged;
  };
  std::vector<Case> cases = {
      {"the socket's folder may be entered by others", [&] { ::chmod(folder.file("run").c_str(), 0701); },
       ": other users may enter the folder"},
      {"the socket's folder may be entered by its group", [&] { ::chmod(folder.file("run").c_str(), 0710); },
       ": other users may enter the folder"},
      {"the socket's folder is a symbolic link to the receiver's",
       [&] {
         std::filesystem::create_directory_symlink(folder.file("run"), folder.file("link"));
         writeWholeFile(
             record, folder.file("link/") + std::filesystem::path(socketPath()).filename().string() + "\n");
       },
       ": the folder is a symbolic link"},
      {"the record is a symbolic link to the receiver's",
       [&] {
         std::filesystem::rename(record, folder.file("record"));
         std::filesystem::create_symlink(folder.file("record"), record);
       },
       "pelko.socket-path: it is not a plain file"},
      {"the record is a FIFO, which no one writes",
       [&] {
         std::filesystem::remove(record);
         ASSERT_EQ(::mkfifo(record.c_str(), 0600), 0);
       },
       "pelko.socket-path: it is not a plain file"},
  };
  // Only root can give a file to another user.
  if (::geteuid() == 0) {
    cases.push_back({"the record is another user's",
                     [&] { ASSERT_EQ(::chown(record.c_str(), 65534, 65534), 0); },
                     "pelko.socket-path: it belongs to another user"});
  }
  std::mutex logMutex;
  std::string log;
  DebugLogSink previous = setDebugLogSink([&](std::string_view line) {
    std::lock_guard lock(logMutex);
    log += std::string(line) + "\n";
  });
  for (const auto& thisCase : cases) {
    SCOPED_TRACE(thisCase.what);
    ASSERT_TRUE(startReceiver());
    thisCase.makeIt();
    log.clear();
    EXPECT_EQ(forward({"pelko://settings"}), Result::noReceiver);
    EXPECT_NE(log.find(thisCase.logged), std::string::npos) << log;
    EXPECT_TRUE(received.empty());
    receiver.stopReceiving();
    std::filesystem::remove(folder.file("link"));
  }
  setDebugLogSink(previous);
  // The same receiver, found as it put itself down.
  ASSERT_TRUE(startReceiver());
  EXPECT_EQ(forward({"pelko://settings"}), Result::delivered);
  EXPECT_EQ(received, (std::vector<std::vector<std::string>>{{"pelko://settings"}}));
}

// A folder another user could replace, or take the name of the socket in, is passed over for the next;
// the receiver says why and where it receives instead, and makes nothing there.
TEST_F(LocalSocketUrlDeliveryTest, AFolderAnotherUserCouldTakeOverIsPassedOverAndTheReceiverSaysWhy) {
  const bool asRoot = ::geteuid() == 0;
  auto folderOfMode = [&](const std::string& name, mode_t mode) {
    std::filesystem::create_directories(folder.file(name));
    ::chmod(folder.file(name).c_str(), mode);
  };
  struct Case {
    const char* what;
    std::string candidate;
    std::string said;  // why it was passed over; empty when it is used
  };
  folderOfMode("shared", 0777);
  folderOfMode("group", 0770);
  folderOfMode("sticky", 01777);
  folderOfMode("private", 0700);
  folderOfMode("line\nfeed", 0700);
  std::filesystem::create_directory_symlink(folder.file("private"), folder.file("linked"));
  std::filesystem::create_directory_symlink(folder.file("shared"), folder.file("via"));
  std::vector<Case> cases = {
      {"a runtime folder anyone may write", folder.file("shared/pelko"),
       folder.file("shared") + " may be written by other users"},
      {"a runtime folder its group may write", folder.file("group/pelko"),
       folder.file("group") + " may be written by other users"},
      {"a link on the way to a folder anyone may write", folder.file("via/pelko"),
       folder.file("shared") + " may be written by other users"},
      {"a runtime folder holding a line feed", folder.file("line\nfeed/pelko"),
       "the path holds a control character"},
      {"the folder is a symbolic link", folder.file("linked"), "the folder is a symbolic link"},
      {"a folder anyone may write with the sticky bit, as /tmp", folder.file("sticky/pelko"), ""},
  };
  // Only root can make a folder another user's.
  if (asRoot) {
    folderOfMode("theirs", 0755);
    ASSERT_EQ(::chown(folder.file("theirs").c_str(), 65534, 65534), 0);
    cases.push_back({"a runtime folder of another user", folder.file("theirs/pelko"),
                     folder.file("theirs") + " belongs to another user"});
    // Its owner may make a link lead elsewhere at any time, even in a folder with the sticky bit.
    std::filesystem::create_directory_symlink(folder.file("private"), folder.file("their-link"));
    ASSERT_EQ(::lchown(folder.file("their-link").c_str(), 65534, 65534), 0);
    cases.push_back({"a link of another user on the way", folder.file("their-link/pelko"),
                     folder.file("their-link") + " is a symbolic link of another user"});
  }
  for (const auto& thisCase : cases) {
    SCOPED_TRACE(thisCase.what);
    LocalSocketUrlDelivery candidateFirst(scheduler, lockPath(), {thisCase.candidate, folder.file("run")});
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(candidateFirst.startReceiving([this](const auto& urls) { received.push_back(urls); }));
    const std::string said = ::testing::internal::GetCapturedStderr();
    const std::string used = candidateFirst.socketPath();
    if (thisCase.said.empty()) {
      EXPECT_EQ(said, "");
      EXPECT_EQ(used.rfind(thisCase.candidate + "/", 0), 0u) << used;
    } else {
      std::string shown = thisCase.candidate;
      std::replace(shown.begin(), shown.end(), '\n', '?');
      EXPECT_EQ(said, "Pelko: not receiving URLs from later starts at " + shown + ": " + thisCase.said +
                          "; receiving them at " + used + " instead\n");
      EXPECT_EQ(used.rfind(folder.file("run/"), 0), 0u) << used;
      EXPECT_FALSE(std::filesystem::exists(thisCase.candidate + "/" +
                                           std::filesystem::path(used).filename().string()));
    }
    EXPECT_EQ(forward({"pelko://settings"}), Result::delivered);
  }
  EXPECT_FALSE(std::filesystem::exists(folder.file("shared/pelko"))) << "nothing is made where others write";
  EXPECT_EQ(received.size(), asRoot ? 8u : 6u);
}

// A copy that can listen nowhere holds the lock all the same: the record an earlier copy left names a
// socket no copy of this user listens at, and goes, so that later starts do not keep sending there.
TEST_F(LocalSocketUrlDeliveryTest, AReceiverThatCanListenNowhereRemovesTheRecordAnEarlierCopyLeft) {
  std::filesystem::create_directories(folder.file("shared"));
  ::chmod(folder.file("shared").c_str(), 0777);
  const std::string record = LocalSocketUrlDelivery::recordPath(lockPath());
  writeWholeFile(record, folder.file("gone/pelko.socket\n"));
  LocalSocketUrlDelivery nowhere(scheduler, lockPath(), {folder.file("shared/pelko")});
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(nowhere.startReceiving([](const auto&) {}));
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(
      said.rfind("Pelko: cannot receive URLs from later starts at " + folder.file("shared/pelko/pelko-"), 0),
      0u)
      << said;
  EXPECT_TRUE(said.ends_with(": " + folder.file("shared") + " may be written by other users\n")) << said;
  EXPECT_FALSE(std::filesystem::exists(record));
}

TEST_F(LocalSocketUrlDeliveryTest, SendersThatLeaveBeforeTheirBatchEndsFreeTheirPlaceAtOnce) {
  ASSERT_TRUE(startReceiver());
  for (int i = 0; i < 8; ++i) {
    QLocalSocket leaving;
    leaving.connectToServer(QString::fromStdString(socketPath()));
    ASSERT_TRUE(leaving.waitForConnected(1000));
    leaving.write("pelko://quit\n");  // no closing empty line
    leaving.flush();
    leaving.disconnectFromServer();
    for (int pass = 0; pass < 20; ++pass) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  // No time has passed: only their leaving can have made room for a ninth sender.
  EXPECT_EQ(forward({"pelko://settings"}), Result::delivered);
  EXPECT_EQ(received, (std::vector<std::vector<std::string>>{{"pelko://settings"}}));
}

// A settings path may hold whatever a folder's name may: where it is said, it stays on one line and
// tells a terminal nothing.
TEST_F(LocalSocketUrlDeliveryTest, ARecordThatCannotBeWrittenIsNamedWithItsControlCharactersHidden) {
  const std::string config = folder.file("con\x1b[2Jfig\a\nx");
  // A folder where the record belongs: it cannot be replaced by a file.
  std::filesystem::create_directories(config + "/pelko.socket-path");
  LocalSocketUrlDelivery strange(scheduler, config + "/pelko.lock", {folder.file("run")});
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(strange.startReceiving([](const auto&) {}));
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(said.rfind("Pelko: cannot receive URLs from later starts at " + folder.file("run/pelko-"), 0), 0u)
      << said;
  EXPECT_TRUE(said.ends_with(".socket: cannot write " + folder.file("con?[2Jfig??x/pelko.socket-path") +
                             " (Is a directory)\n"))
      << ::testing::PrintToString(said);
}

// Only root can act as another user: these tests skip elsewhere.
constexpr const char* kNeedsAnotherUser = "needs a second user: only a test run as root can act as nobody";
const QStringList kAsNobody = {"--reuid=65534", "--regid=65534", "--clear-groups"};

// Root may open up the socket's folder and the socket: another user who connects then is still refused
// by the copy itself, which takes nothing from them and goes on serving its user.
TEST_F(LocalSocketUrlDeliveryTest, AClientOfAnotherUserIsRefusedEvenWhereTheSocketWasOpenedUpToThem) {
  if (::geteuid() != 0) GTEST_SKIP() << kNeedsAnotherUser;
  ASSERT_TRUE(startReceiver());
  for (const auto& [path, mode] :
       {std::pair{folder.path(), 0711}, {folder.file("run"), 0711}, {socketPath(), 0777}})
    ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(mode)), 0) << path;
  QProcess client;
  client.setProcessChannelMode(QProcess::MergedChannels);
  client.start("/usr/bin/setpriv",
               kAsNobody + QStringList{PELKO_FOREIGN_URL_SENDER_CHILD, QString::fromStdString(socketPath()),
                                       "pelko://quit"});
  for (int i = 0; i < 1000 && client.state() != QProcess::NotRunning; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    client.waitForFinished(5);
  }
  scheduler.runUntilIdle();
  EXPECT_EQ(client.readAll().toStdString(), "connected\nanswered \"\"\n");
  EXPECT_TRUE(received.empty());

  ASSERT_EQ(::chmod(folder.file("run").c_str(), 0700), 0);
  EXPECT_EQ(forward({"pelko://settings"}), Result::delivered);
  EXPECT_EQ(received, (std::vector<std::vector<std::string>>{{"pelko://settings"}}));
}

// In a settings folder anyone may write, another user leaves a file of theirs, open to all, where the
// copy writes the draft of its record. The copy makes its draft anew rather than writing through theirs,
// so the record is its user's and later starts reach it.
TEST_F(LocalSocketUrlDeliveryTest, ADraftAnotherUserLeftInTheRecordsPlaceIsNotWrittenThrough) {
  if (::geteuid() != 0) GTEST_SKIP() << kNeedsAnotherUser;
  ASSERT_EQ(::chmod(folder.file("config").c_str(), 0777), 0);
  const std::string draft = folder.file("config/pelko.socket-path.new-") + std::to_string(::getpid());
  const int fd = ::open(draft.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::fchown(fd, 65534, 65534), 0);
  ASSERT_EQ(::fchmod(fd, 0666), 0);
  ::close(fd);

  ASSERT_TRUE(startReceiver());
  struct stat record {};
  ASSERT_EQ(::lstat(folder.file("config/pelko.socket-path").c_str(), &record), 0);
  EXPECT_EQ(record.st_uid, ::getuid());
  EXPECT_EQ(record.st_mode & 07777, 0600u);
  EXPECT_EQ(forward({"pelko://settings"}), Result::delivered);
  EXPECT_EQ(received, (std::vector<std::vector<std::string>>{{"pelko://settings"}}));
}

// In a settings folder anyone may write, another user swaps the record with a link of theirs to the
// record of another copy of this user, over and over. A start reads the record it checked, or meets the
// link and finds no copy; it never reaches the other copy.
TEST_F(LocalSocketUrlDeliveryTest, ARecordSwappedForALinkOverAndOverSendsNoStartToAnotherCopy) {
  ASSERT_TRUE(startReceiver());
  std::filesystem::create_directories(folder.file("other-config"));
  const std::string otherLock = folder.file("other-config/pelko.lock");
  LocalSocketUrlDelivery other(scheduler, otherLock, {folder.file("run")});
  std::vector<std::vector<std::string>> receivedByOther;
  ASSERT_TRUE(other.startReceiving([&](const auto& urls) { receivedByOther.push_back(urls); }));

  ASSERT_EQ(::chmod(folder.path().c_str(), 0711), 0);
  ASSERT_EQ(::chmod(folder.file("config").c_str(), 0777), 0);
  const std::string link = folder.file("config/theirs");
  std::filesystem::create_symlink(LocalSocketUrlDelivery::recordPath(otherLock), link);
  QProcess swapper;
  swapper.setProcessChannelMode(QProcess::MergedChannels);
  const QStringList swapped = {QString::fromStdString(LocalSocketUrlDelivery::recordPath(lockPath())),
                               QString::fromStdString(link)};
  if (::geteuid() == 0) {
    ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
    swapper.start("/usr/bin/setpriv", kAsNobody + QStringList{PELKO_RECORD_SWAPPER_CHILD} + swapped);
  } else {
    // No other user to be: the same swap, made as this user, meets the same checks.
    swapper.start(PELKO_RECORD_SWAPPER_CHILD, swapped);
  }
  QByteArray said;
  for (int i = 0; i < 100 && !said.contains('\n'); ++i) {
    swapper.waitForReadyRead(50);
    said += swapper.readAll();
  }
  ASSERT_EQ(said.toStdString(), "swapping\n");

  DebugLogSink previous = setDebugLogSink([](std::string_view) {});
  int delivered = 0;
  // Each start has a small chance of meeting a swap between a look at the record and a read of it: a
  // hundred make a missed fault unlikely, at a few milliseconds each.
  for (int start = 0; start < 100; ++start) {
    const Result result = forward({"pelko://settings"});
    EXPECT_TRUE(result == Result::delivered || result == Result::noReceiver) << static_cast<int>(result);
    delivered += result == Result::delivered;
  }
  setDebugLogSink(previous);
  swapper.kill();
  swapper.waitForFinished(2000);
  EXPECT_TRUE(receivedByOther.empty()) << receivedByOther.size() << " of 100 starts reached the other copy";
  EXPECT_EQ(received.size(), static_cast<size_t>(delivered));
}

// A receiver out of file descriptors cannot take the connection; once it has descriptors again it serves
// the next sender, at the same socket, and its diagnostic log says what happened.
TEST(LocalSocketUrlDeliveryPressureTest, AReceiverOutOfDescriptorsServesAgainOnceItHasSome) {
  TempFolder folder;
  const std::string lockPath = folder.file("config/pelko.lock");
  std::filesystem::create_directories(folder.file("config"));
  QProcess child;
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(PELKO_URL_RECEIVER_CHILD,
              {QString::fromStdString(lockPath), QString::fromStdString(folder.file("run"))});
  QByteArray output;
  auto waitFor = [&](const QByteArray& text) {
    for (int i = 0; i < 100 && !output.contains(text); ++i) {
      child.waitForReadyRead(50);
      output += child.readAll();
    }
    return output.contains(text);
  };
  ASSERT_TRUE(waitFor("ready\n")) << output.toStdString();
  const std::string path = readWholeFile(LocalSocketUrlDelivery::recordPath(lockPath));
  ASSERT_TRUE(path.ends_with('\n')) << path;

  VirtualScheduler scheduler;
  LocalSocketUrlDelivery sender(scheduler, lockPath);
  Result result = Result::noReceiver;
  for (int attempt = 0; attempt < 10 && result != Result::delivered; ++attempt)
    result = sender.forwardToRunningCopy({"pelko://settings", "pelko://quit"});
  EXPECT_EQ(result, Result::delivered) << output.toStdString();
  EXPECT_TRUE(waitFor("received pelko://quit\n")) << output.toStdString();
  EXPECT_TRUE(output.contains("received pelko://settings\n")) << output.toStdString();
  EXPECT_TRUE(output.contains("AppDelegate: cannot take a connection for URLs at " +
                              QByteArray::fromStdString(path.substr(0, path.size() - 1)) +
                              " (Too many open files); trying again in 250 ms"))
      << output.toStdString();
  EXPECT_TRUE(child.waitForFinished(5000));
  if (child.state() != QProcess::NotRunning) child.kill();
  child.waitForFinished(1000);
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
}

}  // namespace
}  // namespace pelko::testing
