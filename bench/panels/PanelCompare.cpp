// Side by side with the panels a Linux user knows: for each program, on an X server of its own, the
// time from its start to its first window on the screen, and the processor time it spends while the
// pointer sweeps along the bottom of the screen (where every program here puts its bar) at 60 moves a
// second for 10 seconds. Programs take turns round by round, so a busy moment of the machine falls on
// all of them alike. Prints each round and then the medians and the ratios to the first program.
//
//   panel_compare ROUNDS NAME=COMMAND [NAME=COMMAND ...]
//
// With PANEL_COMPARE_MAP_ONLY=1 only the first map is measured (no settling, no sweep): a quick loop
// for work on start-up.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Program {
  std::string name, command;
  std::vector<double> mapMs, hoverCpu;
};

pid_t spawn(const std::string& command, const std::string& display, bool quiet = true) {
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    if (quiet) {
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 1);
      dup2(null, 2);
    }
    execl("/bin/sh", "sh", "-c", ("exec env " + command).c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

void stop(pid_t pid) {
  if (pid <= 0) return;
  kill(-pid, SIGTERM);
  for (int i = 0; i < 200 && waitpid(pid, nullptr, WNOHANG) == 0; ++i) usleep(10000);
  if (waitpid(pid, nullptr, WNOHANG) == 0) {
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

// An X server on a free display; its number.
std::string startServer(pid_t& server) {
  int fds[2];
  if (pipe(fds) != 0) return "";
  server = fork();
  if (server == 0) {
    setpgid(0, 0);
    dup2(fds[1], 1);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 2);
    execlp("Xvfb", "Xvfb", "-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  char text[16] = {};
  const ssize_t count = read(fds[0], text, sizeof text - 1);
  close(fds[0]);
  if (count <= 0) return "";
  return ":" + std::string(text, text + std::strcspn(text, "\n"));
}

// Processor time of a process and its threads, in seconds.
double cpuSeconds(pid_t pid) {
  FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
  if (!file) return 0;
  char buffer[2048] = {};
  const size_t count = std::fread(buffer, 1, sizeof buffer - 1, file);
  std::fclose(file);
  const char* after = std::strrchr(buffer, ')');
  if (!after || count == 0) return 0;
  unsigned long utime = 0, stime = 0;
  // Fields after the name: state is 3rd; utime and stime are the 14th and 15th.
  std::sscanf(after + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime);
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

bool mapOnly() {
  const char* value = std::getenv("PANEL_COMPARE_MAP_ONLY");
  return value && *value && std::strcmp(value, "0") != 0;
}

// The processor share of the program while the pointer sweeps along the bar, once it has settled.
double hoverCpu(xcb_connection_t* connection, xcb_screen_t* screen, pid_t pid) {
  // Settled: whatever the program does after its first frame is over.
  std::this_thread::sleep_for(std::chrono::seconds(3));

  const double before = cpuSeconds(pid);
  const auto sweepStart = Clock::now();
  for (int step = 0; step < 600; ++step) {
    // Back and forth along the bottom 10 pixels of the screen, 640 pixels a second.
    const int phase = (step * 32) % 2560;
    const int x = phase < 1280 ? phase : 2559 - phase;
    xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root, int16_t(x),
                        int16_t(792 + step % 5), 0);
    xcb_flush(connection);
    std::this_thread::sleep_until(sweepStart + std::chrono::microseconds(16667 * (step + 1)));
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) std::free(event);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - sweepStart).count();
  return (cpuSeconds(pid) - before) / seconds * 100;
}

void measure(Program& program) {
  pid_t server = -1;
  const std::string display = startServer(server);
  if (display.empty()) {
    std::fprintf(stderr, "no X server\n");
    std::exit(1);
  }
  xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
  // The pointer starts away from the bottom edge.
  xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root, 640, 300, 0);
  xcb_flush(connection);

  const auto start = Clock::now();
  const pid_t pid = spawn(program.command, display);
  double mapMs = -1;
  const int fd = xcb_get_file_descriptor(connection);
  while (mapMs < 0 && Clock::now() - start < std::chrono::seconds(20)) {
    pollfd entry{fd, POLLIN, 0};
    poll(&entry, 1, 100);
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY && mapMs < 0)
        mapMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      std::free(event);
    }
  }
  program.mapMs.push_back(mapMs);
  if (mapOnly()) {
    std::printf("  %-12s first map %7.1f ms\n", program.name.c_str(), mapMs);
  } else {
    const double cpu = hoverCpu(connection, screen, pid);
    program.hoverCpu.push_back(cpu);
    std::printf("  %-12s first map %7.1f ms   hover CPU %6.2f %%\n", program.name.c_str(), mapMs, cpu);
  }
  std::fflush(stdout);
  stop(pid);
  xcb_disconnect(connection);
  stop(server);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  if (values.empty()) return 0;
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s ROUNDS NAME=COMMAND [NAME=COMMAND ...]\n", argv[0]);
    return 2;
  }
  const int rounds = std::max(1, std::atoi(argv[1]));
  std::vector<Program> programs;
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    const auto equals = argument.find('=');
    if (equals == std::string::npos) return 2;
    programs.push_back({argument.substr(0, equals), argument.substr(equals + 1), {}, {}});
  }
  for (int round = 1; round <= rounds; ++round) {
    std::printf("round %d\n", round);
    for (Program& program : programs) measure(program);
  }
  std::printf("\nmedians over %d rounds (ratio to each of the others)\n", rounds);
  for (const Program& program : programs) {
    std::printf("  %-12s first map %7.1f ms", program.name.c_str(), median(program.mapMs));
    if (!mapOnly()) std::printf("   hover CPU %6.2f %%", median(program.hoverCpu));
    std::printf("\n");
  }
  const Program& ours = programs.back();
  for (size_t i = 0; i + 1 < programs.size(); ++i) {
    std::printf("  %s / %s: first map %.2fx", ours.name.c_str(), programs[i].name.c_str(),
                median(ours.mapMs) / std::max(median(programs[i].mapMs), 1e-9));
    if (!mapOnly())
      std::printf(", hover CPU %.2fx", median(ours.hoverCpu) / std::max(median(programs[i].hoverCpu), 1e-9));
    std::printf("\n");
  }
  return 0;
}
