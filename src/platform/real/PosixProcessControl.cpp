#include "platform/real/PosixProcessControl.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <typeinfo>

namespace pelko::real {

namespace {

// Shared with the signal handlers, which can reach nothing else.
std::atomic<int> gWakeFD{-1};
volatile sig_atomic_t gImmediateStatus[NSIG] = {};

std::function<void(const platform::UncaughtException&)>& exceptionHandler() {
  static std::function<void(const platform::UncaughtException&)> handler;
  return handler;
}

extern "C" void wakeMainQueue(int signal) {
  int savedErrno = errno;
  int fd = gWakeFD.load(std::memory_order_relaxed);
  if (fd >= 0) {
    unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe already holds wake-ups enough; the byte may be dropped.
    [[maybe_unused]] ssize_t written = ::write(fd, &byte, 1);
  }
  errno = savedErrno;
}

extern "C" void exitAtOnce(int signal) {
  ::_exit(gImmediateStatus[signal]);
}

void install(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (::sigaction(signal, &action, nullptr) != 0) {
    std::fprintf(stderr, "Pelko: could not handle signal %d: %s\n", signal, std::strerror(errno));
  }
}

[[noreturn]] void onTerminate() {
  static std::atomic<bool> entered{false};
  if (!entered.exchange(true)) {
    if (std::exception_ptr current = std::current_exception()) {
      platform::UncaughtException exception;
      const std::type_info* type = abi::__cxa_current_exception_type();
      exception.name = type ? demangledTypeName(type->name()) : "unknown";
      try {
        std::rethrow_exception(current);
      } catch (const std::exception& error) {
        if (error.what() && *error.what()) exception.reason = error.what();
      } catch (...) {
      }
      if (auto& handler = exceptionHandler()) handler(exception);
    }
  }
  std::abort();
}

}  // namespace

std::string demangledTypeName(const char* mangled) {
  int status = 0;
  char* readable = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && readable ? readable : mangled;
  std::free(readable);
  return name;
}

PosixProcessControl::PosixProcessControl() = default;

PosixProcessControl::~PosixProcessControl() {
  // Without the event loop nothing would hear these signals any more: they end the process again.
  for (const auto& [signal, handler] : handlers_) ::signal(signal, SIG_DFL);
  exceptionHandler() = nullptr;
  gWakeFD.store(-1);
  notifier_.reset();
  for (int fd : pipe_) {
    if (fd >= 0) ::close(fd);
  }
}

void PosixProcessControl::deliverOnMainQueue(const std::vector<int>& signalNumbers,
                                             std::function<void(int)> handler) {
  if (pipe_[0] < 0) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
      std::fprintf(stderr, "Pelko: no pipe for signal handling: %s\n", std::strerror(errno));
      return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { drainPipe(); });
    gWakeFD.store(pipe_[1]);
  }
  for (int signal : signalNumbers) {
    handlers_[signal] = handler;
    install(signal, wakeMainQueue);
  }
}

void PosixProcessControl::drainPipe() {
  unsigned char bytes[64];
  for (;;) {
    ssize_t count = ::read(pipe_[0], bytes, sizeof bytes);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
    for (ssize_t i = 0; i < count; ++i) {
      auto it = handlers_.find(bytes[i]);
      if (it != handlers_.end()) {
        auto handler = it->second;  // the handler may replace itself
        handler(bytes[i]);
      }
    }
  }
}

void PosixProcessControl::exitImmediatelyOn(int signal, int status) {
  if (signal <= 0 || signal >= NSIG) return;
  gImmediateStatus[signal] = status;
  install(signal, exitAtOnce);
}

void PosixProcessControl::setUncaughtExceptionHandler(
    std::function<void(const platform::UncaughtException&)> handler) {
  exceptionHandler() = std::move(handler);
  std::set_terminate(onTerminate);
}

void PosixProcessControl::exit(int status) {
  if (QCoreApplication::instance()) {
    QCoreApplication::exit(status);
  } else {
    std::exit(status);
  }
}

}  // namespace pelko::real
