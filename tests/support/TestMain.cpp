#include <gtest/gtest.h>
#include <QApplication>

namespace {

// Most tests never run an event loop, so what they hand to deleteLater() would wait for one to the end
// of the binary and then leak; each test's leftovers are deleted once the test is over.
class DeferredDeletes : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo&) override {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

}  // namespace

// Every test binary gets a QApplication so that tests of the real adapters and of widgets can run;
// the platform is offscreen unless the caller chose otherwise.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new DeferredDeletes);
  return RUN_ALL_TESTS();
}
