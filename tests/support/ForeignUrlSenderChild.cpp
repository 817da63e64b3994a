// Sends the URLs among its arguments after the first, a socket path, as one batch to that socket, as a
// later start would, and says what came of it: "cannot connect: <error>", or "connected" and then
// `answered "<text>"` with whatever the other end wrote before it closed (nothing when it took
// nothing). The tests run it as another user, to see a running copy refuse that user.

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string path = argv[1];
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return 3;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    std::printf("cannot connect: %s\n", std::strerror(errno));
    return 1;
  }
  std::printf("connected\n");
  std::string batch;
  for (int i = 2; i < argc; ++i) batch += std::string(argv[i]) + '\n';
  batch += '\n';
  // The other end may have closed before the batch is all sent: what it answered is read all the same.
  (void)::send(fd, batch.data(), batch.size(), MSG_NOSIGNAL);
  // Bounds a receiver that neither answers nor closes: a copy answers or closes within its 1 s.
  const timeval wait{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  std::string answer;
  char buffer[256];
  for (;;) {
    const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    answer.append(buffer, static_cast<size_t>(count));
  }
  ::close(fd);
  std::printf("answered \"%s\"\n", answer.c_str());
  return 0;
}
