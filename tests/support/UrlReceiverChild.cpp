// Receives URLs for the lock named by its first argument, at a socket in the folder named by its second,
// with a low limit on open files, having used up every descriptor it may have. Prints "ready" once
// exhausted, each diagnostic line, and "received <url>" for each URL; the first diagnostic (taking a
// connection failed) gives the descriptors back, as a process whose pressure passes would. Ends after a
// "pelko://quit".

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/DebugLog.h"
#include "platform/real/RealScheduler.h"
#include "shell/LocalSocketUrlDelivery.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  rlimit limit{64, 64};
  if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 3;
  QCoreApplication application(argc, argv);
  pelko::real::RealScheduler scheduler;
  pelko::LocalSocketUrlDelivery receiver(scheduler, argv[1], {argv[2]});
  std::vector<int> hoard;
  pelko::setDebugLogSink([&](std::string_view line) {
    std::printf("%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(stdout);
    for (int fd : hoard) ::close(fd);
    hoard.clear();
  });
  const bool receiving = receiver.startReceiving([](const std::vector<std::string>& urls) {
    for (const auto& url : urls) {
      std::printf("received %s\n", url.c_str());
      std::fflush(stdout);
      if (url == "pelko://quit") QCoreApplication::quit();
    }
  });
  if (!receiving) return 4;
  for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) hoard.push_back(fd);
  std::printf("ready\n");
  std::fflush(stdout);
  return QCoreApplication::exec();
}
