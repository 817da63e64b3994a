// The X server the desktop tests start: a client that is still in its handshake when the server's last
// other client leaves is served all the same, and clients started one after another all reach it.

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstdint>
#include <cstdlib>

#include "XTestServer.h"

namespace pelko::testing {
namespace {

// A client written out by hand on the server's socket, so the test decides when each step of the
// handshake is sent.
class RawClient {
 public:
  explicit RawClient(const std::string& display) {
    const std::string path = "/tmp/.X11-unix/X" + display.substr(1);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~RawClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool isConnected() const { return fd_ >= 0; }

  // The connection set-up request: little-endian, protocol 11.0, no authorisation, 12 bytes.
  bool sendSetup(size_t from, size_t to) {
    static const uint8_t kSetup[12] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    return ::send(fd_, kSetup + from, to - from, MSG_NOSIGNAL) == static_cast<ssize_t>(to - from);
  }

  // Whether the server wrote or closed anything within `seconds`.
  bool heardWithin(double seconds) {
    pollfd entry{fd_, POLLIN, 0};
    return ::poll(&entry, 1, static_cast<int>(seconds * 1000)) > 0;
  }

  // The first byte of the server's answer to the set-up: 1 accepted, 0 refused; -1 when the connection
  // was closed or nothing came within `seconds`.
  int setupStatus(double seconds) {
    uint8_t status = 0;
    if (!heardWithin(seconds) || ::recv(fd_, &status, 1, 0) != 1) return -1;
    return status;
  }

 private:
  int fd_ = -1;
};

// While a new client's handshake is under way, the last client that had finished its own leaves (as a
// probe of the display ends while the window manager or the program starts): the server must not reset
// and drop the newcomer, which would see its connection reset and give up on the display.
TEST(XTestServerTest, AClientInItsHandshakeIsServedWhenTheLastOtherClientLeaves) {
  const std::string xvfb = findProgram("Xvfb");
  if (xvfb.empty()) GTEST_SKIP() << "needs Xvfb (scripts/install-deps.sh)";
  XServer server(xvfb);
  ASSERT_FALSE(server.display().empty()) << server.describe();

  xcb_connection_t* last = connectToDisplay(server.display());
  ASSERT_FALSE(xcb_connection_has_error(last));
  RawClient newcomer(server.display());
  ASSERT_TRUE(newcomer.isConnected());
  ASSERT_TRUE(newcomer.sendSetup(0, 6));
  // A round trip on the other connection: the server has taken the newcomer's connection before it
  // answers a request sent after it.
  ASSERT_NE(internAtom(last, "WM_NAME"), static_cast<xcb_atom_t>(XCB_ATOM_NONE));
  xcb_disconnect(last);

  // A server resetting now closes the newcomer's half-open connection within a moment.
  EXPECT_FALSE(newcomer.heardWithin(1.0)) << "the server closed a client in its handshake\n"
                                          << server.describe();
  ASSERT_TRUE(newcomer.sendSetup(6, 12));
  EXPECT_EQ(newcomer.setupStatus(10), 1) << server.describe();
}

// The flake this guards against struck about one client in a hundred, so it is measured by hand on a
// loaded machine (several copies side by side): --gtest_also_run_disabled_tests.
TEST(XTestServerTest, DISABLED_FiveHundredClientsStartedOneAfterAnotherAllReachTheServer) {
  const std::string xvfb = findProgram("Xvfb");
  if (xvfb.empty() || findProgram("xdpyinfo").empty()) GTEST_SKIP() << "needs Xvfb and xdpyinfo";
  XServer server(xvfb);
  ASSERT_FALSE(server.display().empty()) << server.describe();
  int failed = 0;
  for (int run = 0; run < 500; ++run) {
    const std::string command = "DISPLAY=" + server.display() + " xdpyinfo >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) ++failed;
  }
  std::printf("%s: %d of 500 clients could not connect\n", server.display().c_str(), failed);
  EXPECT_EQ(failed, 0) << server.describe();
}

}  // namespace
}  // namespace pelko::testing
