// A program that assigns one user default and then idles until it is killed, so a test can check what
// reached the disk when a process dies without warning.
//   pelko_defaults_writer_child <folder> <domain> <key> <string value>
#include <QCoreApplication>

#include <cstdio>
#include <string>

#include "platform/real/PlistFileUserDefaults.h"
#include "platform/real/RealScheduler.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s <folder> <domain> <key> <value>\n", argv[0]);
    return 2;
  }
  QCoreApplication app(argc, argv);
  pelko::real::RealScheduler scheduler;
  pelko::real::PlistFileUserDefaults defaults(scheduler, argv[1], argv[2]);
  defaults.read();
  defaults.setObject(argv[3], std::string(argv[4]));
  std::printf("assigned\n");
  std::fflush(stdout);
  return app.exec();
}
