// Side by side with the panels a Linux user knows. Each program runs on an X server of its own (1920 x
// 1080) under a window manager of its own (openbox unless PANEL_COMPARE_WM names another), started and
// ready before the program. Measured for each program:
//   - first map: the time from its start to the map of its panel window (the window whose type is
//     _NET_WM_WINDOW_TYPE_DOCK and, when a class is named, whose WM_CLASS is that class), not of
//     whatever other window it maps first;
//   - CPU to map: the processor time the program spent up to that moment;
//   - hover CPU: its processor share while the pointer sweeps back and forth along the middle of its
//     panel, over its buttons, at 60 moves a second for 10 seconds, once it has settled.
// Processor time is the scheduler's count in nanoseconds (the first field of /proc/PID/task/*/schedstat),
// summed by the kernel over every thread the process had: the process's CPU clock, which also keeps the
// time of threads that have already ended (a start-up thread is gone by the map, and its line in
// /proc/PID/task with it). Child processes count too: the living ones by their CPU clocks, those the
// program has already waited for by its cutime and cstime (whole clock ticks; none of the programs here
// spends measurable time in children while the pointer moves).
//
// Programs take turns round by round, so a busy moment of the shared machine falls on all of them
// alike; the one-minute load average is printed with every measurement and beside the medians.
//
//   panel_compare ROUNDS NAME[/WM_CLASS]=COMMAND [NAME[/WM_CLASS]=COMMAND ...]
//
// With PANEL_COMPARE_MAP_ONLY=1 only the map is measured (no settling, no sweep): a quick loop for work
// on start-up.

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kSweepMoves = 600;  // 10 s at 60 moves a second
constexpr int kSweepStep = 16;    // pixels a move: 960 pixels a second
constexpr auto kMapTimeout = std::chrono::seconds(30);

struct Program {
  std::string name, windowClass, command;
  std::vector<double> mapMs, cpuToMapMs, hoverCpu, load;
};

struct Box {
  int x = 0, y = 0, width = 0, height = 0;
};

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

pid_t spawn(const std::string& command, const std::string& display) {
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    execl("/bin/sh", "sh", "-c", ("exec env " + command).c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

void stop(pid_t pid) {
  if (pid <= 0) return;
  kill(-pid, SIGTERM);
  for (int i = 0; i < 300 && waitpid(pid, nullptr, WNOHANG) == 0; ++i) usleep(10000);
  if (waitpid(pid, nullptr, WNOHANG) == 0) {
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

// ---- Processor time ---------------------------------------------------------------------------------

// The first field of each living thread's schedstat: nanoseconds on a processor.
int64_t livingThreadsNs(pid_t pid) {
  int64_t total = 0;
  const std::string folder = "/proc/" + std::to_string(pid) + "/task";
  DIR* tasks = opendir(folder.c_str());
  if (!tasks) return 0;
  while (dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    FILE* file = std::fopen((folder + "/" + entry->d_name + "/schedstat").c_str(), "r");
    if (!file) continue;
    long long ns = 0;
    if (std::fscanf(file, "%lld", &ns) == 1) total += ns;
    std::fclose(file);
  }
  closedir(tasks);
  return total;
}

// The same count summed by the kernel over all the process's threads, ended ones included.
int64_t processNs(pid_t pid) {
  clockid_t clock;
  timespec value{};
  if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &value) != 0) return livingThreadsNs(pid);
  return int64_t(value.tv_sec) * 1000000000 + value.tv_nsec;
}

struct StatLine {
  pid_t parent = 0;
  int64_t waitedChildrenNs = 0;  // cutime + cstime
};

std::optional<StatLine> readStat(pid_t pid) {
  FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
  if (!file) return std::nullopt;
  char buffer[2048] = {};
  const size_t count = std::fread(buffer, 1, sizeof buffer - 1, file);
  std::fclose(file);
  const char* after = std::strrchr(buffer, ')');
  if (!after || count == 0) return std::nullopt;
  StatLine line;
  long long cutime = 0, cstime = 0;
  int parent = 0;
  // After the name: state, ppid, pgrp, session, tty, tpgid, flags, minflt, cminflt, majflt, cmajflt,
  // utime, stime, cutime, cstime.
  if (std::sscanf(after + 2, "%*c %d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %lld %lld", &parent, &cutime,
                  &cstime) != 3)
    return std::nullopt;
  line.parent = parent;
  line.waitedChildrenNs = (cutime + cstime) * (1000000000 / sysconf(_SC_CLK_TCK));
  return line;
}

std::vector<pid_t> livingDescendants(pid_t root) {
  std::vector<std::pair<pid_t, pid_t>> parents;  // (pid, parent)
  DIR* proc = opendir("/proc");
  if (!proc) return {};
  while (dirent* entry = readdir(proc)) {
    const pid_t pid = std::atoi(entry->d_name);
    if (pid <= 0) continue;
    if (auto stat = readStat(pid)) parents.emplace_back(pid, stat->parent);
  }
  closedir(proc);
  std::vector<pid_t> found{root};
  for (size_t i = 0; i < found.size(); ++i)
    for (const auto& [pid, parent] : parents)
      if (parent == found[i]) found.push_back(pid);
  found.erase(found.begin());
  return found;
}

struct CpuReading {
  int64_t ownNs = 0;       // the program's threads
  int64_t childrenNs = 0;  // its child processes, living and waited for
  double totalMs() const { return double(ownNs + childrenNs) / 1e6; }
};

CpuReading readCpu(pid_t pid) {
  CpuReading reading;
  reading.ownNs = processNs(pid);
  if (auto stat = readStat(pid)) reading.childrenNs += stat->waitedChildrenNs;
  for (pid_t child : livingDescendants(pid)) reading.childrenNs += processNs(child);
  return reading;
}

double loadAverage() {
  double load = -1;
  if (FILE* file = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(file, "%lf", &load) != 1) load = -1;
    std::fclose(file);
  }
  return load;
}

// ---- The X server and the window manager ------------------------------------------------------------

bool displayInUse(int number) {
  struct stat info;
  return stat(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), &info) == 0 ||
         stat(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), &info) == 0;
}

// The process that holds a display's lock file, as the X server writes it (its pid in text).
pid_t lockHolder(int number) {
  FILE* file = std::fopen(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), "r");
  if (!file) return -1;
  int pid = -1;
  if (std::fscanf(file, "%d", &pid) != 1) pid = -1;
  std::fclose(file);
  return pid;
}

// An X server on a display number of our own choosing, and a connection to it.
xcb_connection_t* startServer(pid_t& server, std::string& display) {
  static int next = 400 + int(getpid() % 200);
  for (int attempt = 0; attempt < 50; ++attempt) {
    const int number = next++;
    if (next > 900) next = 400;
    if (displayInUse(number)) continue;
    display = ":" + std::to_string(number);
    server = fork();
    if (server == 0) {
      setpgid(0, 0);
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 1);
      dup2(null, 2);
      execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0",
             (std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24").c_str(),
             "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    const auto start = Clock::now();
    while (secondsSince(start) < 10) {
      if (waitpid(server, nullptr, WNOHANG) == server) break;  // the number was taken meanwhile
      xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
      // Another program's server that took the number first would answer too: ours holds the lock.
      if (!xcb_connection_has_error(connection) && lockHolder(number) == server) return connection;
      xcb_disconnect(connection);
      usleep(10000);
    }
    stop(server);
  }
  return nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(reply);
  return value;
}

std::vector<uint32_t> property32(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
                                 xcb_atom_t type) {
  xcb_get_property_reply_t* reply =
      xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, name, type, 0, 64), nullptr);
  std::vector<uint32_t> values;
  if (reply && reply->format == 32) {
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
    values.assign(data, data + xcb_get_property_value_length(reply) / 4);
  }
  std::free(reply);
  return values;
}

// WM_CLASS: the instance and the class name, each ended by a zero.
std::vector<std::string> windowClass(xcb_connection_t* connection, xcb_window_t window) {
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
      nullptr);
  std::vector<std::string> names;
  if (reply) {
    const char* data = static_cast<const char*>(xcb_get_property_value(reply));
    const int length = xcb_get_property_value_length(reply);
    for (int i = 0; i < length;) {
      const std::string name(data + i, strnlen(data + i, size_t(length - i)));
      names.push_back(name);
      i += int(name.size()) + 1;
    }
  }
  std::free(reply);
  return names;
}

// Starts the window manager and waits until it has taken the screen (it names its check window on the
// root window).
pid_t startWindowManager(xcb_connection_t* connection, xcb_screen_t* screen, const std::string& display) {
  const char* chosen = std::getenv("PANEL_COMPARE_WM");
  const std::string command = chosen && *chosen ? chosen : "openbox --sm-disable";
  const pid_t pid = spawn(command, display);
  const xcb_atom_t check = atom(connection, "_NET_SUPPORTING_WM_CHECK");
  const auto start = Clock::now();
  while (secondsSince(start) < 20) {
    if (!property32(connection, screen->root, check, XCB_ATOM_WINDOW).empty()) return pid;
    usleep(10000);
  }
  std::fprintf(stderr, "the window manager (%s) did not start\n", command.c_str());
  stop(pid);
  return -1;
}

// ---- Measuring ---------------------------------------------------------------------------------------

struct PanelWatch {
  xcb_connection_t* connection;
  xcb_screen_t* screen;
  std::string wantedClass;
  xcb_atom_t windowType, dockType;
  std::set<xcb_window_t> watched;

  bool isPanel(xcb_window_t window) const {
    const auto types = property32(connection, window, windowType, XCB_ATOM_ATOM);
    if (std::find(types.begin(), types.end(), dockType) == types.end()) return false;
    if (wantedClass.empty()) return true;
    const auto names = windowClass(connection, window);
    return std::find(names.begin(), names.end(), wantedClass) != names.end();
  }

  // A new top-level window: its own map is reported to us even after a window manager reparents it.
  // Answers whether it is the panel and already mapped (made and mapped before we got to watching it).
  bool watch(xcb_window_t window) {
    if (!watched.insert(window).second) return false;
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    const bool mapped = attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    std::free(attributes);
    return mapped && isPanel(window);
  }
};

// The panel window's rectangle on the root window.
Box boxOf(xcb_connection_t* connection, xcb_window_t window, xcb_window_t root) {
  Box box;
  xcb_get_geometry_reply_t* geometry =
      xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
  xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(
      connection, xcb_translate_coordinates(connection, window, root, 0, 0), nullptr);
  if (geometry && origin) box = {origin->dst_x, origin->dst_y, geometry->width, geometry->height};
  std::free(geometry);
  std::free(origin);
  return box;
}

bool mapOnly() {
  const char* value = std::getenv("PANEL_COMPARE_MAP_ONLY");
  return value && *value && std::strcmp(value, "0") != 0;
}

void drain(xcb_connection_t* connection) {
  while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) std::free(event);
}

// The processor share of the program while the pointer sweeps back and forth along the middle of its
// panel, once it has settled.
double hoverCpu(xcb_connection_t* connection, xcb_screen_t* screen, xcb_window_t panel, pid_t pid) {
  // Settled: whatever the program does after its first frame is over.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  drain(connection);
  Box bar = boxOf(connection, panel, screen->root);
  bar.x = std::max(0, bar.x);
  bar.width = std::min(bar.width, kScreenWidth - bar.x);
  const int middle = bar.y + bar.height / 2;
  const int span = std::max(1, bar.width - 1);

  const CpuReading before = readCpu(pid);
  const auto sweepStart = Clock::now();
  for (int step = 0; step < kSweepMoves; ++step) {
    const int phase = (step * kSweepStep) % (2 * span);
    const int x = bar.x + (phase < span ? phase : 2 * span - phase);
    // A hand is never quite level: a pixel or two up and down around the middle of the bar.
    const int y = middle + (step % 5) - 2;
    xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root, int16_t(x),
                        int16_t(y), 0);
    xcb_flush(connection);
    std::this_thread::sleep_until(sweepStart + std::chrono::microseconds(16667 * (step + 1)));
    drain(connection);
  }
  const double seconds = secondsSince(sweepStart);
  const CpuReading after = readCpu(pid);
  return (after.totalMs() - before.totalMs()) / 1000 / seconds * 100;
}

void measure(Program& program) {
  pid_t server = -1;
  std::string display;
  xcb_connection_t* connection = startServer(server, display);
  if (!connection) {
    std::fprintf(stderr, "no X server\n");
    std::exit(1);
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const pid_t windowManager = startWindowManager(connection, screen, display);
  if (windowManager < 0) {
    xcb_disconnect(connection);
    stop(server);
    std::exit(1);
  }
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
  // The pointer starts away from every edge.
  xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root, kScreenWidth / 2,
                      kScreenHeight / 3, 0);
  xcb_flush(connection);
  drain(connection);
  // The windows there already (the window manager's own) are not the program's.
  PanelWatch panels{connection,
                    screen,
                    program.windowClass,
                    atom(connection, "_NET_WM_WINDOW_TYPE"),
                    atom(connection, "_NET_WM_WINDOW_TYPE_DOCK"),
                    {}};
  if (xcb_query_tree_reply_t* tree =
          xcb_query_tree_reply(connection, xcb_query_tree(connection, screen->root), nullptr)) {
    const xcb_window_t* children = xcb_query_tree_children(tree);
    panels.watched.insert(children, children + xcb_query_tree_children_length(tree));
    std::free(tree);
  }

  const double load = loadAverage();
  const auto start = Clock::now();
  const pid_t pid = spawn(program.command, display);
  double mapMs = -1;
  CpuReading toMap;
  xcb_window_t panel = XCB_WINDOW_NONE;
  const int fd = xcb_get_file_descriptor(connection);
  auto found = [&](xcb_window_t window) {
    // The time first: reading the processor time scans /proc, which is not the program's map.
    mapMs = secondsSince(start) * 1000;
    toMap = readCpu(pid);
    panel = window;
  };
  while (mapMs < 0 && Clock::now() - start < kMapTimeout) {
    pollfd entry{fd, POLLIN, 0};
    poll(&entry, 1, 50);
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      const int type = event->response_type & 0x7f;
      if (mapMs < 0 && type == XCB_CREATE_NOTIFY) {
        const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
        if (created->parent == screen->root && panels.watch(created->window)) found(created->window);
      } else if (mapMs < 0 && type == XCB_MAP_NOTIFY) {
        const auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event);
        // Reported to the root for top-level windows and frames, to the window itself once watched.
        if (panels.watched.count(mapped->window) && panels.isPanel(mapped->window)) found(mapped->window);
      }
      std::free(event);
    }
  }
  program.mapMs.push_back(mapMs);
  program.cpuToMapMs.push_back(mapMs < 0 ? -1 : toMap.totalMs());
  program.load.push_back(load);
  std::printf("  %-12s first map %8.1f ms   CPU to map %7.1f ms (children %5.1f)", program.name.c_str(),
              mapMs, mapMs < 0 ? -1 : toMap.totalMs(), double(toMap.childrenNs) / 1e6);
  if (!mapOnly() && panel != XCB_WINDOW_NONE) {
    const double cpu = hoverCpu(connection, screen, panel, pid);
    program.hoverCpu.push_back(cpu);
    std::printf("   hover CPU %6.2f %%", cpu);
  }
  std::printf("   load %.2f\n", load);
  std::fflush(stdout);
  stop(pid);
  stop(windowManager);
  xcb_disconnect(connection);
  stop(server);
}

// Of the measurements made: a round whose map never came (-1) has none.
double median(std::vector<double> values) {
  values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return v < 0; }), values.end());
  std::sort(values.begin(), values.end());
  if (values.empty()) return 0;
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double ratio(double a, double b) {
  return a / std::max(b, 1e-9);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s ROUNDS NAME[/WM_CLASS]=COMMAND [NAME[/WM_CLASS]=COMMAND ...]\n", argv[0]);
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  const int rounds = std::max(1, std::atoi(argv[1]));
  std::vector<Program> programs;
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    const auto equals = argument.find('=');
    if (equals == std::string::npos) return 2;
    std::string name = argument.substr(0, equals), windowClassName;
    if (const auto slash = name.find('/'); slash != std::string::npos) {
      windowClassName = name.substr(slash + 1);
      name.resize(slash);
    }
    programs.push_back({name, windowClassName, argument.substr(equals + 1), {}, {}, {}, {}});
  }
  std::printf("%dx%d, window manager: %s; CPU in ms of processor time (threads and child processes)\n",
              kScreenWidth, kScreenHeight,
              std::getenv("PANEL_COMPARE_WM") && *std::getenv("PANEL_COMPARE_WM")
                  ? std::getenv("PANEL_COMPARE_WM")
                  : "openbox");
  for (int round = 1; round <= rounds; ++round) {
    std::printf("round %d\n", round);
    for (Program& program : programs) measure(program);
  }
  std::printf(
      "\nmedians over %d rounds, of the rounds with a map (load: median of the 1-minute load average at "
      "each start)\n",
      rounds);
  for (const Program& program : programs) {
    std::printf("  %-12s first map %8.1f ms   CPU to map %7.1f ms", program.name.c_str(),
                median(program.mapMs), median(program.cpuToMapMs));
    if (!mapOnly()) std::printf("   hover CPU %6.2f %%", median(program.hoverCpu));
    const auto mapped =
        std::count_if(program.mapMs.begin(), program.mapMs.end(), [](double v) { return v >= 0; });
    std::printf("   load %.2f", median(program.load));
    if (mapped < static_cast<long>(program.mapMs.size()))
      std::printf("   (mapped in %ld of %zu rounds)", static_cast<long>(mapped), program.mapMs.size());
    std::printf("\n");
  }
  const Program& ours = programs.back();
  for (size_t i = 0; i + 1 < programs.size(); ++i) {
    const Program& other = programs[i];
    std::printf("  %s / %s: first map %.2fx, CPU to map %.2fx", ours.name.c_str(), other.name.c_str(),
                ratio(median(ours.mapMs), median(other.mapMs)),
                ratio(median(ours.cpuToMapMs), median(other.cpuToMapMs)));
    if (!mapOnly()) std::printf(", hover CPU %.2fx", ratio(median(ours.hoverCpu), median(other.hoverCpu)));
    std::printf("\n");
  }
  return 0;
}
