// A child for the child-process adapter's tests. The first argument picks what it does:
//   args ...          writes every further argument followed by a NUL byte to standard output
//   exit N            exits with status N
//   signal N          raises signal N
//   flood N           writes N bytes to standard output and N to standard error, interleaved
//   hang              prints its pid and waits until a signal ends it
//   stubborn          ignores SIGTERM, prints its pid and waits until SIGKILL
//   signals           prints the blocked and the ignored signals, e.g. "blocked: ignored:2,15"
//   fds               prints the open descriptors above 2, e.g. "fds:"
//   stdin             prints how many bytes standard input holds
//   grandchild        starts a grandchild that keeps both pipes open, prints its pid and exits 0
//   complain TEXT     writes TEXT and a newline to standard error and exits 1, as a sanitizer does

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n <= 0) std::_Exit(3);
    data += n;
    size -= static_cast<size_t>(n);
  }
}

[[noreturn]] void waitForever() {
  for (;;) ::pause();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string mode = argv[1];
  if (mode == "args") {
    for (int i = 2; i < argc; ++i) writeAll(1, argv[i], std::strlen(argv[i]) + 1);
    return 0;
  }
  if (mode == "exit" && argc == 3) return std::atoi(argv[2]);
  if (mode == "complain" && argc == 3) {
    std::string text = std::string(argv[2]) + "\n";
    writeAll(2, text.data(), text.size());
    return 1;
  }
  if (mode == "signal" && argc == 3) {
    int sig = std::atoi(argv[2]);
    ::signal(sig, SIG_DFL);  // a sanitizer's own handler would turn the signal into an exit
    ::raise(sig);
    return 0;
  }
  if (mode == "flood" && argc == 3) {
    size_t total = std::strtoull(argv[2], nullptr, 10);
    std::string outChunk(4096, 'o');
    std::string errChunk(4096, 'e');
    for (size_t done = 0; done < total; done += outChunk.size()) {
      size_t n = std::min(outChunk.size(), total - done);
      writeAll(1, outChunk.data(), n);
      writeAll(2, errChunk.data(), n);
    }
    return 0;
  }
  if (mode == "hang" || mode == "stubborn") {
    if (mode == "stubborn") ::signal(SIGTERM, SIG_IGN);
    std::printf("%d\n", static_cast<int>(::getpid()));
    std::fflush(stdout);
    waitForever();
  }
  if (mode == "signals") {
    sigset_t blocked;
    sigemptyset(&blocked);
    ::sigprocmask(SIG_BLOCK, nullptr, &blocked);
    std::string blockedList;
    std::string ignoredList;
    for (int sig = 1; sig < 32; ++sig) {
      if (sigismember(&blocked, sig) == 1)
        blockedList += (blockedList.empty() ? "" : ",") + std::to_string(sig);
      struct sigaction action {};
      if (sig != SIGKILL && sig != SIGSTOP && ::sigaction(sig, nullptr, &action) == 0 &&
          action.sa_handler == SIG_IGN) {
        ignoredList += (ignoredList.empty() ? "" : ",") + std::to_string(sig);
      }
    }
    std::printf("blocked:%s ignored:%s\n", blockedList.c_str(), ignoredList.c_str());
    return 0;
  }
  if (mode == "fds") {
    std::string list;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return 4;
    int own = ::dirfd(dir);
    while (dirent* entry = ::readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      int fd = std::atoi(entry->d_name);
      if (fd > 2 && fd != own) list += (list.empty() ? "" : ",") + std::to_string(fd);
    }
    ::closedir(dir);
    std::printf("fds:%s\n", list.c_str());
    return 0;
  }
  if (mode == "stdin") {
    char buffer[256];
    size_t total = 0;
    ssize_t n;
    while ((n = ::read(0, buffer, sizeof buffer)) > 0) total += static_cast<size_t>(n);
    std::printf("%zu\n", total);
    return 0;
  }
  if (mode == "grandchild") {
    pid_t pid = ::fork();
    if (pid == 0) {
      ::alarm(60);  // never outlives a forgetful test by long
      waitForever();
    }
    std::printf("%d\n", static_cast<int>(pid));
    return 0;
  }
  return 2;
}
