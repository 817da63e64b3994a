// pelko-sim-killall: stands in for `killall` on Linux, for the one use the program makes of it:
// restarting the Dock. It never signals any process.
//
//   pelko-sim-killall Dock
//       "restarts" the simulated Dock: appends a line to dock-restarts.log in the folder named by
//       PELKO_SIM_DOCK_DIR (see SimDockFolder.h) and exits 0. A Dock restarted this way runs with
//       whatever its preference domain holds at that moment.
//   pelko-sim-killall NAME (any other name)
//       prints "No matching processes belonging to you were found" to standard error and exits 1.
// Any other use prints the usage and exits 1.

#include <cstdio>
#include <string>
#include <vector>

#include "tools/SimDockFolder.h"

int main(int argc, char** argv) {
  using pelko::tools::SimDockFolder;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto folder = SimDockFolder::fromEnvironment(error);
  if (!folder) {
    std::fprintf(stderr, "pelko-sim-killall: %s\n", error.c_str());
    return 1;
  }
  std::vector<std::string> words{"killall"};
  words.insert(words.end(), args.begin(), args.end());
  folder->beginRun(words);

  if (args.size() != 1 || args[0].empty() || args[0].front() == '-') {
    std::fputs("usage: pelko-sim-killall NAME\n", stderr);
    return 1;
  }
  if (args[0] != "Dock") {
    std::fputs("No matching processes belonging to you were found\n", stderr);
    return 1;
  }
  if (!folder->recordDockRestart()) {
    std::fputs("pelko-sim-killall: cannot record the Dock's restart\n", stderr);
    return 1;
  }
  return 0;
}
