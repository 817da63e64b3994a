// URLs handed from a later start to the running copy over the user-only local socket. The sending side
// runs on a thread of its own, as it would in the other process, while this thread serves the socket.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QLocalSocket>
#include <QProcess>
#include <functional>
#include <future>
#include <memory>

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
  std::string socketPath() const { return folder.file("run/pelko.socket"); }
  bool startReceiver() {
    return receiver.startReceiving(
        [this](const std::vector<std::string>& urls) { received.push_back(urls); });
  }
  // Forwards from another thread, serving this side's socket meanwhile; `meanwhile` runs on this thread
  // after each pass of serving it.
  Result forward(const std::vector<std::string>& urls, const std::function<void()>& meanwhile = {}) {
    return forwardTo(socketPath(), urls, meanwhile);
  }
  Result forwardTo(const std::string& path, const std::vector<std::string>& urls,
                   const std::function<void()>& meanwhile = {}) {
    LocalSocketUrlDelivery sender(scheduler, path);
    auto result = std::async(std::launch::async, [&] { return sender.forwardToRunningCopy(urls); });
    while (result.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      if (meanwhile) meanwhile();
    }
    scheduler.runUntilIdle();
    return result.get();
  }

  TempFolder folder;
  VirtualScheduler scheduler;
  LocalSocketUrlDelivery receiver{scheduler, socketPath()};
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

  receiver.stopReceiving();
  EXPECT_FALSE(std::filesystem::exists(socketPath()));
  EXPECT_EQ(forward({"pelko://restart"}), Result::noReceiver);
}

TEST_F(LocalSocketUrlDeliveryTest, OnlyTheUserCanReachTheSocketAndAStaleOneIsReplaced) {
  // A copy killed while receiving left its socket, in a folder others could enter.
  std::filesystem::create_directories(folder.file("run"));
  ::chmod(folder.file("run").c_str(), 0755);
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath().c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);

  ASSERT_TRUE(startReceiver());
  struct stat info {};
  ASSERT_EQ(::stat(folder.file("run").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(socketPath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0077, 0u);
  EXPECT_EQ(forward({"pelko://onboarding"}), Result::delivered);
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

TEST_F(LocalSocketUrlDeliveryTest, APathTooLongForASocketIsSaidByTheReceiverAndTheSenderFindsNoWayThrough) {
  // A socket's path holds at most 107 bytes: one more cannot be bound or connected to.
  const std::string folderPath = folder.file("run");
  for (const auto& [length, usable] : std::vector<std::pair<size_t, bool>>{{107, true}, {108, false}}) {
    SCOPED_TRACE(length);
    const std::string name = "/" + std::string(length - folderPath.size() - 1, 's');
    const std::string path = folderPath + name;
    ASSERT_EQ(path.size(), length);
    LocalSocketUrlDelivery longReceiver(scheduler, path);
    ::testing::internal::CaptureStderr();
    const bool receiving =
        longReceiver.startReceiving([this](const auto& urls) { received.push_back(urls); });
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(receiving, usable);
    if (usable) {
      EXPECT_EQ(said, "");
      EXPECT_EQ(forwardTo(path, {"pelko://settings"}), Result::delivered);
    } else {
      EXPECT_EQ(said, "Pelko: cannot receive URLs from later starts at " + path +
                          ": the path is too long for a socket\n");
      EXPECT_EQ(forwardTo(path, {"pelko://settings"}), Result::unreachable);
    }
  }
  EXPECT_EQ(received, (std::vector<std::vector<std::string>>{{"pelko://settings"}}));
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

// A receiver out of file descriptors cannot take the connection; once it has descriptors again it serves
// the next sender, at the same socket, and its diagnostic log says what happened.
TEST(LocalSocketUrlDeliveryPressureTest, AReceiverOutOfDescriptorsServesAgainOnceItHasSome) {
  TempFolder folder;
  const std::string path = folder.file("run/pelko.socket");
  QProcess child;
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(PELKO_URL_RECEIVER_CHILD, {QString::fromStdString(path)});
  QByteArray output;
  auto waitFor = [&](const QByteArray& text) {
    for (int i = 0; i < 100 && !output.contains(text); ++i) {
      child.waitForReadyRead(50);
      output += child.readAll();
    }
    return output.contains(text);
  };
  ASSERT_TRUE(waitFor("ready\n")) << output.toStdString();

  VirtualScheduler scheduler;
  LocalSocketUrlDelivery sender(scheduler, path);
  Result result = Result::noReceiver;
  for (int attempt = 0; attempt < 10 && result != Result::delivered; ++attempt)
    result = sender.forwardToRunningCopy({"pelko://settings", "pelko://quit"});
  EXPECT_EQ(result, Result::delivered) << output.toStdString();
  EXPECT_TRUE(waitFor("received pelko://quit\n")) << output.toStdString();
  EXPECT_TRUE(output.contains("received pelko://settings\n")) << output.toStdString();
  EXPECT_TRUE(output.contains("AppDelegate: cannot take a connection for URLs at " +
                              QByteArray::fromStdString(path) +
                              " (Too many open files); trying again in 250 ms"))
      << output.toStdString();
  EXPECT_TRUE(child.waitForFinished(5000));
  if (child.state() != QProcess::NotRunning) child.kill();
  child.waitForFinished(1000);
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
}

}  // namespace
}  // namespace pelko::testing
