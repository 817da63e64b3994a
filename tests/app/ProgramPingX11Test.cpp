// The end-to-end tests' round trip through the running program: the program answers the window
// manager's ping to its windows, and the answer to one ping is not taken for that to another.

#include <gtest/gtest.h>

#include "DesktopTest.h"
#include "XConnection.h"

namespace pelko::testing {
namespace {

class ProgramPingX11Test : public DesktopTest {};

TEST_F(ProgramPingX11Test, TheProgramAnswersItsPingAndASilentWindowIsNotTakenToHaveAnswered) {
  startPelko();
  ASSERT_TRUE(waitForBottomBar(BottomBar::shown, 10)) << pelko->output();
  // A window of the test's own, which takes no part in the protocol: its ping stays unanswered.
  XConnection own(server->display());
  ASSERT_TRUE(own.isConnected());
  const xcb_window_t silent = own.openWindow("Silent", 50, 50);
  ProgramPing ping(server->display());
  ASSERT_TRUE(ping.isConnected());

  ping.send({silent}, 1);
  ping.send(programWindowIds(), 2);
  ASSERT_TRUE(waitUntil([&] { return ping.answered(2); }, 10)) << "the program did not answer";
  EXPECT_FALSE(ping.answered(1)) << "the program's answer was taken for the silent window's";
  EXPECT_TRUE(programHasCaughtUp()) << pelko->output();
}

}  // namespace
}  // namespace pelko::testing
