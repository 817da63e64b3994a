// Side by side with the panels a Linux user knows. Each program runs on an X server of its own (1920 x
// 1080) with a session bus of its own, under a window manager of its own (openbox unless PANEL_COMPARE_WM
// names another), started and ready before the program: ready once it has mapped a window of ours, since
// it names its check window on the root window before its start-up is over. The bus, the window manager
// and the server are ended after the program, so none of them is left. Measured for each program:
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
// alike, and each round starts one program further along the list than the one before (the first round
// with the first program, the second with the second, ...), so that over as many rounds as there are
// programs each runs first, second, ... once. The one-minute load average is printed with every
// measurement and beside the medians.
//
//   panel_compare ROUNDS NAME[/WM_CLASS]=COMMAND [NAME[/WM_CLASS]=COMMAND ...]
//
// The X servers take display numbers from 400 to 900, or from the range PANEL_COMPARE_DISPLAYS gives as
// FIRST-LAST (a machine shared with others: a range nobody else uses), skipping every number that is
// taken: one with a lock file /tmp/.X<n>-lock, a socket /tmp/.X11-unix/X<n>, or an abstract socket of
// that name (a server whose /tmp is not ours).
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

// Runs `command` through the shell with the display and the session bus at `bus`, in a process group of
// its own so that what it starts is ended with it.
pid_t spawn(const std::string& command, const std::string& display, const std::string& bus) {
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
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

struct DisplayRange {
  int first = 400, last = 900;
};

// PANEL_COMPARE_DISPLAYS as FIRST-LAST, else 400-900; nothing when it says something else.
std::optional<DisplayRange> displayRange() {
  const char* value = std::getenv("PANEL_COMPARE_DISPLAYS");
  if (!value || !*value) return DisplayRange{};
  DisplayRange range;
  char after = 0;
  if (std::sscanf(value, "%d-%d%c", &range.first, &range.last, &after) != 2 || range.first < 0 ||
      range.last < range.first)
    return std::nullopt;
  return range;
}

// Whether a server listens on the abstract socket of display `number`, as X servers on Linux do beside
// the socket file: one whose /tmp is not ours has no file here that says so.
bool abstractSocketInUse(int number) {
  FILE* file = std::fopen("/proc/net/unix", "r");
  if (!file) return false;
  const std::string name = " @/tmp/.X11-unix/X" + std::to_string(number);
  bool found = false;
  char line[1024];
  while (!found && std::fgets(line, sizeof line, file)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    found = text.size() >= name.size() && text.compare(text.size() - name.size(), name.size(), name) == 0;
  }
  std::fclose(file);
  return found;
}

bool displayInUse(int number) {
  struct stat info;
  return stat(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), &info) == 0 ||
         stat(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), &info) == 0 ||
         abstractSocketInUse(number);
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

// An X server on a free display number of `range`, and a connection to it; each call goes on from the
// number after the last one tried, starting at a place the process id picks, so two comparisons side by
// side seldom try the same numbers.
xcb_connection_t* startServer(const DisplayRange& range, pid_t& server, std::string& display) {
  const int count = range.last - range.first + 1;
  static int next = int(getpid() % count);
  for (int attempt = 0; attempt < count; ++attempt) {
    const int number = range.first + next;
    next = (next + 1) % count;
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

// Whether the window manager maps a window of ours before `deadline`. Its check window on the root is
// not enough: openbox names it tens of milliseconds before it handles map requests, and a program that
// asked for its map in between never had its window shown (its panel stayed unmapped, type and class
// set, for good). A window that was not mapped within a second is given up for a new one; the one that
// was is destroyed again before the program starts.
bool windowManagerMapsWindows(xcb_connection_t* connection, xcb_screen_t* screen,
                              Clock::time_point deadline) {
  const int fd = xcb_get_file_descriptor(connection);
  while (Clock::now() < deadline) {
    const xcb_window_t probe = xcb_generate_id(connection);
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &mask);
    xcb_map_window(connection, probe);
    xcb_flush(connection);
    const auto giveUp = std::min(deadline, Clock::now() + std::chrono::seconds(1));
    bool mapped = false;
    while (!mapped && Clock::now() < giveUp) {
      pollfd entry{fd, POLLIN, 0};
      poll(&entry, 1, 10);
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        mapped = mapped || ((event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                            reinterpret_cast<xcb_map_notify_event_t*>(event)->window == probe);
        std::free(event);
      }
    }
    xcb_destroy_window(connection, probe);
    xcb_flush(connection);
    if (mapped) return true;
  }
  return false;
}

// Starts the window manager and waits until it has taken the screen (it names its check window on the
// root window) and maps windows.
pid_t startWindowManager(xcb_connection_t* connection, xcb_screen_t* screen, const std::string& display,
                         const std::string& bus) {
  const char* chosen = std::getenv("PANEL_COMPARE_WM");
  const std::string command = chosen && *chosen ? chosen : "openbox --sm-disable";
  const pid_t pid = spawn(command, display, bus);
  const xcb_atom_t check = atom(connection, "_NET_SUPPORTING_WM_CHECK");
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (Clock::now() < deadline) {
    if (!property32(connection, screen->root, check, XCB_ATOM_WINDOW).empty()) {
      if (windowManagerMapsWindows(connection, screen, deadline)) return pid;
      break;
    }
    usleep(10000);
  }
  std::fprintf(stderr, "the window manager (%s) did not start\n", command.c_str());
  stop(pid);
  return -1;
}

// ---- The session bus ---------------------------------------------------------------------------------

// A session bus of the run's own, so that the programs do not autolaunch one that outlives the X server,
// nor reach the user's; its daemon's process id and its address, or -1 when it did not start.
pid_t startSessionBus(std::string& address) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (fds[1] == 3)
      fcntl(3, F_SETFD, 0);
    else
      dup2(fds[1], 3);
    execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=3",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string line;
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (line.find('\n') == std::string::npos && Clock::now() < deadline) {
    pollfd entry{fds[0], POLLIN, 0};
    if (poll(&entry, 1, 100) <= 0) continue;
    char chunk[512];
    const ssize_t count = read(fds[0], chunk, sizeof chunk);
    if (count <= 0) break;
    line.append(chunk, size_t(count));
  }
  close(fds[0]);
  address = line.substr(0, line.find('\n'));
  if (pid > 0 && !address.empty()) return pid;
  std::fprintf(stderr, "the session bus did not start\n");
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

void measure(Program& program, const DisplayRange& range) {
  pid_t server = -1;
  std::string display;
  xcb_connection_t* connection = startServer(range, server, display);
  if (!connection) {
    std::fprintf(stderr, "no X server: no free display from :%d to :%d\n", range.first, range.last);
    std::exit(1);
  }
  std::string busAddress;
  const pid_t bus = startSessionBus(busAddress);
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const pid_t windowManager = bus < 0 ? -1 : startWindowManager(connection, screen, display, busAddress);
  if (windowManager < 0) {
    stop(bus);
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
  const pid_t pid = spawn(program.command, display, busAddress);
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
  if (mapMs < 0)
    std::printf("  %-12s did not map within %lld s", program.name.c_str(),
                static_cast<long long>(kMapTimeout.count()));
  else
    std::printf("  %-12s first map %8.1f ms   CPU to map %7.1f ms (children %5.1f)", program.name.c_str(),
                mapMs, toMap.totalMs(), double(toMap.childrenNs) / 1e6);
  if (!mapOnly() && panel != XCB_WINDOW_NONE) {
    const double cpu = hoverCpu(connection, screen, panel, pid);
    program.hoverCpu.push_back(cpu);
    std::printf("   hover CPU %6.2f %%", cpu);
  }
  std::printf("   load %.2f\n", load);
  std::fflush(stdout);
  stop(pid);
  stop(windowManager);
  stop(bus);
  xcb_disconnect(connection);
  stop(server);
}

// Of the measurements made: a round whose map never came (-1) has none; -1 when no round had one.
double median(std::vector<double> values) {
  values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return v < 0; }), values.end());
  std::sort(values.begin(), values.end());
  if (values.empty()) return -1;
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

bool everMapped(const Program& program) {
  return std::any_of(program.mapMs.begin(), program.mapMs.end(), [](double v) { return v >= 0; });
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
  const std::optional<DisplayRange> range = displayRange();
  if (!range) {
    std::fprintf(stderr, "PANEL_COMPARE_DISPLAYS is FIRST-LAST, two display numbers (e.g. 400-900)\n");
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
  std::printf(
      "%dx%d, window manager: %s, displays :%d to :%d; CPU in ms of processor time (threads and child "
      "processes)\n",
      kScreenWidth, kScreenHeight,
      std::getenv("PANEL_COMPARE_WM") && *std::getenv("PANEL_COMPARE_WM") ? std::getenv("PANEL_COMPARE_WM")
                                                                          : "openbox",
      range->first, range->last);
  for (int round = 0; round < rounds; ++round) {
    std::printf("round %d\n", round + 1);
    for (size_t i = 0; i < programs.size(); ++i)
      measure(programs[(size_t(round) + i) % programs.size()], *range);
  }
  std::printf(
      "\nmedians over %d rounds, of the rounds with a map (load: median of the 1-minute load average at "
      "each start)\n",
      rounds);
  for (const Program& program : programs) {
    if (!everMapped(program)) {
      // No figure stands for a map that never came: its median would be a number of nothing.
      std::printf("  %-12s did not map (0 of %zu rounds)   load %.2f\n", program.name.c_str(),
                  program.mapMs.size(), median(program.load));
      continue;
    }
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
    std::printf("  %s / %s: ", ours.name.c_str(), other.name.c_str());
    // A ratio needs both maps: against one that never came it would only say how small the divisor is.
    if (!everMapped(ours) || !everMapped(other)) {
      std::printf("%s did not map\n", (everMapped(ours) ? other : ours).name.c_str());
      continue;
    }
    std::printf("first map %.2fx, CPU to map %.2fx", ratio(median(ours.mapMs), median(other.mapMs)),
                ratio(median(ours.cpuToMapMs), median(other.cpuToMapMs)));
    if (!mapOnly()) std::printf(", hover CPU %.2fx", ratio(median(ours.hoverCpu), median(other.hoverCpu)));
    std::printf("\n");
  }
  return 0;
}
