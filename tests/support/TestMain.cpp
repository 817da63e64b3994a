#include <QApplication>
#include <gtest/gtest.h>

// Every test binary gets a QApplication so that tests of the real adapters and of widgets can run;
// the platform is offscreen unless the caller chose otherwise.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
