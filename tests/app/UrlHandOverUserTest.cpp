// The `pelko` program hands a later start's URLs only to a running copy of the same user: a copy makes its
// socket in no folder another user could take over, and a start sends nothing to a listener of another
// user, whatever the record beside the settings says.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QProcess>

#include "PelkoProcess.h"
#include "support/ForeignUrlListener.h"

namespace pelko::testing {
namespace {

class UrlHandOverUserTest : public ::testing::Test {
 protected:
  void SetUp() override { sandbox.setDockDomain({{"autohide", true}, {"mineffect", "suck"}}); }

  Sandbox sandbox;
};

// Another user could move the runtime folder's `pelko` aside and listen in a folder of their own: the
// copy receives in its folder under /tmp instead and says so, and a later start finds it there.
TEST_F(UrlHandOverUserTest, ACopyWhoseRuntimeFolderOthersMayWriteReceivesInItsOwnFolderUnderTmp) {
  const std::string shared = sandbox.path("shared");
  std::filesystem::create_directory(shared);
  ::chmod(shared.c_str(), 0777);
  const std::map<std::string, std::string> runtime = {{"XDG_RUNTIME_DIR", shared}};
  PelkoProcess first(sandbox, {}, runtime);
  ASSERT_TRUE(first.waitUntilReady()) << first.output();
  ASSERT_TRUE(waitForTheHide(first, sandbox));
  EXPECT_NE(first.output().find("Pelko: not receiving URLs from later starts at " + shared + "/pelko: " +
                                shared + " may be written by other users; receiving them at /tmp/pelko-" +
                                std::to_string(::getuid()) + "/pelko-"),
            std::string::npos)
      << first.output();
  EXPECT_FALSE(std::filesystem::exists(shared + "/pelko"));

  PelkoProcess second(sandbox, {"pelko://settings"}, runtime);
  EXPECT_TRUE(endsWith(second, 0)) << "the running copy took the URL";
  PelkoProcess third(sandbox, {"pelko://quit"}, runtime);
  EXPECT_TRUE(endsWith(third, 0));
  EXPECT_TRUE(endsWith(first, 0)) << "the first copy took the quit";
}

// The record is made to name a socket where another user listens, in a private folder of this user, while
// the real copy holds the lock: the start hears from the credentials that the listener is not this
// user's, sends it nothing, and after waiting for the lock says that the running copy cannot be reached.
TEST_F(UrlHandOverUserTest, AStartSendsNothingToAnotherUsersListenerAndSaysTheRunningCopyCannotBeReached) {
  if (!ForeignUrlListener::canRun()) GTEST_SKIP() << ForeignUrlListener::kSkipReason;
  PelkoProcess first(sandbox);
  ASSERT_TRUE(first.waitUntilReady()) << first.output();
  ASSERT_TRUE(waitForTheHide(first, sandbox));

  // nobody binds in a folder of this user that it may write for now; the folder is private afterwards.
  ::chmod(sandbox.path("").c_str(), 0711);
  const std::string decoy = sandbox.path("decoy");
  std::filesystem::create_directory(decoy);
  ::chmod(decoy.c_str(), 0777);
  ForeignUrlListener listener(decoy + "/pelko.socket");
  ASSERT_TRUE(listener.waitUntilListening()) << listener.output();
  ::chmod(decoy.c_str(), 0700);
  const std::string record = sandbox.path("config/pelko/pelko.socket-path");
  const std::string realRecord = readWholeFile(record);
  ASSERT_FALSE(realRecord.empty());
  writeWholeFile(record, decoy + "/pelko.socket\n");

  PelkoProcess start(sandbox, {"pelko://settings"});
  ASSERT_TRUE(endsWith(start, 1));
  EXPECT_NE(start.output().find("Pelko: the URLs cannot reach the running copy"), std::string::npos)
      << start.output();
  EXPECT_NE(start.output().find("AppDelegate: not handing URLs to " + decoy +
                                "/pelko.socket: its listener is user 65534, not this user"),
            std::string::npos)
      << start.output();
  const std::string heard = listener.heard();
  EXPECT_EQ(heard.find("received"), std::string::npos) << heard;
  EXPECT_NE(heard.find("end of connection"), std::string::npos) << "the start did connect: " << heard;

  // The running copy was there all along, at the socket its own record names.
  writeWholeFile(record, realRecord);
  PelkoProcess quit(sandbox, {"pelko://quit"});
  EXPECT_TRUE(endsWith(quit, 0));
  EXPECT_TRUE(endsWith(first, 0)) << "the first copy took the quit";
}

// Root may open the copy's socket and its folder up to another user: that user's pelko://quit is still
// taken by no one, since the copy refuses a client of another user; it runs on and takes its own user's.
TEST_F(UrlHandOverUserTest, ACopyTakesNoURLFromAnotherUserEvenWhereItsSocketWasOpenedUpToThem) {
  if (!ForeignUrlListener::canRun()) GTEST_SKIP() << ForeignUrlListener::kSkipReason;
  PelkoProcess first(sandbox);
  ASSERT_TRUE(first.waitUntilReady()) << first.output();
  ASSERT_TRUE(waitForTheHide(first, sandbox));
  std::string socket = readWholeFile(sandbox.path("config/pelko/pelko.socket-path"));
  ASSERT_TRUE(socket.ends_with('\n')) << socket;
  socket.pop_back();
  for (const auto& [path, mode] : {std::pair{sandbox.path(""), 0711},
                                   {sandbox.path("run"), 0711},
                                   {sandbox.path("run/pelko"), 0711},
                                   {socket, 0777}})
    ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(mode)), 0) << path;

  QProcess client;
  client.setProcessChannelMode(QProcess::MergedChannels);
  client.start("/usr/bin/setpriv",
               {"--reuid=65534", "--regid=65534", "--clear-groups", PELKO_FOREIGN_URL_SENDER_CHILD,
                QString::fromStdString(socket), "pelko://quit"});
  ASSERT_TRUE(client.waitForFinished(10000));
  EXPECT_EQ(client.readAll().toStdString(), "connected\nanswered \"\"\n");

  ASSERT_EQ(::chmod(sandbox.path("run/pelko").c_str(), 0700), 0);
  PelkoProcess quit(sandbox, {"pelko://quit"});
  EXPECT_TRUE(endsWith(quit, 0));
  EXPECT_TRUE(endsWith(first, 0)) << "the first copy ran on and took its own user's quit";
}

}  // namespace
}  // namespace pelko::testing
