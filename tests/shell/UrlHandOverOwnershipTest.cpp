// A later start hands its URLs to no other user, wherever the record beside its settings points: another
// user, nobody, listens there, as someone who moved the user's runtime folder aside or took a socket's
// name in /tmp after a reboot would. Only root can start a listener of another user; elsewhere these
// tests skip.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "foundation/DebugLog.h"
#include "foundation/VirtualScheduler.h"
#include "shell/LocalSocketUrlDelivery.h"
#include "support/ForeignUrlListener.h"
#include "support/TempFolder.h"

namespace pelko::testing {
namespace {

using Result = platform::UrlDelivery::ForwardResult;

// The record names nobody's socket. In a folder that is nobody's, the sender does not connect at all; in
// a private folder of this user, it connects and hears from the credentials that the listener is
// another user's before it has sent a byte. Either way the start finds no receiver and goes on.
TEST(UrlHandOverOwnershipTest, ASenderSendsNothingToAListenerOfAnotherUser) {
  if (!ForeignUrlListener::canRun()) GTEST_SKIP() << ForeignUrlListener::kSkipReason;
  struct Case {
    const char* what;
    std::string socketFolder;
    std::function<void(const std::string& folder)> onceListening;
    std::string heard;  // what the listener heard before the test's own connection
    std::string logged;
  };
  const std::vector<Case> cases = {
      {"a socket in a folder of another user", "shared/theirs", [](const std::string&) {}, "",
       ": the folder belongs to another user"},
      {"a listener of another user in a private folder of this user", "mine",
       [](const std::string& folder) { ::chmod(folder.c_str(), 0700); }, "end of connection\n",
       ": its listener is user 65534, not this user"},
  };
  for (const auto& thisCase : cases) {
    SCOPED_TRACE(thisCase.what);
    TempFolder folder;
    // nobody makes its folder in a shared one, or binds in one of ours that it may write for now.
    ::chmod(folder.path().c_str(), 0711);
    for (const char* shared : {"shared", "mine"}) {
      std::filesystem::create_directory(folder.file(shared));
      ::chmod(folder.file(shared).c_str(), 0777);
    }
    std::filesystem::create_directory(folder.file("config"));
    const std::string lockPath = folder.file("config/pelko.lock");
    const std::string socketPath = folder.file(thisCase.socketFolder + "/pelko.socket");

    ForeignUrlListener listener(socketPath);
    ASSERT_TRUE(listener.waitUntilListening()) << listener.output();
    thisCase.onceListening(folder.file(thisCase.socketFolder));
    writeWholeFile(LocalSocketUrlDelivery::recordPath(lockPath), socketPath + "\n");

    std::string log;
    DebugLogSink previous = setDebugLogSink([&](std::string_view line) { log += std::string(line) + "\n"; });
    VirtualScheduler scheduler;
    LocalSocketUrlDelivery sender(scheduler, lockPath, {});
    EXPECT_EQ(sender.forwardToRunningCopy({"pelko://settings", "pelko://quit"}), Result::noReceiver);
    setDebugLogSink(previous);
    EXPECT_NE(log.find("AppDelegate: not handing URLs to " + socketPath + thisCase.logged), std::string::npos)
        << log;
    EXPECT_EQ(listener.heard(), thisCase.heard);
  }
}

}  // namespace
}  // namespace pelko::testing
