// Listens at the socket path named by its only argument as another user would, to take URLs meant for a
// running copy of Pelko. Run by root, it becomes `nobody` first; it makes the socket's folder itself
// (mode 0700, as that user's) when there is none, and anyone may connect to its socket. Prints
// "ready as <uid>" once it listens; then, for each connection, "received <line>" for each line it reads
// until an empty line or the end, answers "ok" as a copy that took the URLs would, and prints
// "end of connection". Runs until it is killed.

#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool becomeNobody() {
  const passwd* nobody = ::getpwnam("nobody");
  if (!nobody) return false;
  // The groups first, while this process may still change them.
  return ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0;
}

// What a sender wrote on one connection: up to its empty line, its end, or two seconds of silence.
std::string readBatch(int fd) {
  const timeval wait{2, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  std::string batch;
  char buffer[4096];
  while (batch != "\n" && !batch.ends_with("\n\n")) {
    const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    batch.append(buffer, static_cast<size_t>(count));
  }
  return batch;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  if (::getuid() != 0) {
    std::fprintf(stderr, "only root can listen as another user\n");
    return 3;
  }
  if (!becomeNobody()) {
    std::fprintf(stderr, "cannot become nobody: %s\n", std::strerror(errno));
    return 4;
  }
  const std::string path = argv[1];
  const std::string folder = path.substr(0, path.rfind('/'));
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "cannot make %s: %s\n", folder.c_str(), std::strerror(errno));
    return 5;
  }
  ::umask(0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return 6;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ::unlink(path.c_str());
  if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 8) != 0) {
    std::fprintf(stderr, "cannot listen at %s: %s\n", path.c_str(), std::strerror(errno));
    return 7;
  }
  std::printf("ready as %u\n", static_cast<unsigned>(::getuid()));
  std::fflush(stdout);
  for (;;) {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const std::string batch = readBatch(fd);
    for (size_t start = 0, end; (end = batch.find('\n', start)) != std::string::npos; start = end + 1) {
      if (end > start) std::printf("received %s\n", batch.substr(start, end - start).c_str());
    }
    (void)::send(fd, "ok\n", 3, MSG_NOSIGNAL);
    ::close(fd);
    std::printf("end of connection\n");
    std::fflush(stdout);
  }
}
