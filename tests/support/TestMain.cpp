#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "support/TempFolder.h"

#if defined(__SANITIZE_ADDRESS__)
#define PELKO_SANITIZER_OPTIONS "ASAN_OPTIONS"
#elif defined(__SANITIZE_THREAD__)
#define PELKO_SANITIZER_OPTIONS "TSAN_OPTIONS"
#endif

namespace {

// Most tests never run an event loop, so what they hand to deleteLater() would wait for one to the end
// of the binary and then leak; each test's leftovers are deleted once the test is over.
class DeferredDeletes : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo&) override {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

// Under a sanitizer, the processes a test starts (the program, the stand-in tools it runs, probes and
// drivers) write their reports into a folder of this binary's own: their output is often discarded or
// never read, and a process the test kills on purpose has no exit status to tell. A report found there
// after a test is printed under the test's name and fails the binary. UndefinedBehaviorSanitizer beside
// AddressSanitizer ignores the folder and writes to standard error: PelkoProcess looks for its reports in
// the program's output, and the child-process adapter in its tools' output.
class ChildSanitizerReports : public ::testing::EmptyTestEventListener {
 public:
  // Set before any process is started; the sanitizer of this binary read its options at start-up, so
  // its own reports still go to standard error.
  ChildSanitizerReports() {
#ifdef PELKO_SANITIZER_OPTIONS
    folder_ = std::make_unique<pelko::testing::TempFolder>();
    const char* given = std::getenv(PELKO_SANITIZER_OPTIONS);
    std::string options = given && *given ? std::string(given) + ":" : "";
    options += "log_path=" + folder_->file("report");
    ::setenv(PELKO_SANITIZER_OPTIONS, options.c_str(), 1);
#endif
  }

  int reportsFound() const {
    return found_;
  }

  void OnTestEnd(const ::testing::TestInfo& test) override {
    if (!folder_) return;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder_->path(), error)) {
      ++found_;
      std::printf("[ CHILD SANITIZER REPORT ] after %s.%s (%s):\n%s\n", test.test_suite_name(), test.name(),
                  entry.path().filename().c_str(), pelko::testing::readWholeFile(entry.path()).c_str());
      std::filesystem::remove(entry.path(), error);
    }
    std::fflush(stdout);
  }

 private:
  std::unique_ptr<pelko::testing::TempFolder> folder_;
  int found_ = 0;
};

}  // namespace

// Every test binary gets a QApplication so that tests of the real adapters and of widgets can run;
// the platform is offscreen unless the caller chose otherwise.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  auto& listeners = ::testing::UnitTest::GetInstance()->listeners();
  listeners.Append(new DeferredDeletes);
  auto* childReports = new ChildSanitizerReports;
  listeners.Append(childReports);
  const int result = RUN_ALL_TESTS();
  return result != 0 ? result : childReports->reportsFound() > 0 ? 1 : 0;
}
